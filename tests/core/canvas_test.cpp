#include "common/canvas.h"
#include "common/errors.h"

#include "tempfiles.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

using namespace zorkan;
using zorkan::testing::readBytes;
using zorkan::testing::TempDir;

namespace {

constexpr Rgb ink{10, 20, 30};
using Points = std::set<std::pair<int, int>>;

// The pixels of one colour.
Points pixelsOf(const Canvas& c, Rgb color) {
    Points p;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if (c.pixel(x, y) == color)
                p.insert({x, y});
    return p;
}

// Every pixel that is not white; each must be in ink.
Points painted(const Canvas& c) {
    const Points p = pixelsOf(c, ink);
    EXPECT_EQ(p.size() + pixelsOf(c, white).size(),
              static_cast<std::size_t>(c.width() * c.height()));
    return p;
}

} // namespace

TEST(Canvas, LinesPaintUpToButNotIncludingTheirEnd) {
    struct Case {
        const char* what;
        int width;
        int x0, y0, x1, y1;
        Points expected;
    };
    const std::vector<Case> cases = {
        {"down", 1, 3, 1, 3, 4, {{3, 1}, {3, 2}, {3, 3}}},
        {"up", 1, 3, 4, 3, 1, {{3, 4}, {3, 3}, {3, 2}}},
        {"right", 1, 1, 2, 4, 2, {{1, 2}, {2, 2}, {3, 2}}},
        {"diagonal", 1, 0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
        {"no length, thin pen", 1, 4, 4, 4, 4, {}},
        // A wide pen spreads across the line from half its width before it ...
        {"down, width 2", 2, 3, 1, 3, 3, {{2, 1}, {3, 1}, {2, 2}, {3, 2}}},
        {"up, width 2", 2, 3, 3, 3, 1, {{2, 3}, {3, 3}, {2, 2}, {3, 2}}},
        {"right, width 3", 3, 1, 2, 3, 2, {{1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}}},
        // ... and leaves a dot where a thin pen leaves nothing.
        {"no length, width 2", 2, 4, 4, 4, 4, {{3, 3}, {4, 3}, {3, 4}, {4, 4}}},
        // Clipped at the edges: from below the picture to above it, column -1 outside.
        {"through the picture", 2, 0, 20, 0, -5, {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}}},
    };
    for (const Case& c : cases) {
        Canvas line(5, 5), segment(5, 5);
        for (Canvas* canvas : {&line, &segment}) {
            canvas->setPenColor(ink);
            canvas->setPenWidth(c.width);
        }
        line.moveTo(c.x0, c.y0);
        line.lineTo(c.x1, c.y1);
        EXPECT_EQ(painted(line), c.expected) << c.what;
        EXPECT_EQ(std::pair(line.penX(), line.penY()), std::pair(c.x1, c.y1)) << c.what;
        if (c.x0 == c.x1) {
            segment.verticalSegment(c.x0, c.y0, c.y1);
            EXPECT_EQ(painted(segment), c.expected) << c.what;
        }
    }
}

TEST(Canvas, RectangleOutlineFillAndClipping) {
    const Rgb grey{9, 9, 9};
    Canvas canvas(6, 5, grey);
    canvas.setPenColor(ink);
    canvas.setBrushColor(white);
    canvas.rectangle(1, 1, 5, 4); // right and bottom edges excluded
    EXPECT_EQ(
        pixelsOf(canvas, ink),
        (Points{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {1, 2}, {4, 2}, {1, 3}, {2, 3}, {3, 3}, {4, 3}}));
    EXPECT_EQ(pixelsOf(canvas, white), (Points{{2, 2}, {3, 2}}));

    canvas.setPixel(-1, 0, ink);
    canvas.setPixel(6, 4, ink);
    canvas.fillRect(-10, 3, 1, 10, white);
    EXPECT_EQ(pixelsOf(canvas, white), (Points{{2, 2}, {3, 2}, {0, 3}, {0, 4}}));
    EXPECT_EQ(pixelsOf(canvas, ink).size(), 10u);
    EXPECT_EQ(canvas.pixel(-1, 0), black);
}

TEST(Canvas, BmpIsBottomUpBgrWithRowsPaddedToFourBytes) {
    Canvas canvas(3, 2);
    canvas.setPixel(0, 0, Rgb{1, 2, 3});        // top left
    canvas.setPixel(2, 1, Rgb{7, 8, 9});        // bottom right
    EXPECT_EQ(canvas.pixels()[0], 0xFF010203u); // as an RGB32 image holds it
    const std::vector<std::uint8_t> b = canvas.bmpBytes();
    auto little = [&b](std::size_t at, int bytes) {
        std::uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = (v << 8) | b[at + i];
        return v;
    };
    ASSERT_EQ(b.size(), 54u + 2 * 12);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 2), "BM");
    const std::vector<std::pair<std::size_t, int>> fields = {{2, 4},  {10, 4}, {14, 4}, {18, 4},
                                                             {22, 4}, {26, 2}, {28, 2}, {30, 4}};
    const std::vector<std::uint32_t> values = {78, 54, 40, 3, 2, 1, 24, 0};
    for (std::size_t i = 0; i < fields.size(); ++i)
        EXPECT_EQ(little(fields[i].first, fields[i].second), values[i]) << fields[i].first;
    // The bottom row first; three bytes per pixel, then zeros up to 12.
    EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + 54, b.end()),
              (std::vector<std::uint8_t>{255, 255, 255, 255, 255, 255, 9,   8,   7,   0, 0, 0, //
                                         3,   2,   1,   255, 255, 255, 255, 255, 255, 0, 0, 0}));

    TempDir dir;
    canvas.saveBmp(dir.file("p.bmp"));
    EXPECT_EQ(readBytes(dir.file("p.bmp")), std::string(b.begin(), b.end()));
    EXPECT_THROW(canvas.saveBmp(dir.file("missing/p.bmp")), InOutError);
}

TEST(Canvas, RefusesSizesItCannotHold) {
    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-3, 4}, {20000, 10}, {16384, 16384}})
        EXPECT_THROW(Canvas(w, h), UserMessage) << w << " x " << h;
}
