#pragma once
// Text inside the program is a byte string in the Windows-1251 code page.
// Conversion to and from Unicode happens only at the edges: typed text, window
// titles and glyph lookup.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tk {

using AnsiString = std::string;

// Unicode code points of the bytes 0x80..0xFF; 0 marks the one unassigned byte.
inline constexpr std::array<char16_t, 128> kCp1251High = {
    0x402, 0x403,  0x201a, 0x453,  0x201e, 0x2026, 0x2020, 0x2021, 0x20ac, 0x2030, 0x409,  0x2039,
    0x40a, 0x40c,  0x40b,  0x40f,  0x452,  0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014,
    0,     0x2122, 0x459,  0x203a, 0x45a,  0x45c,  0x45b,  0x45f,  0xa0,   0x40e,  0x45e,  0x408,
    0xa4,  0x490,  0xa6,   0xa7,   0x401,  0xa9,   0x404,  0xab,   0xac,   0xad,   0xae,   0x407,
    0xb0,  0xb1,   0x406,  0x456,  0x491,  0xb5,   0xb6,   0xb7,   0x451,  0x2116, 0x454,  0xbb,
    0x458, 0x405,  0x455,  0x457,  0x410,  0x411,  0x412,  0x413,  0x414,  0x415,  0x416,  0x417,
    0x418, 0x419,  0x41a,  0x41b,  0x41c,  0x41d,  0x41e,  0x41f,  0x420,  0x421,  0x422,  0x423,
    0x424, 0x425,  0x426,  0x427,  0x428,  0x429,  0x42a,  0x42b,  0x42c,  0x42d,  0x42e,  0x42f,
    0x430, 0x431,  0x432,  0x433,  0x434,  0x435,  0x436,  0x437,  0x438,  0x439,  0x43a,  0x43b,
    0x43c, 0x43d,  0x43e,  0x43f,  0x440,  0x441,  0x442,  0x443,  0x444,  0x445,  0x446,  0x447,
    0x448, 0x449,  0x44a,  0x44b,  0x44c,  0x44d,  0x44e,  0x44f};

// The code point of one Windows-1251 byte, or -1 for the unassigned byte 0x98.
constexpr int32_t AnsiToUnicode(uint8_t byte) {
  if (byte < 0x80) return byte;
  char16_t cp = kCp1251High[byte - 0x80];
  return cp == 0 ? -1 : cp;
}

// The Windows-1251 byte of a code point, or -1 when the code page lacks it.
constexpr int UnicodeToAnsi(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  for (int i = 0; i < 128; ++i) {
    if (kCp1251High[i] != 0 && kCp1251High[i] == cp) return 0x80 + i;
  }
  return -1;
}

// Decodes one UTF-8 sequence at text[pos], advancing pos. Malformed input
// yields U+FFFD and advances by one byte, so callers always make progress.
char32_t NextUtf8(std::string_view text, size_t& pos);

// Appends the UTF-8 sequence of a code point (up to U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);

// Converts UTF-8 to Windows-1251; characters the code page cannot represent are
// dropped (never replaced by "?", which is a meaningful character in codes).
AnsiString Utf8ToAnsi(std::string_view utf8);

// Converts Windows-1251 bytes to UTF-8 (the unassigned byte becomes U+FFFD).
std::string AnsiToUtf8(std::string_view ansi);

// Adds 32 to each byte 'A'..'Z'; every other byte, Cyrillic capitals
// included, stays as it is.
AnsiString AsciiLower(std::string_view text);

// Decimal digits of a signed 32-bit value with a leading minus when negative.
AnsiString DecimalText(int32_t value);

namespace detail {

// A UTF-8 source literal converted to Windows-1251 during compilation.
template <size_t N>
struct AnsiLiteral {
  char data[N]{};
  size_t size = 0;

  consteval AnsiLiteral(const char (&utf8)[N]) {
    size_t i = 0;
    while (i + 1 < N) {
      auto b0 = static_cast<unsigned char>(utf8[i]);
      char32_t cp;
      if (b0 < 0x80) {
        cp = b0;
        i += 1;
      } else if ((b0 & 0xE0) == 0xC0) {
        cp = (char32_t(b0 & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F);
        i += 2;
      } else if ((b0 & 0xF0) == 0xE0) {
        cp = (char32_t(b0 & 0x0F) << 12) |
             (char32_t(static_cast<unsigned char>(utf8[i + 1]) & 0x3F) << 6) |
             (static_cast<unsigned char>(utf8[i + 2]) & 0x3F);
        i += 3;
      } else {
        throw "four-byte UTF-8 sequences are outside Windows-1251";
      }
      int byte = UnicodeToAnsi(cp);
      if (byte < 0) throw "character outside Windows-1251";
      data[size++] = static_cast<char>(byte);
    }
  }
};

}  // namespace detail

// "текст"_ansi is the Windows-1251 byte string of the UTF-8 source literal,
// converted at compile time.
template <detail::AnsiLiteral L>
constexpr std::string_view operator""_ansi() {
  return std::string_view(L.data, L.size);
}

}  // namespace tk
