#include "design/designrun.h"

#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

using zorkan::testing::CliOutcome;
using zorkan::testing::runCli;
using zorkan::testing::TempDir;

namespace {

const std::string butterworthAccount = "Аппроксимация Баттерворта\n"
                                       "Порядок фильтра13\n"
                                       "Результаты расчета в файле1.out\n"
                                       " - коэффициенты фильтра\n"
                                       " - ФЧХ фильтра\n"
                                       " - АЧХ фильтра\n"
                                       "Параметры фильтра в файле 1.flt\n"
                                       "Анализ частотных характеристик фильтра\n";
const std::string ellipticAccount = "Аппроксимация Элиптическая\n"
                                    "Порядок фильтра4\n"
                                    "Результаты расчета в файле1.out\n"
                                    " - коэффициенты фильтра\n"
                                    " - ФЧХ фильтра\n"
                                    " - АЧХ фильтра\n"
                                    "Параметры фильтра в файле 1.flt\n"
                                    "Анализ частотных характеристик фильтра\n";
const std::string rippleWarning =
    "Внимание: неравномерность в полосе пропускания 2.07 dB больше заданной 1.5 dB\n";

} // namespace

// The account, its warnings, the --check lines and the exit code of --strict.
TEST(CliDesignCheck, OutputAndExitCode) {
    struct Row {
        const char* arguments;
        int status;
        std::string out;
    };
    const Row rows[] = {
        {"design", 0, butterworthAccount},
        {"design --strict", 0, butterworthAccount},
        {"design --check", 0,
         butterworthAccount +
             "неравномерность в полосе пропускания 1.50 dB при заданной 1.50 dB - требование "
             "выполнено\n"
             "затухание в полосе задерживания 32.23 dB при заданном 30.00 dB - требование "
             "выполнено\n"},
        {"design --approx 3", 0, ellipticAccount + rippleWarning},
        {"design --approx 3 --strict", 3, ellipticAccount + rippleWarning},
        {"design --check --approx 3 --strict --b1 30.125", 3,
         ellipticAccount + rippleWarning +
             "неравномерность в полосе пропускания 2.07 dB при заданной 1.50 dB - требование не "
             "выполнено\n"
             "затухание в полосе задерживания 36.92 dB при заданном 30.125 dB - требование "
             "выполнено\n"},
        // No filter was designed: nothing is measured, and that is not meeting the request.
        {"design --da 3 --b1 1 --check --strict", 3,
         "Аппроксимация Баттерворта\nПорядок фильтра65533\nБольшой порядок фильтра - ВЫХОД\n"
         "неравномерность в полосе пропускания не измерена\n"
         "затухание в полосе задерживания не измерено\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        TempDir dir;
        const CliOutcome o = runCli(dir, row.arguments);
        EXPECT_EQ(o.err, "");
        EXPECT_EQ(o.status, row.status);
        EXPECT_EQ(o.out, row.out);
    }
}

TEST(CliDesignCheck, SwitchesTakeNoValue) {
    TempDir dir;
    const CliOutcome o = runCli(dir, "design --check=yes");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "Параметр --check задается без значения\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("1.out")));
}
