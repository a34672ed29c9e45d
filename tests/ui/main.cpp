// Runs every registered window test class, or, given "-screenshots <folder>", renders
// the windows to PNG files instead.
#include "app/startup.h"
#include "sound/mediadevice_qt.h"
#include "tests/ui/screenshots.h"
#include "tests/ui/uitest.h"
#include "ui/errorhandler.h"

#include <QTest>

#include <cstring>

int main(int argc, char** argv) {
    zorkan::ui::chooseMediaBackend();
    zorkan::ui::ZorkanApplication application(argc, argv);
    zorkan::ui::installQtTranslations();
    if (argc == 3 && std::strcmp(argv[1], "-screenshots") == 0)
        return zorkan::ui::test::renderScreenshots(QString::fromLocal8Bit(argv[2]));
    // Tests close main windows; the run goes on.
    QApplication::setQuitOnLastWindowClosed(false);
    // ZORKAN_UI_TESTS=Class1,Class2 runs only those test classes.
    const QStringList only =
        qEnvironmentVariable("ZORKAN_UI_TESTS").split(u',', Qt::SkipEmptyParts);
    int failures = 0;
    for (const auto& make : zorkan::ui::test::registeredTests()) {
        auto test = make();
        const QString name =
            QString::fromLatin1(test->metaObject()->className()).section(QStringLiteral("::"), -1);
        if (!only.isEmpty() && !only.contains(name))
            continue;
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
