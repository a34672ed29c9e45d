#include "charts/characteristics.h"
#include "charts/characteristicschart.h"
#include "charts/chart.h"
#include "clirunner.h"
#include "common/errors.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <functional>
#include <sstream>

using zorkan::testing::CliOutcome;
using zorkan::testing::readBytes;
using zorkan::testing::runCli;
using zorkan::testing::TempDir;
using zorkan::testing::writeBytes;

namespace {

const long double pi = 3.141592653589793238462643383279502884L;

// H(z) = (1 + z^-1) / (1 - 0.5 z^-1): a zero at FD/2, a pole at 0.5.
const char* const zeroPole = "2\r\n0\r\n1 1 0\r\n1 -0.5 0\r\n";
// z^-3 as two sections: z^-2 and z^-1.
const char* const delayOf3 = "4\r\n0\r\n0 0 1\r\n0 1 0\r\n1 0 0\r\n1 0 0\r\n";

std::vector<std::vector<std::string>> csvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::istringstream cellsIn(line);
        std::string cell;
        while (std::getline(cellsIn, cell, ','))
            cells.push_back(cell);
        rows.push_back(cells);
    }
    return rows;
}

// Relative agreement within a few units in the last place of a double.
void expectClose(double got, long double want, const std::string& what) {
    const long double scale = std::max(std::fabs(want), 1e-300L);
    EXPECT_LE(std::fabs(got - want) / scale, 4e-16L)
        << what << ": " << got << " vs " << double(want);
}

} // namespace

// The single section's magnitude and group delay in closed form: |H| = 2 |cos(w/2)| /
// sqrt(1.25 - cos w), and the numerator's half sample minus the pole's
// (a^2 - a cos w) / (1 - 2 a cos w + a^2), a = 0.5. Frequencies in hertz at FD = 8.
TEST(CliPlot, SingleSectionAgainstClosedForms) {
    TempDir dir;
    writeBytes(dir.file("s.flt"), zeroPole);
    const auto magnitude = [](long double w) {
        return 2 * std::fabs(std::cos(w / 2)) / std::sqrt(1.25L - std::cos(w));
    };
    const auto delay = [](long double w) {
        const long double a = 0.5L, c = std::cos(w);
        return 0.5L - (a * a - a * c) / (1 - 2 * a * c + a * a);
    };
    const struct {
        const char* view;
        std::function<long double(long double)> value;
    } rows[] = {
        {"magnitude", magnitude},
        {"magnitude-db", [&](long double w) { return 20 * std::log10(magnitude(w)); }},
        {"group-delay", delay},
    };
    for (const auto& row : rows) {
        const CliOutcome o = runCli(dir, std::string("plot s.flt --csv --fd 8 --fmin 0.5 --fmax "
                                                     "3.5 --points 7 --view ") +
                                             row.view);
        ASSERT_EQ(o.status, 0) << o.err;
        const auto cells = csvRows(o.out);
        ASSERT_EQ(cells.size(), 8u) << row.view;
        EXPECT_EQ(cells[0], (std::vector<std::string>{"f", "s.flt"}));
        for (int k = 0; k < 7; ++k) {
            const double f = std::stod(cells[k + 1][0]);
            EXPECT_EQ(f, 0.5 + 0.5 * k) << row.view;
            expectClose(std::stod(cells[k + 1][1]), row.value(2 * pi * f / 8),
                        std::string(row.view) + " at " + cells[k + 1][0]);
        }
    }
    // 20 log10 4 at DC; at the zero on the unit circle, far below anything shown.
    const auto zero = csvRows(runCli(dir, "plot s.flt --csv --points 2 --view magnitude-db").out);
    ASSERT_EQ(zero.size(), 3u);
    expectClose(std::stod(zero[1][1]), 20 * std::log10(4.0L), "DC");
    EXPECT_LT(std::stod(zero[2][1]), -300);
}

// A pure delay of three samples: the phase -6 pi f unwrapped across many turns, on a
// linear grid from 0 and on a logarithmic one; its group delay is 3 everywhere.
TEST(CliPlot, PureDelayPhaseUnwrapped) {
    TempDir dir;
    writeBytes(dir.file("d.flt"), delayOf3);
    const struct {
        const char* arguments;
        int points;
    } rows[] = {
        {"--points 101", 101},
        {"--points 64 --log --fmin 0.01", 64},
        {"--points 40 --fmin 0.1 --fmax 0.5", 40},
    };
    for (const auto& row : rows) {
        const CliOutcome o =
            runCli(dir, std::string("plot d.flt --view phase --csv ") + row.arguments);
        ASSERT_EQ(o.status, 0) << o.err;
        const auto cells = csvRows(o.out);
        ASSERT_EQ(cells.size(), static_cast<std::size_t>(row.points + 1)) << row.arguments;
        for (std::size_t k = 1; k < cells.size(); ++k) {
            const double f = std::stod(cells[k][0]);
            EXPECT_NEAR(std::stod(cells[k][1]), static_cast<double>(-6 * pi * f), 1e-13)
                << row.arguments << " at " << f;
        }
        if (std::string(row.arguments).find("--log") != std::string::npos) {
            for (std::size_t k = 1; k < cells.size(); ++k)
                expectClose(std::stod(cells[k][0]),
                            0.01L *
                                std::pow(50.0L, static_cast<long double>(k - 1) / (row.points - 1)),
                            "frequency " + std::to_string(k));
        }
    }
    const CliOutcome delay = runCli(dir, "plot d.flt --view group-delay --csv --points 3");
    EXPECT_EQ(delay.out, "f,d.flt\n0,3\n0.25,3\n0.5,3\n");
}

// (1 - 0.9 z^-1)^3 on 101 points over 0 .. FD/2: its phase 3 (atan2(sin w, cos w - 0.9) - w)
// rises above pi, where the principal value falls by 2 pi, and comes back to 0 at FD/2.
// Values at f = 0.05 by mpmath (60 digits) at the grid's double, and at f = 0.5 exact, to
// a few units of the last digit that the sum of a principal value and 2 pi k can hold.
TEST(ChartCurves, PhaseUnwrappedAcrossADownwardJump) {
    zorkan::FilterCoefficients f;
    f.kind = zorkan::bandPass;
    f.order = 4;
    f.sections.resize(1);
    const double a[5] = {1, -2.7, 2.43, -0.729, 0};
    std::copy(a, a + 5, f.sections[0].a);
    f.sections[0].b[0] = 1;
    const std::vector<double> grid = zorkan::gridFrequencies({0, 0.5, 101, false});
    ASSERT_EQ(grid.size(), 101u);
    ASSERT_EQ(grid[10], 0.05);
    const std::vector<double> phase =
        zorkan::curveValues({f, 1}, zorkan::ChartView::Phase, grid, 1.0);
    ASSERT_EQ(phase.size(), 101u);
    const struct {
        std::size_t index;
        double phase;
    } rows[] = {{0, 0}, {10, 3.2786819584843951561}, {100, 0}};
    for (const auto& row : rows)
        EXPECT_NEAR(phase[row.index], row.phase, 2e-15) << "point " << row.index;
}

// The response window's columns (frequency, magnitude, phase) on the same frequencies:
// the magnitudes agree to the response's 15 digits, and the phases up to whole half
// turns, since the response takes each section's angle with the one-argument arctangent
// (modulo pi); a designed low-pass and a band-pass of fourth-order sections.
TEST(CliPlot, AgreesWithTheResponseColumns) {
    TempDir dir;
    ASSERT_EQ(runCli(dir, "design --approx elliptic --report e.out --filter e.flt").status, 0);
    ASSERT_EQ(runCli(dir, "design --approx chebyshev --f1 0.3 --f2 0.2 --f3 0.15 --f4 0.35 "
                          "--report b.out --filter b.flt")
                  .status,
              0);
    for (const char* file : {"e.flt", "b.flt"}) {
        const CliOutcome response =
            runCli(dir, std::string("response ") + file + " --f1 0.05 --f2 0.45 --width 40");
        ASSERT_EQ(response.status, 0) << response.err;
        std::istringstream lines(response.out);
        std::string line;
        std::getline(lines, line);
        std::getline(lines, line);
        std::vector<std::array<double, 3>> columns;
        while (std::getline(lines, line)) {
            std::istringstream in(line);
            double f, m, db, phase;
            in >> f >> m >> db >> phase;
            columns.push_back({f, m, phase});
        }
        ASSERT_EQ(columns.size(), 41u);
        const std::string grid =
            std::string("plot ") + file + " --csv --fmin 0.05 --fmax 0.45 --points 41 --view ";
        const auto magnitude = csvRows(runCli(dir, grid + "magnitude").out);
        const auto phase = csvRows(runCli(dir, grid + "phase").out);
        ASSERT_EQ(magnitude.size(), 42u);
        ASSERT_EQ(phase.size(), 42u);
        for (std::size_t i = 0; i < columns.size(); ++i) {
            EXPECT_NEAR(std::stod(magnitude[i + 1][0]), columns[i][0], 1e-15) << file << i;
            EXPECT_NEAR(std::stod(magnitude[i + 1][1]), columns[i][1], 5e-14 * columns[i][1])
                << file << " column " << i;
            const double turns =
                (std::stod(phase[i + 1][1]) - columns[i][2]) / static_cast<double>(pi);
            EXPECT_NEAR(turns, std::round(turns), 1e-13) << file << " column " << i;
        }
    }
}

// Refusals: exit 1, a message that says what is wrong (naming a file that is missing or
// refused), and no picture written.
TEST(CliPlot, RefusesBadInput) {
    TempDir dir;
    writeBytes(dir.file("s.flt"), zeroPole);
    writeBytes(dir.file("empty.flt"), "0\r\n0\r\n");
    const struct {
        const char* arguments;
        const char* message;
    } rows[] = {
        {"--view magnitude", "Укажите хотя бы один файл"},
        {"nothere.flt --view magnitude", "nothere.flt"},
        {"empty.flt --view magnitude", "empty.flt"},
        {"s.flt --view magnitude --points 1", "Число точек"},
        {"s.flt --view magnitude --fmin 0.3 --fmax 0.3", "меньше конечной"},
        {"s.flt --view magnitude --fmin 0.4 --fmax 0.2", "меньше конечной"},
        {"s.flt --view magnitude --log", "логарифмической"},
        {"s.flt --view amplitude", "amplitude"},
        {"s.flt", "--view"},
        {"s.flt --view magnitude --mask nothere.out", "nothere.out"},
        {"s.flt --view magnitude --picture p.bmp", ".png, .svg или .pdf"},
        {"s.flt s.flt s.flt s.flt s.flt s.flt s.flt s.flt s.flt --view magnitude", "8"},
    };
    for (const auto& row : rows) {
        std::string arguments = std::string("plot ") + row.arguments;
        if (arguments.find("--picture") == std::string::npos)
            arguments += " --picture out.svg";
        const CliOutcome o = runCli(dir, arguments);
        EXPECT_EQ(o.status, 1) << row.arguments;
        EXPECT_NE(o.err.find(row.message), std::string::npos) << row.arguments << ": " << o.err;
        EXPECT_TRUE(o.out.empty()) << row.arguments;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.svg"))) << row.arguments;
    }
    // A picture never takes a filter's place, under any name.
    writeBytes(dir.file("f.svg"), zeroPole);
    const CliOutcome over = runCli(dir, "plot f.svg --view magnitude --picture ./f.svg");
    EXPECT_EQ(over.status, 1);
    EXPECT_NE(over.err.find("совпадает"), std::string::npos) << over.err;
    EXPECT_EQ(readBytes(dir.file("f.svg")), zeroPole);
}

// Relative magnitudes: each curve under its own largest gain (|H| = 4 at DC for the
// single section), in dB and linear, and the pass band of a mask taken instead when given.
TEST(ChartCurves, RelativeToTheLargestGain) {
    zorkan::FilterCoefficients filter;
    filter.order = 2;
    zorkan::FilterSection s;
    s.a[0] = 1;
    s.a[1] = 1;
    s.b[0] = 1;
    s.b[1] = -0.5;
    filter.sections = {s};
    const std::vector<zorkan::ChartSeries> series = {{"s", {filter, 1}}};
    const auto closedForm = [](long double f) {
        return 2 * std::fabs(std::cos(pi * f)) / std::sqrt(1.25L - std::cos(2 * pi * f));
    };
    zorkan::ChartOptions options;
    options.relative = true;
    const zorkan::FrequencyGrid grid{0, 0.4, 5, false};
    for (const zorkan::ChartView view :
         {zorkan::ChartView::MagnitudeDb, zorkan::ChartView::Magnitude}) {
        options.view = view;
        const zorkan::ChartCurves c =
            zorkan::computeChartCurves(series, options, grid, std::nullopt);
        for (std::size_t k = 0; k < c.frequencies.size(); ++k) {
            const long double ratio = closedForm(c.frequencies[k]) / 4;
            if (view == zorkan::ChartView::MagnitudeDb)
                EXPECT_NEAR(c.values[0][k], static_cast<double>(20 * std::log10(ratio)), 1e-13)
                    << k;
            else
                expectClose(c.values[0][k], ratio, "linear " + std::to_string(k));
        }
    }
    // A high-pass request's pass band [0.3, 0.5] holds |H| = 2 cos(0.3 pi) / sqrt(1.25 -
    // cos(0.6 pi)) at its lower edge, the largest there.
    zorkan::DesignRequest request;
    request.f1 = 0;
    request.f4 = 0;
    request.f3 = 0.2;
    request.f2 = 0.3;
    options.view = zorkan::ChartView::Magnitude;
    const zorkan::ChartCurves c =
        zorkan::computeChartCurves(series, options, grid, zorkan::toleranceMask(request));
    expectClose(c.values[0][0], 4 / closedForm(0.3L), "DC over the pass band's maximum");
    EXPECT_EQ(c.references[0], 1);
}

// A band-stop request has two pass bands, and the gain is counted from their common peak:
// for H = 1 - 0.5 z^-1, |H| = sqrt(1.25 - cos w) peaks at 1.5 at FD/2, in the upper band.
TEST(Characteristics, BandStopMaskPeaksOverBothPassBands) {
    zorkan::CurveSource source;
    zorkan::FilterSection s;
    s.a[0] = 1;
    s.a[1] = -0.5;
    s.b[0] = 1;
    source.filter.sections.push_back(s);
    source.filter.order = 2;
    zorkan::DesignRequest request;
    request.f1 = 0.1;
    request.f3 = 0.2;
    request.f4 = 0.3;
    request.f2 = 0.4;
    request.fd = 1;
    const zorkan::ToleranceMask mask = zorkan::toleranceMask(request);
    ASSERT_EQ(mask.bands.pass.size(), 2u);
    EXPECT_NEAR(zorkan::passBandMaximum(source, mask, 1), 1.5, 1e-15);
}

// Designs of every kind and approximation against scipy: the magnitude and the phase of
// sosfreqz over the export's second-order sections, the phase unwrapped by numpy.unwrap
// (where no zero sits on the unit circle at or between grid points: Butterworth and
// Chebyshev low- and high-pass; elsewhere modulo 2 pi, away from the zeros), and scipy's group
// delay summed over the sections away from the zeros on the circle, where scipy gives 0 and the
// plot the limit.
TEST(CliPlot, AgreesWithScipyOnDesigns) {
    TempDir dir;
    if (std::system("/usr/bin/python3 -c 'import numpy, scipy.signal' 2>/dev/null") != 0)
        GTEST_SKIP() << "/usr/bin/python3 has no numpy or scipy";
    const struct {
        const char* design;
        bool zerosOnCircle;
    } rows[] = {
        {"--approx butterworth --f1 0.1 --f4 0.2 --b1 50", false},
        {"--approx chebyshev --f1 0 --f4 0 --f3 0.2 --f2 0.3 --da 0.5", false},
        {"--approx chebyshev --f3 0.1 --f2 0.15 --f1 0.3 --f4 0.35 --b1 45", true},
        {"--approx elliptic --f1 0.2 --f4 0.23 --da 0.1 --b1 70", true},
        {"--approx elliptic --f3 2400 --f2 4800 --f1 9600 --f4 12000 --fd 48000", true},
        {"--approx butterworth --f1 0 --f4 0 --f3 0.3 --f2 0.4", false},
    };
    writeBytes(dir.file("check.py"),
               "import sys, warnings, numpy as np, scipy.signal as ss\n"
               "warnings.simplefilter('ignore')\n"
               "np.seterr(all='ignore')\n"
               "fd, exact = float(sys.argv[1]), sys.argv[2] == '1'\n"
               "sos = np.loadtxt('s.csv', delimiter=',', comments='#', ndmin=2)\n"
               "def table(name):\n"
               "    return np.loadtxt(name, delimiter=',', skiprows=1)\n"
               "m, p, g = table('m.csv'), table('p.csv'), table('g.csv')\n"
               "w = 2 * np.pi * m[:, 0] / fd\n"
               "_, h = ss.sosfreqz(sos, worN=w)\n"
               "bad = []\n"
               "top = np.max(np.abs(h))\n"
               "if np.any(np.abs(m[:, 1] - np.abs(h)) > 1e-9 * np.abs(h) + 1e-12 * top):\n"
               "    bad.append('magnitude')\n"
               "phase = np.unwrap(np.angle(h))\n"
               "if exact and np.max(np.abs(p[:, 1] - phase)) > 1e-9:\n"
               "    bad.append('unwrapped phase')\n"
               "k = np.abs(h) > 1e-6 * top\n"
               "if np.max(np.abs(np.angle(np.exp(1j * (p[k, 1] - phase[k]))))) > 1e-9:\n"
               "    bad.append('phase')\n"
               "if exact:\n"
               "    d = sum(ss.group_delay((s[:3], s[3:]), w=w)[1] for s in sos)\n"
               "    # scipy gives 0 at a zero on the unit circle, the plot its limit\n"
               "    k = np.abs(h) > 1e-6 * np.max(np.abs(h))\n"
               "    if np.max(np.abs(g[k, 1] - d[k]) / np.maximum(1, np.abs(d[k]))) > 1e-8:\n"
               "        bad.append('group delay')\n"
               "print(' '.join(bad) if bad else 'ok')\n");
    for (const auto& row : rows) {
        const std::string design = row.design;
        ASSERT_EQ(runCli(dir, "design " + design + " --report r.out --filter f.flt").status, 0)
            << design;
        const CliOutcome sos = runCli(dir, "export f.flt --format sos-csv");
        ASSERT_EQ(sos.status, 0) << sos.err;
        writeBytes(dir.file("s.csv"), sos.out);
        const std::string fd = design.find("--fd 48000") != std::string::npos ? "48000" : "1";
        const std::string grid = "plot f.flt --csv --points 1501 --fd " + fd + " --view ";
        writeBytes(dir.file("m.csv"), runCli(dir, grid + "magnitude").out);
        writeBytes(dir.file("p.csv"), runCli(dir, grid + "phase").out);
        writeBytes(dir.file("g.csv"), runCli(dir, grid + "group-delay").out);
        const std::string command = "cd '" + dir.path().string() +
                                    "' && /usr/bin/python3 check.py " + fd + " " +
                                    (row.zerosOnCircle ? "0" : "1") + " > py.txt 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << readBytes(dir.file("py.txt"));
        EXPECT_EQ(readBytes(dir.file("py.txt")), "ok\n") << design;
    }
}
