#pragma once
// The lattice-ladder form of an IIR filter: the reflection coefficients of its
// denominator, the ladder coefficients of its numerator, the polynomials they give back,
// and one sample of the lattice-ladder in the arithmetic of the CMSIS-DSP kernels
// arm_iir_lattice_q15, arm_iir_lattice_q31 and arm_iir_lattice_f32.
//
// Polynomials are in z^-1: p[0] + p[1] z^-1 + ... + p[N] z^-N, denominators with p[0] = 1.
// The lattice of order N takes f_N(n) = x(n) and, for m = N, N-1, ..., 1,
//     f_{m-1}(n) = f_m(n) - k_m g_{m-1}(n-1),
//     g_m(n)     = k_m f_{m-1}(n) + g_{m-1}(n-1),
// with g_0(n) = f_0(n); the ladder gives y(n) = v_0 g_0(n) + v_1 g_1(n) + ... + v_N g_N(n).
// With A_0 = 1 and A_m(z) = A_{m-1}(z) + k_m z^-m A_{m-1}(1/z) (the step-up recursion),
// f_0 / x = 1 / A_N(z) and g_m / x = B_m(z) / A_N(z), B_m(z) = z^-m A_m(1/z): the lattice
// realises C(z) / A_N(z) with C = sum v_m B_m, and k_m is the last coefficient of A_m.
#include <cstdint>
#include <span>
#include <vector>

namespace zorkan {

// k_1..k_N of a denominator a_0..a_N (a_0 = 1) by the step-down (Schur-Cohn) recursion
//     k_m = a_m[m],  a_{m-1}[i] = (a_m[i] - k_m a_m[m-i]) / (1 - k_m^2),
// computed in extended precision. Every |k_m| < 1 exactly when every root of the
// denominator lies inside the unit circle. Where some |k_m| >= 1 the recursion cannot go
// below it: k_1..k_{m-1} are then NaN.
std::vector<double> reflectionCoefficients(std::span<const double> den);

// The denominator a_0..a_N of reflection coefficients k_1..k_N (the step-up recursion).
std::vector<double> denominatorOf(std::span<const double> reflection);

// v_0..v_N of a numerator c_0..c_M (M <= N; missing ones are 0) over the denominator of
// reflection coefficients k_1..k_N: from the top, v_m = c_m - sum over j > m of
// v_j a_j[j-m].
std::vector<double> ladderCoefficients(std::span<const double> num,
                                       std::span<const double> reflection);
// The same over a denominator a_0..a_N, whose reflection coefficients must all be below 1
// in magnitude.
std::vector<double> ladderCoefficientsOverDenominator(std::span<const double> num,
                                                      std::span<const double> den);

// The numerator c_0..c_N = sum v_m B_m(z) of ladder coefficients v_0..v_N over reflection
// coefficients k_1..k_N.
std::vector<double> numeratorOf(std::span<const double> ladder, std::span<const double> reflection);

// The state of a lattice of order N in the kernels' layout: g_{N-1}(n-1), g_{N-2}(n-1),
// ..., g_0(n-1) (the first N values of the kernel's pState between samples).
//
// One sample through the kernels' scalar code, coefficients k_1..k_N and v_0..v_N in the
// natural order (the kernels hold them from k_N and v_N down); `overflows` counts every
// node saturated, the output saturated (q15) and, for q31, the output or the accumulator
// wrapped.
// arm_iir_lattice_q15: data and coefficients 1.15; each product kept in 32 bits and
// shifted right by 15 (truncation towards minus infinity); f and g saturated to 16 bits;
// the ladder's products 2.30 summed exactly in 64 bits; the output the sum shifted right
// by 15, its low 32 bits taken as signed, saturated to 16 bits.
std::int64_t latticeStepQ15(std::span<const std::int64_t> reflection,
                            std::span<const std::int64_t> ladder, std::span<std::int64_t> state,
                            std::int64_t x, long long& overflows);
// arm_iir_lattice_q31: data and coefficients 1.31; each product 2.62 shifted right by 31
// and its low 32 bits kept; f and g by saturating 32-bit subtraction and addition; the
// ladder's products summed in a 64-bit accumulator that wraps; the output the low 32 bits
// of the sum shifted right by 31: it wraps, it never saturates.
std::int64_t latticeStepQ31(std::span<const std::int64_t> reflection,
                            std::span<const std::int64_t> ladder, std::span<std::int64_t> state,
                            std::int64_t x, long long& overflows);
// arm_iir_lattice_f32: in float, each operation rounded, none fused, in this order per
// stage: f = f - k g'; g = k f + g'; acc = acc + g v (acc from 0); at the end
// acc = acc + f_0 v_0.
float latticeStepF32(std::span<const float> reflection, std::span<const float> ladder,
                     std::span<float> state, float x);
// The same equations in double (the reference of the round-off).
double latticeStepDouble(std::span<const double> reflection, std::span<const double> ladder,
                         std::span<double> state, double x);

// The L1 norms of the impulse responses from the input to the lattice's nodes, over the
// first `samples` samples in extended precision: the largest over f_0..f_{N-1} and
// g_1..g_N (the nodes the fixed-point kernels saturate), the node that has it (0..N-1:
// f_m, N..2N-1: g_{m-N+1}) and the output's.
struct LatticeNorms {
    double nodes = 0;
    std::size_t worstNode = 0;
    double output = 0;
};
LatticeNorms latticeNorms(std::span<const double> reflection, std::span<const double> ladder,
                          std::size_t samples);
// The first `samples` samples of the impulse response to node `node` (as above; 2N: the
// output).
std::vector<double> latticeNodeImpulse(std::span<const double> reflection,
                                       std::span<const double> ladder, std::size_t node,
                                       std::size_t samples);

} // namespace zorkan
