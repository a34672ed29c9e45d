#pragma once
// The invariants of the root finder, for the fuzzing harnesses of the readers of filter
// files: the roots must be finite and as many as the degree without the leading zeros;
// where the nonzero coefficients span at most 24 decades, also each multiplicity must
// count its copies and lead * product of (z - r) must reproduce the polynomial to 1e-9 of
// its largest coefficient (beyond that span the roots are still computed, but a product
// of roots of such different sizes cannot hold the small coefficients, and the smallest
// roots are not always told apart). A broken invariant stops the harness.
#include "cascade/roots.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace zorkan::fuzz {

inline void checkRoots(const double* c, int degree) {
    const std::vector<zorkan::PolynomialRoot> roots = zorkan::rootsWithMultiplicity(c, degree);
    int first = 0;
    while (first <= degree && c[first] == 0)
        ++first;
    if (first > degree)
        return;
    long double largest = 0, smallest = INFINITY;
    for (int k = 0; k <= degree; ++k) {
        if (c[k] != 0) {
            largest = std::max(largest, static_cast<long double>(std::fabs(c[k])));
            smallest = std::min(smallest, static_cast<long double>(std::fabs(c[k])));
        }
    }
    std::vector<std::complex<long double>> p{std::complex<long double>(c[first])};
    for (const zorkan::PolynomialRoot& r : roots) {
        if (!std::isfinite(r.z.real()) || !std::isfinite(r.z.imag()))
            __builtin_trap();
        p.push_back(0);
        for (std::size_t k = p.size() - 1; k > 0; --k)
            p[k] -= r.z * p[k - 1];
    }
    if (static_cast<int>(roots.size()) != degree - first)
        __builtin_trap();
    if (largest / smallest > 1e24L)
        return;
    for (const zorkan::PolynomialRoot& r : roots) {
        const auto copies = std::count_if(roots.begin(), roots.end(), [&](const auto& s) {
            return s.z == r.z && s.multiplicity == r.multiplicity;
        });
        if (copies != r.multiplicity)
            __builtin_trap();
    }
    for (std::size_t k = 0; k < p.size(); ++k)
        if (!(std::abs(p[k] - static_cast<long double>(c[first + k])) <= 1e-9L * largest))
            __builtin_trap();
}

} // namespace zorkan::fuzz
