#pragma once
// The listening window for "make screenshots", with a generated recording filtered.
#include <QString>

namespace zorkan::ui::test {

class Program;

bool renderListeningScreenshots(Program& program, const QString& folder);

} // namespace zorkan::ui::test
