#pragma once
// The characteristics window for "make screenshots": three designs overlaid with the
// elliptic design's mask, the whole chart and its pass band zoomed in.
#include <QString>

namespace zorkan::ui::test {

class Program;

bool renderCharacteristicsScreenshots(Program& program, const QString& folder);

} // namespace zorkan::ui::test
