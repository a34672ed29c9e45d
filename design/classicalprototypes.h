#pragma once
// Low-pass prototypes beyond the design run's three, and the three by a given order:
// Butterworth, Chebyshev type I and II, Bessel and elliptic, each normalised to the
// standard meaning of its edge at Omega = 1. They fill the pole and zero tables of a
// PrototypeFilter, so the bilinear and frequency transformations of the design run
// turn them into sections.
#include "design/prototype.h"

#include <complex>
#include <vector>

namespace zorkan {

// The largest prototype order any design takes: the run's limit of 32 sections.
constexpr int maxPrototypeOrder = 2 * maxSections;

// Each fills p.pRe, p.pIm (upper half-plane poles, k = 1..sections, the real pole of an
// odd order last), p.zero and p.zeroPairs (zero pairs +-jZ paired with the poles of the
// same index) and p.sections from p.n, which must lie in 1..maxPrototypeOrder.

// Butterworth, -3 dB at 1: the poles on the unit circle.
void butterworthPrototype(PrototypeFilter& p);
// Chebyshev type I: the ripple da ends at 1.
void chebyshevPrototype(PrototypeFilter& p, double da);
// Chebyshev type II: the attenuation b1 begins at stopEdge (1 for a design by order).
void chebyshev2Prototype(PrototypeFilter& p, double b1, double stopEdge);
// Bessel: the attenuation at 1 is edgeDb (10 log10 2 for the -3 dB edge).
void besselPrototype(PrototypeFilter& p, double edgeDb);
// Elliptic with ripple da up to 1 and attenuation b1 from 1/k on, k from the degree
// equation of the order.
void ellipticPrototype(PrototypeFilter& p, double da, double b1);

// The coefficients c[0..n] of the reverse Bessel polynomial of order n (c[k] of s^k):
// c[k] = (2n - k)! / (2^(n-k) k! (n-k)!).
std::vector<long double> besselPolynomial(int n);
// Its n roots (unnormalised, delay 1), each complex pair and the real root once.
std::vector<std::complex<long double>> besselRoots(int n);
// Attenuation in dB of the unnormalised Bessel filter of order n at frequency w.
long double besselAttenuation(int n, long double w);
// The frequency where that attenuation reaches db.
long double besselFrequency(int n, long double db);

// Jacobi's complete elliptic integral of the first kind K(k), modulus k in [0, 1).
long double ellipticK(long double k);
// The modulus k = Omega_p / Omega_s that the degree equation gives an order n with the
// discrimination k1 = sqrt((10^(da/10) - 1) / (10^(b1/10) - 1)).
long double ellipticModulus(int n, long double k1);
// The zeros Z_i = 1 / (k cd(u_i K(k), k)), u_i = (2i - 1) / n, i = 1..floor(n/2).
std::vector<long double> ellipticZeros(int n, long double k);

} // namespace zorkan
