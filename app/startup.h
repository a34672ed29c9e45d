#pragma once
// The start-up sequence of the windowed program, shared by main() and the tests.
#include "app/ras1.h"

#include <memory>

namespace zorkan::ui {

// Sets the application title, creates the main window (which shows the splash and
// zeroes the flags) and then, hidden, the windows kept for the run: results, About,
// help (which loads "help.txt"). The caller shows the main window.
std::unique_ptr<TForm1> startUp(const TForm1::Options& options = {});

} // namespace zorkan::ui
