#pragma once
// Rounding of reals to 64-bit integers. A value outside the 64-bit range (or NaN)
// is an invalid floating-point operation, as the platform's conversion reports it.
#include <cstdint>

namespace zorkan {

std::int64_t roundHalfEven(long double x); // nearest, halves to the even neighbour
std::int64_t truncToZero(long double x);   // toward zero
std::int64_t ceilAway(long double x);      // ceiling for x >= 0, floor for x < 0
std::int64_t truncToward(long double x);   // floor for x >= 0, ceiling for x < 0

// Half to even kept as a real: from 2^62 on a long double has no fraction left to
// round, so such values come back unchanged instead of overflowing 64 bits.
long double roundHalfEvenWide(long double x);

} // namespace zorkan
