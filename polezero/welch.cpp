#include "polezero/welch.h"

#include "common/errors.h"
#include "listening/soundfile.h"
#include "modelling/signalfile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

namespace zorkan {

void checkWelchSegment(std::int64_t segment) {
    if (segment < static_cast<std::int64_t>(welchMinimumSegment) ||
        segment > static_cast<std::int64_t>(welchMaximumSegment))
        throw UserMessage("Длина отрезка должна быть от " + std::to_string(welchMinimumSegment) +
                          " до " + std::to_string(welchMaximumSegment));
}

namespace {

std::size_t checkedSegment(std::size_t segment) {
    checkWelchSegment(static_cast<std::int64_t>(segment));
    return segment;
}

} // namespace

WelchAverage::WelchAverage(std::size_t segment, int channels)
    : n_(checkedSegment(segment)), channels_(channels), fourier_(segment), window_(segment),
      buffers_(static_cast<std::size_t>(channels), std::vector<double>(segment)),
      sum_(segment / 2 + 1, 0.0), work_(segment), transform_(segment / 2 + 1) {
    // The periodic Hann window: 0.5 - 0.5 cos(2 pi n / N).
    for (std::size_t i = 0; i < n_; ++i) {
        window_[i] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) /
                                          static_cast<double>(n_));
        windowPower_ += window_[i] * window_[i];
    }
}

void WelchAverage::transformSegment(const double* samples) {
    double mean = 0;
    for (std::size_t i = 0; i < n_; ++i)
        mean += samples[i];
    mean /= static_cast<double>(n_);
    for (std::size_t i = 0; i < n_; ++i)
        work_[i] = (samples[i] - mean) * window_[i];
    fourier_.forward(work_.data(), transform_.data());
    for (std::size_t k = 0; k <= n_ / 2; ++k)
        sum_[k] += std::norm(transform_[k]);
}

void WelchAverage::add(const double* frames, std::size_t count) {
    const std::size_t channels = static_cast<std::size_t>(channels_);
    const std::size_t step = n_ - n_ / 2;
    std::size_t i = 0;
    while (i < count) {
        const std::size_t take = std::min(count - i, n_ - filled_);
        for (std::size_t c = 0; c < channels; ++c) {
            double* to = buffers_[c].data() + filled_;
            const double* from = frames + i * channels + c;
            for (std::size_t f = 0; f < take; ++f)
                to[f] = from[f * channels];
        }
        filled_ += take;
        i += take;
        if (filled_ == n_) {
            for (std::size_t c = 0; c < channels; ++c) {
                transformSegment(buffers_[c].data());
                std::copy(buffers_[c].begin() + static_cast<std::ptrdiff_t>(step),
                          buffers_[c].end(), buffers_[c].begin());
            }
            ++segments_;
            filled_ = n_ - step;
        }
    }
}

WelchSpectrum WelchAverage::spectrum(double fd) const {
    if (segments_ == 0)
        throw UserMessage("В сигнале меньше " + std::to_string(n_) +
                          " отсчетов: задайте меньшую длину отрезка (--segment)");
    WelchSpectrum s;
    s.segments = segments_;
    const double scale =
        1.0 / (fd * windowPower_ * static_cast<double>(segments_) * static_cast<double>(channels_));
    for (std::size_t k = 0; k <= n_ / 2; ++k) {
        s.frequency.push_back(static_cast<double>(k) * fd / static_cast<double>(n_));
        const double twoSided = k == 0 || 2 * k == n_ ? 1.0 : 2.0;
        s.density.push_back(sum_[k] * scale * twoSided);
    }
    return s;
}

bool signalFileName(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    std::string ext = path.substr(dot + 1);
    for (char& ch : ext)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return ext == "xicd" || ext == "yicd";
}

WelchSpectrum welchOfFile(const std::string& path, std::size_t segment, double fd) {
    checkWelchSegment(static_cast<std::int64_t>(segment));
    if (signalFileName(path)) {
        WelchAverage average(segment, 1);
        std::vector<double> block;
        block.reserve(sampleBlockSize);
        forEachSample(path, [&](double v) {
            block.push_back(v);
            if (block.size() == sampleBlockSize) {
                average.add(block.data(), block.size());
                block.clear();
            }
        });
        average.add(block.data(), block.size());
        return average.spectrum(fd > 0 ? fd : 1.0);
    }
    SoundReader reader(path);
    const SoundInfo info = reader.info();
    WelchAverage average(segment, info.channels);
    constexpr std::size_t framesPerRead = 16384;
    std::vector<double> block(framesPerRead * static_cast<std::size_t>(info.channels));
    for (std::size_t got; (got = reader.read(block.data(), framesPerRead)) > 0;)
        average.add(block.data(), got);
    return average.spectrum(fd > 0 ? fd : static_cast<double>(info.rate));
}

} // namespace zorkan
