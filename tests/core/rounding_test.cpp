#include "common/errors.h"
#include "common/rounding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace zorkan {
namespace {

using Rounder = std::int64_t (*)(long double);

TEST(Rounding, Table) {
    struct Case {
        long double x;
        std::int64_t halfEven, toZero, away, toward;
    };
    const Case cases[] = {
        // x       halfEven toZero away toward
        {0.5L, 0, 0, 1, 0},
        {1.5L, 2, 1, 2, 1},
        {2.5L, 2, 2, 3, 2},
        {3.5L, 4, 3, 4, 3},
        {-0.5L, 0, 0, -1, 0},
        {-2.5L, -2, -2, -3, -2},
        {-3.5L, -4, -3, -4, -3},
        {2.4999999L, 2, 2, 3, 2},
        {5.0L, 5, 5, 5, 5},
        {5.0001L, 5, 5, 6, 5},
        {-1.2L, -1, -1, -2, -1},
        {-3.0L, -3, -3, -3, -3},
        {0.0L, 0, 0, 0, 0},
        {1e-9L, 0, 0, 1, 0},
        {4503599627370497.5L, 4503599627370498, 4503599627370497, 4503599627370498,
         4503599627370497}, // beyond double precision, kept by long double
    };
    for (const Case& c : cases) {
        EXPECT_EQ(roundHalfEven(c.x), c.halfEven) << static_cast<double>(c.x);
        EXPECT_EQ(truncToZero(c.x), c.toZero) << static_cast<double>(c.x);
        EXPECT_EQ(ceilAway(c.x), c.away) << static_cast<double>(c.x);
        EXPECT_EQ(truncToward(c.x), c.toward) << static_cast<double>(c.x);
    }
}

TEST(Rounding, Int64Limits) {
    constexpr long double top = 9223372036854775807.0L; // 2^63 - 1, exact in long double
    constexpr long double bottom = -9223372036854775808.0L;
    EXPECT_EQ(roundHalfEven(top), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(truncToZero(bottom), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(ceilAway(bottom), std::numeric_limits<std::int64_t>::min());
}

TEST(Rounding, OutOfRangeIsInvalidOperation) {
    const Rounder rounders[] = {roundHalfEven, truncToZero, ceilAway, truncToward};
    const long double bad[] = {9223372036854775808.0L,
                               -9223372036854775809.0L,
                               1e19L,
                               -1e300L,
                               std::numeric_limits<long double>::quiet_NaN(),
                               std::numeric_limits<long double>::infinity(),
                               -std::numeric_limits<long double>::infinity()};
    for (Rounder r : rounders) {
        for (long double x : bad) {
            try {
                r(x);
                ADD_FAILURE() << "no fault for " << static_cast<double>(x);
            } catch (const FloatError& e) {
                EXPECT_STREQ(e.what(), "Invalid floating point operation");
            }
        }
    }
}

} // namespace
} // namespace zorkan
