#pragma once
// Properties of an FIR filter read from its taps alone.
#include <complex>
#include <vector>

namespace zorkan {

// Taps h[k] and h[N-1-k] count as equal (or opposite) when they differ by no more than
// this fraction of the largest tap's modulus: the rounding of a design's arithmetic,
// far below the 15 significant digits a ".fir" file keeps.
constexpr double linearPhaseTolerance = 1e-12;

// The type of linear phase: 1 for symmetric taps of odd length, 2 symmetric of even
// length, 3 antisymmetric of odd length (the middle tap zero), 4 antisymmetric of even
// length; 0 when the taps are neither, or all zero (no phase at all).
int linearPhaseType(const std::vector<double>& taps);

// The frequency response H(e^(j omega)) = sum of h[k] e^(-j omega k) at the angle omega
// (radians per sample), by Horner's scheme in e^(-j omega) in extended precision.
std::complex<long double> firValueAt(const std::vector<double>& taps, long double omega);

} // namespace zorkan
