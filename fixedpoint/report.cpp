#include "fixedpoint/report.h"

#include "cascade/norms.h"
#include "cascade/response.h"
#include "common/errors.h"
#include "common/textnumbers.h"
#include "fixedpoint/lattice.h"
#include "fixedpoint/simulation.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <limits>
#include <numbers>

namespace zorkan {

namespace {

using real = long double;
constexpr real pi = std::numbers::pi_v<long double>;

// The first section (from 1) whose nonzero numerator the quantisation made 0, else 0: the
// implementation is silent. A file whose numerator is 0 already has its warning.
std::size_t silencedSection(const Implementation& im) {
    const auto zero = [](const double* b) { return b[0] == 0 && b[1] == 0 && b[2] == 0; };
    for (std::size_t k = 0; k < im.quantised.size(); ++k)
        if (zero(im.quantised[k].num) && !zero(im.cascade.sections[k].num))
            return k + 1;
    return 0;
}

double largestPoleRadius(const std::vector<SecondOrderSection>& sections) {
    long double r = 0;
    for (const SecondOrderSection& s : sections)
        r = std::max(r, sectionPoleRadius(s));
    return static_cast<double>(r);
}

// The first n samples of the impulse response of the first `count` sections.
std::vector<double> impulseResponse(const std::vector<SecondOrderSection>& sections,
                                    std::size_t count, std::size_t n) {
    std::vector<real> s1(count, 0), s2(count, 0);
    std::vector<double> h(n);
    for (std::size_t t = 0; t < n; ++t) {
        real x = t == 0 ? 1 : 0;
        for (std::size_t k = 0; k < count; ++k) {
            const SecondOrderSection& s = sections[k];
            const real y = s.num[0] * x + s1[k];
            s1[k] = s.num[1] * x - s.den[1] * y + s2[k];
            s2[k] = s.num[2] * x - s.den[2] * y;
            x = y;
        }
        h[t] = static_cast<double>(x);
    }
    return h;
}

std::vector<FilterSection> asFileSections(const std::vector<SecondOrderSection>& sections) {
    std::vector<FilterSection> out(sections.size());
    for (std::size_t k = 0; k < sections.size(); ++k)
        for (int i = 0; i < 3; ++i) {
            out[k].a[i] = sections[k].num[i];
            out[k].b[i] = sections[k].den[i];
        }
    return out;
}

// The pass band as angles (radians per sample): where the ideal realised cascade is within
// 3 dB of its largest gain on the grid. The same with or without a request, so that the
// deviation is one figure of the implementation; a request is checked on its own bands.
std::vector<real> passBandGrid(const std::vector<SecondOrderSection>& ideal) {
    constexpr int points = 4096;
    std::vector<real> grid;
    std::vector<real> magnitude(points + 1);
    real top = 0;
    for (int i = 0; i <= points; ++i) {
        magnitude[i] = cascadeMagnitude(ideal, ideal.size(), pi * i / points);
        if (std::isfinite(magnitude[i]))
            top = std::max(top, magnitude[i]);
    }
    for (int i = 0; i <= points; ++i)
        if (std::isfinite(magnitude[i]) && magnitude[i] >= top / std::sqrt(2.0L))
            grid.push_back(pi * i / points);
    return grid;
}

double passbandDeviation(const Implementation& im, const std::vector<real>& grid) {
    double worst = 0;
    for (real w : grid) {
        const real hi = cascadeMagnitude(im.cascade.sections, im.cascade.sections.size(), w);
        const real hq = cascadeMagnitude(im.quantised, im.quantised.size(), w);
        if (!(hi > 0) || !(hq > 0) || !std::isfinite(hi) || !std::isfinite(hq))
            continue;
        worst = std::max(worst, static_cast<double>(std::fabs(20 * std::log10(hq / hi))));
    }
    return worst;
}

struct NoiseFigures {
    bool analytic = false;
    double analyticPower = 0;
    bool simulated = false;
    double simulatedPower = 0;
    bool exact = false;
    bool stuck = false;
};

// N = sum over the rounding points of (q^2 / 12) ||g_i||^2, g_i the path from the
// rounding to the output (the numerator of its point over its section's denominator,
// then every later section); truncation adds the square of its mean -q/2 carried through
// each g_i's gain at DC. The white-noise model holds when the rounding errors are small
// against the signal and unrelated to it: a weak or periodic signal, saturation and limit
// cycles make the measured noise differ from it.
bool analyticNoise(const Implementation& im, double& power) {
    const std::vector<SecondOrderSection>& q = im.quantised;
    const double lsb = std::ldexp(1.0, -(im.options.arithmetic.dataBits - 1));
    const long double radius = largestPoleRadius(q);
    if (!(radius < 1))
        return false;
    const std::vector<RoundingPoint> points = roundingPoints(im);
    // ||g_i||^2 in closed form from the quantised cascade's Gramian, exact however near the
    // circle its poles lie.
    const CascadeEnergy energy(q);
    if (!energy.bounded())
        return false;
    std::vector<long double> gains(points.size(), 0);
    for (std::size_t p = 0; p < points.size(); ++p)
        gains[p] = energy.headed(points[p].section, points[p].num);
    long double variance = 0, mean = 0;
    const bool truncate = im.options.arithmetic.rounding == Rounding::Truncate;
    for (std::size_t p = 0; p < points.size(); ++p) {
        variance += lsb * lsb / 12.0L * gains[p];
        if (truncate) {
            mean += -lsb / 2.0L * roundingPathAt(q, points[p], 0, true).real();
        }
    }
    power = static_cast<double>(variance + mean * mean);
    return std::isfinite(power);
}

// The mean square difference between the implementation and its double reference on
// white noise of amplitude `amplitude` (rounded to the data word for fixed point); `stuck`
// (when given) tells whether every fixed-point output sat at the largest or smallest word.
double simulatedNoise(const Implementation& im, double amplitude, int samples, std::uint64_t seed,
                      bool& exact, bool* stuck = nullptr) {
    const std::vector<double> x = noiseStimulus(im, amplitude, samples, seed);
    const std::vector<double> y = simulate(im, x);
    const std::vector<double> r = simulate(doubleReference(im), x);
    long double sum = 0;
    for (std::size_t n = 0; n < y.size(); ++n) {
        const long double d = static_cast<long double>(y[n]) - r[n];
        sum += d * d;
    }
    exact = sum == 0;
    if (stuck) {
        const Arithmetic& a = im.options.arithmetic;
        const double top = 1 - std::ldexp(1.0, -(a.dataBits - 1));
        *stuck = fixedPointTarget(a.target) && !y.empty() &&
                 std::all_of(y.begin(), y.end(), [top](double v) { return v == top || v == -1; });
    }
    return static_cast<double>(sum / samples);
}

double decibels(double power) {
    return 10 * std::log10(power);
}

NoiseFigures noiseOf(const Implementation& im, double amplitude, const ReportOptions& o) {
    NoiseFigures f;
    // A lattice's roundings feed back through its nodes: its noise is simulated only.
    if (fixedPointTarget(im.options.arithmetic.target) &&
        !latticeTarget(im.options.arithmetic.target))
        f.analytic = analyticNoise(im, f.analyticPower);
    if (im.options.arithmetic.target != Target::Double) {
        f.simulatedPower = simulatedNoise(im, amplitude, o.noiseSamples, o.seed, f.exact, &f.stuck);
        f.simulated = !f.exact;
    }
    return f;
}

// Whether the state of a zero-input run comes back to itself, and with which period
// and largest output; from K samples on, for up to K more.
void limitCycleFrom(Simulator& sim, int samples, LimitCycle& result) {
    for (int t = 0; t < samples; ++t)
        sim.stepFixed(0);
    const std::vector<std::int64_t> start = sim.fixedState();
    std::int64_t largest = 0;
    std::vector<double> trace;
    for (int t = 1; t <= samples; ++t) {
        const std::int64_t y = sim.stepFixed(0);
        largest = std::max<std::int64_t>(largest, y < 0 ? -y : y);
        trace.push_back(static_cast<double>(y));
        if (sim.fixedState() == start) {
            if (largest > 0 && (!result.found || largest > result.amplitude)) {
                result.found = true;
                result.amplitude = static_cast<double>(largest);
                result.period = t;
                result.trace = trace;
            }
            return;
        }
    }
    ++result.unsettled;
    result.unsettledAmplitude = std::max(result.unsettledAmplitude, static_cast<double>(largest));
}

LimitCycle limitCycles(const Implementation& im, const ReportOptions& o, double amplitude) {
    LimitCycle result;
    if (!fixedPointTarget(im.options.arithmetic.target) ||
        (im.fixed.empty() && im.programs.empty() && im.lattice.reflectionFixed.empty()))
        return result;
    // No trials asked for, or an unstable filter, whose state grows rather than cycles.
    if (o.limitCycleTrials <= 0 || !cascadeStable(im.quantised)) {
        result.skipped = true;
        return result;
    }
    result.searched = true;
    result.window = o.limitCycleSamples;
    NoiseGenerator random(o.seed ^ 0x9e3779b97f4a7c15ull);
    Simulator sim(im);
    const bool wrap = im.options.arithmetic.overflow == Overflow::Wrap;
    for (int trial = 0; trial < o.limitCycleTrials; ++trial) {
        sim.reset();
        // Small states look for the granular cycles of the rounding; with wrapping every
        // fourth trial starts at full scale, where overflow oscillations begin.
        const bool large = wrap && trial % 4 == 3;
        const double range = large ? static_cast<double>(sim.largestData())
                                   : std::min(64.0, static_cast<double>(sim.largestData()));
        for (std::int64_t& s : sim.fixedState())
            s = static_cast<std::int64_t>(std::floor(random.uniform() * range));
        limitCycleFrom(sim, o.limitCycleSamples, result);
        ++result.trials;
    }
    // And the state a full-scale noise burst leaves.
    sim.reset();
    for (int t = 0; t < 1024; ++t)
        sim.step(amplitude * random.uniform());
    limitCycleFrom(sim, o.limitCycleSamples, result);
    ++result.trials;
    return result;
}

struct OverflowFigures {
    bool bounded = true;
    std::vector<double> l1; // per section: to its output, or its largest stored node
    bool possible = false;
    std::size_t worst = 0;
    int worstNode = 0; // of a program: the node of section `worst` with the largest gain
    double largest = 0;
};

// The L1 gain from the input to every node of the programs, per section the largest,
// summed over as many samples as the cascade's norms need.
void programGains(const Implementation& im, long samples, OverflowFigures& o) {
    const std::vector<std::vector<long double>> sums =
        im.nodeGains.empty() ? nodeL1Gains(im.programs, samples) : im.nodeGains;
    for (std::size_t k = 0; k < sums.size(); ++k) {
        const auto top = std::max_element(sums[k].begin(), sums[k].end());
        o.l1.push_back(static_cast<double>(*top));
        if (o.l1.back() > o.largest) {
            o.largest = o.l1.back();
            o.worst = k + 1;
            o.worstNode = static_cast<int>(top - sums[k].begin());
        }
    }
}

// The samples of a lattice's impulse responses summed for its node norms: as the analytic
// noise's grid, the tail beyond them is below e^-64 of the sum.
std::size_t latticeNormSamples(const Implementation& im) {
    const long double radius = largestPoleRadius(im.quantised);
    return static_cast<std::size_t>(
        std::clamp<long>(static_cast<long>(std::ceil(64 / (1 - radius))), 4096, 1L << 20));
}

OverflowFigures overflowOf(const Implementation& im) {
    OverflowFigures o;
    if (latticeTarget(im.options.arithmetic.target)) {
        // The nodes f and g, then the output.
        if (!cascadeStable(im.quantised)) {
            o.bounded = false;
            return o;
        }
        const LatticeNorms n =
            latticeNorms(im.lattice.reflection, im.lattice.ladder, latticeNormSamples(im));
        o.l1 = {n.nodes, n.output};
        o.worst = n.output > n.nodes ? 2 : 1;
        o.largest = std::max(n.nodes, n.output);
        o.possible = o.largest > 1;
        return o;
    }
    // An unstable cascade has unbounded norms: said at once, without summing its front.
    if (!cascadeStable(im.quantised)) {
        o.bounded = false;
        return o;
    }
    if (!im.programs.empty()) {
        programGains(im, normSamples(im.quantised), o);
        o.possible = o.largest > 1;
        return o;
    }
    if (!im.nodeGains.empty()) {
        for (std::size_t k = 0; k < im.nodeGains.size(); ++k) {
            o.l1.push_back(static_cast<double>(im.nodeGains[k].front()));
            if (o.l1.back() > o.largest) {
                o.largest = o.l1.back();
                o.worst = k + 1;
            }
        }
        o.possible = o.largest > 1;
        return o;
    }
    const std::vector<ImpulseNorms> norms = partialImpulseNorms(im.quantised);
    for (std::size_t k = 0; k < norms.size(); ++k) {
        if (!norms[k].bounded) {
            o.bounded = false;
            o.l1.clear();
            return o;
        }
        o.l1.push_back(static_cast<double>(norms[k].l1));
        if (o.l1.back() > o.largest) {
            o.largest = o.l1.back();
            o.worst = k + 1;
        }
    }
    o.possible = o.largest > 1;
    return o;
}

// The input that drives section `worst`'s output (its node `node`) hardest: full-scale signs of its
// impulse response reversed in time; the number of saturations or wraps it causes. 4096 samples
// carry all but a vanishing part of the L1 gain unless a pole lies within about 1/500 of the unit
// circle, and keep the run short next to the noise simulation.
constexpr std::size_t worstCaseLength = 4096;

long long worstCaseRun(const Implementation& im, std::size_t worst, int node, long long& samples) {
    constexpr std::size_t n = worstCaseLength;
    const LatticeLadder& l = im.lattice;
    std::vector<double> h;
    if (latticeTarget(im.options.arithmetic.target)) {
        h = latticeNodeImpulse(
            l.reflection, l.ladder,
            worst == 2 ? 2 * l.reflection.size()
                       : latticeNorms(l.reflection, l.ladder, latticeNormSamples(im)).worstNode,
            n);
    } else if (im.programs.empty()) {
        h = impulseResponse(im.quantised, worst, n);
    } else {
        ExactPrograms run(im.programs);
        for (std::size_t t = 0; t < n; ++t) {
            run.step(t == 0 ? 1 : 0);
            h.push_back(static_cast<double>(run.node(worst - 1, node)));
        }
    }
    std::vector<double> x(n);
    const bool fixed = fixedPointTarget(im.options.arithmetic.target);
    const double top = fixed ? 1 - std::ldexp(1.0, -(im.options.arithmetic.dataBits - 1)) : 1;
    for (std::size_t t = 0; t < n; ++t)
        x[t] = h[n - 1 - t] >= 0 ? top : -1.0;
    SimulationCounts counts;
    simulate(im, x, &counts);
    samples = static_cast<long long>(n);
    return counts.overflows;
}

// Without a request, a quantised filter keeps its response when it stays this close (dB)
// to the unquantised one over the pass band: below what a listener or a plot can tell.
constexpr double passbandToleranceDb = 0.1;

bool meets(const Implementation& im, FilterKind kind, const std::optional<DesignRequest>& request,
           const std::vector<real>& passGrid, DesignMeasurement* measured) {
    if (!cascadeStable(im.quantised))
        return false;
    if (!request)
        return passbandDeviation(im, passGrid) <= passbandToleranceDb;
    const DesignMeasurement m = measureDesign({kind, asFileSections(im.quantised)}, *request);
    if (measured)
        *measured = m;
    return !rippleMissed(m, *request) && !attenuationMissed(m, *request);
}

double noiseAmplitude(const OverflowFigures& o) {
    return o.bounded && o.largest > 1 ? 1 / o.largest : 1;
}

// The verdict on overflow, one for the report and its variants: the L1 gains, the
// worst-case run and the margin of the arithmetic.
struct OverflowVerdict {
    OverflowFigures gains;
    long long worstCaseOverflows = 0;
    long long worstCaseSamples = 0;
    double margin = 0;
    bool atBound = false;
    bool possible() const { return !gains.bounded || gains.possible || atBound; }
};

OverflowVerdict overflowVerdict(const Implementation& im) {
    OverflowVerdict v;
    v.gains = overflowOf(im);
    // A lattice rounds at each of its 2N nodes and at its output.
    v.margin = overflowMargin(im.options.arithmetic, latticeTarget(im.options.arithmetic.target)
                                                         ? 2 * im.lattice.reflection.size() + 1
                                                         : im.quantised.size());
    if (v.gains.bounded && v.gains.worst > 0)
        v.worstCaseOverflows =
            worstCaseRun(im, v.gains.worst, v.gains.worstNode, v.worstCaseSamples);
    v.atBound = v.gains.bounded && !v.gains.possible &&
                (v.gains.largest > 1 - v.margin || v.worstCaseOverflows > 0);
    return v;
}

} // namespace

bool overflowShown(const Implementation& im) {
    if (latticeTarget(im.options.arithmetic.target) ||
        !fixedPointTarget(im.options.arithmetic.target) || !cascadeStable(im.quantised))
        return false;
    // The node whose first samples of impulse response sum largest: beyond 1, its own
    // worst-case input may well reach full scale.
    long double largest = 0;
    std::size_t worst = 0;
    int node = 0;
    if (im.programs.empty()) {
        for (std::size_t k = 1; k <= im.quantised.size(); ++k) {
            long double sum = 0;
            for (double v : impulseResponse(im.quantised, k, worstCaseLength))
                sum += std::fabs(v);
            if (sum > largest) {
                largest = sum;
                worst = k;
            }
        }
    } else {
        ExactPrograms run(im.programs);
        std::vector<std::vector<long double>> sums;
        for (const SectionProgram& p : im.programs)
            sums.emplace_back(p.nodes.size(), 0.0L);
        for (std::size_t t = 0; t < worstCaseLength; ++t) {
            run.step(t == 0 ? 1 : 0);
            for (std::size_t k = 0; k < sums.size(); ++k)
                for (std::size_t j = 0; j < sums[k].size(); ++j)
                    sums[k][j] += std::fabs(run.node(k, static_cast<int>(j)));
        }
        for (std::size_t k = 0; k < sums.size(); ++k)
            for (std::size_t j = 0; j < sums[k].size(); ++j)
                if (sums[k][j] > largest) {
                    largest = sums[k][j];
                    worst = k + 1;
                    node = static_cast<int>(j);
                }
    }
    long long samples = 0;
    return largest > 1 && worstCaseRun(im, worst, node, samples) > 0;
}

bool limitCycleSeen(const Implementation& im, const ReportOptions& options) {
    return limitCycles(im, options, 1).found;
}

void sumNodeGains(Implementation& im) {
    if (!im.nodeGains.empty() || latticeTarget(im.options.arithmetic.target) ||
        !cascadeStable(im.quantised))
        return;
    if (!im.programs.empty()) {
        im.nodeGains = nodeL1Gains(im.programs, normSamples(im.quantised));
        return;
    }
    const std::vector<ImpulseNorms> norms = partialImpulseNorms(im.quantised);
    if (!std::all_of(norms.begin(), norms.end(), [](const ImpulseNorms& n) { return n.bounded; }))
        return;
    for (const ImpulseNorms& n : norms)
        im.nodeGains.push_back({n.l1});
}

void checkRequestFits(const DesignRequest& r, FilterKind kind) {
    // Band-pass and band-stop requests both belong to files of fourth-order sections.
    if (fileKind(requestKind(r)) != kind)
        throw UserMessage("Требования отчета относятся к фильтру другого вида, чем фильтр файла");
}

namespace {

// The power of a full-scale sine (amplitude 1): the reference of every dBFS figure and,
// times the squared peak gain, the signal of every SNR.
constexpr double fullScaleSinePower = 0.5;

double snrDb(double peakGain, double noisePower) {
    return decibels(fullScaleSinePower * peakGain * peakGain / noisePower);
}

// 1. What quantising the coefficients does to the poles, the pass band and the request.
void quantisationFigures(ImplementationFigures& f, const Implementation& im, FilterKind kind,
                         const std::vector<real>& passGrid, const ReportOptions& o) {
    f.idealPoleRadius = largestPoleRadius(im.cascade.sections);
    f.maxPoleRadius = largestPoleRadius(im.quantised);
    f.stable = cascadeStable(im.quantised);
    // A lattice is stable exactly when each of its rounded k is inside (-1, 1).
    if (latticeTarget(im.options.arithmetic.target))
        f.stable = std::all_of(im.lattice.reflection.begin(), im.lattice.reflection.end(),
                               [](double k) { return std::fabs(k) < 1; });
    f.silentSection = silencedSection(im);
    f.passbandDeviation = passbandDeviation(im, passGrid);
    if (o.request) {
        f.requestGiven = true;
        f.meetsRequest = meets(im, kind, o.request, passGrid, &f.measured);
    }
}

// 2. The L1 gains to every section's output and a run of the worst-case input.
OverflowFigures overflowFigures(ImplementationFigures& f, const Implementation& im) {
    const OverflowVerdict v = overflowVerdict(im);
    f.normsBounded = v.gains.bounded;
    f.l1Gains = v.gains.l1;
    f.overflowPossible = v.gains.possible || v.atBound;
    f.overflowAtBound = v.atBound;
    f.overflowMargin = v.margin;
    f.worstSection = v.gains.worst;
    f.worstCaseOverflows = v.worstCaseOverflows;
    f.worstCaseSamples = v.worstCaseSamples;
    return v.gains;
}

// 3. The round-off noise, computed and measured, of a stable implementation.
void noiseFigures(ImplementationFigures& f, const Implementation& im, double amplitude,
                  const ReportOptions& o) {
    f.peakGain = f.stable ? static_cast<double>(peakGain(im.quantised, im.quantised.size())) : 0;
    f.noiseAmplitude = amplitude;
    // A silent implementation has no signal to set the noise against.
    if (!f.stable || f.silentSection)
        return;
    const NoiseFigures noise = noiseOf(im, amplitude, o);
    f.outputStuck = noise.stuck;
    f.analyticNoise = noise.analytic;
    if (noise.analytic) {
        f.noiseAnalyticDbfs = decibels(noise.analyticPower / fullScaleSinePower);
        f.snrAnalyticDb = snrDb(f.peakGain, noise.analyticPower);
    }
    f.simulatedNoise = noise.simulated;
    f.noiselessSimulation = noise.exact;
    if (noise.simulated) {
        f.noiseSimulatedDbfs = decibels(noise.simulatedPower / fullScaleSinePower);
        f.snrSimulatedDb = snrDb(f.peakGain, noise.simulatedPower);
    }
}

// A design that misses its own request by a little (the elliptic designs' ripple) is
// asked no more of when quantised than it achieves unquantised.
std::optional<DesignRequest> requestForWords(const Implementation& im, FilterKind kind,
                                             std::optional<DesignRequest> asked) {
    if (asked) {
        const DesignMeasurement ideal =
            measureDesign({kind, asFileSections(im.cascade.sections)}, *asked);
        if (ideal.rippleMeasured)
            asked->da = std::max(asked->da, ideal.ripple);
        if (ideal.attenuationMeasured)
            asked->b1 = std::min(asked->b1, ideal.attenuation);
    }
    return asked;
}

// 5. The shortest coefficient word that is stable and meets the request, and the shortest
// data word whose simulated SNR reaches the target.
void smallestWords(ImplementationFigures& f, const Implementation& im,
                   const SecondOrderCascade& factored, FilterKind kind,
                   const ImplementationOptions& options, const std::vector<real>& passGrid,
                   double amplitude, const ReportOptions& o) {
    f.smallestSearched = true;
    const std::optional<DesignRequest> asked = requestForWords(im, kind, o.request);
    for (int c = minimumBits; c <= maximumBits && !f.minCoefBits; ++c) {
        ImplementationOptions trial = options;
        trial.arithmetic = {Target::Fixed, f.arithmetic.dataBits, c, f.arithmetic.rounding,
                            f.arithmetic.overflow};
        try {
            if (meets(realise(factored, trial), kind, asked, passGrid, nullptr))
                f.minCoefBits = c;
        } catch (const UserMessage&) {
            // A coefficient word too short to hold the scaled coefficients is refused by
            // realise; it is simply not the shortest word, and the search goes on.
        }
    }
    for (int w = minimumBits; w <= maximumBits && !f.minDataBits && f.stable; ++w) {
        ImplementationOptions trial = options;
        trial.arithmetic = {Target::Fixed, w, f.arithmetic.coefBits, f.arithmetic.rounding,
                            f.arithmetic.overflow};
        const Implementation t = realise(factored, trial);
        bool exact = false;
        const double power = simulatedNoise(t, amplitude, o.noiseSamples, o.seed, exact);
        const double g = static_cast<double>(peakGain(t.quantised, t.quantised.size()));
        if (exact || snrDb(g, power) >= o.snrTarget)
            f.minDataBits = w;
    }
}

// One scaling and section order of the same words.
Variant variantOf(const SecondOrderCascade& factored, ImplementationOptions trial, Scaling scaling,
                  SectionOrder order, int samples, const ReportOptions& o) {
    Variant v;
    v.scaling = scaling;
    v.order = order;
    trial.scaling = scaling;
    trial.order = order;
    try {
        const Implementation t = realise(factored, trial);
        const OverflowVerdict verdict = overflowVerdict(t);
        const OverflowFigures& ov = verdict.gains;
        v.overflowPossible = verdict.possible();
        v.largestL1 = ov.largest;
        double power = 0;
        if (fixedPointTarget(t.options.arithmetic.target) &&
            !latticeTarget(t.options.arithmetic.target) && analyticNoise(t, power))
            v.noiseAnalyticDbfs = decibels(power / fullScaleSinePower);
        bool exact = false;
        const double simulated =
            t.options.arithmetic.target == Target::Double
                ? 0
                : simulatedNoise(t, noiseAmplitude(ov), samples, o.seed, exact);
        const double g =
            ov.bounded ? static_cast<double>(peakGain(t.quantised, t.quantised.size())) : 0;
        v.snrSimulatedDb =
            simulated > 0 ? snrDb(g, simulated) : std::numeric_limits<double>::infinity();
    } catch (const UserMessage&) {
        // Coefficients this scaling makes too large for the words: the variant is listed
        // as not realisable.
        v.realised = false;
    }
    return v;
}

// The best: the highest simulated SNR among those that cannot overflow, else the highest
// of all.
void markBest(std::vector<Variant>& variants) {
    auto better = [](const Variant& a, const Variant& b) {
        return a.snrSimulatedDb > b.snrSimulatedDb;
    };
    Variant* best = nullptr;
    for (bool safeOnly : {true, false}) {
        for (Variant& v : variants)
            if (v.realised && (!safeOnly || !v.overflowPossible) && (!best || better(v, *best)))
                best = &v;
        if (best)
            break;
    }
    if (best)
        best->best = true;
}

// 6. Every scaling with every section order.
std::vector<Variant> variantsOf(const SecondOrderCascade& factored,
                                const ImplementationOptions& options, const ReportOptions& o) {
    // The report's stimulus and seed: the variant of the report's own scaling and order
    // gives the report's figure.
    const int samples = o.noiseSamples;
    std::vector<Variant> variants;
    for (Scaling s : {Scaling::Peak, Scaling::L2, Scaling::L1, Scaling::None})
        for (SectionOrder order :
             {SectionOrder::File, SectionOrder::Ascending, SectionOrder::Descending})
            variants.push_back(variantOf(factored, options, s, order, samples, o));
    markBest(variants);
    return variants;
}

} // namespace

ImplementationFigures implementationFigures(const FilterCoefficients& filter,
                                            const ImplementationOptions& options,
                                            const ReportOptions& o) {
    if (o.request)
        checkRequestFits(*o.request, filter.kind);
    const Implementation im = realise(filter, options);
    const SecondOrderCascade factored = secondOrderSections(filter); // for the other words
    ImplementationFigures f;
    f.arithmetic = im.options.arithmetic;
    f.structure = im.structure;
    f.cost = implementationCost(im);
    f.scaling = options.scaling;
    f.order = options.order;
    f.sections = im.quantised.size();
    f.latticeStages = im.lattice.reflection.size();

    const std::vector<real> passGrid = passBandGrid(im.cascade.sections);
    quantisationFigures(f, im, filter.kind, passGrid, o);
    const double amplitude = noiseAmplitude(overflowFigures(f, im));
    noiseFigures(f, im, amplitude, o);
    f.limitCycle = limitCycles(im, o, amplitude);
    // A cycle at zero input as large as full scale: the output sticks at the rails.
    const double fullScale = std::ldexp(1.0, f.arithmetic.dataBits - 1) - 1;
    if (f.limitCycle.found && f.limitCycle.amplitude >= fullScale)
        f.outputStuck = true;
    // The lattice kernels fix their words: there is no shorter one to look for.
    if (o.smallestWords && fixedPointTarget(f.arithmetic.target) && !f.latticeStages)
        smallestWords(f, im, factored, filter.kind, options, passGrid, amplitude, o);
    f.smallestNotApplicable =
        o.smallestWords && f.latticeStages && fixedPointTarget(f.arithmetic.target);
    if (o.variants)
        f.variants = variantsOf(factored, options, o);
    return f;
}

WordCheck checkWords(const Implementation& im, FilterKind kind,
                     const std::optional<DesignRequest>& request, const ReportOptions& o,
                     bool withNoise, bool withOverflow) {
    WordCheck c;
    c.stable = cascadeStable(im.quantised);
    if (!c.stable)
        return c;
    // A numerator rounded to nothing silences the filter, whatever its pass band says.
    if (silencedSection(im))
        return c;
    const std::vector<real> passGrid = passBandGrid(im.cascade.sections);
    c.meetsRequest = meets(im, kind, request, passGrid, nullptr);
    // Without the overflow check the noise is measured at full scale.
    double amplitude = 1;
    if (withOverflow) {
        const OverflowVerdict v = overflowVerdict(im);
        c.largestL1 = v.gains.largest;
        c.overflowFree = v.gains.bounded && (v.gains.largest <= 1 || v.worstCaseOverflows == 0);
        amplitude = noiseAmplitude(v.gains);
    }
    if (withNoise) {
        bool exact = false;
        const double power = simulatedNoise(im, amplitude, o.noiseSamples, o.seed, exact);
        const double g = static_cast<double>(peakGain(im.quantised, im.quantised.size()));
        c.snr = exact ? std::numeric_limits<double>::infinity() : snrDb(g, power);
    }
    return c;
}

std::string figureNumber(double v) {
    const std::string text = formatReal(v);
    const std::size_t first = std::min(text.find_first_not_of(' '), text.size());
    std::string out(1, ' ');
    out.append(text, first, std::string::npos);
    return out;
}

namespace {

std::string number(double v) {
    return figureNumber(v);
}

// Where the worst overflow may happen: a section, or a lattice's nodes or output.
std::string worstPlace(const ImplementationFigures& f) {
    if (f.latticeStages)
        return f.worstSection == 2 ? "выход решетки" : "узлы решетки";
    return "секция " + std::to_string(f.worstSection);
}

std::string roundingName(Rounding r) {
    return r == Rounding::Nearest ? "округление к ближайшему" : "округление отбрасыванием";
}

} // namespace

std::string arithmeticText(const Arithmetic& a) {
    std::string t = targetName(a.target);
    if (fixedPointTarget(a.target))
        t += " (данные " + std::to_string(a.dataBits) + " бит, коэффициенты " +
             std::to_string(a.coefBits) + " бит, " + roundingName(a.rounding) + ", " +
             (a.overflow == Overflow::Saturate ? "насыщение" : "перенос") + ")";
    return t;
}

bool statedSnr(const ImplementationFigures& f, double& snr) {
    if (f.analyticNoise && std::isfinite(f.snrAnalyticDb)) {
        snr = f.snrAnalyticDb;
        return true;
    }
    if (f.simulatedNoise && std::isfinite(f.snrSimulatedDb)) {
        snr = f.snrSimulatedDb;
        return true;
    }
    return false;
}

std::string limitCycleJson(const LimitCycle& c) {
    std::string json = "{\"found\": " + jsonBool(c.found);
    json += ", \"amplitude_lsb\": " + jsonNumber(c.amplitude);
    json += ", \"period\": " + std::to_string(c.period);
    json += ", \"unsettled_trials\": " + std::to_string(c.unsettled) + "}";
    return json;
}

std::string samplesText(long long n) {
    const long long tens = n % 100, units = n % 10;
    const char* noun = tens >= 11 && tens <= 14   ? "отсчетов"
                       : units == 1               ? "отсчет"
                       : units >= 2 && units <= 4 ? "отсчета"
                                                  : "отсчетов";
    return std::to_string(n) + " " + noun;
}

std::vector<std::string> figureLines(const ImplementationFigures& f) {
    std::vector<std::string> lines;
    lines.push_back("Реализация: " + arithmeticText(f.arithmetic) + "; масштабирование " +
                    scalingName(f.scaling) + ", порядок секций " + orderName(f.order) +
                    "; секций второго порядка " + std::to_string(f.sections) +
                    (f.latticeStages
                         ? "; решетка всего фильтра порядка " + std::to_string(f.latticeStages)
                         : std::string()));
    lines.push_back(
        "Структура: " + structureName(f.structure) + " (" + structureRow(f.structure).label +
        "); на отсчет умножений " + std::to_string(f.cost.multiplications) + ", сложений " +
        std::to_string(f.cost.additions) + ", слов состояния " + std::to_string(f.cost.stateWords) +
        ", слов коэффициентов " + std::to_string(f.cost.coefWords));
    lines.push_back(
        std::string(f.stable ? "Квантованный фильтр устойчив" : "Квантованный фильтр неустойчив") +
        ": наибольший радиус полюса" + number(f.maxPoleRadius) + " (без квантования" +
        number(f.idealPoleRadius) + ")");
    lines.push_back("Наибольшее отклонение АЧХ от неквантованной в полосе пропускания:" +
                    number(f.passbandDeviation) + " dB");
    if (f.requestGiven) {
        std::string t = "Требования ";
        t += f.meetsRequest ? "выполнены" : "не выполнены";
        if (f.measured.rippleMeasured)
            t += ": неравномерность" + number(f.measured.ripple) + " dB";
        if (f.measured.attenuationMeasured)
            t += ", затухание" + number(f.measured.attenuation) + " dB";
        lines.push_back(t);
    }
    if (f.silentSection)
        lines.push_back("Внимание: квантованный фильтр молчит: числитель секции " +
                        std::to_string(f.silentSection) +
                        " после квантования равен нулю, выход реализации - нули");
    if (!f.normsBounded) {
        lines.push_back("Нормы импульсной характеристики не ограничены: фильтр неустойчив");
    } else {
        for (std::size_t k = 0; k < f.l1Gains.size() && !f.latticeStages; ++k)
            lines.push_back("Секция " + std::to_string(k + 1) +
                            ": норма L1 импульсной характеристики от входа" + number(f.l1Gains[k]));
        if (f.latticeStages && f.l1Gains.size() == 2) {
            lines.push_back("Узлы решетки f, g: наибольшая норма L1 импульсной характеристики от "
                            "входа" +
                            number(f.l1Gains[0]));
            lines.push_back("Выход решетки: норма L1 импульсной характеристики от входа" +
                            number(f.l1Gains[1]));
        }
        if (f.overflowAtBound)
            lines.push_back(
                "Внимание: переполнение не исключено (" + worstPlace(f) +
                "): норма L1 не больше 1, но запас до полной шкалы меньше" +
                number(f.overflowMargin) +
                " (округление выходов секций и асимметричный диапазон); наихудший вход дал "
                "переполнений: " +
                std::to_string(f.worstCaseOverflows) + " на " + std::to_string(f.worstCaseSamples) +
                " отсчетах");
        else if (f.overflowPossible)
            lines.push_back("Внимание: переполнение возможно при входе в пределах полной шкалы (" +
                            worstPlace(f) + "); наихудший вход дал переполнений: " +
                            std::to_string(f.worstCaseOverflows) + " на " +
                            std::to_string(f.worstCaseSamples) + " отсчетах");
        else
            lines.push_back("Переполнение при входе в пределах полной шкалы невозможно; "
                            "наихудший вход дал переполнений: " +
                            std::to_string(f.worstCaseOverflows));
    }
    // With overflow possible the noise was measured on an input weakened to 1 / L1: the
    // figures hold for that input, not for full scale.
    const bool overflowing = f.overflowPossible && f.worstCaseOverflows > 0;
    const std::string weakened = overflowing && f.noiseAmplitude < 1
                                     ? "; вход ослаблен до" + number(f.noiseAmplitude) +
                                           " полной шкалы, при полной шкале выход переполняется"
                                 : overflowing ? "; при полной шкале выход переполняется"
                                               : "";
    if (f.latticeStages && fixedPointTarget(f.arithmetic.target) && f.stable && !f.silentSection)
        lines.push_back("Шум округления, расчет: не применим к решетке (ошибки округления узлов "
                        "возвращаются в решетку), только моделирование");
    if (f.analyticNoise && std::isfinite(f.snrAnalyticDb))
        lines.push_back("Шум округления, расчет:" + number(f.noiseAnalyticDbfs) +
                        " dBFS, сигнал/шум" + number(f.snrAnalyticDb) + " dB");
    if (f.simulatedNoise && std::isfinite(f.snrSimulatedDb))
        lines.push_back("Шум округления, моделирование:" + number(f.noiseSimulatedDbfs) +
                        " dBFS, сигнал/шум" + number(f.snrSimulatedDb) + " dB" + weakened);
    else if (f.noiselessSimulation)
        lines.push_back("Шум округления, моделирование: выход совпал с расчетом в double" +
                        weakened);
    if (f.outputStuck)
        lines.push_back("Внимание: выход реализации застревает на границе полной шкалы (на "
                        "шуме или при нулевом входе): реализация не работает");
    if (f.limitCycle.skipped)
        lines.push_back(f.stable ? "Предельные циклы не искались"
                                 : "Предельные циклы не искались: квантованный фильтр неустойчив");
    if (f.limitCycle.searched) {
        if (f.limitCycle.found)
            lines.push_back("Внимание: предельный цикл с амплитудой" +
                            number(f.limitCycle.amplitude) + " младших разрядов и периодом " +
                            samplesText(f.limitCycle.period));
        else
            lines.push_back("Предельные циклы не найдены в " + std::to_string(f.limitCycle.trials) +
                            " испытаниях");
        if (f.limitCycle.unsettled > 0) {
            const int n = f.limitCycle.unsettled;
            std::string line = "Внимание: без входного сигнала выход не установился за ";
            line += samplesText(2LL * f.limitCycle.window);
            line += " в " + std::to_string(n);
            line += n % 10 == 1 && n % 100 != 11 ? " испытании из " : " испытаниях из ";
            line += std::to_string(f.limitCycle.trials) + " (до" +
                    number(f.limitCycle.unsettledAmplitude) + " младших разрядов)";
            lines.push_back(line);
        }
    }
    if (f.smallestSearched) {
        lines.push_back("Наименьшая длина коэффициентов: " +
                        (f.minCoefBits ? std::to_string(*f.minCoefBits) + " бит"
                                       : std::string("не найдена до 32 бит")));
        lines.push_back("Наименьшая длина данных: " + (f.minDataBits
                                                           ? std::to_string(*f.minDataBits) + " бит"
                                                           : std::string("не найдена до 32 бит")));
    }
    if (f.smallestNotApplicable)
        lines.push_back("Наименьшие длины слов: не ищутся, слова решетки заданы ядром CMSIS-DSP");
    for (const Variant& v : f.variants) {
        std::string t = "Вариант " + scalingName(v.scaling) + ", " + orderName(v.order) + ":";
        if (!v.realised) {
            t += " коэффициенты не помещаются в слово";
        } else {
            t += " наибольшая норма L1" + number(v.largestL1);
            if (std::isfinite(v.snrSimulatedDb))
                t += ", сигнал/шум" + number(v.snrSimulatedDb) + " dB";
            if (v.overflowPossible)
                t += ", переполнение возможно";
            if (v.best)
                t += " - лучший";
        }
        lines.push_back(t);
    }
    return lines;
}

std::string figuresJson(const ImplementationFigures& f) {
    std::string j = "{";
    auto key = [&j](const char* name, const std::string& value) {
        if (j.size() > 1)
            j += ", ";
        // Appended piece by piece: g++ 12 at -O3 sees a false overlap in literal + temporary.
        j += '"';
        j += name;
        j += "\": ";
        j += value;
    };
    key("target", "\"" + targetName(f.arithmetic.target) + "\"");
    key("structure", "\"" + structureName(f.structure) + "\"");
    key("cost", "{\"multiplications\": " + std::to_string(f.cost.multiplications) +
                    ", \"additions\": " + std::to_string(f.cost.additions) +
                    ", \"state_words\": " + std::to_string(f.cost.stateWords) +
                    ", \"coef_words\": " + std::to_string(f.cost.coefWords) + "}");
    key("data_bits",
        fixedPointTarget(f.arithmetic.target) ? std::to_string(f.arithmetic.dataBits) : "null");
    key("coef_bits",
        fixedPointTarget(f.arithmetic.target) ? std::to_string(f.arithmetic.coefBits) : "null");
    key("scale", "\"" + scalingName(f.scaling) + "\"");
    key("order", "\"" + orderName(f.order) + "\"");
    key("sections", std::to_string(f.sections));
    if (f.latticeStages)
        key("lattice_stages", std::to_string(f.latticeStages));
    key("max_pole_radius", jsonNumber(f.maxPoleRadius));
    key("stable", jsonBool(f.stable));
    key("overflow_possible", jsonBool(f.overflowPossible || !f.normsBounded));
    std::string gains = "[";
    for (std::size_t k = 0; k < f.l1Gains.size(); ++k)
        gains += (k ? ", " : "") + jsonNumber(f.l1Gains[k]);
    key("l1_gains", f.normsBounded ? gains + "]" : "null");
    key("overflow_at_bound", jsonBool(f.overflowAtBound));
    key("worst_case_overflows", std::to_string(f.worstCaseOverflows));
    key("silent_section", f.silentSection ? std::to_string(f.silentSection) : "null");
    key("output_stuck", jsonBool(f.outputStuck));
    key("noise_analytic_dbfs", f.analyticNoise ? jsonNumber(f.noiseAnalyticDbfs) : "null");
    key("noise_simulated_dbfs", f.simulatedNoise ? jsonNumber(f.noiseSimulatedDbfs) : "null");
    double snr = 0;
    key("snr_db", statedSnr(f, snr) ? jsonNumber(snr) : "null");
    key("snr_simulated_db", f.simulatedNoise ? jsonNumber(f.snrSimulatedDb) : "null");
    key("limit_cycle", limitCycleJson(f.limitCycle));
    key("passband_deviation_db", jsonNumber(f.passbandDeviation));
    if (f.requestGiven) {
        key("ripple_db", f.measured.rippleMeasured ? jsonNumber(f.measured.ripple) : "null");
        key("attenuation_db",
            f.measured.attenuationMeasured ? jsonNumber(f.measured.attenuation) : "null");
        key("meets_request", jsonBool(f.meetsRequest));
    }
    if (f.smallestSearched) {
        key("min_coef_bits", f.minCoefBits ? std::to_string(*f.minCoefBits) : "null");
        key("min_data_bits", f.minDataBits ? std::to_string(*f.minDataBits) : "null");
    }
    if (!f.variants.empty()) {
        std::string v = "[";
        for (std::size_t k = 0; k < f.variants.size(); ++k) {
            const Variant& x = f.variants[k];
            v += std::string(k ? ", " : "") + "{\"scale\": \"" + scalingName(x.scaling) +
                 "\", \"order\": \"" + orderName(x.order) +
                 "\", \"realised\": " + jsonBool(x.realised) +
                 ", \"overflow_possible\": " + jsonBool(x.overflowPossible) +
                 ", \"max_l1\": " + jsonNumber(x.largestL1) +
                 ", \"snr_db\": " + jsonNumber(x.snrSimulatedDb) +
                 ", \"best\": " + jsonBool(x.best) + "}";
        }
        key("variants", v + "]");
    }
    return j + "}";
}

} // namespace zorkan
