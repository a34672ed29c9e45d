// The modelling window and its setup dialog: opening and the first fill, the strobe
// fields, the test-signal buttons, loading a filter, and filtering a file off the
// interface thread with progress and cancelling.
#include "modelling/F1.h"
#include "modelling/F2.h"
#include "modelling/filtering.h"
#include "modelling/modellingchart.h"
#include "tests/ui/uitest.h"
#include "ui/picturebox.h"
#include "ui/sharedstate.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

namespace zorkan::ui::test {

namespace {

const QString notLoaded = QStringLiteral("Параметры фильтра не считаны!!!!");
const QString halving = QStringLiteral("2\n0\n1 0 0\n1 -0.5 0\n");
constexpr Rgb green{0, 128, 0};
constexpr Rgb blue{0, 0, 255};

void writeText(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

struct ModellingSession {
    ModellingSession() {
        program.start();
        program.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&program.main()));
        open();
    }
    void open() {
        program.main().command("Modelling")->trigger();
        form = modellingWindow();
    }
    QLabel* label(int n) const {
        return form->findChild<QLabel*>(QStringLiteral("Label%1").arg(n));
    }
    QString text(int n) const { return label(n)->text(); }
    QLineEdit* edit(const char* name) const { return form->findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) const { return form->findChild<QPushButton*>(name); }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    ScriptedPrompts& prompts() { return program.prompts(); }
    QStringList messages() {
        QStringList texts;
        for (const auto& m : program.prompts().messages)
            texts << m.text;
        program.prompts().messages.clear();
        return texts;
    }
    void load(const QString& text) {
        const QString path = program.path(QStringLiteral("f.flt"));
        writeCp1251(path, text);
        prompts().queueFile(path);
        click("BitBtn4");
    }
    // Answers the setup dialog with these texts and "ДА" (or "НЕТ").
    void sine(const QString& frequency, const QString& law, const QString& sigma,
              bool accept = true) {
        prompts().queueModal([=](QDialog* d) {
            auto* setup = static_cast<TSetupForm*>(d);
            setup->frequencyField()->setText(frequency);
            setup->lawSelector()->setCurrentText(law);
            setup->sigmaField()->setText(sigma);
            return accept ? QDialog::Accepted : QDialog::Rejected;
        });
        click("BitBtn1");
    }
    bool chartIsEmpty() const {
        Canvas empty(modellingChartWidth, modellingChartHeight);
        clearPlot(empty);
        const Canvas& c = form->picture()->canvas();
        return std::equal(c.pixels(), c.pixels() + 600 * 220, empty.pixels());
    }
    // Leaves the field for another control of the window.
    void leave(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->setText(text);
        button("BitBtn2")->setFocus();
    }

    Program program;
    TFormSin* form = nullptr;
};

} // namespace

class ModellingWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void openingFillsTheDefaults() {
        ModellingSession session;
        TFormSin* form = session.form;
        QVERIFY(form);
        QCOMPARE(shared().flags.ModellingWindowOpen, 1);
        QCOMPARE(form->windowTitle(), QStringLiteral("Моделирование цифровых фильтров"));
        QCOMPARE(form->parentWidget()->pos(), QPoint(1, 1));
        QCOMPARE(session.program.main().findChild<QTabWidget*>("PageControl1")->currentIndex(), 1);
        QCOMPARE(session.edit("Edit1")->text(), QStringLiteral("1"));
        QCOMPARE(session.edit("Edit2")->text(), QStringLiteral("1024"));
        // Frec, Nois, Sigma, Max IN, Max OUT, Step (blanked again by the strobe fields).
        QCOMPARE((QStringList{session.text(4), session.text(6), session.text(8), session.text(10),
                              session.text(12), session.text(14)}),
                 (QStringList{"0.0100", "Равномерное", "0.1000", " ", " ", " "}));
        QVERIFY(session.chartIsEmpty());
        QCOMPARE(form->picture()->canvas().width(), 600);

        // At most one; closing clears the flag and the next window starts from defaults.
        modellingSettings().SignalFrequency = 0.5;
        session.open();
        QCOMPARE(session.program.main().findChildren<TFormSin*>().size(), 1);
        form->parentWidget()->close();
        QCOMPARE(shared().flags.ModellingWindowOpen, 0);
        session.open();
        QVERIFY(session.form && session.form != form);
        QCOMPARE(session.text(4), QStringLiteral("0.0100"));
        QCOMPARE(modellingSettings().FilterLoaded, false);
    }

    void buttonsNeedAFilter() {
        ModellingSession session;
        for (const char* name : {"BitBtn1", "BitBtn2", "BitBtn3", "BitBtn5"}) {
            session.click(name);
            QCOMPARE(session.messages(), QStringList{notLoaded});
        }
        QVERIFY(session.prompts().modalShows.empty());
        QVERIFY(session.prompts().fileRequests.empty());
    }

    void stepAndImpulse() {
        ModellingSession session;
        session.load(halving);
        session.click("BitBtn3"); // Ступенька
        QCOMPARE(session.text(10), QStringLiteral("1.00000"));
        QCOMPARE(session.text(12), QStringLiteral("2.00000")); // 1 / (1 - 0.5)
        QCOMPARE(session.text(14), QStringLiteral("34.13333"));
        const Canvas& c = session.form->picture()->canvas();
        QCOMPARE(c.pixel(0, 110), blue); // first sample 0 on the zero line (output on top)
        QCOMPARE(c.pixel(1, 10), green); // the input step, 100 pixels above it
        QCOMPARE(c.pixel(1, 60), blue);  // the output's first 1 of its peak 2: 50 above
        session.click("BitBtn2");        // Импульс: output peak 1, input peak 1
        QCOMPARE(session.text(12), QStringLiteral("1.00000"));
        QVERIFY(session.messages().isEmpty());
    }

    void strobeFields_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("L 0") << "Edit2"
                             << "0"
                             << "Ошибочная запись числа:0" << 1 << 1024;
        QTest::newRow("L 1025") << "Edit2"
                                << "1025"
                                << "Ошибочная запись числа:1025" << 1 << 1024;
        QTest::newRow("L below F") << "Edit2"
                                   << "4"
                                   << "Ошибочная запись числа:4" << 5 << 1024;
        QTest::newRow("F 0") << "Edit1"
                             << "0"
                             << "Ошибочная запись числа:0" << 1 << 1024;
        QTest::newRow("F not a number") << "Edit1"
                                        << "1,5"
                                        << "'1,5' is not a valid integer value." << 1 << 1024;
        QTest::newRow("L empty") << "Edit2"
                                 << ""
                                 << "'' is not a valid integer value." << 1 << 1024;
        QTest::newRow("L 1 with F 1") << "Edit2"
                                      << "1"
                                      << "" << 1 << 1;
    }
    void strobeFields() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(int, first);
        QFETCH(int, last);
        ModellingSession session;
        if (first == 5)
            session.leave(session.edit("Edit1"), QStringLiteral("5"));
        QCOMPARE(modellingSettings().FirstStrobe, first);
        QLineEdit* edit = session.edit(field.toLatin1().constData());
        session.leave(edit, text);
        QCOMPARE(session.messages(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(modellingSettings().FirstStrobe, first);
        QCOMPARE(modellingSettings().LastStrobe, last);
        if (!message.isEmpty()) {
            QCOMPARE(QApplication::focusWidget(), edit);
        } else {
            // Strobe 1..1: Step 1/30; each trace a single point, which draws nothing.
            QCOMPARE(session.text(14), QStringLiteral("0.03333"));
            session.load(halving);
            session.click("BitBtn3");
            QCOMPARE(session.text(14), QStringLiteral("0.03333"));
            QCOMPARE(session.form->picture()->canvas().pixel(0, 110), (Rgb{255, 0, 0}));
        }
    }

    void changingAStrobeClearsTheChart() {
        ModellingSession session;
        session.load(halving);
        session.click("BitBtn2");
        QVERIFY(!session.chartIsEmpty());
        session.edit("Edit1")->setText(QStringLiteral("2"));
        QVERIFY(session.chartIsEmpty());
        QCOMPARE(session.text(14), QStringLiteral(" "));
    }

    void setupDialog() {
        ModellingSession session;
        session.load(halving);
        // "Нет" blanks sigma; the law follows the choice.
        session.sine(QStringLiteral("0.25"), QStringLiteral("Нет"), QStringLiteral("0.2"));
        QCOMPARE(session.text(4), QStringLiteral("0.2500"));
        QCOMPARE(session.text(6), QStringLiteral("Нет"));
        QCOMPARE(session.text(8), QStringLiteral("   "));
        QCOMPARE(modellingSettings().NoiseLaw, plainSine);
        QCOMPARE(session.text(10), QStringLiteral("1.00000"));
        QVERIFY(!session.chartIsEmpty());
        auto* dialog = qobject_cast<TSetupForm*>(session.prompts().modalShows.back().data());
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Настройка"));

        // The next dialog shows the settings; its law starts at "Равномерное" whatever.
        session.prompts().queueModal([](QDialog* d) {
            auto* setup = static_cast<TSetupForm*>(d);
            return setup->frequencyField()->text() == QStringLiteral("0.2500") &&
                           setup->sigmaField()->text() == QStringLiteral("0.2000") &&
                           setup->lawSelector()->currentText() == QStringLiteral("Равномерное")
                       ? QDialog::Accepted
                       : QDialog::Rejected;
        });
        session.click("BitBtn1");
        QCOMPARE(session.text(6), QStringLiteral("Равномерное"));
        QCOMPARE(session.text(8), QStringLiteral("0.2000")); // the sigma in force is shown

        // "НЕТ" leaves everything, and the chart stays empty.
        session.sine(QStringLiteral("1.5"), QStringLiteral("Гаусовское"), QStringLiteral("5"),
                     false);
        QCOMPARE(modellingSettings().SignalFrequency, 0.25);
        QCOMPARE(modellingSettings().NoiseLaw, uniformNoiseSine);
        QCOMPARE(session.text(4), QStringLiteral("0.2500"));
        QVERIFY(session.chartIsEmpty());

        // Bad texts change no setting.
        session.sine(QStringLiteral("3"), QStringLiteral("Нет"), QStringLiteral("0.5"));
        QCOMPARE(session.messages(), QStringList{"Ошибочная запись числа:3"});
        session.sine(QStringLiteral("0.1"), QStringLiteral("Нет"), QStringLiteral("0"));
        QCOMPARE(session.messages(), QStringList{"Ошибочная запись числа:0"});
        session.sine(QStringLiteral("0.1"), QStringLiteral("Нет"), QStringLiteral("x"));
        QCOMPARE(session.messages(), QStringList{"'x' is not a valid floating point value."});
        QCOMPARE(modellingSettings().SignalFrequency, 0.25);
        QCOMPARE(modellingSettings().NoiseSigma, 0.2);
        QCOMPARE(modellingSettings().NoiseLaw, uniformNoiseSine);
    }

    // Russian number settings: the comma is shown and read; a point is read too.
    void russianDecimalComma() {
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        {
            ModellingSession session;
            QCOMPARE(session.text(4), QStringLiteral("0,0100"));
            session.load(halving);
            session.sine(QStringLiteral("0,25"), QStringLiteral("Нет"), QStringLiteral("0.5"));
            QCOMPARE(modellingSettings().SignalFrequency, 0.25);
            QCOMPARE(session.text(4), QStringLiteral("0,2500"));
            QCOMPARE(session.text(10), QStringLiteral("1,00000"));
            QVERIFY(session.messages().isEmpty());
        }
        QLocale::setDefault(before);
    }

    // The setup dialog is centred on the screen even when its owner sits in a corner (within
    // the frame's few pixels).
    void setupDialogCentredOnTheScreen() {
        QWidget owner;
        owner.setGeometry(0, 0, 300, 200);
        owner.show();
        TSetupForm dialog(&owner);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint centre = dialog.screen()->availableGeometry().center();
        QVERIFY2((dialog.frameGeometry().center() - centre).manhattanLength() <= 6,
                 qPrintable(QStringLiteral("%1,%2 against %3,%4")
                                .arg(dialog.frameGeometry().center().x())
                                .arg(dialog.frameGeometry().center().y())
                                .arg(centre.x())
                                .arg(centre.y())));
    }

    void setupFieldsCheckOnLeaving() {
        TSetupForm dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        ScriptedPromptsScope scope;
        dialog.frequencyField()->setFocus();
        dialog.frequencyField()->setText(QStringLiteral("2.5"));
        dialog.sigmaField()->setFocus();
        QCOMPARE(scope.scripted.messages.size(), std::size_t{1});
        QCOMPARE(scope.scripted.messages[0].text, QStringLiteral("Ошибочная запись числа:2.5"));
        QCOMPARE(QApplication::focusWidget(), dialog.frequencyField());
        // "ДА" does not close the dialog over a bad field.
        dialog.frequencyField()->setText(QStringLiteral("0.5"));
        dialog.sigmaField()->setText(QStringLiteral("200"));
        dialog.accept();
        QVERIFY(dialog.isVisible());
        QCOMPARE(QApplication::focusWidget(), dialog.sigmaField());
    }

    // A failed load keeps the tables and the loaded state; "Считать" cancelled too.
    void loadingFaults() {
        ModellingSession session;
        session.prompts().queueCancel();
        session.click("BitBtn4");
        session.click("BitBtn2");
        QCOMPARE(session.messages(), QStringList{notLoaded});

        session.load(QStringLiteral("4\n0\n1 0 0\n1 x 0\n1 0 0\n1 0 0\n"));
        QCOMPARE(session.messages(), QStringList{"Invalid numeric input."});
        session.click("BitBtn2");
        QCOMPARE(session.messages(), QStringList{notLoaded});

        session.load(QStringLiteral("2\n0\n0.5 0 0\n1 0 0\n"));
        const SectionTables before = modellingTables();
        session.load(QStringLiteral("62\n0\n"));
        QCOMPARE(session.messages().size(), 1);
        session.load(QStringLiteral("2\n0\n7 zz 0\n1 0 0\n"));
        QCOMPARE(session.messages(), QStringList{"Invalid numeric input."});
        QCOMPARE(modellingTables().order, before.order);
        QCOMPARE(modellingTables().sections[0].a[0], 0.5);
        session.click("BitBtn2");
        QCOMPARE(session.text(12), QStringLiteral("0.50000"));
    }

    void filteringAFile() {
        ModellingSession session;
        session.load(halving);
        QByteArray input;
        for (int i = 0; i < 5000; ++i)
            input += QByteArray::number((i % 50) / 25.0 - 1) + "\r\n";
        const QString in = session.program.path(QStringLiteral("a.xicd"));
        const QString out = session.program.path(QStringLiteral("a.yicd"));
        writeText(in, input);
        session.prompts().queueFile(in);
        session.prompts().queueFile(out);
        session.click("BitBtn5");
        QVERIFY(session.form->fileRunActive());
        QVERIFY(!session.button("BitBtn5")->isEnabled());
        QVERIFY(!session.button("BitBtn2")->isEnabled());
        QVERIFY(session.form->findChild<QProgressBar*>("ProgressBar1")->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!session.form->fileRunActive(), 20000);
        QVERIFY(session.button("BitBtn5")->isEnabled());
        QVERIFY(session.messages().isEmpty());
        QCOMPARE(fileBytes(out).size(), 5000 * 25);
        QCOMPARE(fileBytes(session.program.path(QStringLiteral("tmp.zicd"))), fileBytes(out));
        QCOMPARE(session.text(10), QStringLiteral("1.00000"));
        QVERIFY(!session.chartIsEmpty());
        const auto& requests = session.prompts().fileRequests;
        QCOMPARE(requests.size(), std::size_t{3}); // the filter, the input, the output
        QCOMPARE(requests[1].request.filter, QStringLiteral("Исходный файл|*.xicd"));
        QVERIFY(!requests[1].save);
        QCOMPARE(requests[2].request.filter, QStringLiteral("Выходной файл|*.yicd"));
        QCOMPARE(requests[2].request.defaultExtension, QStringLiteral("yicd"));
    }

    void fileCommandFaults() {
        ModellingSession session;
        session.load(halving);
        // Either dialog cancelled: nothing at all.
        session.prompts().queueCancel();
        session.click("BitBtn5");
        session.prompts().queueFile(session.program.path(QStringLiteral("a.xicd")));
        session.prompts().queueCancel();
        session.click("BitBtn5");
        QVERIFY(session.messages().isEmpty());
        // A missing input is reported once and nothing is plotted.
        session.prompts().queueFile(session.program.path(QStringLiteral("missing.xicd")));
        session.prompts().queueFile(session.program.path(QStringLiteral("b.yicd")));
        session.click("BitBtn5");
        QCOMPARE(session.messages(), QStringList{"File not found."});
        QVERIFY(!session.form->fileRunActive());
        QVERIFY(session.chartIsEmpty());
        // Garbage in the signal: the general error once; the output stays as it was and
        // the work file holds the two values copied before the bad line.
        const QString bad = session.program.path(QStringLiteral("bad.xicd"));
        const QString badOut = session.program.path(QStringLiteral("bad.yicd"));
        writeText(bad, "1\r\n2\r\nabc\r\n4\r\n");
        writeText(badOut, "old\r\n");
        session.prompts().queueFile(bad);
        session.prompts().queueFile(badOut);
        session.click("BitBtn5");
        QTRY_VERIFY_WITH_TIMEOUT(!session.form->fileRunActive(), 20000);
        QCOMPARE(session.messages(), QStringList{"Invalid numeric input."});
        QCOMPARE(fileBytes(badOut), QByteArray("old\r\n"));
        QCOMPARE(fileBytes(QDir::current().filePath(QStringLiteral("tmp.zicd"))),
                 QByteArray(" 1.00000000000000E+0000\r\n 2.00000000000000E+0000\r\n"));
        QVERIFY(session.chartIsEmpty());
        QVERIFY(session.button("BitBtn5")->isEnabled());
        // The same file for input and output would empty the input first.
        const QString same = session.program.path(QStringLiteral("s.xicd"));
        writeText(same, "1\r\n2\r\n");
        session.prompts().queueFile(same);
        session.prompts().queueFile(same);
        session.click("BitBtn5");
        QCOMPARE(session.messages().size(), 1);
        QCOMPARE(fileBytes(same), QByteArray("1\r\n2\r\n"));
    }

    void cancellingAndClosingStopAtALine() {
        QByteArray input;
        for (int i = 0; i < 400000; ++i)
            input += "0.5\r\n";
        for (const bool byClosing : {false, true}) {
            ModellingSession session;
            session.load(halving);
            const QString in = session.program.path(QStringLiteral("big.xicd"));
            const QString out = session.program.path(QStringLiteral("big.yicd"));
            writeText(in, input);
            session.prompts().queueFile(in);
            session.prompts().queueFile(out);
            session.click("BitBtn5");
            QVERIFY(session.form->fileRunActive());
            if (byClosing) {
                session.prompts().queueAnswer(true); // "Прервать обработку файла?"
                session.form->parentWidget()->close();
                QCOMPARE(shared().flags.ModellingWindowOpen, 0);
            } else {
                session.click("BitBtn7");
                QTRY_VERIFY_WITH_TIMEOUT(!session.form->fileRunActive(), 20000);
                QVERIFY(session.chartIsEmpty());
                QVERIFY(session.button("BitBtn5")->isEnabled());
            }
            const qsizetype size = fileBytes(out).size();
            QVERIFY(size % 25 == 0);
            QVERIFY(size < 400000 * 25);
            QCOMPARE(
                session.messages(),
                QStringList{QStringLiteral("Обработка прервана: в файл %1 записано отсчётов: %2")
                                .arg(out)
                                .arg(size / 25)});
        }
    }
};

ZORKAN_UI_TEST(ModellingWindowTest);

} // namespace zorkan::ui::test

#include "modellingwindow_test.moc"
