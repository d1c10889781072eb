#pragma once
// UTF-8 and UTF-16, the wide text that Windows' calls take and give (titles,
// typed characters, the clipboard). Like the code page, it is converted only
// at those edges.

#include <string>
#include <string_view>

namespace tk {

// UTF-8 to UTF-16; characters outside the basic plane become surrogate
// pairs, a malformed sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);

// UTF-16 to UTF-8; a surrogate without its other half becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace tk
