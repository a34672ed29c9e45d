#pragma once
// The one Qt application of the benchmark binary: the window benchmarks paint widgets,
// so it is a widget application, made by whichever benchmark runs first, on the
// offscreen platform unless one is chosen.
#include <QApplication>

#include <cstdlib>

namespace zorkan::bench {

inline void needApplication() {
    if (QCoreApplication::instance())
        return;
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
}

} // namespace zorkan::bench
