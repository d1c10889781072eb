#pragma once
// Converts UTF-8 to Windows-1251 with the system's own converter (the C
// library's iconv, or Windows' code-page tables), independently of the
// program's own table, so tests can check the program's bytes.

#include <string>

namespace mirvolant::testing {

// The Windows-1251 bytes of the text, or "<not convertible>" when a
// character has none.
std::string IconvToCp1251(const std::string& utf8);

}  // namespace mirvolant::testing
