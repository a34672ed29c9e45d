#pragma once
// An implementation of a filter: the realised cascade of second-order sections (the
// export's factoring, put in a section order and scaled) and the arithmetic that runs
// it, with the coefficients that arithmetic really holds.
#include "cascade/secondorder.h"
#include "coefficients/filterfile.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zorkan {

enum class Target { Double, Float, FloatFma, Q15, Q31, Fixed };
enum class Rounding { Nearest, Truncate };
enum class Overflow { Saturate, Wrap };
enum class Scaling { Peak, L2, L1, None };

// The arithmetic. For the fixed-point targets: data of `dataBits` bits W, two's
// complement fractions of full scale (a value v is the integer v * 2^(W-1)); coefficients
// of `coefBits` bits C, each section's five as integers round(c * 2^(C-1-shift)), shift
// the smallest s >= 0 for which the sum of the five scaled magnitudes plus 3 stays below
// 2^(C-1) (so the rounded coefficients fit in C bits and no sum of products leaves 64
// bits); an exact accumulator; one rounding per section output, in units of its last
// bit floor(v + 1/2) (nearest, half up) or floor(v) (truncate); then saturation to the
// data range or wrapping modulo 2^W. q15 is W = 16, C = 32, nearest, saturate, and q31
// W = 32, C = 32, nearest, saturate: what the C export writes.
struct Arithmetic {
    Target target = Target::Q15;
    int dataBits = 16;
    int coefBits = 32;
    Rounding rounding = Rounding::Nearest;
    Overflow overflow = Overflow::Saturate;
};

// The arithmetic of a named target (q15 and q31 set their W, C, rounding and overflow;
// the others keep `base`'s fields, which only the fixed target uses).
Arithmetic namedArithmetic(Target target, const Arithmetic& base = {});
bool fixedPointTarget(Target target);

// Parsers of the command-line names; anything else is a UserMessage.
Target parseTarget(const std::string& text);
Rounding parseRounding(const std::string& text);
Overflow parseOverflow(const std::string& text);
Scaling parseScaling(const std::string& text);
SectionOrder parseSectionOrder(const std::string& text);
std::string targetName(Target target);
std::string scalingName(Scaling scaling);
std::string orderName(SectionOrder order);

// Word lengths the fixed target accepts.
constexpr int minimumBits = 4;
constexpr int maximumBits = 32;
void checkArithmetic(const Arithmetic& a);

struct ImplementationOptions {
    Arithmetic arithmetic;
    Scaling scaling = Scaling::Peak;
    SectionOrder order = SectionOrder::ascending;
};

// One section's fixed-point coefficients: b0, b1, b2, a1, a2 (a0 = 1) as integers of
// the coefficient word, and the section's shift.
struct FixedCoefficients {
    std::int64_t c[5] = {0, 0, 0, 0, 0};
    int shift = 0;
};
// The rule above for C bits; a section that would need a shift above C - 2 is refused.
FixedCoefficients quantiseCoefficients(const SecondOrderSection& s, int coefBits,
                                       std::size_t index);

struct Implementation {
    ImplementationOptions options;
    // Realised: in the chosen order and scaled, double coefficients (a0 = 1).
    SecondOrderCascade cascade;
    // The product of the scale factors the scaling put on the numerators: the realised
    // cascade is `gain` times the filter.
    long double gain = 1;
    // The coefficients the arithmetic holds, as doubles (exact for every target).
    std::vector<SecondOrderSection> quantised;
    std::vector<FixedCoefficients> fixed;     // fixed-point targets
    std::vector<std::array<float, 5>> single; // float targets: b0, b1, b2, a1, a2
};

// The realised cascade alone: the filter's second-order sections (H = A / B) in the
// order, then scaled (peak: sections 1..k together peak at 1 over frequency; l2 or l1:
// the impulse response from the input to each section's output has norm 1; none).
// `gain` receives the product of the scale factors. A scaling that cannot be applied
// (an unstable or silent cascade) leaves the sections unscaled, with a warning.
SecondOrderCascade realisedCascade(const FilterCoefficients& filter, Scaling scaling,
                                   SectionOrder order, long double* gain = nullptr);
// The same from the filter's sections already factored (secondOrderSections), for many
// realisations of one filter.
SecondOrderCascade realisedCascade(SecondOrderCascade factored, Scaling scaling, SectionOrder order,
                                   long double* gain = nullptr);

// Realises the filter (H = A / B, as the response window computes it): the sections,
// then the order, then the scaling (peak: sections 1..k together peak at 1 over
// frequency; l2 or l1: the impulse response from the input to each section's output has
// norm 1; none), then the coefficients of the arithmetic. A scaling that cannot be
// applied (an unstable or silent cascade) leaves the sections unscaled, with a warning.
Implementation realise(const FilterCoefficients& filter, const ImplementationOptions& options);
Implementation realise(const SecondOrderCascade& factored, const ImplementationOptions& options);

} // namespace zorkan
