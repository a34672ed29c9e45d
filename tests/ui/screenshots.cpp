#include "tests/ui/screenshots.h"

#include "app/AF.h"
#include "app/HF.h"
#include "app/SplashF.h"
#include "app/ras5.h"
#include "coefficients/ras3.h"
#include "design/classicaldesignwindow.h"
#include "design/ras2.h"
#include "editor/REMain.h"
#include "export/exportdialog.h"
#include "modelling/F1.h"
#include "modelling/F2.h"
#include "response/rasX.h"
#include "sound/Unit10.h"
#include "sound/Unit11.h"
#include "sound/Unit12.h"
#include "sound/Unit9.h"
#include "tests/ui/advicescreenshots.h"
#include "tests/ui/analysisscreenshots.h"
#include "tests/ui/chartsscreenshots.h"
#include "tests/ui/implementationscreenshots.h"
#include "tests/ui/listeningscreenshots.h"
#include "tests/ui/polezeroscreenshots.h"
#include "tests/ui/purposescreenshots.h"
#include "tests/ui/spectralscreenshots.h"
#include "tests/ui/uitest.h"
#include "ui/controls.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

namespace zorkan::ui::test {

namespace {

bool save(QWidget* widget, const QString& folder, const char* name) {
    return saveScreenshot(widget, folder, name);
}

// Shown windows where they stand on a picture of the whole screen.
bool saveOnScreen(std::initializer_list<QWidget*> windows, const QString& folder,
                  const char* name) {
    QImage screen(QGuiApplication::primaryScreen()->geometry().size(), QImage::Format_RGB32);
    screen.fill(QColor(0, 96, 128));
    QPainter painter(&screen);
    for (QWidget* window : windows)
        painter.drawPixmap(window->geometry().topLeft(), window->grab());
    painter.end();
    const QString path = QDir(folder).filePath(QString::fromLatin1(name) + ".png");
    const bool ok = screen.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// The converter and the writer with their files chosen, the question window, and the
// player with a generated sound file open.
bool renderSoundWindows(Program& program, const QString& folder) {
    bool ok = true;
    ScriptedPrompts& prompts = program.prompts();
    const std::size_t messagesBefore = prompts.messages.size();
    QByteArray wav("RIFF\x24\x1f\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0"
                   "\x01\0\x08\0data\0\x1f\0\0",
                   44);
    for (int i = 0; i < 7936; ++i)
        wav.append(char(128 + (i % 32) - 16));
    const auto put = [&](const char* name, const QByteArray& bytes) {
        QFile file(program.path(QString::fromLatin1(name)));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    ok = put("1.wav", wav) && put("Y1.yicd", "0\r\n") && ok;
    const auto press = [](QWidget* window, const char* button) {
        QTest::mouseClick(window->findChild<QPushButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    };
    const auto yes = [&](QDialog* question) {
        press(question, "BitBtn1");
        return question->result();
    };

    auto* converter = new TForm10(&program.main());
    converter->show();
    prompts.queueFile(program.path(QStringLiteral("1.wav")));
    press(converter, "Button1");
    prompts.queueFile(program.path(QStringLiteral("x1.xicd")));
    prompts.queueModal(yes);
    press(converter, "Button2");
    prompts.queueFile(program.path(QStringLiteral("Y1.wav")));
    prompts.queueModal(yes);
    press(converter, "Button3");
    ok = save(converter, folder, "sound-converter") && ok;
    converter->hide();

    auto* writer = new TForm11(&program.main());
    writer->show();
    prompts.queueFile(program.path(QStringLiteral("Y1.yicd")));
    press(writer, "Button1");
    prompts.queueFile(program.path(QStringLiteral("Y1.wav")));
    press(writer, "Button2");
    ok = save(writer, folder, "sound-writer") && ok;
    writer->hide();

    auto* question = new TForm12(&program.main());
    question->setFileName(QStringLiteral("none.wav"));
    ok = save(question, folder, "sound-question") && ok;
    question->hide();

    auto* player = new TForm9(&program.main());
    player->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(false);
    prompts.queueFile(program.path(QStringLiteral("1.wav")));
    player->findChild<QAction*>(QStringLiteral("Open1"))->trigger();
    player->Timer1Timer();
    player->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(true);
    ok = save(player, folder, "sound-player") && ok;
    player->hide();
    for (std::size_t i = messagesBefore; i < prompts.messages.size(); ++i) {
        std::printf("FAILED message on the way: %s\n", qPrintable(prompts.messages[i].text));
        ok = false;
    }
    return ok;
}

// The export dialog after the default design went out as q15 C code.
bool renderExportDialog(Program& program, const QString& folder) {
    auto* exporter = new ExportDialog(&program.main());
    exporter->setSourceFile(program.path(QStringLiteral("1.flt")));
    exporter->findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(3);
    exporter->findChild<QComboBox*>(QStringLiteral("ComboBox2"))->setCurrentIndex(2);
    exporter->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(true);
    const std::size_t messagesBefore = program.prompts().messages.size();
    program.prompts().queueFile(program.path(QStringLiteral("1.c")));
    QTest::mouseClick(exporter->findChild<QPushButton*>(QStringLiteral("BitBtn2")), Qt::LeftButton);
    bool ok = save(exporter, folder, "export");
    // The same filter as a Verilog module of 16-bit data and 18-bit coefficients.
    auto* formats = exporter->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
    formats->setCurrentIndex(formats->count() - 1);
    exporter->findChild<QSpinBox*>(QStringLiteral("SpinEdit3"))->setValue(18);
    ok = save(exporter, folder, "export-verilog") && ok;
    // The simulation's warnings of q15 (overflow, limit cycle) are expected; others not.
    for (std::size_t i = messagesBefore; i < program.prompts().messages.size(); ++i) {
        const QString& text = program.prompts().messages[i].text;
        if (text.startsWith(QStringLiteral("Предупреждение:")))
            continue;
        std::printf("FAILED message on the way: %s\n", qPrintable(text));
        ok = false;
    }
    exporter->hide();
    return ok;
}

// After the maximised editor has gone: the tool windows with their frames, arranged by
// the "Система" menu's "Каскадом" and "Мозаикой".
bool renderArrangedWindows(Program& program, const QString& folder) {
    TForm1& main = program.main();
    for (const char* name : {"CalcFil", "InputPars", "Modelling"})
        main.command(name)->trigger();
    // A main window the size of a common screen, as it opens maximised.
    const QSize designed = main.size();
    main.resize(1280, 900);
    bool ok = true;
    for (const auto& [action, name] :
         {std::pair{"Cascade", "main-arranged-cascade"}, std::pair{"Tile", "main-arranged-tile"}}) {
        auto* arrange = main.findChild<QAction*>(QString::fromLatin1(action));
        if (!arrange) {
            std::printf("FAILED no %s command\n", action);
            return false;
        }
        arrange->trigger();
        ok = save(&main, folder, name) && ok;
    }
    main.resize(designed);
    return ok;
}

} // namespace

bool saveScreenshot(QWidget* widget, const QString& folder, const char* name) {
    widget->show();
    if (!QTest::qWaitForWindowExposed(widget->window()))
        return false;
    QTest::qWait(30);
    const QString path = QDir(folder).filePath(QString::fromLatin1(name) + ".png");
    const bool ok = widget->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

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
                ok = saveOnScreen({&main, setup}, folder, "modelling-setup-on-screen") && ok;
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
    ok = renderAnalysisScreenshots(program, folder) && ok;
    ok = renderImplementationScreenshots(program, folder) && ok;
    ok = renderCharacteristicsScreenshots(program, folder) && ok;
    // Every classical design, here an order design of a Chebyshev II band-stop filter.
    main.command("ClassicalDesign")->trigger();
    if (auto* all = main.findChild<ClassicalDesignWindow*>()) {
        all->findChild<RadioGroup*>(QStringLiteral("Approximation"))->setItemIndex(3);
        all->findChild<RadioGroup*>(QStringLiteral("Kind"))->setItemIndex(3);
        all->findChild<RadioGroup*>(QStringLiteral("Mode"))->setItemIndex(1);
        ok = save(all->parentWidget(), folder, "classical-design") && ok;
        all->parentWidget()->close();
    } else {
        std::printf("FAILED no window of every classical design\n");
        ok = false;
    }
    // The editor with the default design's report, then with formatted text.
    main.command("Editor")->trigger();
    QMdiSubWindow* editorFrame = main.findChild<QMdiArea*>()->activeSubWindow();
    auto* editor = editorFrame ? qobject_cast<TMainForm*>(editorFrame->widget()) : nullptr;
    if (editor) {
        program.prompts().queueFile(program.path(QStringLiteral("1.out")));
        editor->FileOpen();
        ok = save(&main, folder, "editor-report") && ok;
        QFile formatted(program.path(QStringLiteral("formatted.rtf")));
        formatted.open(QIODevice::WriteOnly);
        formatted.write(
            "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 DejaVu Sans;}"
            "{\\f1\\fnil\\fcharset204 DejaVu Serif;}}"
            "\\pard\\qc{\\f1\\fs32\\b \\'ce\\'f2\\'f7\\'e5\\'f2 \\'ee "
            "\\'f0\\'e0\\'f1\\'f7\\'e5\\'f2\\'e5}\\par"
            "\\pard\\fi360\\li0\\ri720{\\f0\\fs20 \\'d4\\'e8\\'eb\\'fc\\'f2\\'f0 }"
            "{\\f0\\fs20\\i \\'c1\\'e0\\'f2\\'f2\\'e5\\'f0\\'e2\\'ee\\'f0\\'f2\\'e0}"
            "{\\f0\\fs20 , \\'ef\\'ee\\'f0\\'ff\\'e4\\'ee\\'ea }{\\f0\\fs20\\b 13}"
            "{\\f0\\fs20 ; \\'e7\\'e0\\'f2\\'f3\\'f5\\'e0\\'ed\\'e8\\'e5 }"
            "{\\f0\\fs20\\ul 30 dB}{\\f0\\fs20  \\u945?\\u946?}\\par"
            "\\pard{\\*\\pn\\pnlvlblt{\\pntxtb\\'95}}{\\f0\\fs20 F1 = 0.2}\\par"
            "\\pard{\\*\\pn\\pnlvlblt{\\pntxtb\\'95}}{\\f0\\fs20 F4 = 0.25}\\par"
            "\\pard\\qr{\\f0\\fs16\\i ZORKAN}\\par}");
        formatted.close();
        program.prompts().queueFile(formatted.fileName());
        editor->FileOpen();
        ok = save(&main, folder, "editor-formatted") && ok;
        editorFrame->close();
    } else {
        std::printf("FAILED Editor opened no editor window\n");
        ok = false;
    }
    ok = renderArrangedWindows(program, folder) && ok;

    ok = save(main.findChild<THelpForm*>(), folder, "help") && ok;
    auto* about = new TAboutForm(&main);
    ok = save(about, folder, "about") && ok;
    auto* splash = new TSplash(&main, 60000);
    ok = save(splash, folder, "splash") && ok;
    splash->hide();
    auto* logoSplash = new TSplash(&main, 60000);
    logoSplash->setOkVisible(true);
    ok = save(logoSplash, folder, "splash-logo") && ok;
    logoSplash->hide();
    ok = renderSoundWindows(program, folder) && ok;
    ok = renderListeningScreenshots(program, folder) && ok;
    ok = renderAdviceScreenshots(program, folder) && ok;
    ok = renderSpecialFiltersScreenshots(program, folder) && ok;
    ok = renderPoleZeroScreenshots(program, folder) && ok;
    ok = renderExportDialog(program, folder) && ok;
    return ok ? 0 : 1;
}

} // namespace zorkan::ui::test
