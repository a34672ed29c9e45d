#include "common/displaynumbers.h"

#include "common/errors.h"
#include "common/textnumbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace zorkan {

namespace {

// Plain notation stops below 1E-4: the decimal exponent of the leading digit must be
// at least -4, which is how 1.5E-5 comes out scientific while 0.0001 stays plain.
constexpr int lowestPlainExponent = -4;
constexpr int maxPrecision = 18;
constexpr int maxDigits = 18;
constexpr int exactDigits = 767;

// A magnitude as decimal digits: value = 0.d1d2...dn x 10^pointPos, so pointPos is the
// number of digits before the separator (zero or negative below 1). No digits means 0.
struct Decimal {
    std::string digits;
    int pointPos = 0;
    int exponent() const { return pointPos - 1; } // of the leading digit
};

// Significant digits of a first, correctly rounded expansion. Far more than any form
// keeps (18 at most), so rounding it again gives the same digits as rounding the exact
// value, except where it ends in an exact half: only then is the exact expansion needed.
constexpr int workingDigits = 40;

// The decimal expansion of the double to `significant` digits, correctly rounded; with
// exactDigits (a finite expansion always exists, at most 767 digits) it is the value
// itself, so rounding below sees that 0.015 is stored just below 0.015 and rounds down,
// while an exact half such as 0.125 rounds away from zero.
Decimal decimalOf(double magnitude, int significant = workingDigits) {
    Decimal d;
    if (magnitude == 0)
        return d;
    char text[800];
    auto res = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific,
                             significant - 1);
    // "d.ddd...e+XX"
    char* e = std::find(text, res.ptr, 'e');
    d.digits.assign(1, text[0]);
    if (e > text + 2)
        d.digits.append(text + 2, static_cast<std::size_t>(e - (text + 2)));
    int exp = 0;
    const char* expStart = e + 1;
    if (*expStart == '+')
        ++expStart;
    std::from_chars(expStart, res.ptr, exp);
    d.pointPos = exp + 1;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

// Keeps `keep` significant digits (none or fewer may be asked for), halves away from
// zero, and drops trailing zeros.
void roundTo(Decimal& d, int keep) {
    if (keep >= static_cast<int>(d.digits.size()))
        return;
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    bool up = d.digits[keep] >= '5';
    d.digits.resize(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9')
            d.digits[i--] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.pointPos;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
}

// roundTo on the working expansion of `magnitude`, going back to the exact expansion
// when the working digits end in a half that rounding may have made.
void roundValueTo(Decimal& d, int keep, double magnitude) {
    if (keep >= 0 && static_cast<int>(d.digits.size()) == keep + 1 && d.digits[keep] == '5')
        d = decimalOf(magnitude, exactDigits);
    roundTo(d, keep);
}

char digitAt(const Decimal& d, int i) {
    return i >= 0 && i < static_cast<int>(d.digits.size()) ? d.digits[i] : '0';
}

std::string scientific(bool negative, const Decimal& d, char separator) {
    std::string s = negative ? "-" : "";
    s += d.digits[0];
    if (d.digits.size() > 1) {
        s += separator;
        s.append(d.digits, 1);
    }
    s += 'E';
    s += std::to_string(d.exponent()); // "-" only when negative, no leading zeros
    return s;
}

// The digits before the separator, or "0".
std::string integerPart(const Decimal& d) {
    if (d.pointPos <= 0)
        return "0";
    std::string s;
    for (int i = 0; i < d.pointPos; ++i)
        s += digitAt(d, i);
    return s;
}

// NaN and infinities as the classic float-to-text routines show them.
bool formatNonFinite(double value, std::string& out) {
    if (std::isnan(value))
        out = "NAN";
    else if (std::isinf(value))
        out = value < 0 ? "-INF" : "INF";
    else
        return false;
    return true;
}

std::string_view trimBlanks(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::string formatFixed(double value, int precision, int digits, char separator) {
    std::string out;
    if (formatNonFinite(value, out))
        return out;
    precision = std::clamp(precision, 1, maxPrecision);
    digits = std::clamp(digits, 0, maxDigits);
    Decimal d = decimalOf(std::fabs(value));
    if (!d.digits.empty())
        roundValueTo(d, std::min(precision, d.pointPos + digits), std::fabs(value));
    bool negative = value < 0 && !d.digits.empty(); // no "-0.0000"
    if (!d.digits.empty() && d.pointPos > precision)
        return scientific(negative, d, separator);
    // Appended character by character: assigning a literal chosen by ?: and then
    // appending trips a false -Wrestrict in g++ 12 at -O3.
    out.clear();
    if (negative)
        out.push_back('-');
    out += integerPart(d);
    if (digits > 0) {
        out += separator;
        for (int i = 0; i < digits; ++i)
            out += digitAt(d, d.pointPos + i);
    }
    return out;
}

std::string formatGeneral(double value, char separator, int significant) {
    std::string out;
    if (formatNonFinite(value, out))
        return out;
    significant = std::clamp(significant, 1, maxPrecision);
    Decimal d = decimalOf(std::fabs(value));
    roundValueTo(d, significant, std::fabs(value));
    if (d.digits.empty())
        return "0";
    bool negative = value < 0;
    if (d.pointPos > significant || d.exponent() < lowestPlainExponent)
        return scientific(negative, d, separator);
    // Appended character by character: assigning a literal chosen by ?: and then
    // appending trips a false -Wrestrict in g++ 12 at -O3.
    out.clear();
    if (negative)
        out.push_back('-');
    out += integerPart(d);
    int size = static_cast<int>(d.digits.size());
    if (size > d.pointPos) {
        out += separator;
        for (int i = d.pointPos; i < size; ++i)
            out += digitAt(d, i);
    }
    return out;
}

double parseWindowReal(const std::string& text, char separator) {
    std::string normalised(trimBlanks(text));
    if (separator != '.')
        std::replace(normalised.begin(), normalised.end(), separator, '.');
    double value = 0;
    if (!parseDecimalReal(normalised, value))
        throwNotAFloat(text);
    return value;
}

std::int64_t parseWindowInteger(const std::string& text) {
    std::int64_t value = 0;
    if (!parseDecimalInteger(trimBlanks(text), value))
        throwNotAnInteger(text);
    return value;
}

} // namespace zorkan
