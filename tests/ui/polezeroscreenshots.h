#pragma once
// The pole-zero editor for "make screenshots": a filter with its realisable grid and a
// recording's spectrum behind the magnitude, a notch placed on one of its peaks.
#include <QString>

namespace zorkan::ui::test {

class Program;

bool renderPoleZeroScreenshots(Program& program, const QString& folder);

} // namespace zorkan::ui::test
