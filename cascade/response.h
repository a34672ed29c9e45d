#pragma once
// The complex response of a cascade, H(z) = product of the sections' A(z) / B(z), in
// extended precision: one evaluation for every tool that realises a filter.
#include "cascade/secondorder.h"
#include "coefficients/filterfile.h"

#include <complex>
#include <cstddef>
#include <vector>

namespace zorkan {

// c0 + c1 w + ... + cd w^d at w = z^-1, by Horner's rule.
std::complex<long double> polynomialInInverse(const double* c, int degree,
                                              std::complex<long double> w);

// The cascade's value at z, or that a denominator vanishes there (a pole) or that the
// product leaves the range of a double although no denominator vanishes.
struct CascadeValue {
    std::complex<long double> value = 1;
    bool pole = false;
    bool overflow = false;
};

// Stored sections (degree 4 for band-pass files, 2 otherwise) taken as A(z) / B(z).
CascadeValue cascadeValueAt(const std::vector<FilterSection>& sections, int degree,
                            std::complex<long double> z);

// The squared moduli of the product of the stored sections' numerators and of their
// denominators at e^(j w), apart so that a vanishing one can be told; the products stay
// far inside the extended range even for 32 sections deep in a stop band.
struct SquaredModuli {
    long double numerator = 1, denominator = 1;
};
SquaredModuli cascadeSquaredModuli(const std::vector<FilterSection>& sections, int degree,
                                   long double w);

// The first `count` second-order sections at e^(j w), w in radians per sample.
std::complex<long double> cascadeResponseAt(const std::vector<SecondOrderSection>& sections,
                                            std::size_t count, long double w);
long double cascadeMagnitude(const std::vector<SecondOrderSection>& sections, std::size_t count,
                             long double w);

// The cosines and sines of w and 2w, for evaluating many cascades at one frequency.
struct UnitCirclePoint {
    long double c1 = 1, s1 = 0, c2 = 1, s2 = 0;
};
UnitCirclePoint unitCirclePoint(long double w);
// The same magnitude at a point found before: equal to the above to the last bit.
long double cascadeMagnitude(const std::vector<SecondOrderSection>& sections, std::size_t count,
                             const UnitCirclePoint& at);

} // namespace zorkan
