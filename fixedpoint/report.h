#pragma once
// The figures of an implementation: what its quantised coefficients do to the response
// and the stability, where a full-scale input can overflow, how much round-off noise
// comes out (computed and measured), limit cycles, the shortest words that still work,
// and the noise and overflow of every scaling and section order.
#include "common/json.h"
#include "design/designcheck.h"
#include "fixedpoint/implementation.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zorkan {

struct ReportOptions {
    std::optional<DesignRequest> request; // from a design report
    int limitCycleTrials = 100;           // M
    int limitCycleSamples = 4096;         // K
    bool smallestWords = false;           // the search for the shortest C and W
    double snrTarget = 60;                // dB, for the shortest W
    bool variants = false;                // every scaling x order
    int noiseSamples = 65536;             // the simulated noise's white-noise stimulus
    std::uint64_t seed = 20261209;        // of the stimuli and the random start states
};

struct LimitCycle {
    bool searched = false; // fixed-point targets only
    // A fixed-point target whose cycles were not looked for: no trials were asked for, or
    // the quantised filter is unstable (its state grows instead of cycling).
    bool skipped = false;
    bool found = false;
    double amplitude = 0; // in units of the data word's last bit
    int period = 0;       // samples
    int trials = 0;
    std::vector<double> trace; // one period of the largest cycle's output, in last bits
    // Trials whose zero-input state neither died out nor came back to itself within the
    // window: a slow drift through a wide dead band or a cycle longer than the window.
    int unsettled = 0;
    double unsettledAmplitude = 0; // the largest output of those trials, in last bits
    int window = 0;                // samples run before looking for a repeat, and looked at
};

struct Variant {
    Scaling scaling = Scaling::Peak;
    SectionOrder order = SectionOrder::Ascending;
    bool realised = true; // false when the coefficients do not fit the words
    bool overflowPossible = false;
    double largestL1 = 0;
    double noiseAnalyticDbfs = 0; // fixed point only
    double snrSimulatedDb = 0;
    bool best = false;
};

struct ImplementationFigures {
    Arithmetic arithmetic;
    Structure structure = Structure::Df1;
    StructureCost cost; // per output sample
    Scaling scaling = Scaling::Peak;
    SectionOrder order = SectionOrder::Ascending;
    std::size_t sections = 0;
    // The lattice targets: the lattice's order N (0: a cascade). Their L1 gains are two:
    // the largest from the input to a node f or g, and the one to the output.
    std::size_t latticeStages = 0;

    // 1. The quantised coefficients.
    double idealPoleRadius = 0;
    double maxPoleRadius = 0;     // of the quantised sections
    bool stable = true;           // every quantised pole strictly inside the unit circle
    double passbandDeviation = 0; // dB, largest |20 log10 |Hq / H|| over the pass band
    bool requestGiven = false;
    DesignMeasurement measured; // of the quantised filter, with a request
    bool meetsRequest = false;
    // A section whose nonzero numerator quantises to 0 (from 1; 0: none): the
    // implementation outputs nothing, and it has no signal-to-noise ratio.
    std::size_t silentSection = 0;

    // 2. Overflow.
    bool normsBounded = true;
    std::vector<double> l1Gains; // input to each section's output, realised order
    // Not ruled out: an L1 gain above 1, or one within overflowMargin of 1 (the rounding
    // of the section outputs and the range's asymmetry, -1 .. 1 - 1 LSB, can take such a
    // sum beyond full scale), or an overflow on the worst-case input.
    bool overflowPossible = false;
    bool overflowAtBound = false;     // possible, though no L1 gain is above 1
    double overflowMargin = 0;        // of full scale, fixed point only
    std::size_t worstSection = 0;     // from 1: the section with the largest L1 gain
    long long worstCaseOverflows = 0; // saturations or wraps on the worst-case input
    long long worstCaseSamples = 0;

    // 3. Round-off noise, powers relative to a full-scale sine (0.5).
    double peakGain = 0;        // G, of the quantised cascade
    bool analyticNoise = false; // fixed point with bounded norms
    double noiseAnalyticDbfs = 0;
    double snrAnalyticDb = 0;
    bool simulatedNoise = false;
    double noiseSimulatedDbfs = 0;
    double snrSimulatedDb = 0;
    bool noiselessSimulation = false; // the simulation equalled the reference exactly
    double noiseAmplitude = 1;        // of the noise stimulus: 1 / L1 where that is above 1
    // Every output sample of the noise simulation at the largest or the smallest data word,
    // or a limit cycle at zero input as large as full scale.
    bool outputStuck = false;

    // 4. Limit cycles.
    LimitCycle limitCycle;

    // 5. The shortest words: C, the shortest coefficient word for which the quantised
    // filter is stable and meets the request (or, where the unquantised filter misses
    // it, does as well as that: its ripple and attenuation take the place of DA and B1),
    // without a request stays within 0.1 dB of the unquantised response over the pass
    // band; W, the shortest data word whose simulated SNR reaches the target.
    bool smallestSearched = false;
    bool smallestNotApplicable = false; // asked for a lattice target, whose words are fixed
    std::optional<int> minCoefBits;
    std::optional<int> minDataBits;

    // 6. Variants.
    std::vector<Variant> variants;
};

// Checks that a request fits the file's kind (a low-pass request for a low-pass file...).
void checkRequestFits(const DesignRequest& request, FilterKind kind);

ImplementationFigures implementationFigures(const FilterCoefficients& filter,
                                            const ImplementationOptions& options,
                                            const ReportOptions& report);

// The signal-to-noise ratio the report states first (the JSON's snr_db) and every export
// states: the computed one where there is one (fixed point), else the measured one; false
// when there is none (floating point without noise, a silent or unstable filter).
bool statedSnr(const ImplementationFigures& figures, double& snr);

// "N отсчет", "N отсчета", "N отсчетов", as Russian numerals take the noun.
std::string samplesText(long long n);
// The JSON object of a limit-cycle search: found, amplitude_lsb, period, unsettled_trials.
std::string limitCycleJson(const LimitCycle& c);

// The checks by which the search for the cheapest implementation judges one: the
// quantised filter stable; meeting the request (as the report's meets_request) or, without
// one, within 0.1 dB of the unquantised filter over the pass band; free of overflow for
// every input within full scale (the L1 gain to every stored value at most 1, or no
// overflow on the worst-case input); and, with `withNoise`, the simulated SNR as the
// report measures it; without `withOverflow` no overflow check, and the noise of a
// full-scale input.
// Sums the L1 gains from the input to every stored node (to every section's output for the
// target's own sections) into implementation.nodeGains, where they are not there yet, so that
// checks of the same coefficients in other data words need not sum them again.
void sumNodeGains(Implementation& implementation);

// Whether a full-scale input of a few thousand samples is seen to overflow the
// implementation, found without summing the L1 gains in full: the worst-case input of the
// node whose first samples of impulse response sum largest, when they sum beyond 1. False
// proves nothing.
bool overflowShown(const Implementation& implementation);

// Whether the report's search for limit cycles finds one, the noise burst at full scale.
bool limitCycleSeen(const Implementation& implementation, const ReportOptions& options);

struct WordCheck {
    bool stable = false;
    bool meetsRequest = false;
    bool overflowFree = false;
    double largestL1 = 0;
    double snr = -1e300; // dB
};
WordCheck checkWords(const Implementation& implementation, FilterKind kind,
                     const std::optional<DesignRequest>& request, const ReportOptions& options,
                     bool withNoise, bool withOverflow = true);

// A figure after its label: one space, then the number in the 23-character layout
// without its padding (a negative number keeps its sign after the space).
std::string figureNumber(double v);

// "q15 (данные 16 бит, коэффициенты 32 бит, округление ..., насыщение)": the target, and
// for fixed point its words and rules.
std::string arithmeticText(const Arithmetic& arithmetic);

// The figures as Russian text lines (UTF-8), numbers in the 23-character layout.
std::vector<std::string> figureLines(const ImplementationFigures& figures);

// The figures as one JSON object (keys in English, numbers with 17 significant digits;
// figures that are undefined are null).
std::string figuresJson(const ImplementationFigures& figures);

} // namespace zorkan
