#pragma once
// An implementation of a filter: the realised cascade of second-order sections (the
// export's factoring, put in a section order and scaled) and the arithmetic that runs
// it, with the coefficients that arithmetic really holds.
#include "cascade/secondorder.h"
#include "coefficients/filterfile.h"
#include "fixedpoint/structures.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zorkan {

enum class Target {
    Double,
    Float,
    FloatFma,
    Q15,
    Q31,
    Fixed,
    CmsisQ15,
    CmsisQ31,
    CmsisF32,
    CmsisLatticeQ15,
    CmsisLatticeQ31,
    CmsisLatticeF32,
    CmsisFirQ15,
    CmsisFirQ31,
    CmsisFirF32
};
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
//
// The CMSIS-DSP targets are what the library's portable C kernels compute (the scalar
// code, no SIMD or Helium variant), from coefficients chosen here:
// - every coefficient of the cascade as c / 2^postShift in the kernel's word, one postShift
//   for all sections, the smallest that puts each of b0, b1, b2, -a1, -a2 (rounded to
//   nearest, halves away from zero) inside [-1, 1); the kernel adds the products of the
//   negated feedback coefficients;
// - cmsis-q15 (arm_biquad_cascade_df1_q15): data and coefficients 1.15, state x[n-1],
//   x[n-2], y[n-1], y[n-2] per stage; the five products 2.30 summed exactly in a 64-bit
//   accumulator; the sum shifted right arithmetically by 15 - postShift (truncation
//   towards minus infinity); the low 32 bits of that taken as a signed 32-bit value (the
//   saturating instruction takes a 32-bit operand) and saturated to [-32768, 32767];
// - cmsis-q31 (arm_biquad_cascade_df1_q31): data and coefficients 1.31, the same state;
//   the products 2.62 summed in a 64-bit accumulator that wraps modulo 2^64; the sum
//   shifted right by 31 - postShift and its low 32 bits kept: the output wraps, it never
//   saturates;
// - cmsis-f32 (arm_biquad_cascade_df2T_f32): float coefficients b0, b1, b2, -a1, -a2 and
//   state d1, d2 per stage; in this order, each operation rounded to float, none fused:
//   y = b0 x + d1; d1 = b1 x + d2; d1 += (-a1) y; d2 = b2 x; d2 += (-a2) y.
// The shifts limit postShift to 14 for q15 and 30 for q31 (the kernels' 32-bit shifts of
// the accumulator's halves by postShift + 1 or 32 - (15 - postShift) stay below 32).
//
// The CMSIS-DSP lattice targets realise the whole filter as one lattice-ladder of order N
// (fixedpoint/lattice.h: its equations, the kernels' arithmetic to the bit), not as a
// cascade: the realised cascade's sections multiplied out, the numerator scaled as a whole
// (peak: the filter's largest gain over frequency 1; l2, l1: the norm of its impulse
// response 1; the section order does not matter), the reflection coefficients k_1..k_N of
// the denominator and the ladder coefficients v_0..v_N of the numerator. The kernels have
// no postShift and no input scaling:
// - cmsis-lattice-q15 (arm_iir_lattice_q15) and cmsis-lattice-q31 (arm_iir_lattice_q31):
//   every coefficient c as round(c 2^15) or round(c 2^31) (nearest, halves away from zero)
//   in [-1, 1); where the largest ladder coefficient does not fit, all of them are shrunk
//   together until it does (a warning says by how much). A k that is not strictly inside
//   (-1, 1) before or after the rounding (an unstable denominator) is refused. The nodes
//   f and g saturate (q15: 16 bits after each product's truncating shift by 15; q31:
//   saturating 32-bit sums of the products' 2.62 shifted right by 31, low 32 bits); the
//   output is the ladder's exact 64-bit sum shifted right by 15 and saturated to 16 bits
//   (q15), or the 64-bit sum, wrapping, shifted right by 31 with its low 32 bits kept (q31,
//   the output wraps);
// - cmsis-lattice-f32 (arm_iir_lattice_f32): float coefficients, each operation rounded
//   to float, none fused.
// The kernels' state is a window of numStages + blockSize values sliding one place a
// sample, its last numStages values copied to the front after each call; the library's
// q15 and q31 DSP code without loop unrolling copies one value fewer, which the emulation
// does not follow (it is the scalar code's result).
// The overflow figures of a lattice are those of its nodes (f, g) and its output; its
// round-off noise is simulated only (its rounding points feed back through the lattice).
// The quantised filter of the report is the lattice's own: A from the rounded k by the
// step-up recursion, the numerator from the rounded v, factored into sections.
struct Arithmetic {
    Target target = Target::Q15;
    int dataBits = 16;
    int coefBits = 32;
    Rounding rounding = Rounding::Nearest;
    Overflow overflow = Overflow::Saturate;
};

// The target table, one row a target in the order of Target: its command-line name; the
// words, rounding and overflow it fixes (dataBits 0: it keeps those it is given, which only
// the fixed target uses); the export format and number type that write its arithmetic as
// code, by their command-line names (no type: the format's own words).
struct TargetRow {
    Target target;
    const char* name;
    int dataBits;
    int coefBits;
    Rounding rounding;
    Overflow overflow;
    const char* exportFormat;
    const char* exportType;
};
std::span<const TargetRow> targetTable();
const TargetRow& targetRow(Target target);

// The arithmetic of a named target (the table's words, rounding and overflow where it
// fixes them, else `base`'s).
Arithmetic namedArithmetic(Target target, const Arithmetic& base = {});
bool fixedPointTarget(Target target);
bool cmsisTarget(Target target);
// The CMSIS-DSP lattice targets (a whole-filter lattice-ladder, not a cascade).
bool latticeTarget(Target target);
// The CMSIS-DSP FIR kernels (arm_fir_q15, arm_fir_q31, arm_fir_f32): taps of a ".fir"
// file only (fixedpoint/firimplementation.h).
bool firKernelTarget(Target target);
// Refuses (UserMessage) a target that does not compute a cascade of sections: the FIR
// kernels.
void checkCascadeTarget(Target target);
// The largest postShift the CMSIS-DSP fixed-point kernels take.
constexpr int cmsisQ15PostShiftLimit = 14;
constexpr int cmsisQ31PostShiftLimit = 30;

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

// How far below full scale (1) the L1 gain from the input to a section's output must stay
// for that output never to overflow in the arithmetic: the largest data word is 1 - 1 LSB,
// not 1, and each section's rounding of its output (half up, towards minus infinity, the
// CMSIS-DSP kernels' shifts) may add up to 1 LSB that the later sections carry on; one LSB
// for the range and one for each of the cascade's sections. 0 for floating point, which
// has no full scale.
double overflowMargin(const Arithmetic& arithmetic, std::size_t sections);

// The defaults of every implementation: `implement`, the exports of code (C, CMSIS-DSP,
// Verilog) and the implementation window take these when nothing else is chosen.
// No structure chosen: the target's own (nativeStructure).
struct ImplementationOptions {
    Arithmetic arithmetic;
    Scaling scaling = Scaling::Peak;
    SectionOrder order = SectionOrder::Ascending;
    std::optional<Structure> structure;
};

// The structure a target computes when none is chosen: direct form I for the fixed-point
// targets, the transposed direct form II for floating point (the CMSIS-DSP kernels'
// own), the lattice-ladder of the whole filter for the CMSIS-DSP lattice kernels; the
// CMSIS-DSP targets have no other.
Structure nativeStructure(Target target);
Structure structureOf(const ImplementationOptions& options);
// Refuses a structure the target does not have: error feedback needs a fixed-point
// rounding residue, and the CMSIS-DSP kernels have one structure each.
void checkStructure(Target target, Structure structure);

// One section's fixed-point coefficients: b0, b1, b2, a1, a2 (a0 = 1) as integers of
// the coefficient word, and the section's shift (for the CMSIS-DSP targets the cascade's
// postShift; the kernel holds -a1 and -a2).
struct FixedCoefficients {
    std::int64_t c[5] = {0, 0, 0, 0, 0};
    int shift = 0;
};
// The rule above for C bits; a section that would need a shift above C - 2 is refused.
FixedCoefficients quantiseCoefficients(const SecondOrderSection& s, int coefBits,
                                       std::size_t index);

// The whole-filter lattice-ladder of the lattice targets: k_1..k_N and v_0..v_N in the
// natural order as the arithmetic holds them (exactly, as doubles), and as the integers of
// the q15 / q31 word or the floats of f32 (the kernels hold them from k_N and v_N down).
struct LatticeLadder {
    std::vector<double> reflection;
    std::vector<double> ladder;
    std::vector<std::int64_t> reflectionFixed, ladderFixed;
    std::vector<float> reflectionSingle, ladderSingle;
};

struct Implementation {
    ImplementationOptions options;
    Structure structure = Structure::Df1; // as realised
    // For a structure other than the target's own, the program of each section (its
    // coefficients quantised); `quantised` then holds each program's transfer function
    // and `fixed` and `single` stay empty.
    std::vector<SectionProgram> programs;
    // The L1 gains from the input to every node of the programs (per section, per node),
    // or to every section's output of the target's own sections (one per section), where
    // they were already summed for these coefficients; else empty.
    std::vector<std::vector<long double>> nodeGains;
    // Realised: in the chosen order and scaled, double coefficients (a0 = 1).
    SecondOrderCascade cascade;
    // The product of the scale factors the scaling put on the numerators: the realised
    // cascade is `gain` times the filter.
    long double gain = 1;
    // The coefficients the arithmetic holds, as doubles (exact for every target).
    std::vector<SecondOrderSection> quantised;
    std::vector<FixedCoefficients> fixed;     // fixed-point targets
    std::vector<std::array<float, 5>> single; // float targets: b0, b1, b2, a1, a2
    LatticeLadder lattice;                    // lattice targets
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
// The same without the last step of l1 scaling in fixed point, where the coefficients as
// rounded are summed again and shrunk where they lift a gain above the limit: what the
// stability and the response of those words depend on, without the sums behind the check.
Implementation realiseAsScaled(const SecondOrderCascade& factored,
                               const ImplementationOptions& options);
// The same as realise, but l2 scaling of a structure's programs takes the norms from the
// Gramians in closed form instead of summing the impulse response: the same scales to their
// last digits, without the sums over millions of samples of a pole near the circle. For a
// quick look at an implementation; realise gives the one that is reported.
Implementation realiseAtAGlance(const SecondOrderCascade& factored,
                                const ImplementationOptions& options);

// The same scaled realisation in other words of the same target: only the coefficients
// are rounded anew. For every scaling but l1 of a fixed-point target this is exactly what
// realise gives for those words; with l1 the target's own sections are realised again
// (their margin follows the data word), a program keeps the margin of its first words.
Implementation requantised(const Implementation& implementation, const SecondOrderCascade& factored,
                           const Arithmetic& arithmetic);

// What the implementation costs per output sample, summed over its sections.
StructureCost implementationCost(const Implementation& implementation);

} // namespace zorkan
