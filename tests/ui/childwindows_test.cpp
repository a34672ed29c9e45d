// Child windows of the main window: their frames after a maximised editor, a command
// bringing its open window to the front, and the "Система" menu's arranging commands
// and window list.
#include "app/ras5.h"
#include "coefficients/ras3.h"
#include "design/ras2.h"
#include "editor/REMain.h"
#include "modelling/F1.h"
#include "response/rasX.h"
#include "tests/ui/uitest.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

namespace zorkan::ui::test {

namespace {

struct Shell {
    Shell() {
        program.start();
        program.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&program.main()));
        area = program.main().findChild<QMdiArea*>("MdiArea");
    }
    void run(const char* command) { program.main().command(command)->trigger(); }
    QString activeClass() const {
        QMdiSubWindow* active = area->activeSubWindow();
        return active && active->widget()
                   ? QString::fromLatin1(active->widget()->metaObject()->className())
                   : QString();
    }
    // The window drawn on top of the others.
    QMdiSubWindow* top() const {
        const QList<QMdiSubWindow*> stack = area->subWindowList(QMdiArea::StackingOrder);
        return stack.isEmpty() ? nullptr : stack.last();
    }
    QMenu* systemMenu() { return program.main().findChild<QMenu*>("MenuSystem"); }
    // Opens the "Система" menu's list as opening the menu does.
    QList<QAction*> windowList() {
        QMetaObject::invokeMethod(systemMenu(), "aboutToShow");
        QList<QAction*> items;
        for (QAction* a : systemMenu()->actions())
            if (a->objectName().startsWith(QStringLiteral("ChildWindow")))
                items << a;
        return items;
    }

    Program program;
    QMdiArea* area = nullptr;
};

bool framed(const QMdiSubWindow* window) {
    return !window->isMaximized() && (window->windowFlags() & Qt::WindowTitleHint) &&
           window->geometry().topLeft() == QPoint(1, 1);
}

} // namespace

class ChildWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    // With the editor maximised, and after it closed, a tool window opened before it and
    // every tool window opened then keep their frames at (1, 1); no restore or close
    // buttons of the editor stay in the menu bar.
    void framesAfterTheMaximisedEditor_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("editorClosed");
        for (const char* command : {"CalcFil", "InputPars", "Modelling", "ACHH"}) {
            QTest::addRow("%s beside the editor", command) << command << false;
            QTest::addRow("%s after the editor", command) << command << true;
        }
    }
    void framesAfterTheMaximisedEditor() {
        QFETCH(QString, command);
        QFETCH(bool, editorClosed);
        Shell shell;
        shell.run(command == QStringLiteral("InputPars") ? "Modelling" : "InputPars");
        QMdiSubWindow* earlier = shell.area->activeSubWindow();
        shell.run("Editor");
        QMdiSubWindow* editor = shell.area->activeSubWindow();
        QVERIFY(editor && editor->isMaximized());
        if (editorClosed) {
            editor->close();
            QCOMPARE(shell.area->activeSubWindow(), earlier);
            QVERIFY(framed(earlier));
            QVERIFY(!shell.program.main().menuBar()->cornerWidget(Qt::TopRightCorner) ||
                    !shell.program.main().menuBar()->cornerWidget(Qt::TopRightCorner)->isVisible());
        }
        shell.run(command.toLatin1().constData());
        QMdiSubWindow* opened = shell.area->activeSubWindow();
        QVERIFY(opened && opened != editor);
        QVERIFY(framed(opened));
        QCOMPARE(shell.top(), opened);
        // A second editor still opens maximised.
        shell.run("Editor");
        QVERIFY(shell.area->activeSubWindow()->isMaximized());
        QVERIFY(framed(opened));
    }

    // A command whose window is open brings it to the front and opens no second one (the
    // newer windows too, which would otherwise open a blank copy); so
    // does the results window's "Готово" (BitBtn1) for the response window it names. The
    // response window goes without a design window: CalcFil would close it.
    void commandRaisesItsOpenWindow_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("form");
        const QString design = QStringLiteral("CalcFil");
        const QString response = QStringLiteral("ACHH");
        QTest::newRow("CalcFil") << design << "CalcFil"
                                 << "TForm2";
        QTest::newRow("MenuCalcFil") << design << "MenuCalcFil"
                                     << "TForm2";
        QTest::newRow("InputPars") << design << "InputPars"
                                   << "TForm3";
        QTest::newRow("Modelling") << design << "Modelling"
                                   << "TFormSin";
        QTest::newRow("ACHH") << response << "ACHH"
                              << "TForm4";
        QTest::newRow("MenuACHH") << response << "MenuACHH"
                                  << "TForm4";
        QTest::newRow("Готово") << response << "BitBtn1"
                                << "TForm4";
        // The newer windows: one of each kind.
        const char* const newer[][2] = {{"FilterAnalysis", "AnalysisWindow"},
                                        {"FilterImplementation", "ImplementationWindow"},
                                        {"FilterCharacteristics", "CharacteristicsWindow"},
                                        {"ClassicalDesign", "ClassicalDesignWindow"},
                                        {"FilterAdvice", "AdviceWindow"},
                                        {"SpecialFilters", "SpecialFiltersWindow"},
                                        {"Listening", "ListeningWindow"},
                                        {"PoleZeroEditor", "PoleZeroWindow"}};
        for (const auto& row : newer)
            QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[0])
                                  << QString::fromLatin1(row[1]);
    }
    void commandRaisesItsOpenWindow() {
        QFETCH(QString, first);
        QFETCH(QString, command);
        QFETCH(QString, form);
        Shell shell;
        const QByteArray firstName = first.toLatin1();
        for (const char* name : {firstName.constData(), "InputPars", "Modelling", "Editor"})
            shell.run(name);
        QCOMPARE(shell.activeClass(), QStringLiteral("zorkan::ui::TMainForm"));
        if (command == QStringLiteral("BitBtn1")) {
            auto* results = shell.program.main().findChild<TForm5*>();
            results->show();
            QTest::mouseClick(results->findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
        } else {
            shell.run(command.toLatin1().constData());
        }
        QCOMPARE(shell.activeClass(), QStringLiteral("zorkan::ui::") + form);
        QCOMPARE(shell.top(), shell.area->activeSubWindow());
        QCOMPARE(shell.area->subWindowList().size(), 4);
    }

    // "Каскадом" steps the windows down and right; "Мозаикой" spreads them over the area;
    // the numbered list activates the chosen window.
    void arrangingAndTheWindowList() {
        Shell shell;
        // The first window opened is brought back on top.
        for (const char* name : {"CalcFil", "InputPars", "Modelling", "CalcFil"})
            shell.run(name);
        QMdiSubWindow* design = shell.top();
        auto* cascade = shell.program.main().findChild<QAction*>("Cascade");
        auto* tile = shell.program.main().findChild<QAction*>("Tile");
        QVERIFY(cascade && tile);
        QCOMPARE(cascade->text(), QStringLiteral("Каскадом"));
        QCOMPARE(tile->text(), QStringLiteral("Мозаикой"));
        QVERIFY(!cascade->statusTip().isEmpty() && !tile->statusTip().isEmpty());
        const QList<QAction*> menu = shell.systemMenu()->actions();
        QVERIFY(menu.indexOf(cascade) > menu.indexOf(shell.program.main().command("MenuExit")));

        cascade->trigger();
        const QList<QMdiSubWindow*> windows = shell.area->subWindowList(QMdiArea::StackingOrder);
        QCOMPARE(windows.last(), design);
        QCOMPARE(shell.area->activeSubWindow(), design);
        QCOMPARE(windows.first()->pos(), QPoint(0, 0));
        QList<QPoint> cascaded;
        for (qsizetype i = 0; i < windows.size(); ++i) {
            cascaded << windows[i]->pos();
            if (i > 0) {
                QVERIFY(windows[i]->x() > windows[i - 1]->x());
                QVERIFY(windows[i]->y() > windows[i - 1]->y());
            }
        }
        const QSize mainSize = shell.program.main().size();
        tile->trigger();
        QCOMPARE(shell.program.main().size(), mainSize);
        QCOMPARE(shell.program.main().minimumSize(), QSize(700, 500));
        QList<QPoint> tiled;
        for (QMdiSubWindow* w : windows) {
            tiled << w->pos();
            QVERIFY(shell.area->viewport()->rect().contains(w->pos()));
        }
        QVERIFY(tiled != cascaded);
        QVERIFY(tiled[0] != tiled[1] && tiled[1] != tiled[2] && tiled[0] != tiled[2]);

        const QList<QAction*> list = shell.windowList();
        QCOMPARE(list.size(), 3);
        const QList<QMdiSubWindow*> created = shell.area->subWindowList();
        QCOMPARE(list[0]->text(), QStringLiteral("&1 ") + created[0]->windowTitle());
        QCOMPARE(list[2]->text(), QStringLiteral("&3 ") + created[2]->windowTitle());
        QVERIFY(list[0]->isChecked() && !list[2]->isChecked());
        list[2]->trigger();
        QCOMPARE(shell.area->activeSubWindow(), created[2]);
        QCOMPARE(shell.top(), created[2]);
        // Made anew at each opening: a closed window leaves the list.
        created[1]->close();
        QCOMPARE(shell.windowList().size(), 2);
    }
};

ZORKAN_UI_TEST(ChildWindowsTest);

} // namespace zorkan::ui::test

#include "childwindows_test.moc"
