#pragma once
// The averaged spectrum of a signal by Welch's method, as scipy.signal.welch defines it
// with window='hann' (periodic), noverlap = N div 2, detrend='constant', scaling='density',
// average='mean': segments of N samples every N - N div 2 (samples after the last whole
// segment are not used), each less its mean, times the window w, transformed; the
// one-sided density |X_k|^2 / (fd * sum of w^2), k = 0 .. N div 2, doubled except at 0
// and, for an even N, at fd / 2,
// averaged over the segments and then over the channels.
#include "spectral/fft.h"

#include <complex>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zorkan {

constexpr std::size_t welchDefaultSegment = 4096;
constexpr std::size_t welchMinimumSegment = 16;
constexpr std::size_t welchMaximumSegment = std::size_t{1} << 20;

struct WelchSpectrum {
    std::vector<double> frequency; // k fd / N, k = 0..N/2
    std::vector<double> density;   // per unit of frequency
    std::size_t segments = 0;      // per channel
};

// Refuses (UserMessage) a segment length outside welchMinimumSegment..welchMaximumSegment.
void checkWelchSegment(std::int64_t segment);

// Takes interleaved frames as they come; the segment length as checkWelchSegment takes it.
class WelchAverage {
  public:
    WelchAverage(std::size_t segment, int channels);
    void add(const double* frames, std::size_t count);
    std::size_t segments() const { return segments_; }
    // Refuses (UserMessage) a signal shorter than one segment.
    WelchSpectrum spectrum(double fd) const;

  private:
    void transformSegment(const double* samples);
    std::size_t n_;
    int channels_;
    RealFourierTransform fourier_;
    std::vector<double> window_;
    double windowPower_ = 0; // sum of w^2
    std::vector<std::vector<double>> buffers_;
    std::size_t filled_ = 0; // samples in each channel's buffer
    std::size_t segments_ = 0;
    std::vector<double> sum_; // of |X_k|^2 over segments and channels
    std::vector<double> work_;
    std::vector<std::complex<double>> transform_;
};

// The spectrum of a file: a sound file (samples as fractions of full scale; fd its rate
// unless `fd` is above zero) or, for the names .xicd and .yicd, a signal file (fd = 1
// unless given).
bool signalFileName(const std::string& path);
WelchSpectrum welchOfFile(const std::string& path, std::size_t segment, double fd);

} // namespace zorkan
