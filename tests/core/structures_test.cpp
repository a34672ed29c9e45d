// The structures of an implementation: each realises the filter, the closed forms of the
// lattice, the normal and the optimal form, the round-off noise each one's arithmetic
// must have, error feedback against direct form I on a narrow filter, costs, refusals, and
// the search for the cheapest implementation.
#include "cascade/norms.h"
#include "coefficients/filterfile.h"
#include "common/errors.h"
#include "fixedpoint/comparison.h"
#include "fixedpoint/implementation.h"
#include "fixedpoint/report.h"
#include "fixedpoint/simulation.h"
#include "fixedpoint/structures.h"

#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <span>
#include <utility>
#include <vector>

namespace zorkan {
namespace {

using testing::readBytes;
using testing::runCli;
using testing::TempDir;

using Coefficients = std::vector<double>;
struct Section {
    Coefficients a; // numerator
    Coefficients b; // denominator, b0 = 1
};

FilterCoefficients filterOf(const std::vector<Section>& sections) {
    FilterCoefficients f;
    f.kind = lowPass;
    f.order = static_cast<std::uint32_t>(2 * sections.size());
    for (const Section& s : sections) {
        FilterSection fs;
        std::copy(s.a.begin(), s.a.end(), fs.a);
        std::copy(s.b.begin(), s.b.end(), fs.b);
        f.sections.push_back(fs);
    }
    return f;
}

// The impulse response of the cascade by its difference equations, in long double.
std::vector<long double> cascadeImpulse(const std::vector<Section>& sections, int n) {
    std::vector<long double> x(static_cast<std::size_t>(n), 0);
    x[0] = 1;
    for (const Section& s : sections) {
        std::vector<long double> y(x.size(), 0);
        for (std::size_t t = 0; t < x.size(); ++t) {
            long double v = 0;
            for (std::size_t i = 0; i < 3 && i <= t; ++i)
                v += s.a[i] * x[t - i] - (i ? s.b[i] * y[t - i] : 0.0L);
            y[t] = v;
        }
        x = y;
    }
    return x;
}

// ||N / A||^2 for one second-order section, summed until the tail is below 1e-30.
long double squaredNorm(const Coefficients& num, const Coefficients& den) {
    return [&] {
        long double sum = 0, y1 = 0, y2 = 0, x1 = 0, x2 = 0;
        for (int t = 0; t < 20000; ++t) {
            const long double x = t == 0 ? 1 : 0;
            const long double y =
                num[0] * x + num[1] * x1 + num[2] * x2 - den[1] * y1 - den[2] * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            sum += y * y;
        }
        return sum;
    }();
}

constexpr double pi = std::numbers::pi;
const Section complexPair{{1, 2, 1}, {1, -1.8 * std::cos(0.7), 0.81}};
const Section realPair{{1, 0, -1}, {1, -0.2, -0.15}}; // poles 0.5 and -0.3, zeros at +-1
const Section doublePole{{0.5, 0.1, 0.3}, {1, -1.2, 0.36}};
const Section firstOrder{{1, 1, 0}, {1, -0.7, 0}};

const Structure allStructures[] = {Structure::Df1,           Structure::Df2,    Structure::Df2t,
                                   Structure::ErrorFeedback, Structure::Normal, Structure::Lattice,
                                   Structure::Optimal};

// In double every structure computes the file's filter: its impulse response equals the
// difference equations' to 1e-12 of its largest sample.
TEST(Structures, DoubleArithmeticRealisesTheFilter) {
    const std::vector<std::vector<Section>> filters = {
        {complexPair}, {realPair}, {doublePole}, {firstOrder}, {complexPair, realPair, firstOrder}};
    for (const std::vector<Section>& sections : filters) {
        const std::vector<long double> expected = cascadeImpulse(sections, 300);
        long double top = 0;
        for (long double v : expected)
            top = std::max(top, std::fabs(v));
        for (Structure s : allStructures) {
            if (s == Structure::ErrorFeedback)
                continue; // fixed point only
            ImplementationOptions o;
            o.arithmetic = namedArithmetic(Target::Double);
            o.scaling = Scaling::None;
            o.order = SectionOrder::File;
            o.structure = s;
            const Implementation im = realise(filterOf(sections), o);
            std::vector<double> impulse(expected.size(), 0.0);
            impulse[0] = 1;
            const std::vector<double> got = simulate(im, impulse);
            for (std::size_t t = 0; t < got.size(); ++t)
                ASSERT_NEAR(got[t], static_cast<double>(expected[t]),
                            1e-12 * static_cast<double>(top))
                    << structureName(s) << " sections " << sections.size() << " sample " << t;
        }
    }
}

// Gray and Markel's coefficients of 1 / (1 - 0.5 z^-1 + 0.25 z^-2) and its ladder for the
// numerator 1 + 2 z^-1 + z^-2, worked by hand: k2 = a2, k1 = a1 / (1 + a2); v2 = b2,
// v1 = b1 - v2 a1, v0 = b0 - v1 k1 - v2 a2.
TEST(Structures, LatticeCoefficientsByHand) {
    SecondOrderSection s;
    s.num[0] = 1;
    s.num[1] = 2;
    s.num[2] = 1;
    s.den[1] = -0.5;
    s.den[2] = 0.25;
    const LatticeCoefficients l = latticeOf(s);
    EXPECT_EQ(l.k2, 0.25);
    EXPECT_EQ(l.k1, -0.4);
    EXPECT_EQ(l.v2, 1);
    EXPECT_EQ(l.v1, 2.5);
    EXPECT_NEAR(l.v0, 1.75, 1e-15);
}

// The normal form of the poles 0.9 e^(+-j 0.3) rotates by alpha = 0.9 cos 0.3 and
// beta = 0.9 sin 0.3, whatever turn of its state equalises the state norms.
TEST(Structures, NormalFormRotatesByThePoles) {
    SecondOrderSection s;
    s.num[0] = 0.3;
    s.num[1] = -0.2;
    s.num[2] = 0.1;
    s.den[1] = -1.8 * std::cos(0.3);
    s.den[2] = 0.81;
    const StateSpace n = normalForm(s, 0);
    const double alpha = 0.9 * std::cos(0.3), beta = 0.9 * std::sin(0.3);
    EXPECT_NEAR(n.a[0][0], alpha, 1e-15);
    EXPECT_NEAR(n.a[1][1], alpha, 1e-15);
    EXPECT_NEAR(n.a[1][0], beta, 1e-15);
    EXPECT_NEAR(n.a[0][1], -beta, 1e-15);
    EXPECT_EQ(n.d, 0.3);
}

// The section-optimal form: controllability and observability Gramians equal, with equal
// diagonals (summed here from the state space's impulse responses).
TEST(Structures, OptimalFormHasEqualGramiansWithEqualDiagonals) {
    for (const Section& sec : {complexPair, realPair, doublePole}) {
        SecondOrderSection s;
        std::copy(sec.a.begin(), sec.a.end(), s.num);
        std::copy(sec.b.begin(), sec.b.end(), s.den);
        const StateSpace o = optimalForm(s, 0);
        long double k[2][2] = {}, w[2][2] = {};
        long double ab[2] = {o.b[0], o.b[1]}, ca[2] = {o.c[0], o.c[1]};
        for (int t = 0; t < 5000; ++t) {
            for (int i = 0; i < 2; ++i)
                for (int j = 0; j < 2; ++j) {
                    k[i][j] += ab[i] * ab[j];
                    w[i][j] += ca[i] * ca[j];
                }
            const long double nb[2] = {o.a[0][0] * ab[0] + o.a[0][1] * ab[1],
                                       o.a[1][0] * ab[0] + o.a[1][1] * ab[1]};
            const long double nc[2] = {ca[0] * o.a[0][0] + ca[1] * o.a[1][0],
                                       ca[0] * o.a[0][1] + ca[1] * o.a[1][1]};
            std::copy(nb, nb + 2, ab);
            std::copy(nc, nc + 2, ca);
        }
        const long double scale = k[0][0];
        EXPECT_NEAR(static_cast<double>(k[1][1] / scale), 1, 1e-9) << sec.b[1];
        EXPECT_NEAR(static_cast<double>(w[0][0] / scale), 1, 1e-9) << sec.b[1];
        EXPECT_NEAR(static_cast<double>(w[1][1] / scale), 1, 1e-9) << sec.b[1];
        EXPECT_NEAR(static_cast<double>((k[0][1] - w[0][1]) / scale), 0, 1e-9) << sec.b[1];
    }
}

// The computed round-off noise of one section in each structure: q^2 / 12 times the sum
// of the squared L2 norms from every rounding to the output, the norms summed here from
// the structure's equations (df1: 1/A; df2t: three roundings, each 1/A delayed; df2: w
// through B/A and y itself; ef: (1 + r1 z^-1 + r2 z^-2)/A; the state spaces: the output
// and each state through C A^k).
TEST(Structures, ComputedNoiseOfOneSectionFromItsNorms) {
    const Coefficients num{0.2, 0.1, 0.3};
    const Coefficients den{1, -1.6 * std::cos(1.0), 0.64};
    const FilterCoefficients filter = filterOf({{num, den}});
    const long double inverse = squaredNorm({1, 0, 0}, den);
    const struct {
        Structure structure;
        long double norms;
    } rows[] = {
        {Structure::Df1, inverse},
        {Structure::Df2t, 3 * inverse},
        {Structure::Df2, squaredNorm(num, den) + 1},
        {Structure::ErrorFeedback, squaredNorm({1, std::round(den[1]), std::round(den[2])}, den)},
    };
    ReportOptions report;
    report.limitCycleTrials = 0;
    report.noiseSamples = 1024;
    const double lsb = std::ldexp(1.0, -15);
    for (const auto& row : rows) {
        ImplementationOptions o;
        o.arithmetic = {Target::Fixed, 16, 24, Rounding::Nearest, Overflow::Saturate};
        o.scaling = Scaling::None;
        o.order = SectionOrder::File;
        o.structure = row.structure;
        const ImplementationFigures f = implementationFigures(filter, o, report);
        ASSERT_TRUE(f.analyticNoise) << structureName(row.structure);
        const double expected =
            10 * std::log10(static_cast<double>(lsb * lsb / 12 * row.norms) / 0.5);
        EXPECT_NEAR(f.noiseAnalyticDbfs, expected, 1e-6) << structureName(row.structure);
    }
    // The state spaces: the output's rounding, and each state's through C A^k, with the
    // quantised coefficients the program holds.
    for (Structure s : {Structure::Normal, Structure::Optimal}) {
        ImplementationOptions o;
        o.arithmetic = {Target::Fixed, 16, 24, Rounding::Nearest, Overflow::Saturate};
        o.scaling = Scaling::None;
        o.order = SectionOrder::File;
        o.structure = s;
        const Implementation im = realise(filter, o);
        const SectionProgram& p = im.programs.at(0);
        ASSERT_EQ(p.states, 2);
        // y = d x + c1 s1 + c2 s2; s_i = a_i1 s1 + a_i2 s2 + b_i x.
        const long double c[2] = {p.nodes[0].terms[1].value, p.nodes[0].terms[2].value};
        const long double a[2][2] = {{p.nodes[1].terms[0].value, p.nodes[1].terms[1].value},
                                     {p.nodes[2].terms[0].value, p.nodes[2].terms[1].value}};
        long double sum = 1;
        for (int i = 0; i < 2; ++i) {
            long double e[2] = {i == 0 ? 1.0L : 0.0L, i == 1 ? 1.0L : 0.0L};
            for (int t = 0; t < 20000; ++t) {
                const long double y = c[0] * e[0] + c[1] * e[1];
                sum += y * y;
                const long double n0 = a[0][0] * e[0] + a[0][1] * e[1];
                const long double n1 = a[1][0] * e[0] + a[1][1] * e[1];
                e[0] = n0;
                e[1] = n1;
            }
        }
        const ImplementationFigures f = implementationFigures(filter, o, report);
        const double expected = 10 * std::log10(static_cast<double>(lsb * lsb / 12 * sum) / 0.5);
        EXPECT_NEAR(f.noiseAnalyticDbfs, expected, 1e-6) << structureName(s);
    }
    // The lattice: f1 = x - k2 s1, f0 = f1 - k1 s0, g1 = k1 f0 + s0, g2 = k2 f1 + s1,
    // y = v0 f0 + v1 g1 + v2 g2, s0 <- f0, s1 <- g1. Four sources: f1, g2 and y round their
    // own products; g1 rounds k1 f0[n] and f0 rounds -k1 f0[n] one sample later, the same
    // error negated, so that the two are one source entering g1 and, a sample later, f0
    // with the opposite sign.
    {
        ImplementationOptions o;
        o.arithmetic = {Target::Fixed, 16, 24, Rounding::Nearest, Overflow::Saturate};
        o.scaling = Scaling::None;
        o.order = SectionOrder::File;
        o.structure = Structure::Lattice;
        const Implementation im = realise(filter, o);
        const SectionProgram& p = im.programs.at(0);
        ASSERT_EQ(p.nodes.size(), 5u);
        const long double k2f = -p.nodes[0].terms[1].value, k1f = -p.nodes[1].terms[1].value;
        const long double k1g = p.nodes[2].terms[0].value, k2g = p.nodes[3].terms[0].value;
        const long double v[3] = {p.nodes[4].terms[0].value, p.nodes[4].terms[1].value,
                                  p.nodes[4].terms[2].value};
        enum { F1, F0, G1, G2, Y };
        // The output energy of errors added to the nodes at samples 0 and 1.
        const auto energy = [&](const long double(&first)[5], const long double(&second)[5]) {
            long double s0 = 0, s1 = 0, sum = 0;
            for (int t = 0; t < 20000; ++t) {
                const long double* e = t == 0 ? first : t == 1 ? second : nullptr;
                const auto add = [e](int node) { return e ? e[node] : 0.0L; };
                const long double f1 = -k2f * s1 + add(F1);
                const long double f0 = f1 - k1f * s0 + add(F0);
                const long double g1 = k1g * f0 + s0 + add(G1);
                const long double g2 = k2g * f1 + s1 + add(G2);
                const long double y = v[0] * f0 + v[1] * g1 + v[2] * g2 + add(Y);
                sum += y * y;
                s0 = f0;
                s1 = g1;
            }
            return sum;
        };
        const long double none[5] = {0, 0, 0, 0, 0};
        const long double atF1[5] = {1, 0, 0, 0, 0}, atG2[5] = {0, 0, 0, 1, 0};
        const long double atY[5] = {0, 0, 0, 0, 1};
        const long double atG1[5] = {0, 0, 1, 0, 0}, thenF0[5] = {0, -1, 0, 0, 0};
        const long double sum =
            energy(atF1, none) + energy(atG1, thenF0) + energy(atG2, none) + energy(atY, none);
        const ImplementationFigures f = implementationFigures(filter, o, report);
        ASSERT_TRUE(f.analyticNoise);
        const double expected = 10 * std::log10(static_cast<double>(lsb * lsb / 12 * sum) / 0.5);
        EXPECT_NEAR(f.noiseAnalyticDbfs, expected, 1e-6) << "lattice";
    }
}

// A fourth-order Butterworth low-pass with its edge at 0.001 FD: in direct form I its
// round-off passes through poles within 0.005 of z = 1, error feedback cancels them; and
// the computed noise of every structure agrees with the measured one within 1 dB in q31,
// on it, on an elliptic and on a Butterworth band-pass, and in q15 on the band-passes.
TEST(Structures, ErrorFeedbackOnANarrowFilterAndComputedAgainstMeasuredNoise) {
    TempDir dir;
    ASSERT_EQ(runCli(dir, "design --approx butterworth --order 4 --band lowpass --edge 0.001 "
                          "--report b.out --filter b.flt")
                  .status,
              0);
    ASSERT_EQ(runCli(dir, "design --approx elliptic --order 6 --band bandpass --edge 0.1,0.15 "
                          "--da 0.5 --b1 60 --report e.out --filter e.flt")
                  .status,
              0);
    ASSERT_EQ(runCli(dir, "design --approx butterworth --order 4 --band bandpass --edge 0.1,0.12 "
                          "--report p.out --filter p.flt")
                  .status,
              0);
    const FilterCoefficients narrow = readAnalysedFilter(dir.file("b.flt"));
    ReportOptions report;
    report.limitCycleTrials = 0;
    const auto figures = [&](const FilterCoefficients& f, Target target, Structure s) {
        ImplementationOptions o;
        o.arithmetic = namedArithmetic(target);
        o.structure = s;
        return implementationFigures(f, o, report);
    };
    const ImplementationFigures df1 = figures(narrow, Target::Q15, Structure::Df1);
    const ImplementationFigures ef = figures(narrow, Target::Q15, Structure::ErrorFeedback);
    ASSERT_TRUE(df1.simulatedNoise && ef.simulatedNoise);
    EXPECT_GE(ef.snrSimulatedDb, df1.snrSimulatedDb + 40);
    // In q15 the narrow filter's nodes hold a few units of the last bit, whose roundings
    // are neither white nor independent of the signal: there its noise is compared in q31.
    const struct {
        const char* file;
        Target target;
    } rows[] = {
        {"b.flt", Target::Q31}, {"e.flt", Target::Q31}, {"e.flt", Target::Q15},
        {"p.flt", Target::Q31}, {"p.flt", Target::Q15},
    };
    for (const auto& row : rows) {
        const FilterCoefficients f = readAnalysedFilter(dir.file(row.file));
        for (Structure s : allStructures) {
            const ImplementationFigures x = figures(f, row.target, s);
            const std::string what =
                std::string(row.file) + " " + targetName(row.target) + " " + structureName(s);
            ASSERT_TRUE(x.analyticNoise && x.simulatedNoise) << what;
            EXPECT_NEAR(x.noiseAnalyticDbfs, x.noiseSimulatedDbfs, 1.0) << what;
        }
    }
}

// The cost of one section, counted by hand: 1 + 2 z^-1 + z^-2 multiplies by 1, 2 and 1
// (no multiplier), a1 and a2 need two.
TEST(Structures, CostPerSample) {
    const FilterCoefficients filter = filterOf({complexPair});
    const struct {
        Structure structure;
        StructureCost cost; // multiplications, additions, state words, coefficient words
    } rows[] = {
        {Structure::Df1, {2, 4, 4, 3}},
        // and two additions of the fed-back residues, kept in two more words
        {Structure::ErrorFeedback, {2, 6, 6, 3}},
    };
    for (const auto& row : rows) {
        ImplementationOptions o;
        o.arithmetic = namedArithmetic(Target::Q15);
        o.scaling = Scaling::None;
        o.order = SectionOrder::File;
        o.structure = row.structure;
        const StructureCost c = implementationCost(realise(filter, o));
        EXPECT_EQ(c.multiplications, row.cost.multiplications) << structureName(row.structure);
        EXPECT_EQ(c.additions, row.cost.additions) << structureName(row.structure);
        EXPECT_EQ(c.stateWords, row.cost.stateWords) << structureName(row.structure);
        EXPECT_EQ(c.coefWords, row.cost.coefWords) << structureName(row.structure);
    }
}

TEST(Structures, RefusalsWriteNothing) {
    TempDir dir;
    testing::writeBytes(dir.file("u.flt"), "2\r\n0\r\n1 0 0\r\n1 0 1.5\r\n"); // |k2| > 1
    testing::writeBytes(dir.file("s.flt"), "2\r\n0\r\n1 0 0\r\n1 -0.5 0.25\r\n");
    const struct {
        const char* arguments;
        const char* message;
    } rows[] = {
        {"s.flt --structure spiral", "Неизвестная структура 'spiral'"},
        {"s.flt --structure ef --target float", "Структура ef"},
        {"s.flt --structure normal --target cmsis-q15", "только структуру df1"},
        {"u.flt --structure lattice", "коэффициенты отражения"},
        {"u.flt --structure optimal", "Оптимальная форма"},
    };
    for (const auto& row : rows) {
        const auto r =
            runCli(dir, std::string("implement ") + row.arguments + " --quantised q.flt");
        EXPECT_EQ(r.status, 1) << row.arguments;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << row.arguments << r.err;
        EXPECT_TRUE(readBytes(dir.file("q.flt")).empty()) << row.arguments;
    }
}

// The comparison has a row for each structure of the target.
TEST(Structures, ComparisonRowsPerTarget) {
    TempDir dir;
    testing::writeBytes(dir.file("s.flt"), "2\r\n0\r\n1 2 1\r\n1 -0.5 0.25\r\n");
    const struct {
        const char* target;
        std::size_t rows;
    } rows[] = {{"q15", 7}, {"float", 6}, {"cmsis-q31", 1}};
    for (const auto& row : rows) {
        const auto r = runCli(dir, std::string("implement s.flt --structures --limit-cycles 5 "
                                               "--json --target ") +
                                       row.target);
        ASSERT_EQ(r.status, 0) << r.err;
        std::size_t count = 0;
        for (std::size_t at = r.out.find("\"structure\": "); at != std::string::npos;
             at = r.out.find("\"structure\": ", at + 1))
            ++count;
        EXPECT_EQ(count, row.rows) << row.target << r.out;
        EXPECT_EQ(r.out.rfind("{\"structures\": [", 0), 0u) << r.out;
    }
}

// The answer of the search holds every condition, and one bit less of either word breaks
// one of them.
TEST(Structures, SearchFindsTheShortestWords) {
    TempDir dir;
    ASSERT_EQ(runCli(dir, "design --approx butterworth --order 4 --band lowpass --edge 0.3 "
                          "--report l.out --filter l.flt")
                  .status,
              0);
    const FilterCoefficients filter = readAnalysedFilter(dir.file("l.flt"));
    SearchRequest request;
    request.snr = 50;
    request.limitCycleTrials = 20;
    std::vector<double> progress;
    const SearchResult result = searchBest(filter, request, [&](double done) {
        progress.push_back(done);
        return true;
    });
    ASSERT_TRUE(result.found) << result.why;
    // The progress never goes back, and ends complete.
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 1.0);
    ReportOptions report;
    report.limitCycleTrials = request.limitCycleTrials;
    const auto holds = [&](const Candidate& c) {
        const ImplementationFigures f = implementationFigures(filter, c.options(), report);
        bool overflowFree = f.normsBounded && f.worstCaseOverflows == 0;
        if (f.normsBounded) {
            bool within = true;
            for (double g : f.l1Gains)
                within = within && g <= 1;
            overflowFree = overflowFree || within;
        }
        return f.stable && f.passbandDeviation <= 0.1 && overflowFree && f.simulatedNoise &&
               f.snrSimulatedDb >= request.snr && !f.limitCycle.found;
    };
    EXPECT_TRUE(holds(result.best));
    Candidate shorter = result.best;
    --shorter.dataBits;
    if (shorter.dataBits >= minimumBits) {
        EXPECT_FALSE(holds(shorter));
    }
    Candidate coarser = result.best;
    --coarser.coefBits;
    if (coarser.coefBits >= minimumBits) {
        bool fails = true;
        try {
            fails = !holds(coarser);
        } catch (const UserMessage&) {
            // Coefficients that do not fit so short a word.
        }
        EXPECT_TRUE(fails);
    }
    // The front runs from cheap and noisy to dear and quiet.
    for (std::size_t k = 1; k < result.pareto.size(); ++k) {
        EXPECT_GE(result.pareto[k].cost(request.cost), result.pareto[k - 1].cost(request.cost));
        EXPECT_GT(result.pareto[k].snr, result.pareto[k - 1].snr);
    }
    // Each point of the front is the implementation its words give, l1 scaling's check of
    // the rounded coefficients included: its SNR is that implementation's to the last bit.
    const SecondOrderCascade factored = secondOrderSections(filter);
    bool l1 = false;
    for (const Candidate& p : result.pareto) {
        const Implementation im = realise(factored, p.options());
        const WordCheck w = checkWords(im, filter.kind, std::nullopt, report, true);
        EXPECT_EQ(w.snr, p.snr) << structureName(p.structure) << " " << scalingName(p.scaling)
                                << " W = " << p.dataBits << ", C = " << p.coefBits;
        l1 = l1 || p.scaling == Scaling::L1;
    }
    EXPECT_TRUE(l1);
}

// An input seen to overflow: the section b0 / (1 - 0.9 z^-1) has the L1 gain 10 b0 at its
// output (all of it within the first few thousand samples), and in direct form II its inner
// node w = x / (1 - 0.9 z^-1) has the gain 10 whatever b0 is; a gain above 1 is reached by
// its worst-case input, one below is not.
TEST(Structures, OverflowIsShownWhereAGainPassesFullScale) {
    const struct {
        Structure structure;
        double b0;
        bool shown;
    } rows[] = {
        {Structure::Df1, 0.099, false},  {Structure::Df1, 0.101, true},
        {Structure::Df2t, 0.099, false}, {Structure::Df2t, 0.101, true},
        {Structure::Df2, 0.05, true},
    };
    for (const auto& row : rows) {
        const FilterCoefficients filter = filterOf({{{row.b0, 0, 0}, {1, -0.9, 0}}});
        ImplementationOptions o;
        o.structure = row.structure;
        o.scaling = Scaling::None;
        o.arithmetic = {Target::Fixed, 32, 32, Rounding::Nearest, Overflow::Saturate};
        EXPECT_EQ(overflowShown(realise(filter, o)), row.shown)
            << structureName(row.structure) << " b0 = " << row.b0;
    }
}

} // namespace
} // namespace zorkan

namespace zorkan {
namespace {

// Other words for the same scaled cascade: rounding its coefficients anew must give exactly
// what realising it in those words gives, for every scaling whose scale factors do not
// follow the data word, and the node gains summed once must be the ones summed afresh.
TEST(Structures, RoundingAnewEqualsRealisingInTheNewWords) {
    const FilterCoefficients filter = filterOf({complexPair, doublePole, realPair});
    const SecondOrderCascade factored = secondOrderSections(filter);
    for (const Structure s : {Structure::Df1, Structure::Normal, Structure::ErrorFeedback})
        for (const Scaling scaling : {Scaling::Peak, Scaling::L2, Scaling::None}) {
            ImplementationOptions o;
            o.structure = s;
            o.scaling = scaling;
            o.arithmetic = {Target::Fixed, 32, 32, Rounding::Nearest, Overflow::Saturate};
            const Implementation longest = realise(factored, o);
            o.arithmetic.dataBits = 12;
            o.arithmetic.coefBits = 9;
            Implementation rounded = requantised(longest, factored, o.arithmetic);
            const Implementation direct = realise(factored, o);
            ASSERT_EQ(rounded.quantised.size(), direct.quantised.size());
            for (std::size_t k = 0; k < direct.quantised.size(); ++k)
                for (int i = 0; i < 3; ++i) {
                    EXPECT_EQ(rounded.quantised[k].num[i], direct.quantised[k].num[i]);
                    EXPECT_EQ(rounded.quantised[k].den[i], direct.quantised[k].den[i]);
                }
            sumNodeGains(rounded);
            EXPECT_FALSE(rounded.nodeGains.empty());
            const ReportOptions report;
            const WordCheck a = checkWords(rounded, lowPass, std::nullopt, report, false);
            const WordCheck b = checkWords(direct, lowPass, std::nullopt, report, false);
            EXPECT_EQ(a.largestL1, b.largestL1) << structureName(s);
            EXPECT_EQ(a.overflowFree, b.overflowFree);
        }
}

} // namespace
} // namespace zorkan

namespace zorkan {
namespace {

// The L1 gain of direct form I's one node for b0 / (1 - a z^-1) is |b0| / (1 - |a|); the
// rows run one after another on programs that differ in one coefficient, so gains kept for
// earlier programs under a key that misses a coefficient would answer a later row wrongly.
TEST(Structures, NodeGainsFollowEveryCoefficient) {
    const struct {
        double b0, a;
        long samples;
        long double l1;
    } rows[] = {
        {1, 0.5, 400, 2}, {1, 0.75, 400, 4}, {1, -0.75, 400, 4},
        {3, 0.5, 400, 6}, {1, 0.5, 2, 1.5},  {1, 0.5, 400, 2},
    };
    for (const auto& row : rows) {
        SecondOrderSection s;
        s.num[0] = row.b0;
        s.den[1] = -row.a;
        const std::vector<SectionProgram> programs{buildProgram(Structure::Df1, s, 1, 1, 0)};
        const std::vector<std::vector<long double>> gains = nodeL1Gains(programs, row.samples);
        ASSERT_EQ(gains.size(), 1u);
        const long double top = *std::max_element(gains[0].begin(), gains[0].end());
        EXPECT_NEAR(static_cast<double>(top / row.l1), 1, 1e-15)
            << row.b0 << " / (1 - " << row.a << " z^-1) over " << row.samples;
    }
}

// Node gains of a long impulse response (a resonator of radius 1 - 2^-10, then a pole at 1/2,
// both in direct form II, whose two nodes w and y carry the same response for a numerator 1),
// summed until nothing to come can change the sums, against mpmath at 40 digits over 1.3 times
// the samples: 1 / (1 - 1.5 z^-1 + a2 z^-2), a2 = 1 - 2^-9 + 2^-20: L1 = 987.30005463276793...;
// that times 1 / (1 - z^-1 / 2): L1 = 1397.6056508178202634...
TEST(Structures, NodeGainsOfALongTailAgreeWithMpmath) {
    SecondOrderSection resonator, pole;
    resonator.den[1] = -1.5;
    resonator.den[2] = 1 - std::ldexp(1.0, -9) + std::ldexp(1.0, -20);
    pole.den[1] = -0.5;
    const std::vector<SectionProgram> programs{buildProgram(Structure::Df2, resonator, 1, 1, 0),
                                               buildProgram(Structure::Df2, pole, 1, 1, 1)};
    const long samples = normSamples({resonator, pole});
    ASSERT_GE(samples, boundedTailFrom);
    const std::vector<std::vector<long double>> gains = nodeL1Gains(programs, samples);
    const double expected[2] = {987.3000546327679, 1397.6056508178203};
    ASSERT_EQ(gains.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        ASSERT_EQ(gains[k].size(), 2u);
        for (long double g : gains[k])
            EXPECT_DOUBLE_EQ(static_cast<double>(g), expected[k]) << "section " << k + 1;
    }
}

// A resonator 2^-26 from the circle at pi/3, 1 / (1 - r z^-1 + r^2 z^-2) with r = 1 - 2^-26:
// h[n] = r^n sin((n + 1) pi/3) / sin(pi/3), whose L1 norm is (1 + r) / (1 - r^3), far beyond
// what any sum of 10^7 samples reaches. Every structure's output node carries h: its gain,
// the sum of the first samples and a bound of the rest, is never below the norm and agrees
// with the cascade's. Scaled to l1 in double, the largest node gain is the limit 1 (a scale
// from the sums alone would leave it 116 times that).
TEST(Structures, NodeGainsOfAPoleAtTheCircleBoundTheNorm) {
    const double r = 1 - std::ldexp(1.0, -26);
    SecondOrderSection resonator;
    resonator.den[1] = -r;
    resonator.den[2] = r * r;
    const long double gap = std::ldexp(1.0L, -26);
    const long double l1 = (1 + static_cast<long double>(r)) / (gap * (1 + r + r * r));
    const long double cascade = impulseNorms({resonator}, 1).l1;
    for (const StructureRow& row : structureTable()) {
        const SectionProgram program = buildProgram(row.structure, resonator, 1, 1, 0);
        const long samples = normSamples({programSection(program)});
        const long double gain =
            nodeL1Gains({program}, samples)[0][static_cast<std::size_t>(program.output)];
        EXPECT_GE(gain, l1) << structureName(row.structure);
        EXPECT_NEAR(static_cast<double>(gain / cascade), 1, 1e-7) << structureName(row.structure);
        if (row.structure == Structure::ErrorFeedback)
            continue; // no floating target
        SecondOrderCascade factored;
        factored.sections = {resonator};
        ImplementationOptions o;
        o.arithmetic.target = Target::Double;
        o.scaling = Scaling::L1;
        o.structure = row.structure;
        const Implementation im = realise(factored, o);
        // Direct form I keeps its sections as they are (no programs): its one node is the
        // output.
        const long double largest =
            im.programs.empty()
                ? impulseNorms(im.quantised, 1).l1
                : std::ranges::max(nodeL1Gains(im.programs, normSamples(im.quantised))[0]);
        EXPECT_NEAR(static_cast<double>(largest), 1, 1e-7) << structureName(row.structure);
    }
}

// A section run over an impulse in two calls, in place: the pole at -1/2 (b0 = 1) gives
// y[n] = (-1/2)^n exactly in every structure whose coefficients are 1 and 1/2, so over N
// samples sum |y| = 2 - 2^(1 - N) and sum y^2 = ((4^N - 1) / 3) / 4^(N - 1), both exact;
// the second call carries on from the state the first one left.
TEST(Structures, RunSectionCarriesOnAcrossCalls) {
    const struct {
        Structure structure;
        std::size_t first, second;
    } rows[] = {
        {Structure::Df1, 0, 9},       {Structure::Df1, 1, 1},  {Structure::Df2, 4, 4},
        {Structure::Df2t, 7, 1},      {Structure::Df2t, 1, 2}, {Structure::Lattice, 2, 28},
        {Structure::Lattice, 17, 13},
    };
    SecondOrderSection s;
    s.num[0] = 1;
    s.den[1] = 0.5;
    for (const auto& row : rows) {
        for (const ExactPrograms::NodeSum kind :
             {ExactPrograms::NodeSum::Magnitude, ExactPrograms::NodeSum::Square}) {
            const SectionProgram program = buildProgram(row.structure, s, 1, 1, 0);
            ExactPrograms run({program});
            const std::size_t n = row.first + row.second;
            std::vector<double> response(n, 0.0);
            response[0] = 1;
            std::vector<long double> sums(program.nodes.size(), 0.0L);
            const std::span<double> all(response);
            run.runSection(0, all.first(row.first), all.first(row.first), kind, sums);
            run.runSection(0, all.subspan(row.first), all.subspan(row.first), kind, sums);
            const bool square = kind == ExactPrograms::NodeSum::Square;
            const std::uint64_t quarters = std::uint64_t{1} << (2 * n);
            const long double expected =
                square ? std::ldexp(static_cast<long double>((quarters - 1) / 3),
                                    2 - 2 * static_cast<int>(n))
                       : 2 - std::ldexp(1.0L, 1 - static_cast<int>(n));
            EXPECT_EQ(sums[static_cast<std::size_t>(program.output)], expected)
                << structureName(row.structure) << " " << row.first << "+" << row.second
                << (square ? " squares" : " magnitudes");
            for (std::size_t i = 0; i < n; ++i)
                ASSERT_EQ(response[i], std::ldexp(i % 2 == 0 ? 1.0 : -1.0, -static_cast<int>(i)))
                    << structureName(row.structure) << " sample " << i;
        }
    }
}

// The comparison table keeps its columns whatever the limit cycle: the stability column
// starts where its heading does, after a space, for the largest cycle of a 32-bit word.
TEST(StructureTable, ColumnsHoldTheLargestLimitCycle) {
    const auto characters = [](const std::string& text, std::size_t bytes) {
        std::size_t n = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            n += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        return n;
    };
    const std::pair<double, int> cycles[] = {{2147483648.0, 1000000}, {13210, 360}, {4, 2}};
    for (const auto& [amplitude, period] : cycles) {
        StructureFigures row;
        row.figures.limitCycle.searched = true;
        row.figures.limitCycle.found = true;
        row.figures.limitCycle.amplitude = amplitude;
        row.figures.limitCycle.period = period;
        const std::vector<std::string> lines = comparisonLines({row});
        ASSERT_GE(lines.size(), std::size_t(3));
        const std::string& head = lines[1];
        const std::string& line = lines[2];
        const std::size_t cell = line.find(" мр/" + std::to_string(period));
        const std::size_t stable = line.find("да", cell);
        ASSERT_NE(stable, std::string::npos) << line;
        EXPECT_EQ(line[stable - 1], ' ') << line;
        EXPECT_EQ(characters(line, stable), characters(head, head.find("устойчив"))) << line;
    }
}

} // namespace
} // namespace zorkan
