// zorkan: the windowed workbench.
#include "app/startup.h"
#include "sound/mediadevice_qt.h"
#include "ui/errorhandler.h"

int main(int argc, char** argv) {
    zorkan::ui::chooseMediaBackend();
    zorkan::ui::ZorkanApplication application(argc, argv);
    auto mainWindow = zorkan::ui::startUp();
    mainWindow->showMaximized();
    return application.exec();
}
