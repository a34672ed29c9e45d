#include "spectral/fourier.h"

#include <cmath>
#include <utility>

namespace zorkan {

namespace {

constexpr double pi = 3.141592653589793;
constexpr int stageCount = 10;

// The index whose ten bits are those of `i` in reverse order.
std::size_t reversedIndex(std::size_t i) {
    std::size_t r = 0;
    for (int bit = 0; bit < stageCount; ++bit) {
        r = (r << 1) | (i & 1);
        i >>= 1;
    }
    return r;
}

void butterflies(SpectrumPoints& t) {
    for (int s = 1; s <= stageCount; ++s) {
        const std::size_t span = std::size_t{1} << (11 - s);
        const std::size_t half = span / 2;
        const double angle = pi / static_cast<double>(half);
        const double u = std::cos(angle);
        const double v = 0 - std::sin(angle);
        double wRe = 1;
        double wIm = 0;
        for (std::size_t j = 0; j < half; ++j) {
            for (std::size_t k = j; k < spectrumLength; k += span) {
                SpectrumPoint& a = t[k];
                SpectrumPoint& b = t[k + half];
                const double tRe = a.re - b.re;
                const double tIm = a.im - b.im;
                a.re = a.re + b.re;
                a.im = a.im + b.im;
                b.re = tRe * wRe - tIm * wIm;
                b.im = tIm * wRe + tRe * wIm;
            }
            const double nextRe = wRe * u - wIm * v;
            const double nextIm = wIm * u + wRe * v;
            wRe = nextRe;
            wIm = nextIm;
        }
    }
}

// Every point moves to its bit-reversed index (1 and 512 change places, 3 and 768, ...).
// The exchanges are those of the classic counter form; magnitude and phase are set later.
void reorder(SpectrumPoints& t) {
    for (std::size_t i = 0; i < spectrumLength; ++i) {
        const std::size_t j = reversedIndex(i);
        if (i < j) {
            std::swap(t[i].re, t[j].re);
            std::swap(t[i].im, t[j].im);
        }
    }
}

double scaled(double part) {
    const double x = part * fourierScale;
    return std::fabs(x) < fourierThreshold ? 0.0 : x;
}

} // namespace

void fastFourier(SpectrumPoints& table) {
    clearFloatFaults();
    butterflies(table);
    reorder(table);
    for (SpectrumPoint& p : table) {
        p.re = scaled(p.re);
        p.im = scaled(p.im);
        setPolar(p);
    }
    raiseFloatFaults();
}

void inverseFourier(SpectrumPoints& table) {
    for (SpectrumPoint& p : table)
        p.im = -p.im;
    fastFourier(table);
    // A part cut to 0 by the threshold comes back as -0; it is still written as zero.
    for (SpectrumPoint& p : table)
        p.im = -p.im;
}

} // namespace zorkan
