#pragma once
// The pieces of text every export format writes: number literals, identifiers, names made
// safe for comments and comment blocks.
#include "coefficients/filterfile.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorkan {

// Seventeen significant digits, enough to give back the same double in any reader; no "-0".
std::string exactNumber(double v);
// A C float literal of nine significant digits with its "f"; no "-0".
std::string singleLiteral(float v);
// A C integer literal; the most negative 32-bit value, which has no literal of its own,
// as an expression.
std::string integerLiteral(std::int64_t v);

// Printable ASCII only: any other character, and any of `refused`, becomes '?'.
std::string printableAscii(const std::string& text, std::string_view refused = "");
// `#include "NAME"` and a line end, naming the header exactly as it is on disk (UTF-8
// names such as "фвч код.h" included); a name an include cannot carry - not UTF-8, or
// holding a control character, a quote or a backslash - is refused (UserMessage) before anything
// is written.
std::string includeDirective(const std::string& headerName);
// Letters, digits and '_', not starting with a digit, at most 64 characters.
bool plainIdentifier(const std::string& name);
// Refuses (UserMessage) a prefix of C code that is no plain identifier.
void checkCIdentifier(const std::string& prefix);
std::string upperName(std::string s);

// "low-pass", "high-pass", "band-pass", or `other` for any other kind.
const char* kindName(FilterKind kind, const char* other);
// Each line after `mark` and a blank, each ending in LF.
std::string commented(const std::vector<std::string>& lines, const std::string& mark);
// The file name of a path, without its folders.
std::string baseName(const std::string& path);
// True when `path` is longer than `tail` and ends in it.
bool endsWith(const std::string& path, const std::string& tail);

} // namespace zorkan
