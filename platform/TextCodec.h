#pragma once

#include <string>

namespace platform {

// Text conversions between the code page of legacy Chinese texts (GB18030, a superset of GBK),
// UTF-8 and UTF-16 in host byte order. Bytes or units that do not form a character of the source
// encoding become U+FFFD each; a conversion never fails.
std::string gbToUtf8(const std::string& text);
std::u16string utf8ToUtf16(const std::string& text);
std::string utf16ToUtf8(const std::u16string& text);

}  // namespace platform
