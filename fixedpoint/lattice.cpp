#include "fixedpoint/lattice.h"

#include <cmath>
#include <limits>

namespace zorkan {

namespace {

using real = long double;

// Step-up of one order: A_m(z) = A_{m-1}(z) + k z^-m A_{m-1}(1/z).
std::vector<real> stepUp(const std::vector<real>& a, real k) {
    const std::size_t m = a.size(); // the new order
    std::vector<real> next(m + 1, 0);
    for (std::size_t i = 0; i < m; ++i)
        next[i] = a[i];
    for (std::size_t i = 1; i <= m; ++i)
        next[i] += k * a[m - i];
    return next;
}

// A_0 .. A_N of reflection coefficients k_1..k_N.
std::vector<std::vector<real>> stepUpAll(std::span<const double> reflection) {
    std::vector<std::vector<real>> a{{1}};
    for (double k : reflection)
        a.push_back(stepUp(a.back(), k));
    return a;
}

// The low 32 bits of v as a signed number.
std::int64_t low32(std::int64_t v) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
}

std::int64_t saturate(std::int64_t v, int bits, long long& overflows) {
    const std::int64_t top = (std::int64_t{1} << (bits - 1)) - 1;
    const std::int64_t bottom = -top - 1;
    if (v > top || v < bottom) {
        ++overflows;
        return v > top ? top : bottom;
    }
    return v;
}

// The equations of the lattice on any number type (the reference and the node norms).
template <typename T, typename Node>
T latticeStep(std::span<const double> k, std::span<const double> v, std::span<T> state, T x,
              Node node) {
    const std::size_t n = k.size();
    T f = x, acc = 0;
    for (std::size_t j = 0; j < n; ++j) {
        const std::size_t m = n - j; // stage m: k_m, v_m
        const T g1 = state[j];       // g_{m-1}(n-1)
        f = f - static_cast<T>(k[m - 1]) * g1;
        const T g = static_cast<T>(k[m - 1]) * f + g1;
        acc = acc + g * static_cast<T>(v[m]);
        node(m - 1, f);
        node(n + m - 1, g);
        state[j] = g;
    }
    acc = acc + f * static_cast<T>(v[0]);
    node(2 * n, acc);
    // The kernel writes g_N(n) .. g_1(n), f_0(n) and moves its window one place on: the
    // next sample reads g_{N-1}(n) .. g_0(n).
    for (std::size_t j = 0; j + 1 < n; ++j)
        state[j] = state[j + 1];
    if (n > 0)
        state[n - 1] = f;
    return acc;
}

} // namespace

std::vector<double> reflectionCoefficients(std::span<const double> den) {
    const std::size_t n = den.empty() ? 0 : den.size() - 1;
    std::vector<real> a(den.begin(), den.end());
    std::vector<double> k(n, std::numeric_limits<double>::quiet_NaN());
    for (std::size_t m = n; m >= 1; --m) {
        const real km = a[m] / a[0];
        k[m - 1] = static_cast<double>(km);
        if (!(std::fabs(km) < 1))
            break;
        std::vector<real> lower(m);
        for (std::size_t i = 0; i < m; ++i)
            lower[i] = (a[i] - km * a[m - i]) / (1 - km * km);
        a = lower;
    }
    return k;
}

std::vector<double> denominatorOf(std::span<const double> reflection) {
    const std::vector<real> a = stepUpAll(reflection).back();
    return {a.begin(), a.end()};
}

std::vector<double> ladderCoefficients(std::span<const double> num,
                                       std::span<const double> reflection) {
    const std::size_t n = reflection.size();
    const std::vector<std::vector<real>> a = stepUpAll(reflection);
    std::vector<real> v(n + 1, 0);
    for (std::size_t m = n + 1; m-- > 0;) {
        real c = m < num.size() ? num[m] : 0;
        for (std::size_t j = m + 1; j <= n; ++j)
            c -= v[j] * a[j][j - m];
        v[m] = c;
    }
    return {v.begin(), v.end()};
}

std::vector<double> ladderCoefficientsOverDenominator(std::span<const double> num,
                                                      std::span<const double> den) {
    const std::vector<double> k = reflectionCoefficients(den);
    return ladderCoefficients(num, k);
}

std::vector<double> numeratorOf(std::span<const double> ladder,
                                std::span<const double> reflection) {
    const std::size_t n = reflection.size();
    const std::vector<std::vector<real>> a = stepUpAll(reflection);
    std::vector<real> c(n + 1, 0);
    // B_m(z) = z^-m A_m(1/z): its coefficient of z^-i is a_m[m - i].
    for (std::size_t m = 0; m <= n && m < ladder.size(); ++m)
        for (std::size_t i = 0; i <= m; ++i)
            c[i] += ladder[m] * a[m][m - i];
    return {c.begin(), c.end()};
}

std::int64_t latticeStepQ15(std::span<const std::int64_t> k, std::span<const std::int64_t> v,
                            std::span<std::int64_t> state, std::int64_t x, long long& overflows) {
    const std::size_t n = k.size();
    std::int64_t f = x, acc = 0;
    for (std::size_t j = 0; j < n; ++j) {
        const std::size_t m = n - j;
        const std::int64_t g1 = state[j];
        // 32-bit products of 16-bit words; the shift of a negative number is a floor.
        f = saturate(f - ((g1 * k[m - 1]) >> 15), 16, overflows);
        const std::int64_t g = saturate(((f * k[m - 1]) >> 15) + g1, 16, overflows);
        acc += g * v[m];
        state[j] = g;
    }
    acc += f * v[0];
    for (std::size_t j = 0; j + 1 < n; ++j)
        state[j] = state[j + 1];
    state[n - 1] = f;
    // The saturating instruction takes the shifted sum's low 32 bits.
    const std::int64_t shifted = acc >> 15;
    const std::int64_t y = saturate(low32(shifted), 16, overflows);
    if (y == low32(shifted) && y != shifted)
        ++overflows;
    return y;
}

std::int64_t latticeStepQ31(std::span<const std::int64_t> k, std::span<const std::int64_t> v,
                            std::span<std::int64_t> state, std::int64_t x, long long& overflows) {
    const std::size_t n = k.size();
    std::int64_t f = x;
    // The 64-bit sum wraps; the exact one, for the count, from the products' high and low
    // 32 bits apart.
    std::uint64_t acc = 0;
    std::int64_t high = 0, low = 0;
    const auto add = [&](std::int64_t p) {
        acc += static_cast<std::uint64_t>(p);
        high += p >> 32;
        low += p & 0xffffffff;
    };
    for (std::size_t j = 0; j < n; ++j) {
        const std::size_t m = n - j;
        const std::int64_t g1 = state[j];
        f = saturate(f - low32((g1 * k[m - 1]) >> 31), 32, overflows);
        const std::int64_t g = saturate(g1 + low32((f * k[m - 1]) >> 31), 32, overflows);
        add(g * v[m]);
        state[j] = g;
    }
    add(f * v[0]);
    for (std::size_t j = 0; j + 1 < n; ++j)
        state[j] = state[j + 1];
    state[n - 1] = f;
    const std::int64_t wrapped = static_cast<std::int64_t>(acc);
    const std::int64_t y = low32(wrapped >> 31);
    const std::int64_t exactHigh = high + (low >> 32);
    const bool in64 = exactHigh >= -(std::int64_t{1} << 31) && exactHigh < (std::int64_t{1} << 31);
    if (!in64 || (wrapped >> 31) != y)
        ++overflows;
    return y;
}

float latticeStepF32(std::span<const float> k, std::span<const float> v, std::span<float> state,
                     float x) {
    const std::size_t n = k.size();
    float f = x, acc = 0;
    for (std::size_t j = 0; j < n; ++j) {
        const std::size_t m = n - j;
        const float g1 = state[j];
        const float kg = k[m - 1] * g1;
        f = f - kg;
        const float kf = f * k[m - 1];
        const float g = kf + g1;
        const float gv = g * v[m];
        acc = acc + gv;
        state[j] = g;
    }
    const float fv = f * v[0];
    acc = acc + fv;
    for (std::size_t j = 0; j + 1 < n; ++j)
        state[j] = state[j + 1];
    state[n - 1] = f;
    return acc;
}

double latticeStepDouble(std::span<const double> k, std::span<const double> v,
                         std::span<double> state, double x) {
    return latticeStep<double>(k, v, state, x, [](std::size_t, double) {});
}

LatticeNorms latticeNorms(std::span<const double> k, std::span<const double> v,
                          std::size_t samples) {
    const std::size_t n = k.size();
    std::vector<real> sums(2 * n + 1, 0);
    std::vector<real> state(n, 0);
    for (std::size_t t = 0; t < samples; ++t)
        latticeStep<real>(k, v, state, t == 0 ? 1 : 0, [&sums](std::size_t node, real value) {
            sums[node] += std::fabs(value);
        });
    LatticeNorms norms;
    for (std::size_t i = 0; i < 2 * n; ++i)
        if (sums[i] > norms.nodes) {
            norms.nodes = static_cast<double>(sums[i]);
            norms.worstNode = i;
        }
    norms.output = static_cast<double>(sums[2 * n]);
    return norms;
}

std::vector<double> latticeNodeImpulse(std::span<const double> k, std::span<const double> v,
                                       std::size_t node, std::size_t samples) {
    std::vector<double> h(samples, 0);
    std::vector<real> state(k.size(), 0);
    for (std::size_t t = 0; t < samples; ++t)
        latticeStep<real>(k, v, state, t == 0 ? 1 : 0, [&](std::size_t i, real value) {
            if (i == node)
                h[t] = static_cast<double>(value);
        });
    return h;
}

} // namespace zorkan
