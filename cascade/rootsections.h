#pragma once
// A filter given by its roots, H(z) = g * prod (1 - z_k z^-1) / prod (1 - p_k z^-1), as
// second-order sections, and the roots of stored sections back.
#include "cascade/secondorder.h"

#include <complex>
#include <vector>

namespace zorkan {

// One root of a numerator or denominator, repeated `multiplicity` times: a real root
// (`angle` 0, the root is `radius`, of either sign) or the conjugate pair
// radius * e^(+-j angle), 0 < angle <= pi. Held in polar form so that a pair put on the
// unit circle has the factor 1 - 2 cos(angle) z^-1 + z^-2 exactly.
struct SectionRoot {
    double radius = 0;
    double angle = 0;
    int multiplicity = 1;
    bool pair() const { return angle != 0; }
    std::complex<double> z() const { return pair() ? std::polar(radius, angle) : radius; }
    // The root z, or the pair of z and its conjugate.
    static SectionRoot at(std::complex<double> z, int multiplicity = 1);
};

// The roots as sections by the one factoring rule (sectionsFromFactors in
// cascade/secondorder.h), a pair's factor taken exactly from its polar form. No roots at
// all give one section g / 1.
std::vector<SecondOrderSection> sectionsFromRoots(const std::vector<SectionRoot>& zeros,
                                                  const std::vector<SectionRoot>& poles,
                                                  double gain);

// The roots of a cascade's numerators and denominators (each pair once, above the axis,
// equal roots gathered with their multiplicity) and the gain g: the product of the
// numerators' leading coefficients over the denominators'. A section whose numerator
// or denominator starts with zero (a delay, a root at infinity) has no such form and is
// refused with a UserMessage naming it.
struct CascadeRoots {
    std::vector<SectionRoot> zeros, poles;
    double gain = 1;
};
CascadeRoots rootsOfSections(const std::vector<SecondOrderSection>& sections);

} // namespace zorkan
