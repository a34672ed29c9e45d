#pragma once
// Windows code page 1251, the single-byte encoding of every Russian text in files.
#include <string>
#include <string_view>

namespace zorkan {

// UTF-8 to CP1251; a character the code page lacks becomes '?'.
std::string toCp1251(std::string_view utf8);
// CP1251 to UTF-8; the one unassigned byte 0x98 becomes U+FFFD.
std::string fromCp1251(std::string_view bytes);

} // namespace zorkan
