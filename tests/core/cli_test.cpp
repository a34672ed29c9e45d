#include "design/designrun.h"

#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

using zorkan::testing::CliOutcome;
using zorkan::testing::readBytes;
using zorkan::testing::runCli;
using zorkan::testing::TempDir;

TEST(CliDesign, DefaultsGiveTheWindowsFiles) {
    TempDir dir;
    CliOutcome o = runCli(dir, "design");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "Аппроксимация Баттерворта\n"
                     "Порядок фильтра13\n"
                     "Результаты расчета в файле1.out\n"
                     " - коэффициенты фильтра\n"
                     " - ФЧХ фильтра\n"
                     " - АЧХ фильтра\n"
                     "Параметры фильтра в файле 1.flt\n"
                     "Анализ частотных характеристик фильтра\n");
    // The same request through the core gives the same bytes.
    zorkan::designFilter(zorkan::DesignRequest{}, dir.file("core.out"), dir.file("core.flt"),
                         nullptr);
    EXPECT_EQ(readBytes(dir.file("1.out")), readBytes(dir.file("core.out")));
    EXPECT_EQ(readBytes(dir.file("1.flt")), readBytes(dir.file("core.flt")));
}

TEST(CliDesign, EveryRequestFieldHasAnOption) {
    TempDir dir;
    CliOutcome o = runCli(dir, "design --approx chebyshev --f1 0 --f2 2000 --f3 1500 --f4 0 "
                               "--da 1 --b1 40 --fd 8000 --ff1 1000 --ff2=3000 --np 4 "
                               "--report hp.out --filter hp.flt");
    ASSERT_EQ(o.status, 0) << o.err;
    zorkan::DesignRequest rq;
    rq.approximation = 2;
    rq.f1 = 0;
    rq.f2 = 2000;
    rq.f3 = 1500;
    rq.f4 = 0;
    rq.da = 1;
    rq.b1 = 40;
    rq.fd = 8000;
    rq.ff1 = 1000;
    rq.ff2 = 3000;
    rq.np = 4;
    zorkan::designFilter(rq, dir.file("core.out"), dir.file("core.flt"), nullptr);
    EXPECT_EQ(readBytes(dir.file("hp.out")), readBytes(dir.file("core.out")));
    EXPECT_EQ(readBytes(dir.file("hp.flt")), readBytes(dir.file("core.flt")));
    EXPECT_EQ(runCli(dir, "design --approx 3").status, 0);
}

TEST(CliDesign, RefusalsTouchNoFile) {
    struct Row {
        const char* arguments;
        const char* message;
    };
    const Row rows[] = {
        {"design --np 0", "Количество отсчетов АЧХ и ФЧХ должно быть от 1 до 65535\n"},
        {"design --np -5", "Количество отсчетов АЧХ и ФЧХ должно быть от 1 до 65535\n"},
        {"design --np 70000", "Количество отсчетов АЧХ и ФЧХ должно быть от 1 до 65535\n"},
        {"design --np 2.5", "'2.5' is not a valid integer value\n"},
        {"design --f1 abc", "'abc' is not a valid floating point value\n"},
        {"design --da 1,5", "'1,5' is not a valid floating point value\n"},
        {"design --f4 0.2", "Параметры F1,F2,F3,F4 введены неправильно!\n"},
        {"design --approx gauss",
         "Неизвестная аппроксимация 'gauss': допустимы butterworth, chebyshev, elliptic, "
         "chebyshev2, bessel (1, 2, 3, 4, 5)\n"},
        {"design --order5 5", "Неизвестный параметр --order5\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.arguments);
        TempDir dir;
        CliOutcome o = runCli(dir, r.arguments);
        EXPECT_NE(o.status, 0);
        EXPECT_EQ(o.err, r.message);
        EXPECT_EQ(o.out, "");
        EXPECT_FALSE(std::filesystem::exists(dir.file("1.out")));
        EXPECT_FALSE(std::filesystem::exists(dir.file("1.flt")));
    }
}

TEST(CliDesign, FaultsReportThePlatformMessage) {
    TempDir dir;
    CliOutcome o = runCli(dir, "design --da 0");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "Floating point division by zero\n");
    EXPECT_EQ(o.out, "Аппроксимация Баттерворта\n"); // the account keeps its line
    CliOutcome big = runCli(dir, "design --da 3 --b1 1");
    EXPECT_EQ(big.status, 0); // the over-limit order ends normally
    EXPECT_NE(big.out.find("Большой порядок фильтра - ВЫХОД\n"), std::string::npos);
    EXPECT_EQ(readBytes(dir.file("1.flt")), "");
}

TEST(CliDesign, HelpNamesEveryOption) {
    TempDir dir;
    CliOutcome o = runCli(dir, "design --help");
    EXPECT_EQ(o.status, 0);
    for (const char* option : {"--approx", "--f1", "--f2", "--f3", "--f4", "--da", "--b1", "--fd",
                               "--ff1", "--ff2", "--np", "--report", "--filter"})
        EXPECT_NE(o.out.find(option), std::string::npos) << option;
    EXPECT_FALSE(std::filesystem::exists(dir.file("1.out")));
}
