#include "toolkit/text/Ansi.h"

namespace tk {

char32_t NextUtf8(std::string_view text, size_t& pos) {
  constexpr char32_t kReplacement = 0xFFFD;
  auto byteAt = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char b0 = byteAt(pos);
  int extra;
  char32_t cp;
  if (b0 < 0x80) {
    ++pos;
    return b0;
  } else if ((b0 & 0xE0) == 0xC0) {
    extra = 1;
    cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2;
    cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3;
    cp = b0 & 0x07;
  } else {
    ++pos;
    return kReplacement;
  }
  if (pos + extra >= text.size()) {
    ++pos;
    return kReplacement;
  }
  for (int k = 1; k <= extra; ++k) {
    unsigned char b = byteAt(pos + k);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return kReplacement;
  }
  pos += extra + 1;
  return cp;
}

AnsiString Utf8ToAnsi(std::string_view utf8) {
  AnsiString out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    int byte = UnicodeToAnsi(NextUtf8(utf8, pos));
    if (byte >= 0) out.push_back(static_cast<char>(byte));
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
    return;
  }
  if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
  } else {
    if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    }
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
  }
  out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
}

std::string AnsiToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size() * 2);
  for (char c : ansi) {
    int32_t cp = AnsiToUnicode(static_cast<uint8_t>(c));
    AppendUtf8(out, cp < 0 ? 0xFFFD : static_cast<char32_t>(cp));
  }
  return out;
}

AnsiString AsciiLower(std::string_view text) {
  AnsiString out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

AnsiString DecimalText(int32_t value) {
  // Work in 64 bits so that the most negative value has a magnitude.
  int64_t v = value;
  bool negative = v < 0;
  if (negative) v = -v;
  char digits[16];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  AnsiString out;
  if (negative) out.push_back('-');
  while (n > 0) out.push_back(digits[--n]);
  return out;
}

}  // namespace tk
