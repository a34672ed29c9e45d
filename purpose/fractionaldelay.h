#pragma once
// The maximally flat all-pass fractional delay (Thiran): z^-N A(1/z) / A(z), whose group
// delay at zero frequency is D, written as sections whose numerators are their
// denominators reversed.
#include "purpose/designedsections.h"

#include <vector>

namespace zorkan {

// Orders of the Thiran delay: as many sections as the readers hold.
constexpr int maxThiranOrder = 64;

struct FractionalDelayRequest {
    double delay = 0;
    int order = 0; // 0: the integer nearest to the delay
};

// a_0 .. a_N of A(z) = sum a_k z^-k:
// a_k = (-1)^k C(N, k) prod_{n=0..N} (D - N + n) / (D - N + k + n).
std::vector<double> thiranDenominator(double delay, int order);

// The order the request designs.
int thiranOrder(const FractionalDelayRequest& request);

// Refused unless 1 <= N <= maxThiranOrder and D > N - 1 (else a pole leaves the unit
// circle); D = N is the pure delay z^-N.
DesignedSections designFractionalDelay(const FractionalDelayRequest& request);

// All-pass sections from the roots of a denominator c0 + c1 z^-1 + ... + cd z^-d
// (c0 != 0): each real factor of degree m by its reversed self, the order d.
DesignedSections allPassSections(const std::vector<double>& denominator);

} // namespace zorkan
