#include "common/floatfaults.h"

#include "common/errors.h"

#include <cmath>

namespace zorkan::fp {

real checked(real result) {
    if (std::isnan(result))
        throwInvalidOperation();
    if (std::isinf(result))
        throwOverflow();
    return result;
}

real div(real a, real b) {
    if (std::isnan(a) || std::isnan(b))
        throwInvalidOperation();
    if (b == 0) {
        if (a == 0 || std::isinf(a))
            throwInvalidOperation();
        throwDivisionByZero();
    }
    return checked(a / b);
}

real ln(real x) {
    if (std::isnan(x) || x < 0)
        throwInvalidOperation();
    if (x == 0)
        throwDivisionByZero();
    return checked(std::log(x));
}

real log10(real x) {
    static const real ln10 = std::log(10.0L);
    return ln(x) / ln10;
}

real sqrt(real x) {
    if (std::isnan(x) || x < 0)
        throwInvalidOperation();
    return std::sqrt(x);
}

real exp(real x) {
    if (std::isnan(x))
        throwInvalidOperation();
    return checked(std::exp(x));
}

real pow10(real x) {
    static const real ln10 = std::log(10.0L);
    return exp(checked(x * ln10));
}

real powerOf(real base, real exponent) {
    return exp(checked(exponent * ln(base)));
}

real atan(real x) {
    if (std::isnan(x))
        throwInvalidOperation();
    return std::atan(x);
}

double toDouble(real x) {
    checked(x);
    // Halfway between the largest double and 2^1024: from here on the store rounds to
    // infinity. (A decimal literal of the largest double lies below it in long double.)
    constexpr real firstOverflow = 0x1.fffffffffffff8p+1023L;
    if (std::fabs(x) >= firstOverflow)
        throwOverflow();
    return static_cast<double>(x);
}

} // namespace zorkan::fp
