#pragma once
// UTF-8 as file names and texts in pictures, tables and code need it: what a well-formed
// sequence is, and bytes that are not one made into U+FFFD.
#include <cstddef>
#include <string>
#include <string_view>

namespace zorkan {

// The length of the well-formed UTF-8 sequence starting at text[at] (1 to 4), or 0 when
// none starts there: a stray continuation byte, an overlong form, a surrogate, a code
// point beyond U+10FFFF, a sequence cut short.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at);

bool isUtf8(std::string_view text);

// The text with every ill-formed part replaced by U+FFFD, one for each maximal part that
// starts like a sequence but is no whole one (as Unicode recommends, and as Python's
// decode(errors="replace") does); well-formed text comes back unchanged.
std::string validUtf8(std::string_view text);

// Text columns of the command line's tables, whose widths count characters, not bytes (a
// Cyrillic letter takes two bytes): the text padded with spaces on the right or on the
// left to the width; a longer text comes back unchanged.
std::string paddedRight(std::string text, std::size_t width);
std::string paddedLeft(const std::string& text, std::size_t width);

} // namespace zorkan
