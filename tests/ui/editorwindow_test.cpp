// The text editor window: opening from the main window, the commands and their enabling,
// saving by the extension rule, the questions, the toolbar and ruler following the
// selection, reading reports and rich text, printing.
#include "design/designrun.h"
#include "editor/REMain.h"
#include "editor/richtext.h"
#include "editor/ruler.h"
#include "tests/ui/uitest.h"
#include "ui/errorhandler.h"
#include "ui/sharedstate.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QSpinBox>
#include <QStatusTipEvent>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

#include <functional>

namespace zorkan::ui::test {

namespace {

QList<TMainForm*> editors() {
    QList<TMainForm*> found;
    for (QMdiSubWindow* window : shared().documentArea->subWindowList())
        if (auto* form = qobject_cast<TMainForm*>(window->widget()))
            found << form;
    return found;
}

// A program with one editor window open.
struct EditorSession {
    EditorSession() {
        setApplicationTitle(QStringLiteral("Система ZORKAN"));
        program.start();
        program.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&program.main()));
        program.main().command("Editor")->trigger();
        form = editors().value(0);
        QVERIFY(form);
    }
    ScriptedPrompts& prompts() { return program.prompts(); }
    QAction* action(const char* name) const {
        return form->findChild<QAction*>(QString::fromLatin1(name));
    }
    QString panel(int k) const {
        return form->findChild<QLabel*>(QStringLiteral("Panel") + QString::number(k))->text();
    }
    // Typed text (inserted at the caret as typing does; key clicks know only ASCII).
    void type(const QString& text) {
        form->editor()->setFocus();
        form->editor()->insertPlainText(text);
    }
    // Saves through "Save As" under `name` in the test folder.
    QString saveAs(const QString& name) {
        const QString path = program.path(name);
        prompts().queueFile(path);
        action("FileSaveAs")->trigger();
        return path;
    }
    void open(const QString& path) {
        prompts().queueFile(path);
        action("FileOpen")->trigger();
    }
    Program program;
    TMainForm* form = nullptr;
};

QByteArray rtfOf(const QByteArray& body) {
    return "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 Arial;}}" + body +
           "}";
}

} // namespace

class EditorWindowTest : public QObject {
    Q_OBJECT
  private slots:
    // F3, the page button and both menu items each open one more maximised editor.
    void editorCommandOpensANewWindowEachTime() {
        EditorSession s;
        TForm1& main = s.program.main();
        const std::function<void()> uses[] = {
            [&] { QTest::keyClick(&main, Qt::Key_F3); },
            [&] { main.command("MenuEditor2")->trigger(); },
            [&] {
                QTest::mouseClick(main.findChild<QWidget*>(QStringLiteral("SpeedButton14")),
                                  Qt::LeftButton);
            },
        };
        int count = 1;
        for (const auto& use : uses) {
            use();
            QCOMPARE(editors().size(), ++count);
            // The newest window is the active one, maximised (MDI keeps one maximised).
            QMdiSubWindow* newest = shared().documentArea->activeSubWindow();
            QVERIFY(newest && qobject_cast<TMainForm*>(newest->widget()));
            QVERIFY(newest->isMaximized());
            QVERIFY(
                !editors().mid(0, count - 1).contains(qobject_cast<TMainForm*>(newest->widget())));
        }
        for (TMainForm* form : editors()) {
            QCOMPARE(form->windowTitle(), QStringLiteral("Untitled - Система ZORKAN"));
            QCOMPARE(form->fileName(), QStringLiteral("Untitled"));
        }
    }

    // Keys pressed in the text: F3 of the main window, and the editor's own shortcuts.
    void keysWorkFromInsideTheText() {
        EditorSession s;
        s.form->editor()->setFocus();
        QTest::keyClick(s.form->editor(), Qt::Key_F3);
        QCOMPARE(editors().size(), 2);
        TMainForm* second = editors().value(1);
        QTRY_VERIFY(second->editor()->hasFocus() ||
                    QApplication::focusWidget() == second->editor());
        QPointer<TMainForm> guard = second;
        QTest::keyClick(second->editor(), Qt::Key_X, Qt::AltModifier);
        QTRY_VERIFY(!guard);
        QCOMPARE(editors().size(), 1);
    }

    // The editor's hints go to the main window's hint panel; its own panels keep theirs.
    void hintsShowInTheMainWindow() {
        EditorSession s;
        auto* names = s.form->findChild<QComboBox*>(QStringLiteral("FontName"));
        QStatusTipEvent tip(names->statusTip());
        QCoreApplication::sendEvent(names, &tip);
        QCOMPARE(s.program.main().findChild<QLabel*>(QStringLiteral("StatusPanel1"))->text(),
                 QStringLiteral("Select font name"));
        QCOMPARE(s.panel(1), QStringLiteral("Line:   1   Col:   1"));
    }

    void commands_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("hint");
        const auto row = [](const char* name, const char* caption, const char* key,
                            const char* hint) {
            QTest::newRow(name) << name << caption << key << hint;
        };
        row("FileNew", "&New", "Ctrl+N", "Create a new file");
        row("FileOpen", "&Open...", "Ctrl+O", "Open an existing file");
        row("FileSave", "&Save", "Ctrl+S", "Save current file");
        row("FileSaveAs", "Save &As...", "", "Save current file under a new name");
        row("FilePrint", "&Print", "Ctrl+P", "Print current file");
        row("FileExit", "E&xit", "Alt+X", "Exit this application");
        row("EditUndo", "&Undo", "Ctrl+Z", "Undo the last action");
        row("EditCut", "Cu&t", "Ctrl+X", "Delete selected item");
        row("EditCopy", "&Copy", "Ctrl+C", "Copy selected item to clipboard");
        row("EditPaste", "&Paste", "Ctrl+V", "Paste contents of clipboard");
        row("EditFont", "&Font...", "", "");
        row("BulletsButton", "Bullets", "", "Enter bullet mode");
    }
    void commands() {
        QFETCH(QString, name);
        EditorSession s;
        QAction* a = s.action(name.toLatin1().constData());
        QVERIFY(a);
        QTEST(a->text(), "caption");
        QTEST(a->shortcut().toString(), "key");
        QTEST(a->statusTip(), "hint");
    }

    // Ctrl+S on a typed text: the name is asked first, then the file is rich text that
    // an RTF reader finds the text in.
    void neverSavedTextAsksForANameFirst() {
        EditorSession s;
        s.type(QStringLiteral("Привет, note"));
        QCOMPARE(s.panel(2), QStringLiteral("Modified"));
        const QString path = s.program.path(QStringLiteral("note.rtf"));
        s.prompts().queueFile(path);
        QTest::keyClick(s.form->editor(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(s.prompts().fileRequests.size(), std::size_t(1));
        const FileDialogRequest& asked = s.prompts().fileRequests[0].request;
        QVERIFY(asked.filter.startsWith(QStringLiteral("Rich Text Files (*.RTF)|*.RTF|")));
        QCOMPARE(asked.initialFolder, QCoreApplication::applicationDirPath());
        const QByteArray bytes = fileBytes(path);
        QVERIFY(bytes.startsWith("{\\rtf1"));
        QVERIFY(bytes.contains("\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2, note"));
        QCOMPARE(s.form->fileName(), path);
        QCOMPARE(s.form->windowTitle(), QStringLiteral("note.rtf - Система ZORKAN"));
        QCOMPARE(s.panel(2), QString());
        // A second save writes without asking.
        s.type(QStringLiteral("!"));
        QTest::keyClick(s.form->editor(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(s.prompts().fileRequests.size(), std::size_t(1));
        QVERIFY(fileBytes(path).contains("note!"));
    }

    void savingFollowsTheExtension_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("plain");
        QTest::newRow(".out") << "1.out" << true;
        QTest::newRow(".flt") << "1.flt" << true;
        QTest::newRow(".txt") << "a.txt" << true;
        QTest::newRow(".rtf") << "a.rtf" << false;
        QTest::newRow(".OUT") << "1.OUT" << false;
        QTest::newRow("no extension") << "report" << false;
    }
    void savingFollowsTheExtension() {
        QFETCH(QString, name);
        QFETCH(bool, plain);
        EditorSession s;
        s.type(QStringLiteral("Фильтр"));
        QTest::keyClick(s.form->editor(), Qt::Key_Return);
        s.type(QStringLiteral("0.5"));
        const QString path = s.saveAs(name);
        const QByteArray bytes = fileBytes(path);
        if (plain)
            QCOMPARE(bytes, QByteArray("\xD4\xE8\xEB\xFC\xF2\xF0\r\n0.5\r\n"));
        else
            QVERIFY2(bytes.startsWith("{\\rtf1\\ansi\\ansicpg1251"), bytes.constData());
        QVERIFY(!s.form->editor()->document()->isModified());
    }

    // A character that code page 1251 lacks: a message naming it, the file untouched,
    // the text still modified.
    void plainSaveRefusesCharactersOutsideCp1251() {
        EditorSession s;
        const QString path = s.program.path(QStringLiteral("1.out"));
        writeCp1251(path, QStringLiteral("old\n"));
        s.type(QStringLiteral("a \u03b1 b"));
        s.prompts().queueFile(path);
        s.prompts().queueChoice(Choice::Yes);
        s.action("FileSaveAs")->trigger();
        QCOMPARE(s.prompts().messages.size(), std::size_t(1));
        QVERIFY(s.prompts().messages[0].text.contains(QStringLiteral("«\u03b1» (U+03B1)")));
        QCOMPARE(fileBytes(path), QByteArray("old\r\n"));
        QVERIFY(s.form->editor()->document()->isModified());
        QCOMPARE(s.form->fileName(), QStringLiteral("Untitled"));
    }

    void overwriteQuestion() {
        EditorSession s;
        const QString path = s.program.path(QStringLiteral("x.txt"));
        writeCp1251(path, QStringLiteral("old\n"));
        s.type(QStringLiteral("new"));
        for (const Choice answer : {Choice::No, Choice::Cancel}) {
            s.prompts().queueFile(path);
            s.prompts().queueChoice(answer);
            s.action("FileSaveAs")->trigger();
            QCOMPARE(fileBytes(path), QByteArray("old\r\n"));
        }
        QCOMPARE(s.prompts().questions.back(), QStringLiteral("OK to overwrite ") + path);
        s.prompts().queueFile(path);
        s.prompts().queueChoice(Choice::Yes);
        s.action("FileSaveAs")->trigger();
        QCOMPARE(fileBytes(path), QByteArray("new\r\n"));
    }

    // Cancel keeps the window and its text; No closes it without saving.
    void closingAsksToSaveChanges() {
        EditorSession s;
        s.type(QStringLiteral("keep me"));
        QPointer<TMainForm> form = s.form;
        s.prompts().queueChoice(Choice::Cancel);
        form->parentWidget()->close();
        QVERIFY(form);
        QCOMPARE(s.prompts().questions, std::vector<QString>{"Save changes to Untitled?"});
        QCOMPARE(form->editor()->toPlainText(), QStringLiteral("keep me"));
        // Yes with a cancelled name dialog saves nothing, so the window stays too.
        s.prompts().queueChoice(Choice::Yes);
        s.prompts().queueCancel();
        s.action("FileExit")->trigger();
        QVERIFY(form);
        s.prompts().queueChoice(Choice::No);
        s.action("FileExit")->trigger();
        QTRY_VERIFY(!form);
        QVERIFY(s.prompts().drained());
    }

    // Closing the main window would destroy the editors: each modified one asks first.
    void closingTheMainWindowAsksToo() {
        EditorSession s;
        s.type(QStringLiteral("unsaved"));
        QPointer<TMainForm> form = s.form;
        s.prompts().queueChoice(Choice::Cancel);
        s.program.main().close();
        QVERIFY(s.program.main().isVisible());
        QVERIFY(form);
        QCOMPARE(s.prompts().questions.size(), std::size_t(1));
        s.prompts().queueChoice(Choice::No);
        s.program.main().close();
        QVERIFY(!s.program.main().isVisible());
    }

    void newAsksBeforeDroppingAModifiedText() {
        EditorSession s;
        s.type(QStringLiteral("draft"));
        s.prompts().queueChoice(Choice::Cancel);
        s.action("FileNew")->trigger();
        QCOMPARE(s.form->editor()->toPlainText(), QStringLiteral("draft"));
        s.prompts().queueChoice(Choice::No);
        s.action("FileNew")->trigger();
        QCOMPARE(s.form->editor()->toPlainText(), QString());
        QVERIFY(!s.form->editor()->document()->isModified());
        QCOMPARE(s.panel(2), QString());
    }

    // Open over a modified text asks first: Cancel keeps the text and shows no dialog.
    void openAsksBeforeDroppingAModifiedText() {
        EditorSession s;
        const QString path = s.program.path(QStringLiteral("other.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("other\r\n");
        file.close();
        s.type(QStringLiteral("draft"));
        s.prompts().queueChoice(Choice::Cancel);
        s.action("FileOpen")->trigger();
        QCOMPARE(s.prompts().questions, std::vector<QString>{"Save changes to Untitled?"});
        QVERIFY(s.prompts().fileRequests.empty());
        QCOMPARE(s.form->editor()->toPlainText(), QStringLiteral("draft"));
        s.prompts().queueChoice(Choice::No);
        s.open(path);
        QCOMPARE(s.prompts().questions.size(), std::size_t(2));
        QCOMPARE(s.form->editor()->toPlainText(), QStringLiteral("other\n"));
    }

    // A file that lost a picture and a footnote on opening: the first save over it asks
    // (Cancel keeps it, No asks for another name, Yes saves); another name never asks.
    void savingOverAFileThatLostContentAsksFirst() {
        EditorSession s;
        const QString path = s.program.path(QStringLiteral("rich.rtf"));
        const QByteArray original = rtfOf("{\\pict\\pngblip 89}A{\\footnote N}\\par ");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(original);
        file.close();
        s.open(path);
        s.type(QStringLiteral("B"));
        const auto readBack = [&] {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        s.prompts().queueChoice(Choice::Cancel);
        s.action("FileSave")->trigger();
        QCOMPARE(s.prompts().questions.size(), std::size_t(1));
        QVERIFY(s.prompts().questions[0].contains(QStringLiteral("рисунки и объекты, сноски")));
        s.prompts().queueChoice(Choice::No);
        s.prompts().queueCancel(); // the name dialog that "Нет" opens
        s.action("FileSave")->trigger();
        QCOMPARE(s.prompts().fileRequests.size(), std::size_t(2));
        QCOMPARE(readBack(), original);
        s.saveAs(QStringLiteral("copy.rtf")); // another name: no question
        QCOMPARE(s.prompts().questions.size(), std::size_t(2));
        s.prompts().queueChoice(Choice::Yes); // OK to overwrite
        s.prompts().queueChoice(Choice::Yes); // and lose
        s.saveAs(QStringLiteral("rich.rtf"));
        QCOMPARE(s.prompts().questions.size(), std::size_t(4));
        QVERIFY(readBack() != original);
        s.type(QStringLiteral("C"));
        s.action("FileSave")->trigger(); // nothing left to lose: no question
        QCOMPARE(s.prompts().questions.size(), std::size_t(4));
        QVERIFY(s.prompts().drained());
    }

    void cutAndCopyNeedASelection() {
        EditorSession s;
        QVERIFY(!s.action("EditCut")->isEnabled());
        QVERIFY(!s.action("EditCopy")->isEnabled());
        QVERIFY(!s.action("EditUndo")->isEnabled());
        s.type(QStringLiteral("text"));
        QVERIFY(!s.action("EditCut")->isEnabled());
        QVERIFY(s.action("EditUndo")->isEnabled());
        s.form->editor()->selectAll();
        QVERIFY(s.action("EditCut")->isEnabled());
        QVERIFY(s.action("EditCopy")->isEnabled());
        s.action("EditCopy")->trigger();
        QVERIFY(s.action("EditPaste")->isEnabled());
    }

    // Opening: a design report shows its Russian text; plain lines come back unchanged.
    void designReportOpensWithItsRussianText() {
        EditorSession s;
        const QString report = s.program.path(QStringLiteral("1.out"));
        designFilter(DesignRequest{}, report.toStdString(),
                     s.program.path(QStringLiteral("1.flt")).toStdString(),
                     [](const std::string&) {});
        const QByteArray bytes = fileBytes(report);
        QVERIFY(!bytes.isEmpty());
        s.open(report);
        const QString text = s.form->editor()->toPlainText();
        QVERIFY2(text.startsWith(QStringLiteral(" Требования: \n")), qPrintable(text.left(300)));
        QVERIFY(text.contains(QStringLiteral(" аппроксимация Баттерворта")));
        QVERIFY(!text.contains(QChar(0xFFFD)));
        QCOMPARE(s.form->fileName(), report);
        QVERIFY(!s.form->editor()->isReadOnly());
        // Saved back under its .out name, the report is the same bytes.
        s.form->editor()->document()->setModified(true);
        QTest::keyClick(s.form->editor(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(fileBytes(report), bytes);
    }

    void plainFilesOfEveryKind_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("utf-8") << QByteArray("Привет\nмир") << QStringLiteral("Привет\nмир")
                               << QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2\r\n\xEC\xE8\xF0\r\n");
        QTest::newRow("no final end")
            << QByteArray("a\r\nb") << QStringLiteral("a\nb") << QByteArray("a\r\nb\r\n");
        QTest::newRow("blank lines kept")
            << QByteArray("a\r\n\r\n") << QStringLiteral("a\n\n") << QByteArray("a\r\n\r\n");
        QTest::newRow("stray bytes")
            << QByteArray("\x98x\xff") << QStringLiteral("\uFFFDxя") << QByteArray();
    }
    void plainFilesOfEveryKind() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, saved);
        EditorSession s;
        const QString path = s.program.path(QStringLiteral("in.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        s.open(path);
        QTEST(s.form->editor()->toPlainText(), "text");
        s.form->editor()->document()->setModified(true);
        s.action("FileSave")->trigger();
        if (!saved.isEmpty())
            QCOMPARE(fileBytes(path), saved);
        else // U+FFFD of the stray byte cannot go back: refused, file untouched
            QCOMPARE(fileBytes(path), bytes);
    }

    void openReadOnlyAndOpenFailures() {
        EditorSession s;
        const QString path = s.program.path(QStringLiteral("r.rtf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(rtfOf("\\pard Hello\\par"));
        file.close();
        s.prompts().queueReadOnlyFile(path);
        s.action("FileOpen")->trigger();
        QCOMPARE(s.form->editor()->toPlainText(), QStringLiteral("Hello"));
        QVERIFY(s.form->editor()->isReadOnly());
        // A missing file: the error is shown and the window keeps its text.
        s.open(s.program.path(QStringLiteral("absent.rtf")));
        QCOMPARE(s.prompts().messages.size(), std::size_t(1));
        QCOMPARE(s.prompts().messages[0].text, QStringLiteral("File not found."));
        QCOMPARE(s.form->editor()->toPlainText(), QStringLiteral("Hello"));
        QCOMPARE(s.form->fileName(), path);
        // Truncated rich text shows what can be read.
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("{\\rtf1\\ansi {\\b Part\\'");
        file.close();
        s.open(path);
        QCOMPARE(s.form->editor()->toPlainText(), QStringLiteral("Part"));
        QVERIFY(!s.form->editor()->isReadOnly());
    }

    // Loaded rich text: the toolbar, the ruler and the caret panel follow the caret.
    void toolbarFollowsTheSelection() {
        EditorSession s;
        const QString path = s.program.path(QStringLiteral("f.rtf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(rtfOf("\\pard\\qc\\fi-360\\li720\\ri360 {\\f0\\fs28\\b\\i Bold}\\par"
                         "\\pard{\\*\\pn\\pnlvlblt{\\pntxtb\\'95}}{\\f0\\fs20\\ul Item}\\par"));
        file.close();
        s.open(path);
        QTextEdit* edit = s.form->editor();
        QVERIFY(!s.action("EditUndo")->isEnabled()); // nothing to undo after loading
        const auto down = [&s](const char* name) { return s.action(name)->isChecked(); };
        QVERIFY(down("BoldButton") && down("ItalicButton") && !down("UnderlineButton"));
        QVERIFY(down("CenterAlign") && !down("BulletsButton"));
        QCOMPARE(s.form->findChild<QSpinBox*>(QStringLiteral("FontSize"))->value(), 14);
        QCOMPARE(s.form->findChild<QComboBox*>(QStringLiteral("FontName"))->currentText(),
                 QStringLiteral("Arial"));
        QCOMPARE(s.panel(1), QStringLiteral("Line:   1   Col:   1"));
        // fi -18 pt, li 36 pt, ri 18 pt: the ruler's first indent 18, left -(-18) = 18.
        const int width = s.form->ruler()->width();
        const editor::RulerMarkers expected = editor::rulerMarkers({18, 18, 18}, width);
        QCOMPARE(s.form->ruler()->FirstInd->x(), expected.first);
        QCOMPARE(s.form->ruler()->LeftInd->x(), expected.left);
        QCOMPARE(s.form->ruler()->RightInd->x(), expected.right);

        QTextCursor cursor = edit->textCursor();
        cursor.movePosition(QTextCursor::NextBlock);
        cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 2);
        edit->setTextCursor(cursor);
        QVERIFY(!down("BoldButton") && down("UnderlineButton") && down("BulletsButton"));
        QVERIFY(down("LeftAlign"));
        QCOMPARE(s.form->findChild<QSpinBox*>(QStringLiteral("FontSize"))->value(), 10);
        QCOMPARE(s.panel(1), QStringLiteral("Line:   2   Col:   3"));
        QCOMPARE(s.form->ruler()->FirstInd->x(), 2);
        // A selection over both sizes: bringing the size field into line with it must not
        // set that size on the whole selection.
        QTextCursor all(edit->document());
        all.movePosition(QTextCursor::End);
        all.movePosition(QTextCursor::Start, QTextCursor::KeepAnchor);
        edit->setTextCursor(all);
        QCOMPARE(s.form->findChild<QSpinBox*>(QStringLiteral("FontSize"))->value(), 14);
        QVERIFY(!edit->document()->isModified());
        QCOMPARE(QTextCursor(edit->document()->lastBlock()).charFormat().fontPointSize(), 10.0);
    }

    // Toolbar changes act on the selection; saving keeps them.
    void toolbarChangesTheText() {
        EditorSession s;
        s.type(QStringLiteral("word"));
        s.form->editor()->selectAll();
        s.action("BoldButton")->trigger();
        s.action("UnderlineButton")->trigger();
        s.action("RightAlign")->trigger();
        auto* size = s.form->findChild<QSpinBox*>(QStringLiteral("FontSize"));
        size->setValue(20);
        s.action("BulletsButton")->trigger();
        const QString path = s.saveAs(QStringLiteral("w.rtf"));
        const richtext::Document d = richtext::readRtf(fileBytes(path).toStdString());
        QCOMPARE(d.paragraphs.size(), std::size_t(1));
        const richtext::Paragraph& p = d.paragraphs[0];
        QVERIFY(p.bullet);
        QVERIFY(p.alignment == richtext::Alignment::Right);
        QCOMPARE(p.runs.size(), std::size_t(1));
        QVERIFY(p.runs[0].format.bold && p.runs[0].format.underline && !p.runs[0].format.italic);
        QCOMPARE(p.runs[0].format.halfPoints, 40);
        QCOMPARE(p.runs[0].text, std::string("word"));
        // Bullets off again.
        s.action("BulletsButton")->trigger();
        QVERIFY(!s.form->editor()->textCursor().currentList());
    }

    // The font dialog starts at the selection's font and its choice is applied.
    void fontDialog() {
        EditorSession s;
        // The name list holds the installed families, sorted.
        auto* names = s.form->findChild<QComboBox*>(QStringLiteral("FontName"));
        QStringList items;
        for (int k = 0; k < names->count(); ++k)
            items << names->itemText(k);
        QStringList families = QFontDatabase::families();
        families.sort();
        QVERIFY(!items.isEmpty());
        QCOMPARE(items, families);
        QCOMPARE(names->statusTip(), QStringLiteral("Select font name"));
        s.type(QStringLiteral("abc"));
        s.form->editor()->selectAll();
        QFont chosen = s.form->editor()->currentFont();
        chosen.setPointSize(17);
        chosen.setItalic(true);
        s.prompts().queueFont(chosen);
        s.action("EditFont")->trigger();
        QCOMPARE(s.prompts().fontDialogs.size(), std::size_t(1));
        QCOMPARE(s.prompts().fontDialogs[0].pointSize(), 8);
        QCOMPARE(s.form->editor()->currentCharFormat().fontPointSize(), 17.0);
        QVERIFY(s.action("ItalicButton")->isChecked());
        QCOMPARE(s.form->findChild<QSpinBox*>(QStringLiteral("FontSize"))->value(), 17);
    }

    // Dragging a marker sets the indent back by the ruler's formulas.
    void rulerMarkersSetTheIndents() {
        EditorSession s;
        s.type(QStringLiteral("indented"));
        TRuler* ruler = s.form->ruler();
        const auto drag = [ruler](TRulerMarker* marker, int toX) {
            const QPoint start(marker->width() / 2, marker->height() / 2);
            QTest::mousePress(marker, Qt::LeftButton, {}, start);
            QMouseEvent move(QEvent::MouseMove, QPointF(marker->mapFromParent(QPoint(toX, 4))),
                             marker->mapToGlobal(QPointF(marker->mapFromParent(QPoint(toX, 4)))),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(marker, &move);
            QTest::mouseRelease(marker, Qt::LeftButton, {},
                                marker->mapFromParent(QPoint(toX, marker->y() + 2)));
            Q_UNUSED(ruler);
        };
        const auto indents = [&s] {
            const QTextBlockFormat f = s.form->editor()->textCursor().blockFormat();
            return QList<qreal>{f.leftMargin(), f.textIndent(), f.rightMargin()};
        };
        // First marker centred on x 55: its left edge 50, half 5; first = 3/4·49 = 36;
        // left marker untouched at 2: left = 3/4·(2 + 5 − 6) − 36 = -36.
        drag(ruler->FirstInd, 55);
        QCOMPARE(indents(), (QList<qreal>{0, 48, 0}));
        QCOMPARE(ruler->FirstInd->x(), editor::rulerMarkers({36, -36, 0}, ruler->width()).first);
        // Left marker to 105: left = 3/4·(100 + 5 − 6) − 36 = 74 − 36 = 38.
        drag(ruler->LeftInd, 105);
        QCOMPARE(indents(), (QList<qreal>{74 * 4.0 / 3.0, -38 * 4.0 / 3.0, 0}));
        // Right marker to width − 95: right = 3/4·(width + 5 − (width − 100) − 2) − 12 = 65.
        const int w = ruler->width();
        drag(ruler->RightInd, w - 95);
        QCOMPARE(indents()[2], 65 * 4.0 / 3.0);
        QCOMPARE(ruler->RightInd->x(), editor::rulerMarkers({36, 38, 65}, w).right);
    }

    // Print: the print dialog, then the text in the PDF with the file name as its title.
    void printGoesThroughThePrintDialog() {
        EditorSession s;
        s.type(QStringLiteral("Printed page"));
        const QString saved = s.saveAs(QStringLiteral("doc.rtf"));
        const QString pdf = s.program.path(QStringLiteral("out.pdf"));
        s.prompts().queuePrint([](QPrinter&) { return false; });
        s.action("FilePrint")->trigger();
        QVERIFY(!QFile::exists(pdf));
        QString title;
        s.prompts().queuePrint([&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            title = printer.docName();
            return true;
        });
        s.action("FilePrint")->trigger();
        QCOMPARE(s.prompts().printDialogs, 2);
        QCOMPARE(title, saved);
        const QByteArray bytes = fileBytes(pdf);
        QVERIFY(bytes.startsWith("%PDF"));
        // The job title is the PDF's title, in UTF-16.
        QByteArray utf16;
        for (const QChar c : QStringLiteral("doc.rtf"))
            utf16 += char(c.unicode() >> 8), utf16 += char(c.unicode() & 0xFF);
        QVERIFY(bytes.contains(utf16));
    }
};

ZORKAN_UI_TEST(EditorWindowTest);

} // namespace zorkan::ui::test

#include "editorwindow_test.moc"
