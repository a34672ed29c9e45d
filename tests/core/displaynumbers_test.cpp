#include "common/displaynumbers.h"
#include "common/errors.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

namespace zorkan {
namespace {

TEST(DisplayNumbers, FixedForm) {
    struct Case {
        double value;
        int precision, digits;
        char sep;
        const char* text;
    };
    const Case cases[] = {
        {0.01, 7, 4, '.', "0.0100"},
        {34.13333, 7, 4, '.', "34.1333"},
        {1024, 7, 4, '.', "1024.0000"},
        {1024, 7, 4, ',', "1024,0000"},
        {-0.5, 7, 4, '.', "-0.5000"},
        {0, 7, 4, '.', "0.0000"},
        {-0.00001, 7, 4, '.', "0.0000"}, // no "-0.0000"
        {0.00005, 7, 4, '.', "0.0001"},  // halves away from zero
        {-0.00005, 7, 4, '.', "-0.0001"},
        {0.000049999, 7, 4, '.', "0.0000"},
        {0.015, 7, 2, '.', "0.01"},     // the double lies just below 0.015
        {0.125, 7, 2, '.', "0.13"},     // an exact half
        {2.5, 7, 0, '.', "3"},          // no separator without decimals
        {3.14159, 3, 4, '.', "3.1400"}, // the precision limits the digits shown
        {99.99999, 7, 4, '.', "100.0000"},
        {1234567.891, 7, 4, '.', "1234568.0000"},
        {9999999.6, 7, 4, '.', "1E7"}, // the rounding adds an eighth integer digit
        {123456789, 7, 4, '.', "1.234568E8"},
        {-123456789, 7, 4, ',', "-1,234568E8"},
        {1e300, 7, 4, '.', "1E300"},
        {1e-20, 7, 4, '.', "0.0000"},
        {std::nan(""), 7, 4, '.', "NAN"},
        {-std::numeric_limits<double>::infinity(), 7, 4, '.', "-INF"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatFixed(c.value, c.precision, c.digits, c.sep), c.text)
            << c.value << " p" << c.precision << " d" << c.digits;
}

TEST(DisplayNumbers, GeneralForm) {
    struct Case {
        double value;
        char sep;
        const char* text;
    };
    const Case cases[] = {
        {0.125, '.', "0.125"},
        {-2, '.', "-2"},
        {1234.5, '.', "1234.5"},
        {1234.5, ',', "1234,5"},
        {0, '.', "0"},
        {-0.0, '.', "0"},
        {1.5e-5, '.', "1.5E-5"},
        {1.25e-7, ',', "1,25E-7"},
        {1e20, '.', "1E20"},
        {0.0001, '.', "0.0001"},
        {0.00001, '.', "1E-5"},
        {-0.00012345, '.', "-0.00012345"},
        {12345678901234.25, '.', "12345678901234.3"}, // an exact half rounds away from zero
        {1.0 / 3, '.', "0.333333333333333"},
        {2.0 / 3, '.', "0.666666666666667"},
        {0.1 + 0.2, '.', "0.3"},
        {999999999999999, '.', "999999999999999"},
        {1e15, '.', "1E15"},
        {999999999999999.9, '.', "1E15"}, // the rounding makes a 16th integer digit
        {123456789012345678.0, '.', "1.23456789012346E17"},
        {-1.5e-300, '.', "-1.5E-300"},
        {DBL_MAX, '.', "1.79769313486232E308"},
        {5e-324, '.', "4.94065645841247E-324"},
        {std::nan(""), '.', "NAN"},
        {std::numeric_limits<double>::infinity(), '.', "INF"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatGeneral(c.value, c.sep), c.text) << c.value;
}

// printf rounds exact halves to even, the general form away from zero; they may
// differ only where the value is exactly halfway between two 15-digit neighbours.
bool exactHalfAt15Digits(double v) {
    char exact[128];
    std::snprintf(exact, sizeof exact, "%.60e", std::fabs(v)); // exact for the values drawn here
    std::string tail(exact + 16, std::strchr(exact, 'e'));
    return tail[0] == '5' && tail.find_first_not_of('0', 1) == std::string::npos;
}

// The readouts' shorter general form: the digits of printf's "%.6g" and "%.8g" (the
// oracle), written in the general form's style ("E", no "+", no leading exponent zeros)
// with the user's separator.
TEST(DisplayNumbers, GeneralFormWithFewerDigits) {
    const struct {
        double value;
        int significant;
        char sep;
        const char* text;
    } cases[] = {
        {3.14159265, 6, '.', "3.14159"},               // %.6g 3.14159
        {3.14159265, 8, ',', "3,1415927"},             // %.8g 3.1415927
        {0.000123456789, 6, '.', "0.000123457"},       // %.6g 0.000123457
        {1234567.8, 6, '.', "1.23457E6"},              // %.6g 1.23457e+06
        {1234567.8, 8, '.', "1234567.8"},              // %.8g 1234567.8
        {999999.7, 6, ',', "1E6"},                     // %.6g 1e+06: rounding carries into a digit
        {123456, 6, '.', "123456"},                    // %.6g 123456
        {-2.5e-5, 6, ',', "-2,5E-5"},                  // %.6g -2.5e-05
        {-0.000012345678912, 8, '.', "-1.2345679E-5"}, // %.8g -1.2345679e-05
        {2.0 / 3, 6, ',', "0,666667"},                 // %.6g 0.666667
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatGeneral(c.value, c.sep, c.significant), c.text)
            << c.value << " with " << c.significant << " digits";
}

TEST(DisplayNumbers, GeneralFormReadsBackRoundedTo15Digits) {
    std::mt19937_64 gen(2024);
    std::uniform_real_distribution<double> mantissa(1, 10);
    std::uniform_int_distribution<int> exponent(-30, 30);
    int halves = 0;
    for (int i = 0; i < 5000; ++i) {
        double v = (i % 2 ? -1 : 1) * mantissa(gen) * std::pow(10.0, exponent(gen));
        char rounded[64];
        std::snprintf(rounded, sizeof rounded, "%.14e", v);
        double nearest = std::strtod(rounded, nullptr);
        std::string text = formatGeneral(v, ',');
        double back = parseWindowReal(text, ',');
        if (back != nearest && exactHalfAt15Digits(v)) {
            ++halves;
            EXPECT_GT(std::fabs(back), std::fabs(nearest)) << text;
            continue;
        }
        EXPECT_EQ(back, nearest) << text;
    }
    EXPECT_GT(halves, 0) << "no exact half drawn: the draw no longer covers them";
}

// Values at and around halves of the 15th digit, against rounding of the exact
// expansion (glibc prints it whole): a shortcut through fewer digits rounds twice.
TEST(DisplayNumbers, GeneralFormRoundsTheExactValueNearHalves) {
    auto expected = [](double v) {
        char exact[1000];
        std::snprintf(exact, sizeof exact, "%.766e", std::fabs(v));
        const char* e = std::strchr(exact, 'e');
        int exponent = std::atoi(e + 1);
        const std::string digits =
            exact[0] + std::string(exact + 2, static_cast<std::size_t>(e - exact - 2));
        std::string kept = digits.substr(0, 15);
        if (digits[15] >= '5') { // halves away from zero, carried through the nines
            int i = 14;
            while (i >= 0 && kept[i] == '9')
                kept[i--] = '0';
            if (i >= 0) {
                ++kept[i];
            } else {
                kept.insert(kept.begin(), '1');
                ++exponent;
            }
        }
        const std::string text =
            kept.substr(0, 1) + "." + kept.substr(1) + "e" + std::to_string(exponent);
        const double rounded = std::strtod(text.c_str(), nullptr);
        return formatGeneral(v < 0 ? -rounded : rounded, '.');
    };
    std::mt19937_64 gen(7);
    std::uniform_int_distribution<long long> head(100000000000000LL, 999999999999999LL);
    std::uniform_int_distribution<int> exponent(-20, 20);
    int checked = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string text = std::to_string(head(gen)) + "5e" + std::to_string(exponent(gen));
        const double near = std::strtod(text.c_str(), nullptr);
        for (double v : {near, std::nextafter(near, 0.0), std::nextafter(near, 1e300), -near}) {
            ASSERT_EQ(formatGeneral(v, '.'), expected(v)) << text;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 12000);
}

TEST(DisplayNumbers, WindowReals) {
    struct Case {
        const char* text;
        char sep;
        double value;
    };
    const Case cases[] = {
        {"1,5", ',', 1.5},         {"1.5", ',', 1.5}, // defaults are written with a point
        {"  -2.5e3 ", '.', -2500}, {"\t7\t", ',', 7}, {"1E-5", ',', 1e-5},
        {",5", ',', 0.5},          {"+3,", ',', 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseWindowReal(c.text, c.sep), c.value) << c.text;
}

TEST(DisplayNumbers, WindowRealFailuresQuoteTheField) {
    struct Case {
        const char* text;
        char sep;
    };
    const Case cases[] = {
        {"1,5", '.'}, {"", ','},      {"   ", ','}, {"1.2.3", '.'}, {"1,000.5", ','},
        {"abc", ','}, {"1e", ','},    {"inf", '.'}, {"nan", '.'},   {"0x10", '.'},
        {"1 5", '.'}, {"1e400", '.'}, {"- 1", '.'}, {"1,2,3", ','},
    };
    for (const Case& c : cases) {
        try {
            parseWindowReal(c.text, c.sep);
            ADD_FAILURE() << "accepted '" << c.text << "'";
        } catch (const ConvertError& e) {
            EXPECT_EQ(e.what(),
                      "'" + std::string(c.text) + "' is not a valid floating point value");
        }
    }
}

TEST(DisplayNumbers, WindowIntegers) {
    struct Case {
        const char* text;
        bool ok;
        std::int64_t value;
    };
    const Case cases[] = {
        {"42", true, 42},
        {" -7 ", true, -7},
        {"+3", true, 3},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483648LL},
        {"2147483648", false, 0},
        {"1.0", false, 0},
        {"1e3", false, 0},
        {"", false, 0},
        {"12a", false, 0},
        {"- 5", false, 0},
        {"1,5", false, 0},
    };
    for (const Case& c : cases) {
        if (c.ok) {
            EXPECT_EQ(parseWindowInteger(c.text), c.value) << c.text;
            continue;
        }
        try {
            parseWindowInteger(c.text);
            ADD_FAILURE() << "accepted '" << c.text << "'";
        } catch (const ConvertError& e) {
            EXPECT_EQ(e.what(), "'" + std::string(c.text) + "' is not a valid integer value");
        }
    }
}

} // namespace
} // namespace zorkan
