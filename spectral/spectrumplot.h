#pragma once
// The pictures of the spectrum window: an empty grid, and one column of the points as a
// polyline that fills the picture's height.
#include "common/canvas.h"
#include "spectral/spectrumtable.h"

#include <array>
#include <string>

namespace zorkan {

constexpr int spectrumPictureWidth = 610;
constexpr int spectrumPictureHeight = 111;
constexpr int spectrumPictureCount = 3;
// Each picture is followed by a separator of this height: pictures at y = 0, 119, 238.
constexpr int spectrumSeparatorHeight = 8;

constexpr Rgb inputTraceColor{255, 0, 0}; // picture 1
constexpr Rgb secondTraceColor{0, 0, 255};
constexpr Rgb thirdTraceColor{0, 255, 0};

enum class SpectrumColumn { Re, Im, Magnitude };

// White, a grey frame and nine grey grid lines each way at tenths (pen width 1, grey).
void clearSpectrumPicture(Canvas& picture);

// The zero line at nearest(H/2), then the first `count` values of the column as a
// polyline from x = 0 in steps of W/count; the largest magnitude reaches H/2 from the
// zero line, and a column of zeros lies on it.
void plotSpectrumTrace(Canvas& picture, Rgb colour, SpectrumColumn column, int count,
                       const SpectrumPoints& table);

using SpectrumPictures = std::array<Canvas, spectrumPictureCount>;
SpectrumPictures makeSpectrumPictures();

// The three pictures stacked as the window shows them, with the separators between, as
// one BMP file.
void saveSpectrumPictures(const SpectrumPictures& pictures, const std::string& path);

} // namespace zorkan
