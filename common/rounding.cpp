#include "common/rounding.h"

#include "common/errors.h"

#include <cmath>

namespace zorkan {

namespace {
std::int64_t toInt64(long double whole) {
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr long double limit = 9223372036854775808.0L;
    if (std::isnan(whole) || whole >= limit || whole < -limit)
        throwInvalidOperation();
    return static_cast<std::int64_t>(whole);
}
} // namespace

std::int64_t roundHalfEven(long double x) {
    if (std::isnan(x) || std::isinf(x))
        throwInvalidOperation();
    long double f = std::floor(x);
    long double diff = x - f;
    if (diff > 0.5L || (diff == 0.5L && std::fmod(f, 2.0L) != 0))
        f += 1;
    return toInt64(f);
}

std::int64_t truncToZero(long double x) {
    if (std::isnan(x) || std::isinf(x))
        throwInvalidOperation();
    return toInt64(std::trunc(x));
}

std::int64_t ceilAway(long double x) {
    std::int64_t r = roundHalfEven(x);
    if (x >= 0)
        return static_cast<long double>(r) < x ? r + 1 : r;
    return static_cast<long double>(r) > x ? r - 1 : r;
}

std::int64_t truncToward(long double x) {
    if (std::isnan(x) || std::isinf(x))
        throwInvalidOperation();
    return toInt64(x >= 0 ? std::floor(x) : std::ceil(x));
}

long double roundHalfEvenWide(long double x) {
    constexpr long double limit = 4611686018427387904.0L; // 2^62
    if (std::isnan(x))
        throwInvalidOperation();
    return std::fabs(x) < limit ? static_cast<long double>(roundHalfEven(x)) : x;
}

} // namespace zorkan
