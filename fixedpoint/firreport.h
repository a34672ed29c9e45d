#pragma once
// The figures of a FIR implementation: what quantising the taps does to the response (and
// to the request, if one is given), where a full-scale input can overflow, the round-off
// noise of the one rounding of the output (computed and simulated), and the shortest words.
// A FIR filter has no feedback: it has no limit cycles, and the report says so.
#include "fixedpoint/firimplementation.h"
#include "fixedpoint/report.h"

#include <optional>
#include <string>
#include <vector>

namespace zorkan {

// The response measured against the request's bands (design/request.h).
struct FirBandFigures {
    bool rippleMeasured = false;
    bool attenuationMeasured = false;
    double ripple = 0;      // dB, 20 log10(max |H| / min |H|) over the pass bands
    double attenuation = 0; // dB, 20 log10(max |H| over the pass bands / max over the stops)
};

struct FirFigures {
    Arithmetic arithmetic;
    std::size_t taps = 0;
    int fraction = 0; // fixed point: a tap is an integer times 2^-fraction

    // 1. The quantised taps.
    double largestTapError = 0;   // max |hq[k] - h[k]|
    double passbandDeviation = 0; // dB, max |20 log10 |Hq / H|| where |H| >= max |H| / sqrt 2
    bool requestGiven = false;
    FirBandFigures ideal, measured; // of the file's taps and of the quantised ones
    bool meetsRequest = false;

    // 2. Overflow: the output is sum hq[k] x[n-k], at most the L1 norm times full scale.
    double l1Norm = 0; // sum |hq[k]|
    bool overflowPossible = false;
    double worstHigh = 0, worstLow = 0; // the exact sums on the worst-case inputs (fractions)
    long long worstCaseOverflows = 0;   // saturations or wraps on those inputs
    long long worstCaseSamples = 0;

    // 3. Round-off noise, relative to a full-scale sine (0.5).
    double peakGain = 0; // max |Hq|
    bool analyticNoise = false;
    double noiseAnalyticPower = 0; // of full scale squared
    double noiseAnalyticDbfs = 0;
    double snrAnalyticDb = 0;
    double noiseSimulatedPower = 0;
    double noiseSimulatedDbfs = 0;
    double snrSimulatedDb = 0;
    bool noiselessSimulation = false;
    double noiseAmplitude = 1; // of the noise stimulus: 1 / L1 where that is above 1

    // 5. The shortest words (q15, q31, fixed).
    bool smallestSearched = false;
    bool smallestNotApplicable = false;
    std::optional<int> minCoefBits;
    std::optional<int> minDataBits;
};

// The analytic power of the one rounding of the output, in units of full scale squared:
// the accumulator's residues modulo one output step q = 2^-(W-1) are taken uniform over
// the M values the taps can give (M = 2^f over the largest power of two dividing every
// integer tap, at most 2^f), of step d = q / M: nearest (half up) q^2/12 + d^2/6, truncate
// d^2 (M - 1)(2M - 1)/6, and 0 when M = 1 (every sum lies on the output word).
double firRoundingNoise(const FirImplementation& implementation);
// The mean of that error: d/2 for nearest (the halves go up), -(M - 1) d/2 for truncate.
double firRoundingMean(const FirImplementation& implementation);

FirFigures firFigures(const FirFilter& filter, const Arithmetic& arithmetic,
                      const ReportOptions& options);

std::vector<std::string> firFigureLines(const FirFigures& figures);
std::string firFiguresJson(const FirFigures& figures);

} // namespace zorkan
