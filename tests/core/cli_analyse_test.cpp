#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

using zorkan::testing::CliOutcome;
using zorkan::testing::readBytes;
using zorkan::testing::runCli;
using zorkan::testing::TempDir;
using zorkan::testing::writeBytes;

namespace {

// y[n] = x[n] + 0.5 y[n-1] behind a pure delay of one sample: pole 0.5, zeros at the
// origin; and a section whose poles lie on the unit circle at +-j.
const char* const halfPole = "2\r\n0\r\n0 1 0\r\n1 -0.5 0\r\n";
const char* const onCircle = "2\r\n0\r\n1 2 1\r\n1 0 1\r\n";

} // namespace

// Exact outputs of the tables in the 23-character layout.
TEST(CliAnalyse, TablesOfSmallFilters) {
    TempDir dir;
    writeBytes(dir.file("h.flt"), halfPole);
    writeBytes(dir.file("c.flt"), onCircle);
    const struct {
        const char* arguments;
        const char* out;
    } rows[] = {
        {"h.flt --roots",
         "1 zero  0.00000000000000E+0000  0.00000000000000E+0000  0.00000000000000E+0000 "
         " 0.00000000000000E+0000\n"
         "1 pole  0.00000000000000E+0000  0.00000000000000E+0000  0.00000000000000E+0000 "
         " 0.00000000000000E+0000\n"
         "1 pole  5.00000000000000E-0001  0.00000000000000E+0000  5.00000000000000E-0001 "
         " 0.00000000000000E+0000\n"},
        // The delay of one sample plus a / (1 - a) at DC and -a / (1 + a) at FD/2, a = 0.5.
        {"h.flt --group-delay 2 --fd 4",
         " 0.00000000000000E+0000  2.00000000000000E+0000  5.00000000000000E-0001\n"
         " 2.00000000000000E+0000  6.66666666666667E-0001  1.66666666666667E-0001\n"},
        {"h.flt --impulse 4",
         " 0.00000000000000E+0000\n 1.00000000000000E+0000\n 5.00000000000000E-0001\n"
         " 2.50000000000000E-0001\n"},
        {"h.flt --step 3",
         " 0.00000000000000E+0000\n 1.00000000000000E+0000\n 1.50000000000000E+0000\n"},
        // Linear phase of both polynomials: no delay, even at the zeros and poles.
        {"c.flt --group-delay 3", " 0.00000000000000E+0000  0.00000000000000E+0000\n"
                                  " 2.50000000000000E-0001  0.00000000000000E+0000\n"
                                  " 5.00000000000000E-0001  0.00000000000000E+0000\n"},
    };
    for (const auto& row : rows) {
        const CliOutcome o = runCli(dir, std::string("analyse ") + row.arguments);
        EXPECT_EQ(o.status, 0) << row.arguments << ": " << o.err;
        EXPECT_EQ(o.out, row.out) << row.arguments;
    }
}

// The summary names the order, and the stability with the largest pole radius and its
// section.
TEST(CliAnalyse, SummaryStability) {
    TempDir dir;
    writeBytes(dir.file("h.flt"), halfPole);
    writeBytes(dir.file("c.flt"), onCircle);
    const struct {
        const char* file;
        const char* line;
    } rows[] = {
        {"h.flt", "Фильтр нижних частот: порядок 1, секций 1\n"
                  "Фильтр устойчив: наибольший радиус полюса 5.00000000000000E-0001 (секция 1)\n"},
        {"c.flt", "Фильтр неустойчив: наибольший радиус полюса 1.00000000000000E+0000 (секция "
                  "1); полюса на единичной окружности или вне ее в секциях 1\n"},
    };
    for (const auto& row : rows) {
        const CliOutcome o = runCli(dir, std::string("analyse ") + row.file);
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_NE(o.out.find(row.line), std::string::npos) << o.out;
    }
}

// Bad input: a message and exit code 1, nothing on the standard output.
TEST(CliAnalyse, BadInput) {
    TempDir dir;
    writeBytes(dir.file("h.flt"), halfPole);
    writeBytes(dir.file("silent.flt"), "2\r\n0\r\n0 0 0\r\n1 0.5 0\r\n");
    writeBytes(dir.file("bad.flt"), "2\r\n0\r\n1 x 0\r\n1 0 0\r\n");
    const std::string range = "Число отсчетов должно быть от 1 до 65536\n";
    const struct {
        const char* arguments;
        std::string err;
    } rows[] = {
        {"h.flt --impulse 0", range},
        {"h.flt --step 65537", range},
        {"h.flt --group-delay -3", range},
        {"h.flt --group-delay 2.5", "'2.5' is not a valid integer value\n"},
        {"h.flt --fd 0", "Частота дискретизации должна быть больше нуля\n"},
        {"h.flt --group-delay 4 --fd -1", "Частота дискретизации должна быть больше нуля\n"},
        {"h.flt --roots --step 4", "Задайте не более одной таблицы: --roots, --group-delay, "
                                   "--impulse, --step или --compare\n"},
        {"missing.flt", "File not found\n"},
        {"bad.flt --roots", "Invalid numeric input\n"},
        {"h.flt --compare missing.flt", "File not found\n"},
        {"silent.flt --group-delay 3", "Числитель секции 1 равен нулю: фильтр ничего не "
                                       "пропускает, групповое время задержки не определено\n"},
    };
    for (const auto& row : rows) {
        const CliOutcome o = runCli(dir, std::string("analyse ") + row.arguments);
        EXPECT_EQ(o.status, 1) << row.arguments;
        EXPECT_EQ(o.err, row.err) << row.arguments;
        EXPECT_EQ(o.out, "") << row.arguments;
    }
}

// The z-plane picture is a PNG of the window's size; ".bmp" gives a BMP.
TEST(CliAnalyse, PictureFiles) {
    TempDir dir;
    writeBytes(dir.file("h.flt"), halfPole);
    ASSERT_EQ(runCli(dir, "analyse h.flt --picture z.png").status, 0);
    ASSERT_EQ(runCli(dir, "analyse h.flt --compare h.flt --picture z.bmp").status, 0);
    const std::string png = readBytes(dir.file("z.png"));
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(png.substr(12, 12), std::string("IHDR\0\0\x02\x4e\0\0\x01\x50", 12)); // 590 x 336
    EXPECT_EQ(png.substr(png.size() - 12), std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12));
    EXPECT_EQ(readBytes(dir.file("z.bmp")).substr(0, 2), "BM");
}
