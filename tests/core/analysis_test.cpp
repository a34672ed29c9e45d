#include "analysis/analysisplots.h"
#include "analysis/comparison.h"
#include "analysis/filteranalysis.h"
#include "common/errors.h"
#include "design/prototype.h"
#include "design/sections.h"
#include "modelling/filtering.h"
#include "modelling/testsignals.h"
#include "response/response.h"

#include "cascade.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>

using namespace zorkan;
using enum zorkan::Approximation;

namespace {

using cplx = std::complex<double>;

FilterCoefficients designed(Approximation approximation, BandEdges edges, double da = 1.5,
                            double b1 = 30) {
    PrototypeFilter p;
    EXPECT_TRUE(designPrototype(approximation, edges, da, b1, 1.0, p));
    FilterCoefficients f;
    f.kind = fileKind(p.band);
    f.sections = makeSections(p);
    f.order = static_cast<std::uint32_t>(2 * f.sections.size());
    return f;
}

FilterCoefficients oneSection(std::vector<double> a, std::vector<double> b, FilterKind kind) {
    FilterCoefficients f;
    f.kind = kind;
    f.order = 2;
    f.sections.resize(1);
    std::copy(a.begin(), a.end(), f.sections[0].a);
    std::copy(b.begin(), b.end(), f.sections[0].b);
    return f;
}

constexpr BandEdges lowPassEdges{0.2, 0, 0, 0.25};
constexpr BandEdges highPassEdges{0, 0.25, 0.2, 0};
constexpr BandEdges bandPassEdges{0.25, 0.15, 0.1, 0.3};

} // namespace

// Digital poles of a Butterworth low-pass are the bilinear images z = (KW + s)/(KW - s)
// of the prototype's poles s; every zero of a complex section is the double zero at -1,
// and the real-pole section adds a zero and a pole at the origin.
TEST(FilterAnalysis, ButterworthPolesAreBilinearImagesOfPrototypePoles) {
    const struct {
        BandEdges edges;
        double da, b1;
    } rows[] = {
        {{0.2, 0, 0, 0.25}, 1.5, 30}, // order 13
        {{0.1, 0, 0, 0.15}, 0.5, 60}, // high order, poles near z = 1
        {{0.4, 0, 0, 0.45}, 3.0, 40}, // poles near z = -1
        {{0.05, 0, 0, 0.3}, 1.0, 20}, // low order
    };
    for (const auto& row : rows) {
        PrototypeFilter p;
        ASSERT_TRUE(designPrototype(Butterworth, row.edges, row.da, row.b1, 1.0, p));
        FilterCoefficients f;
        f.kind = lowPass;
        f.sections = makeSections(p);
        const std::vector<FilterRoot> roots = filterRoots(f);
        for (int k = 1; k <= p.sections; ++k) {
            const std::complex<long double> s(p.pRe[k], p.pIm[k]);
            const std::complex<long double> kw(p.kw);
            const std::complex<long double> z = (kw + s) / (kw - s);
            std::vector<cplx> expected{cplx(double(z.real()), double(z.imag())),
                                       cplx(double(z.real()), -double(z.imag()))};
            std::vector<cplx> zeros{-1, -1};
            if (p.pIm[k] == 0) {
                expected[1] = 0;
                zeros[1] = 0;
            }
            std::vector<cplx> poles, foundZeros;
            for (const FilterRoot& r : roots)
                if (r.section == k)
                    (r.pole ? poles : foundZeros).push_back({r.re, r.im});
            ASSERT_EQ(poles.size(), 2u);
            for (const cplx& e : expected) {
                double nearest = 1e9;
                for (const cplx& q : poles)
                    nearest = std::min(nearest, std::abs(q - e));
                EXPECT_LE(nearest, 1e-12 * std::max(1.0, std::abs(e)))
                    << "order " << p.n << " section " << k;
            }
            std::sort(zeros.begin(), zeros.end(),
                      [](cplx a, cplx b) { return a.real() < b.real(); });
            EXPECT_EQ(foundZeros, zeros) << "order " << p.n << " section " << k;
        }
    }
}

// Every designed filter of a sweep is stable, and its zeros lie where they belong: on the
// unit circle, or at the origin for a real-pole section.
TEST(FilterAnalysis, DesignSweepIsStableWithZerosOnTheUnitCircle) {
    const BandEdges bands[] = {lowPassEdges,      highPassEdges,     bandPassEdges,
                               {0.1, 0, 0, 0.12}, {0, 0.4, 0.38, 0}, {0.32, 0.3, 0.27, 0.35}};
    int designs = 0;
    for (const BandEdges& edges : bands) {
        for (Approximation approximation : {Butterworth, Chebyshev, Elliptic}) {
            for (double b1 : {20.0, 40.0, 60.0}) {
                PrototypeFilter p;
                if (!designPrototype(approximation, edges, 1.0, b1, 1.0, p))
                    continue;
                FilterCoefficients f;
                f.kind = fileKind(p.band);
                f.sections = makeSections(p);
                const std::vector<FilterRoot> roots = filterRoots(f);
                const Stability s = stabilityOf(f, roots);
                EXPECT_TRUE(s.stable)
                    << approximationCode(approximation) << " " << b1 << " radius " << s.maxRadius;
                EXPECT_LT(s.maxRadius, 1.0);
                for (const FilterRoot& r : roots) {
                    if (!r.pole && r.radius != 0) {
                        EXPECT_NEAR(r.radius, 1.0, 1e-12) << "section " << r.section;
                    }
                }
                ++designs;
            }
        }
    }
    EXPECT_GE(designs, 40);
}

// Roots of polynomials whose roots are exact binary fractions come out exact, simple or
// multiple, real or complex, with roots at the origin for zero trailing coefficients and
// none for zero leading ones.
TEST(FilterAnalysis, PolynomialRootsAreExact) {
    const struct {
        std::vector<double> c;
        std::vector<cplx> roots; // in the documented order
    } rows[] = {
        {{1, 2, 1}, {-1, -1}},
        {{1, -2, 1, 0, 0}, {0, 0, 1, 1}},
        {{1, 0, -2, 0, 1}, {-1, -1, 1, 1}},
        {{1, -2.5, 1}, {0.5, 2}},
        {{2, -5, 2}, {0.5, 2}},
        {{1, 1, 0}, {-1, 0}},
        {{0, 1, 0}, {0}},
        {{0, 0, 0}, {}},
        {{1, 0, 0.25}, {{0, 0.5}, {0, -0.5}}},
        {{1, -0.25, 0.4375, -0.140625, -0.0703125}, {-0.25, {0, 0.75}, {0, -0.75}, 0.5}},
        {{1, -0.5, -0.75, 0.625, -0.125}, {-1, 0.5, 0.5, 0.5}},
        {{1, 0, 0.5, 0, 0.0625}, {{0, 0.5}, {0, 0.5}, {0, -0.5}, {0, -0.5}}},
        // Four close real roots, 63/64 .. 255/256: an ill-conditioned cluster.
        {{1, -3.9609375, 5.8833465576171875, -3.8838776350021362, 0.9614685829728842},
         {0.984375, 0.98828125, 0.9921875, 0.99609375}},
        {{std::ldexp(1, -1000), std::ldexp(-3, -1000), std::ldexp(1, -999)}, {1, 2}},
    };
    for (const auto& row : rows) {
        const auto found = polynomialRoots(row.c.data(), static_cast<int>(row.c.size()) - 1);
        ASSERT_EQ(found.size(), row.roots.size()) << row.c[1];
        for (std::size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(static_cast<double>(found[i].real()), row.roots[i].real()) << row.c[1];
            EXPECT_EQ(static_cast<double>(found[i].imag()), row.roots[i].imag()) << row.c[1];
        }
    }
}

// The group delay of sections whose delay is known in closed form, including the limits
// at a zero on the unit circle (half a sample per zero) and linear-phase polynomials.
TEST(FilterAnalysis, GroupDelayOfKnownSections) {
    constexpr long double pi = 3.141592653589793238462643383279502884L;
    const struct {
        std::vector<double> a, b;
        FilterKind kind;
        long double omega;
        double expected;
    } rows[] = {
        {{0, 0, 1}, {1, 0, 0}, lowPass, 0.7L, 2},            // pure delay
        {{1, 0, 0}, {1, -0.5, 0}, lowPass, 0, 1},            // a / (1 - a) at DC
        {{1, 0, 0}, {1, -0.5, 0}, lowPass, pi / 2, -0.2},    // (a cos w - a^2) / (...)
        {{1, 0, 0}, {1, -0.5, 0}, lowPass, pi, -1.0 / 3},    // -a / (1 + a)
        {{1, 2, 1}, {1, 0, 0}, lowPass, pi, 1},              // double zero at -1
        {{1, 2, 1}, {1, 0, 0}, lowPass, 1, 1},               // linear phase
        {{1, -2, 1}, {1, 0, 0}, highPass, 0, 1},             // double zero at 1
        {{1, 1, 0}, {1, 0, 0}, lowPass, pi, 0.5},            // one zero at -1
        {{1, 0, -2, 0, 1}, {1, 0, 0, 0, 0}, bandPass, 0, 2}, // (1 - z^-2)^2
        {{1, 0, -2, 0, 1}, {1, 0, 0, 0, 0}, bandPass, pi, 2},
        {{1, 0, -1, 0, 0}, {1, 0, 0.25, 0, 0}, bandPass, pi / 2, 1 + 0.5 / 0.75},
    };
    for (const auto& row : rows) {
        const FilterCoefficients f = oneSection(row.a, row.b, row.kind);
        EXPECT_NEAR(static_cast<double>(groupDelayAt(f, row.omega)), row.expected, 1e-15)
            << row.a[1] << " " << row.b[1] << " at " << static_cast<double>(row.omega);
    }
}

// The group delay equals minus the derivative of the unwrapped phase of the response
// computation. With the central difference over +-h the truncation error is about
// h^2 |tau''| / 6 (tau'' below 1e5 samples per (radian per sample)^2 for these poles of
// radius up to 0.96: 1e5 * 1e-12 / 6 < 2e-8) and the rounding error about
// 1e-15 / h = 1e-9 samples: a bound of 1e-6 holds with a wide margin.
TEST(FilterAnalysis, GroupDelayIsTheDerivativeOfThePhase) {
    const FilterCoefficients filters[] = {designed(Chebyshev, lowPassEdges),
                                          designed(Elliptic, bandPassEdges),
                                          designed(Butterworth, highPassEdges)};
    constexpr double h = 1e-6;
    constexpr double pi = 3.14159265358979323846;
    for (const FilterCoefficients& f : filters) {
        for (int i = 1; i < 50; ++i) {
            const double freq = i * 0.01;
            const double before = evaluateCascade(f.sections, freq - h, 1).phase;
            const double after = evaluateCascade(f.sections, freq + h, 1).phase;
            double step = after - before;
            while (step > pi / 2)
                step -= pi; // each angle is taken modulo pi
            while (step < -pi / 2)
                step += pi;
            const double numeric = -step / (2 * pi * 2 * h);
            const double exact = static_cast<double>(groupDelayAt(f, 2 * pi * freq));
            EXPECT_NEAR(exact, numeric, 1e-6) << "kind " << f.kind << " f " << freq;
        }
    }
}

// The impulse response is what the modelling engine gives for its impulse; the step
// response is its step output without the signal's one-sample lag; the step response
// settles at the DC gain of the cascade, evaluated independently.
TEST(FilterAnalysis, ResponsesMatchTheModellingEngineAndTheDcGain) {
    const FilterCoefficients filters[] = {designed(Elliptic, lowPassEdges),
                                          designed(Chebyshev, bandPassEdges),
                                          designed(Butterworth, lowPassEdges)};
    for (const FilterCoefficients& f : filters) {
        SectionTables tables;
        std::copy(f.sections.begin(), f.sections.end(), tables.sections.begin());
        TestSignalBuffer input, output;
        std::vector<double> impulse, step;
        generateTestSignal(impulseSignal, 0.01, 0.1, input);
        filterBlock(input, tables, static_cast<int>(f.sections.size()), output);
        cascadeResponse(f, 1024, false, impulse);
        for (std::size_t n = 0; n < 1024; ++n)
            ASSERT_EQ(impulse[n], output[n]) << "kind " << f.kind << " sample " << n;

        generateTestSignal(stepSignal, 0.01, 0.1, input);
        filterBlock(input, tables, static_cast<int>(f.sections.size()), output);
        cascadeResponse(f, 1024, true, step);
        EXPECT_EQ(output[0], 0.0);
        for (std::size_t n = 0; n + 1 < 1024; ++n)
            ASSERT_EQ(step[n], output[n + 1]) << "kind " << f.kind << " sample " << n;
    }
    for (const FilterCoefficients& f :
         {designed(Chebyshev, lowPassEdges), designed(Elliptic, lowPassEdges)}) {
        std::vector<double> step;
        cascadeResponse(f, 5000, true, step);
        const double dc = zorkan::testing::cascadeMagnitude(f.sections, 0, 1);
        EXPECT_NEAR(step.back(), dc, 1e-12 * dc);
        EXPECT_NEAR(gainAtReal(f, 1).value, dc, 1e-13 * dc);
    }
}

// A filter compared with itself has moved nowhere; with a copy whose gain is doubled it
// differs by 20 log10 2 dB at every frequency and its roots stay where they are.
TEST(FilterAnalysis, ComparisonOfTwoFilters) {
    const FilterCoefficients f = designed(Elliptic, bandPassEdges);
    FilterCoefficients doubled = f;
    for (double& a : doubled.sections[0].a)
        a *= 2;
    const std::vector<FilterRoot> roots = filterRoots(f);
    const struct {
        const FilterCoefficients* other;
        double difference;
    } rows[] = {{&f, 0}, {&doubled, 20 * std::log10(2.0)}};
    for (const auto& row : rows) {
        const FilterComparison c = compareFilters(f, roots, *row.other, filterRoots(*row.other), 1);
        EXPECT_EQ(c.maxZeroShift, 0.0);
        EXPECT_EQ(c.maxPoleShift, 0.0);
        EXPECT_NEAR(c.wholeBand.decibels, row.difference, 1e-12);
        EXPECT_EQ(c.displacements.size(), roots.size());
    }
    // An integrator, 1 / (1 - z^-1), has its pole on the unit circle at DC: the first
    // grid point is marked infinite and left out, the rest still compared.
    const FilterCoefficients integrator = oneSection({1, 0, 0}, {1, -1, 0}, lowPass);
    const FilterComparison c = compareFilters(integrator, filterRoots(integrator), f, roots, 2);
    EXPECT_EQ(c.firstInfiniteAt, 0.0);
    EXPECT_FALSE(c.secondInfiniteAt);
    EXPECT_GT(c.wholeBand.decibels, 0);
    EXPECT_GT(c.wholeBand.frequency, 0);
}

// Files that cannot be analysed are refused with a message of their own.
TEST(FilterAnalysis, RefusalsOfBadFiles) {
    const struct {
        const char* text;
        const char* message;
    } rows[] = {
        {"", "В файле фильтра нет ни одной секции: анализировать нечего"},
        {"4\r\n0\r\n0 0 0\r\n0 0 0\r\n0 0 0\r\n0 0 0\r\n",
         "Все коэффициенты фильтра равны нулю: анализировать нечего"},
        {"4\r\n0\r\n1 0 0\r\n1 0 0\r\n1 0 0\r\n0 1 0\r\n",
         "В секции 2 коэффициент знаменателя B0 равен нулю: такой фильтр нельзя реализовать"},
    };
    for (const auto& row : rows) {
        TextReader in = TextReader::fromBytes(row.text);
        try {
            readAnalysedFilter(in);
            ADD_FAILURE() << "accepted: " << row.message;
        } catch (const UserMessage& e) {
            EXPECT_STREQ(e.what(), row.message);
        }
    }
    const FilterCoefficients silent = oneSection({0, 0, 0}, {1, -0.5, 0}, lowPass);
    EXPECT_THROW(groupDelayAt(silent, 1), UserMessage);
    const FilterSummary s = summarise(silent, filterRoots(silent), 1);
    EXPECT_FALSE(s.delayDefined);
    EXPECT_EQ(s.silentSections, std::vector<int>{1});
}

// Charts of curves that are flat up to rounding, or far from zero, keep a readable span:
// the curve lies on the middle row and the axes are drawn without stalling.
TEST(FilterAnalysis, ChartsOfNearlyFlatCurves) {
    const struct {
        std::vector<double> y;
    } rows[] = {
        {{2, 2 + 4.4e-16, 2}},
        {{1e20, 1e20 + 16384, 1e20}},
        {{0, 0, 0}},
        {{-7.5, -7.5, -7.5}},
    };
    for (const auto& row : rows) {
        Canvas canvas(200, 120);
        const PlotFrame f = drawChart(canvas, {{{0, 1, 2}, row.y, firstFilterColor}}, false);
        const int middle = f.top + f.height / 2;
        EXPECT_EQ(canvas.pixel(f.left + f.width / 2, middle), firstFilterColor) << row.y[0];
        EXPECT_LT(f.y0, row.y[0]);
        EXPECT_GT(f.y1, row.y[0]);
    }
}

// Zeros are matched with zeros and poles with poles: (1 - 0.5 z^-1) / (1 - 0.9 z^-1)
// against (1 - 0.8 z^-1) / (1 - 0.2 z^-1) moves the zero 0.5 to 0.8 and the pole 0.9 to
// 0.2 (the zero 0.8 would be nearer), the roots at the origin nowhere.
TEST(FilterAnalysis, ComparisonMatchesRootsOfTheirOwnKind) {
    const FilterCoefficients first = oneSection({1, -0.5, 0}, {1, -0.9, 0}, lowPass);
    const FilterCoefficients second = oneSection({1, -0.8, 0}, {1, -0.2, 0}, lowPass);
    const FilterComparison c =
        compareFilters(first, filterRoots(first), second, filterRoots(second), 1);
    ASSERT_TRUE(c.maxZeroShift && c.maxPoleShift);
    EXPECT_DOUBLE_EQ(*c.maxZeroShift, 0.3);
    EXPECT_DOUBLE_EQ(*c.maxPoleShift, 0.7);
    for (const RootDisplacement& d : c.displacements) {
        ASSERT_TRUE(d.nearest);
        EXPECT_EQ(d.nearest->pole, d.root.pole);
    }
}

// The magnitude difference on the dense grid, against scipy.signal.freqz at the same
// frequencies pi i / 16384 (floored 100 dB below the larger maximum, the pass band where
// the first magnitude is at most 3 dB below its maximum). The first filter has zeros on
// the unit circle at f = 0.3123 FD, the second the same zeros at radius 0.99: the
// window's grid of 550 frequencies saw 25.30 dB of that notch.
TEST(FilterAnalysis, ComparisonOnTheDenseGrid) {
    const struct {
        FilterCoefficients first, second;
        double whole, wholeAt, pass, passAt;
    } rows[] = {
        {oneSection({1, 0.7630442985102096, 1}, {1, 0, 0}, lowPass),
         oneSection({1, 0.7554138555251075, 0.9801}, {1, 0, 0}, lowPass), 41.307712909985895,
         0.312286376953125, 0.086978579099698194, 0},
        {oneSection({1, 0.7630442985102096, 1}, {1, -1.0, 0.5}, lowPass),
         oneSection({1, 0.7554138555251075, 0.9801}, {1, -1.02, 0.52}, lowPass), 41.194551618984029,
         0.312286376953125, 0.28207574763148813, 0.124237060546875},
        {oneSection({0.2, 0.4, 0.2}, {1, -1.0, 0.5}, lowPass),
         oneSection({0.2, 0.4, 0.2}, {1, -1.0, 0.53}, lowPass), 0.59978458893976327,
         0.149322509765625, 0.59978458893976327, 0.149322509765625},
        // The difference grows through the transition band: the pass band's figure lies at
        // its -3 dB edge (at -1 dB or -6 dB it would be 0.508 or 0.569).
        {oneSection({0.2, 0.4, 0.2}, {1, -0.37, 0.2}, lowPass),
         oneSection({0.2, 0.4, 0.2}, {1, -0.37, 0.25}, lowPass), 0.5688197845819789,
         0.21063232421875, 0.56063380793640771, 0.20123291015625},
    };
    for (const auto& row : rows) {
        const FilterComparison c = compareFilters(row.first, filterRoots(row.first), row.second,
                                                  filterRoots(row.second), 1);
        ASSERT_EQ(c.frequencies.size(), static_cast<std::size_t>(comparisonIntervals + 1));
        EXPECT_NEAR(c.wholeBand.decibels, row.whole, 1e-9) << row.whole;
        EXPECT_EQ(c.wholeBand.frequency, row.wholeAt) << row.whole;
        ASSERT_TRUE(c.passBand);
        EXPECT_NEAR(c.passBand->decibels, row.pass, 1e-9) << row.whole;
        EXPECT_EQ(c.passBand->frequency, row.passAt) << row.whole;
        // The difference curve holds the figure at its frequency.
        const std::size_t at =
            static_cast<std::size_t>(std::lround(row.wholeAt * 2 * comparisonIntervals));
        EXPECT_NEAR(std::fabs(c.differenceDb[at]), row.whole, 1e-9);
    }
}

// The largest group delay lies between grid points; it is found to the last digit. The
// peaks come from maximising the closed form with mpmath at 50 digits; a pole at
// +-0.5 puts the largest delay, exactly 1 sample, at 0 or at FD/2.
TEST(FilterAnalysis, LargestGroupDelayIsRefinedBetweenGridPoints) {
    FilterCoefficients two = oneSection({1, 2, 1}, {1, -1.2, 0.9}, lowPass);
    two.sections.push_back(oneSection({1, 0, 0}, {1, 0.3, 0.85}, lowPass).sections[0]);
    const struct {
        FilterCoefficients filter;
        double fd;
        double samples, frequency, gridSamples;
    } rows[] = {
        {oneSection({1, 0, 0}, {1, -1.2, 0.9}, lowPass), 1, 18.00876788373061250,
         0.1410233460879807336, 18.006584024995899},
        {oneSection({1, 0, 0}, {1, -1.2, 0.9}, lowPass), 8000, 18.00876788373061250,
         8000 * 0.1410233460879807336, 18.006584024995899},
        {two, 1, 18.14947211013957697, 0.1410263147895712228, 18.147430202154029},
        {oneSection({1, 0, 0}, {1, -0.5, 0}, lowPass), 1, 1, 0, 1},
        {oneSection({1, 0, 0}, {1, 0.5, 0}, highPass), 2, 1, 1, 1},
    };
    for (const auto& row : rows) {
        const FilterSummary s = summarise(row.filter, filterRoots(row.filter), row.fd);
        EXPECT_NEAR(s.maxDelay, row.samples, 4e-15 * row.samples) << row.samples;
        EXPECT_NEAR(s.maxDelayFrequency, row.frequency, 1e-9 * row.fd) << row.samples;
        // What the grid alone gives, to show the refinement is needed.
        std::vector<GroupDelayRow> grid = groupDelayTable(row.filter, summaryDelayPoints, 1);
        double best = grid[0].samples;
        for (const GroupDelayRow& r : grid)
            best = std::max(best, r.samples);
        EXPECT_NEAR(best, row.gridSamples, 1e-12) << row.samples;
    }
}

// The gain at DC and FD/2 is H at z = 1 and z = -1; a vanishing denominator is a pole,
// a product beyond the range of doubles an overflow, each worded as what it is.
TEST(FilterAnalysis, GainsAtZeroAndHalfTheSamplingFrequency) {
    FilterCoefficients huge = oneSection({1e300, 0, 0}, {1e-300, 0, 0}, lowPass);
    const struct {
        FilterCoefficients filter;
        double z;
        bool infinite, overflow;
        double value;
        const char* text;
    } rows[] = {
        // z^-1 / (1 - 0.5 z^-1): 1 / 0.5 at z = 1, -1 / 1.5 at z = -1.
        {oneSection({0, 1, 0}, {1, -0.5, 0}, lowPass), 1, false, false, 2,
         " 2.00000000000000E+0000 ( 6.02059991327962E+0000 дБ)"},
        {oneSection({0, 1, 0}, {1, -0.5, 0}, lowPass), -1, false, false, -2.0 / 3,
         "-6.66666666666667E-0001 (-3.52182518111363E+0000 дБ)"},
        {oneSection({1, 0, 0}, {1, -1, 0}, lowPass), 1, true, false, 0,
         " бесконечность (полюс на этой частоте)"},
        {oneSection({1, 1, 0}, {1, 0, 0}, lowPass), -1, false, false, 0,
         " 0.00000000000000E+0000 (нуль передачи)"},
        {huge, 1, false, true, std::numeric_limits<double>::infinity(),
         " по модулю больше наибольшего числа double (переполнение; полюса на этой частоте "
         "нет)"},
    };
    for (const auto& row : rows) {
        const RealGain g = gainAtReal(row.filter, row.z);
        EXPECT_EQ(g.infinite, row.infinite) << row.text;
        EXPECT_EQ(g.overflow, row.overflow) << row.text;
        if (!row.infinite) {
            EXPECT_EQ(g.value, row.value) << row.text;
        }
        EXPECT_EQ(gainText(g), row.text);
    }
}

// Text is measured and drawn by characters: a Cyrillic or Greek letter takes two bytes
// of UTF-8 but one 6-pixel cell, and it is drawn, not left blank.
TEST(FilterAnalysis, SmallTextCountsCharactersNotBytes) {
    const struct {
        const char* text;
        int width;
        bool inked;
    } rows[] = {
        {"Re z", 23, true},  {"дБ", 11, true}, {"τ, отсчеты", 59, true},
        {"f, Гц", 29, true}, {"", 0, false},   {"ЖЩ", 11, false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(smallTextWidth(row.text), row.width) << row.text;
        Canvas canvas(80, 10);
        drawSmallText(canvas, 1, 1, row.text, black);
        int inked = 0;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 80; ++x)
                inked += canvas.pixel(x, y) == black ? 1 : 0;
        EXPECT_EQ(inked > 0, row.inked) << row.text;
        // Nothing beyond the cells the text takes.
        for (int y = 0; y < 10; ++y)
            for (int x = 1 + row.width + 1; x < 80; ++x)
                ASSERT_EQ(canvas.pixel(x, y), white) << row.text << " at " << x;
    }
}

// A curve is broken where its value is not finite (a pole on the grid), not drawn to a
// point far away.
TEST(FilterAnalysis, ChartsBreakWhereValuesAreNotFinite) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double gap : {nan, inf, -inf}) {
        Canvas canvas(300, 200);
        const PlotFrame f =
            drawChart(canvas, {{{0, 1, 2, 3, 4}, {1, 1, gap, 2, 2}, firstFilterColor}}, false);
        EXPECT_GT(f.y1, 2);
        EXPECT_LT(f.y0, 1);
        const int low = static_cast<int>(std::lround(f.pixelY(1)));
        const int high = static_cast<int>(std::lround(f.pixelY(2)));
        EXPECT_EQ(canvas.pixel(static_cast<int>(std::lround(f.pixelX(0.5))), low),
                  firstFilterColor);
        EXPECT_EQ(canvas.pixel(static_cast<int>(std::lround(f.pixelX(3.5))), high),
                  firstFilterColor);
        // Nothing joins x = 1 with x = 3.
        for (int y = f.top; y <= f.top + f.height; ++y)
            EXPECT_NE(canvas.pixel(static_cast<int>(std::lround(f.pixelX(2))), y), firstFilterColor)
                << gap << " row " << y;
    }
}

// The one root line of every list: section, Russian kind, then re, im, radius, angle.
TEST(FilterAnalysis, RootLine) {
    FilterRoot pole;
    pole.section = 3;
    pole.pole = true;
    pole.re = -0.5;
    pole.im = 0.25;
    pole.radius = 0.5;
    pole.angle = 2;
    FilterRoot zero;
    zero.section = 12;
    const struct {
        FilterRoot root;
        const char* line;
    } rows[] = {
        {pole, "3 полюс -5.00000000000000E-0001  2.50000000000000E-0001  5.00000000000000E-0001 "
               " 2.00000000000000E+0000"},
        {zero, "12 нуль  0.00000000000000E+0000  0.00000000000000E+0000  0.00000000000000E+0000 "
               " 0.00000000000000E+0000"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(rootLine(row.root), row.line);
}
