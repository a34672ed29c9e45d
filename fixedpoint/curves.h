#pragma once
// The curves of an implementation for its window: the magnitude of the realised cascade
// with and without quantisation, and the spectrum of the round-off noise, measured and
// computed.
#include "fixedpoint/firimplementation.h"
#include "fixedpoint/implementation.h"

#include <vector>

namespace zorkan {

struct ImplementationCurves {
    std::vector<double> frequency;   // in units of FD, 0 .. 0.5
    std::vector<double> idealDb;     // 20 log10 |H| of the unquantised realised cascade
    std::vector<double> quantisedDb; // and of the quantised one
    // The noise's power in each of noiseBins bins from 0 to FD/2, in dB relative to the
    // power of a full-scale sine (0.5): the averaged periodogram (Hann window) of the difference
    // between the implementation and its double reference, and for fixed point the computed sum
    // over the rounding points of (q^2 / 12) |G_i|^2 / (2 noiseBins).
    std::vector<double> noiseFrequency;
    std::vector<double> noiseMeasuredDb;
    std::vector<double> noiseComputedDb; // empty for floating point
};

constexpr int noiseBins = 128;

ImplementationCurves implementationCurves(const Implementation& implementation, int points,
                                          double noiseAmplitude, int noiseSamples,
                                          std::uint64_t seed);

// The magnitude of a FIR implementation on points + 1 frequencies from 0 to FD/2: of the
// file's taps (idealDb) and of the taps the arithmetic holds (quantisedDb); the noise as
// above, against the exact output of the held taps, and computed from the one rounding of
// the output (white). No noise curves for double, nor where every output is exact.
ImplementationCurves firCurves(const FirImplementation& implementation, int points,
                               double noiseAmplitude, int noiseSamples, std::uint64_t seed);

} // namespace zorkan
