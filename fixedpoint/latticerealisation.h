#pragma once
// The whole-filter lattice-ladder realisation of the CMSIS-DSP lattice targets.
#include "fixedpoint/implementation.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zorkan {

// The largest order the lattice kernels take (their numStages is a uint16_t).
constexpr std::size_t latticeOrderLimit = 65535;

// The kernel's name of a lattice target: arm_iir_lattice_q15, _q31 or _f32.
std::string latticeKernelName(Target target);

// The realisation of a lattice target (see Arithmetic): the cascade in the order, its
// product as one numerator and one denominator, the whole-filter scaling, k and v, and
// their words. Refuses (UserMessage) a denominator whose k are not all strictly inside
// (-1, 1) before or after the rounding, and an order above latticeOrderLimit.
Implementation realiseLattice(const SecondOrderCascade& factored,
                              const ImplementationOptions& options);

// The filter num / den (whole polynomials in z^-1, den[0] = 1) as second-order sections
// through the roots: each complex pair one section, real roots two by two in the order
// found, the numerator's gain (and its delays, for leading zeros) in the first section.
std::vector<SecondOrderSection> sectionsOfPolynomials(const std::vector<double>& num,
                                                      const std::vector<double>& den);

} // namespace zorkan
