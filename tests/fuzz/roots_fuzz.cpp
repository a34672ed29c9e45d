// The root finder on the section polynomials of any parameter file: the roots must be
// finite, each multiplicity must count its copies, and lead * product of (z - r) must
// reproduce the polynomial to 1e-9 of its largest coefficient wherever the nonzero
// coefficients span at most 24 decades (beyond that the roots are still computed, but
// a product of roots of such different sizes cannot hold the small coefficients).
#include "analysis/filteranalysis.h"
#include "tests/fuzz/fuzzinput.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace {

using cplx = std::complex<long double>;

void check(const double* c, int degree) {
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
    std::vector<cplx> p{cplx(c[first])};
    for (const zorkan::PolynomialRoot& r : roots) {
        if (!std::isfinite(r.z.real()) || !std::isfinite(r.z.imag()))
            __builtin_trap();
        const auto copies = std::count_if(roots.begin(), roots.end(), [&](const auto& s) {
            return s.z == r.z && s.multiplicity == r.multiplicity;
        });
        if (copies != r.multiplicity)
            __builtin_trap();
        p.push_back(0);
        for (std::size_t k = p.size() - 1; k > 0; --k)
            p[k] -= r.z * p[k - 1];
    }
    if (static_cast<int>(roots.size()) != degree - first)
        __builtin_trap();
    if (largest / smallest > 1e24L)
        return;
    for (std::size_t k = 0; k < p.size(); ++k)
        if (!(std::abs(p[k] - static_cast<long double>(c[first + k])) <= 1e-9L * largest))
            __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorkan;
    auto in = fuzz::readerOf(data, size);
    fuzz::expectOnlyZorkanErrors([&] {
        const FilterCoefficients f = readAnalysedFilter(in);
        const int d = sectionDegree(f);
        for (const FilterSection& s : f.sections) {
            check(s.a, d);
            check(s.b, d);
        }
    });
    return 0;
}
