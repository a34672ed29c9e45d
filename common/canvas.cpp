#include "common/canvas.h"

#include "common/errors.h"
#include "common/textnumbers.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace zorkan {

namespace {

constexpr int maxSide = 16384;
constexpr long long maxPixels = 1LL << 26;

std::uint32_t pack(Rgb c) {
    return 0xFF000000u | (std::uint32_t(c.r) << 16) | (std::uint32_t(c.g) << 8) | c.b;
}

void putLittle(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

Canvas::Canvas(int width, int height, Rgb background) : width_(width), height_(height) {
    if (width < 1 || height < 1 || width > maxSide || height > maxSide ||
        static_cast<long long>(width) * height > maxPixels)
        throw UserMessage("Недопустимый размер рисунка " + std::to_string(width) + " x " +
                          std::to_string(height));
    pixels_.assign(static_cast<std::size_t>(width) * height, pack(background));
}

Rgb Canvas::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return black;
    std::uint32_t p = pixels_[static_cast<std::size_t>(y) * width_ + x];
    return Rgb{static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
               static_cast<std::uint8_t>(p)};
}

void Canvas::plot(int x, int y, Rgb color) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    pixels_[static_cast<std::size_t>(y) * width_ + x] = pack(color);
}

void Canvas::setPixel(int x, int y, Rgb color) {
    plot(x, y, color);
}

// One point of a line drawn with the pen: penWidth_ pixels across the line.
void Canvas::stamp(int x, int y, bool acrossColumns) {
    const int first = -(penWidth_ / 2);
    for (int k = first; k < first + penWidth_; ++k) {
        if (acrossColumns)
            plot(x + k, y, penColor_);
        else
            plot(x, y + k, penColor_);
    }
}

void Canvas::moveTo(int x, int y) {
    penX_ = x;
    penY_ = y;
}

void Canvas::lineTo(int x, int y) {
    int x0 = penX_, y0 = penY_;
    penX_ = x;
    penY_ = y;
    const int dx = std::abs(x - x0), dy = std::abs(y - y0);
    if (dx == 0 && dy == 0) {
        if (penWidth_ > 1) {
            const int first = -(penWidth_ / 2);
            for (int k = first; k < first + penWidth_; ++k)
                stamp(x0, y0 + k, true);
        }
        return;
    }
    const int sx = x0 < x ? 1 : -1, sy = y0 < y ? 1 : -1;
    const bool steep = dy >= dx;
    // Bresenham, stopping before the end point.
    int err = dx - dy;
    while (x0 != x || y0 != y) {
        stamp(x0, y0, steep);
        const int e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x0 += sx;
        }
        if (e2 < dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void Canvas::verticalSegment(int x, int y0, int y1) {
    moveTo(x, y0);
    lineTo(x, y1);
}

void Canvas::fillRect(int x1, int y1, int x2, int y2, Rgb color) {
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, width_);
    y2 = std::min(y2, height_);
    const std::uint32_t p = pack(color);
    for (int y = y1; y < y2; ++y)
        std::fill(pixels_.begin() + static_cast<std::size_t>(y) * width_ + x1,
                  pixels_.begin() + static_cast<std::size_t>(y) * width_ + x2, p);
}

void Canvas::rectangle(int x1, int y1, int x2, int y2) {
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    fillRect(x1, y1, x2, y2, brushColor_);
    const int w = std::min({penWidth_, x2 - x1, y2 - y1});
    fillRect(x1, y1, x2, y1 + w, penColor_);
    fillRect(x1, y2 - w, x2, y2, penColor_);
    fillRect(x1, y1, x1 + w, y2, penColor_);
    fillRect(x2 - w, y1, x2, y2, penColor_);
}

std::vector<std::uint8_t> Canvas::bmpBytes() const {
    const std::size_t rowBytes = (static_cast<std::size_t>(width_) * 3 + 3) / 4 * 4;
    const std::size_t imageBytes = rowBytes * height_;
    constexpr std::size_t headerBytes = 14 + 40;
    std::vector<std::uint8_t> out(headerBytes + imageBytes, 0);
    out[0] = 'B';
    out[1] = 'M';
    putLittle(out, 2, static_cast<std::uint32_t>(out.size()), 4);
    putLittle(out, 10, headerBytes, 4);
    putLittle(out, 14, 40, 4); // BITMAPINFOHEADER
    putLittle(out, 18, static_cast<std::uint32_t>(width_), 4);
    putLittle(out, 22, static_cast<std::uint32_t>(height_), 4); // positive: bottom-up
    putLittle(out, 26, 1, 2);                                   // planes
    putLittle(out, 28, 24, 2);                                  // bits per pixel
    putLittle(out, 34, static_cast<std::uint32_t>(imageBytes), 4);
    for (int y = 0; y < height_; ++y) {
        std::uint8_t* row = out.data() + headerBytes + rowBytes * (height_ - 1 - y);
        for (int x = 0; x < width_; ++x) {
            const Rgb c = pixel(x, y);
            row[3 * x] = c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.r;
        }
    }
    return out;
}

void Canvas::saveBmp(const std::string& path) const {
    const std::vector<std::uint8_t> bytes = bmpBytes();
    TextWriter out(path);
    out.write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    out.close();
}

} // namespace zorkan
