#include "common/errors.h"
#include "common/floatfaults.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <limits>

namespace zorkan {
namespace {

const char* const invalid = "Invalid floating point operation";
const char* const byZero = "Floating point division by zero";
const char* const overflow = "Floating point overflow";

TEST(FloatFaults, EachStepRaisesItsMessage) {
    using fp::real;
    const real nan = std::numeric_limits<real>::quiet_NaN();
    struct Case {
        const char* name;
        std::function<void()> step;
        const char* message;
    };
    const Case cases[] = {
        {"1/0", [] { fp::div(1, 0); }, byZero},
        {"-1/0", [] { fp::div(-1, 0); }, byZero},
        {"0/0", [] { fp::div(0, 0); }, invalid},
        {"NaN/1", [&] { fp::div(nan, 1); }, invalid},
        {"huge/tiny", [] { fp::div(1e4000L, 1e-4000L); }, overflow},
        {"ln 0", [] { fp::ln(0); }, byZero},
        {"ln -1", [] { fp::ln(-1); }, invalid},
        {"log10 -1", [] { fp::log10(-1); }, invalid},
        {"sqrt -1", [] { fp::sqrt(-1); }, invalid},
        {"sqrt NaN", [&] { fp::sqrt(nan); }, invalid},
        {"exp 100000", [] { fp::exp(100000); }, overflow},
        {"pow10 5000", [] { fp::pow10(5000); }, overflow},
        {"(-2)^0.5", [] { fp::powerOf(-2, 0.5); }, invalid},
        {"checked inf", [] { fp::checked(std::numeric_limits<real>::infinity()); }, overflow},
        {"toDouble 1e400", [] { fp::toDouble(1e400L); }, overflow},
        {"toDouble -1e400", [] { fp::toDouble(-1e400L); }, overflow},
        {"toDouble NaN", [&] { fp::toDouble(nan); }, invalid},
        {"toDouble rounding up to 2^1024", [] { fp::toDouble(0x1.fffffffffffff8p+1023L); },
         overflow},
    };
    for (const Case& c : cases) {
        try {
            c.step();
            ADD_FAILURE() << c.name << ": no fault";
        } catch (const FloatError& e) {
            EXPECT_STREQ(e.what(), c.message) << c.name;
        }
    }
}

TEST(FloatFaults, ValidStepsPassThrough) {
    EXPECT_EQ(fp::div(1, 4), 0.25L);
    EXPECT_EQ(fp::ln(1), 0.0L);
    EXPECT_EQ(fp::sqrt(0), 0.0L);
    EXPECT_EQ(fp::exp(-100000), 0.0L); // underflow is no fault
    EXPECT_NEAR(static_cast<double>(fp::log10(1000)), 3.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(fp::powerOf(2, 10)), 1024.0, 1e-12);
    EXPECT_EQ(fp::toDouble(1e-400L), 0.0);
    EXPECT_EQ(fp::toDouble(static_cast<fp::real>(DBL_MAX)), DBL_MAX);
    EXPECT_EQ(fp::toDouble(0x1.fffffffffffff7p+1023L), DBL_MAX); // rounds down when stored
    // Extended precision holds what a double cannot, until it is stored.
    fp::real big = fp::div(1e300L, 1e-300L);
    EXPECT_DOUBLE_EQ(fp::toDouble(fp::div(big, 1e300L)), 1e300);
}

} // namespace
} // namespace zorkan
