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

SquaredModuli cascadeSquaredModuli(const std::vector<FilterSection>& sections, int degree,
                                   long double w) {
    // The harmonics are the same for every section.
    long double cosine[5], sine[5];
    for (int m = 0; m <= degree; ++m) {
        cosine[m] = std::cos(m * w);
        sine[m] = std::sin(m * w);
    }
    SquaredModuli result;
    for (const FilterSection& s : sections) {
        long double nr = 0, ni = 0, dr = 0, di = 0;
        for (int m = 0; m <= degree; ++m) {
            nr += s.a[m] * cosine[m];
            ni -= s.a[m] * sine[m];
            dr += s.b[m] * cosine[m];
            di -= s.b[m] * sine[m];
        }
        result.numerator *= nr * nr + ni * ni;
        result.denominator *= dr * dr + di * di;
    }
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

UnitCirclePoint unitCirclePoint(long double w) {
    return {std::cos(w), std::sin(w), std::cos(2 * w), std::sin(2 * w)};
}

long double cascadeMagnitude(const std::vector<SecondOrderSection>& sections, std::size_t count,
                             long double w) {
    return cascadeMagnitude(sections, count, unitCirclePoint(w));
}

long double cascadeMagnitude(const std::vector<SecondOrderSection>& sections, std::size_t count,
                             const UnitCirclePoint& at) {
    // The squared moduli of the numerators and denominators in real arithmetic, with the
    // cosines and sines found once: the scaling searches evaluate it on fine grids.
    long double numerator = 1, denominator = 1;
    for (std::size_t k = 0; k < count && k < sections.size(); ++k) {
        const SecondOrderSection& s = sections[k];
        const long double nr = s.num[0] + s.num[1] * at.c1 + s.num[2] * at.c2;
        const long double ni = s.num[1] * at.s1 + s.num[2] * at.s2;
        const long double dr = s.den[0] + s.den[1] * at.c1 + s.den[2] * at.c2;
        const long double di = s.den[1] * at.s1 + s.den[2] * at.s2;
        numerator *= nr * nr + ni * ni;
        denominator *= dr * dr + di * di;
    }
    return std::sqrt(numerator / denominator);
}

} // namespace zorkan
