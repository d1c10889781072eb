#pragma once
// Converts UTF-8 to Windows-1251 with the C library's iconv, independently of
// the program's own table, so tests can check the program's bytes.

#include <iconv.h>

#include <string>

namespace mirvolant::testing {

inline std::string IconvToCp1251(const std::string& utf8) {
  iconv_t cd = iconv_open("CP1251", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return "<iconv unavailable>";
  std::string in = utf8;
  std::string out(in.size() * 2 + 4, '\0');
  char* inp = in.data();
  size_t inLeft = in.size();
  char* outp = out.data();
  size_t outLeft = out.size();
  size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return "<not convertible>";
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace mirvolant::testing
