#pragma once
// The two transforms governed by a coefficient K (0 < K < 1 from the dialog, though any
// value is computed): the recursive algorithm and the transform with spectrum shift.
#include "spectral/spectrumtable.h"

namespace zorkan {

// y_n = x_n + K·e^(i·nθ)·y_(n−1), y_(−1) = 0, in place; setPolar of every point.
void recursiveSpectrum(SpectrumPoints& table, double K);

// Point k := Σ_n K^(1023−n)·x_n·e^(−i·(kθ)·n), accumulated as S := S·K + t over n, with no
// scale and no threshold; then setPolar of every point. The frequencies are independent,
// so they are shared out among `threads` threads (0: as many as the machine has, at most
// two); every point is computed by the same steps in the same order whatever the count.
void shiftedSpectrum(SpectrumPoints& table, double K, unsigned threads = 0);

} // namespace zorkan
