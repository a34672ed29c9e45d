#include "common/errors.h"
#include "common/textnumbers.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <random>
#include <vector>

namespace zorkan {
namespace {

using zorkan::testing::readBytes;
using zorkan::testing::TempDir;
using zorkan::testing::writeBytes;

constexpr double inf = std::numeric_limits<double>::infinity();

// The exact text of an InOutError thrown by f, or "" when nothing was thrown.
template <class F> std::string ioErrorOf(F&& f) {
    try {
        f();
    } catch (const InOutError& e) {
        return e.what();
    }
    return "";
}

// Seventeen significant digits, against Python's "%.17g" and "%.16e" of the same doubles.
TEST(TextNumbers, RoundTripForms) {
    const struct {
        double value;
        const char* general;
        const char* scientific;
    } cases[] = {
        {0.1, "0.10000000000000001", "1.0000000000000001e-01"},
        {1e-5, "1.0000000000000001e-05", "1.0000000000000001e-05"},
        {1e17, "1e+17", "1.0000000000000000e+17"},
        {123, "123", "1.2300000000000000e+02"},
        {-0.0, "-0", "-0.0000000000000000e+00"},
        {2.0 / 3, "0.66666666666666663", "6.6666666666666663e-01"},
        {4.9406564584124654e-324, "4.9406564584124654e-324", "4.9406564584124654e-324"},
        {1.7976931348623157e308, "1.7976931348623157e+308", "1.7976931348623157e+308"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatRoundTrip(c.value), c.general);
        EXPECT_EQ(formatRoundTrip(c.value, RoundTripForm::Scientific), c.scientific);
        EXPECT_EQ(std::strtod(formatRoundTrip(c.value).c_str(), nullptr), c.value);
    }
}

TEST(FormatReal, FixedLayout) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {1, " 1.00000000000000E+0000"},
        {-128, "-1.28000000000000E+0002"},
        {0.001, " 1.00000000000000E-0003"},
        {0.0, " 0.00000000000000E+0000"},
        {-0.0, " 0.00000000000000E+0000"},
        {std::nan(""), "                    Nan"},
        {inf, "                   +Inf"},
        {-inf, "                   -Inf"},
        {1.0 / 3, " 3.33333333333333E-0001"},
        {-2.0 / 3, "-6.66666666666667E-0001"},          // rounds up in the 15th digit
        {999999999999999.9, " 1.00000000000000E+0015"}, // the carry reaches the exponent
        {1e-300, " 1.00000000000000E-0300"},
        {DBL_MAX, " 1.79769313486232E+0308"},
        {5e-324, " 4.94065645841247E-0324"}, // smallest subnormal
        {-1.5e-10, "-1.50000000000000E-0010"},
        {123456789012345678.0, " 1.23456789012346E+0017"},
    };
    for (const Case& c : cases) {
        std::string text = formatReal(c.value);
        EXPECT_EQ(text, c.text) << "value " << c.value;
        EXPECT_EQ(text.size(), realFieldWidth);
    }
}

// The layout built from glibc's printf, an independent rounding of the exact value.
std::string layoutByPrintf(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.14E", std::fabs(v)); // d.ddddddddddddddE+XX
    int exp = std::atoi(text + 17);
    char out[32];
    std::snprintf(out, sizeof out, "%c%.16sE%c%04d", v < 0 ? '-' : ' ', text, exp < 0 ? '-' : '+',
                  exp < 0 ? -exp : exp);
    return out;
}

TEST(FormatReal, RoundsLikePrintfAcrossMagnitudes) {
    const double fixed[] = {
        1234567890123455.0, // exact halves go to the even neighbour
        1234567890123445.0,
        12345678901234.25,
        12345678901234.75,
        0.5,
        1e14,
        1e15,
        1e-13,
        1e41,
        1e42,
        9.999999999999995e14,
        std::nextafter(1e15, 0.0),
        std::nextafter(1e14, 0.0),
        std::nextafter(1e-13, 0.0),
        9.9999999999999995e-14,
        999999999999999.5,
        999999999999999.4,
        2.0 / 3,
        4503599627370497.5,
        9007199254740993.0,
        1.5e-14,
        3e45,
    };
    for (double v : fixed) {
        EXPECT_EQ(formatReal(v), layoutByPrintf(v)) << v;
        EXPECT_EQ(formatReal(-v), layoutByPrintf(-v)) << -v;
    }
    std::mt19937_64 gen(99);
    std::uniform_int_distribution<std::uint64_t> anyBits;
    std::uniform_real_distribution<double> mantissa(1, 10);
    std::uniform_int_distribution<int> exponent(-20, 50);
    for (int i = 0; i < 200000; ++i) {
        double v = mantissa(gen) * std::pow(10.0, exponent(gen));
        ASSERT_EQ(formatReal(v), layoutByPrintf(v)) << v;
        double w = std::bit_cast<double>(anyBits(gen)); // any magnitude at all
        if (!std::isfinite(w))
            continue;
        std::string text = formatReal(w);
        ASSERT_EQ(text, layoutByPrintf(w)) << w;
        // Read back, it is the value rounded to 15 digits (none when that overflows).
        double rounded = std::strtod(text.c_str(), nullptr);
        double back = 0;
        std::string_view number(text);
        number.remove_prefix(text[0] == ' ' ? 1 : 0);
        ASSERT_EQ(parseDecimalReal(number, back), !std::isinf(rounded)) << text;
        if (!std::isinf(rounded)) {
            ASSERT_EQ(back, rounded) << text;
        }
    }
}

TEST(ParseDecimal, Shapes) {
    struct Case {
        const char* text;
        bool ok;
        double value;
    };
    const Case cases[] = {
        {"5", true, 5},      {"-0.25", true, -0.25}, {"1e3", true, 1000}, {"1E-3", true, 0.001},
        {"+2.5", true, 2.5}, {".5", true, 0.5},      {"5.", true, 5},     {"-.5e+1", true, -5},
        {"1e-400", true, 0}, {"", false, 0},         {".", false, 0},     {"-", false, 0},
        {"e5", false, 0},    {"1e", false, 0},       {"1e+", false, 0},   {"1.2.3", false, 0},
        {"0,5", false, 0},   {"inf", false, 0},      {"nan", false, 0},   {"0x10", false, 0},
        {"1e400", false, 0}, {"1 ", false, 0},       {"--1", false, 0},   {"1d5", false, 0},
    };
    for (const Case& c : cases) {
        double v = -99;
        EXPECT_EQ(parseDecimalReal(c.text, v), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
    double v = 0;
    ASSERT_TRUE(parseDecimalReal("-1e-400", v));
    EXPECT_TRUE(std::signbit(v)) << "an underflow keeps its sign";
}

// Every shape of decimal text reads as the correctly rounded double (the C library's
// strtod, in the "C" locale the tests run in, is the reference).
TEST(ParseDecimal, AgreesWithStrtod) {
    const char* const fixed[] = {
        "9007199254740993", // 2^53 + 1: halfway, rounds to even
        "9007199254740992.5",
        "0.1",
        "1e22",
        "1e23",
        "4.35e-22",
        "123456789e-30",
        "123456789012345678901234567890",
        "0.000000000000000000000000000001234",
        "1.7976931348623157e308",
        "2.2250738585072011e-308",
        "2.4703282292062328e-324",
        "00000000000000000000000000000000012.5",
        "1.00000000000000000000000000000001",
    };
    for (const char* text : fixed) {
        double v = 0;
        ASSERT_TRUE(parseDecimalReal(text, v)) << text;
        EXPECT_EQ(v, std::strtod(text, nullptr)) << text;
    }
    std::mt19937_64 gen(777);
    std::uniform_int_distribution<int> digitCount(1, 25), digit(0, 9), exponent(-40, 40);
    for (int i = 0; i < 20000; ++i) {
        std::string text = i % 3 ? "" : "-";
        int n = digitCount(gen);
        int point = std::uniform_int_distribution<int>(0, n)(gen);
        for (int k = 0; k < n; ++k) {
            if (k == point)
                text += '.';
            text += static_cast<char>('0' + digit(gen));
        }
        if (i % 2)
            text += (i % 4 == 1 ? "e" : "E") + std::to_string(exponent(gen));
        double v = 0;
        ASSERT_TRUE(parseDecimalReal(text, v)) << text;
        EXPECT_EQ(v, std::strtod(text.c_str(), nullptr)) << text;
    }
}

TEST(ParseDecimal, IntegersStayWithin32Bits) {
    struct Case {
        const char* text;
        bool ok;
        std::int64_t value;
    };
    const Case cases[] = {
        {"0", true, 0},
        {"+17", true, 17},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483648LL},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999999", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"1.0", false, 0},
        {"1e3", false, 0},
        {" 1", false, 0},
    };
    for (const Case& c : cases) {
        std::int64_t v = -99;
        EXPECT_EQ(parseDecimalInteger(c.text, v), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

// Reads reals until the reader is at its end (a run cut at 64 bytes leaves the rest
// for the next read), or returns the error text as the last element.
struct ReadOutcome {
    std::vector<double> values;
    std::string error;
};

ReadOutcome readAllReals(const std::function<TextReader()>& open) {
    ReadOutcome out;
    try {
        TextReader in = open();
        while (!in.atEnd())
            out.values.push_back(in.readReal());
    } catch (const InOutError& e) {
        out.error = e.what();
    }
    return out;
}

TEST(TextReader, Reals) {
    const std::string oneE63 = "1" + std::string(63, '0');
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<double> values;
        std::string error;
    };
    const Case cases[] = {
        {"empty file", "", {}, ""},
        {"blanks, tabs and CR LF before", " \t\r\n\r\n  1.5\r\n", {1.5, 0}, ""},
        {"only blanks read as 0", "   \r\n", {0}, ""},
        {"control bytes are blanks",
         "\x01\x02"
         "7\x1f",
         {7, 0},
         ""},
        {"numbers on one line", "1 2\t3", {1, 2, 3}, ""},
        {"decimal comma", "0,5\r\n", {}, "Invalid numeric input"},
        {"65-byte run: 64 taken, the rest next", "1" + std::string(64, '0'), {1e63, 0}, ""},
        {"64-byte run then a bad byte", oneE63 + "x", {1e63}, "Invalid numeric input"},
        {"binary garbage", std::string("\xff\xfe\x80\x00\x7f", 5), {}, "Invalid numeric input"},
        {"run across the buffer edge", std::string(65534, ' ') + "12345\r\n", {12345, 0}, ""},
    };
    TempDir dir;
    for (const Case& c : cases) {
        std::string path = dir.file("r.txt");
        writeBytes(path, c.bytes);
        ReadOutcome got = readAllReals([&] { return TextReader(path); });
        EXPECT_EQ(got.values, c.values) << c.name;
        EXPECT_EQ(got.error, c.error) << c.name;
        // The same bytes held in memory read the same, buffer edges or not.
        ReadOutcome inMemory = readAllReals([&] { return TextReader::fromBytes(c.bytes); });
        EXPECT_EQ(inMemory.values, c.values) << c.name << " (in memory)";
        EXPECT_EQ(inMemory.error, c.error) << c.name << " (in memory)";
    }
}

TEST(TextReader, IntegerRunIs32Bytes) {
    TempDir dir;
    std::string path = dir.file("i.txt");
    writeBytes(path, std::string(31, '0') + "12\r\n"); // 33 bytes: "0...01" then "2"
    TextReader in(path);
    EXPECT_EQ(in.readInteger(), 1);
    EXPECT_EQ(in.readInteger(), 2);
    EXPECT_EQ(in.readInteger(), 0); // only the line end was left
    EXPECT_TRUE(in.atEnd());

    writeBytes(path, "1.5");
    TextReader bad(path);
    EXPECT_EQ(ioErrorOf([&] { bad.readInteger(); }), "Invalid numeric input");
}

TEST(TextReader, SkipLineEndings) {
    struct Case {
        const char* name;
        std::string bytes;
        int next; // peek() after one skipLine
    };
    const Case cases[] = {
        {"CR LF", "abc\r\nZ", 'Z'},
        {"LF", "abc\nZ", 'Z'},
        {"lone CR", "abc\rZ", 'Z'},
        {"LF CR is two line ends", "abc\n\rZ", '\r'},
        {"only one line skipped", "abc\r\n\r\nZ", '\r'},
        {"no line end", "abc", -1},
        {"CR LF split by the buffer edge", std::string(65535, 'a') + "\r\nZ", 'Z'},
    };
    TempDir dir;
    for (const Case& c : cases) {
        std::string path = dir.file("s.txt");
        writeBytes(path, c.bytes);
        TextReader in(path);
        in.skipLine();
        EXPECT_EQ(in.peek(), c.next) << c.name;
    }
}

TEST(TextReader, MissingFileIsFileNotFound) {
    TempDir dir;
    std::string path = dir.file("absent.txt");
    EXPECT_EQ(ioErrorOf([&] { TextReader in(path); }), "File not found");
    try {
        TextReader in(path);
    } catch (const InOutError& e) {
        EXPECT_EQ(e.code(), ioFileNotFound);
    }
}

TEST(TextWriter, BytesAndRoundTrip) {
    TempDir dir;
    std::string path = dir.file("w.txt");
    // Not DBL_MAX: its 15-digit text lies above the largest double and reads as no number.
    const double values[] = {1, -128, 1.0 / 3, 0.001, -1e-300, 1.7976931348623e308, 5e-324, 0};
    {
        TextWriter out(path);
        out.writeInteger(-42);
        out.write(" ");
        out.writeInteger(7);
        out.endLine();
        for (double v : values) {
            out.writeReal(v);
            out.endLine();
        }
        out.close();
    }
    std::string bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 7 + std::size(values) * 25);
    EXPECT_EQ(bytes.substr(0, 32), "-42 7\r\n 1.00000000000000E+0000\r\n");

    TextReader in(path);
    EXPECT_EQ(in.readInteger(), -42);
    EXPECT_EQ(in.readInteger(), 7);
    for (double v : values) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.14e", v);
        EXPECT_EQ(in.readReal(), std::strtod(expected, nullptr));
    }
}

TEST(TextWriter, LongTextAndEmptiedFile) {
    TempDir dir;
    std::string path = dir.file("w.txt");
    writeBytes(path, "old contents that must go");
    std::string longLine(200000, 'x'); // larger than the writer's buffer
    {
        TextWriter out(path);
        out.writeLine("a");
        out.writeLine(longLine);
    } // the destructor stores what is left
    EXPECT_EQ(readBytes(path), "a\r\n" + longLine + "\r\n");
}

TEST(TextWriter, MissingFolderIsPathNotFound) {
    TempDir dir;
    try {
        TextWriter out(dir.file("no/such/folder.txt"));
        FAIL() << "created a file in a missing folder";
    } catch (const InOutError& e) {
        EXPECT_EQ(e.code(), ioPathNotFound);
        EXPECT_STREQ(e.what(), "I/O error 3");
    }
}

// The position counts every byte consumed, across the refills of the reader's 64 KiB
// buffer: after k values of "1" CR LF and their line ends, 3 k.
TEST(TextReader, PositionCountsBytesAcrossRefills) {
    TempDir dir;
    constexpr int lines = 50000; // 150000 bytes: three buffers
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += "1\r\n";
    writeBytes(dir.file("p.txt"), text);
    TextReader in(dir.file("p.txt"));
    EXPECT_EQ(in.position(), 0u);
    int done = 0;
    for (const int k : {1, 21845, 21846, 43691, lines}) {
        for (; done < k; ++done) {
            in.readReal();
            in.skipLine();
        }
        EXPECT_EQ(in.position(), 3u * k) << k;
    }
}

} // namespace
} // namespace zorkan
