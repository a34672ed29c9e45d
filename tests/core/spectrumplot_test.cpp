// The spectrum window's traces: zero line, scale to the picture's height, x steps.
#include "spectral/spectrumplot.h"

#include <gtest/gtest.h>

#include <memory>

namespace zorkan {
namespace {

constexpr Rgb red = inputTraceColor;

// A picture of one trace: point 512 holds `peak` (and point 100 half of it), the rest 0.
Canvas traceOf(double peak) {
    auto table = std::make_unique<SpectrumPoints>();
    (*table)[512].re = peak;
    (*table)[100].re = peak / 2;
    Canvas picture(spectrumPictureWidth, spectrumPictureHeight);
    clearSpectrumPicture(picture);
    plotSpectrumTrace(picture, red, SpectrumColumn::Re, 1024, *table);
    return picture;
}

TEST(PlotSpectrumTrace, LargestValueReachesHalfTheHeight) {
    const Canvas one = traceOf(1);
    // x = trunc(512 · 610/1024) = 305; the peak at y0 − 56 = 0, y0 = nearest(55.5) = 56.
    EXPECT_EQ(one.pixel(305, 0), red);
    EXPECT_EQ(one.pixel(305, 56), red);
    EXPECT_EQ(one.pixel(304, 20), white); // the rise lies in columns 304..305
    // Point 100 at x = trunc(59.5703125) = 59, half way: y = 56 − nearest(27.75) = 28.
    EXPECT_EQ(one.pixel(59, 28), red);
    EXPECT_NE(one.pixel(59, 27), red);
    // The zero line runs across the whole width.
    EXPECT_EQ(one.pixel(609, 56), red);
    EXPECT_EQ(one.pixel(0, 56), red);

    const Canvas negative = traceOf(-1);
    EXPECT_EQ(negative.pixel(305, 110), red);
    EXPECT_NE(negative.pixel(305, 0), red);
}

TEST(PlotSpectrumTrace, ScaleFollowsTheLargestValueWhateverItsSize) {
    const Canvas one = traceOf(1);
    for (double peak : {1e-310, 1e-300, 3.5, 1e300}) {
        const Canvas other = traceOf(peak);
        EXPECT_TRUE(std::equal(one.pixels(), one.pixels() + 610 * 111, other.pixels())) << peak;
    }
}

TEST(PlotSpectrumTrace, ZeroColumnLiesOnTheZeroLine) {
    const Canvas zero = traceOf(0);
    Canvas expected(spectrumPictureWidth, spectrumPictureHeight);
    clearSpectrumPicture(expected);
    expected.setPenColor(red);
    expected.moveTo(0, 56);
    expected.lineTo(610, 56);
    EXPECT_TRUE(std::equal(zero.pixels(), zero.pixels() + 610 * 111, expected.pixels()));
}

} // namespace
} // namespace zorkan
