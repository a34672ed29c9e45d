#pragma once
// The Kaiser window design: the ideal response with its cut-offs, windowed by Kaiser's
// window and scaled to unit gain at one frequency; and Kaiser's formulas for the window's
// beta and the number of taps. Frequencies in cycles per sample.
#include <cstddef>
#include <vector>

namespace zorkan {

// I0(x), the modified Bessel function of the first kind of order 0, by its power series.
double besselI0(double x);

// beta for the stop-band attenuation A in dB: 0.1102 (A - 8.7) above 50 dB,
// 0.5842 (A - 21)^0.4 + 0.07886 (A - 21) from 21 to 50 dB, else 0.
double kaiserBeta(double attenuationDb);

// N = ceil((A - 7.95) / (2.285 * 2 pi * width) + 1), at least 1, for the transition
// width in cycles per sample.
std::size_t kaiserTaps(double attenuationDb, double width);

// w[n] = I0(beta sqrt(1 - (2n / (N - 1) - 1)^2)) / I0(beta).
std::vector<double> kaiserWindow(std::size_t taps, double beta);

struct PassInterval {
    double lo = 0;
    double hi = 0;
};

// The ideal response passing the intervals (cut-offs in cycles per sample) around the
// middle tap, times the window, scaled to unit gain at `unitFrequency`.
std::vector<double> kaiserDesign(std::size_t taps, double beta,
                                 const std::vector<PassInterval>& pass, double unitFrequency);

} // namespace zorkan
