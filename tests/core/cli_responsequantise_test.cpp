#include "common/canvas.h"
#include "response/response.h"

#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <sys/wait.h>
#include <vector>

using zorkan::testing::CliOutcome;
using zorkan::testing::readBytes;
using zorkan::testing::runCli;
using zorkan::testing::TempDir;
using zorkan::testing::writeBytes;

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

std::vector<double> numbers(const std::string& line) {
    std::vector<double> v;
    std::istringstream in(line);
    for (double x; in >> x;)
        v.push_back(x);
    return v;
}

const std::string worked = "2\r\n0 \r\n1 1 0 \r\n1 0 0 \r\n";

} // namespace

TEST(CliResponse, TableOfTheWorkedSection) {
    TempDir dir;
    writeBytes(dir.file("w.flt"), worked);
    const CliOutcome o = runCli(dir, "response w.flt --width 2");
    ASSERT_EQ(o.status, 0) << o.err;
    const std::vector<std::string> out = lines(o.out);
    ASSERT_EQ(out.size(), 5u) << o.out;
    EXPECT_EQ(out[0], "Kmax = 2");
    EXPECT_EQ(out[1], "FM = 0");
    // frequency, magnitude, dB relative to Kmax, phase
    const std::vector<double> middle = numbers(out[3]);
    ASSERT_EQ(middle.size(), 4u);
    EXPECT_EQ(middle[0], 0.25);
    EXPECT_NEAR(middle[1], std::sqrt(2.0), 1e-14);
    EXPECT_NEAR(middle[2], -3.01029995663981, 1e-13);
    EXPECT_NEAR(middle[3], -std::acos(-1.0) / 4, 1e-14);
    EXPECT_EQ(numbers(out[4])[2], -100);
    EXPECT_EQ(out[3].size(), 4 * 23 + 3u); // the 23-character layout
}

TEST(CliResponse, RangeOptionsAndPictureAsTheWindowDrawsIt) {
    TempDir dir;
    writeBytes(dir.file("w.flt"), worked);
    const CliOutcome o = runCli(dir, "response w.flt --f1 0.1 --f2 0.3 --a1 0.8 --a2 0.1 --b1 -1 "
                                     "--b2 -40 --width 60 --height 50 --picture out.bmp");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(lines(o.out).size(), 2u + 61u);
    EXPECT_EQ(numbers(lines(o.out).back())[0], 0.3);

    zorkan::Canvas canvas(60, 50);
    zorkan::clearResponsePicture(canvas);
    zorkan::ResponseRange range;
    range.f1 = 0.1;
    range.f2 = 0.3;
    range.a1 = 0.8;
    range.a2 = 0.1;
    range.b1 = -1;
    range.b2 = -40;
    zorkan::computeResponse(dir.file("w.flt"), range, 60, 50, canvas);
    const std::vector<std::uint8_t> expected = canvas.bmpBytes();
    EXPECT_EQ(readBytes(dir.file("out.bmp")), std::string(expected.begin(), expected.end()));
}

TEST(CliResponse, Refusals) {
    TempDir dir;
    writeBytes(dir.file("w.flt"), worked);
    writeBytes(dir.file("zero.flt"), "2\r\n0\r\n0 0 0\r\n1 0 0\r\n");
    writeBytes(dir.file("empty.flt"), "");
    struct Case {
        std::string arguments;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"response w.flt --f2 1.2", "Не верное значение --f2\n"},
        {"response w.flt --b2 -120", "Не верное значение --b2\n"},
        {"response w.flt --a1 1.5", "Не верное значение --a1\n"},
        {"response w.flt --f1 abc", "'abc' is not a valid floating point value\n"},
        {"response none.flt", "File not found\n"},
        {"response '*.flt'", "Не задано имя файла\n"},
        {"response w.flt --width 0", "Размер рисунка --width должен быть от 1 до 16384\n"},
        {"response zero.flt --width 2", std::string(zorkan::zeroMagnitudeMessage) + "\n"},
        {"response empty.flt", "В файле параметров фильтра нет ни одной секции\n"},
    };
    for (const Case& c : cases) {
        const CliOutcome o = runCli(dir, c.arguments);
        EXPECT_EQ(o.status, 1) << c.arguments;
        EXPECT_EQ(o.err, c.error) << c.arguments;
    }
}

TEST(CliQuantise, EveryCoefficientOfTheFile) {
    struct Case {
        std::string input;
        std::string arguments;
        std::string output;
    };
    const std::vector<Case> cases = {
        {"2\r\n0 \r\n 1.23450000000000E-0001 -1.23456 0.125 \r\n1 0 0 \r\n", "",
         "2\r\n0\r\n0.123 -1.235 0.125 \r\n1 0 0 \r\n"},
        {"2\r\n0 \r\n0.3 2.71828 0.375\r\n1 0.625 -0.625\r\n", "--digits 2 --base 2",
         "2\r\n0\r\n0.25 2.75 0.5 \r\n1 0.5 -0.5 \r\n"},
        // Kind 1: three per line, as the design writes it; band-pass: three, then two.
        {"4\r\n1 \r\n0.11 0.22 0.33\r\n0.44 0.55 0.66\r\n1 0 0\r\n1 0 0\r\n", "--digits 1",
         "4\r\n1\r\n0.1 0.2 0.3 \r\n0.4 0.6 0.7 \r\n1 0 0 \r\n1 0 0 \r\n"},
        {"2\r\n2 \r\n0.15 0.25 0.35\r\n0.45 0.55\r\n1 0 0\r\n0 0\r\n", "--digits 1",
         // 0.15 and 0.35 lie just below their halves as doubles, 0.45 just above.
         "2\r\n2\r\n0.1 0.2 0.3 \r\n0.5 0.6 \r\n1 0 0 \r\n0 0 \r\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeBytes(dir.file("in.flt"), c.input);
        const CliOutcome o = runCli(dir, "quantise in.flt out.flt " + c.arguments);
        ASSERT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(readBytes(dir.file("out.flt")), c.output) << c.arguments;
    }
}

TEST(CliQuantise, Refusals) {
    TempDir dir;
    writeBytes(dir.file("in.flt"), "2\r\n0\r\n1 2 3\r\n1 0 0\r\n");
    struct Case {
        std::string arguments;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"quantise in.flt out.flt --base 8", "Система счисления --base должна быть 10 или 2, "
                                             "а не '8'\n"},
        {"quantise in.flt out.flt --digits x", "'x' is not a valid integer value\n"},
        {"quantise in.flt", "Укажите входной и выходной файлы параметров фильтра (.flt)\n"},
        {"quantise none.flt out.flt", "File not found\n"},
    };
    for (const Case& c : cases) {
        const CliOutcome o = runCli(dir, c.arguments);
        EXPECT_EQ(o.status, 1) << c.arguments;
        EXPECT_EQ(o.err, c.error) << c.arguments;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.flt")));
}
