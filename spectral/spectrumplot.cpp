#include "spectral/spectrumplot.h"

#include "common/rounding.h"
#include "response/response.h"

#include <cmath>

namespace zorkan {

namespace {

double valueOf(const SpectrumPoint& p, SpectrumColumn column) {
    switch (column) {
    case SpectrumColumn::Re:
        return p.re;
    case SpectrumColumn::Im:
        return p.im;
    case SpectrumColumn::Magnitude:
        return p.magnitude;
    }
    return 0;
}

int nearest(double x) {
    return static_cast<int>(roundHalfEven(x));
}

} // namespace

void clearSpectrumPicture(Canvas& picture) {
    // The same clean grid as the frequency-response picture.
    clearResponsePicture(picture);
}

void plotSpectrumTrace(Canvas& picture, Rgb colour, SpectrumColumn column, int count,
                       const SpectrumPoints& table) {
    const int W = picture.width();
    const int H = picture.height();
    const double xStep = static_cast<double>(W) / count;
    const int y0 = nearest(H / 2.0);
    picture.setPenColor(colour);
    picture.moveTo(0, y0);
    picture.lineTo(W, y0);

    double m = 0;
    for (const SpectrumPoint& p : table)
        if (std::fabs(valueOf(p, column)) > m)
            m = std::fabs(valueOf(p, column));
    const double q = m != 0 ? H / (2 * m) : 0;
    // For a column whose largest value lies below about 1e-307 the scale overflows a
    // double; extended precision holds it, and the trace still fills the picture.
    const bool wide = std::isinf(q);
    const long double qWide = wide ? H / (2.0L * m) : 0;
    const auto y = [&](int i) {
        const double v = valueOf(table[static_cast<std::size_t>(i)], column);
        return y0 - static_cast<int>(wide ? roundHalfEven(v * qWide) : roundHalfEven(v * q));
    };
    picture.moveTo(0, y(0));
    for (int i = 0; i < count && i < static_cast<int>(spectrumLength); ++i)
        picture.lineTo(static_cast<int>(truncToZero(i * xStep)), y(i));
}

SpectrumPictures makeSpectrumPictures() {
    return {Canvas(spectrumPictureWidth, spectrumPictureHeight),
            Canvas(spectrumPictureWidth, spectrumPictureHeight),
            Canvas(spectrumPictureWidth, spectrumPictureHeight)};
}

void saveSpectrumPictures(const SpectrumPictures& pictures, const std::string& path) {
    constexpr int pitch = spectrumPictureHeight + spectrumSeparatorHeight;
    constexpr Rgb face{240, 240, 240};
    constexpr Rgb light{255, 255, 255};
    constexpr Rgb shadow{160, 160, 160};
    Canvas sheet(spectrumPictureWidth, pitch * spectrumPictureCount - spectrumSeparatorHeight,
                 face);
    for (int k = 0; k < spectrumPictureCount; ++k) {
        const Canvas& picture = pictures[static_cast<std::size_t>(k)];
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                sheet.setPixel(x, k * pitch + y, picture.pixel(x, y));
        if (k + 1 < spectrumPictureCount) {
            // A raised line in the middle of the separator.
            const int middle = k * pitch + spectrumPictureHeight + spectrumSeparatorHeight / 2;
            sheet.fillRect(0, middle - 1, spectrumPictureWidth, middle, light);
            sheet.fillRect(0, middle, spectrumPictureWidth, middle + 1, shadow);
        }
    }
    sheet.saveBmp(path);
}

} // namespace zorkan
