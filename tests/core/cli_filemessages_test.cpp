// What the commands built beyond the design and modelling windows say of a file they
// cannot read or write: the Russian sentence naming the file (and the line of a
// malformed number), while the commands that mirror the windows keep the platform's text.
#include "design/classicaldesign.h"
#include "design/designrun.h"

#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zorkan {
namespace {

using testing::runCli;
using testing::TempDir;
using testing::writeBytes;

void writeInputs(const TempDir& dir) {
    writeBytes(dir.file("lp.flt"), "2\r\n0\r\n1 2 1\r\n1 -0.5 0.25\r\n");
    writeBytes(dir.file("bad.flt"), "2\r\n0\r\n1 2 1\r\n1 -0,5 0.25\r\n");
    writeBytes(dir.file("in.sig"), " 1.00000000000000E-0001\r\n");
    writeBytes(dir.file("bad.sig"), "0.5\r\n0.25\r\n\r\nabc 0.125\r\n");
}

TEST(CliFileMessages, NewerCommandsNameTheFileAndLine) {
    TempDir dir;
    writeInputs(dir);
    const struct {
        const char* arguments;
        const char* err;
    } rows[] = {
        {"implement missing.flt", "Файл не найден: missing.flt\n"},
        {"implement bad.flt", "Неверное число в файле bad.flt, строка 4\n"},
        {"implement lp.flt --request none.out", "Файл не найден: none.out\n"},
        {"implement lp.flt --simulate none.sig o.sig", "Файл не найден: none.sig\n"},
        {"implement lp.flt --simulate bad.sig o.sig", "Неверное число в файле bad.sig, строка 4\n"},
        {"implement lp.flt --simulate in.sig nodir/o.sig", "Не найдена папка файла nodir/o.sig\n"},
        {"implement lp.flt --quantised nodir/q.flt", "Не найдена папка файла nodir/q.flt\n"},
        {"plot missing.flt --view magnitude", "Файл не найден: missing.flt\n"},
        {"plot lp.flt bad.flt --view phase", "Неверное число в файле bad.flt, строка 4\n"},
        {"plot lp.flt --view magnitude --mask none.out", "Файл не найден: none.out\n"},
        {"plot lp.flt --view magnitude --picture nodir/p.png",
         "Не найдена папка файла nodir/p.png\n"},
        {"analyse bad.flt --group-delay 4", "Неверное число в файле bad.flt, строка 4\n"},
        {"analyse lp.flt --compare none.flt", "Файл не найден: none.flt\n"},
        {"export bad.flt --format python", "Неверное число в файле bad.flt, строка 4\n"},
        {"export lp.flt --format c --output nodir/f", "Не найдена папка файла nodir/f.h\n"},
        {"export lp.flt --format verilog --output nodir/m.v", "Не найдена папка файла nodir/m.v\n"},
        {"filter-sound bad.flt in.wav o.wav", "Неверное число в файле bad.flt, строка 4\n"},
    };
    for (const auto& row : rows) {
        const auto o = runCli(dir, row.arguments);
        EXPECT_EQ(o.status, 1) << row.arguments;
        EXPECT_EQ(o.err, row.err) << row.arguments;
    }
    // A name longer than a folder entry may be (255 bytes).
    const std::string longName = std::string(300, 'n') + ".py";
    const auto o = runCli(dir, "export lp.flt --format python --output " + longName);
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "Слишком длинное имя файла: " + longName + "\n");
}

// The commands that mirror the windows keep the platform's texts.
TEST(CliFileMessages, MirroringCommandsKeepThePlatformText) {
    TempDir dir;
    writeInputs(dir);
    const struct {
        const char* arguments;
        const char* err;
    } rows[] = {
        {"response missing.flt", "File not found\n"},
        {"response bad.flt", "Invalid numeric input\n"},
        {"quantise missing.flt q.flt", "File not found\n"},
        {"testsignal --filter missing.flt --kind 1", "File not found\n"},
        {"filter lp.flt bad.sig o.sig", "Invalid numeric input\n"},
    };
    for (const auto& row : rows) {
        const auto o = runCli(dir, row.arguments);
        EXPECT_EQ(o.status, 1) << row.arguments;
        EXPECT_EQ(o.err, row.err) << row.arguments;
    }
}

// The account names the report after "в файле" and a blank wherever the design is not
// the design window's own run; that run keeps the name straight after the words.
TEST(CliFileMessages, ReportNameIsPartedFromItsWords) {
    const struct {
        const char* arguments;
        const char* line;
    } rows[] = {
        {"design --order 4 --band lowpass --edge 0.1 --report r.out --filter r.flt",
         "Результаты расчета в файле r.out\n"},
        {"design --approx chebyshev2 --f1 0.1 --f4 0.15 --da 1 --b1 40 --report r.out --filter "
         "r.flt",
         "Результаты расчета в файле r.out\n"},
        {"design --approx butterworth --exact --report r.out --filter r.flt",
         "Результаты расчета в файле r.out\n"},
        {"design --approx butterworth --report r.out --filter r.flt",
         "Результаты расчета в файлеr.out\n"},
    };
    for (const auto& row : rows) {
        TempDir dir;
        const auto o = runCli(dir, row.arguments);
        EXPECT_EQ(o.status, 0) << row.arguments << o.err;
        EXPECT_NE(o.out.find(row.line), std::string::npos) << row.arguments << "\n" << o.out;
    }
}

// A request the design run takes, handed to it by every classical design, is named with
// the blank there too; the run called by itself keeps its account.
TEST(CliFileMessages, ClassicalDesignHandsOnTheBlank) {
    TempDir dir;
    const std::string report = dir.file("r.out");
    std::vector<std::string> classical, plain;
    ClassicalDesignRequest request;
    ASSERT_TRUE(designRunTakes(request));
    designClassicalFilter(request, report, dir.file("r.flt"),
                          [&](const std::string& line) { classical.push_back(line); });
    designFilter(request.request, report, dir.file("r.flt"),
                 [&](const std::string& line) { plain.push_back(line); });
    ASSERT_EQ(classical.size(), plain.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        if (plain[i] == classical[i])
            continue;
        ++differing;
        EXPECT_EQ(plain[i], "Результаты расчета в файле" + report);
        EXPECT_EQ(classical[i], "Результаты расчета в файле " + report);
    }
    EXPECT_EQ(differing, 1u);
}

} // namespace
} // namespace zorkan
