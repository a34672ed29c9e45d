// The main window: start-up, commands, menus, pages, status bar and the commands that
// work without later windows.
#include "app/AF.h"
#include "app/HF.h"
#include "app/SplashF.h"
#include "app/ras5.h"
#include "design/ras2.h"
#include "tests/ui/uitest.h"
#include "ui/controls.h"
#include "ui/errorhandler.h"
#include "ui/sharedstate.h"

#include <QAction>
#include <QEnterEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

namespace zorkan::ui::test {

namespace {

QTabWidget* pages(TForm1& main) {
    return main.findChild<QTabWidget*>("PageControl1");
}

QString panelText(TForm1& main, int panel) {
    return main.findChild<QLabel*>(QStringLiteral("StatusPanel") + QString::number(panel))->text();
}

QList<TForm2*> designWindows(TForm1& main) {
    return main.findChildren<TForm2*>();
}

// Items of a menu: "name|label|key", "—" for a separator, "▸title" for a submenu.
QStringList menuItems(const QMenu* menu) {
    QStringList items;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            items << QStringLiteral("—");
        } else if (action->menu()) {
            items << QStringLiteral("▸") + action->menu()->title();
        } else {
            const QStringList parts = action->text().split(QLatin1Char('\t'));
            const QString key =
                action->shortcut().isEmpty() ? parts.value(1) : action->shortcut().toString();
            items << action->objectName() + '|' + parts[0] + '|' + key;
        }
    }
    return items;
}

void show(TForm1& main) {
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void startUp() {
        Program program;
        // Whatever the flags held, the main window's creation zeroes all five words.
        shared().flags = OpenWindowFlags{1, 1, 1, 1, 3};
        program.start();
        TForm1& main = program.main();

        const OpenWindowFlags& f = shared().flags;
        QCOMPARE((QList<int>{f.DesignWindowOpen, f.ResponseWindowOpen, f.CoefficientWindowOpen,
                             f.ModellingWindowOpen, f.SpectrumSource}),
                 (QList<int>{0, 0, 0, 0, 0}));
        QVERIFY(shared().DesignedFilterFile.isEmpty());
        QVERIFY(shared().ResponseFilterFile.isEmpty());
        QCOMPARE(applicationTitle(), QStringLiteral("Система ZORKAN"));
        QCOMPARE(main.windowTitle(), QStringLiteral("Система ZORKAN: проектирование и "
                                                    "исследование цифровых фильтров. "
                                                    "спектральный анализ"));
        QCOMPARE(main.minimumSize(), QSize(700, 500));
        QCOMPARE(pages(main)->currentIndex(), 4);
        QCOMPARE(panelText(main, 0), QStringLiteral("Версия 1.2"));
        QCOMPARE(panelText(main, 1), QString());
        QCOMPARE(panelText(main, 3), QString());

        // The splash first, then results, About and help, all hidden but the splash.
        TSplash* splash = main.startUpSplash();
        QVERIFY(splash->isVisible());
        QVERIFY(splash->findChild<QPushButton*>("BitBtn1")->isHidden());
        const auto results = main.findChildren<TForm5*>();
        const auto abouts = main.findChildren<TAboutForm*>();
        const auto helps = main.findChildren<THelpForm*>();
        QCOMPARE(results.size(), 1);
        QCOMPARE(abouts.size(), 1);
        QCOMPARE(helps.size(), 1);
        QVERIFY(!results[0]->isVisible() && !abouts[0]->isVisible() && !helps[0]->isVisible());
        const QObjectList& order = main.children();
        QVERIFY(order.indexOf(splash) < order.indexOf(results[0]));
        QVERIFY(order.indexOf(results[0]) < order.indexOf(abouts[0]));
        QVERIFY(order.indexOf(abouts[0]) < order.indexOf(helps[0]));
        QVERIFY(!helps[0]->text().isEmpty());

        QVERIFY(program.prompts().messages.empty());
        QVERIFY(program.prompts().modalShows.empty());
    }

    void splashHidesAfterItsInterval() {
        Program program;
        program.start();
        QPointer<TSplash> splash = program.main().startUpSplash();
        QVERIFY(splash->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!splash->isVisible(), 3000);
        QVERIFY(splash); // hidden, not destroyed
    }

    void commands_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("enabled");
        const auto row = [](const char* name, const char* caption, const char* hint,
                            const char* key, bool enabled) {
            QTest::newRow(name) << name << QString::fromUtf8(caption) << QString::fromUtf8(hint)
                                << key << enabled;
        };
        row("Editor", "Текстовый редактор", "Редактор для работы с файами фильтров", "F3", true);
        row("CalcFil", "Расчёт", "Расчёт параметров фильтра", "", true);
        row("InputPars", "Ввод параметров фильтра", "Ввод параметров фильтра", "", true);
        row("SavePar", "Запись параметров фильтра", "Сохранение фильтра в файле", "", true);
        row("LoadPar", "Считывание параметров фильтра", "Загрузка файла фильтра", "", true);
        row("Modelling", "Моделирование работы фильтра", "Моделирование работы фильтра", "", true);
        row("ACHH", "Анализ частотных характеристик", "Анализ частотных характеристик", "", true);
        row("SpAnal", "Спектральный анализ", "Спектральный анализ", "", true);
        row("Data1", "Ввод данных из файла (*.dat)", "Ввод данных из файла(*.dat)", "", true);
        row("Data2", "Ввод данных из файла (*.xicd)", "", "", true);
        row("BPF", "Быстрое преобразование Фурье (BPF)", "Быстрое преобразование Фурье(BPF)", "",
            true);
        row("RPF", "Рекуррентный алгоритм (RPF)", "Рекуррентный алгоритм", "", true);
        row("PPF", "С переносом спектра (PPF)", "С переносом спектра", "", true);
        // Latin O in the caption, Cyrillic О (U+041E) in the hint.
        row("OPF", "Обратное преобразование Фурье (OPF)", "Обратное преобразование Фурье(\u041EPF)",
            "", true);
        row("Help", "Помощь", "Помощь", "F1", true);
        row("About", "О программе", "Информация о программе", "", true);
        // Menu items with texts of their own.
        row("MenuCalcFil", "Расчёт параметров фильтра", "Расчёт параметров фильтра", "", true);
        row("MenuACHH", "Анализ частотных характеристик", "Анализ частотных характеристик", "",
            true);
        row("MenuAbout", "О программе...", "Информация о программе", "", true);
        row("MenuExit", "Выход", "", "", true);
        row("ExportFilter", "Экспорт фильтра",
            "Экспорт фильтра секциями второго порядка: CSV, Octave/MATLAB, Python, C", "", true);
    }
    void commands() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, hint);
        QFETCH(QString, key);
        QFETCH(bool, enabled);
        Program program;
        program.start();
        QAction* action = program.main().command(name.toLatin1().constData());
        QVERIFY(action);
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->statusTip(), hint);
        if (!hint.isEmpty())
            QCOMPARE(action->toolTip(), hint);
        QCOMPARE(action->shortcut().toString(), key);
        QCOMPARE(action->isEnabled(), enabled);
    }

    void menus() {
        Program program;
        program.start();
        QMenuBar* bar = program.main().menuBar();
        QStringList titles;
        for (const QAction* action : bar->actions())
            titles << action->text();
        QCOMPARE(titles, (QStringList{"&Система", "Расчет и анализ", "Спектральный анализ",
                                      "Работа с файлами", "Помощь"}));

        const auto items = [&](const char* name) {
            return menuItems(bar->findChild<QMenu*>(QString::fromLatin1(name)));
        };
        // After the described items: arranging the child windows, then their list.
        QCOMPARE(items("MenuSystem"),
                 (QStringList{"Editor|Текстовый редактор|F3", "—", "MenuExit|Выход|", "—",
                              "Cascade|Каскадом|", "Tile|Мозаикой|", "—"}));
        QCOMPARE(
            items("MenuCalc"),
            (QStringList{
                "MenuCalcFil|Расчёт параметров фильтра|", "InputPars|Ввод параметров фильтра|", "—",
                "▸Файлы фильтров", "—", "Modelling|Моделирование работы фильтра|",
                "MenuACHH|Анализ частотных характеристик|", "FilterAnalysis|Анализ фильтра|",
                "FilterImplementation|Реализация фильтра|",
                "FilterCharacteristics|Характеристики фильтров|",
                "ClassicalDesign|Расчет фильтра: все типы|",
                "FilterAdvice|Выбор фильтра по требованиям|", "SpecialFilters|Специальные фильтры|",
                "PoleZeroEditor|Редактор нулей и полюсов|"}));
        QCOMPARE(items("MenuFilterFiles"), (QStringList{"LoadPar|Считывание параметров фильтра|",
                                                        "SavePar|Запись параметров фильтра|",
                                                        "ExportFilter|Экспорт фильтра|"}));
        QCOMPARE(items("MenuSpectral"),
                 (QStringList{"Data1|Ввод данных из файла (*.dat)|",
                              "Data3|Ввод данных из файла (*.reim)|",
                              "Data2|Ввод данных из файла (*.xicd)|", "—",
                              "BPF|Быстрое преобразование Фурье (BPF)|",
                              "RPF|Рекуррентный алгоритм (RPF)|", "PPF|С переносом спектра (PPF)|",
                              "OPF|Обратное преобразование Фурье (OPF)|"}));
        // "Телстовый" is the menu's own spelling.
        QCOMPARE(items("MenuFiles"),
                 (QStringList{"MenuEditor2|Телстовый редактор|F3", "WAVConv|WAVConv|",
                              "WAVWriter|WAVWriter|", "AudioPlayer|AudioPlayer|",
                              "Listening|Прослушивание фильтра|"}));
        QCOMPARE(items("MenuHelp"),
                 (QStringList{"Help|Помощь|F1", "—", "MenuAbout|О программе...|"}));
    }

    // The second F3 item does what Editor does and is enabled with it.
    void secondEditorItemFollowsEditor() {
        Program program;
        program.start();
        QAction* editor = program.main().command("Editor");
        QAction* second = program.main().command("MenuEditor2");
        QVERIFY(second->isEnabled());
        editor->setEnabled(false);
        QVERIFY(!second->isEnabled());
        editor->setEnabled(true);
        QVERIFY(second->isEnabled());
        QSignalSpy triggered(editor, &QAction::triggered);
        second->trigger();
        QCOMPARE(triggered.size(), 1);
    }

    void pageButtons_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<bool>("bold");
        const auto row = [](const char* button, int page, const char* caption, const char* command,
                            const char* hint, bool bold) {
            QTest::newRow(button) << button << page << QString::fromUtf8(caption) << command
                                  << QString::fromUtf8(hint) << bold;
        };
        row("SpeedButton2", 0, "Расчёт", "CalcFil", "Расчёт параметров фильтра", true);
        row("SpeedButton3", 0, "Ввод", "InputPars", "Ввод параметров фильтра", false);
        row("SpeedButton4", 1, "Моделирование", "Modelling", "Моделирование работы фильтра", true);
        row("SpeedButton5", 2, "А Ч Х", "ACHH", "Анализ частотных характеристик", true);
        row("SpeedButton6", 3, "Файл (*.dat)", "Data1", "Ввод данных из файла(*.dat)", false);
        row("SpeedButton7", 3, "Файл (*.xicd)", "Data2", "Ввод данных из файла (*.xicd", false);
        row("SpeedButton8", 3, "Файл (*.reim)", "Data3", "Ввод данных их файла [*.reim]", false);
        row("SpeedButton9", 3, "ViewFile", "ViewFile", "ViewFile", false);
        row("SpeedButton10", 3, "Быстрое преобр. Фурье (BPF)", "BPF",
            "Быстрое преобразование Фурье(BPF)", false);
        row("SpeedButton11", 3, "Рекуррентный алгоритм (RPF)", "RPF", "Рекуррентный алгоритм",
            false);
        row("SpeedButton12", 3, "С переносом спектра (PPF)", "PPF", "С переносом спектра", false);
        row("SpeedButton13", 3, "Обр. преоб. Фурье (\u041EPF)", "OPF",
            "Обратное преобразование Фурье(\u041EPF)", false);
        row("SpeedButton14", 4, "Текстовый редактор", "Editor",
            "Редактор для работы с файами фильтров", true);
        row("SpeedButton15", 4, "WAVConv", "WAVConv", "Конвертор звуковых файлов", false);
        row("SpeedButton16", 4, "WAVWriter", "WAVWriter", "Запись звукового файла", false);
        row("SpeedButton17", 4, "AudioPlayer", "AudioPlayer", "Воспроизведение звука", false);
        row("SpeedButton18", 4, "Прослушивание фильтра", "Listening",
            "Прослушивание звукового файла через фильтр", false);
    }
    void pageButtons() {
        QFETCH(QString, button);
        QFETCH(int, page);
        QFETCH(QString, caption);
        QFETCH(QString, command);
        QFETCH(QString, hint);
        QFETCH(bool, bold);
        Program program;
        program.start();
        auto* b = program.main().findChild<ActionButton*>(button);
        QVERIFY(b);
        QVERIFY(pages(program.main())->widget(page)->isAncestorOf(b));
        QCOMPARE(b->text(), caption);
        QCOMPARE(b->action()->objectName(), command);
        QCOMPARE(b->toolTip(), hint);
        QCOMPARE(b->statusTip(), hint);
        QCOMPARE(b->font().bold(), bold);
        QCOMPARE(b->isEnabled(), b->action()->isEnabled());
        b->action()->setEnabled(!b->isEnabled());
        QCOMPARE(b->isEnabled(), b->action()->isEnabled());
        QCOMPARE(b->toolTip(), hint);
    }

    void pageCaptions() {
        Program program;
        program.start();
        QTabWidget* tabs = pages(program.main());
        QStringList captions;
        for (int i = 0; i < tabs->count(); ++i)
            captions << tabs->tabText(i);
        QCOMPARE(captions,
                 (QStringList{"Расчёт", "Моделирование работы", "Анализ частотных характеристик",
                              "Спектральный анализ", "Работа с файлами"}));
        const auto text = [&](const char* name) {
            return program.main().findChild<QLabel*>(name)->text();
        };
        QCOMPARE(text("StaticText1"), QStringLiteral("Расчёт цифрового фильтра по данным "
                                                     "пользователя"));
        QCOMPARE(text("StaticText2"), QStringLiteral("Моделирование рассчитанного фильтра"));
        QCOMPARE(text("StaticText3"), QStringLiteral("Анализ частотных характеристик фильтра "
                                                     "рассчитанного пользователем"));
        QCOMPARE(text("Label1"), QStringLiteral("Ввод данных"));
    }

    void hintsInTheStatusBar() {
        Program program;
        program.start();
        TForm1& main = program.main();
        show(main);

        auto* menu = main.findChild<QMenu*>("MenuCalc");
        menu->popup(main.mapToGlobal(QPoint(80, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        menu->setActiveAction(main.command("MenuCalcFil"));
        QCOMPARE(panelText(main, 1), QStringLiteral("Расчёт параметров фильтра"));
        menu->hide();
        menu = main.findChild<QMenu*>("MenuHelp");
        menu->popup(main.mapToGlobal(QPoint(400, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        menu->setActiveAction(main.command("MenuAbout"));
        QCOMPARE(panelText(main, 1), QStringLiteral("Информация о программе"));
        menu->hide();

        // A button with a hint of its own, then leaving it.
        auto* xicd = main.findChild<QWidget*>("SpeedButton7");
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(xicd, &enter);
        QCOMPARE(panelText(main, 1), QStringLiteral("Ввод данных из файла (*.xicd"));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(xicd, &leave);
        QCOMPARE(panelText(main, 1), QString());

        // A hint in two parts shows its long part.
        QLabel twoParts(QStringLiteral("x"), main.centralWidget());
        twoParts.setStatusTip(QStringLiteral("кратко|подробная подсказка"));
        QCoreApplication::sendEvent(&twoParts, &enter);
        QCOMPARE(panelText(main, 1), QStringLiteral("подробная подсказка"));
    }

    // Hints of other windows, and of controls whose hint is a tooltip, reach panel 1 too.
    void hintsOfEveryWindow() {
        Program program;
        program.start();
        TForm1& main = program.main();
        show(main);
        auto* about = new TAboutForm(&main);
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        main.command("ACHH")->trigger();
        auto* response = main.findChild<QWidget*>("Form4");
        QVERIFY(response);

        const struct {
            QWidget* control;
            QString hint;
        } controls[] = {
            {about->findChild<QWidget*>("Image2"), QStringLiteral("Мастерская ZORKAN, 2025")},
            {response->findChild<QWidget*>("Image1"),
             QStringLiteral("Двойной щелчок - сохранить рисунок")},
        };
        for (const auto& c : controls) {
            QVERIFY(c.control);
            QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
            QCoreApplication::sendEvent(c.control, &enter);
            QCOMPARE(panelText(main, 1), c.hint);
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(c.control, &leave);
            QCOMPARE(panelText(main, 1), QString());
        }
        // A status tip of another window stops at that window, yet reaches the panel.
        QLabel tipped(QStringLiteral("x"), about);
        tipped.setStatusTip(QStringLiteral("кратко|подсказка окна О программе"));
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(&tipped, &enter);
        QCOMPARE(panelText(main, 1), QStringLiteral("подсказка окна О программе"));
        about->close();

        // The pointer on the menu title "Спектральный анализ".
        QMenuBar* bar = main.menuBar();
        const QRect title =
            bar->actionGeometry(main.findChild<QMenu*>("MenuSpectral")->menuAction());
        QMouseEvent move(QEvent::MouseMove, QPointF(title.center()),
                         bar->mapToGlobal(QPointF(title.center())), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &move);
        QCOMPARE(panelText(main, 1), QStringLiteral("Спектральный анализ"));
    }

    // The tab control and the hint panel follow the width: 215 and 195 at creation, then
    // 215 and 205 on every resize.
    void resizeRules() {
        Program program;
        program.start();
        TForm1& main = program.main();
        auto* tabs = pages(main);
        QCOMPARE(main.width(), 923);
        QCOMPARE(tabs->width(), 923 - 215);
        QCOMPARE(main.hintPanelWidth(), 923 - 195);

        show(main);
        for (const QSize size : {QSize(1000, 700), QSize(800, 600)}) {
            main.resize(size);
            QTRY_COMPARE(main.width(), size.width());
            QCOMPARE(tabs->width(), size.width() - 215);
            QCOMPARE(main.hintPanelWidth(), size.width() - 205);
        }
        main.resize(600, 400);
        QTest::qWait(20);
        QVERIFY(main.width() >= 700 && main.height() >= 500);
    }

    void calcFilOpensOneDesignWindow() {
        Program program;
        program.start();
        TForm1& main = program.main();
        show(main);
        auto* button = main.findChild<QWidget*>("SpeedButton2");
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(designWindows(main).size(), 1);
        QPointer<TForm2> first = designWindows(main)[0];
        QCOMPARE(shared().flags.DesignWindowOpen, 1);
        QCOMPARE(first->parentWidget()->pos(), QPoint(1, 1));
        QCOMPARE(first->windowTitle(), QStringLiteral("Расчет параметров фильтра"));

        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(designWindows(main).size(), 1);
        QCOMPARE(designWindows(main)[0], first.data());
        QCOMPARE(pages(main)->currentIndex(), 4); // the command alone leaves the page

        // Closing clears the flag; the command then opens a new window.
        first->parentWidget()->close();
        QCOMPARE(shared().flags.DesignWindowOpen, 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        main.command("CalcFil")->trigger();
        QCOMPARE(designWindows(main).size(), 1);
        QCOMPARE(shared().flags.DesignWindowOpen, 1);
    }

    // The menu item brings "Расчёт" to the front only when it opens the window.
    void menuItemBringsItsPage() {
        Program program;
        program.start();
        TForm1& main = program.main();
        main.command("MenuCalcFil")->trigger();
        QCOMPARE(designWindows(main).size(), 1);
        QCOMPARE(pages(main)->currentIndex(), 0);
        pages(main)->setCurrentIndex(4);
        main.command("MenuCalcFil")->trigger();
        QCOMPARE(designWindows(main).size(), 1);
        QCOMPARE(pages(main)->currentIndex(), 4);
    }

    // An open response window is closed first; its closing takes the design window with
    // it, so a fresh design window opens.
    void calcFilClosesTheResponseWindow_data() {
        QTest::addColumn<bool>("designOpen");
        QTest::newRow("design window open") << true;
        QTest::newRow("design window closed") << false;
    }
    void calcFilClosesTheResponseWindow() {
        QFETCH(bool, designOpen);
        Program program;
        program.start();
        TForm1& main = program.main();
        if (designOpen)
            main.command("CalcFil")->trigger();
        QPointer<TForm2> old = designOpen ? designWindows(main)[0] : nullptr;
        int closes = 0;
        shared().response.close = [&] {
            ++closes;
            shared().flags.ResponseWindowOpen = 0;
            for (QMdiSubWindow* w : shared().documentArea->subWindowList())
                w->close();
        };
        shared().flags.ResponseWindowOpen = 1;

        main.command("CalcFil")->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(closes, 1);
        QVERIFY(!old);
        QCOMPARE(designWindows(main).size(), 1);
        QCOMPARE(shared().flags.DesignWindowOpen, 1);
    }

    void messageCommands_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("text");
        QTest::newRow("SavePar") << "SavePar"
                                 << "Сохранение";
        QTest::newRow("LoadPar") << "LoadPar"
                                 << "Считывание";
    }
    void messageCommands() {
        QFETCH(QString, command);
        QFETCH(QString, text);
        Program program;
        program.start();
        program.main().command(command.toLatin1().constData())->trigger();
        const auto& messages = program.prompts().messages;
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].text, text);
        QCOMPARE(messages[0].caption, QStringLiteral("Система ZORKAN"));
        QVERIFY(program.prompts().fileRequests.empty());
        QVERIFY(shared().documentArea->subWindowList().isEmpty());
        QCOMPARE(pages(program.main())->currentIndex(), 4);
    }

    void spectralAnalysisPage() {
        Program program;
        program.start();
        TForm1& main = program.main();
        main.command("SpAnal")->trigger();
        QCOMPARE(pages(main)->currentIndex(), 3);

        show(main);
        pages(main)->setCurrentIndex(0);
        auto* menu = main.findChild<QMenu*>("MenuSpectral");
        menu->popup(main.mapToGlobal(QPoint(200, 20)));
        QCOMPARE(pages(main)->currentIndex(), 3);
        menu->hide();
    }

    void helpShowsTheOneHelpWindow() {
        Program program;
        program.start();
        TForm1& main = program.main();
        show(main);
        main.command("Help")->trigger();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QTest::keyClick(&main, Qt::Key_F1);
        const auto& shown = program.prompts().modalShows;
        QCOMPARE(shown.size(), size_t(2));
        auto* help = main.findChild<THelpForm*>();
        QCOMPARE(shown[0].data(), help);
        QCOMPARE(shown[1].data(), help);
    }

    void aboutMakesANewWindowEachTime() {
        Program program;
        program.start();
        TForm1& main = program.main();
        main.command("About")->trigger();
        main.command("MenuAbout")->trigger();
        const auto& shown = program.prompts().modalShows;
        QCOMPARE(shown.size(), size_t(2));
        QVERIFY(qobject_cast<TAboutForm*>(shown[0].data()));
        QVERIFY(qobject_cast<TAboutForm*>(shown[1].data()));
        QVERIFY(shown[0] != shown[1]);
        QCOMPARE(shown[1]->windowTitle(), QStringLiteral("О программе..."));
        QCOMPARE(main.findChildren<TAboutForm*>().size(), 3); // with the one of start-up
    }

    // A new splash with its OK button, shown modally; it closes by itself.
    void logoOpensASplash() {
        Program program;
        program.start();
        TForm1& main = program.main();
        show(main);
        bool hidBySelf = false;
        program.prompts().queueModal([&](QDialog* dialog) {
            dialog->show();
            hidBySelf = QTest::qWaitFor([&] { return !dialog->isVisible(); }, 3000);
            return dialog->result();
        });
        QTest::mouseClick(main.findChild<QWidget*>("Image1"), Qt::LeftButton);
        const auto& shown = program.prompts().modalShows;
        QCOMPARE(shown.size(), size_t(1));
        auto* splash = qobject_cast<TSplash*>(shown[0].data());
        QVERIFY(splash);
        QVERIFY(splash != main.startUpSplash());
        QVERIFY(!splash->findChild<QPushButton*>("BitBtn1")->isHidden());
        QVERIFY(hidBySelf);
    }

    void closingTheMainWindow_data() {
        QTest::addColumn<bool>("byButton");
        QTest::newRow("close button") << true;
        QTest::newRow("Выход") << false;
    }
    void closingTheMainWindow() {
        QFETCH(bool, byButton);
        Program program;
        program.start();
        TForm1& main = program.main();
        show(main);
        if (byButton)
            QTest::mouseClick(main.findChild<QToolButton*>("SpeedButton1"), Qt::LeftButton);
        else
            main.command("MenuExit")->trigger();
        QVERIFY(!main.isVisible());
    }
};

ZORKAN_UI_TEST(MainWindowTest);

} // namespace zorkan::ui::test

#include "mainwindow_test.moc"
