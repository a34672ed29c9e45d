#pragma once
// The discrete Fourier transform of any power-of-two length, for spectra beyond the
// 1024-point table: X_k = sum over n of x_n e^(-2 pi i k n / N), unscaled.
#include <complex>
#include <cstddef>
#include <vector>

namespace zorkan {

class FourierTransform {
  public:
    // N a power of two, at least 2.
    explicit FourierTransform(std::size_t n);
    std::size_t size() const { return n_; }
    // In place, N values.
    void forward(std::complex<double>* x) const;
    // The first N / 2 + 1 values of the transform of N real values (the rest are their
    // conjugates), through one complex transform of half the length.
    void forwardReal(const double* x, std::complex<double>* out) const;

  private:
    std::size_t n_;
    std::vector<std::complex<double>> twiddle_; // e^(-2 pi i k / N), k < N / 2
    std::vector<std::size_t> reversed_;         // bit reversal of log2(N) bits
    std::vector<std::size_t> halfReversed_;     // of log2(N) - 1 bits
    mutable std::vector<std::complex<double>> half_;
    void transform(std::complex<double>* x, std::size_t n, const std::vector<std::size_t>& reversed,
                   std::size_t twiddleStride) const;
};

bool powerOfTwo(std::size_t n);

} // namespace zorkan
