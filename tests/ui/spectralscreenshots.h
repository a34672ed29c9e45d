#pragma once
// The spectral windows for "make screenshots": spectrum windows of BPF on a ".dat" input,
// PPF on a ".xicd" input and ViewFile, and the coefficient dialog.
#include <QString>

namespace zorkan::ui::test {

class Program;

bool renderSpectralScreenshots(Program& program, const QString& folder);

} // namespace zorkan::ui::test
