// zorkan: the windowed workbench.
#include "app/startup.h"
#include "ui/errorhandler.h"

int main(int argc, char** argv) {
    zorkan::ui::ZorkanApplication application(argc, argv);
    auto mainWindow = zorkan::ui::startUp();
    mainWindow->showMaximized();
    return application.exec();
}
