#pragma once
// The least-squares linear-phase FIR filter: the taps that minimise the weighted
// integral of the squared error, sum over bands of weight * integral (A(f) - D(f))^2 df,
// as the unique solution of the normal equations. Frequencies in cycles per sample.
#include "fir/remez.h"

#include <cstddef>
#include <vector>

namespace zorkan {

// The bands' desired amplitude D(f) is theirs (gain, or gain * f in a proportional
// band); the weight is constant over each band and multiplies the absolute error,
// proportional bands included. The integrals are taken in closed form.
std::vector<double> designLeastSquares(std::size_t taps, FirSymmetry symmetry,
                                       const std::vector<FirBand>& bands);

} // namespace zorkan
