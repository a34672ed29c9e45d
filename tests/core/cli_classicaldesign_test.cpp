// zorkan-cli design beyond the design window's requests: the design window's requests
// keep their bytes, the new options refuse what does not fit.
#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using namespace zorkan::testing;

std::string sha256Of(const TempDir& dir, const std::string& files) {
    const std::string command = "cd '" + dir.path().string() + "' && cat " + files + " | sha256sum";
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    ::pclose(pipe);
    return out.substr(0, 64);
}

// The report, the parameter file and the account of the design window's requests, as
// the command wrote them before it designed anything else (the window's table range
// FF2 = 0.5 given where FD is not 1: the command's own default is FD/2).
TEST(CliClassicalDesign, TheDesignRunsRequestsKeepTheirBytes) {
    struct Row {
        const char* arguments;
        const char* sha256;
    };
    const Row table[] = {
        {"--approx butterworth",
         "0a930dad58dd6d3b09264a8d1fbe6fd228f0df14ac016dba0fc0398314ee1c7a"},
        {"--approx chebyshev --f1 0.1 --f4 0.15 --da 0.5 --b1 50",
         "6d9fa540f3f43579ec955cb969edb599b47ef1b9743192797a4130da12326475"},
        {"--approx elliptic --f1 0.2 --f4 0.22 --da 0.1 --b1 60",
         "d6cbb999dfe46454da7f2e20743866883ca3bae2506817032283e4938318ce45"},
        {"--approx butterworth --f1 0 --f4 0 --f2 0.3 --f3 0.2 --fd 2 --ff2 0.5",
         "88f277ae07df73de3b8b9c34901f9651ced7991129de6fbc1d2b057ffa1bf557"},
        {"--approx elliptic --f1 0 --f4 0 --f2 1000 --f3 800 --fd 8000 --np 50 --ff2 0.5",
         "266255ef419c9ec0d8194a19c2b3f83f4b540992945acfed3c312c70629f4c27"},
        {"--approx chebyshev --f1 0.25 --f2 0.15 --f3 0.1 --f4 0.3 --b1 40",
         "ceca65c579ed1b69ebd01c9e45dbe2792ee812d8c4e30534e387e38827690807"},
        {"--approx elliptic --f1 0.25 --f2 0.15 --f3 0.13 --f4 0.27 --b1 45 --da 0.5",
         "55d98e0341874d38836d4a9c1656f3c31e1a2131c6c8c7603546bdc9a718e5db"},
        {"--approx butterworth --f1 0.2 --f4 0.2001 --b1 80",
         "f528fb5ca7412c98ca42ed4bcbeeb612c627da21e38039cfe7c0ccdf4c8766cc"},
    };
    int i = 0;
    for (const Row& row : table) {
        SCOPED_TRACE(row.arguments);
        ++i;
        TempDir dir;
        const std::string names = "r" + std::to_string(i) + ".out f" + std::to_string(i) + ".flt";
        const CliOutcome o =
            runCli(dir, std::string("design ") + row.arguments + " --report r" + std::to_string(i) +
                            ".out --filter f" + std::to_string(i) + ".flt >a.txt");
        ASSERT_EQ(o.status, 0);
        EXPECT_EQ(sha256Of(dir, names + " a.txt"), row.sha256);
    }
}

TEST(CliClassicalDesign, BadCombinationsAreRefused) {
    struct Row {
        const char* arguments;
        const char* message;
    };
    const Row rows[] = {
        {"design --order 4",
         "При расчете по порядку нужен --band lowpass|highpass|bandpass|bandstop\n"},
        {"design --order 4 --band lowpass",
         "При расчете по порядку нужна граничная частота --edge\n"},
        {"design --order 4 --band lowpass --edge 0.1,0.2",
         "Для lowpass и highpass --edge задает одну частоту\n"},
        {"design --order 4 --band bandstop --edge 0.1",
         "Для bandpass и bandstop --edge задает две частоты: F1,F2\n"},
        {"design --order 65 --band lowpass --edge 0.1",
         "Порядок ФНЧ-прототипа --order должен быть от 1 до 64\n"},
        {"design --order 0 --band lowpass --edge 0.1",
         "Порядок ФНЧ-прототипа --order должен быть от 1 до 64\n"},
        {"design --order 3 --band lowpass --edge 0.1 --f1 0.1",
         "--f1 не задается при расчете по порядку (--order): границы задает --edge\n"},
        {"design --edge 0.1", "--band и --edge задаются только вместе с --order\n"},
        {"design --order 3 --band notch --edge 0.1",
         "Неизвестный вид фильтра 'notch': допустимы lowpass, highpass, bandpass, bandstop\n"},
        {"design --order 3 --band bandpass --edge 0.3,0.2",
         "Граничные частоты должны удовлетворять 0<F1<F2<FD/2\n"},
        {"design --order 3 --band highpass --edge 0.5",
         "Граничная частота должна удовлетворять 0<F<FD/2\n"},
        {"design --order 3 --band lowpass --edge 0.1x",
         "Граничная частота '0.1x' не является числом\n"},
        {"design --f1 0.1 --f3 0.25 --f4 0.15 --f2 0.3",
         "Параметры F1,F2,F3,F4 введены неправильно!\n"},
        {"design --f1 0.1 --f3 0.15 --f4 0.25 --f2 0.6",
         "Для РФ частота F2 должна быть меньше FD/2\n"},
        {"design --approx chebyshev2 --da 0", "Должно быть 0 < DA < B1\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.arguments);
        TempDir dir;
        const CliOutcome o = runCli(dir, r.arguments);
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.err, r.message);
        EXPECT_EQ(o.out, "");
        EXPECT_FALSE(std::filesystem::exists(dir.file("1.out")));
        EXPECT_FALSE(std::filesystem::exists(dir.file("1.flt")));
    }
}

// A 50 Hz notch by tolerance and an order design, in hertz, with the figures they print.
TEST(CliClassicalDesign, NotchAndOrderDesignsPrintTheirFigures) {
    TempDir dir;
    const CliOutcome notch = runCli(dir, "design --approx chebyshev --fd 1000 --f1 45 --f3 49 "
                                         "--f4 51 --f2 55 --da 1 --b1 40 --check --strict");
    EXPECT_EQ(notch.status, 0) << notch.err;
    EXPECT_NE(notch.out.find("затухание в полосе задерживания"), std::string::npos);
    EXPECT_NE(notch.out.find("- требование выполнено"), std::string::npos);
    EXPECT_EQ(notch.out.find("- требование не выполнено"), std::string::npos);
    EXPECT_EQ(readBytes(dir.file("1.flt")).substr(0, 3), "4 \r"); // two sections of order 2 x 2
    const CliOutcome order = runCli(dir, "design --approx chebyshev2 --order 8 --band lowpass "
                                         "--edge 1000 --fd 8000 --b1 60");
    EXPECT_EQ(order.status, 0) << order.err;
    EXPECT_NE(order.out.find("Аппроксимация инверсная Чебышева\nПорядок фильтра8\n"),
              std::string::npos);
    EXPECT_NE(order.out.find("Затухание на граничной частоте 1000 = 60.00 dB\n"),
              std::string::npos);
}

// The elliptic request the design run's formulas miss (order 7 with 1.84 dB of ripple)
// keeps its "Внимание:" line without --exact; with --exact it is met at the order 7 of
// scipy.signal.ellipord(3000, 4000, 0.5, 60, fs=48000). F4 0.202 ends in a floating-point
// fault without --exact; with it the order is ellipord(0.4, 0.404, 1.5, 30)'s 7.
TEST(CliClassicalDesign, ExactDesignsMeetWhatTheFormulasMiss) {
    struct Row {
        const char* arguments;
        const char* order;
    };
    const Row table[] = {
        {"--approx elliptic --fd 48000 --f1 3000 --f4 4000 --da 0.5 --b1 60", "Порядок фильтра7\n"},
        {"--approx elliptic --f1 0.2 --f4 0.202", "Порядок фильтра7\n"},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.arguments);
        TempDir dir;
        const CliOutcome described =
            runCli(dir, std::string("design ") + row.arguments + " --check --strict");
        EXPECT_NE(described.status, 0);
        const CliOutcome exact =
            runCli(dir, std::string("design ") + row.arguments + " --exact --check --strict");
        EXPECT_EQ(exact.status, 0) << exact.err;
        EXPECT_NE(exact.out.find(row.order), std::string::npos) << exact.out;
        EXPECT_EQ(exact.out.find("Внимание:"), std::string::npos) << exact.out;
        EXPECT_EQ(exact.out.find("- требование не выполнено"), std::string::npos);
        EXPECT_GT(readBytes(dir.file("1.flt")).size(), 100u);
    }
}

TEST(CliClassicalDesign, HelpListsTheNewOptions) {
    TempDir dir;
    const CliOutcome o = runCli(dir, "design --help");
    for (const char* text : {"--order", "--band", "--edge", "--exact", "chebyshev2", "bessel",
                             "bandstop", "F1<F3<F4<F2"})
        EXPECT_NE(o.out.find(text), std::string::npos) << text;
}

} // namespace
