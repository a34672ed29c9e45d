#include "design/classicalprototypes.h"

#include "cascade/roots.h"
#include "common/errors.h"

#include <algorithm>
#include <array>
#include <boost/multiprecision/cpp_bin_float.hpp>
#include <cmath>
#include <mutex>

namespace zorkan {

namespace {

using real = long double;
using complex = std::complex<real>;
const real pi = 3.141592653589793238462643383279502884L;

void setOrder(PrototypeFilter& p) {
    p.sections = sectionCount(p.n);
    p.zeroPairs = 0;
    p.pRe.fill(0);
    p.pIm.fill(0);
    p.zero.fill(0);
}

// The design run's own pole formulas, by approximation.
void describedPoles(PrototypeFilter& p, Approximation approximation, double eps2, double da) {
    const Approximation kept = p.approximation;
    setOrder(p);
    p.approximation = approximation;
    p.eps2 = eps2;
    computePoles(p, da);
    p.approximation = kept;
}

// ---- Bessel ----

// theta_n(s) and its derivative by the three-term recurrence
// theta_k = (2k - 1) theta_(k-1) + s^2 theta_(k-2), theta_0 = 1, theta_1 = s + 1.
void besselValue(int n, complex s, complex& value, complex& slope) {
    complex t0 = 1, t1 = s + real(1);
    complex d0 = 0, d1 = 1;
    if (n == 0) {
        value = t0;
        slope = d0;
        return;
    }
    const complex s2 = s * s;
    for (int k = 2; k <= n; ++k) {
        const complex t2 = real(2 * k - 1) * t1 + s2 * t0;
        const complex d2 = real(2 * k - 1) * d1 + real(2) * s * t0 + s2 * d0;
        t0 = t1;
        t1 = t2;
        d0 = d1;
        d1 = d2;
    }
    value = t1;
    slope = d1;
}

// Complex numbers in the arithmetic T, for the roots of theta_n.
template <class T> struct Cx {
    T re, im;
    bool operator==(const Cx&) const = default;
};
template <class T> Cx<T> operator+(const Cx<T>& a, const Cx<T>& b) {
    return {a.re + b.re, a.im + b.im};
}
template <class T> Cx<T> operator-(const Cx<T>& a, const Cx<T>& b) {
    return {a.re - b.re, a.im - b.im};
}
template <class T> Cx<T> operator*(const Cx<T>& a, const Cx<T>& b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
template <class T> Cx<T> operator/(const Cx<T>& a, const Cx<T>& b) {
    const T m = b.re * b.re + b.im * b.im;
    return {(a.re * b.re + a.im * b.im) / m, (a.im * b.re - a.re * b.im) / m};
}
template <class T> Cx<T> scaled(int f, const Cx<T>& a) {
    return {a.re * f, a.im * f};
}

// The roots of theta_n in the arithmetic T by Aberth's iteration from the estimates z,
// until every step is below `settled` relative to its root.
template <class T> void aberth(int n, std::vector<complex>& roots, long double settled) {
    constexpr int sweeps = 100;
    std::vector<Cx<T>> z(n);
    for (int k = 0; k < n; ++k)
        z[k] = {T(roots[k].real()), T(roots[k].imag())};
    const Cx<T> one{T(1), T(0)};
    // theta_n / theta_n' by the recurrence.
    const auto newtonStep = [&](const Cx<T>& x, Cx<T>& w) {
        Cx<T> t0 = one, t1{x.re + 1, x.im}, d0{T(0), T(0)}, d1 = one;
        const Cx<T> x2 = x * x;
        for (int m = 2; m <= n; ++m) {
            const Cx<T> t2 = scaled(2 * m - 1, t1) + x2 * t0;
            const Cx<T> d2 = scaled(2 * m - 1, d1) + scaled(2, x * t0) + x2 * d0;
            t0 = t1;
            t1 = t2;
            d0 = d1;
            d1 = d2;
        }
        if (t1.re == 0 && t1.im == 0)
            return false;
        w = t1 / d1;
        return true;
    };
    const auto modulus = [](const Cx<T>& x) {
        return std::sqrt(static_cast<real>(x.re * x.re + x.im * x.im));
    };
    aberthIteration(z, newtonStep, modulus, settled, sweeps);
    for (int k = 0; k < n; ++k)
        roots[k] = complex(static_cast<real>(z[k].re), static_cast<real>(z[k].im));
}

__extension__ typedef __float128 quad;
// Enough digits for the roots of the highest orders, whose sensitivity grows by about a
// digit an order.
using wide = boost::multiprecision::number<boost::multiprecision::cpp_bin_float<100>,
                                           boost::multiprecision::et_off>;

std::vector<complex> computeBesselRoots(int n) {
    // The roots lie close to an arc of the circle about 0.39 n of radius 1.07 n, between
    // the angles pi -+ 60 degrees, where the iteration starts. Low orders converge in
    // extended precision; higher ones need quadruple precision and beyond, since the
    // roots nearest the real axis grow ever more sensitive to rounding.
    std::vector<complex> z(n);
    for (int k = 0; k < n; ++k) {
        const real angle = pi + (2.0L * k + 1 - n) / n * 1.05L;
        z[k] = real(n) * (0.39L + 1.07L * std::polar(1.0L, angle)) + complex(0, 0.01L);
    }
    if (n <= 8)
        aberth<real>(n, z, 1e-16L);
    else if (n <= 24)
        aberth<quad>(n, z, 1e-20L);
    else
        aberth<wide>(n, z, 1e-24L);
    return z;
}

// |theta_n(jw)|^2 / theta_n(0)^2 in dB.
real besselLoss(int n, real w) {
    complex v, d;
    besselValue(n, complex(0, w), v, d);
    complex v0, d0;
    besselValue(n, 0, v0, d0);
    return 10 * std::log10(std::norm(v) / std::norm(v0));
}

// ---- elliptic functions through the descending Landen sequence ----

// The complementary modulus kp is taken as given: for k close to 1 it cannot be
// found from k without losing its digits.
std::vector<real> landen(real k, real kp) {
    std::vector<real> v;
    while (k > 1e-30L && v.size() < 40) {
        k = k / (1 + kp);
        k *= k;
        kp = std::sqrt((1 - k) * (1 + k));
        v.push_back(k);
    }
    return v;
}

std::vector<real> landen(real k) {
    return landen(k, std::sqrt((1 - k) * (1 + k)));
}

// The modulus and its complement that the degree equation gives order n, from the
// theta functions of the nome q = q1^(1/n): k = (theta2 / theta3)^2, kp = (theta4 / theta3)^2.
void modulusPair(int n, real k1, real& k, real& kp) {
    const real k1p = std::sqrt((1 - k1) * (1 + k1));
    const real q1 = std::exp(-pi * ellipticK(k1p) / ellipticK(k1));
    const real q = std::pow(q1, 1.0L / n);
    real theta2 = 1, theta3 = 1, theta4 = 1; // theta2 without its factor 2 q^(1/4)
    for (int m = 1; m <= 200; ++m) {
        const real square = std::pow(q, static_cast<real>(m) * m);
        theta2 += std::pow(q, static_cast<real>(m) * (m + 1));
        theta3 += 2 * square;
        theta4 += (m % 2 != 0 ? -2 : 2) * square;
        if (square < 1e-40L)
            break;
    }
    const real r2 = theta2 / theta3, r4 = theta4 / theta3;
    k = 4 * std::sqrt(q) * r2 * r2;
    kp = r4 * r4;
}

std::vector<real> zerosOf(int n, real k, const std::vector<real>& v);

// cd(uK, k) from w = cos(u pi / 2), sn(uK, k) from w = sin(u pi / 2).
complex ascend(complex w, const std::vector<real>& v) {
    for (std::size_t i = v.size(); i-- > 0;)
        w = (1 + v[i]) * w / (real(1) + v[i] * w * w);
    return w;
}

complex cde(complex u, const std::vector<real>& v) {
    return ascend(std::cos(u * (pi / 2)), v);
}
complex sne(complex u, const std::vector<real>& v) {
    return ascend(std::sin(u * (pi / 2)), v);
}

// u with sn(uK, k) = w.
complex asne(complex w, real k, const std::vector<real>& v) {
    real previous = k;
    for (real vn : v) {
        w = w / (real(1) + std::sqrt(real(1) - w * w * previous * previous)) * (2 / (1 + vn));
        previous = vn;
    }
    return real(1) - std::acos(w) * (2 / pi);
}

// Z_i = 1 / (k cd(u_i K, k)).
std::vector<real> zerosOf(int n, real k, const std::vector<real>& v) {
    std::vector<real> zeros;
    for (int i = 1; i <= n / 2; ++i)
        zeros.push_back(1 / (k * cde((2.0L * i - 1) / n, v).real()));
    return zeros;
}

} // namespace

void butterworthPrototype(PrototypeFilter& p) {
    describedPoles(p, Approximation::Butterworth, 1.0, 0.0);
}

void chebyshevPrototype(PrototypeFilter& p, double da) {
    describedPoles(p, Approximation::Chebyshev, epsilonSquared(da), da);
}

void chebyshev2Prototype(PrototypeFilter& p, double b1, double stopEdge) {
    setOrder(p);
    const real n = p.n;
    // The type I poles of ripple parameter e = 1 / sqrt(10^(b1/10) - 1), inverted.
    const real a = std::pow(10.0L, b1 / 10.0L);
    const real mu = std::log(std::sqrt(a - 1) + std::sqrt(a)) / n;
    const real sh = std::sinh(mu), ch = std::cosh(mu);
    const int pairs = p.n / 2;
    for (int k = 1; k <= p.sections; ++k) {
        const real theta = (2.0L * k - 1) / (2 * n) * pi;
        const real re = -sh * std::sin(theta);
        const real im = k <= pairs ? ch * std::cos(theta) : 0;
        const real m = re * re + im * im;
        p.pRe[k] = static_cast<double>(stopEdge * re / m);
        p.pIm[k] = static_cast<double>(stopEdge * im / m);
        if (k <= pairs)
            p.zero[k] = static_cast<double>(stopEdge / std::cos(theta));
    }
    p.zeroPairs = static_cast<std::uint16_t>(pairs);
}

std::vector<long double> besselPolynomial(int n) {
    // From c[n] = 1 down by the ratio of neighbours, c[k-1] / c[k] = (2n - k + 1) k / (2 (n - k +
    // 1)), every step exact in integers while the values fit the extended mantissa.
    std::vector<long double> c(static_cast<std::size_t>(n) + 1);
    c[n] = 1;
    for (int k = n; k >= 1; --k)
        c[k - 1] = c[k] * static_cast<real>(2 * n - k + 1) * k / (2.0L * (n - k + 1));
    return c;
}

std::vector<std::complex<long double>> besselRoots(int n) {
    // The roots of an order are found once.
    static std::mutex guard;
    static std::array<std::vector<complex>, maxPrototypeOrder + 1> known;
    const std::lock_guard<std::mutex> lock(guard);
    if (n >= 1 && n <= maxPrototypeOrder) {
        if (known[n].empty())
            known[n] = computeBesselRoots(n);
        return known[n];
    }
    return computeBesselRoots(n);
}

long double besselAttenuation(int n, long double w) {
    return besselLoss(n, w);
}

long double besselFrequency(int n, long double db) {
    real high = 1;
    while (besselLoss(n, high) < db && high < 1e6L)
        high *= 2;
    real low = 0;
    for (int i = 0; i < 200 && high - low > high * 1e-19L; ++i) {
        const real middle = (low + high) / 2;
        (besselLoss(n, middle) < db ? low : high) = middle;
    }
    return (low + high) / 2;
}

void besselPrototype(PrototypeFilter& p, double edgeDb) {
    setOrder(p);
    const int n = p.n;
    const real scale = besselFrequency(n, edgeDb);
    std::vector<complex> roots = besselRoots(n);
    std::vector<complex> upper;
    complex realRoot = 0;
    for (const complex& r : roots) {
        if (std::abs(r.imag()) > 1e-9L * std::abs(r))
            if (r.imag() > 0)
                upper.push_back(r);
            else
                continue;
        else
            realRoot = complex(r.real(), 0);
    }
    // The pairs from the one nearest the imaginary axis, as the other prototypes have them.
    std::sort(upper.begin(), upper.end(), [](const complex& x, const complex& y) {
        return x.imag() / std::abs(x) > y.imag() / std::abs(y);
    });
    if (static_cast<int>(upper.size()) != n / 2)
        throw FloatError("Invalid floating point operation");
    for (int k = 1; k <= n / 2; ++k) {
        p.pRe[k] = static_cast<double>(upper[k - 1].real() / scale);
        p.pIm[k] = static_cast<double>(upper[k - 1].imag() / scale);
    }
    if (n % 2 != 0) {
        p.pRe[p.sections] = static_cast<double>(realRoot.real() / scale);
        p.pIm[p.sections] = 0;
    }
}

long double ellipticK(long double k) {
    real a = 1, b = std::sqrt((1 - k) * (1 + k));
    for (int i = 0; i < 40 && std::fabs(a - b) > a * 1e-19L; ++i) {
        const real m = (a + b) / 2;
        b = std::sqrt(a * b);
        a = m;
    }
    return pi / (a + b);
}

long double ellipticModulus(int n, long double k1) {
    real k = 0, kp = 0;
    modulusPair(n, k1, k, kp);
    return k;
}

std::vector<long double> ellipticZeros(int n, long double k) {
    return zerosOf(n, k, landen(k));
}

void ellipticPrototype(PrototypeFilter& p, double da, double b1) {
    setOrder(p);
    const int n = p.n;
    const real ep = std::sqrt(std::pow(10.0L, da / 10.0L) - 1);
    const real es = std::sqrt(std::pow(10.0L, b1 / 10.0L) - 1);
    const real k1 = ep / es;
    real k = 0, kp = 0;
    modulusPair(n, k1, k, kp);
    const std::vector<real> v = landen(k, kp);
    const std::vector<real> v1 = landen(k1);
    const real v0 = (asne(complex(0, 1 / ep), k1, v1) / complex(0, real(n))).real();
    const std::vector<real> zeros = zerosOf(n, k, v);
    const int pairs = n / 2;
    for (int i = 1; i <= pairs; ++i) {
        const real u = (2.0L * i - 1) / n;
        const complex pole = complex(0, 1) * cde(complex(u, -v0), v);
        p.pRe[i] = static_cast<double>(-std::fabs(pole.real()));
        p.pIm[i] = static_cast<double>(std::fabs(pole.imag()));
        p.zero[i] = static_cast<double>(zeros[i - 1]);
    }
    if (n % 2 != 0) {
        const complex pole = complex(0, 1) * sne(complex(0, v0), v);
        p.pRe[pairs + 1] = static_cast<double>(-std::fabs(pole.real()));
        p.pIm[pairs + 1] = 0;
    }
    p.zeroPairs = static_cast<std::uint16_t>(pairs);
}

} // namespace zorkan
