#pragma once
// Roots of the polynomials of filter sections: in z of c0 z^d + c1 z^(d-1) + ... + cd,
// which is c0 + c1 z^-1 + ... + cd z^-d times z^d, the form a parameter file stores.
#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace zorkan {

struct PolynomialRoot {
    std::complex<long double> z;
    int multiplicity = 1; // how many of the roots coincide here (each is listed)
};

// Every root, each multiple root listed as often as its multiplicity, all of its copies
// equal and carrying the multiplicity. Each zero trailing coefficient is a root at the
// origin, each zero leading one a root at infinity, which is left out; a polynomial
// that vanishes entirely has none. Only coefficients that are exactly zero count as zero.
//
// The polynomial is scaled in z by a power of two so that its first and last
// coefficients have the same size; first approximations are the eigenvalues of its
// balanced companion matrix in extended precision, refined together (Aberth's
// iteration) on values computed in twice the extended precision, so that roots of very
// different sizes, and close ones, are all found. Their product must reproduce each
// coefficient against the sum of the moduli of the terms that make it up, so that the
// small roots of a badly scaled polynomial count as much as its large ones; else the
// iteration starts again from other points. Approximations that meet are one
// multiple root where the polynomial's derivatives confirm it, placed at the root of the
// derivative of one order less; values that still coincide are listed as one multiple
// root, never as simple roots found twice. Conjugate pairs are exact conjugates; the
// order is by real part, then by imaginary part from the top.
//
// Above eigenvalueDegreeLimit (after the zero coefficients at either end are taken off)
// the companion matrix would take too long: the iteration starts from the Newton
// polygon's circles, on values in plain extended precision, and the roots are all taken
// as simple. Well-separated roots are found to a few units of the last digit of a
// double up to degree maxRootDegree (the longest FIR filter); a multiple root comes out
// as a ring of simple roots about it.
constexpr int eigenvalueDegreeLimit = 128;
constexpr int maxRootDegree = 8191;
std::vector<PolynomialRoot> rootsWithMultiplicity(const double* c, int degree);
// The same for coefficients in extended precision (a polynomial computed, not read).
std::vector<PolynomialRoot> rootsWithMultiplicity(const long double* c, int degree);
std::vector<std::complex<long double>> polynomialRoots(const double* c, int degree);

// Aberth's simultaneous iteration on approximations z of the roots of a polynomial p, in
// any complex arithmetic C (std::complex, or a pair of parts of a wider type): each
// moves by Newton's step corrected for the others,
//     z_i -= w / (1 - w * the sum over j != i of 1 / (z_i - z_j)),  w = p(z_i) / p'(z_i),
// so that two approximations cannot settle on one simple root and clusters keep their
// number of members. newtonStep(z_i, w) sets w, or returns false where p(z_i) = 0, a
// root found. modulus(x) is |x| in long double, not finite where a part of x is not. The
// sweeps end once no step of a sweep is above `settled` of its root's modulus, or none
// could be taken, or after `sweeps` of them.
template <class C, class NewtonStep, class Modulus>
void aberthIteration(std::vector<C>& z, NewtonStep newtonStep, Modulus modulus, long double settled,
                     int sweeps) {
    const std::size_t n = z.size();
    const C one{1, 0};
    for (int sweep = 0; sweep < sweeps; ++sweep) {
        long double largest = 0;
        bool moving = false;
        for (std::size_t i = 0; i < n; ++i) {
            C w{};
            if (!newtonStep(z[i], w))
                continue;
            C others{};
            for (std::size_t j = 0; j < n; ++j)
                if (j != i && z[j] != z[i])
                    others = others + one / (z[i] - z[j]);
            const C step = w / (one - w * others);
            const C next = z[i] - step;
            if (!std::isfinite(modulus(next)))
                continue;
            z[i] = next;
            largest = std::max(largest, modulus(step) / std::max(modulus(next), 1e-300L));
            moving = true;
        }
        if (!moving || largest <= settled)
            break;
    }
}

// The two roots of a z^2 + b z + c (a != 0), the larger in modulus first, without
// cancellation; for a negative discriminant the one with the positive imaginary part
// first.
struct QuadraticRoots {
    std::complex<long double> first, second;
};
QuadraticRoots quadraticRoots(long double a, long double b, long double c);

// The largest pole radius of 1 + d1 z^-1 + d2 z^-2.
long double poleRadius(long double d1, long double d2);

// True when every root of c0 z^d + ... + cd (c0 != 0) lies strictly inside the unit
// circle, by the Schur-Cohn step-down recursion on the coefficients themselves: a check
// of the stability verdict that does not depend on the roots found.
bool insideUnitCircle(const double* c, int degree);

} // namespace zorkan
