#pragma once
// PNG pictures of a canvas without an image library: 8-bit RGB, the image data in
// stored (uncompressed) deflate blocks, so the file is exact and needs no compressor.
#include "common/canvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zorkan {

std::vector<std::uint8_t> pngBytes(const Canvas& canvas);
// "I/O error" when the file cannot be created or written.
void savePng(const Canvas& canvas, const std::string& path);
// BMP when the name ends in ".bmp" (any case), PNG otherwise, written safely: the old
// file stays as it was unless the new one is complete.
void saveCanvas(const Canvas& canvas, const std::string& path);

} // namespace zorkan
