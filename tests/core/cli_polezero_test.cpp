// zorkan-cli from-roots, pole-grid and spectrum-of: the files and figures against
// polynomials multiplied out here, direct enumerations and scipy's welch.
#include "coefficients/filterfile.h"

#include "clirunner.h"
#include "soundfiles.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <sstream>
#include <utility>
#include <vector>

namespace zorkan {
namespace {

using testing::CliOutcome;
using testing::readBytes;
using testing::runCli;
using testing::TempDir;
using testing::writeBytes;

constexpr double pi = std::numbers::pi;

// prod (1 - z_k w) over the roots, coefficients of w^0..w^d.
std::vector<std::complex<double>> multiplyOut(const std::vector<std::complex<double>>& roots) {
    std::vector<std::complex<double>> p{1};
    for (const std::complex<double>& z : roots) {
        std::vector<std::complex<double>> next(p.size() + 1, 0);
        for (std::size_t i = 0; i < p.size(); ++i) {
            next[i] += p[i];
            next[i + 1] -= p[i] * z;
        }
        p = next;
    }
    return p;
}

std::vector<double> productOf(const FilterCoefficients& f, bool num) {
    std::vector<double> p{1};
    for (const FilterSection& s : f.sections) {
        const double* c = num ? s.a : s.b;
        std::vector<double> next(p.size() + 2, 0);
        for (std::size_t i = 0; i < p.size(); ++i)
            for (std::size_t k = 0; k < 3; ++k)
                next[i + k] += p[i] * c[k];
        p = next;
    }
    while (p.size() > 1 && p.back() == 0)
        p.pop_back();
    return p;
}

// The file holds 15 significant digits.
void expectSame(const std::vector<double>& got, const std::vector<std::complex<double>>& expected,
                double gain) {
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_NEAR(got[i], gain * expected[i].real(), 2e-14) << "w^" << i;
}

// A parameter file holds 15 significant digits.
double fifteenDigits(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.14e", v);
    return std::strtod(text, nullptr);
}

TEST(CliFromRoots, ANotchAtFiftyHertzHasItsZerosOnTheCircle) {
    TempDir dir;
    const CliOutcome o =
        runCli(dir, "from-roots --zeros 1@50 --poles 0.9@50 --fd 1000 --output n.flt");
    ASSERT_EQ(o.status, 0) << o.err;
    const FilterCoefficients f = readFilterFile(dir.file("n.flt"), responseReader);
    ASSERT_EQ(f.sections.size(), 1u);
    const FilterSection& s = f.sections[0];
    // 1 - 2 cos(0.05 2pi) z^-1 + z^-2 over 1 - 1.8 cos(0.05 2pi) z^-1 + 0.81 z^-2 (50 Hz is
    // 0.05 of FD: the angle 0.1 pi).
    EXPECT_EQ(s.a[0], 1);
    EXPECT_EQ(s.a[2], 1);
    EXPECT_EQ(s.a[1], fifteenDigits(-1.902113032590307));
    EXPECT_EQ(s.b[0], 1);
    EXPECT_EQ(s.b[1], fifteenDigits(-1.7119017293312764));
    EXPECT_EQ(s.b[2], 0.81);
    // Its zeros: |z| = 1 exactly at the angles +-0.1 pi.
    const std::complex<double> z =
        0.5 * std::complex<double>(-s.a[1], std::sqrt(4 - s.a[1] * s.a[1]));
    EXPECT_NEAR(std::arg(z), 0.1 * pi, 1e-14);
}

TEST(CliFromRoots, TheFileMultipliesOutToTheRoots) {
    struct Case {
        const char* arguments;
        std::vector<std::complex<double>> zeros, poles;
        double gain;
    };
    const std::complex<double> j(0, 1);
    const Case cases[] = {
        {"--zeros -1,0.5:1 --poles 0.3,0.6:2,-0.2 --gain 2",
         {-1, 0.5 * std::exp(j), 0.5 * std::exp(-j)},
         {0.3, 0.6 * std::exp(2.0 * j), 0.6 * std::exp(-2.0 * j), -0.2},
         2},
        {"--zeros 1@100,1@300,0.25 --poles 0.95@100,0.9@300,0.5,0.4 --fd 800 --gain -0.5",
         {std::exp(0.25 * pi * j), std::exp(-0.25 * pi * j), std::exp(0.75 * pi * j),
          std::exp(-0.75 * pi * j), 0.25},
         {0.95 * std::exp(0.25 * pi * j), 0.95 * std::exp(-0.25 * pi * j),
          0.9 * std::exp(0.75 * pi * j), 0.9 * std::exp(-0.75 * pi * j), 0.5, 0.4},
         -0.5},
        {"--poles 0.5,0.5,0.5", {}, {0.5, 0.5, 0.5}, 1},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const CliOutcome o =
            runCli(dir, std::string("from-roots ") + c.arguments + " --output f.flt");
        ASSERT_EQ(o.status, 0) << o.err;
        const FilterCoefficients f = readFilterFile(dir.file("f.flt"), responseReader);
        expectSame(productOf(f, true), multiplyOut(c.zeros), c.gain);
        expectSame(productOf(f, false), multiplyOut(c.poles), 1);
    }
}

TEST(CliFromRoots, UnitGainAtAFrequency) {
    TempDir dir;
    const CliOutcome o = runCli(dir, "from-roots --zeros -1,-1 --poles 0.8:0.5,0.3 --fd 48000 "
                                     "--unit-gain-at 3000 --output g.flt");
    ASSERT_EQ(o.status, 0) << o.err;
    const FilterCoefficients f = readFilterFile(dir.file("g.flt"), responseReader);
    const std::complex<double> w = std::polar(1.0, -2 * pi * 3000 / 48000);
    std::complex<double> h = 1;
    for (const FilterSection& s : f.sections)
        h *= (s.a[0] + s.a[1] * w + s.a[2] * w * w) / (s.b[0] + s.b[1] * w + s.b[2] * w * w);
    EXPECT_NEAR(std::abs(h), 1, 3e-14); // three sections of 15 digits
}

// Without --fd the frequency of the normalisation is a fraction of FD: 1 / (1 - 0.5 z^-1)
// is 2 at DC and 2/3 at FD/2, so G is 1/2 and 3/2.
TEST(CliFromRoots, UnitGainAtAFractionOfTheSamplingFrequency) {
    const std::pair<const char*, double> cases[] = {{"0", 0.5}, {"0.5", 1.5}};
    for (const auto& [frequency, gain] : cases) {
        TempDir dir;
        const CliOutcome o = runCli(dir, std::string("from-roots --poles 0.5 --unit-gain-at ") +
                                             frequency + " --output g.flt");
        ASSERT_EQ(o.status, 0) << o.err;
        const FilterCoefficients f = readFilterFile(dir.file("g.flt"), responseReader);
        ASSERT_EQ(f.sections.size(), std::size_t(1));
        EXPECT_DOUBLE_EQ(f.sections[0].a[0] / f.sections[0].b[0], gain) << frequency;
    }
}

TEST(CliPoleZero, BadInputIsRefusedInRussianAndNothingIsWritten) {
    struct Case {
        const char* arguments;
        const char* message;
    };
    const Case cases[] = {
        {"from-roots --zeros 1,,2 --poles 0.5 --output o.flt",
         "Корень \"\" записан неверно: ожидается число, R:A или R@F\n"},
        {"from-roots --zeros 0.5:x --output o.flt",
         "Корень \"0.5:x\" записан неверно: ожидается число, R:A или R@F\n"},
        {"from-roots --zeros 1@50 --output o.flt",
         "Корень \"1@50\" задан частотой: укажите частоту дискретизации --fd\n"},
        {"from-roots --poles 0.9@500 --fd 1000 --output o.flt",
         "Частота корня \"0.9@500\" должна быть не меньше 0 и меньше FD/2\n"},
        {"from-roots --poles 0.5 --gain 2 --unit-gain-at 10 --fd 100 --output o.flt",
         "Ключи --gain и --unit-gain-at нельзя задавать вместе\n"},
        {"from-roots --poles 0.5 --unit-gain-at 10 --output o.flt",
         "Частота нормировки должна лежать от 0 до FD/2\n"},
        {"from-roots --zeros 1@25 --poles 0.5 --unit-gain-at 25 --fd 100 --output o.flt",
         "На частоте нормировки |H| равен нулю или не ограничен: задайте другую частоту\n"},
        {"from-roots --poles 0.5 --fd 0 --output o.flt",
         "Частота дискретизации FD должна быть больше нуля\n"},
        {"pole-grid --coef-bits 3 --structure df1",
         "Разрядность коэффициентов должна быть от 4 до 20\n"},
        {"pole-grid --coef-bits 21 --structure normal --csv",
         "Разрядность коэффициентов должна быть от 4 до 20\n"},
        {"pole-grid --coef-bits 8 --structure df1 --region 0.9,0.5,0,1",
         "Радиусы области должны идти по порядку: 0 <= r0 < r1 <= 1\n"},
        {"pole-grid --coef-bits 8 --structure df1 --region 0,1,2,1",
         "Углы области должны идти по порядку: 0 <= θ0 < θ1 <= π\n"},
        {"pole-grid --coef-bits 8 --structure df1 --region 0,1,2",
         "Область записана неверно: ожидается r0,r1,θ0,θ1\n"},
        {"pole-grid --coef-bits 8 --structure optimal",
         "У оптимальной структуры нет своей сетки полюсов: ее коэффициенты зависят и от нулей "
         "секции\n"},
        {"spectrum-of in.xicd --segment 15", "Длина отрезка должна быть от 16 до 1048576\n"},
        {"spectrum-of in.xicd --segment 100",
         "В сигнале меньше 100 отсчетов: задайте меньшую длину отрезка (--segment)\n"},
        {"spectrum-of in.xicd --segment 256",
         "В сигнале меньше 256 отсчетов: задайте меньшую длину отрезка (--segment)\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeBytes(dir.file("in.xicd"), "0.5\r\n0.25\r\n");
        const CliOutcome o = runCli(dir, c.arguments);
        EXPECT_EQ(o.status, 1) << c.arguments;
        EXPECT_EQ(o.err, c.message) << c.arguments;
        EXPECT_EQ(o.out, "") << c.arguments;
        EXPECT_FALSE(std::filesystem::exists(dir.file("o.flt"))) << c.arguments;
    }
}

TEST(CliPoleGrid, FiguresAndPoints) {
    TempDir dir;
    // The count as the enumeration of a1, a2 gives it; the gap from scipy's cKDTree.
    CliOutcome o = runCli(dir, "pole-grid --coef-bits 8 --structure df1 --json");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "{\"count\": 10773, \"largest_gap\": 0.03641269198099209}\n");
    o = runCli(dir, "pole-grid --coef-bits 8 --structure lattice");
    EXPECT_EQ(o.out, "Положений: 27983\nНаибольший промежуток: 0.037642241687167594\n");
    // The normal form's positions in a region: a quarter step apart, inside it.
    o = runCli(dir, "pole-grid --coef-bits 4 --structure normal --region 0.2,0.9,0.5,2 --csv");
    ASSERT_EQ(o.status, 0) << o.err;
    std::istringstream lines(o.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "re,im");
    int count = 0;
    for (int m = -8; m < 8; ++m)
        for (int n = 1; n < 8; ++n) {
            const double re = m / 8.0, im = n / 8.0, r = std::hypot(re, im), a = std::atan2(im, re);
            if (r >= 0.2 && r <= 0.9 && a >= 0.5 && a <= 2)
                ++count;
        }
    int got = 0;
    while (std::getline(lines, line)) {
        const std::size_t comma = line.find(',');
        const double re = std::stod(line.substr(0, comma)), im = std::stod(line.substr(comma + 1));
        EXPECT_EQ(re * 8, std::round(re * 8)) << line;
        EXPECT_EQ(im * 8, std::round(im * 8)) << line;
        ++got;
    }
    EXPECT_EQ(got, count);
}

std::vector<std::pair<double, double>> table(const std::string& out) {
    std::vector<std::pair<double, double>> rows;
    std::istringstream lines(out);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        const std::size_t cut = line.find_first_of(",\t");
        rows.push_back({std::stod(line.substr(0, cut)), std::stod(line.substr(cut + 1))});
    }
    return rows;
}

TEST(CliSpectrumOf, AgreesWithScipysWelch) {
    TempDir dir;
    // Two channels of 16-bit samples s / 32768; scipy.signal.welch(fs=8000, nperseg=16,
    // noverlap=8, window='hann', detrend='constant', scaling='density') of each, averaged.
    std::vector<int> samples;
    for (long m = 0; m < 500; ++m) {
        const long left = (m * 7919 + 13) % 65536 - 32768;
        const long v = (m * 104729 + 7) % 65536 - 32768;
        const long right = (v - (v & 1)) / 2; // halved towards minus infinity, as Python's //
        samples.push_back(static_cast<int>(left * 65536));
        samples.push_back(static_cast<int>(right * 65536));
    }
    ASSERT_TRUE(testing::writeSound(dir.file("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 2,
                                    samples));
    const double wav[][2] = {
        {0.0, -57.34838811768956},     {500.0, -43.14402971220087},  {1000.0, -38.48152112353835},
        {1500.0, -42.29716362630516},  {2000.0, -43.45668215882134}, {2500.0, -46.97196093508769},
        {3000.0, -42.842013167648496}, {3500.0, -44.23428343633433}, {4000.0, -50.03662507777359},
    };
    CliOutcome o = runCli(dir, "spectrum-of in.wav --segment 16 --csv");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out.substr(0, 17), "frequency,psd_db\n");
    auto rows = table(o.out);
    ASSERT_EQ(rows.size(), 9u);
    for (std::size_t k = 0; k < 9; ++k) {
        EXPECT_EQ(rows[k].first, wav[k][0]);
        EXPECT_NEAR(rows[k].second, wav[k][1], 1e-9) << k;
    }
    // A signal file of the values k / 64 with FD = 1000.
    std::string signal;
    for (long n = 0; n < 200; ++n)
        signal += std::to_string(static_cast<double>((n * 37) % 129 - 64) / 64) + "\r\n";
    writeBytes(dir.file("in.xicd"), signal);
    const double xicd[][2] = {
        {0.0, -45.13356429496526},   {62.5, -42.65608566570744},  {125.0, -33.825406474608975},
        {187.5, -35.45215617093622}, {250.0, -28.18787210041974}, {312.5, -27.308912848090113},
        {375.0, -34.30126431154726}, {437.5, -31.56440221527733}, {500.0, -39.278102777475084},
    };
    o = runCli(dir, "spectrum-of in.xicd --segment 16 --fd 1000");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out.substr(0, o.out.find('\n')), "Частота\tСПМ, дБ");
    rows = table(o.out);
    ASSERT_EQ(rows.size(), 9u);
    for (std::size_t k = 0; k < 9; ++k) {
        EXPECT_EQ(rows[k].first, xicd[k][0]);
        EXPECT_NEAR(rows[k].second, xicd[k][1], 1e-9) << k;
    }
}

} // namespace
} // namespace zorkan
