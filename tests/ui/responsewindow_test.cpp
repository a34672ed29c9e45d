// The frequency-response window: opening by its three roads, the axis labels, the range
// checks, the results, the picture and its saving, and closing.
#include "app/ras5.h"
#include "design/ras2.h"
#include "response/rasX.h"
#include "response/response.h"
#include "tests/ui/uitest.h"
#include "ui/picturebox.h"
#include "ui/sharedstate.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <algorithm>

namespace zorkan::ui::test {

namespace {

const QString invalidValue = QStringLiteral("Не верное значение");

// A filter parameter file with one second-order section (A0 A1 A2 / B0 B1 B2).
void writeSection(const QString& path, const QString& a, const QString& b) {
    writeCp1251(path,
                QStringLiteral("2\n0\n") + a + QStringLiteral(" \n") + b + QStringLiteral(" \n"));
}

// The response picture the core draws for `range` on a clean picture of the window's
// size, pixel by pixel.
std::vector<std::uint32_t> expectedPicture(const QString& path, const ResponseRange& range) {
    Canvas canvas(549, 273);
    clearResponsePicture(canvas);
    computeResponse(path.toStdString(), range, 549, 273, canvas);
    return {canvas.pixels(), canvas.pixels() + 549 * 273};
}

std::vector<std::uint32_t> pixelsOf(const PictureBox* picture) {
    const Canvas& canvas = picture->canvas();
    return {canvas.pixels(), canvas.pixels() + canvas.width() * canvas.height()};
}

// A program with its main window shown.
struct ResponseSession {
    ResponseSession() {
        program.start();
        program.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&program.main()));
    }
    TForm4* open() {
        program.main().command("ACHH")->trigger();
        form = responseWindow();
        return form;
    }
    QLineEdit* edit(const char* name) const { return form->findChild<QLineEdit*>(name); }
    QLabel* label(const QString& name) const { return form->findChild<QLabel*>(name); }
    QString text(const QString& name) const { return label(name)->text(); }
    void set(const char* name, const QString& text) { edit(name)->setText(text); }
    // "Edit1=0;Edit4=0.25"
    void setAll(const QString& assignments) {
        for (const QString& pair : assignments.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QStringList parts = pair.split(QLatin1Char('='));
            set(parts[0].toLatin1().constData(), parts.value(1));
        }
    }
    void click(const char* name) {
        QTest::mouseClick(form->findChild<QAbstractButton*>(name), Qt::LeftButton);
    }
    // Texts of Label<first> .. Label<first + count - 1>.
    QStringList labels(int first, int count) const {
        QStringList texts;
        for (int i = first; i < first + count; ++i)
            texts << text(QStringLiteral("Label") + QString::number(i));
        return texts;
    }
    ScriptedPrompts& prompts() { return program.prompts(); }
    QStringList messages() {
        QStringList texts;
        for (const auto& m : program.prompts().messages)
            texts << m.text;
        return texts;
    }
    // Presses "Расчет" in the design window with the defaults, then "Готово".
    void designAndDone(const QString& filter) {
        if (!program.main().findChild<TForm2*>())
            program.main().command("CalcFil")->trigger();
        auto* design = program.main().findChild<TForm2*>();
        prompts().queueFile(program.path(QStringLiteral("1.out")));
        prompts().queueFile(filter);
        prompts().queueModal([](QDialog* results) {
            QTest::mouseClick(results->findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
            return results->result();
        });
        QTest::mouseClick(design->findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
        form = responseWindow();
    }
    QList<TForm4*> windows() { return program.main().findChildren<TForm4*>(); }

    Program program;
    TForm4* form = nullptr;
};

ResponseRange rangeOf(double f1, double f2, double b1, double b2, double a1, double a2) {
    ResponseRange r;
    r.f1 = f1;
    r.f2 = f2;
    r.b1 = b1;
    r.b2 = b2;
    r.a1 = a1;
    r.a2 = a2;
    return r;
}

} // namespace

class ResponseWindowTest : public QObject {
    Q_OBJECT

  private slots:
    // ACHH, its menu item and "Готово" open the window once, with a clean picture; only
    // the menu item brings its page to the front.
    void opening_data() {
        QTest::addColumn<QString>("road");
        QTest::addColumn<int>("page");
        QTest::newRow("ACHH") << "ACHH" << 4;
        QTest::newRow("menu item") << "MenuACHH" << 2;
        QTest::newRow("page button") << "SpeedButton5" << 2;
    }
    void opening() {
        QFETCH(QString, road);
        QFETCH(int, page);
        ResponseSession session;
        TForm1& main = session.program.main();
        shared().ResponseFilterFile = QStringLiteral("earlier.flt");
        const auto run = [&] {
            if (road.startsWith(QStringLiteral("Speed"))) {
                auto* pages = main.findChild<QTabWidget*>("PageControl1");
                pages->setCurrentIndex(2);
                QTest::mouseClick(main.findChild<QWidget*>(road), Qt::LeftButton);
            } else {
                main.command(road.toLatin1().constData())->trigger();
            }
        };
        run();
        TForm4* form = responseWindow();
        QVERIFY(form);
        session.form = form;
        QCOMPARE(session.windows().size(), 1);
        QCOMPARE(shared().flags.ResponseWindowOpen, 1);
        QCOMPARE(form->windowTitle(), QStringLiteral("Частотные характеристики цифровых фильтров"));
        QCOMPARE(form->size(), QSize(614, 397));
        QCOMPARE(form->parentWidget()->pos(), QPoint(1, 1));
        QVERIFY(!(form->parentWidget()->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(session.edit("Edit7")->text(), QStringLiteral("Файл не выбран!"));
        QCOMPARE(shared().ResponseFilterFile, QStringLiteral("earlier.flt")); // only the text
        QCOMPARE(main.findChild<QTabWidget*>("PageControl1")->currentIndex(), page);
        // Cleared: white inside, grey grid at tenths (274.5 rounds to even 274).
        const Canvas& canvas = form->picture()->canvas();
        QCOMPARE(QSize(canvas.width(), canvas.height()), QSize(549, 273));
        QCOMPARE(form->picture()->geometry(), QRect(32, 10, 549, 273));
        QCOMPARE(canvas.pixel(274, 100), gridColor);
        QCOMPARE(canvas.pixel(275, 100), white);
        QCOMPARE(canvas.pixel(100, 136), gridColor);
        QCOMPARE(canvas.pixel(100, 137), white);
        QCOMPARE(canvas.pixel(0, 0), gridColor);

        // A second time opens nothing and leaves the text.
        session.set("Edit1", QStringLiteral("-1"));
        form->setFileName(QStringLiteral("x.flt"));
        run();
        QCOMPARE(session.windows().size(), 1);
        QCOMPARE(responseWindow(), form);
        QCOMPARE(session.edit("Edit7")->text(), QStringLiteral("x.flt"));
        QCOMPARE(session.edit("Edit1")->text(), QStringLiteral("-1"));
    }

    // The whole road: each design's "Готово" names its file; the window is opened once.
    void doneAfterADesign() {
        ResponseSession session;
        const QString first = session.program.path(QStringLiteral("a.flt"));
        const QString second = session.program.path(QStringLiteral("b.flt"));
        session.designAndDone(first);
        QVERIFY(session.form);
        QCOMPARE(session.windows().size(), 1);
        QCOMPARE(shared().flags.ResponseWindowOpen, 1);
        QCOMPARE(session.edit("Edit7")->text(), first);

        TForm4* opened = session.form;
        session.designAndDone(second);
        QCOMPARE(session.windows().size(), 1);
        QCOMPARE(responseWindow(), opened);
        QCOMPARE(session.edit("Edit7")->text(), second);
        QCOMPARE(shared().ResponseFilterFile, second);

        // "Расчет" draws the designed filter: what the core draws from that file.
        session.click("BitBtn1");
        QCOMPARE(session.messages(), QStringList());
        QVERIFY(pixelsOf(session.form->picture()) == expectedPicture(second, ResponseRange{}));
        QCOMPARE(session.text("StaticText2").left(7), QStringLiteral("Kmax = "));
        QVERIFY(session.label("StaticText2")->isVisible());
        QVERIFY(session.prompts().unanswered.isEmpty());
    }

    void labels_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QPoint>("place");
        QTest::addColumn<QColor>("colour");
        const char* frequency[] = {"0.0", "0.05", "0.1", "0.15", "0.2", "0.25",
                                   "0.3", "0.35", "0.4", "0.45", "0.5"};
        const int frequencyX[] = {22, 74, 132, 186, 242, 290, 350, 402, 462, 514, 568};
        for (int i = 0; i < 11; ++i)
            QTest::addRow("frequency %d", i) << 1 + i << QString::fromLatin1(frequency[i])
                                             << QPoint(frequencyX[i], 286) << QColor(Qt::black);
        const char* linear[] = {"1", "0.80", "0.60", "0.40", "0.20"};
        const int linearY[] = {14, 60, 116, 170, 224};
        for (int i = 0; i < 5; ++i)
            QTest::addRow("linear %d", i) << 12 + i << QString::fromLatin1(linear[i])
                                          << QPoint(5, linearY[i]) << QColor(0, 128, 0);
        const char* decibel[] = {"-10", "-30", "-50", "-70", "-90"};
        const int decibelY[] = {34, 86, 142, 194, 248};
        for (int i = 0; i < 5; ++i)
            QTest::addRow("decibel %d", i) << 17 + i << QString::fromLatin1(decibel[i])
                                           << QPoint(42, decibelY[i]) << QColor(Qt::red);
        const char* phase[] = {"160", "80", "0  ", "-80", "-160"};
        const int phaseY[] = {32, 88, 142, 198, 250};
        for (int i = 0; i < 5; ++i)
            QTest::addRow("phase %d", i) << 22 + i << QString::fromLatin1(phase[i])
                                         << QPoint(584, phaseY[i]) << QColor(Qt::blue);
        QTest::newRow("legend phase")
            << 33 << " ФЧХ : arg(H(w)) " << QPoint(250, 311) << QColor(Qt::blue);
        QTest::newRow("legend linear")
            << 34 << "    АЧХ :  A(w) = |H(jw)||" << QPoint(250, 328) << QColor(0, 128, 0);
        QTest::newRow("legend decibel")
            << 35 << "АЧХ :  Al(w) = 20Log|H(jw)|" << QPoint(250, 345) << QColor(Qt::red);
    }
    void labels() {
        QFETCH(int, number);
        QFETCH(QString, text);
        QFETCH(QPoint, place);
        QFETCH(QColor, colour);
        ResponseSession session;
        session.open();
        QLabel* label = session.label(QStringLiteral("Label") + QString::number(number));
        QVERIFY(label);
        QCOMPARE(label->text(), text);
        QCOMPARE(label->palette().color(QPalette::WindowText), colour);
        const QPoint at = label->mapTo(session.form, QPoint(0, 0));
        // Legends: anywhere in the panel's middle top.
        if (number >= 33) {
            QVERIFY(label->font().bold());
            QVERIFY2(at.y() >= 306 && at.y() < 306 + 60 && at.x() > 241 && at.x() < 440,
                     qPrintable(QStringLiteral("%1,%2").arg(at.x()).arg(at.y())));
        } else {
            QCOMPARE(at, place);
        }
        // Nothing cut off.
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(label->text()));
        if (number >= 17 && number <= 21)
            QCOMPARE(label->palette().color(QPalette::Window), QColor(Qt::white));
    }

    void rangeFields_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QPoint>("place");
        QTest::newRow("B1") << "Edit1"
                            << "B1-db"
                            << "0.0" << QPoint(38, 11);
        QTest::newRow("B2") << "Edit2"
                            << "B2-db"
                            << "-100.0" << QPoint(38, 35);
        QTest::newRow("F1") << "Edit3"
                            << "F1-str"
                            << "0.0" << QPoint(118, 11);
        QTest::newRow("F2") << "Edit4"
                            << "F2-str"
                            << "0.5" << QPoint(118, 35);
        QTest::newRow("A1") << "Edit5"
                            << "A1-lin"
                            << "1.0" << QPoint(200, 11);
        QTest::newRow("A2") << "Edit6"
                            << "A2-lin"
                            << "0.0" << QPoint(200, 35);
    }
    void rangeFields() {
        QFETCH(QString, edit);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        QFETCH(QPoint, place);
        ResponseSession session;
        session.open();
        auto* field = session.edit(edit.toLatin1().constData());
        QCOMPARE(field->text(), text);
        QCOMPARE(field->pos(), place);
        QCOMPARE(field->parentWidget()->objectName(), QStringLiteral("Panel1"));
        bool labelled = false;
        for (const QLabel* l : session.form->findChildren<QLabel*>())
            labelled = labelled || (l->buddy() == field && l->text() == caption);
        QVERIFY(labelled);
        // Results hidden until first filled.
        for (const char* result : {"StaticText1", "StaticText2", "StaticText3"})
            QVERIFY(!session.label(QString::fromLatin1(result))->isVisible());
    }

    // The defaults relabel every scale and show the step, before the checks and the file.
    void defaultsRelabel() {
        ResponseSession session;
        session.open();
        const QString path = session.program.path(QStringLiteral("s.flt"));
        writeSection(path, QStringLiteral("1 1 0"), QStringLiteral("1 0 0"));
        shared().ResponseFilterFile = path;
        session.click("BitBtn1");
        QCOMPARE(session.messages(), QStringList());
        QCOMPARE(session.labels(1, 11), (QStringList{"0.00", "0.05", "0.10", "0.15", "0.20", "0.25",
                                                     "0.30", "0.35", "0.40", "0.45", "0.50"}));
        QCOMPARE(session.labels(12, 5), (QStringList{"1.00", "0.80", "0.60", "0.40", "0.20"}));
        QCOMPARE(session.labels(17, 5), (QStringList{"-10", "-30", "-50", "-70", "-90"}));
        QCOMPARE(session.labels(22, 5), (QStringList{"160", "80", "0  ", "-80", "-160"}));
        QCOMPARE(session.text("StaticText1"), QStringLiteral("0.0009"));
        QCOMPARE(session.text("StaticText2"), QStringLiteral("Kmax = 2.000"));
        QCOMPARE(session.text("StaticText3"), QStringLiteral("  FM = 0.0000"));
        for (const char* result : {"StaticText1", "StaticText2", "StaticText3"})
            QVERIFY(session.label(QString::fromLatin1(result))->isVisible());
        QVERIFY(pixelsOf(session.form->picture()) == expectedPicture(path, ResponseRange{}));
    }

    // Each field reaches its own member of the range: non-default values everywhere give
    // the core's picture for exactly those values, and labels from each scale's ends.
    void everyFieldReachesTheComputation() {
        ResponseSession session;
        session.open();
        const QString path = session.program.path(QStringLiteral("s.flt"));
        writeSection(path, QStringLiteral("0.2 0.4 0.2"), QStringLiteral("1 -0.6 0.3"));
        shared().ResponseFilterFile = path;
        session.setAll(
            QStringLiteral("Edit1=-5;Edit2=-65;Edit3=0.1;Edit4=0.4;Edit5=0.9;Edit6=0.1"));
        session.click("BitBtn1");
        QCOMPARE(session.messages(), QStringList());
        QVERIFY(pixelsOf(session.form->picture()) ==
                expectedPicture(path, rangeOf(0.1, 0.4, -5, -65, 0.9, 0.1)));
        QCOMPARE(session.labels(1, 11), (QStringList{"0.10", "0.13", "0.16", "0.19", "0.22", "0.25",
                                                     "0.28", "0.31", "0.34", "0.37", "0.40"}));
        QCOMPARE(session.labels(12, 5), (QStringList{"0.90", "0.74", "0.58", "0.42", "0.26"}));
        QCOMPARE(session.labels(17, 5), (QStringList{"-11", "-23", "-35", "-47", "-59"}));
        QCOMPARE(session.text("StaticText1"), QStringLiteral("0.0005"));
        QCOMPARE(session.text("StaticText3").left(7), QStringLiteral("  FM = "));
    }

    // Checked in the order F1, F2, B2, B1, A2, A1, after the labels; the first field
    // outside its values gets the message and the focus, nothing is computed.
    void refusals_data() {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("focused");
        QTest::addColumn<QString>("lastFrequency");
        QTest::newRow("F2 = 1.2") << "Edit4=1.2"
                                  << "Edit4"
                                  << "1.20";
        QTest::newRow("B2 = -120") << "Edit2=-120"
                                   << "Edit2"
                                   << "0.50";
        QTest::newRow("B1 = 6") << "Edit1=6"
                                << "Edit1"
                                << "0.50";
        QTest::newRow("A1 = 1.5") << "Edit5=1.5"
                                  << "Edit5"
                                  << "0.50";
        QTest::newRow("F1 negative") << "Edit3=-0.1"
                                     << "Edit3"
                                     << "0.50";
        QTest::newRow("A2 negative") << "Edit6=-0.1"
                                     << "Edit6"
                                     << "0.50";
        QTest::newRow("F1 above F2 blames F2") << "Edit3=0.4;Edit4=0.3"
                                               << "Edit4"
                                               << "0.30";
        QTest::newRow("B2 above B1 blames B2") << "Edit1=-60;Edit2=-50"
                                               << "Edit2"
                                               << "0.50";
        QTest::newRow("A2 above A1 blames A2") << "Edit5=0.3;Edit6=0.5"
                                               << "Edit6"
                                               << "0.50";
        QTest::newRow("F before B") << "Edit4=1.2;Edit2=-120"
                                    << "Edit4"
                                    << "1.20";
        QTest::newRow("B2 before B1") << "Edit1=6;Edit2=-120"
                                      << "Edit2"
                                      << "0.50";
        QTest::newRow("B before A") << "Edit1=6;Edit5=1.5"
                                    << "Edit1"
                                    << "0.50";
        QTest::newRow("A2 before A1") << "Edit5=1.5;Edit6=-1"
                                      << "Edit6"
                                      << "0.50";
    }
    void refusals() {
        QFETCH(QString, fields);
        QFETCH(QString, focused);
        QFETCH(QString, lastFrequency);
        ResponseSession session;
        session.open();
        // A file that cannot be read: reading it would give an error of its own.
        shared().ResponseFilterFile = session.program.path(QStringLiteral("missing.flt"));
        session.setAll(fields);
        const std::vector<std::uint32_t> before = pixelsOf(session.form->picture());
        session.click("BitBtn1");
        QCOMPARE(session.messages(), QStringList{invalidValue});
        QCOMPARE(session.form->focusWidget(), session.edit(focused.toLatin1().constData()));
        QCOMPARE(session.text("Label11"), lastFrequency);
        QVERIFY(session.label("StaticText1")->isVisible());
        QVERIFY(!session.label("StaticText2")->isVisible());
        QVERIFY(pixelsOf(session.form->picture()) == before);
    }

    // The accepted values include both ends.
    void limitsAreAccepted() {
        ResponseSession session;
        session.open();
        const QString path = session.program.path(QStringLiteral("s.flt"));
        writeSection(path, QStringLiteral("1 1 0"), QStringLiteral("1 0 0"));
        shared().ResponseFilterFile = path;
        session.setAll(QStringLiteral("Edit1=5;Edit2=-100;Edit3=1;Edit4=1;Edit5=1;Edit6=0"));
        session.click("BitBtn1");
        QCOMPARE(session.messages(), QStringList());
        QCOMPARE(session.text("StaticText1"), QStringLiteral("0.0000"));
        QCOMPARE(session.text("StaticText3"), QStringLiteral("  FM = 1.0000"));
    }

    // A field that is not a number stops the run where it is read: the decibel fields
    // first, then the frequencies, then the linear scale.
    void notANumber_data() {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("firstDecibel");
        QTest::addColumn<QString>("firstFrequency");
        QTest::newRow("B2") << "Edit2=x;Edit3=y"
                            << "'x' is not a valid floating point value."
                            << "-10"
                            << "0.0";
        QTest::newRow("F1 after B") << "Edit3=abc;Edit2=-50"
                                    << "'abc' is not a valid floating point value."
                                    << "-5"
                                    << "0.0";
        QTest::newRow("A1 after F") << "Edit5=;Edit3=0.1"
                                    << "'' is not a valid floating point value."
                                    << "-10"
                                    << "0.10";
    }
    void notANumber() {
        QFETCH(QString, fields);
        QFETCH(QString, message);
        QFETCH(QString, firstDecibel);
        QFETCH(QString, firstFrequency);
        ResponseSession session;
        session.open();
        session.setAll(fields);
        session.click("BitBtn1");
        QCOMPARE(session.messages(), QStringList{message});
        QCOMPARE(session.text("Label17"), firstDecibel);
        QCOMPARE(session.text("Label1"), firstFrequency);
        QVERIFY(!session.label("StaticText1")->isVisible());
    }

    // Without a file: the labels and step change, the results do not.
    void noFileName_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << "";
        QTest::newRow("the bare pattern") << "*.flt";
    }
    void noFileName() {
        QFETCH(QString, name);
        ResponseSession session;
        session.open();
        shared().ResponseFilterFile = name;
        session.click("BitBtn1");
        QCOMPARE(session.messages(), QStringList{QStringLiteral("Не задано имя файла")});
        QCOMPARE(session.text("Label11"), QStringLiteral("0.50"));
        QVERIFY(session.label("StaticText1")->isVisible());
        QVERIFY(!session.label("StaticText2")->isVisible());
        QVERIFY(!session.label("StaticText3")->isVisible());
    }

    void maximumForms_data() {
        QTest::addColumn<QString>("gain");
        QTest::addColumn<QString>("f1");
        QTest::addColumn<QString>("kmax");
        QTest::addColumn<QString>("fm");
        QTest::newRow("fixed") << "2"
                               << "0"
                               << "Kmax = 2.000"
                               << "  FM = 0.0000";
        QTest::newRow("largest fixed") << "99999"
                                       << "0.1"
                                       << "Kmax = 99999.000"
                                       << "  FM = 0.1000";
        QTest::newRow("general above 99999") << "123456.5"
                                             << "0.125"
                                             << "Kmax = 123456.5"
                                             << "  FM = 0.1250";
        QTest::newRow("largest shown") << "9999999999"
                                       << "0"
                                       << "Kmax = 9999999999"
                                       << "  FM = 0.0000";
        QTest::newRow("too large") << "1e11"
                                   << "0"
                                   << "Kmax > 9999999999"
                                   << "  FM = 0.0000";
        QTest::newRow("small, 7 digits") << "0.0012345678"
                                         << "0"
                                         << "Kmax = 0.001"
                                         << "  FM = 0.0000";
    }
    void maximumForms() {
        QFETCH(QString, gain);
        QFETCH(QString, f1);
        QFETCH(QString, kmax);
        QFETCH(QString, fm);
        ResponseSession session;
        session.open();
        const QString path = session.program.path(QStringLiteral("g.flt"));
        writeSection(path, gain + QStringLiteral(" 0 0"), QStringLiteral("1 0 0"));
        shared().ResponseFilterFile = path;
        session.set("Edit3", f1);
        session.click("BitBtn1");
        QCOMPARE(session.messages(), QStringList());
        QCOMPARE(session.text("StaticText2"), kmax);
        QCOMPARE(session.text("StaticText3"), fm);
    }

    // Kmax and FM are shown before the magnitude pass, so a filter without any
    // transmission still shows them next to its message.
    void zeroMagnitudeShowsTheMaximumFirst() {
        ResponseSession session;
        session.open();
        const QString path = session.program.path(QStringLiteral("z.flt"));
        writeSection(path, QStringLiteral("0 0 0"), QStringLiteral("1 0 0"));
        shared().ResponseFilterFile = path;
        session.set("Edit3", QStringLiteral("0.2"));
        session.click("BitBtn1");
        QCOMPARE(session.messages(), QStringList{QString::fromUtf8(zeroMagnitudeMessage)});
        QCOMPARE(session.text("StaticText2"), QStringLiteral("Kmax = 0.000"));
        QCOMPARE(session.text("StaticText3"), QStringLiteral("  FM = 0.2000"));
        QVERIFY(session.label("StaticText2")->isVisible());
    }

    // A file that cannot be opened: the error box, no results.
    void missingFile() {
        ResponseSession session;
        session.open();
        shared().ResponseFilterFile = session.program.path(QStringLiteral("none.flt"));
        session.click("BitBtn1");
        QCOMPARE(session.messages(), QStringList{QStringLiteral("File not found.")});
        QVERIFY(!session.label("StaticText2")->isVisible());
        QVERIFY(session.label("StaticText1")->isVisible());
    }

    // Without "Очистить" the traces of every run stay; with it only the last run's.
    void tracesAccumulateUntilCleared() {
        ResponseSession session;
        session.open();
        const QString lowPass = session.program.path(QStringLiteral("low.flt"));
        const QString highPass = session.program.path(QStringLiteral("high.flt"));
        writeSection(lowPass, QStringLiteral("1 2 1"), QStringLiteral("1 0 0"));
        writeSection(highPass, QStringLiteral("1 -2 1"), QStringLiteral("1 0 0"));
        const std::vector<std::uint32_t> low = expectedPicture(lowPass, ResponseRange{});
        const std::vector<std::uint32_t> high = expectedPicture(highPass, ResponseRange{});

        shared().ResponseFilterFile = lowPass;
        session.click("BitBtn1");
        QVERIFY(pixelsOf(session.form->picture()) == low);
        shared().ResponseFilterFile = highPass;
        session.click("BitBtn1");
        const std::vector<std::uint32_t> both = pixelsOf(session.form->picture());
        // The second run paints its traces over the first: the first run's trace stays
        // wherever the second draws nothing.
        const auto isTrace = [](std::uint32_t p) { return p != 0xFFFFFFFF && p != 0xFF808080; };
        int firstOnly = 0;
        for (std::size_t i = 0; i < both.size(); ++i) {
            QCOMPARE(both[i], isTrace(high[i]) ? high[i] : low[i]);
            firstOnly += isTrace(low[i]) && !isTrace(high[i]) ? 1 : 0;
        }
        QVERIFY2(firstOnly > 500, qPrintable(QString::number(firstOnly)));

        session.click("BitBtn2");
        session.click("BitBtn1");
        QVERIFY(pixelsOf(session.form->picture()) == high);
        QVERIFY(session.label("StaticText2")->isVisible()); // clearing keeps the results
        session.click("BitBtn2");
        QCOMPARE(session.text("StaticText2"), QStringLiteral("Kmax = 4.000"));
        QCOMPARE(session.text("Label11"), QStringLiteral("0.50"));
    }

    // "Файл": a chosen file becomes ResponseFilterFile; a cancel keeps what was there.
    void fileButton_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("after");
        QTest::newRow("cancel before any file") << ""
                                                << ""
                                                << "";
        QTest::newRow("cancel keeps the designed file") << "/d/1.flt"
                                                        << ""
                                                        << "/d/1.flt";
        QTest::newRow("chosen") << "/d/1.flt"
                                << "/e/2.flt"
                                << "/e/2.flt";
    }
    void fileButton() {
        QFETCH(QString, before);
        QFETCH(QString, chosen);
        QFETCH(QString, after);
        ResponseSession session;
        session.open();
        shared().ResponseFilterFile = before;
        if (chosen.isEmpty())
            session.prompts().queueCancel();
        else
            session.prompts().queueFile(chosen);
        session.click("BitBtn3");
        QCOMPARE(shared().ResponseFilterFile, after);
        QCOMPARE(session.edit("Edit7")->text(), after);
        const auto& requests = session.prompts().fileRequests;
        QCOMPARE(requests.size(), size_t(1));
        QVERIFY(!requests[0].save);
        QCOMPARE(requests[0].request.filter, QStringLiteral("Файлы параметров фильтра|*.flt"));
        QCOMPARE(requests[0].request.initialFolder, QDir::currentPath());
    }

    // Closing by "Выход" or the close box clears the flag and takes an open design window
    // along; the modelling window's flag is not this window's business.
    void closing_data() {
        QTest::addColumn<bool>("byExit");
        QTest::addColumn<bool>("designOpen");
        QTest::newRow("Выход, design open") << true << true;
        QTest::newRow("close box, design open") << false << true;
        QTest::newRow("Выход alone") << true << false;
    }
    void closing() {
        QFETCH(bool, byExit);
        QFETCH(bool, designOpen);
        ResponseSession session;
        TForm1& main = session.program.main();
        if (designOpen)
            main.command("CalcFil")->trigger();
        session.open();
        shared().flags.ModellingWindowOpen = 1;
        QPointer<TForm4> form = session.form;
        QPointer<QWidget> design = main.findChild<TForm2*>();
        if (byExit)
            session.click("BitBtn4");
        else
            form->parentWidget()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!form);
        QVERIFY(!design);
        QVERIFY(!responseWindow());
        QCOMPARE(shared().flags.ResponseWindowOpen, 0);
        QCOMPARE(shared().flags.DesignWindowOpen, 0);
        QCOMPARE(shared().flags.ModellingWindowOpen, 1);
        QVERIFY(shared().documentArea->subWindowList().isEmpty());

        main.command("ACHH")->trigger();
        QCOMPARE(session.windows().size(), 1);
        QCOMPARE(shared().flags.ResponseWindowOpen, 1);
    }

    // CalcFil with both windows open closes both and opens a fresh design window.
    void calcFilClosesTheWindow() {
        ResponseSession session;
        TForm1& main = session.program.main();
        main.command("CalcFil")->trigger();
        QPointer<TForm2> design = main.findChild<TForm2*>();
        session.open();
        QPointer<TForm4> form = session.form;
        main.command("CalcFil")->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!form);
        QVERIFY(!design);
        QCOMPARE(main.findChildren<TForm2*>().size(), 1);
        QCOMPARE(shared().flags.ResponseWindowOpen, 0);
        QCOMPARE(shared().flags.DesignWindowOpen, 1);
    }

    // A double click on the picture saves it, as PNG or BMP by the name's extension.
    void savingThePicture_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("bmp") << "r.bmp" << QByteArray("bmp");
        QTest::newRow("png") << "r.PNG" << QByteArray("png");
        QTest::newRow("no extension is bmp") << "r" << QByteArray("bmp");
    }
    void savingThePicture() {
        QFETCH(QString, name);
        QFETCH(QByteArray, format);
        ResponseSession session;
        session.open();
        const QString filter = session.program.path(QStringLiteral("s.flt"));
        writeSection(filter, QStringLiteral("1 2 1"), QStringLiteral("1 0 0"));
        shared().ResponseFilterFile = filter;
        session.click("BitBtn1");
        const QString path = session.program.path(name);
        session.prompts().queueFile(path);
        QTest::mouseDClick(session.form->picture(), Qt::LeftButton);

        const auto& requests = session.prompts().fileRequests;
        QCOMPARE(requests.size(), size_t(1));
        QVERIFY(requests[0].save && requests[0].picture);
        QVERIFY(requests[0].request.filter.contains(QStringLiteral("*.bmp")));
        QVERIFY(requests[0].request.filter.contains(QStringLiteral("*.png")));
        QCOMPARE(session.messages(), QStringList());
        const QByteArray bytes = fileBytes(path);
        QImage saved;
        QVERIFY(saved.loadFromData(bytes, format.constData()));
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
                 session.form->picture()->image().convertToFormat(QImage::Format_RGB32));
        if (format == "bmp") {
            const std::vector<std::uint8_t> bmp = session.form->picture()->canvas().bmpBytes();
            QCOMPARE(bytes, QByteArray(reinterpret_cast<const char*>(bmp.data()),
                                       static_cast<qsizetype>(bmp.size())));
        }
    }

    void savingThePictureRefused_data() {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("cancel") << true << QStringList{};
        QTest::newRow("missing folder") << false << QStringList{"I/O error 3."};
    }
    void savingThePictureRefused() {
        QFETCH(bool, cancel);
        QFETCH(QStringList, messages);
        ResponseSession session;
        session.open();
        if (cancel)
            session.prompts().queueCancel();
        else
            session.prompts().queueFile(session.program.path(QStringLiteral("no/r.png")));
        QTest::mouseDClick(session.form->picture(), Qt::LeftButton);
        QCOMPARE(session.messages(), messages);
        QCOMPARE(QDir(session.program.folder()).entryList({"r.*"}, QDir::Files), QStringList());
    }

    // With Russian number settings the labels and results use a comma; a point typed in a
    // field is read too.
    void decimalComma() {
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        ResponseSession session;
        session.open();
        const QString path = session.program.path(QStringLiteral("s.flt"));
        writeSection(path, QStringLiteral("1 1 0"), QStringLiteral("1 0 0"));
        shared().ResponseFilterFile = path;
        session.setAll(QStringLiteral("Edit3=0,1;Edit4=0.4"));
        session.click("BitBtn1");
        QLocale::setDefault(previous);
        QCOMPARE(session.messages(), QStringList());
        QCOMPARE(session.text("Label2"), QStringLiteral("0,13"));
        QCOMPARE(session.text("Label12"), QStringLiteral("1,00"));
        QCOMPARE(session.text("StaticText1"), QStringLiteral("0,0005"));
        QCOMPARE(session.text("StaticText3"), QStringLiteral("  FM = 0,1000"));
    }
};

ZORKAN_UI_TEST(ResponseWindowTest);

} // namespace zorkan::ui::test

#include "responsewindow_test.moc"
