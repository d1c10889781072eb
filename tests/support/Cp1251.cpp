#include "Cp1251.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace mirvolant::testing {

#ifdef _WIN32
std::string IconvToCp1251(const std::string& utf8) {
  if (utf8.empty()) return utf8;
  int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                       static_cast<int>(utf8.size()), nullptr, 0);
  if (wideLength <= 0) return "<not convertible>";
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                      wide.data(), wideLength);
  BOOL lossy = FALSE;
  int length = WideCharToMultiByte(1251, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, nullptr, 0,
                                   nullptr, &lossy);
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(1251, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, out.data(), length,
                      nullptr, &lossy);
  return lossy ? "<not convertible>" : out;
}
#else
std::string IconvToCp1251(const std::string& utf8) {
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
#endif

}  // namespace mirvolant::testing
