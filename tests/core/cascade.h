#pragma once
// An independent evaluation of a cascade's magnitude, with complex arithmetic,
// for checking designs against their requirements.
#include "coefficients/filterfile.h"

#include <cmath>
#include <complex>
#include <vector>

namespace zorkan::testing {

inline double cascadeMagnitude(const std::vector<FilterSection>& sections, double f, double fd) {
    const std::complex<double> zInv = std::polar(1.0, -2 * M_PI * f / fd);
    std::complex<double> h = 1;
    for (const auto& s : sections) {
        std::complex<double> num = 0, den = 0, power = 1;
        for (int m = 0; m < 5; ++m) {
            num += s.a[m] * power;
            den += s.b[m] * power;
            power *= zInv;
        }
        h *= num / den;
    }
    return std::abs(h);
}

inline double decibels(double ratio) {
    return 20 * std::log10(ratio);
}

} // namespace zorkan::testing
