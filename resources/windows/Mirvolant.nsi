; The Windows installer, made by makensis at build time. It installs the
; program, its dialog face with the face's licence notice and a readme into
; Program Files\Mirvolant, adds a Start-menu shortcut and an entry in Apps &
; features, and writes an uninstaller that removes all of it. Russian and
; English pages; /S installs and uninstalls silently.
;
; The build passes: VERSION (1.2.3), VERSION_QUAD (1.2.3.0), PUBLISHER,
; COPYRIGHT, ICON (the program's .ico), FILES (the folder of the files to
; install) and OUTFILE.

Unicode true
; A 64-bit installer for a 64-bit program: Program Files and the registry
; are the 64-bit ones without any redirection.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Mirvolant"

Name "Mirvolant"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Mirvolant"
BrandingText "Mirvolant ${VERSION}"

; The installer and the uninstaller carry the program's icon and a version
; resource of their own.
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "Mirvolant"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "Mirvolant setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COPYRIGHT}"

; The language chosen at installation is the uninstaller's too.
!define MUI_LANGDLL_REGISTRY_ROOT HKLM
!define MUI_LANGDLL_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "InstallerLanguage"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Mirvolant.exe"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The choice starts at the system's language, or at Russian, the players' language,
; where the system's is neither.
!insertmacro MUI_LANGUAGE "Russian"
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ; A silent installation asks nothing; the system's language decides.
  ${IfNot} ${Silent}
    !insertmacro MUI_LANGDLL_DISPLAY
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Section "Mirvolant"
  SetOutPath "$INSTDIR"
  File "${FILES}\Mirvolant.exe"
  File "${FILES}\ms_sans_serif.ttf"
  File "${FILES}\ms_sans_serif-copyright.txt"
  File "${FILES}\README.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; The shortcut for every user of the machine.
  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\Mirvolant.lnk" "$INSTDIR\Mirvolant.exe" "" "$INSTDIR\Mirvolant.exe" 0

  ; Apps & features.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Mirvolant"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Mirvolant.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\Mirvolant.exe"
  Delete "$INSTDIR\ms_sans_serif.ttf"
  Delete "$INSTDIR\ms_sans_serif-copyright.txt"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Mirvolant.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
