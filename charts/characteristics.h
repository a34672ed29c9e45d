#pragma once
// The characteristics of stored filters over a frequency grid: magnitude (linear or in
// dB), phase (unwrapped along the grid, or wrapped) and group delay, each from the
// cascade's own evaluation, and the tolerance mask of a design request.
#include "cascade/secondorder.h"
#include "coefficients/filterfile.h"
#include "design/designcheck.h"
#include "design/designrun.h"

#include <string>
#include <vector>

namespace zorkan {

enum class ChartView { Magnitude, MagnitudeDb, Phase, GroupDelay };

// "magnitude", "magnitude-db", "phase", "group-delay"; anything else is a UserMessage.
ChartView parseChartView(const std::string& text);

// The frequencies of a view, in the unit of FD: f_k = fmin + k (fmax - fmin) / (N - 1),
// or on a logarithmic axis fmin (fmax / fmin)^(k / (N - 1)), k = 0 .. N - 1; the last one
// is fmax exactly.
struct FrequencyGrid {
    double fmin = 0;
    double fmax = 0.5;
    int points = 1000;
    bool logarithmic = false;
};
// Refuses N below 2 or above maxChartPoints, fmin >= fmax, a negative fmin, and a
// logarithmic axis from fmin = 0, each with a Russian message.
constexpr int maxChartPoints = 1000000;
void checkFrequencyGrid(const FrequencyGrid& grid);
std::vector<double> gridFrequencies(const FrequencyGrid& grid);

// What a curve is computed from: a filter read as the analysis reads it (H = A / B), with
// a factor on its magnitude (a realised cascade brought back to the filter's level).
struct CurveSource {
    FilterCoefficients filter;
    long double scale = 1;
    // An FIR filter's taps, when there are any: H = sum of h[k] z^-k, and `filter` is not
    // used.
    std::vector<double> taps = {};
};

// The cascade of second-order sections (den0 = 1) as a filter of the same H.
FilterCoefficients filterOfSections(const std::vector<SecondOrderSection>& sections);

// One curve's values at the frequencies (unit of FD) with the sampling frequency fd:
// |H|; 20 log10 |H| (absolute: -inf at a zero, +inf at a pole); the phase arg H in
// radians, unwrapped along the grid as numpy.unwrap does (a step between neighbours of
// pi or more in size is brought into [-pi, pi)) from its principal value at the first
// frequency; the group delay in samples. A pole gives an infinite magnitude and a NaN
// phase.
std::vector<double> curveValues(const CurveSource& source, ChartView view,
                                const std::vector<double>& frequencies, double fd);

// Wrapped phases made continuous along their grid, as numpy.unwrap does (see curveValues);
// NaNs are passed over.
void unwrapPhase(std::vector<double>& phase);

// Phase in (-pi, pi] at every frequency, not unwrapped.
std::vector<double> wrappedPhase(const CurveSource& source, const std::vector<double>& frequencies,
                                 double fd);

// The mask of a request in dB relative to the pass-band maximum: the pass band allows
// down to -DA, the stop bands at most -B1.
struct ToleranceMask {
    DesignBands bands;
    double ripple = 0;      // DA
    double attenuation = 0; // B1
};
// The request's bands on an axis of sampling frequency `fd`: its frequencies scaled by
// fd / request.fd (as they are when the two agree, the default).
ToleranceMask toleranceMask(const DesignRequest& request, double fd);
ToleranceMask toleranceMask(const DesignRequest& request);

// The largest |H| over the mask's pass bands (on a grid of 4097 points and the edges of each), or
// over the whole band 0 .. FD/2 when the request has none.
double passBandMaximum(const CurveSource& source, const ToleranceMask& mask, double fd);

// Where a curve leaves its mask: runs of grid points (first and last index) whose level
// relative to `reference` lies below -DA in the pass band or above -B1 in a stop band, by
// more than the design check's tolerance. `magnitudes` holds |H| at `frequencies`.
struct MaskViolation {
    std::size_t first = 0;
    std::size_t last = 0;
};
std::vector<MaskViolation> maskViolations(const ToleranceMask& mask,
                                          const std::vector<double>& frequencies,
                                          const std::vector<double>& magnitudes, double reference);

} // namespace zorkan
