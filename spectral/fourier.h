#pragma once
// The fast Fourier transform of the 1024 points and its inverse, both scaled by 1/512
// (2/N, a one-sided amplitude spectrum) with every part below 0.0001 set to 0.
#include "spectral/spectrumtable.h"

namespace zorkan {

constexpr double fourierScale = 0.001953125; // 1/512
constexpr double fourierThreshold = 0.0001;

// X_k = (1/512) Σ x_n e^(−2πi·kn/1024), in place: radix-2 decimation in frequency with
// twiddle factors made by recurrence, then bit reversal, scaling and the threshold, then
// setPolar of every point.
void fastFourier(SpectrumPoints& table);

// x_n = (1/512) Σ X_k e^(+2πi·kn/1024): the imaginary parts negated around fastFourier.
// fastFourier then inverseFourier gives the input over 256, not the input.
void inverseFourier(SpectrumPoints& table);

} // namespace zorkan
