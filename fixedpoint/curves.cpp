#include "fixedpoint/curves.h"

#include "cascade/response.h"
#include "fir/firproperties.h"
#include "fixedpoint/firreport.h"
#include "fixedpoint/simulation.h"

#include <cmath>
#include <complex>
#include <numbers>

namespace zorkan {

namespace {

constexpr long double pi = std::numbers::pi_v<long double>;

double decibels(long double power) {
    return power > 0 ? static_cast<double>(10 * std::log10(power)) : -400.0;
}

// The averaged periodogram of an output's error, into the curves' noise bins: blocks of
// 2 noiseBins samples, each bin's power the mean of |X_k|^2 / N^2 over the blocks, the
// two sides of the spectrum added.
void measuredNoise(const std::vector<long double>& error, ImplementationCurves& c) {
    const int n = 2 * noiseBins;
    std::vector<std::complex<long double>> twiddle(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        twiddle[static_cast<std::size_t>(k)] = std::polar(1.0L, -2 * pi * k / n);
    // A Hann window keeps the leakage of the noise's peaks out of its quiet bins; the
    // power is divided by the window's mean square.
    std::vector<long double> window(static_cast<std::size_t>(n));
    long double meanSquare = 0;
    for (int t = 0; t < n; ++t) {
        window[static_cast<std::size_t>(t)] = 0.5L - 0.5L * std::cos(2 * pi * t / n);
        meanSquare += window[static_cast<std::size_t>(t)] * window[static_cast<std::size_t>(t)] / n;
    }
    std::vector<long double> power(noiseBins + 1, 0);
    int blocks = 0;
    for (std::size_t start = 0; start + static_cast<std::size_t>(n) <= error.size(); start += n) {
        ++blocks;
        for (int k = 0; k <= noiseBins; ++k) {
            std::complex<long double> sum = 0;
            for (int t = 0; t < n; ++t)
                sum += error[start + t] * window[static_cast<std::size_t>(t)] *
                       twiddle[static_cast<std::size_t>((k * t) % n)];
            power[static_cast<std::size_t>(k)] += std::norm(sum) / (meanSquare * n * n);
        }
    }
    for (int k = 0; k <= noiseBins; ++k) {
        c.noiseFrequency.push_back(0.5 * k / noiseBins);
        const long double sides = k == 0 || k == noiseBins ? 1 : 2;
        c.noiseMeasuredDb.push_back(
            decibels(sides * power[static_cast<std::size_t>(k)] / std::max(blocks, 1) / 0.5L));
    }
}

} // namespace

ImplementationCurves implementationCurves(const Implementation& im, int points,
                                          double noiseAmplitude, int noiseSamples,
                                          std::uint64_t seed) {
    ImplementationCurves c;
    for (int i = 0; i <= points; ++i) {
        const long double w = pi * i / points;
        c.frequency.push_back(0.5 * i / points);
        const long double hi = cascadeMagnitude(im.cascade.sections, im.cascade.sections.size(), w);
        const long double hq = cascadeMagnitude(im.quantised, im.quantised.size(), w);
        c.idealDb.push_back(decibels(hi * hi));
        c.quantisedDb.push_back(decibels(hq * hq));
    }
    if (im.options.arithmetic.target == Target::Double)
        return c;

    // The same white noise as the report's measurement, through both arithmetics.
    const double lsb = std::ldexp(1.0, -(im.options.arithmetic.dataBits - 1));
    const bool fixed = fixedPointTarget(im.options.arithmetic.target);
    const std::vector<double> x = noiseStimulus(im, noiseAmplitude, noiseSamples, seed);
    const std::vector<double> y = simulate(im, x);
    const std::vector<double> r = simulate(doubleReference(im), x);

    std::vector<long double> error(y.size());
    for (std::size_t t = 0; t < y.size(); ++t)
        error[t] = y[t] - r[t];
    measuredNoise(error, c);
    const int n = 2 * noiseBins;
    if (fixed) {
        const std::vector<SecondOrderSection>& q = im.quantised;
        const std::vector<RoundingPoint> points = roundingPoints(im);
        for (int k = 0; k <= noiseBins; ++k) {
            const long double w = pi * k / noiseBins;
            long double sum = 0;
            for (const RoundingPoint& point : points)
                sum += std::norm(roundingPathAt(q, point, w));
            const long double sides = k == 0 || k == noiseBins ? 1 : 2;
            c.noiseComputedDb.push_back(decibels(sides * lsb * lsb / 12 * sum / n / 0.5L));
        }
    }
    return c;
}

ImplementationCurves firCurves(const FirImplementation& im, int points, double noiseAmplitude,
                               int noiseSamples, std::uint64_t seed) {
    ImplementationCurves c;
    for (int i = 0; i <= points; ++i) {
        const long double w = pi * i / points;
        c.frequency.push_back(0.5 * i / points);
        c.idealDb.push_back(decibels(std::norm(firValueAt(im.taps, w))));
        c.quantisedDb.push_back(decibels(std::norm(firValueAt(im.quantised, w))));
    }
    if (im.arithmetic.target == Target::Double)
        return c;
    const std::vector<double> x = noiseStimulus(im.arithmetic, noiseAmplitude, noiseSamples, seed);
    const std::vector<double> y = simulateFir(im, x);
    std::vector<long double> error = exactFirOutput(im.quantised, x);
    bool exact = true;
    for (std::size_t t = 0; t < y.size(); ++t) {
        error[t] = y[t] - error[t];
        exact = exact && error[t] == 0;
    }
    // Every sum on the output word: no noise to draw.
    if (exact)
        return c;
    measuredNoise(error, c);
    if (fixedPointTarget(im.arithmetic.target)) {
        // One rounding at the output, white: its variance spread evenly over the bins
        // (its mean lies at 0 alone).
        const long double mean = firRoundingMean(im);
        const long double variance = firRoundingNoise(im) - mean * mean;
        for (int k = 0; k <= noiseBins; ++k) {
            const long double sides = k == 0 || k == noiseBins ? 1 : 2;
            c.noiseComputedDb.push_back(decibels(sides * variance / (2 * noiseBins) / 0.5L));
        }
    }
    return c;
}

} // namespace zorkan
