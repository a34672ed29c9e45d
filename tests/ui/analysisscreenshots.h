#pragma once
// The filter-analysis window for "make screenshots": each page for an elliptic band-pass
// design compared with its copy quantised to two decimals, then three pages again with
// the window made larger.
#include <QString>

namespace zorkan::ui::test {

class Program;

bool renderAnalysisScreenshots(Program& program, const QString& folder);

} // namespace zorkan::ui::test
