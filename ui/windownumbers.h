#pragma once
// Numbers in window fields: read and shown with the user's decimal separator; a point
// is accepted too, since every default text is written with one.
#include "common/displaynumbers.h"

#include <QString>

#include <cstdint>

namespace zorkan::ui {

// The decimal separator of the current locale, as a single byte ('.' when the locale's
// separator is not one).
char decimalSeparator();

// The conversion errors "'text' is not a valid floating point value" and
// "'text' is not a valid integer value" when the text is not a number.
double readReal(const QString& text);
std::int64_t readInteger(const QString& text);

// Fixed notation with `precision` significant digits and `digits` decimals.
QString showFixed(double value, int precision, int digits);
// The general real form, with fewer significant digits for a readout that asks for them.
QString showGeneral(double value, int significant = generalDigits);

} // namespace zorkan::ui
