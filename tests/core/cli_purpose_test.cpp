// zorkan-cli's filters for a purpose: the group-delay equaliser of an elliptic low-pass
// measured here with the group-delay formula, the files each command writes, and the
// refusals that write nothing.
#include "clirunner.h"
#include "coefficients/filterfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

namespace zorkan {
namespace {

using testing::CliOutcome;
using testing::readBytes;
using testing::runCli;
using testing::TempDir;
using testing::writeBytes;
using C = std::complex<long double>;

// Re{sum k c_k w^k / sum c_k w^k} at w = e^(-j omega): the group delay of c0 + c1 z^-1 + ...
long double polynomialDelay(const double* c, long double omega) {
    C sum = 0, weighted = 0;
    for (int k = 0; k < 5; ++k) {
        const C w = std::polar(1.0L, -k * omega);
        sum += static_cast<long double>(c[k]) * w;
        weighted += static_cast<long double>(k * c[k]) * w;
    }
    return (weighted / sum).real();
}

long double delayAt(const FilterCoefficients& f, long double omega) {
    long double total = 0;
    for (const FilterSection& s : f.sections)
        total += polynomialDelay(s.a, omega) - polynomialDelay(s.b, omega);
    return total;
}

C responseAt(const FilterCoefficients& f, long double omega) {
    C h = 1;
    for (const FilterSection& s : f.sections) {
        C n = 0, d = 0;
        for (int k = 0; k < 5; ++k) {
            n += static_cast<long double>(s.a[k]) * std::polar(1.0L, -k * omega);
            d += static_cast<long double>(s.b[k]) * std::polar(1.0L, -k * omega);
        }
        h *= n / d;
    }
    return h;
}

// Largest minus smallest delay over `points` angles from 0 to w2.
double variation(const FilterCoefficients& f, double w2, int points) {
    long double lo = 1e300L, hi = -1e300L;
    for (int i = 0; i < points; ++i) {
        const long double t = delayAt(f, w2 * i / (points - 1));
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    }
    return static_cast<double>(hi - lo);
}

// The number after "key": in a one-line JSON object.
double jsonValue(const std::string& json, const std::string& key) {
    const std::size_t at = json.find("\"" + key + "\": ");
    if (at == std::string::npos)
        return std::nan("");
    return std::stod(json.substr(at + key.size() + 4));
}

TEST(CliPurposeEqualise, FlattensTheEllipticLowPassTwentyTimes) {
    TempDir dir;
    ASSERT_EQ(runCli(dir, "design --order 6 --band lowpass --edge 0.2 --approx elliptic --da 0.5 "
                          "--b1 60 --report e.out --filter e.flt")
                  .status,
              0);
    const CliOutcome o = runCli(dir, "equalise e.flt --order 8 --band 0,0.18 --output eq.flt "
                                     "--combined all.flt --json");
    ASSERT_EQ(o.status, 0) << o.err;
    const FilterCoefficients filter = readFilterFile(dir.file("e.flt"), responseReader);
    const FilterCoefficients eq = readFilterFile(dir.file("eq.flt"), responseReader);
    const FilterCoefficients all = readFilterFile(dir.file("all.flt"), responseReader);
    ASSERT_EQ(eq.sections.size(), 4u);
    ASSERT_EQ(all.sections.size(), filter.sections.size() + 4);
    EXPECT_EQ(eq.order, 8u);

    const double w2 = 2 * std::numbers::pi * 0.18;
    const double before = variation(filter, w2, 4001);
    const double after = variation(all, w2, 4001);
    EXPECT_GE(before / after, 20) << before << " " << after;
    // The report's figures: on its grid of 1024 angles the same formula gives the same.
    EXPECT_NEAR(jsonValue(o.out, "variation_before"), variation(filter, w2, 1024), 1e-9);
    EXPECT_NEAR(jsonValue(o.out, "variation_after"), variation(all, w2, 1024), 1e-9);
    long double mean = 0;
    for (int i = 0; i < 1024; ++i)
        mean += delayAt(eq, w2 * i / 1023);
    EXPECT_NEAR(jsonValue(o.out, "mean_delay"), static_cast<double>(mean / 1024), 1e-9);

    double largest = 0;
    for (std::size_t k = 0; k < eq.sections.size(); ++k) {
        const FilterSection& s = eq.sections[k];
        // Each numerator exactly its denominator reversed.
        EXPECT_EQ(s.a[0], s.b[2]);
        EXPECT_EQ(s.a[1], s.b[1]);
        EXPECT_EQ(s.a[2], s.b[0]);
        EXPECT_EQ(s.b[0], 1.0);
        // Roots of z^2 + b1 z + b2.
        const C b1 = s.b[1];
        const C disc = std::sqrt(b1 * b1 - 4.0L * s.b[2]);
        const double r = static_cast<double>(
            std::max(std::abs((-b1 + disc) / 2.0L), std::abs((-b1 - disc) / 2.0L)));
        EXPECT_LE(r, 0.99) << k;
        largest = std::max(largest, r);
        // The combined file: the filter's sections, then the equaliser's.
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(all.sections[filter.sections.size() + k].a[i], s.a[i]);
            EXPECT_EQ(all.sections[filter.sections.size() + k].b[i], s.b[i]);
        }
    }
    EXPECT_NEAR(jsonValue(o.out, "max_radius"), largest, 1e-12);
    for (int i = 0; i <= 1000; ++i)
        EXPECT_NEAR(static_cast<double>(std::abs(responseAt(eq, std::numbers::pi * i / 1000))), 1.0,
                    1e-12);
}

TEST(CliPurposeEqualise, BandPassFileTakesFourthOrderSectionsOfItsKind) {
    TempDir dir;
    ASSERT_EQ(runCli(dir, "design --order 3 --band bandpass --edge 0.1,0.15 --approx chebyshev "
                          "--da 0.5 --report bp.out --filter bp.flt")
                  .status,
              0);
    const CliOutcome o =
        runCli(dir, "equalise bp.flt --order 4 --band 0.1,0.15 --output eq.flt --combined all.flt");
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string text = readBytes(dir.file("all.flt"));
    // Order line 2 x (2 + 2) sections, kind 2, then numerators of two lines each.
    EXPECT_EQ(text.substr(0, text.find("\r\n", text.find("\r\n") + 2) + 2), "8\r\n2 \r\n");
    const FilterCoefficients bp = readFilterFile(dir.file("bp.flt"), responseReader);
    const FilterCoefficients eq = readFilterFile(dir.file("eq.flt"), responseReader);
    const FilterCoefficients all = readFilterFile(dir.file("all.flt"), responseReader);
    ASSERT_EQ(all.kind, 2);
    ASSERT_EQ(all.sections.size(), 4u);
    for (std::size_t k = 0; k < 2; ++k)
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(all.sections[k].a[i], bp.sections[k].a[i]);
            EXPECT_EQ(all.sections[k].b[i], bp.sections[k].b[i]);
            EXPECT_EQ(all.sections[2 + k].a[i], i < 3 ? eq.sections[k].a[i] : 0.0);
            EXPECT_EQ(all.sections[2 + k].b[i], i < 3 ? eq.sections[k].b[i] : 0.0);
        }
    const double w1 = 2 * std::numbers::pi * 0.1, w2 = 2 * std::numbers::pi * 0.15;
    long double lo = 1e300L, hi = -1e300L, lo0 = 1e300L, hi0 = -1e300L;
    for (int i = 0; i < 1001; ++i) {
        const long double w = w1 + (w2 - w1) * i / 1000;
        lo = std::min(lo, delayAt(all, w));
        hi = std::max(hi, delayAt(all, w));
        lo0 = std::min(lo0, delayAt(bp, w));
        hi0 = std::max(hi0, delayAt(bp, w));
    }
    EXPECT_LT(hi - lo, (hi0 - lo0) / 2);
}

TEST(CliPurposeEqualise, BandOutsideThePassBandIsAWarning) {
    TempDir dir;
    ASSERT_EQ(runCli(dir, "design --order 4 --band lowpass --edge 0.1 --report l.out --filter "
                          "l.flt")
                  .status,
              0);
    const CliOutcome o = runCli(dir, "equalise l.flt --order 2 --band 0.05,0.2 --output eq.flt");
    EXPECT_EQ(o.status, 0);
    EXPECT_NE(o.err.find("Внимание: полоса выравнивания выходит за полосу пропускания"),
              std::string::npos)
        << o.err;
    EXPECT_TRUE(std::filesystem::exists(dir.file("eq.flt")));
    const CliOutcome inside = runCli(dir, "equalise l.flt --order 2 --band 0,0.08 --output e2.flt");
    EXPECT_EQ(inside.status, 0);
    EXPECT_EQ(inside.err, "");
}

TEST(CliPurpose, RefusalsWriteNothing) {
    struct Row {
        const char* arguments;
        const char* message;
    };
    const Row rows[] = {
        {"notch --f0 0.5 --q 2 --output out.flt",
         "Частота F0 0.5 должна быть больше нуля и меньше FD/2"},
        {"notch --f0 0 --q 2 --output out.flt", "Частота F0 0 должна быть больше нуля"},
        {"notch --fd 48000 --f0 30000 --q 2 --peak --output out.flt", "меньше FD/2 = 24000"},
        {"notch --f0 0.1 --q 0 --output out.flt", "Добротность Q должна быть больше нуля"},
        {"comb --fd 1000 --f0 200 --q 30 --output out.flt", "FD/F0 = 5 должно быть четным целым"},
        {"comb --fd 1000 --f0 10 --q 30 --output out.flt", "FD/F0 = 100 должно быть четным"},
        {"comb --fd 1000 --f0 300 --q 30 --output out.flt", "четным целым числом не больше 64"},
        {"comb --fd 1000 --f0 500 --q 30 --output out.flt", "меньше FD/2 = 500"},
        {"comb --fd 1000 --f0 100 --q 1 --output out.flt", "должна быть больше 1"},
        {"comb --fd 1000 --f0 100 --q -1 --output out.flt",
         "Добротность Q должна быть больше нуля"},
        {"fractional-delay --delay 2 --order 3 --output out.flt", "должна быть больше N - 1 = 2"},
        {"fractional-delay --delay 0.3 --output out.flt", "Порядок N должен быть от 1 до 64"},
        {"fractional-delay --delay 70 --order 70 --output out.flt", "от 1 до 64"},
        {"from-analog --num 1,0,0 --den 1,1 --output out.flt", "меньше степени числителя"},
        {"from-analog --num 1 --den 1,-2,5 --output out.flt", "лежит в правой полуплоскости"},
        {"from-analog --num 1 --den 1,1 --method prewarp --output out.flt", "--prewarp F"},
        {"from-analog --num 1 --den 1,1 --method prewarp --prewarp 0.5 --output out.flt",
         "Частота предыскажения F 0.5"},
        {"from-analog --num 1 --den 1,1 --method z --output out.flt", "Неизвестный метод"},
        {"eq --band peak:0.5:3:1 --output out.flt", "Частота полосы 0.5"},
        {"eq --band shelf:0.1:3:1 --output out.flt", "Неизвестный тип полосы 'shelf'"},
        {"eq --band peak:0.1:3 --output out.flt", "ТИП:F:УСИЛЕНИЕ:Q"},
        {"eq --band peak:0.1:3:0 --output out.flt", "Добротность Q полосы"},
        {"eq --output out.flt", "Не задано ни одной полосы"},
        {"equalise e.flt --order 7 --band 0,0.18 --output out.flt", "четным числом от 2 до 24"},
        {"equalise e.flt --order 26 --band 0,0.18 --output out.flt", "четным числом от 2 до 24"},
        {"equalise e.flt --order 8 --band 0.2,0.6 --output out.flt", "0 <= F1 < F2 < FD/2"},
        {"equalise e.flt --order 8 --band 0.2,0.1 --output out.flt", "0 <= F1 < F2 < FD/2"},
        {"equalise e.flt --order 8 --band 0,0.18 --max-radius 1 --output out.flt",
         "радиус полюсов R"},
        {"equalise e.flt --order 8 --band 0,0.18 --output e.flt", "задан и как"},
        {"notch --f0 0.1 --q 2", "--output"},
    };
    for (const Row& row : rows) {
        TempDir dir;
        ASSERT_EQ(runCli(dir, "design --order 6 --band lowpass --edge 0.2 --approx elliptic "
                              "--da 0.5 --b1 60 --report e.out --filter e.flt")
                      .status,
                  0);
        const std::string filter = readBytes(dir.file("e.flt"));
        const CliOutcome o = runCli(dir, row.arguments);
        EXPECT_EQ(o.status, 1) << row.arguments;
        EXPECT_NE(o.err.find(row.message), std::string::npos) << row.arguments << "\n" << o.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.flt"))) << row.arguments;
        EXPECT_EQ(readBytes(dir.file("e.flt")), filter) << row.arguments;
        // Nothing but the design's files and the captured messages.
        int files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            files += entry.path().filename() != "stderr.txt";
        EXPECT_EQ(files, 2) << row.arguments;
    }
}

TEST(CliPurpose, RefusalKeepsAnOldFile) {
    TempDir dir;
    writeBytes(dir.file("old.flt"), "old contents");
    const CliOutcome o = runCli(dir, "comb --fd 1000 --f0 200 --q 30 --output old.flt");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(readBytes(dir.file("old.flt")), "old contents");
}

TEST(CliPurpose, HelpStatesEachDefault) {
    struct Row {
        const char* command;
        std::vector<const char*> texts;
    };
    const Row rows[] = {
        {"equalise", {"по умолчанию 1\n", "по умолчанию 0.99", "четное число от 2 до 24"}},
        {"eq", {"по умолчанию 1\n", "до 32 раз"}},
        {"notch", {"по умолчанию 1\n"}},
        {"comb", {"по умолчанию 1\n", "по\n                   умолчанию провал"}},
        {"fractional-delay", {"по умолчанию ближайшее к D целое"}},
        {"from-analog", {"по умолчанию 1\n", "по умолчанию bilinear", "по умолчанию нет"}},
    };
    for (const Row& row : rows) {
        TempDir dir;
        const CliOutcome o = runCli(dir, std::string(row.command) + " --help");
        EXPECT_EQ(o.status, 0);
        for (const char* text : row.texts)
            EXPECT_NE(o.out.find(text), std::string::npos) << row.command << ": " << text;
    }
}

TEST(CliPurpose, FilesHoldTheDesignedSections) {
    struct Row {
        const char* arguments;
        const char* expected; // the whole file
    };
    // D = N = 2: the pure delay z^-2. 1 / (s + 1) at FD = 1/2, K = 2 FD = 1: the pole goes
    // to (1 - 1) / (1 + 1) = 0, the zero at infinity to -1, the gain 1 / (K + 1).
    // s / (s + 1) at FD = 2, K = 4: zero at 1, pole at 3/5, gain 4 / 5.
    const Row rows[] = {
        {"fractional-delay --delay 2 --output out.flt",
         "2\r\n0 \r\n 0.00000000000000E+0000  0.00000000000000E+0000  1.00000000000000E+0000 \r\n"
         " 1.00000000000000E+0000  0.00000000000000E+0000  0.00000000000000E+0000 \r\n"},
        {"from-analog --num 1 --den 1,1 --fd 0.5 --output out.flt",
         "2 \r\n0 \r\n 5.00000000000000E-0001  5.00000000000000E-0001  0.00000000000000E+0000 \r\n"
         " 1.00000000000000E+0000  0.00000000000000E+0000  0.00000000000000E+0000 \r\n"},
        {"from-analog --num 1,0 --den 1,1 --fd 2 --output out.flt",
         "2 \r\n0 \r\n 8.00000000000000E-0001 -8.00000000000000E-0001  0.00000000000000E+0000 \r\n"
         " 1.00000000000000E+0000 -6.00000000000000E-0001  0.00000000000000E+0000 \r\n"},
    };
    for (const Row& row : rows) {
        TempDir dir;
        const CliOutcome o = runCli(dir, row.arguments);
        ASSERT_EQ(o.status, 0) << row.arguments << o.err;
        EXPECT_EQ(readBytes(dir.file("out.flt")), row.expected) << row.arguments;
    }
}

} // namespace
} // namespace zorkan
