// The four transforms: worked cases, and independent checks against a naive DFT and the
// closed forms of the two recursions.
#include "common/errors.h"
#include "spectral/fourier.h"
#include "spectral/recursive.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <cstring>
#include <memory>

namespace zorkan {
namespace {

using Complex = std::complex<double>;
const double pi = std::acos(-1.0);

std::unique_ptr<SpectrumPoints> table(Complex (*x)(std::size_t)) {
    auto t = std::make_unique<SpectrumPoints>();
    for (std::size_t n = 0; n < spectrumLength; ++n) {
        (*t)[n].re = x(n).real();
        (*t)[n].im = x(n).imag();
    }
    return t;
}

Complex cosine10(std::size_t n) {
    return std::cos(2 * pi * 10 * static_cast<double>(n) / 1024);
}
Complex constant(std::size_t) {
    return 1;
}
Complex impulse512(std::size_t n) {
    return n == 0 ? 512 : 0;
}
Complex nothing(std::size_t) {
    return 0;
}
// Reproducible complex points of size about 1 with no structure.
Complex scattered(std::size_t n) {
    std::uint32_t s = static_cast<std::uint32_t>(n) * 2654435761u + 12345u;
    const double a = (s >> 8) / 16777216.0 - 0.5;
    s = s * 1103515245u + 12345u;
    const double b = (s >> 8) / 16777216.0 - 0.5;
    return {2 * a, 2 * b};
}

// Σ x_n e^(sign·2πi·kn/1024), term by term in extended precision, the angle reduced
// exactly to one of the 1024 roots of unity.
Complex naiveDft(const SpectrumPoints& x, std::size_t k, int sign) {
    static const auto roots = [] {
        std::array<std::complex<long double>, spectrumLength> r;
        for (std::size_t m = 0; m < spectrumLength; ++m)
            r[m] = std::polar(1.0L, 2 * std::acos(-1.0L) * m / 1024);
        return r;
    }();
    std::complex<long double> sum = 0;
    for (std::size_t n = 0; n < spectrumLength; ++n) {
        const std::complex<long double> root = roots[(k * n) % 1024];
        sum += std::complex<long double>(x[n].re, x[n].im) * (sign > 0 ? root : std::conj(root));
    }
    return {static_cast<double>(sum.real()), static_cast<double>(sum.imag())};
}

// The inverse transform keeps the phase of its point before the last negation.
void expectPolar(const SpectrumPoint& p, std::size_t k, double imSign = 1) {
    EXPECT_EQ(p.magnitude, std::sqrt(p.re * p.re + p.im * p.im)) << k;
    if (p.re != 0) {
        EXPECT_EQ(p.phase, std::atan(imSign * p.im / p.re)) << k;
    }
}

TEST(FastFourier, WorkedCases) {
    const struct {
        const char* name;
        Complex (*input)(std::size_t);
        Complex (*expected)(std::size_t);
    } rows[] = {
        {"cosine of 10 cycles", cosine10,
         [](std::size_t k) -> Complex { return k == 10 || k == 1014 ? 1 : 0; }},
        {"constant: zero frequency doubled", constant,
         [](std::size_t k) -> Complex { return k == 0 ? 2 : 0; }},
        {"512 at n = 0", impulse512, [](std::size_t) -> Complex { return 1; }},
        {"all zero", nothing, nothing},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto t = table(row.input);
        fastFourier(*t);
        for (std::size_t k = 0; k < spectrumLength; ++k) {
            const Complex want = row.expected(k);
            const SpectrumPoint& p = (*t)[k];
            if (want == 0.0) { // under the threshold: exactly zero
                ASSERT_EQ(p.re, 0) << k;
                ASSERT_EQ(p.im, 0) << k;
                ASSERT_EQ(p.phase, 0) << k;
            } else {
                ASSERT_NEAR(p.re, want.real(), 1e-13) << k;
                ASSERT_EQ(p.im, 0) << k;
                ASSERT_NEAR(p.magnitude, std::abs(want), 1e-13) << k;
            }
        }
    }
}

TEST(FastFourier, AgreesWithTheNaiveTransform) {
    auto t = table(scattered);
    const SpectrumPoints x = *t;
    fastFourier(*t);
    for (std::size_t k = 0; k < spectrumLength; ++k) {
        const Complex want = naiveDft(x, k, -1) / 512.0;
        const SpectrumPoint& p = (*t)[k];
        for (auto [got, expected] : {std::pair{p.re, want.real()}, std::pair{p.im, want.imag()}}) {
            if (std::fabs(expected) < 0.99e-4) {
                ASSERT_EQ(got, 0) << k;
            } else if (std::fabs(expected) > 1.01e-4) {
                ASSERT_NEAR(got, expected, 1e-13) << k;
            }
        }
        expectPolar(p, k);
    }
}

TEST(InverseFourier, AfterTheTransformGivesTheInputOver256) {
    auto t = table(scattered);
    const SpectrumPoints x = *t;
    fastFourier(*t);
    inverseFourier(*t);
    for (std::size_t n = 0; n < spectrumLength; ++n) {
        for (auto [got, original] :
             {std::pair{(*t)[n].re, x[n].re}, std::pair{(*t)[n].im, x[n].im}}) {
            const double expected = original / 256;
            if (std::fabs(expected) < 0.99e-4) {
                ASSERT_EQ(got, 0) << n;
            } else if (std::fabs(expected) > 1.01e-4) {
                // Parts of the spectrum cut by the threshold add at most 1024·1e-4/512.
                ASSERT_NEAR(got, expected, 2.1e-4) << n;
            }
        }
        expectPolar((*t)[n], n, -1);
    }
    // The same spectrum inverted through the definition.
    auto spectrum = table(scattered);
    fastFourier(*spectrum);
    const SpectrumPoints X = *spectrum;
    inverseFourier(*spectrum);
    for (std::size_t n = 0; n < spectrumLength; n += 7) {
        const Complex want = naiveDft(X, n, +1) / 512.0;
        if (std::fabs(want.real()) > 1.01e-4) {
            ASSERT_NEAR((*spectrum)[n].re, want.real(), 1e-13) << n;
        }
    }
}

TEST(RecursiveSpectrum, FollowsTheRecursion) {
    auto t = table(scattered);
    const SpectrumPoints x = *t;
    recursiveSpectrum(*t, 0);
    for (std::size_t n = 0; n < spectrumLength; ++n) {
        ASSERT_EQ((*t)[n].re, x[n].re);
        ASSERT_EQ((*t)[n].im, x[n].im);
        expectPolar((*t)[n], n);
    }
    // y_n = x_n + K e^(i nθ) y_(n-1): the angle belongs to the point being computed.
    const double K = 0.98;
    recursiveSpectrum(*t, K);
    std::complex<long double> y = 0;
    for (std::size_t n = 0; n < spectrumLength; ++n) {
        const long double angle = 2 * std::acos(-1.0L) * n / 1024;
        y = std::complex<long double>(x[n].re, x[n].im) +
            static_cast<long double>(K) * std::polar(1.0L, angle) * y;
        ASSERT_NEAR((*t)[n].re, static_cast<double>(y.real()), 1e-12) << n;
        ASSERT_NEAR((*t)[n].im, static_cast<double>(y.imag()), 1e-12) << n;
        expectPolar((*t)[n], n);
    }
}

TEST(ShiftedSpectrum, WithKOneIsTheUnscaledTransform) {
    auto t = table(scattered);
    const SpectrumPoints x = *t;
    shiftedSpectrum(*t, 1.0, 1);
    for (std::size_t k = 0; k < spectrumLength; ++k) {
        const Complex want = naiveDft(x, k, -1);
        ASSERT_NEAR((*t)[k].re, want.real(), 1e-10) << k;
        ASSERT_NEAR((*t)[k].im, want.imag(), 1e-10) << k;
        expectPolar((*t)[k], k);
    }
    auto c = table(cosine10);
    shiftedSpectrum(*c, 1.0);
    EXPECT_NEAR((*c)[10].re, 512, 1e-9);
    EXPECT_NEAR((*c)[1014].re, 512, 1e-9);
    EXPECT_NEAR((*c)[11].magnitude, 0, 1e-9);
}

TEST(ShiftedSpectrum, PoleWeighsTheLatestPoints) {
    const double K = 0.97;
    auto t = table(scattered);
    const SpectrumPoints x = *t;
    shiftedSpectrum(*t, K);
    for (std::size_t k = 0; k < spectrumLength; k += 31) {
        std::complex<long double> sum = 0;
        for (std::size_t n = 0; n < spectrumLength; ++n)
            sum += std::pow(static_cast<long double>(K), 1023 - static_cast<int>(n)) *
                   std::complex<long double>(x[n].re, x[n].im) *
                   std::polar(1.0L, -2 * std::acos(-1.0L) * ((k * n) % 1024) / 1024);
        ASSERT_NEAR((*t)[k].re, static_cast<double>(sum.real()), 1e-10)
            << k; // the angle (kθ)·n is rounded
        ASSERT_NEAR((*t)[k].im, static_cast<double>(sum.imag()), 1e-10)
            << k; // the angle (kθ)·n is rounded
    }
    // K = 0: only the last point, turned by its angle.
    auto last = table(scattered);
    shiftedSpectrum(*last, 0.0);
    const Complex x1023(x[1023].re, x[1023].im);
    for (std::size_t k = 0; k < spectrumLength; k += 17) {
        const Complex want =
            x1023 * std::polar(1.0, -2 * pi * static_cast<double>((k * 1023) % 1024) / 1024);
        ASSERT_NEAR((*last)[k].re, want.real(), 1e-12) << k;
        ASSERT_NEAR((*last)[k].im, want.imag(), 1e-12) << k;
    }
}

TEST(ShiftedSpectrum, ThreadsGiveTheSameBits) {
    auto single = table(scattered);
    shiftedSpectrum(*single, 0.97, 1);
    for (unsigned threads : {2u, 3u}) {
        auto shared = table(scattered);
        shiftedSpectrum(*shared, 0.97, threads);
        EXPECT_EQ(std::memcmp(single->data(), shared->data(), sizeof(SpectrumPoints)), 0)
            << threads << " threads";
    }
}

TEST(Transforms, OverflowIsReported) {
    const auto huge = [](std::size_t) -> Complex { return 1e308; };
    for (auto transform : {+[](SpectrumPoints& t) { fastFourier(t); },
                           +[](SpectrumPoints& t) { recursiveSpectrum(t, 0.98); },
                           +[](SpectrumPoints& t) { shiftedSpectrum(t, 0.97, 2); }}) {
        auto t = table(huge);
        EXPECT_THROW(transform(*t), FloatError);
    }
}

} // namespace
} // namespace zorkan
