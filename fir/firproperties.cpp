#include "fir/firproperties.h"

#include <algorithm>
#include <cmath>

namespace zorkan {

int linearPhaseType(const std::vector<double>& taps) {
    const std::size_t n = taps.size();
    double largest = 0;
    for (double h : taps)
        largest = std::max(largest, std::fabs(h));
    if (largest == 0)
        return 0;
    const double allowed = linearPhaseTolerance * largest;
    bool symmetric = true, antisymmetric = true;
    for (std::size_t k = 0; k < n; ++k) {
        const double a = taps[k], b = taps[n - 1 - k];
        symmetric = symmetric && std::fabs(a - b) <= allowed;
        antisymmetric = antisymmetric && std::fabs(a + b) <= allowed;
    }
    const bool odd = n % 2 == 1;
    if (symmetric)
        return odd ? 1 : 2;
    if (antisymmetric)
        return odd ? 3 : 4;
    return 0;
}

std::complex<long double> firValueAt(const std::vector<double>& taps, long double omega) {
    // The parts kept apart: the library's complex product checks for infinities at every
    // step, which would make long filters on fine grids several times slower.
    const long double xr = std::cos(omega), xi = -std::sin(omega);
    long double vr = 0, vi = 0;
    for (auto h = taps.rbegin(); h != taps.rend(); ++h) {
        const long double nr = vr * xr - vi * xi + *h;
        vi = vr * xi + vi * xr;
        vr = nr;
    }
    return {vr, vi};
}

} // namespace zorkan
