#include "app/startup.h"

#include "app/AF.h"
#include "app/HF.h"
#include "app/ras5.h"
#include "spectral/KF.h"
#include "ui/errorhandler.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QtGlobal>

// Resources live in this static library; their registration must be referenced.
static void initialisePictures() {
    static const bool done = [] {
        Q_INIT_RESOURCE(zorkan);
        return true;
    }();
    (void)done;
}

namespace zorkan::ui {

void installQtTranslations() {
    static bool installed = false;
    if (installed || !QCoreApplication::instance())
        return;
    installed = true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral("qtbase_ru"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

std::unique_ptr<TForm1> startUp(const TForm1::Options& options) {
    initialisePictures();
    installQtTranslations();
    setApplicationTitle(QStringLiteral("Система ZORKAN"));
    auto main = std::make_unique<TForm1>(options);
    auto* results = new TForm5(main.get());
    new TAboutForm(main.get());
    auto* help = new THelpForm(main.get());
    new TForm8(main.get());
    // The coefficient dialog and the sound tools' windows join this list with their
    // modules.
    main->setAuxiliaryWindows(results, help);
    return main;
}

} // namespace zorkan::ui
