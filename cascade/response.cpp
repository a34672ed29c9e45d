#include "cascade/response.h"

#include <cmath>

namespace zorkan {

using creal = std::complex<long double>;

creal polynomialInInverse(const double* c, int degree, creal w) {
    creal v = 0;
    for (int k = degree; k >= 0; --k)
        v = v * w + static_cast<long double>(c[k]);
    return v;
}

CascadeValue cascadeValueAt(const std::vector<FilterSection>& sections, int degree, creal z) {
    CascadeValue result;
    const creal w = creal(1) / z;
    for (const FilterSection& s : sections) {
        const creal numerator = polynomialInInverse(s.a, degree, w);
        const creal denominator = polynomialInInverse(s.b, degree, w);
        if (denominator == creal(0)) {
            result.pole = true;
            return result;
        }
        result.value *= numerator / denominator;
    }
    const double re = static_cast<double>(result.value.real());
    const double im = static_cast<double>(result.value.imag());
    if (!std::isfinite(re) || !std::isfinite(im))
        result.overflow = true;
    return result;
}

creal cascadeResponseAt(const std::vector<SecondOrderSection>& sections, std::size_t count,
                        long double w) {
    const creal inverse = std::polar(1.0L, -w);
    creal h = 1;
    for (std::size_t k = 0; k < count && k < sections.size(); ++k)
        h *= polynomialInInverse(sections[k].num, 2, inverse) /
             polynomialInInverse(sections[k].den, 2, inverse);
    return h;
}

long double cascadeMagnitude(const std::vector<SecondOrderSection>& sections, std::size_t count,
                             long double w) {
    // The squared moduli of the numerators and denominators in real arithmetic, with the
    // cosines and sines found once: the scaling searches evaluate it on fine grids.
    const long double c1 = std::cos(w), s1 = std::sin(w);
    const long double c2 = std::cos(2 * w), s2 = std::sin(2 * w);
    long double numerator = 1, denominator = 1;
    for (std::size_t k = 0; k < count && k < sections.size(); ++k) {
        const SecondOrderSection& s = sections[k];
        const long double nr = s.num[0] + s.num[1] * c1 + s.num[2] * c2;
        const long double ni = s.num[1] * s1 + s.num[2] * s2;
        const long double dr = s.den[0] + s.den[1] * c1 + s.den[2] * c2;
        const long double di = s.den[1] * s1 + s.den[2] * s2;
        numerator *= nr * nr + ni * ni;
        denominator *= dr * dr + di * di;
    }
    return std::sqrt(numerator / denominator);
}

} // namespace zorkan
