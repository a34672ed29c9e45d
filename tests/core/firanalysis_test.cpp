// FIR filters (".fir" files) in the analysis, the characteristics and the listening
// tools: linear phase types, zeros of taps built from known roots, the group delay of
// linear-phase taps, the responses, the plot's curves against the closed form of a short
// filter, and a sound filtered against an exact convolution.
#include "analysis/filteranalysis.h"
#include "charts/characteristics.h"
#include "clirunner.h"
#include "common/errors.h"
#include "fir/firfile.h"
#include "fir/firproperties.h"
#include "soundfiles.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

using namespace zorkan;
using zorkan::testing::CliOutcome;
using zorkan::testing::readSound;
using zorkan::testing::runCli;
using zorkan::testing::TempDir;
using zorkan::testing::writeBytes;
using zorkan::testing::writeSound;

namespace {

using cplx = std::complex<long double>;

// The taps of the product of (1 - r z^-1) over the roots, rounded once to doubles.
std::vector<double> tapsOfRoots(const std::vector<cplx>& roots) {
    std::vector<cplx> p{1};
    for (const cplx& r : roots) {
        p.push_back(0);
        for (std::size_t k = p.size() - 1; k > 0; --k)
            p[k] -= r * p[k - 1];
    }
    std::vector<double> taps;
    for (const cplx& c : p)
        taps.push_back(static_cast<double>(c.real()));
    return taps;
}

std::string firText(const std::vector<double>& taps) {
    std::ostringstream out;
    out.precision(17);
    out << taps.size() << "\r\n";
    for (double h : taps)
        out << h << "\r\n";
    return out.str();
}

} // namespace

TEST(FirAnalysis, LinearPhaseTypes) {
    struct Row {
        std::vector<double> taps;
        int type;
    };
    const std::vector<Row> rows = {
        {{1, 2, 1}, 1},           {{5}, 1},
        {{1, 2, 2, 1}, 2},        {{0.5, 0.5}, 2},
        {{1, 0, -1}, 3},          {{1, 1e-13, -1}, 3}, // a middle tap within the tolerance of zero
        {{1, 2, -2, -1}, 4},      {{1, -1}, 4},
        {{1, 2, 3}, 0},           {{1, 2, 1 + 1e-9}, 0}, // beyond the tolerance
        {{1, 2, 1 + 1e-13}, 1},                          // within it
        {{1, 2, 0, -2, -1.5}, 0}, {{0, 0, 0}, 0},        // no phase at all
        {{1, 2, 3, 2, 1, 0}, 0},                         // a trailing zero breaks the symmetry
    };
    for (const Row& row : rows)
        EXPECT_EQ(linearPhaseType(row.taps), row.type) << ::testing::PrintToString(row.taps);
}

TEST(FirAnalysis, ZerosOfTapsBuiltFromKnownRoots) {
    const long double theta = 1.2L, phi = 2.5L;
    const std::vector<cplx> known = {0.5L,
                                     -0.8L,
                                     std::polar(0.9L, theta),
                                     std::polar(0.9L, -theta),
                                     std::polar(1.0L, phi),
                                     std::polar(1.0L, -phi),
                                     -1.25L,
                                     2.0L};
    const std::vector<double> taps = tapsOfRoots(known);
    const std::vector<FilterRoot> roots = firRoots(taps);
    ASSERT_EQ(roots.size(), 2 * known.size());
    for (std::size_t i = 0; i < known.size(); ++i) {
        const FilterRoot& r = roots[i];
        EXPECT_FALSE(r.pole);
        EXPECT_EQ(r.section, 1);
        long double nearest = 1e300L;
        for (const cplx& z : known)
            nearest = std::min(nearest, std::abs(cplx(r.re, r.im) - z) / std::abs(z));
        EXPECT_LE(nearest, 1e-12L) << r.re << " " << r.im;
    }
    // Each known root is found once.
    for (const cplx& z : known)
        EXPECT_EQ(std::count_if(roots.begin(), roots.begin() + static_cast<long>(known.size()),
                                [&](const FilterRoot& r) {
                                    return std::abs(cplx(r.re, r.im) - z) <= 1e-12L * std::abs(z);
                                }),
                  1)
            << z;
    // Every pole at the origin, all eight together.
    for (std::size_t i = known.size(); i < roots.size(); ++i) {
        EXPECT_TRUE(roots[i].pole);
        EXPECT_EQ(roots[i].re, 0.0);
        EXPECT_EQ(roots[i].im, 0.0);
        EXPECT_EQ(roots[i].multiplicity, 8);
    }
}

TEST(FirAnalysis, GroupDelayOfLinearPhaseIsHalfTheLength) {
    struct Row {
        std::vector<double> taps;
        double delay; // (N - 1) / 2, or the closed form
        double omega;
    };
    const double pi = std::numbers::pi;
    const std::vector<Row> rows = {
        // clang-format off
        {{1, 3, 5, 3, 1}, 2, 0},
        {{1, 3, 5, 3, 1}, 2, 0.7},
        {{1, 3, 5, 3, 1}, 2, pi},
        {{0.1, -0.2, 0.9, 0.9, -0.2, 0.1}, 2.5, 0.3},
        {{0.1, -0.2, 0.9, 0.9, -0.2, 0.1}, 2.5, 1.9},
        {{1, 0, -1}, 1, pi / 2},                   // type III
        {{1, 2, -2, -1}, 1.5, 2.2},                // type IV
        {{0.25, 0.5, 0.25}, 1, 3.0},
        // 1 + 0.5 z^-1: (0.5 cos w + 0.25) / (1.25 + cos w), 0.2 at pi/2.
        {{1, 0.5}, 0.2, pi / 2},
        {{1, 0.5}, 1.0 / 3, 0},
        {{1, 0.5}, -1, pi},
        // clang-format on
    };
    for (const Row& row : rows)
        EXPECT_EQ(static_cast<double>(firGroupDelayAt(row.taps, row.omega)), row.delay)
            << ::testing::PrintToString(row.taps) << " at " << row.omega;
    // A symmetric filter of 101 taps: 50 samples at every frequency of a table away from
    // its zeros, the largest delay too.
    std::vector<double> taps(101);
    for (std::size_t k = 0; k < taps.size(); ++k)
        taps[k] = 1.0 / (1.0 + std::fabs(50.0 - static_cast<double>(k)));
    const std::vector<GroupDelayRow> table = firGroupDelayTable(taps, 9, 1);
    for (const GroupDelayRow& row : table)
        EXPECT_EQ(row.samples, 50.0) << row.frequency;
    EXPECT_EQ(summariseFir(taps, 1).maxDelay, 50.0);
    EXPECT_EQ(summariseFir(taps, 1).linearPhase, 1);
}

TEST(FirAnalysis, ResponsesAndSummary) {
    const std::vector<double> taps = {0.5, 0.25, -0.125};
    std::vector<double> impulse, step;
    firResponse(taps, 5, false, impulse);
    firResponse(taps, 5, true, step);
    EXPECT_EQ(impulse, (std::vector<double>{0.5, 0.25, -0.125, 0, 0}));
    EXPECT_EQ(step, (std::vector<double>{0.5, 0.75, 0.625, 0.625, 0.625}));
    const FirSummary s = summariseFir(taps, 8000);
    EXPECT_EQ(s.taps, 3);
    EXPECT_EQ(s.linearPhase, 0);
    EXPECT_EQ(s.dcGain.value, 0.625);
    EXPECT_EQ(s.halfGain.value, 0.125); // 0.5 - 0.25 - 0.125
    const std::vector<std::string> lines = firSummaryLines(s, 8000);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "КИХ-фильтр: коэффициентов 3, порядок 2");
    EXPECT_EQ(lines[1], "Фильтр устойчив: все полюсы (2) в начале координат z = 0");
    EXPECT_EQ(lines[2], "Фаза нелинейная: коэффициенты не симметричны и не антисимметричны");
    EXPECT_THROW(firGroupDelayAt({0, 0}, 1), UserMessage);
}

TEST(FirCli, AnalyseReadsTapsAndNamesTheLineOfABadFile) {
    TempDir dir;
    writeBytes(dir.file("h.fir"), firText({0.25, 0.5, 0.25}));
    writeBytes(dir.file("short.fir"), "3\r\n1\r\n2\r\n");
    writeBytes(dir.file("bad.fir"), "2\r\n1\r\nx\r\n");
    struct Row {
        std::string arguments;
        int status;
        std::string out, err;
    };
    const std::vector<Row> rows = {
        // clang-format off
        {"analyse h.fir --impulse 4", 0, " 2.50000000000000E-0001\n 5.00000000000000E-0001\n 2.50000000000000E-0001\n 0.00000000000000E+0000\n", ""},
        {"analyse h.fir --step 4", 0, " 2.50000000000000E-0001\n 7.50000000000000E-0001\n 1.00000000000000E+0000\n 1.00000000000000E+0000\n", ""},
        {"analyse h.fir --group-delay 3", 0, " 0.00000000000000E+0000  1.00000000000000E+0000\n 2.50000000000000E-0001  1.00000000000000E+0000\n 5.00000000000000E-0001  1.00000000000000E+0000\n", ""},
        // A double zero at -1 (angle pi), two poles at the origin.
        {"analyse h.fir --roots", 0, "1 нуль -1.00000000000000E+0000  0.00000000000000E+0000  1.00000000000000E+0000  3.14159265358979E+0000\n"
                                     "1 нуль -1.00000000000000E+0000  0.00000000000000E+0000  1.00000000000000E+0000  3.14159265358979E+0000\n"
                                     "1 полюс  0.00000000000000E+0000  0.00000000000000E+0000  0.00000000000000E+0000  0.00000000000000E+0000\n"
                                     "1 полюс  0.00000000000000E+0000  0.00000000000000E+0000  0.00000000000000E+0000  0.00000000000000E+0000\n", ""},
        {"analyse short.fir", 1, "", "Файл КИХ-фильтра short.fir, строка 4: заявлено 3 коэффициентов, а в файле их 2\n"},
        {"analyse missing.fir", 1, "", ""},
        // clang-format on
    };
    for (const Row& row : rows) {
        const CliOutcome o = runCli(dir, row.arguments);
        EXPECT_EQ(o.status, row.status) << row.arguments << ": " << o.err;
        EXPECT_EQ(o.out, row.out) << row.arguments;
        if (!row.err.empty()) {
            EXPECT_EQ(o.err, row.err) << row.arguments;
        } else if (row.status != 0) {
            EXPECT_NE(o.err.find("missing.fir"), std::string::npos) << o.err;
        }
    }
    const CliOutcome summary = runCli(dir, "analyse h.fir");
    EXPECT_NE(summary.out.find("Фаза линейная, тип I: коэффициенты симметричны, длина нечетная"),
              std::string::npos)
        << summary.out;
    EXPECT_NE(summary.out.find("Фильтр устойчив: все полюсы (2) в начале координат"),
              std::string::npos);
    const CliOutcome bad = runCli(dir, "analyse bad.fir");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("bad.fir"), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find("3"), std::string::npos) << bad.err;
}

TEST(FirCli, PlotOfTapsAgainstTheClosedForm) {
    // 0.25 + 0.5 z^-1 + 0.25 z^-2 = e^(-j w) cos^2(w / 2): |H| = cos^2(pi f), the phase
    // -2 pi f, the group delay 1; beside a parameter file of the same response.
    TempDir dir;
    writeBytes(dir.file("h.fir"), firText({0.25, 0.5, 0.25}));
    writeBytes(dir.file("1.flt"), "2\r\n0\r\n0.25 0.5 0.25\r\n1 0 0\r\n");
    struct Row {
        std::string view;
        std::vector<double> values; // at f = 0, 0.125, 0.25, 0.375 (mpmath)
    };
    const std::vector<Row> rows = {
        {"magnitude", {1.0, 0.8535533905932737, 0.5, 0.14644660940672624}},
        {"phase", {0.0, -0.7853981633974483, -1.5707963267948966, -2.356194490192345}},
        {"group-delay", {1, 1, 1, 1}},
    };
    for (const Row& row : rows) {
        const CliOutcome o =
            runCli(dir, "plot h.fir 1.flt --csv --points 4 --fmax 0.375 --view " + row.view);
        ASSERT_EQ(o.status, 0) << o.err;
        std::istringstream lines(o.out);
        std::string line;
        std::getline(lines, line);
        EXPECT_EQ(line, "f,h.fir,1.flt");
        for (double expected : row.values) {
            ASSERT_TRUE(std::getline(lines, line));
            const std::size_t comma = line.find(',');
            const double fir = std::strtod(line.c_str() + comma + 1, nullptr);
            EXPECT_EQ(fir, expected) << row.view << ": " << line;
        }
    }
    const CliOutcome bad = runCli(dir, "plot missing.fir --csv --view magnitude");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("missing.fir"), std::string::npos) << bad.err;
}

TEST(FirCli, FilterSoundIsTheConvolutionOfTheTaps) {
    // Taps of a few bits and 16-bit samples: every product and sum is exact in double,
    // so the convolution written here is the one answer whatever the order of the sums.
    struct Row {
        std::vector<int> coefficients; // taps times 2^scaleBits
        int scaleBits;
        int channels;
        int frames;
    };
    const std::vector<Row> rows = {
        {{16, -8, 4, 2, -1}, 5, 2, 10000}, // past one block of 4096 frames
        {{32}, 5, 1, 37},                  // a single tap: a copy
    };
    // A long filter of 301 taps, exact too: sums below 2^40.
    std::vector<int> longTaps(301);
    for (std::size_t k = 0; k < longTaps.size(); ++k)
        longTaps[k] = static_cast<int>((k * 37) % 29) - 14;
    std::vector<Row> all = rows;
    all.push_back({longTaps, 10, 2, 5000});
    for (const Row& row : all) {
        TempDir dir;
        std::vector<double> taps;
        for (int c : row.coefficients)
            taps.push_back(std::ldexp(c, -row.scaleBits));
        writeBytes(dir.file("h.fir"), firText(taps));
        std::vector<int> samples(static_cast<std::size_t>(row.frames * row.channels));
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<int>((i * 7919 + (i % 2) * 1000) % 40000) - 20000;
        std::vector<int> scaled;
        for (int s : samples)
            scaled.push_back(s * 65536);
        ASSERT_TRUE(writeSound(dir.file("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100,
                               row.channels, scaled));
        const CliOutcome o = runCli(dir, "filter-sound h.fir in.wav out.wav --float");
        ASSERT_EQ(o.status, 0) << o.err;
        const auto out = readSound(dir.file("out.wav"));
        ASSERT_EQ(out.samples.size(), samples.size());
        std::size_t wrong = 0;
        for (int n = 0; n < row.frames; ++n)
            for (int c = 0; c < row.channels; ++c) {
                long long sum = 0; // in units of 2^-(15 + scaleBits)
                for (std::size_t k = 0; k < row.coefficients.size() && k <= std::size_t(n); ++k)
                    sum += static_cast<long long>(row.coefficients[k]) *
                           samples[static_cast<std::size_t>(
                               (n - static_cast<int>(k)) * row.channels + c)];
                const float expected =
                    static_cast<float>(std::ldexp(static_cast<double>(sum), -15 - row.scaleBits));
                const double got = out.samples[static_cast<std::size_t>(n * row.channels + c)];
                if (got != static_cast<double>(expected) && ++wrong < 5)
                    ADD_FAILURE() << row.coefficients.size() << " taps, frame " << n << ", channel "
                                  << c << ": " << got << " against " << expected;
            }
        EXPECT_EQ(wrong, 0u) << row.coefficients.size() << " taps";
    }
}
