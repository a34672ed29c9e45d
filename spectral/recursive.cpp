#include "spectral/recursive.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>
#include <vector>

namespace zorkan {

void recursiveSpectrum(SpectrumPoints& table, double K) {
    clearFloatFaults();
    double pRe = 0;
    double pIm = 0;
    for (std::size_t n = 0; n < spectrumLength; ++n) {
        const double angle = static_cast<double>(n) * spectralStep;
        const double a = std::cos(angle) * K;
        const double b = std::sin(angle) * K;
        SpectrumPoint& p = table[n];
        const double yRe = pRe * a + p.re - pIm * b;
        const double yIm = pIm * a + p.im + pRe * b;
        p.re = yRe;
        p.im = yIm;
        setPolar(p);
        pRe = yRe;
        pIm = yIm;
    }
    raiseFloatFaults();
}

namespace {

struct Column {
    double re[spectrumLength];
    double im[spectrumLength];
};

// The results for frequencies first .. last - 1; returns the fault flags of the thread
// that computed them.
int shiftedRange(const Column& x, double K, std::size_t first, std::size_t last, Column& out) {
    clearFloatFaults();
    for (std::size_t k = first; k < last; ++k) {
        const double kStep = static_cast<double>(k) * spectralStep;
        double sRe = 0;
        double sIm = 0;
        for (std::size_t n = 0; n < spectrumLength; ++n) {
            const double phi = kStep * static_cast<double>(n);
            const double u = std::cos(phi);
            const double v = -std::sin(phi);
            const double tRe = x.re[n] * u - x.im[n] * v;
            const double tIm = x.re[n] * v + x.im[n] * u;
            if (n == 0) {
                sRe = tRe;
                sIm = tIm;
            } else {
                sRe = sRe * K + tRe;
                sIm = sIm * K + tIm;
            }
        }
        out.re[k] = sRe;
        out.im[k] = sIm;
    }
    return floatFaults();
}

} // namespace

void shiftedSpectrum(SpectrumPoints& table, double K, unsigned threads) {
    if (threads == 0)
        threads = std::clamp(std::thread::hardware_concurrency(), 1u, 2u);
    Column x;
    for (std::size_t n = 0; n < spectrumLength; ++n) {
        x.re[n] = table[n].re;
        x.im[n] = table[n].im;
    }
    Column result;
    int faults = 0;
    if (threads == 1) {
        faults = shiftedRange(x, K, 0, spectrumLength, result);
    } else {
        // Each thread takes every frequency of its own contiguous share.
        const std::size_t share = spectrumLength / threads;
        std::vector<int> workerFaults(threads, 0);
        std::vector<std::thread> workers;
        workers.reserve(threads - 1);
        for (unsigned w = 1; w < threads; ++w) {
            const std::size_t first = share * w;
            const std::size_t last = w + 1 == threads ? spectrumLength : first + share;
            try {
                workers.emplace_back([&, w, first, last] {
                    workerFaults[w] = shiftedRange(x, K, first, last, result);
                });
            } catch (const std::system_error&) {
                // No thread to be had: this share is computed here, the same way.
                workerFaults[w] = shiftedRange(x, K, first, last, result);
            }
        }
        workerFaults[0] = shiftedRange(x, K, 0, share, result);
        for (std::thread& worker : workers)
            worker.join();
        for (int f : workerFaults)
            faults |= f;
    }
    clearFloatFaults();
    for (std::size_t k = 0; k < spectrumLength; ++k) {
        SpectrumPoint& p = table[k];
        p.re = result.re[k];
        p.im = result.im[k];
        setPolar(p);
    }
    raiseFloatFaults(faults | floatFaults());
}

} // namespace zorkan
