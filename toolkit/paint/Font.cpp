// The dialog font read with FreeType. The face is the bitmap font of the
// classic dialogs (its strikes are 13, 16 and 20 pixels high); without it the
// program falls back to an outline face rendered in monochrome, and without
// any face file at all to a box font, so text never makes the program fail.

#include "toolkit/paint/Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_WINFONTS_H
#ifdef MV_FREETYPE_FACE_MODULES
#include FT_MODULE_H
#include FT_SYSTEM_H
#endif

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdlib>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#ifdef MV_HAVE_FONTCONFIG
#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#endif

#include "toolkit/base/Files.h"
#include "toolkit/paint/Canvas.h"
#include "toolkit/text/Ansi.h"

namespace tk {

namespace {

constexpr const char* kDialogFacePath = "/usr/share/wine/fonts/ms_sans_serif.ttf";
constexpr const char* kFallbackFacePath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Tabs advance by this many blanks.
constexpr int kTabBlanks = 8;

// One rendered glyph: an 8-bit coverage mask (0 or 1 per pixel) placed
// relative to the top-left corner of its character cell.
struct Glyph {
  int advance = 0;
  int left = 0;
  int top = 0;
  int width = 0;
  int rows = 0;
  std::vector<uint8_t> mask;
};

#ifdef MV_FREETYPE_FACE_MODULES
// Where the code's size counts (the page), the library gets only the modules
// the faces this code reads need: the TrueType driver with its hinting
// interpreter, Windows' raster fonts, the SFNT tables and glyph names, and
// both renderers, in the order FreeType's own default list has them. Nothing else references the
// other drivers, so the linker leaves them out. FreeType declares each with its own class type;
// only the addresses are taken here, as its module list does.
extern "C" {
extern const FT_Module_Class tt_driver_class;
extern const FT_Module_Class winfnt_driver_class;
extern const FT_Module_Class psnames_module_class;
extern const FT_Module_Class sfnt_module_class;
extern const FT_Module_Class ft_smooth_renderer_class;
extern const FT_Module_Class ft_raster1_renderer_class;
}

FT_Library NewLibrary() {
  static FT_MemoryRec_ memory = {
      nullptr, [](FT_Memory, long size) { return std::malloc(static_cast<size_t>(size)); },
      [](FT_Memory, void* block) { std::free(block); },
      [](FT_Memory, long, long size, void* block) {
        return std::realloc(block, static_cast<size_t>(size));
      }};
  FT_Library lib = nullptr;
  if (FT_New_Library(&memory, &lib) != 0) return nullptr;
  for (const FT_Module_Class* module :
       {&tt_driver_class, &winfnt_driver_class, &psnames_module_class, &sfnt_module_class,
        &ft_smooth_renderer_class, &ft_raster1_renderer_class}) {
    if (FT_Add_Module(lib, module) != 0) {
      FT_Done_Library(lib);
      return nullptr;
    }
  }
  FT_Set_Default_Properties(lib);
  return lib;
}
#else
FT_Library NewLibrary() {
  FT_Library lib = nullptr;
  if (FT_Init_FreeType(&lib) != 0) return nullptr;
  return lib;
}
#endif

FT_Library Library() {
  static FT_Library library = NewLibrary();
  return library;
}

// A face file's bytes; empty when it cannot be read. FreeType reads faces
// from memory, so that no system's file-name encoding gets in the way.
std::string ReadFaceFile(const std::string& path) {
  return ReadWholeFile(path).value_or(std::string());
}

// One face of a face file, closed when it goes out of scope. The bytes must
// outlive it.
class OpenFace {
 public:
  OpenFace(const std::string& bytes, int index) {
    FT_Library lib = Library();
    FT_Long size = static_cast<FT_Long>(bytes.size());
    if (!lib || bytes.empty() ||
        FT_New_Memory_Face(lib, reinterpret_cast<const FT_Byte*>(bytes.data()), size, index,
                           &face_) != 0) {
      face_ = nullptr;
    }
  }
  ~OpenFace() {
    if (face_) FT_Done_Face(face_);
  }
  OpenFace(const OpenFace&) = delete;
  OpenFace& operator=(const OpenFace&) = delete;
  FT_Face operator->() const { return face_; }
  FT_Face Get() const { return face_; }

 private:
  FT_Face face_ = nullptr;
};

// How a face's glyphs are found from Windows-1251 bytes: through Unicode, or
// by the byte itself in a Windows raster font made for code page 1251 (whose
// character map is that code page). Other faces have neither.
enum class Lookup { kNone, kUnicode, kAnsi };

Lookup ChooseLookup(FT_Face face) {
  if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0) return Lookup::kUnicode;
  FT_WinFNT_HeaderRec header;
  if (FT_Get_WinFNT_Header(face, &header) == 0 && header.charset == FT_WinFNT_ID_CP1251 &&
      face->num_charmaps > 0 && FT_Set_Charmap(face, face->charmaps[0]) == 0) {
    return Lookup::kAnsi;
  }
  return Lookup::kNone;
}

FT_UInt GlyphIndex(FT_Face face, Lookup lookup, uint8_t ansi) {
  if (lookup == Lookup::kAnsi) return FT_Get_Char_Index(face, ansi);
  int32_t cp = AnsiToUnicode(ansi);
  return cp < 0 ? 0 : FT_Get_Char_Index(face, static_cast<FT_ULong>(cp));
}

// A face file the program may prefer is used only if it can draw the
// dialogs' Russian texts: a Western edition of a Windows raster font cannot.
bool DrawsCyrillic(const std::string& path) {
  std::string bytes = ReadFaceFile(path);
  OpenFace face(bytes, 0);
  if (!face.Get()) return false;
  Lookup lookup = ChooseLookup(face.Get());
  // 0xC2 is the capital Cyrillic Ve.
  return lookup != Lookup::kNone && GlyphIndex(face.Get(), lookup, 0xC2) != 0;
}

std::vector<std::string>& PreferredFaceFiles() {
  static std::vector<std::string> files;
  return files;
}

#ifdef MV_HAVE_FONTCONFIG
// fontconfig, opened when first needed: most starts find the face at its
// known path, and loading the library with the program would cost each of
// them its relocations. Null when the library cannot be opened.
struct Fontconfig {
  decltype(&FcInit) Init = nullptr;
  decltype(&FcNameParse) NameParse = nullptr;
  decltype(&FcConfigSubstitute) ConfigSubstitute = nullptr;
  decltype(&FcDefaultSubstitute) DefaultSubstitute = nullptr;
  decltype(&FcFontMatch) FontMatch = nullptr;
  decltype(&FcPatternGetString) PatternGetString = nullptr;
  decltype(&FcStrCmpIgnoreCase) StrCmpIgnoreCase = nullptr;
  decltype(&FcPatternDestroy) PatternDestroy = nullptr;
};

template <class F>
bool Resolve(void* library, const char* name, F& out) {
  out = reinterpret_cast<F>(dlsym(library, name));
  return out != nullptr;
}

const Fontconfig* OpenFontconfig() {
  static const Fontconfig* opened = []() -> const Fontconfig* {
    void* library = dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    static Fontconfig fc;
    bool ok = Resolve(library, "FcInit", fc.Init) &&
              Resolve(library, "FcNameParse", fc.NameParse) &&
              Resolve(library, "FcConfigSubstitute", fc.ConfigSubstitute) &&
              Resolve(library, "FcDefaultSubstitute", fc.DefaultSubstitute) &&
              Resolve(library, "FcFontMatch", fc.FontMatch) &&
              Resolve(library, "FcPatternGetString", fc.PatternGetString) &&
              Resolve(library, "FcStrCmpIgnoreCase", fc.StrCmpIgnoreCase) &&
              Resolve(library, "FcPatternDestroy", fc.PatternDestroy);
    // The library stays loaded for the run: fontconfig keeps its own state.
    return ok ? &fc : nullptr;
  }();
  return opened;
}

// The file of the face fontconfig knows under this family name, if its family
// really is that name (fontconfig otherwise answers with its best substitute).
std::string FindFamily(const char* family) {
  std::string found;
  const Fontconfig* fc = OpenFontconfig();
  if (fc == nullptr || !fc->Init()) return found;
  FcPattern* pattern = fc->NameParse(reinterpret_cast<const FcChar8*>(family));
  if (!pattern) return found;
  fc->ConfigSubstitute(nullptr, pattern, FcMatchPattern);
  fc->DefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = fc->FontMatch(nullptr, pattern, &result);
  if (match) {
    FcChar8* file = nullptr;
    FcChar8* matchedFamily = nullptr;
    if (fc->PatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch &&
        fc->PatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
        fc->StrCmpIgnoreCase(matchedFamily, reinterpret_cast<const FcChar8*>(family)) == 0) {
      found = reinterpret_cast<const char*>(file);
    }
    fc->PatternDestroy(match);
  }
  fc->PatternDestroy(pattern);
  return found;
}
#endif

// The face file to use, best first: a file named in MV_FONT_FILE, the files
// the program prefers (if they draw Cyrillic), the dialog face at its known
// path, the faces fontconfig knows by name (asked only when needed, since
// starting fontconfig costs milliseconds), then the fallback face's known
// path. Empty when none exists.
std::string ChooseFaceFile() {
  if (const char* env = std::getenv("MV_FONT_FILE"); env && FileExists(env)) return env;
  for (const std::string& file : PreferredFaceFiles()) {
    if (DrawsCyrillic(file)) return file;
  }
  if (FileExists(kDialogFacePath)) return kDialogFacePath;
#ifdef MV_HAVE_FONTCONFIG
  for (const char* family : {"MS Sans Serif", "DejaVu Sans"}) {
    std::string file = FindFamily(family);
    if (FileExists(file)) return file;
  }
#endif
  if (FileExists(kFallbackFacePath)) return kFallbackFacePath;
  return std::string();
}

// A bitmap strike of a face file: the face it belongs to and its index.
struct Strike {
  int face = 0;
  int size = 0;
};

// Picks the strike of a bitmap face file for a font height as the classic
// GUI counts it: a negative height is the character height (cell without its
// internal leading), a positive one the whole cell height. The largest strike
// whose measure does not exceed the request wins, else the smallest strike,
// as the classic font mapper did with raster fonts; the character height of
// a strike is its ascent. A Windows .fon file holds one face per strike, so
// the strikes of all its faces take part.
Strike PickStrike(const std::string& bytes, int faceCount, int height) {
  bool cell = height > 0;
  int wanted = height < 0 ? -height : height;
  Strike best{-1, -1};
  int bestMeasure = 0;
  Strike smallest;
  int smallestPpem = -1;
  for (int f = 0; f < faceCount; ++f) {
    OpenFace face(bytes, f);
    if (!face.Get() || FT_IS_SCALABLE(face.Get())) continue;
    for (int i = 0; i < face->num_fixed_sizes; ++i) {
      if (FT_Select_Size(face.Get(), i) != 0) continue;
      const FT_Size_Metrics& m = face->size->metrics;
      int measure = static_cast<int>((cell ? m.height : m.ascender) >> 6);
      int ppem = static_cast<int>(face->available_sizes[i].y_ppem);
      if (smallestPpem < 0 || ppem < smallestPpem) {
        smallest = {f, i};
        smallestPpem = ppem;
      }
      if (measure <= wanted && (best.face < 0 || measure > bestMeasure)) {
        best = {f, i};
        bestMeasure = measure;
      }
    }
  }
  return best.face >= 0 ? best : smallest;
}

// Scales an outline face so that its em (or, for a cell height, ascent plus
// descent) matches the height. Returns false when the face cannot be sized.
bool ScaleFace(FT_Face face, int height) {
  bool cell = height > 0;
  int wanted = height < 0 ? -height : height;
  if (cell) {
    int span = face->ascender - face->descender;
    if (span > 0) wanted = std::max(1, wanted * face->units_per_EM / span);
  }
  return FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(wanted)) == 0;
}

// Copies the rendered glyph slot into a coverage mask. Monochrome bitmaps
// hold one bit per pixel, most significant first; anything else (a gray
// bitmap) is thresholded at half coverage.
Glyph TakeGlyph(FT_GlyphSlot slot, int ascent) {
  Glyph g;
  g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
  const FT_Bitmap& bm = slot->bitmap;
  g.width = static_cast<int>(bm.width);
  g.rows = static_cast<int>(bm.rows);
  g.left = slot->bitmap_left;
  g.top = ascent - slot->bitmap_top;
  g.mask.assign(static_cast<size_t>(g.width) * g.rows, 0);
  for (int row = 0; row < g.rows; ++row) {
    const unsigned char* src = bm.buffer + static_cast<ptrdiff_t>(row) * bm.pitch;
    for (int col = 0; col < g.width; ++col) {
      bool on = false;
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
        on = (src[col >> 3] & (0x80 >> (col & 7))) != 0;
      } else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
        on = src[col] >= 128;
      }
      g.mask[static_cast<size_t>(row) * g.width + col] = on ? 1 : 0;
    }
  }
  // Glyph with nothing to draw (the blank's single empty pixel).
  bool any = false;
  for (uint8_t m : g.mask) any = any || m != 0;
  if (!any) {
    g.width = g.rows = 0;
    g.mask.clear();
  }
  return g;
}

// A font whose glyphs all come from one FreeType face at one size. Each glyph
// is rendered the first time it is measured or drawn: a run needs only the
// few dozen its texts use, and rendering all 256 at once was a noticeable
// part of the start-up. Fonts are used from the GUI thread only.
class FreeTypeFont final : public Font {
 public:
  // Glyphs rendered from face, which reads from bytes; both stay with the
  // font. The face is already sized.
  FreeTypeFont(int height, std::string bytes, std::unique_ptr<OpenFace> face, int ascent,
               int lineHeight)
      : Font(height),
        bytes_(std::move(bytes)),
        face_(std::move(face)),
        lookup_(ChooseLookup(face_->Get())),
        ascent_(ascent),
        lineHeight_(lineHeight) {
    // Line breaks take no room and draw nothing; a tab is a run of blanks.
    loaded_.set('\r');
    loaded_.set('\n');
    loaded_.set('\t');
    glyphs_['\t'].advance = GlyphOf(' ').advance * kTabBlanks;
  }
  // A font whose glyphs are all given.
  FreeTypeFont(int height, std::array<Glyph, 256> glyphs, int lineHeight)
      : Font(height), lineHeight_(lineHeight), glyphs_(std::move(glyphs)) {
    loaded_.set();
  }

  int TextHeight() const override { return lineHeight_; }
  int DigitHeight() const override { return lineHeight_; }
  int CharWidth(uint8_t ansi) const override { return GlyphOf(ansi).advance; }

  void Draw(Canvas& canvas, int x, int y, std::string_view ansi, TColor c) const override {
    // Resolved once for the whole line rather than glyph by glyph.
    c = ColorToRGB(c);
    int penX = x;
    for (char ch : ansi) {
      const Glyph& g = GlyphOf(static_cast<uint8_t>(ch));
      if (g.width > 0 && g.rows > 0) {
        canvas.DrawMask(penX + g.left, y + g.top, g.width, g.rows, g.mask.data(), g.width, c);
      }
      penX += g.advance;
    }
  }

 private:
  const Glyph& GlyphOf(uint8_t b) const {
    if (!loaded_[b]) {
      loaded_.set(b);
      FT_Face face = face_->Get();
      FT_UInt index = GlyphIndex(face, lookup_, b);
      if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) == 0) {
        glyphs_[b] = TakeGlyph(face->glyph, ascent_);
      }
    }
    return glyphs_[b];
  }

  std::string bytes_;
  std::unique_ptr<OpenFace> face_;
  Lookup lookup_ = Lookup::kNone;
  int ascent_ = 0;
  int lineHeight_;
  mutable std::array<Glyph, 256> glyphs_;
  mutable std::bitset<256> loaded_;
};

std::unique_ptr<Font> LoadFace(const std::string& path, int height) {
  std::string bytes = ReadFaceFile(path);
  // Height 0 asks for the default: the dialog font's 8 points.
  int size = height == 0 ? -11 : height;
  Strike strike{0, -1};
  {
    OpenFace first(bytes, 0);
    if (!first.Get()) return nullptr;
    if (first->num_fixed_sizes > 0 && !FT_IS_SCALABLE(first.Get())) {
      strike = PickStrike(bytes, static_cast<int>(first->num_faces), size);
    }
  }
  auto face = std::make_unique<OpenFace>(bytes, strike.face);
  if (!face->Get()) return nullptr;
  bool bitmap = strike.size >= 0;
  if (!(bitmap ? FT_Select_Size(face->Get(), strike.size) == 0 : ScaleFace(face->Get(), size))) {
    return nullptr;
  }
  const FT_Size_Metrics& m = (*face)->size->metrics;
  int ascent = static_cast<int>((m.ascender + 63) >> 6);
  int descent = static_cast<int>((-m.descender + 63) >> 6);
  int lineHeight = ascent + descent;
  if (bitmap) {
    // A strike's own line height is the cell height the layouts assume.
    lineHeight = static_cast<int>(m.height >> 6);
  }
  // Moving the bytes keeps their storage, which the face reads from.
  return std::make_unique<FreeTypeFont>(height, std::move(bytes), std::move(face), ascent,
                                        lineHeight);
}

// The last resort when no face file can be read: every printable character
// is a hollow box of a fixed cell, so layout and painting still work.
std::unique_ptr<Font> BoxFont(int height) {
  int charHeight = height < 0 ? -height : (height == 0 ? 11 : height);
  int lineHeight = (charHeight * 13 + 5) / 11;
  int ascent = charHeight;
  std::array<Glyph, 256> glyphs;
  int boxWidth = std::max(2, charHeight * 5 / 11);
  int boxHeight = std::max(2, charHeight * 8 / 11);
  for (int b = 0x21; b < 256; ++b) {
    Glyph& g = glyphs[b];
    g.advance = boxWidth + 1;
    g.width = boxWidth;
    g.rows = boxHeight;
    g.left = 0;
    g.top = ascent - boxHeight;
    g.mask.assign(static_cast<size_t>(boxWidth) * boxHeight, 0);
    for (int r = 0; r < boxHeight; ++r) {
      for (int c = 0; c < boxWidth; ++c) {
        bool edge = r == 0 || c == 0 || r == boxHeight - 1 || c == boxWidth - 1;
        g.mask[static_cast<size_t>(r) * boxWidth + c] = edge ? 1 : 0;
      }
    }
  }
  glyphs[' '].advance = std::max(2, charHeight * 3 / 11);
  glyphs['\t'].advance = glyphs[' '].advance * kTabBlanks;
  return std::make_unique<FreeTypeFont>(height, std::move(glyphs), lineHeight);
}

}  // namespace

int Font::TextWidth(std::string_view ansi) const {
  int width = 0;
  for (char ch : ansi) width += CharWidth(static_cast<uint8_t>(ch));
  return width;
}

std::unique_ptr<Font> Font::FromFile(const std::string& path, int height) {
  return LoadFace(path, height);
}

namespace {
std::mutex& FontMutex() {
  static std::mutex mutex;
  return mutex;
}
// The face file of the cache, chosen when the first font is made.
std::string& ChosenFaceFile() {
  static std::string file = ChooseFaceFile();
  return file;
}
}  // namespace

void Font::SetPreferredFaceFiles(std::vector<std::string> paths) {
  std::lock_guard<std::mutex> lock(FontMutex());
  PreferredFaceFiles() = std::move(paths);
}

std::string Font::FaceFile() {
  std::lock_guard<std::mutex> lock(FontMutex());
  return ChosenFaceFile();
}

const Font& Font::Get(int height) {
  static std::map<int, std::unique_ptr<Font>> cache;
  std::lock_guard<std::mutex> lock(FontMutex());
  const std::string& facePath = ChosenFaceFile();
  auto it = cache.find(height);
  if (it != cache.end()) return *it->second;
  std::unique_ptr<Font> font = LoadFace(facePath, height);
  if (!font) font = LoadFace(kFallbackFacePath, height);
  if (!font) font = BoxFont(height);
  return *cache.emplace(height, std::move(font)).first->second;
}

}  // namespace tk
