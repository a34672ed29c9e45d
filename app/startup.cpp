#include "app/startup.h"

#include "app/AF.h"
#include "app/HF.h"
#include "app/ras5.h"
#include "sound/Unit10.h"
#include "sound/Unit11.h"
#include "sound/Unit12.h"
#include "sound/Unit9.h"
#include "ui/errorhandler.h"

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

std::unique_ptr<TForm1> startUp(const TForm1::Options& options) {
    initialisePictures();
    setApplicationTitle(QStringLiteral("Система ZORKAN"));
    auto main = std::make_unique<TForm1>(options);
    auto* results = new TForm5(main.get());
    new TAboutForm(main.get());
    auto* help = new THelpForm(main.get());
    // The coefficient dialog and the sound tools' windows join this list with their
    // modules.
    main->setAuxiliaryWindows(results, help);
    // The sound tools, hidden; their commands make fresh ones at every use.
    new TForm9(main.get());
    new TForm10(main.get());
    new TForm11(main.get());
    new TForm12(main.get());
    return main;
}

} // namespace zorkan::ui
