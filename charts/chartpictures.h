#pragma once
// Pictures of a chart without a window system: SVG and a one-page PDF with the lines as
// vector paths and the text as text (PDF in the standard Helvetica face, which has no
// Cyrillic letters: they are written in Latin ones), and a raster canvas for PNG (lines
// and areas only: the core has no font; the window's PNG and PDF have their text as
// shown).
#include "charts/chart.h"

#include <string>

namespace zorkan {

std::string chartSvg(const Chart& chart);
std::string chartPdf(const Chart& chart);
Canvas chartCanvas(const Chart& chart);

// The picture formats by the name's extension, any case.
enum class PictureFormat { Png, Svg, Pdf };
// Nothing for another extension: the caller refuses it.
bool pictureFormatOf(const std::string& path, PictureFormat& format);

// Writes the chart in the format its name asks for, safely (an old file stays as it was
// unless the new one is complete); another extension is refused with a UserMessage.
void saveChartPicture(const Chart& chart, const std::string& path);

} // namespace zorkan
