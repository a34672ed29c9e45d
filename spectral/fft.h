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

// The first N / 2 + 1 values of the transform of N real values for any N of at least 2:
// a power of two directly, any other length by Bluestein's chirp, a circular convolution
// of a power-of-two length M >= 2N - 1 (X_k = w_k sum x_n w_n conj(w_(k-n)),
// w_n = e^(-pi i n^2 / N)).
class RealFourierTransform {
  public:
    explicit RealFourierTransform(std::size_t n);
    std::size_t size() const { return n_; }
    void forward(const double* x, std::complex<double>* out) const;

  private:
    std::size_t n_;
    bool direct_;
    FourierTransform fourier_;                 // of N, or of M for the chirp
    std::vector<std::complex<double>> chirp_;  // w_n, n < N
    std::vector<std::complex<double>> kernel_; // the transform of conj(w) wrapped round M
    mutable std::vector<std::complex<double>> work_;
};

} // namespace zorkan
