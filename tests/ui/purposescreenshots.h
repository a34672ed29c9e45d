#pragma once
// The special filters window for "make screenshots": each page, the equaliser after its
// run.
#include <QString>

namespace zorkan::ui::test {

class Program;

bool renderSpecialFiltersScreenshots(Program& program, const QString& folder);

} // namespace zorkan::ui::test
