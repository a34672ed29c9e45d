#pragma once
// Raster pictures without a window system: a fixed-size picture of RGB pixels with a
// pen (colour, width), move-to and line-to, rectangles and single pixels, saved as a
// 24-bit BMP. Windows wrap pixels() in a QImage (Format_RGB32) to show them.
#include <cstdint>
#include <string>
#include <vector>

namespace zorkan {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(Rgb, Rgb) = default;
};

constexpr Rgb black{0, 0, 0};
constexpr Rgb white{255, 255, 255};

// What a computation needs to draw a chart. Positions count down from the top edge.
class DrawingTarget {
  public:
    virtual ~DrawingTarget() = default;
    virtual void setPenColor(Rgb color) = 0;
    virtual void setPenWidth(int width) = 0;
    // The segment from (x, y0) to (x, y1) in the pen's colour and width; (x, y1) itself
    // is not painted, as with a raster line-to.
    virtual void verticalSegment(int x, int y0, int y1) = 0;
    virtual void setPixel(int x, int y, Rgb color) = 0;
};

// Raster semantics:
// - lineTo paints the points of the line from the pen position up to, not including,
//   the end point, and moves the pen there. A pen of width w paints each point as w
//   pixels across the line's main direction, from offset -(w / 2): a vertical line of
//   width 2 in column x covers columns x - 1 and x. A line of no length paints nothing
//   with a one-pixel pen and the pen's w x w dot with a wider one (as a wide raster pen
//   does), so a flat run of a wide trace stays visible.
// - Rectangles exclude their right and bottom edges.
// - Anything outside the picture is clipped.
class Canvas : public DrawingTarget {
  public:
    Canvas(int width, int height, Rgb background = white);

    int width() const { return width_; }
    int height() const { return height_; }

    Rgb pixel(int x, int y) const; // black outside the picture
    // Row-major, 0xFFRRGGBB per pixel, width() pixels per row.
    const std::uint32_t* pixels() const { return pixels_.data(); }

    void setPenColor(Rgb color) override { penColor_ = color; }
    void setPenWidth(int width) override { penWidth_ = width < 1 ? 1 : width; }
    Rgb penColor() const { return penColor_; }
    int penWidth() const { return penWidth_; }
    void setBrushColor(Rgb color) { brushColor_ = color; }
    Rgb brushColor() const { return brushColor_; }

    void moveTo(int x, int y);
    void lineTo(int x, int y);
    int penX() const { return penX_; }
    int penY() const { return penY_; }

    void verticalSegment(int x, int y0, int y1) override;
    void setPixel(int x, int y, Rgb color) override;

    // (x1, y1) inclusive to (x2, y2) exclusive, in the given colour.
    void fillRect(int x1, int y1, int x2, int y2, Rgb color);
    // The brush fills the inside, the pen draws the outline (inside the rectangle).
    void rectangle(int x1, int y1, int x2, int y2);

    // Bottom-up 24-bit BMP with rows padded to four bytes.
    std::vector<std::uint8_t> bmpBytes() const;
    // "I/O error" when the file cannot be created or written.
    void saveBmp(const std::string& path) const;

  private:
    void plot(int x, int y, Rgb color);
    void stamp(int x, int y, bool acrossColumns);

    int width_;
    int height_;
    std::vector<std::uint32_t> pixels_;
    Rgb penColor_ = black;
    int penWidth_ = 1;
    Rgb brushColor_ = white;
    int penX_ = 0;
    int penY_ = 0;
};

} // namespace zorkan
