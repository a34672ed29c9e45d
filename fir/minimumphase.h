#pragma once
// The minimum-phase FIR filter with the magnitude of a linear-phase one: the spectral
// factor of a type I design lifted so that its amplitude never goes below zero.
#include <vector>

namespace zorkan {

// For type I taps h of N = 2K - 1 taps with amplitude A(f) and a lift with
// A(f) + lift >= 0 everywhere (the stop-band ripple of an equiripple design), the K taps
// g with every zero on or inside the unit circle and
// |G(f)|^2 = (A(f) + lift) / (1 + lift).
// The zeros of A + lift in x = cos(2 pi f) are the eigenvalues of its Chebyshev
// colleague matrix; each double zero on -1 < x < 1 gives a pair of unit-circle zeros,
// every other zero the one of its pair z, 1/z inside the circle.
std::vector<double> minimumPhaseFactor(const std::vector<double>& typeOneTaps, double lift);

} // namespace zorkan
