#include "app/startup.h"

#include "app/AF.h"
#include "app/HF.h"
#include "app/ras5.h"
#include "sound/Unit10.h"
#include "sound/Unit11.h"
#include "sound/Unit12.h"
#include "sound/Unit9.h"
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
    // The spectral coefficient dialog and the sound tools, hidden; the sound commands
    // make fresh windows at every use.
    new TForm8(main.get());
    new TForm9(main.get());
    new TForm10(main.get());
    new TForm11(main.get());
    new TForm12(main.get());
    main->setAuxiliaryWindows(results, help);
    return main;
}

} // namespace zorkan::ui
