#include "listening/crossfade.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zorkan {

namespace {

std::unique_ptr<ChannelCascade> cascadeOf(const std::vector<SecondOrderSection>& sections,
                                          int channels) {
    std::vector<FilterSection> stored;
    for (const SecondOrderSection& s : sections) {
        FilterSection f;
        for (int i = 0; i < 3; ++i) {
            f.a[i] = s.num[i] / s.den[0];
            f.b[i] = s.den[i] / s.den[0];
        }
        stored.push_back(f);
    }
    return std::make_unique<ChannelCascade>(std::move(stored), channels);
}

} // namespace

double crossfadeWeight(CrossfadeShape shape, std::size_t n, std::size_t length) {
    const double x = static_cast<double>(n + 1) / static_cast<double>(length);
    if (shape == CrossfadeShape::Linear)
        return x;
    return 0.5 - 0.5 * std::cos(std::numbers::pi * x);
}

CrossfadeFilter::CrossfadeFilter(const std::vector<SecondOrderSection>& sections, int channels,
                                 double rate, CrossfadeShape shape)
    : channels_(channels), length_(std::max<std::size_t>(
                               1, static_cast<std::size_t>(std::lround(rate * crossfadeSeconds)))),
      shape_(shape), current_(cascadeOf(sections, channels)) {}

void CrossfadeFilter::setSections(const std::vector<SecondOrderSection>& sections) {
    old_ = std::move(current_);
    current_ = cascadeOf(sections, channels_);
    position_ = 0;
}

void CrossfadeFilter::run(double* samples, std::size_t frames) {
    const std::size_t channels = static_cast<std::size_t>(channels_);
    if (!old_) {
        current_->run(samples, frames);
        return;
    }
    // The frames of the crossfade through both, the rest through the new one alone.
    const std::size_t fade = std::min(frames, length_ - position_);
    oldOutput_.assign(samples, samples + fade * channels);
    old_->run(oldOutput_.data(), fade);
    current_->run(samples, frames);
    for (std::size_t f = 0; f < fade; ++f) {
        const double w = crossfadeWeight(shape_, position_ + f, length_);
        for (std::size_t c = 0; c < channels; ++c) {
            double& y = samples[f * channels + c];
            y = (1 - w) * oldOutput_[f * channels + c] + w * y;
        }
    }
    position_ += fade;
    if (position_ == length_)
        old_.reset();
}

} // namespace zorkan
