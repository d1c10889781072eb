# The platform back ends, each one library beside the toolkit that sees only
# the platform interface and the pixel buffers, with what its platform brings:
#   mv_headless  no windows, a virtual clock: the tests (every build)
#   mv_web       the browser's back end; its core is plain C++, tested on
#                every build
#   mv_browser   its glue to the page (emscripten only): the calls into
#                JavaScript, compiled into the program, and platform.js and
#                mirror.js (the mirror for assistive technology), which go
#                into the page's script
#   mv_sdl       real windows with SDL2 (the Linux program, MV_SDL)
#   mv_win32     real windows with Win32 (the Windows program)
# The back end that OpenNativePlatform comes from is the program's.
mv_library(mv_headless DIRS toolkit/platform/headless DEPS mv_platform mv_png)
mv_library(mv_web DIRS toolkit/platform/web DEPS mv_platform mv_paint)

if(EMSCRIPTEN)
  # Compiled as the program's own sources, after them.
  set(browser_dir ${CMAKE_SOURCE_DIR}/toolkit/platform/web/browser)
  file(GLOB browser_sources CONFIGURE_DEPENDS ${browser_dir}/*.cpp)
  add_library(mv_browser INTERFACE)
  target_sources(mv_browser INTERFACE ${browser_sources})
  target_link_libraries(mv_browser INTERFACE mv_web)
  target_link_options(mv_browser INTERFACE "SHELL:--pre-js ${browser_dir}/platform.js"
                     "SHELL:--pre-js ${browser_dir}/mirror.js")
  set_property(TARGET mv_browser APPEND PROPERTY INTERFACE_LINK_DEPENDS
                                                 ${browser_dir}/platform.js ${browser_dir}/mirror.js)
endif()

if(MV_SDL)
  pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
  mv_library(mv_sdl DIRS toolkit/platform/sdl DEPS mv_platform mv_paint PkgConfig::SDL2
             ${CMAKE_DL_LIBS})
  # Assistive technology on Linux: ATK objects exported over AT-SPI by
  # atk-bridge, the session's setting read through GIO's D-Bus. All of it is
  # the module mirvolant-atk.so, which the back end loads only when the
  # session may want it (toolkit/platform/sdl/AtkBridge.h): a start without
  # it maps none of those eleven libraries. It is found beside the program in
  # the build tree, and where the installation puts it relative to the
  # program.
  pkg_check_modules(ATK_BRIDGE REQUIRED IMPORTED_TARGET atk atk-bridge-2.0 gio-2.0)
  include(GNUInstallDirs)
  set(MV_ATK_MODULE_DIR ${CMAKE_INSTALL_LIBDIR}/mirvolant)
  file(RELATIVE_PATH atk_from_bindir /root/${CMAKE_INSTALL_BINDIR} /root/${MV_ATK_MODULE_DIR})
  target_compile_definitions(mv_sdl PRIVATE MV_ATK_MODULE_FROM_BINDIR="${atk_from_bindir}")
  add_library(mv_atk MODULE toolkit/platform/sdl/atk/AtkModule.cpp)
  # It exports its entry alone.
  set(atk_exports ${CMAKE_SOURCE_DIR}/toolkit/platform/sdl/atk/exports.map)
  # What it takes of the platform interface is linked into it.
  set_target_properties(mv_base mv_platform PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_link_libraries(mv_atk PRIVATE mv_platform PkgConfig::ATK_BRIDGE)
  set_target_properties(mv_atk PROPERTIES PREFIX "" OUTPUT_NAME mirvolant-atk
                        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR} CXX_VISIBILITY_PRESET hidden
                        VISIBILITY_INLINES_HIDDEN ON LINK_DEPENDS ${atk_exports})
  target_link_options(mv_atk PRIVATE -Wl,--version-script=${atk_exports})
  # Its own copy of the C++ runtime, as the program has, kept to itself.
  if(NOT MV_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_link_options(mv_atk PRIVATE -static-libstdc++ -static-libgcc -Wl,--exclude-libs,ALL)
  endif()
  # The windows' icon: the pixels of resources/icon-64.png, decoded by the
  # build, so that the program neither decodes PNG nor loads libpng.
  add_executable(icon_pixels ${CMAKE_SOURCE_DIR}/tools/icon_pixels.c)
  target_link_libraries(icon_pixels PRIVATE PNG::PNG)
  set(icon_png ${CMAKE_SOURCE_DIR}/resources/icon-64.png)
  set(icon_c ${CMAKE_BINARY_DIR}/generated/WindowIconPixels.c)
  add_custom_command(
    OUTPUT ${icon_c}
    COMMAND icon_pixels ${icon_png} ${icon_c} kMvWindowIcon
    DEPENDS icon_pixels ${icon_png}
    COMMENT "Decoding the window icon")
  target_sources(mv_sdl PRIVATE ${icon_c})
endif()

if(WIN32)
  mv_library(mv_win32 DIRS toolkit/platform/win32 DEPS mv_platform mv_paint)
  # The interface ids come from uuid; COM and oleacc are loaded when a client
  # first asks (toolkit/platform/win32/Accessible.cpp).
  target_link_libraries(mv_win32 PUBLIC user32 gdi32 uuid)
endif()
