#include "tests/ui/screenshots.h"

#include "app/AF.h"
#include "app/HF.h"
#include "app/SplashF.h"
#include "app/ras5.h"
#include "coefficients/ras3.h"
#include "design/ras2.h"
#include "modelling/F1.h"
#include "modelling/F2.h"
#include "response/rasX.h"
#include "tests/ui/spectralscreenshots.h"
#include "tests/ui/uitest.h"

#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

namespace zorkan::ui::test {

namespace {

bool save(QWidget* widget, const QString& folder, const char* name) {
    widget->show();
    if (!QTest::qWaitForWindowExposed(widget->window()))
        return false;
    QTest::qWait(30);
    const QString path = QDir(folder).filePath(QString::fromLatin1(name) + ".png");
    const bool ok = widget->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

} // namespace

int renderScreenshots(const QString& folder) {
    QDir().mkpath(folder);
    Program program;
    program.start();
    TForm1& main = program.main();
    main.resize(923, 575);
    bool ok = true;

    auto* pages = main.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    const char* pageNames[] = {"main-1-calc", "main-2-modelling", "main-3-response",
                               "main-4-spectral", "main-5-files"};
    for (int i = 0; i < 5; ++i) {
        pages->setCurrentIndex(i);
        ok = save(&main, folder, pageNames[i]) && ok;
    }

    pages->setCurrentIndex(0);
    main.command("CalcFil")->trigger();
    auto* design = main.findChild<TForm2*>();
    ok = design && save(&main, folder, "main-with-design") && ok;
    ok = design && save(design->parentWidget(), folder, "design") && ok;

    // The report's save dialog, as the design window asks for it.
    if (design) {
        program.prompts().queueCancel();
        QTest::mouseClick(design->findChild<QPushButton*>(QStringLiteral("BitBtn1")),
                          Qt::LeftButton);
        if (program.prompts().fileRequests.empty()) {
            std::printf("FAILED the design window asked for no report name\n");
            ok = false;
        } else {
            QFileDialog dialog(&main);
            setUpFileDialog(dialog, program.prompts().fileRequests.back().request, true);
            ok = save(&dialog, folder, "report-save-dialog") && ok;
            dialog.hide();
        }
    }

    if (design) {
        program.prompts().queueFile(program.path(QStringLiteral("1.out")));
        program.prompts().queueFile(program.path(QStringLiteral("1.flt")));
        // "Готово" opens the frequency-response window on the designed file.
        program.prompts().queueModal([&](QDialog* results) {
            ok = save(results, folder, "results") && ok;
            QTest::mouseClick(results->findChild<QPushButton*>(QStringLiteral("BitBtn1")),
                              Qt::LeftButton);
            return results->result();
        });
        QTest::mouseClick(design->findChild<QPushButton*>(QStringLiteral("BitBtn1")),
                          Qt::LeftButton);
        if (program.prompts().modalShows.empty()) {
            std::printf("FAILED the default design showed no results\n");
            ok = false;
        }
        TForm4* response = responseWindow();
        if (response) {
            QTest::mouseClick(response->findChild<QPushButton*>(QStringLiteral("BitBtn1")),
                              Qt::LeftButton);
            ok = save(&main, folder, "main-with-response") && ok;
            ok = save(response, folder, "response") && ok;
            response->parentWidget()->close();
        } else {
            std::printf("FAILED \"Готово\" opened no frequency-response window\n");
            ok = false;
        }

        // The designed file loaded into the coefficient window.
        main.command("InputPars")->trigger();
        auto* coefficients = main.findChild<TForm3*>();
        if (coefficients) {
            program.prompts().queueFile(program.path(QStringLiteral("1.flt")));
            QTest::mouseClick(coefficients->findChild<QPushButton*>(QStringLiteral("BitBtn2")),
                              Qt::LeftButton);
            ok = save(coefficients, folder, "coefficients") && ok;
        } else {
            std::printf("FAILED InputPars opened no coefficient window\n");
            ok = false;
        }
        if (coefficients)
            coefficients->parentWidget()->close();

        // The designed file in the modelling window, a sine through it; and the setup
        // dialog as it was answered.
        main.command("Modelling")->trigger();
        if (TFormSin* modelling = modellingWindow()) {
            program.prompts().queueFile(program.path(QStringLiteral("1.flt")));
            QTest::mouseClick(modelling->findChild<QPushButton*>(QStringLiteral("BitBtn4")),
                              Qt::LeftButton);
            program.prompts().queueModal([](QDialog*) { return int(QDialog::Accepted); });
            QTest::mouseClick(modelling->findChild<QPushButton*>(QStringLiteral("BitBtn1")),
                              Qt::LeftButton);
            ok = save(&main, folder, "main-with-modelling") && ok;
            ok = save(modelling, folder, "modelling") && ok;
            if (auto* setup = modelling->findChild<TSetupForm*>()) {
                ok = save(setup, folder, "modelling-setup") && ok;
                setup->hide();
            }
        } else {
            std::printf("FAILED Modelling opened no modelling window\n");
            ok = false;
        }
        for (const auto& message : program.prompts().messages) {
            std::printf("FAILED message on the way: %s\n", qPrintable(message.text));
            ok = false;
        }
    }

    ok = renderSpectralScreenshots(program, folder) && ok;
    ok = save(main.findChild<THelpForm*>(), folder, "help") && ok;
    auto* about = new TAboutForm(&main);
    ok = save(about, folder, "about") && ok;
    auto* splash = new TSplash(&main, 60000);
    ok = save(splash, folder, "splash") && ok;
    splash->hide();
    auto* logoSplash = new TSplash(&main, 60000);
    logoSplash->setOkVisible(true);
    ok = save(logoSplash, folder, "splash-logo") && ok;
    return ok ? 0 : 1;
}

} // namespace zorkan::ui::test
