// zorkan: the windowed workbench.
#include "app/startup.h"
#include "sound/mediadevice_qt.h"
#include "ui/errorhandler.h"

#include <QGuiApplication>

int main(int argc, char** argv) {
    zorkan::ui::chooseMediaBackend();
    zorkan::ui::ZorkanApplication application(argc, argv);
    // Ties the windows to the menu entry zorkan.desktop (its icon and name on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("zorkan"));
    auto mainWindow = zorkan::ui::startUp();
    mainWindow->showMaximized();
    return application.exec();
}
