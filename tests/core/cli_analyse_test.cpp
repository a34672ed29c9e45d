#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <filesystem>

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
const char* const justInside = "2\r\n0\r\n1 0 0\r\n1 0 0.99999999999999989\r\n";

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
         "1 нуль  0.00000000000000E+0000  0.00000000000000E+0000  0.00000000000000E+0000 "
         " 0.00000000000000E+0000\n"
         "1 полюс  0.00000000000000E+0000  0.00000000000000E+0000  0.00000000000000E+0000 "
         " 0.00000000000000E+0000\n"
         "1 полюс  5.00000000000000E-0001  0.00000000000000E+0000  5.00000000000000E-0001 "
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
    // Poles at +-j sqrt(1 - 2^-53): inside the circle by the coefficients, though the
    // radius shown rounds to 1.
    writeBytes(dir.file("j.flt"), justInside);
    const struct {
        const char* file;
        const char* line;
    } rows[] = {
        {"j.flt", "Фильтр устойчив: наибольший радиус полюса 1.00000000000000E+0000 (секция 1)\n"},
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
        {"missing.flt", "Файл не найден: missing.flt\n"},
        {"bad.flt --roots", "Неверное число в файле bad.flt, строка 3\n"},
        {"h.flt --compare missing.flt", "Файл не найден: missing.flt\n"},
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

// The summary's gains are H at z = 1 and z = -1, worded with a blank after the colon; a
// pole and an overflow are told apart; the largest group delay is refined between the
// points of the grid (mpmath: 18.0087678837306125 for the poles of 1 - 1.2 z^-1 +
// 0.9 z^-2, where the grid's best is 18.0065840249959).
TEST(CliAnalyse, SummaryGainsAndLargestDelay) {
    TempDir dir;
    writeBytes(dir.file("h.flt"), halfPole);
    writeBytes(dir.file("dc.flt"), "2\r\n0\r\n1 0 0\r\n1 -1 0\r\n");
    writeBytes(dir.file("huge.flt"), "2\r\n0\r\n1E300 0 0\r\n1E-300 0 0\r\n");
    writeBytes(dir.file("peak.flt"), "2\r\n0\r\n1 0 0\r\n1 -1.2 0.9\r\n");
    writeBytes(dir.file("scaled.flt"), "4\r\n0\r\n1 0 0\r\n1 0 0\r\n2 0 0\r\n1 0 0\r\n");
    const struct {
        const char* file;
        const char* line;
    } rows[] = {
        {"h.flt", "Коэффициент передачи на частоте 0: 2.00000000000000E+0000 "
                  "( 6.02059991327962E+0000 дБ)\n"},
        {"h.flt", "Коэффициент передачи на частоте FD/2:-6.66666666666667E-0001 "
                  "(-3.52182518111363E+0000 дБ)\n"},
        {"h.flt", "Наибольшее групповое время задержки: 2.00000000000000E+0000 отсчетов, "
                  "2.00000000000000E+0000 с на частоте 0.00000000000000E+0000"},
        {"dc.flt", "Коэффициент передачи на частоте 0: бесконечность (полюс на этой частоте)\n"},
        {"huge.flt", "Коэффициент передачи на частоте 0: по модулю больше наибольшего числа "
                     "double (переполнение; полюса на этой частоте нет)\n"},
        {"peak.flt", "Наибольшее групповое время задержки: 1.80087678837306E+0001 отсчетов,"},
        {"scaled.flt", "Внимание: B0 не равен 1 в секциях 1; секции берутся как A/B, как в "
                       "окне частотных характеристик\n"},
    };
    for (const auto& row : rows) {
        const CliOutcome o = runCli(dir, std::string("analyse ") + row.file);
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_NE(o.out.find(row.line), std::string::npos) << row.line << "\n" << o.out;
    }
}

// Zeros are matched with zeros and poles with poles: (1 - 0.5 z^-1) / (1 - 0.9 z^-1)
// against (1 - 0.8 z^-1) / (1 - 0.2 z^-1).
TEST(CliAnalyse, CompareShiftsOfEachKind) {
    TempDir dir;
    writeBytes(dir.file("a.flt"), "2\r\n0\r\n1 -0.5 0\r\n1 -0.9 0\r\n");
    writeBytes(dir.file("b.flt"), "2\r\n0\r\n1 -0.8 0\r\n1 -0.2 0\r\n");
    const CliOutcome o = runCli(dir, "analyse a.flt --compare b.flt");
    ASSERT_EQ(o.status, 0) << o.err;
    for (const char* line : {"Наибольшее смещение нулей: 3.00000000000000E-0001\n",
                             "Наибольшее смещение полюсов: 7.00000000000000E-0001\n",
                             "1 полюс  9.00000000000000E-0001  0.00000000000000E+0000  "
                             "9.00000000000000E-0001  0.00000000000000E+0000  "
                             "2.00000000000000E-0001  0.00000000000000E+0000  "
                             "7.00000000000000E-0001\n"})
        EXPECT_NE(o.out.find(line), std::string::npos) << line << "\n" << o.out;
    EXPECT_EQ(o.out.find("pole"), std::string::npos);
    EXPECT_EQ(o.out.find("zero"), std::string::npos);
}

// A picture never takes the place of the filter file or the compared one, whatever the
// name it is reached by; the file keeps its bytes and nothing is printed.
TEST(CliAnalyse, PictureNeverReplacesAFilterFile) {
    TempDir dir;
    writeBytes(dir.file("h.flt"), halfPole);
    writeBytes(dir.file("c.flt"), onCircle);
    std::filesystem::create_symlink("h.flt", dir.file("link.png"));
    std::filesystem::create_directory(dir.file("sub"));
    const std::string filter = "Файл рисунка совпадает с файлом фильтра: выберите другое имя\n";
    const std::string compared =
        "Файл рисунка совпадает с файлом фильтра для сравнения: выберите другое имя\n";
    const struct {
        const char* arguments;
        std::string err;
    } rows[] = {
        {"h.flt --picture h.flt", filter},
        {"h.flt --roots --picture ./h.flt", filter},
        {"h.flt --picture sub/../h.flt", filter},
        {"h.flt --picture link.png", filter},
        {"h.flt --compare c.flt --picture c.flt", compared},
        {"sub/../h.flt --compare ./c.flt --picture c.flt", compared},
    };
    for (const auto& row : rows) {
        const CliOutcome o = runCli(dir, std::string("analyse ") + row.arguments);
        EXPECT_EQ(o.status, 1) << row.arguments;
        EXPECT_EQ(o.err, row.err) << row.arguments;
        EXPECT_EQ(o.out, "") << row.arguments;
        EXPECT_EQ(readBytes(dir.file("h.flt")), halfPole) << row.arguments;
        EXPECT_EQ(readBytes(dir.file("c.flt")), onCircle) << row.arguments;
    }
}

// Errors of the compared file and of the picture name the file; a picture that cannot
// be written stops the command before the summary or table is printed.
TEST(CliAnalyse, MessagesNameTheFile) {
    TempDir dir;
    writeBytes(dir.file("h.flt"), halfPole);
    writeBytes(dir.file("bad.flt"), "2\r\n0\r\n1 x 0\r\n1 0 0\r\n");
    writeBytes(dir.file("b0.flt"), "2\r\n0\r\n1 0 0\r\n0 1 0\r\n");
    const struct {
        const char* arguments;
        std::string err;
    } rows[] = {
        {"h.flt --compare bad.flt", "Неверное число в файле bad.flt, строка 3\n"},
        {"h.flt --compare b0.flt", "Файл для сравнения b0.flt: В секции 1 коэффициент "
                                   "знаменателя B0 равен нулю: такой фильтр нельзя "
                                   "реализовать\n"},
        {"h.flt --picture nodir/p.png", "Не найдена папка файла nodir/p.png\n"},
        {"h.flt --roots --picture nodir/p.bmp", "Не найдена папка файла nodir/p.bmp\n"},
        {"h.flt --compare h.flt --picture nodir/p.png", "Не найдена папка файла nodir/p.png\n"},
    };
    for (const auto& row : rows) {
        const CliOutcome o = runCli(dir, std::string("analyse ") + row.arguments);
        EXPECT_EQ(o.status, 1) << row.arguments;
        EXPECT_EQ(o.err, row.err) << row.arguments;
        EXPECT_EQ(o.out, "") << row.arguments;
    }
}
