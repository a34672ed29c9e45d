#pragma once
// The start-up sequence of the windowed program, shared by main() and the tests.
#include "app/ras1.h"

#include <memory>

namespace zorkan::ui {

// Sets the application title, creates the main window (which shows the splash and
// zeroes the flags) and then, hidden, the windows kept for the run: results, About,
// help (which loads "help.txt"). The caller shows the main window.
std::unique_ptr<TForm1> startUp(const TForm1::Options& options = {});

// Qt's own texts (file dialogs, standard buttons, the system menu of child windows, the
// context menus of edit fields) in Russian, from Qt's translations of the system. Once
// per run; without the translation file Qt's English texts stay. Texts the program sets
// itself are not touched.
void installQtTranslations();

} // namespace zorkan::ui
