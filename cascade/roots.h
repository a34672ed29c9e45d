#pragma once
// Roots of the polynomials of filter sections: in z of c0 z^d + c1 z^(d-1) + ... + cd,
// which is c0 + c1 z^-1 + ... + cd z^-d times z^d, the form a parameter file stores.
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
// different sizes, and close ones, are all found. Approximations that meet are one
// multiple root where the polynomial's derivatives confirm it, placed at the root of the
// derivative of one order less. Conjugate pairs are exact conjugates; the order is by
// real part, then by imaginary part from the top.
std::vector<PolynomialRoot> rootsWithMultiplicity(const double* c, int degree);
std::vector<std::complex<long double>> polynomialRoots(const double* c, int degree);

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
