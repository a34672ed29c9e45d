#pragma once
// A stored filter as a cascade of second-order sections, the form other tools take
// (scipy and MATLAB "sos" rows, biquads in C). Band-pass files hold fourth-order
// sections; each is factored through its roots into two second-order ones.
#include "coefficients/filterfile.h"

#include <complex>
#include <cstdint>
#include <string>
#include <vector>

namespace zorkan {

// (num0 + num1 z^-1 + num2 z^-2) / (den0 + den1 z^-1 + den2 z^-2), den0 = 1 once exported.
struct SecondOrderSection {
    double num[3] = {1, 0, 0};
    double den[3] = {1, 0, 0};
};

// Something a user should know about a realised filter: the Russian text for messages
// and an ASCII text for the comment header of a written file.
struct CascadeWarning {
    std::string message; // Russian, UTF-8
    std::string note;    // ASCII
};

struct SecondOrderCascade {
    FilterKind kind = lowPass;
    std::uint32_t order = 0;      // the order line of the file
    std::size_t fileSections = 0; // sections in the file
    std::vector<SecondOrderSection> sections;
    bool normalised = false;
    std::vector<CascadeWarning> warnings;
};

// The file's sections as second-order sections of H(z) = A(z) / B(z), each divided by
// its B0 so that den0 = 1 (a B0 of 0 is taken as 1, as the filtering engine does, with a
// warning).
// Low-pass and high-pass sections are taken as they are; a band-pass section becomes
// two sections: the pole pair nearer the origin first, each numerator factor matched
// with the pole pair nearest its zeros, the numerator's leading coefficient in the
// first. A file without sections gives one section that passes the signal unchanged.
// Warns of an unstable or an all-zero filter.
SecondOrderCascade secondOrderSections(const FilterCoefficients& filter);

// A real factor in w = z^-1, c[0] + c[1] w + c[2] w^2, of degree 1 or 2; a delay w is
// {0, 1, 0} of degree 1.
struct RootFactor {
    long double c[3] = {1, 0, 0};
    int degree = 0;
};

// The real factors of the product of (1 - r w) over the roots r (complex ones in exact
// conjugate pairs) times w^delays, by the rule every fourth-order section is factored
// with: each conjugate pair is one factor, then the real roots sorted and paired from the
// outside in (the smallest with the largest); a real root left over and the delays
// follow, paired in turn into second-order factors, a lone first-order factor last.
std::vector<RootFactor> rootFactors(const std::vector<std::complex<long double>>& roots,
                                    int delays);

// The second-order sections of gain * (zeros' factors times w^zeroDelays) / (poles'
// factors), each set factored by rootFactors: the pole factors by their largest radius,
// the least resonant first (sections without poles before them); from the most resonant
// down, each takes the zero factor nearest to it (by the root of each farthest from the
// origin); the gain goes into the first section's numerator. B0 = 1 in every section.
std::vector<SecondOrderSection>
sectionsFromRoots(const std::vector<std::complex<long double>>& zeros, int zeroDelays,
                  const std::vector<std::complex<long double>>& poles, long double gain);
// The same from the factors themselves (each set factored by rootFactors, or with a pair's
// factor computed exactly from its polar form).
std::vector<SecondOrderSection> sectionsFromFactors(const std::vector<RootFactor>& zeroFactors,
                                                    std::vector<RootFactor> poleFactors,
                                                    long double gain);

// The sections as the file holds them (fourth order for band-pass), each divided by
// its B0 as above: H(z) = A(z) / B(z), the filter every tool beyond the modelling window
// realises, in the form of the filtering engine's equation (which takes B0 as 1). A B0
// so small that the division leaves the range of a double is refused (a UserMessage).
std::vector<FilterSection> sectionsOverB0(const FilterCoefficients& filter);

// The order of a filter as the analysis summary and the export name it: the sum over
// the file's sections of the highest power of z^-1 with a coefficient other than zero in
// the numerator or the denominator.
std::uint32_t filterOrder(const FilterCoefficients& filter);

// The sections whose B0 is neither 1 nor 0, from 1.
std::vector<int> sectionsScaledByB0(const FilterCoefficients& filter);

// Reads a parameter file with the frequency-response computation's rules.
SecondOrderCascade secondOrderSections(const std::string& path);

// The largest pole radius of a second-order section: a figure to show, not a verdict.
long double sectionPoleRadius(const SecondOrderSection& s);

// Whether every pole of the section lies strictly inside the unit circle, by the
// Schur-Cohn test on its denominator's coefficients (insideUnitCircle), not by a radius
// that rounding may put on the circle (sqrt(1 - 2^-53) is 1 in double). A cascade is
// stable when each of its sections is.
bool sectionStable(const SecondOrderSection& s);
bool cascadeStable(const std::vector<SecondOrderSection>& sections);

// The order of the sections of a realised cascade: as the file gives them, or by their
// largest pole radius (a stable sort), the least resonant first (ascending) or last.
enum class SectionOrder { File, Ascending, Descending };
void orderSections(SecondOrderCascade& cascade, SectionOrder order);

// Ascending order: the least resonant first and the most resonant last. In fixed point
// the noise of a section's rounding then passes the fewest sharp resonances, and a
// normalised cascade does not lose the signal in its first sections.
void orderByPoleRadius(SecondOrderCascade& cascade);

} // namespace zorkan
