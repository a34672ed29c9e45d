#pragma once
// The pieces of the JSON the commands print.
#include <string>

namespace zorkan {

// A JSON number with 17 significant digits, null where it is not finite; true or false.
std::string jsonNumber(double v);
std::string jsonBool(bool v);
// A JSON string: quoted, with quotes, backslashes and control characters escaped.
std::string jsonString(const std::string& text);

} // namespace zorkan
