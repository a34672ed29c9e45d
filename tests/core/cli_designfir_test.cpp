// zorkan-cli design-fir from outside: the request's example, the frequency unit, the
// JSON keys, the files written together, and refusals that write nothing.
#include "common/cp1251.h"
#include "fir/firfile.h"

#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace zorkan {
namespace {

using testing::readBytes;
using testing::runCli;
using testing::TempDir;
using testing::writeBytes;

// Low-pass, 0.5 dB up to 0.2 FD, 60 dB from 0.25 FD: trying every N with SciPy's remez
// (16 points per tap) gives 47 as the smallest that meets both.
TEST(CliDesignFir, RequestExampleGivesFortySevenTaps) {
    TempDir dir;
    const auto r = runCli(dir, "design-fir --method pm --band lowpass --fd 1 --pass 0.2 "
                               "--stop 0.25 --ripple 0.5 --attenuation 60 --output lp.fir "
                               "--report lp.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    const FirFilter f = readFirFile(dir.file("lp.fir"));
    ASSERT_EQ(f.taps.size(), 47u);
    for (std::size_t i = 0; i < f.taps.size(); ++i)
        EXPECT_EQ(f.taps[i], f.taps[46 - i]) << i;
    EXPECT_NE(r.out.find(" число коэффициентов N = 47 "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" фаза линейная, тип I; задержка (N - 1)/2 = 23 отсчета\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(" требования выполнены\n"), std::string::npos) << r.out;
    // The report file holds the printed lines in CP1251 with CR LF.
    std::string printed = r.out, filed = fromCp1251(readBytes(dir.file("lp.txt")));
    std::string crlf;
    for (char c : printed)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(filed, crlf);

    // The same request in hertz gives the same bytes.
    const auto hz = runCli(dir, "design-fir --fd 48000 --pass 9600 --stop 12000 --output hz.fir");
    ASSERT_EQ(hz.status, 0) << hz.err;
    EXPECT_EQ(readBytes(dir.file("hz.fir")), readBytes(dir.file("lp.fir")));
}

TEST(CliDesignFir, JsonCarriesTheFigures) {
    TempDir dir;
    const struct {
        std::string arguments;
        std::vector<std::string> parts;
    } rows[] = {
        {"--pass 0.2 --stop 0.25",
         {"{\"taps\": 47, \"method\": \"pm\", \"band\": \"lowpass\"", "\"linear_phase_type\": 1",
          "\"delay_samples\": 23,", "\"ripple_db\": 0.4", "\"attenuation_db\": 60.",
          "\"meets_request\": true"}},
        {"--method kaiser --pass 0.2 --stop 0.25",
         {"{\"taps\": 74, \"method\": \"kaiser\"", "\"linear_phase_type\": 2",
          "\"delay_samples\": 36.5,", "\"beta\": 5.6532600000000004,"}},
        {"--band hilbert --pass 0.05,0.5 --ripple 0.1 --taps 30",
         {"\"taps\": 30", "\"linear_phase_type\": 4", "\"delay_samples\": 14.5,",
          "\"attenuation_db\": null"}},
        {"--pass 0.2 --stop 0.25 --minimum-phase",
         {"\"minimum_phase\": true", "\"linear_phase_type\": null", "\"meets_request\": true"}},
    };
    for (const auto& row : rows) {
        const auto r = runCli(dir, "design-fir " + row.arguments + " --output j.fir --json");
        ASSERT_EQ(r.status, 0) << row.arguments << ": " << r.err;
        for (const std::string& part : row.parts)
            EXPECT_NE(r.out.find(part), std::string::npos) << row.arguments << ": " << r.out;
    }
}

TEST(CliDesignFir, RefusesAndWritesNothing) {
    TempDir dir;
    writeBytes(dir.file("keep.fir"), "1\r\n 1\r\n");
    const struct {
        std::string arguments;
        std::string message;
    } rows[] = {
        {"--pass 0.25 --stop 0.2",
         "Границы полос не по порядку: для lowpass нужно pass F < stop F"},
        {"--band bandstop --pass 0.1,0.4 --stop 0.3,0.2", "Границы полос не по порядку"},
        {"--fd 48000 --pass 9600 --stop 30000",
         "Граничная частота 30000 вне допустимых: нужно больше 0 и меньше FD/2 = 24000"},
        {"--pass 0.2 --stop 0.2", "Переходная полоса нулевой ширины"},
        {"--pass 0.2 --stop 0.2001", "Требованиям нужно больше 8192 коэффициентов"},
        {"--method ls --pass 0.2 --stop 0.2001", "Требованиям нужно больше 8192 коэффициентов"},
        {"--method kaiser --pass 0.2 --stop 0.2001", "Требованиям нужно больше 8192 коэффициентов"},
        {"--pass 0.2 --stop 0.25 --taps 8193", "--taps должно быть от 1 до 8192"},
        {"--band highpass --pass 0.3 --stop 0.2 --taps 40", "должно быть нечетным"},
        {"--band halfband --pass 0.2 --taps 33", "вида 4m - 1"},
        {"--pass 0.2 --stop 0.25 --weights 1,2,3", "Весов (--weights) должно быть столько"},
        {"--pass 0.2 --stop 0.25 --weights 1,x", "Вес полосы 'x' не является числом"},
        {"--method remez --pass 0.2 --stop 0.25", "Неизвестный метод 'remez'"},
        {"--band notch --pass 0.2 --stop 0.25", "Неизвестный вид фильтра 'notch'"},
        {"--pass 0.2 --stop 0.25 --beta 3", "beta относится только к методу kaiser"},
        {"--band hilbert --pass 0.1,0.4 --stop 0.45", "Для hilbert задаются"},
    };
    for (const auto& row : rows) {
        for (const std::string output : {"out.fir", "keep.fir"}) {
            const auto r = runCli(dir, "design-fir " + row.arguments + " --output " + output +
                                           " --report r.txt");
            EXPECT_EQ(r.status, 1) << row.arguments;
            EXPECT_NE(r.err.find(row.message), std::string::npos) << row.arguments << ": " << r.err;
            EXPECT_FALSE(std::filesystem::exists(dir.file("out.fir"))) << row.arguments;
            EXPECT_FALSE(std::filesystem::exists(dir.file("r.txt"))) << row.arguments;
            EXPECT_EQ(readBytes(dir.file("keep.fir")), "1\r\n 1\r\n") << row.arguments;
        }
    }
    const struct {
        std::string arguments;
        std::string message;
    } files[] = {
        {"--pass 0.2 --stop 0.25", "Укажите файл коэффициентов: --output F.fir"},
        {"--pass 0.2 --stop 0.25 --output lp.flt", "должен иметь расширение .fir"},
        {"--pass 0.2 --stop 0.25 --output a.fir --report ./a.fir", "Один и тот же файл"},
    };
    for (const auto& row : files) {
        const auto r = runCli(dir, "design-fir " + row.arguments);
        EXPECT_EQ(r.status, 1) << row.arguments;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << row.arguments << ": " << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("a.fir"))) << row.arguments;
        EXPECT_FALSE(std::filesystem::exists(dir.file("lp.flt"))) << row.arguments;
    }
}

TEST(CliDesignFir, HelpStatesEveryDefault) {
    TempDir dir;
    const auto r = runCli(dir, "design-fir --help");
    ASSERT_EQ(r.status, 0);
    for (const char* part :
         {"--method M", "по умолчанию pm", "--band B", "по умолчанию lowpass", "--fd X",
          "частота дискретизации, по умолчанию 1", "--ripple DA",
          "неравномерность в полосе пропускания, dB; по умолчанию 0.5", "--attenuation B1",
          "затухание в полосе задерживания, dB; по умолчанию 60", "--taps N", "--beta B",
          "--weights W,W", "--minimum-phase", "--output F.fir", "--report R", "--json"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part;
    const auto usage = runCli(dir, "--help");
    EXPECT_NE(usage.out.find("  design-fir  расчет КИХ-фильтра"), std::string::npos);
}

} // namespace
} // namespace zorkan
