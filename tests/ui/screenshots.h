#pragma once
#include <QString>

class QWidget;

namespace zorkan::ui::test {

// Renders the main window (each tab page), the design window, the results window after
// the default design, the frequency-response window after its "Готово" and "Расчет",
// the coefficient window with the designed file loaded, the modelling window after a
// sine through the designed file and its setup dialog, the main window with its child
// windows arranged, help, About and splash to PNG files in `folder`. 0 on success.
int renderScreenshots(const QString& folder);

// Shows `widget`, waits until it is drawn and saves it as folder/name.png; says which.
bool saveScreenshot(QWidget* widget, const QString& folder, const char* name);

} // namespace zorkan::ui::test
