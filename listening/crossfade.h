#pragma once
// A cascade whose coefficients may change while it plays, without a click: when the
// filter changes, the old cascade (keeping its state) and the new one (from silence)
// both run for a crossfade, the output moving from the old one's to the new one's,
// then the new one alone.
#include "cascade/secondorder.h"
#include "listening/soundfilter.h"

#include <memory>
#include <vector>

namespace zorkan {

constexpr double crossfadeSeconds = 0.010;

enum class CrossfadeShape { Linear, RaisedCosine };

// The weight of the new output at sample n of a crossfade of `length` samples (n from
// 0): linear (n + 1) / length, raised cosine (1 - cos(pi (n + 1) / length)) / 2; the old
// output has 1 minus it. The last sample of the crossfade is the new one's alone.
double crossfadeWeight(CrossfadeShape shape, std::size_t n, std::size_t length);

class CrossfadeFilter {
  public:
    // `rate` in samples per second sets the crossfade's length (10 ms, at least one
    // sample).
    CrossfadeFilter(const std::vector<SecondOrderSection>& sections, int channels, double rate,
                    CrossfadeShape shape = CrossfadeShape::RaisedCosine);
    // The next samples go through `sections`. A change during a crossfade leaves the
    // oldest cascade behind: the crossfade starts again from the one it was moving to.
    void setSections(const std::vector<SecondOrderSection>& sections);
    // Filters `frames` interleaved frames in place.
    void run(double* samples, std::size_t frames);
    bool fading() const { return old_ != nullptr; }
    std::size_t length() const { return length_; }

  private:
    int channels_;
    std::size_t length_;
    CrossfadeShape shape_;
    std::unique_ptr<ChannelCascade> current_, old_;
    std::size_t position_ = 0; // samples of the crossfade done
    std::vector<double> oldOutput_;
};

} // namespace zorkan
