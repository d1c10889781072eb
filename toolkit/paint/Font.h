#pragma once
// The dialog font: a monochrome bitmap strike read with FreeType, looked up
// by Windows-1251 bytes, with a glyph cache.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/base/Geometry.h"

namespace tk {

class Canvas;

class Font {
 public:
  // The dialog face at the given height as the classic GUI counts it: a
  // negative height is the character height in pixels (-11 is 8 points at 96
  // pixels per inch). Fonts are cached and live until the process ends.
  static const Font& Get(int height);
  // A font read from one face file, outside the cache; null when the file
  // cannot be read. Lets tests and tools use a particular face.
  static std::unique_ptr<Font> FromFile(const std::string& path, int height);
  // Face files (UTF-8 paths) tried before the built-in search, best first;
  // one is taken only if it draws Cyrillic. The program names them at
  // start-up (the face shipped beside it, the system's own), before the
  // first font is made: the face is chosen once.
  static void SetPreferredFaceFiles(std::vector<std::string> paths);
  // The face file the dialog fonts come from (empty for the box font).
  static std::string FaceFile();

  virtual ~Font() = default;
  int Height() const { return height_; }
  // Height of one line of text (13 for the dialog font at -11).
  virtual int TextHeight() const = 0;
  // Height of the character cell of "0" (what the layout rescaling compares).
  virtual int DigitHeight() const = 0;
  virtual int CharWidth(uint8_t ansi) const = 0;
  int TextWidth(std::string_view ansi) const;
  // Draws one line with its top-left cell corner at (x, y).
  virtual void Draw(Canvas& canvas, int x, int y, std::string_view ansi, TColor c) const = 0;

 protected:
  explicit Font(int height) : height_(height) {}

 private:
  int height_;
};

}  // namespace tk
