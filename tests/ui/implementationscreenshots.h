#pragma once
// The implementation window for "make screenshots": a Chebyshev low-pass design in q15,
// each page, with the request of its design report, every structure and the search.
#include <QString>

namespace zorkan::ui::test {

class Program;

bool renderImplementationScreenshots(Program& program, const QString& folder);

} // namespace zorkan::ui::test
