#pragma once
// Numbers as windows show and read them. The decimal separator is the user's
// (the Qt side passes its locale's); texts are read with it or with a point, since
// every default text is written with a point.
#include <cstdint>
#include <string>

namespace zorkan {

// Fixed notation: the value rounded to `precision` significant digits and shown with
// exactly `digits` decimals (precision 7, digits 4: 0.01 -> "0.0100", 1024 ->
// "1024.0000"). When more than `precision` digits would stand before the separator,
// the value is shown in the scientific style of formatGeneral with `precision`
// significant digits instead (precision 7: 123456789 -> "1.234568E8"), so that no
// digit is shown that the precision does not vouch for.
std::string formatFixed(double value, int precision, int digits, char separator);

// The general real form: `significant` digits (15 unless a readout asks for fewer),
// trailing zeros and a trailing separator dropped. Plain notation for 0 and for values
// from 1E-4 up with at most `significant` digits before the separator ("0.125", "-2",
// "1234.5"); otherwise a mantissa in the same style, "E", "-" only for a negative
// exponent, no leading zeros in the exponent ("1.5E-5", "1E20").
constexpr int generalDigits = 15;
std::string formatGeneral(double value, char separator, int significant = generalDigits);

// A field's text as a real: blanks around it are allowed, the separator may be the
// user's or a point. "'text' is not a valid floating point value" otherwise.
double parseWindowReal(const std::string& text, char separator);

// A field's text as a plain decimal integer within 32 bits, blanks around it allowed.
// "'text' is not a valid integer value" otherwise.
std::int64_t parseWindowInteger(const std::string& text);

} // namespace zorkan
