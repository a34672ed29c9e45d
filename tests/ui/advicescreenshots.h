#pragma once
// The window comparing every design of one request for "make screenshots": the table of
// the example's candidates and their magnitudes and group delays overlaid.
#include <QString>

namespace zorkan::ui::test {

class Program;

bool renderAdviceScreenshots(Program& program, const QString& folder);

} // namespace zorkan::ui::test
