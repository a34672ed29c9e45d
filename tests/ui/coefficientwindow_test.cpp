// The coefficient window: opening, its fields and grids, saving the cell texts, loading a
// parameter file, quantising, the cell locking rule and the order check.
#include "coefficients/ras3.h"
#include "common/displaynumbers.h"
#include "tests/ui/uitest.h"
#include "ui/controls.h"
#include "ui/sharedstate.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace zorkan::ui::test {

namespace {

const QString orderMismatch = QStringLiteral("Не соответствует порядок фильтра");

// Lines of a file with CR LF line ends, without the empty piece after the last one.
QStringList fileLines(const QString& path) {
    QStringList lines = QString::fromLatin1(fileBytes(path)).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

// A program with its main window shown and the coefficient window opened by InputPars.
struct CoefficientSession {
    CoefficientSession() {
        program.start();
        program.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&program.main()));
        program.main().command("InputPars")->trigger();
        form = program.main().findChild<TForm3*>();
    }
    QLineEdit* edit(const char* name) const { return form->findChild<QLineEdit*>(name); }
    QTableWidget* grid(const char* name) const { return form->findChild<QTableWidget*>(name); }
    void set(const char* name, const QString& text) { edit(name)->setText(text); }
    void setCell(const char* gridName, int row, int column, const QString& text) {
        grid(gridName)->item(row - 1, column)->setText(text);
    }
    QString cell(const char* gridName, int row, int column) const {
        const QTableWidgetItem* item = grid(gridName)->item(row - 1, column);
        return item ? item->text() : QString();
    }
    // Row r (from 1) as "c0|c1|...".
    QString row(const char* gridName, int r) const {
        QStringList cells;
        for (int c = 0; c < grid(gridName)->columnCount(); ++c)
            cells << cell(gridName, r, c);
        return cells.join('|');
    }
    QStringList headers(const char* gridName) const {
        QStringList texts;
        for (int c = 0; c < grid(gridName)->columnCount(); ++c)
            texts << grid(gridName)->horizontalHeaderItem(c)->text();
        return texts;
    }
    // Fields and every cell of both grids.
    QString snapshot() const {
        QStringList parts{edit("Edit1")->text(), edit("Edit2")->text(), edit("Edit3")->text()};
        for (const char* g : {"StringGrid1", "StringGrid2"}) {
            parts << headers(g).join('|');
            for (int r = 1; r <= grid(g)->rowCount(); ++r)
                parts << row(g, r);
        }
        return parts.join('#');
    }
    void click(const char* name) {
        QTest::mouseClick(form->findChild<QPushButton*>(name), Qt::LeftButton);
    }
    ScriptedPrompts& prompts() { return program.prompts(); }
    QStringList messages() {
        QStringList texts;
        for (const auto& m : program.prompts().messages)
            texts << m.text;
        return texts;
    }
    QString path(const char* name) const { return program.path(QString::fromLatin1(name)); }
    void load(const char* name) {
        prompts().queueFile(path(name));
        click("BitBtn2");
    }
    void saveAs(const char* name) {
        prompts().queueFile(path(name));
        click("BitBtn3");
    }

    Program program;
    TForm3* form = nullptr;
};

} // namespace

class CoefficientWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void opening() {
        CoefficientSession session;
        TForm3* form = session.form;
        QVERIFY(form);
        QCOMPARE(shared().flags.CoefficientWindowOpen, 1);
        QCOMPARE(form->windowTitle(), QStringLiteral("Ввод параметров фильтра "));
        QCOMPARE(form->size(), QSize(445, 336));
        QCOMPARE(form->parentWidget()->pos(), QPoint(1, 1));
        QVERIFY(!(form->parentWidget()->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form->focusWidget(), session.edit("Edit1"));

        // Set up: 17 sections, "1" and "0.000" in every row, numbered.
        for (const char* g : {"StringGrid1", "StringGrid2"}) {
            QCOMPARE(session.grid(g)->rowCount(), 17);
            QCOMPARE(session.grid(g)->columnCount(), 6);
            QCOMPARE(session.row(g, 1), QStringLiteral("1|1|0.000|0.000|0.000|0.000"));
            QCOMPARE(session.row(g, 17), QStringLiteral("17|1|0.000|0.000|0.000|0.000"));
            QCOMPARE(session.grid(g)->size(), QSize(425, 129));
        }
        QCOMPARE(session.headers("StringGrid1"),
                 (QStringList{"Ячейка", "A1", "A2", "A3", "A4", "A5"}));
        QCOMPARE(session.headers("StringGrid2"),
                 (QStringList{"Ячейка", "B1", "B2", "B3", "B4", "B5"}));
        QCOMPARE(session.grid("StringGrid1")->y(), 64);
        QCOMPARE(session.grid("StringGrid2")->y(), 200);
        QVERIFY(session.grid("StringGrid1")->y() < session.grid("StringGrid2")->y());

        // Fixed cells: column 0, and B1 in the denominator grid.
        const auto editable = [&](const char* g, int column) {
            return bool(session.grid(g)->item(0, column)->flags() & Qt::ItemIsEditable);
        };
        QVERIFY(!editable("StringGrid1", 0));
        QVERIFY(editable("StringGrid1", 1));
        QVERIFY(!editable("StringGrid2", 0));
        QVERIFY(!editable("StringGrid2", 1));
        QVERIFY(editable("StringGrid2", 2));

        // One window at a time; closing clears the flag and the command opens it again.
        session.set("Edit3", QStringLiteral("5"));
        session.program.main().command("InputPars")->trigger();
        QCOMPARE(session.program.main().findChildren<TForm3*>().size(), 1);
        QCOMPARE(session.edit("Edit3")->text(), QStringLiteral("5"));
        QPointer<TForm3> closed = form;
        form->parentWidget()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!closed);
        QCOMPARE(shared().flags.CoefficientWindowOpen, 0);
        session.program.main().command("InputPars")->trigger();
        QCOMPARE(session.program.main().findChildren<TForm3*>().size(), 1);
        QCOMPARE(shared().flags.CoefficientWindowOpen, 1);
    }

    void controls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("place");
        QTest::newRow("order") << "Edit1"
                               << "10" << QRect(88, 8, 25, 21);
        QTest::newRow("parameter") << "Edit2"
                                   << "0" << QRect(88, 40, 25, 21);
        QTest::newRow("precision") << "Edit3"
                                   << "3" << QRect(288, 8, 25, 21);
        QTest::newRow("quantise") << "BitBtn1"
                                  << "Преобразовать" << QRect(216, 32, 97, 25);
        QTest::newRow("load") << "BitBtn2"
                              << "    Считать" << QRect(320, 8, 89, 25);
        QTest::newRow("save") << "BitBtn3"
                              << "Сохранить" << QRect(320, 32, 89, 25);
    }
    void controls() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QRect, place);
        CoefficientSession session;
        auto* widget = session.form->findChild<QWidget*>(name);
        QVERIFY(widget);
        if (auto* field = qobject_cast<QLineEdit*>(widget))
            QCOMPARE(field->text(), text);
        else
            QCOMPARE(qobject_cast<QPushButton*>(widget)->text(), text);
        QCOMPARE(widget->geometry(), place);
    }

    void fieldLabels() {
        CoefficientSession session;
        QStringList captions;
        for (const char* name : {"Edit1", "Edit2", "Edit3"})
            for (const QLabel* l : session.form->findChildren<QLabel*>())
                if (l->buddy() == session.edit(name))
                    captions << l->text();
        QCOMPARE(captions, (QStringList{"Порядок", "Параметр", "Точность"}));
        auto* radio = session.form->findChild<RadioGroup*>("RadioGroup1");
        QCOMPARE(radio->title(), QStringLiteral("Сист. сч."));
        QCOMPARE(radio->item(0)->text(), QStringLiteral("Десят"));
        QCOMPARE(radio->item(1)->text(), QStringLiteral("Двоич"));
        QCOMPARE(radio->itemIndex(), 0);
        QCOMPARE(radio->geometry(), QRect(136, 8, 73, 57));
    }

    // The cell texts as they stand: one line per section for parameter 0, two for any
    // other; the grids are cut to the order's sections.
    void save_data() {
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("columns");
        QStringList defaults{"10", "0"};
        for (int i = 0; i < 10; ++i)
            defaults << "1 0.000 0.000 ";
        QTest::newRow("defaults") << "10"
                                  << "0" << defaults << 4;
        QStringList split{"4", "2"};
        for (int i = 0; i < 4; ++i)
            split << "1 0.000 0.000 "
                  << "0.000 0.000 ";
        QTest::newRow("parameter 2, order 4") << "4"
                                              << "2" << split << 6;
        QTest::newRow("parameter 1 has five too")
            << "2"
            << "1"
            << QStringList{"2",           "1", "1 0.000 0.000 ", "0.000 0.000 ", "1 0.000 0.000 ",
                           "0.000 0.000 "}
            << 6;
        QTest::newRow("texts as typed, blanks too") << " 0"
                                                    << "00" << QStringList{" 0", "00"} << 4;
    }
    void save() {
        QFETCH(QString, order);
        QFETCH(QString, parameter);
        QFETCH(QStringList, lines);
        QFETCH(int, columns);
        CoefficientSession session;
        session.set("Edit1", order);
        session.set("Edit2", parameter);
        session.saveAs("a.flt");
        QCOMPARE(session.messages(), QStringList());
        QCOMPARE(fileLines(session.path("a.flt")), lines);
        const auto& requests = session.prompts().fileRequests;
        QCOMPARE(requests.size(), size_t(1));
        QVERIFY(requests[0].save);
        QCOMPARE(requests[0].request.proposedName, QStringLiteral("1.flt"));
        QCOMPARE(requests[0].request.filter, QStringLiteral("Имя файла параметров фильтра|*.flt"));
        QCOMPARE(requests[0].request.defaultExtension, QStringLiteral("flt"));
        QCOMPARE(requests[0].request.initialFolder, QDir::currentPath());
        const int sections = order.trimmed().toInt() / 2;
        for (const char* g : {"StringGrid1", "StringGrid2"}) {
            QCOMPARE(session.grid(g)->rowCount(), sections);
            QCOMPARE(session.grid(g)->columnCount(), columns);
        }
    }

    // What the user typed goes to the file as it is, with the decimal point files take.
    void saveTypedCells_data() {
        QTest::addColumn<bool>("russian");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::newRow("point") << false << "-0.250"
                               << "-0.250";
        QTest::newRow("exponent") << false << "1e-3"
                                  << "1e-3";
        QTest::newRow("comma of Russian settings") << true << "0,5"
                                                   << "0.5";
    }
    void saveTypedCells() {
        QFETCH(bool, russian);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        const QLocale previous;
        if (russian)
            QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        CoefficientSession session;
        session.set("Edit1", QStringLiteral("2"));
        QTableWidget* grid = session.grid("StringGrid1");
        grid->setFocus();
        grid->setCurrentCell(0, 2);
        // The first key opens the cell's editor, which takes the rest.
        QTest::keyClick(grid, typed[0].toLatin1());
        auto* editor = grid->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QTest::keyClicks(editor, typed.mid(1));
        QTest::keyClick(editor, Qt::Key_Return);
        session.saveAs("a.flt");
        QLocale::setDefault(previous);
        QCOMPARE(session.cell("StringGrid1", 1, 2), typed);
        QCOMPARE(fileLines(session.path("a.flt")).value(2),
                 QStringLiteral("1 ") + written + QStringLiteral(" 0.000 "));
    }

    // Refused before the dialog: odd, negative and 36 or more; not an integer. The order
    // field has the focus, so pressing the button leaves it and runs its check first.
    void saveRefused_data() {
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("dialogs");
        QTest::newRow("odd") << "7"
                             << "0" << QStringList{orderMismatch, orderMismatch} << 0;
        QTest::newRow("36") << "36"
                            << "0" << QStringList{orderMismatch, orderMismatch} << 0;
        QTest::newRow("40") << "40"
                            << "0" << QStringList{orderMismatch, orderMismatch} << 0;
        QTest::newRow("negative") << "-2"
                                  << "0" << QStringList{orderMismatch, orderMismatch} << 0;
        const QString notAnInteger = QStringLiteral("'abc' is not a valid integer value.");
        QTest::newRow("order not a number") << "abc"
                                            << "0" << QStringList{notAnInteger, notAnInteger} << 0;
        QTest::newRow("parameter not a number")
            << "10"
            << "x" << QStringList{"'x' is not a valid integer value."} << 1;
    }
    void saveRefused() {
        QFETCH(QString, order);
        QFETCH(QString, parameter);
        QFETCH(QStringList, messages);
        QFETCH(int, dialogs);
        CoefficientSession session;
        QCOMPARE(QApplication::focusWidget(), session.edit("Edit1"));
        session.set("Edit1", order);
        session.set("Edit2", parameter);
        const QString before = session.snapshot();
        session.saveAs("a.flt");
        QCOMPARE(session.messages(), messages);
        QCOMPARE(session.prompts().fileRequests.size(), size_t(dialogs));
        QVERIFY(!QFile::exists(session.path("a.flt")));
        QCOMPARE(session.snapshot(), before);
    }

    void saveCancelled() {
        CoefficientSession session;
        const QString before = session.snapshot();
        session.prompts().queueCancel();
        session.click("BitBtn3");
        QCOMPARE(session.snapshot(), before);
        QCOMPARE(QDir(session.program.folder()).entryList({"*.flt"}, QDir::Files), QStringList());
    }

    // The file's numbers in the general real form, with the reader's rules.
    void load_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<QStringList>("numerator");
        QTest::addColumn<QStringList>("denominator");
        QTest::newRow("order 7: three sections")
            << "7\n0\n0.1250000 -1.5e-5 2\n 1.00000000000000E+0000 0 -0\n3 4 5\n"
               "1 0.5 0.25\n1 -0.5 0.25\n1 0 0\n"
            << "7"
            << "0" << QStringList{"1|0.125|-1.5E-5|2", "2|1|0|0", "3|3|4|5"}
            << QStringList{"1|1|0.5|0.25", "2|1|-0.5|0.25", "3|1|0|0"};
        QTest::newRow("kind 2: five values over two lines")
            << "4\n2\n1 2 3\n4 5\n6 7 8\n9 10\n1 -1 1\n-1 1\n1 0 0\n0 0.5\n"
            << "4"
            << "2" << QStringList{"1|1|2|3|4|5", "2|6|7|8|9|10"}
            << QStringList{"1|1|-1|1|-1|1", "2|1|0|0|0|0.5"};
        QTest::newRow("kind 1 reads five too, rest of line skipped")
            << "2 trailing\n1 x\n1 2 3 4 5 6 7\n9 8 7 6 5\n"
            << "2"
            << "1" << QStringList{"1|1|2|3|4|5"} << QStringList{"1|9|8|7|6|5"};
        QTest::newRow("short file reads zeros")
            << "4\n0\n1 2 3\n"
            << "4"
            << "0" << QStringList{"1|1|2|3", "2|0|0|0"} << QStringList{"1|0|0|0", "2|0|0|0"};
        QTest::newRow("order 35 is the largest") << "35\n0\n"
                                                 << "35"
                                                 << "0" << QStringList{} << QStringList{};
    }
    void load() {
        QFETCH(QString, file);
        QFETCH(QString, order);
        QFETCH(QString, parameter);
        QFETCH(QStringList, numerator);
        QFETCH(QStringList, denominator);
        CoefficientSession session;
        writeCp1251(session.path("in.flt"), file);
        session.load("in.flt");
        QCOMPARE(session.messages(), QStringList());
        QCOMPARE(session.edit("Edit1")->text(), order);
        QCOMPARE(session.edit("Edit2")->text(), parameter);
        const int sections = order.toInt() / 2;
        for (const char* g : {"StringGrid1", "StringGrid2"}) {
            QCOMPARE(session.grid(g)->rowCount(), sections);
            QCOMPARE(session.grid(g)->columnCount(), parameter == "0" ? 4 : 6);
        }
        for (int r = 0; r < numerator.size(); ++r)
            QCOMPARE(session.row("StringGrid1", r + 1), numerator[r]);
        for (int r = 0; r < denominator.size(); ++r)
            QCOMPARE(session.row("StringGrid2", r + 1), denominator[r]);
        const auto& requests = session.prompts().fileRequests;
        QCOMPARE(requests.size(), size_t(1));
        QVERIFY(!requests[0].save);
        QCOMPARE(requests[0].request.filter, QStringLiteral("Параметры фильтра|*.flt"));
        QCOMPARE(requests[0].request.defaultExtension, QStringLiteral("flt"));
        QCOMPARE(requests[0].request.initialFolder, QDir::currentPath());
    }

    // An order of 36 or more (in its low 16 bits) is refused and nothing changes.
    void loadRefusesLargeOrders_data() {
        QTest::addColumn<QString>("orderLine");
        QTest::newRow("40") << "40";
        QTest::newRow("36") << "36";
        QTest::newRow("40 in the low 16 bits") << "65576";
    }
    void loadRefusesLargeOrders() {
        QFETCH(QString, orderLine);
        CoefficientSession session;
        session.set("Edit2", QStringLiteral("2"));
        session.setCell("StringGrid1", 1, 2, QStringLiteral("0.75"));
        writeCp1251(session.path("big.flt"), orderLine + QStringLiteral("\n0\n1 2 3\n"));
        const QString before = session.snapshot();
        session.load("big.flt");
        QCOMPARE(session.messages(), QStringList{orderMismatch});
        QCOMPARE(session.snapshot(), before);
    }

    // A load that fails part way keeps what it had filled; a missing file loads nothing.
    void loadFailures() {
        CoefficientSession session;
        writeCp1251(session.path("bad.flt"), QStringLiteral("4\n0\n0.5 0.25 0.125\n1 abc 3\n"));
        session.load("bad.flt");
        QCOMPARE(session.messages(), QStringList{"Invalid numeric input."});
        QCOMPARE(session.edit("Edit1")->text(), QStringLiteral("4"));
        QCOMPARE(session.row("StringGrid1", 1), QStringLiteral("1|0.5|0.25|0.125"));
        QCOMPARE(session.cell("StringGrid1", 2, 1), QStringLiteral("1"));

        const QString before = session.snapshot();
        session.load("none.flt");
        QCOMPARE(session.messages().value(1), QStringLiteral("File not found."));
        QCOMPARE(session.snapshot(), before);
        session.prompts().queueCancel();
        session.click("BitBtn2");
        QCOMPARE(session.snapshot(), before);
        QCOMPARE(session.messages().size(), 2);
    }

    // Only the fraction is rounded, halves to even, to d decimal or binary digits.
    void quantise_data() {
        QTest::addColumn<int>("base");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("result");
        QTest::newRow("decimal 3") << 0 << "3"
                                   << "0.12345"
                                   << "0.123";
        QTest::newRow("decimal 3, negative") << 0 << "3"
                                             << "-1.23456"
                                             << "-1.235";
        QTest::newRow("decimal 2, half to even") << 0 << "2"
                                                 << "0.125"
                                                 << "0.12";
        QTest::newRow("binary 3") << 1 << "3"
                                  << "0.3"
                                  << "0.25";
        QTest::newRow("binary 4") << 1 << "4"
                                  << "2.71828"
                                  << "2.6875";
        QTest::newRow("binary 2, half up to even") << 1 << "2"
                                                   << "0.375"
                                                   << "0.5";
        QTest::newRow("binary 2, half down to even") << 1 << "2"
                                                     << "0.625"
                                                     << "0.5";
        QTest::newRow("binary 2, negative half") << 1 << "2"
                                                 << "-2.375"
                                                 << "-2.5";
        QTest::newRow("no fraction") << 0 << "3"
                                     << "-2"
                                     << "-2";
        QTest::newRow("decimal 0, the fraction alone is halved to even") << 0 << "0"
                                                                         << "-1.5"
                                                                         << "-1";
        QTest::newRow("tiny to zero") << 0 << "3"
                                      << "-1.5E-5"
                                      << "0";
    }
    void quantise() {
        QFETCH(int, base);
        QFETCH(QString, digits);
        QFETCH(QString, value);
        QFETCH(QString, result);
        CoefficientSession session;
        session.set("Edit3", digits);
        session.form->findChild<RadioGroup*>("RadioGroup1")->setItemIndex(base);
        session.setCell("StringGrid1", 2, 3, value);
        session.setCell("StringGrid2", 5, 1, value); // the fixed B1 is quantised too
        session.click("BitBtn1");
        QCOMPARE(session.messages(), QStringList());
        QCOMPARE(session.cell("StringGrid1", 2, 3), result);
        QCOMPARE(session.cell("StringGrid2", 5, 1), result);
    }

    // Right after set-up: 5 sections and parameter + 4 columns, cells 1, 0 and 0.
    void quantiseSizesTheGrids_data() {
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("firstRow");
        QTest::newRow("parameter 0") << "0" << 4 << "1|1|0|0";
        QTest::newRow("parameter 1") << "1" << 5 << "1|1|0|0|0";
        QTest::newRow("parameter 2") << "2" << 6 << "1|1|0|0|0|0";
    }
    void quantiseSizesTheGrids() {
        QFETCH(QString, parameter);
        QFETCH(int, columns);
        QFETCH(QString, firstRow);
        CoefficientSession session;
        session.set("Edit2", parameter);
        session.click("BitBtn1");
        QCOMPARE(session.messages(), QStringList());
        for (const char* g : {"StringGrid1", "StringGrid2"}) {
            QCOMPARE(session.grid(g)->rowCount(), 5);
            QCOMPARE(session.grid(g)->columnCount(), columns);
            QCOMPARE(session.row(g, 1), firstRow);
            QCOMPARE(session.row(g, 5), QStringLiteral("5") + firstRow.mid(1));
            QCOMPARE(session.headers(g).last(),
                     QString(g[10] == '1' ? 'A' : 'B') + QString::number(columns - 1));
        }
    }

    // A grid made larger again numbers its new rows and names its new columns; a cell
    // that never held text is empty and stops quantisation where it is met.
    void quantiseStopsAtAnEmptyCell() {
        CoefficientSession session;
        session.set("Edit1", QStringLiteral("2"));
        session.click("BitBtn1"); // 1 section, 4 columns
        session.set("Edit1", QStringLiteral("4"));
        session.set("Edit2", QStringLiteral("3"));
        session.setCell("StringGrid1", 1, 2, QStringLiteral("0.1234"));
        session.click("BitBtn1");
        QCOMPARE(session.messages(), QStringList{"'' is not a valid floating point value."});
        QCOMPARE(session.headers("StringGrid1"),
                 (QStringList{"Ячейка", "A1", "A2", "A3", "A4", "A5", "A6"}));
        // Row 1 up to A5 is done (A4 and A5 kept the set-up's text while hidden); A6 is
        // beyond the set-up and never held text.
        QCOMPARE(session.row("StringGrid1", 1), QStringLiteral("1|1|0.123|0|0|0|"));
        QCOMPARE(session.row("StringGrid1", 2), QStringLiteral("2|1|0.000|0.000|0.000|0.000|"));
        QCOMPARE(session.grid("StringGrid2")->rowCount(), 2);
    }

    // Saving, loading and quantising size the grids; cells a smaller grid hid come back
    // with their text when a later operation makes the grids larger again.
    void hiddenCellsComeBack_data() {
        QTest::addColumn<QString>("first"); // "save", "quantise" or "load"
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<QString>("then");         // "save" or "quantise"
        QTest::addColumn<QStringList>("expected"); // file lines, or numerator rows
        QStringList twenty{"20", "0"};
        for (int i = 0; i < 20; ++i)
            twenty << "1 0.000 0.000 ";
        QTest::newRow("save order 10, then order 20") << "save"
                                                      << "20"
                                                      << "0"
                                                      << "save" << twenty;
        QTest::newRow("quantise parameter 0, then 2")
            << "quantise"
            << "10"
            << "2"
            << "quantise" << QStringList{"1|1|0|0|0|0", "5|1|0|0|0|0"};
        QTest::newRow("load kind 0, then quantise parameter 1")
            << "load"
            << "2"
            << "1"
            << "quantise" << QStringList{"1|0.5|0.25|0.125|0"};
        QTest::newRow("load kind 0, then save parameter 1")
            << "load"
            << "2"
            << "1"
            << "save"
            << QStringList{"2",           "1", "0.5 0.25 0.125 ", "0.000 0.000 ", "1 -0.5 0.75 ",
                           "0.000 0.000 "};
    }
    void hiddenCellsComeBack() {
        QFETCH(QString, first);
        QFETCH(QString, order);
        QFETCH(QString, parameter);
        QFETCH(QString, then);
        QFETCH(QStringList, expected);
        CoefficientSession session;
        if (first == QStringLiteral("save")) {
            session.saveAs("first.flt");
        } else if (first == QStringLiteral("quantise")) {
            session.click("BitBtn1");
        } else {
            writeCp1251(session.path("kind0.flt"),
                        QStringLiteral("2\n0\n0.5 0.25 0.125\n1 -0.5 0.75\n"));
            session.load("kind0.flt");
        }
        session.set("Edit1", order);
        session.set("Edit2", parameter);
        if (then == QStringLiteral("save")) {
            session.saveAs("then.flt");
            QCOMPARE(session.messages(), QStringList());
            QCOMPARE(fileLines(session.path("then.flt")), expected);
        } else {
            session.click("BitBtn1");
            QCOMPARE(session.messages(), QStringList());
            QCOMPARE(session.row("StringGrid1", 1), expected.first());
            QCOMPARE(session.row("StringGrid1", expected.size() == 1 ? 1 : 5), expected.last());
        }
    }

    void quantiseRefused_data() {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("message");
        QTest::newRow("precision") << "Edit3=x"
                                   << "'x' is not a valid integer value.";
        QTest::newRow("more rows than the grids hold") << "Edit1=600"
                                                       << "Таблицы коэффициентов";
        QTest::newRow("negative parameter") << "Edit2=-3"
                                            << "Таблицы коэффициентов";
    }
    void quantiseRefused() {
        QFETCH(QString, fields);
        QFETCH(QString, message);
        CoefficientSession session;
        const QStringList parts = fields.split('=');
        session.set(parts[0].toLatin1().constData(), parts[1]);
        const QString before = session.snapshot();
        session.click("BitBtn1");
        // An order of 600 also gets the message of leaving the order field first.
        QCOMPARE(session.messages().size(), parts[0] == "Edit1" ? 2 : 1);
        QVERIFY2(session.messages().last().startsWith(message),
                 qPrintable(session.messages().last()));
        QCOMPARE(session.snapshot(), before);
    }

    // A4 and A5 (B4, B5) lock editing in both grids for parameter 0 once chosen in the
    // numerator grid; any other choice there unlocks; the denominator grid changes nothing.
    void cellLocking_data() {
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("locked");
        QTest::newRow("A4, parameter 0") << "0" << 4 << true;
        QTest::newRow("A5, parameter 0") << "0" << 5 << true;
        QTest::newRow("A3, parameter 0") << "0" << 3 << false;
        QTest::newRow("A4, parameter 2") << "2" << 4 << false;
        QTest::newRow("A5, parameter 1") << "1" << 5 << false;
        QTest::newRow("A4, parameter not a number") << "x" << 4 << false;
    }
    void cellLocking() {
        QFETCH(QString, parameter);
        QFETCH(int, column);
        QFETCH(bool, locked);
        CoefficientSession session;
        session.set("Edit2", parameter);
        QTableWidget* numerator = session.grid("StringGrid1");
        QTableWidget* denominator = session.grid("StringGrid2");
        const auto editing = [](const QTableWidget* g) {
            return g->editTriggers() != QAbstractItemView::NoEditTriggers;
        };
        numerator->setCurrentCell(2, column);
        QCOMPARE(editing(numerator), !locked);
        QCOMPARE(editing(denominator), !locked);
        denominator->setCurrentCell(1, column == 4 ? 3 : 4);
        QCOMPARE(editing(numerator), !locked);
        QCOMPARE(editing(denominator), !locked);
        numerator->setCurrentCell(1, 2);
        QVERIFY(editing(numerator) && editing(denominator));
        QCOMPARE(session.messages(), QStringList());
    }

    // Enter in, or leaving for another control of the window, the order or precision
    // field checks the order for saving.
    void orderCheck_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("Enter, odd") << "Edit1"
                                    << "enter"
                                    << "7" << QStringList{orderMismatch};
        QTest::newRow("Tab away, 36") << "Edit1"
                                      << "tab"
                                      << "36" << QStringList{orderMismatch};
        QTest::newRow("clicking another field") << "Edit1"
                                                << "field"
                                                << "-3" << QStringList{orderMismatch};
        QTest::newRow("precision field, Enter") << "Edit3"
                                                << "enter"
                                                << "9" << QStringList{orderMismatch};
        QTest::newRow("precision field, Tab away") << "Edit3"
                                                   << "tab"
                                                   << "40" << QStringList{orderMismatch};
        QTest::newRow("even below 36") << "Edit1"
                                       << "enter"
                                       << "34" << QStringList{};
        QTest::newRow("not a number") << "Edit1"
                                      << "tab"
                                      << "1a" << QStringList{"'1a' is not a valid integer value."};
        QTest::newRow("focus to the main window") << "Edit1"
                                                  << "away"
                                                  << "7" << QStringList{};
        QTest::newRow("parameter field checks nothing") << "Edit2"
                                                        << "enter"
                                                        << "7" << QStringList{};
    }
    void orderCheck() {
        QFETCH(QString, field);
        QFETCH(QString, how);
        QFETCH(QString, order);
        QFETCH(QStringList, messages);
        CoefficientSession session;
        QLineEdit* edit = session.edit(field.toLatin1().constData());
        edit->setFocus();
        QCOMPARE(QApplication::focusWidget(), edit);
        session.set("Edit1", order);
        if (how == QStringLiteral("enter"))
            QTest::keyClick(edit, Qt::Key_Return);
        else if (how == QStringLiteral("tab"))
            QTest::keyClick(edit, Qt::Key_Tab);
        else if (how == QStringLiteral("field"))
            QTest::mouseClick(session.edit("Edit2"), Qt::LeftButton);
        else
            session.program.main().findChild<QWidget*>("PageControl1")->setFocus();
        QVERIFY(QApplication::focusWidget() != edit || how == QStringLiteral("enter"));
        QCOMPARE(session.messages(), messages);
        QCOMPARE(session.edit("Edit1")->text(), order);
    }

    // Closing the window while the order field holds an odd order is not leaving the
    // field for another control: no message.
    void closingChecksNothing() {
        CoefficientSession session;
        QCOMPARE(QApplication::focusWidget(), session.edit("Edit1"));
        session.set("Edit1", QStringLiteral("7"));
        session.form->parentWidget()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(session.messages(), QStringList());
        QCOMPARE(shared().flags.CoefficientWindowOpen, 0);
    }

    // The designed filter, loaded: its coefficients in the general form, section by section.
    void loadingADesignedFilter() {
        CoefficientSession session;
        TForm1& main = session.program.main();
        main.command("CalcFil")->trigger();
        auto* design = main.findChild<QWidget*>("Form2");
        session.prompts().queueFile(session.path("1.out"));
        session.prompts().queueFile(session.path("1.flt"));
        QTest::mouseClick(design->findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
        session.load("1.flt");
        QCOMPARE(session.messages(), QStringList());
        QCOMPARE(session.edit("Edit1")->text(), QStringLiteral("14"));
        QCOMPARE(session.edit("Edit2")->text(), QStringLiteral("0"));
        const FilterCoefficients filter =
            readFilterFile(session.path("1.flt").toStdString(), coefficientWindowReader);
        QCOMPARE(session.grid("StringGrid1")->rowCount(), 7);
        for (int s = 0; s < 7; ++s) {
            for (int c = 0; c < 3; ++c) {
                QCOMPARE(session.cell("StringGrid1", s + 1, c + 1),
                         QString::fromStdString(formatGeneral(filter.sections[s].a[c], '.')));
                QCOMPARE(session.cell("StringGrid2", s + 1, c + 1),
                         QString::fromStdString(formatGeneral(filter.sections[s].b[c], '.')));
            }
        }
        // Saved again and read back, the same coefficients to 15 digits.
        session.saveAs("2.flt");
        const FilterCoefficients again =
            readFilterFile(session.path("2.flt").toStdString(), coefficientWindowReader);
        QCOMPARE(again.sections.size(), size_t(7));
        for (int s = 0; s < 7; ++s)
            for (int c = 0; c < 3; ++c)
                QVERIFY(qAbs(again.sections[s].a[c] - filter.sections[s].a[c]) <=
                        1e-14 * qAbs(filter.sections[s].a[c]));
    }
};

ZORKAN_UI_TEST(CoefficientWindowTest);

} // namespace zorkan::ui::test

#include "coefficientwindow_test.moc"
