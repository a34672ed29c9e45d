#include "spectral/fft.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace zorkan {

namespace {

std::vector<std::size_t> bitReversal(std::size_t n) {
    std::vector<std::size_t> r(n, 0);
    std::size_t bits = 0;
    while ((std::size_t{1} << bits) < n)
        ++bits;
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t v = 0;
        for (std::size_t b = 0; b < bits; ++b)
            if (i & (std::size_t{1} << b))
                v |= std::size_t{1} << (bits - 1 - b);
        r[i] = v;
    }
    return r;
}

} // namespace

bool powerOfTwo(std::size_t n) {
    return n >= 2 && (n & (n - 1)) == 0;
}

FourierTransform::FourierTransform(std::size_t n)
    : n_(n), twiddle_(n / 2), reversed_(bitReversal(n)), halfReversed_(bitReversal(n / 2)),
      half_(n / 2) {
    // Each factor from its own angle, not by recurrence, so that no error accumulates.
    for (std::size_t k = 0; k < n / 2; ++k) {
        const double angle =
            -2 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n);
        twiddle_[k] = {std::cos(angle), std::sin(angle)};
    }
}

void FourierTransform::transform(std::complex<double>* x, std::size_t n,
                                 const std::vector<std::size_t>& reversed,
                                 std::size_t twiddleStride) const {
    for (std::size_t i = 0; i < n; ++i)
        if (i < reversed[i])
            std::swap(x[i], x[reversed[i]]);
    // Radix-2 decimation in time.
    for (std::size_t length = 2; length <= n; length *= 2) {
        const std::size_t halfLength = length / 2;
        const std::size_t stride = twiddleStride * (n / length);
        for (std::size_t start = 0; start < n; start += length)
            for (std::size_t k = 0; k < halfLength; ++k) {
                const std::complex<double> t = twiddle_[k * stride] * x[start + k + halfLength];
                x[start + k + halfLength] = x[start + k] - t;
                x[start + k] += t;
            }
    }
}

void FourierTransform::forward(std::complex<double>* x) const {
    transform(x, n_, reversed_, 1);
}

void FourierTransform::forwardReal(const double* x, std::complex<double>* out) const {
    const std::size_t h = n_ / 2;
    if (h == 1) {
        out[0] = x[0] + x[1];
        out[1] = x[0] - x[1];
        return;
    }
    // z_m = x_2m + i x_2m+1; Z its transform of length N / 2; then
    // X_k = (Z_k + conj Z_(h-k)) / 2 + e^(-2 pi i k / N) (Z_k - conj Z_(h-k)) / (2i).
    for (std::size_t m = 0; m < h; ++m)
        half_[m] = {x[2 * m], x[2 * m + 1]};
    transform(half_.data(), h, halfReversed_, 2);
    out[0] = half_[0].real() + half_[0].imag();
    out[h] = half_[0].real() - half_[0].imag();
    const std::complex<double> minusHalfI(0, -0.5);
    for (std::size_t k = 1; k < h; ++k) {
        const std::complex<double> a = half_[k], b = std::conj(half_[h - k]);
        out[k] = 0.5 * (a + b) + twiddle_[k] * (minusHalfI * (a - b));
    }
}

namespace {

std::size_t chirpLength(std::size_t n) {
    std::size_t m = 2;
    while (m < 2 * n - 1)
        m *= 2;
    return m;
}

} // namespace

RealFourierTransform::RealFourierTransform(std::size_t n)
    : n_(n), direct_(powerOfTwo(n)), fourier_(direct_ ? n : chirpLength(n)) {
    if (direct_)
        return;
    const std::size_t m = fourier_.size();
    chirp_.resize(n);
    // n^2 taken modulo 2N keeps the angle small and exact.
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t square = (i * i) % (2 * n);
        const double angle =
            -std::numbers::pi * static_cast<double>(square) / static_cast<double>(n);
        chirp_[i] = {std::cos(angle), std::sin(angle)};
    }
    kernel_.assign(m, {0, 0});
    kernel_[0] = std::conj(chirp_[0]);
    for (std::size_t i = 1; i < n; ++i)
        kernel_[i] = kernel_[m - i] = std::conj(chirp_[i]);
    fourier_.forward(kernel_.data());
    work_.resize(m);
}

void RealFourierTransform::forward(const double* x, std::complex<double>* out) const {
    if (direct_) {
        fourier_.forwardReal(x, out);
        return;
    }
    const std::size_t m = fourier_.size();
    for (std::size_t i = 0; i < n_; ++i)
        work_[i] = x[i] * chirp_[i];
    std::fill(work_.begin() + static_cast<std::ptrdiff_t>(n_), work_.end(),
              std::complex<double>(0, 0));
    fourier_.forward(work_.data());
    // The inverse transform as the conjugate of the forward one of the conjugate.
    for (std::size_t i = 0; i < m; ++i)
        work_[i] = std::conj(work_[i] * kernel_[i]);
    fourier_.forward(work_.data());
    const double scale = 1.0 / static_cast<double>(m);
    for (std::size_t k = 0; k <= n_ / 2; ++k)
        out[k] = chirp_[k] * std::conj(work_[k]) * scale;
}

} // namespace zorkan
