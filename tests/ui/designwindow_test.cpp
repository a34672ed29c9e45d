// The design request window: its controls, the validation of the band edges, the two
// save prompts, the design run and the results window.
#include "app/ras5.h"
#include "common/cp1251.h"
#include "design/ras2.h"
#include "tests/ui/uitest.h"
#include "ui/controls.h"
#include "ui/sharedstate.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace zorkan::ui::test {

namespace {

const QString layoutError = QStringLiteral("Параметры F1,F2,F3,F4 введены неправильно!");

// A program with its design window open.
struct DesignSession {
    DesignSession() {
        program.start();
        program.main().command("CalcFil")->trigger();
        form = program.main().findChild<TForm2*>();
        results = program.main().findChild<TForm5*>();
    }
    void set(const QString& edit, const QString& text) {
        form->findChild<QLineEdit*>(edit)->setText(text);
    }
    // "Edit1=0.3;Edit4=0.25"
    void setAll(const QString& assignments) {
        for (const QString& pair : assignments.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QStringList parts = pair.split(QLatin1Char('='));
            set(parts[0], parts.value(1));
        }
    }
    void show() {
        program.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&program.main()));
    }
    void press() {
        if (!program.main().isVisible())
            show();
        QTest::mouseClick(form->findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
    }
    ScriptedPrompts& prompts() { return program.prompts(); }
    QStringList filesInFolder() const {
        return QDir(program.folder()).entryList({"*.out", "*.flt"}, QDir::Files, QDir::Name);
    }

    Program program;
    TForm2* form = nullptr;
    TForm5* results = nullptr;
};

// Lines of a CP1251 file with CR LF line ends.
QStringList lines(const QByteArray& bytes) {
    return QString::fromStdString(fromCp1251(bytes.toStdString())).split(QStringLiteral("\r\n"));
}

} // namespace

class DesignWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void defaults_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("label");
        QTest::newRow("F1") << "Edit1"
                            << "0.20000"
                            << "F1";
        QTest::newRow("F2") << "Edit2"
                            << "0.00000"
                            << "F2";
        QTest::newRow("F3") << "Edit3"
                            << "0.00000"
                            << "F3";
        QTest::newRow("F4") << "Edit4"
                            << "0.25000"
                            << "F4";
        QTest::newRow("DA") << "Edit5"
                            << "1.5000000"
                            << "DA в dB";
        QTest::newRow("B1") << "Edit6"
                            << "30.000000"
                            << "B1 в dB";
        QTest::newRow("FF1") << "Edit7"
                             << "0.0000"
                             << "FF1";
        QTest::newRow("FF2") << "Edit8"
                             << "0.50000"
                             << "FF2";
        QTest::newRow("FD") << "Edit9"
                            << "1.0000000"
                            << "FD";
        QTest::newRow("count") << "Edit10"
                               << "20"
                               << "Количество отсчетов АЧХ и ФЧХ";
    }
    void defaults() {
        QFETCH(QString, edit);
        QFETCH(QString, text);
        QFETCH(QString, label);
        DesignSession session;
        auto* field = session.form->findChild<QLineEdit*>(edit);
        QVERIFY(field);
        QCOMPARE(field->text(), text);
        bool labelled = false;
        for (const QLabel* l : session.form->findChildren<QLabel*>())
            labelled = labelled || (l->buddy() == field && l->text() == label);
        QVERIFY(labelled);
    }

    void windowAndGroups() {
        DesignSession session;
        TForm2* form = session.form;
        QCOMPARE(form->size(), QSize(387, 334));
        QVERIFY(!(form->parentWidget()->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form->parentWidget()->pos(), QPoint(1, 1));
        auto* radio = form->findChild<RadioGroup*>("RadioGroup1");
        QCOMPARE(radio->title(), QStringLiteral("Аппроксимация"));
        QCOMPARE(radio->itemIndex(), 0);
        QStringList items;
        for (int i = 0; i < 3; ++i)
            items << radio->item(i)->text();
        QCOMPARE(items, (QStringList{"Баттерворта", "Чебышева", "Элептическая"}));
        QStringList groups;
        for (const QGroupBox* g : form->findChildren<QGroupBox*>())
            groups << g->title();
        QCOMPARE(groups, (QStringList{"Аппроксимация", "Граничные частоты",
                                      "Неравномерность и затухание АЧХ",
                                      "Граничные частоты АЧХ и ФЧХ", "Частота дискретизации"}));
        QCOMPARE(form->findChild<QLabel*>("Label12")->text(),
                 QStringLiteral("ФНЧ - F3=0 F2=0 F1<F4   ФВЧ - F3<F2  F1=0 F4=0   ПФ - "
                                "F3<F2<F1<F4"));
        QCOMPARE(form->findChild<QPushButton*>("BitBtn1")->text(), QStringLiteral("Расчет"));
        // Left to right F3, F2, F1, F4.
        const auto x = [&](const char* name) { return form->findChild<QLineEdit*>(name)->x(); };
        QVERIFY(x("Edit3") < x("Edit2") && x("Edit2") < x("Edit1") && x("Edit1") < x("Edit4"));
    }

    // The default design: two prompts, two real files, the account in the results window,
    // the name kept for the response window, the results shown modally.
    void defaultDesign() {
        DesignSession session;
        const QString report = session.program.path("r.out");
        const QString filter = session.program.path("f.flt");
        session.prompts().queueFile(report);
        session.prompts().queueFile(filter);
        QString shownText;
        bool readOnly = false;
        session.prompts().queueModal([&](QDialog* dialog) {
            auto* results = qobject_cast<TForm5*>(dialog);
            shownText = results->text();
            readOnly = results->findChild<QPlainTextEdit*>("Memo1")->isReadOnly();
            QTest::mouseClick(results->findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
            return results->result();
        });
        session.press();

        const auto& requests = session.prompts().fileRequests;
        QCOMPARE(requests.size(), size_t(2));
        const QString folder = QDir::currentPath();
        QVERIFY(requests[0].save && requests[1].save);
        QCOMPARE(requests[0].request.initialFolder, folder);
        QCOMPARE(requests[0].request.proposedName, QStringLiteral("1.out"));
        QCOMPARE(requests[0].request.filter,
                 QStringLiteral("Имя файла результатов отчета (*.out)|*.out"));
        QCOMPARE(requests[0].request.defaultExtension, QStringLiteral("out"));
        QCOMPARE(requests[1].request.initialFolder, folder);
        QCOMPARE(requests[1].request.proposedName, QStringLiteral("1.flt"));
        QCOMPARE(requests[1].request.filter,
                 QStringLiteral("Имя файла параметров фильтра (*.flt)|*.flt"));
        QCOMPARE(requests[1].request.defaultExtension, QStringLiteral("flt"));

        QCOMPARE(
            shownText.split('\n'),
            (QStringList{"Аппроксимация Баттерворта", "Порядок фильтра13",
                         "Результаты расчета в файле" + report, " - коэффициенты фильтра",
                         " - ФЧХ фильтра", " - АЧХ фильтра", "Параметры фильтра в файле " + filter,
                         "Анализ частотных характеристик фильтра"}));
        QVERIFY(readOnly);
        QCOMPARE(session.prompts().modalShows.size(), size_t(1));
        QVERIFY(session.prompts().messages.empty());
        QCOMPARE(shared().DesignedFilterFile, filter);
        QCOMPARE(shared().DesignedReportFile, report); // the request of a mask
        QCOMPARE(shared().ResponseFilterFile, filter); // "Готово" was pressed
        QCOMPARE(session.results->text(), QString());

        const QStringList parameters = lines(fileBytes(filter));
        QCOMPARE(parameters.value(0), QStringLiteral("14 "));
        QCOMPARE(parameters.value(1), QStringLiteral("0 "));
        QCOMPARE(parameters.size(), 2 + 2 * 7 + 1); // the last line ends too
        QVERIFY(fileBytes(report).size() > 1000);

        // The window stays open for the next design.
        QCOMPARE(shared().flags.DesignWindowOpen, 1);
        QVERIFY(session.prompts().unanswered.isEmpty());
    }

    void bandLayouts_data() {
        QTest::addColumn<QString>("f1");
        QTest::addColumn<QString>("f2");
        QTest::addColumn<QString>("f3");
        QTest::addColumn<QString>("f4");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("defaults, low-pass") << "0.20000"
                                            << "0.00000"
                                            << "0.00000"
                                            << "0.25000" << true;
        QTest::newRow("band-pass") << "0.2"
                                   << "0.1"
                                   << "0.05"
                                   << "0.3" << true;
        QTest::newRow("high-pass") << "0"
                                   << "0.25"
                                   << "0.2"
                                   << "0" << true;
        QTest::newRow("F1 = F4") << "0.25"
                                 << "0"
                                 << "0"
                                 << "0.25" << false;
        QTest::newRow("low-pass, F3 not exactly 0") << "0.2"
                                                    << "0"
                                                    << "0.0001"
                                                    << "0.25" << false;
        QTest::newRow("band-pass with F3 = 0") << "0.2"
                                               << "0.1"
                                               << "0"
                                               << "0.3" << true;
        QTest::newRow("low-pass with small F2 is band-pass") << "0.2"
                                                             << "0.0001"
                                                             << "0"
                                                             << "0.25" << true;
        QTest::newRow("high-pass, F1 not exactly 0") << "0.0001"
                                                     << "0.25"
                                                     << "0.2"
                                                     << "0" << false;
        QTest::newRow("high-pass, F4 not 0") << "0"
                                             << "0.25"
                                             << "0.2"
                                             << "0.5" << false;
        QTest::newRow("high-pass, F3 = F2") << "0"
                                            << "0.25"
                                            << "0.25"
                                            << "0" << false;
        QTest::newRow("band-pass, F2 = F1") << "0.2"
                                            << "0.2"
                                            << "0.05"
                                            << "0.3" << false;
        QTest::newRow("band-pass, F3 = F2") << "0.2"
                                            << "0.1"
                                            << "0.1"
                                            << "0.3" << false;
        QTest::newRow("negative zero is zero") << "0.2"
                                               << "-0"
                                               << "-0.0"
                                               << "0.25" << true;
        QTest::newRow("everything zero") << "0"
                                         << "0"
                                         << "0"
                                         << "0" << false;
    }
    void bandLayouts() {
        QFETCH(QString, f1);
        QFETCH(QString, f2);
        QFETCH(QString, f3);
        QFETCH(QString, f4);
        QFETCH(bool, accepted);
        DesignSession session;
        session.set("Edit1", f1);
        session.set("Edit2", f2);
        session.set("Edit3", f3);
        session.set("Edit4", f4);
        session.prompts().queueCancel();
        session.press();
        const auto& messages = session.prompts().messages;
        if (accepted) {
            QVERIFY(messages.empty());
            QCOMPARE(session.prompts().fileRequests.size(), size_t(1));
        } else {
            QCOMPARE(messages.size(), size_t(1));
            QCOMPARE(messages[0].text, layoutError);
            QCOMPARE(int(messages[0].icon), int(MessageIcon::Error));
            QVERIFY(session.prompts().fileRequests.empty());
        }
        QVERIFY(session.filesInFolder().isEmpty());
        QVERIFY(session.prompts().modalShows.empty());
    }

    void cancellingEndsSilently_data() {
        QTest::addColumn<bool>("cancelFirst");
        QTest::newRow("report prompt") << true;
        QTest::newRow("parameter prompt") << false;
    }
    void cancellingEndsSilently() {
        QFETCH(bool, cancelFirst);
        DesignSession session;
        if (cancelFirst) {
            session.prompts().queueCancel();
        } else {
            session.prompts().queueFile(session.program.path("r.out"));
            session.prompts().queueCancel();
        }
        session.press();
        QCOMPARE(session.prompts().fileRequests.size(), size_t(cancelFirst ? 1 : 2));
        QVERIFY(session.prompts().messages.empty());
        QVERIFY(session.prompts().modalShows.empty());
        QVERIFY(session.filesInFolder().isEmpty());
        QVERIFY(shared().DesignedFilterFile.isEmpty());
        QCOMPARE(session.results->text(), QString());
    }

    // One name given for the report and the parameter file (here through "./") would leave
    // only the filter: the press is refused with one error before anything is written,
    // and a good report already there keeps its bytes.
    void oneFileForBothOutputsIsRefused() {
        DesignSession session;
        const QString report = session.program.path("same.out");
        QFile kept(report);
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.write("kept\r\n");
        kept.close();
        session.prompts().queueFile(report);
        session.prompts().queueFile(session.program.path("./same.out"));
        session.press();
        const auto& messages = session.prompts().messages;
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(int(messages[0].icon), int(MessageIcon::Error));
        QVERIFY(messages[0].text.startsWith(QStringLiteral("Файл ")));
        QVERIFY(messages[0].text.endsWith(QStringLiteral(
            "выбран и для отчета, и для параметров фильтра: выберите разные имена")));
        QVERIFY(session.prompts().modalShows.empty());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("kept\r\n"));
        QVERIFY(shared().DesignedFilterFile.isEmpty());
    }

    // A field that is not a number stops the press with the conversion error; a bad band
    // edge is found before the prompts, any other field after them; nothing is written.
    void badFields_data() {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("prompts");
        QTest::newRow("F1") << "Edit1=abc"
                            << "'abc' is not a valid floating point value." << 0;
        QTest::newRow("F4") << "Edit4=0.25x"
                            << "'0.25x' is not a valid floating point value." << 0;
        QTest::newRow("F2 empty") << "Edit2="
                                  << "'' is not a valid floating point value." << 0;
        // F2 is compared before F3.
        QTest::newRow("F2 and F3") << "Edit2=a;Edit3=b"
                                   << "'a' is not a valid floating point value." << 0;
        QTest::newRow("DA") << "Edit5=1.5.0"
                            << "'1.5.0' is not a valid floating point value." << 2;
        QTest::newRow("B1") << "Edit6=тридцать"
                            << "'тридцать' is not a valid floating point value." << 2;
        QTest::newRow("FD") << "Edit9=1e"
                            << "'1e' is not a valid floating point value." << 2;
        QTest::newRow("FF1") << "Edit7=-"
                             << "'-' is not a valid floating point value." << 2;
        QTest::newRow("FF2") << "Edit8=0.5 5"
                             << "'0.5 5' is not a valid floating point value." << 2;
        QTest::newRow("count with a fraction") << "Edit10=20.5"
                                               << "'20.5' is not a valid integer value." << 2;
        QTest::newRow("count not a number") << "Edit10=abc"
                                            << "'abc' is not a valid integer value." << 2;
        // Read in the order F1, F2, F3, F4, DA, B1, FD, FF1, FF2.
        QTest::newRow("FD before FF1") << "Edit7=x;Edit9=y"
                                       << "'y' is not a valid floating point value." << 2;
    }
    void badFields() {
        QFETCH(QString, fields);
        QFETCH(QString, message);
        QFETCH(int, prompts);
        DesignSession session;
        session.setAll(fields);
        for (int i = 0; i < prompts; ++i)
            session.prompts().queueFile(session.program.path(i == 0 ? "r.out" : "f.flt"));
        session.show();
        session.press();
        const auto& messages = session.prompts().messages;
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].text, message);
        QCOMPARE(int(messages[0].icon), int(MessageIcon::Error));
        QCOMPARE(messages[0].caption, QStringLiteral("Система ZORKAN"));
        QCOMPARE(session.prompts().fileRequests.size(), size_t(prompts));
        QVERIFY(session.filesInFolder().isEmpty());
        QVERIFY(session.prompts().modalShows.empty());
        QVERIFY(shared().DesignedFilterFile.isEmpty());
        // The window stays as it was.
        QCOMPARE(shared().flags.DesignWindowOpen, 1);
        QVERIFY(session.form->isVisible());
    }

    // The wait cursor is up while the run posts its lines and is gone afterwards, also
    // when the run stops with a fault.
    void waitCursorDuringTheRun_data() {
        QTest::addColumn<QString>("ripple");
        QTest::addColumn<bool>("fault");
        QTest::newRow("completed") << "1.5" << false;
        QTest::newRow("stopped by a fault") << "0" << true;
    }
    void waitCursorDuringTheRun() {
        QFETCH(QString, ripple);
        QFETCH(bool, fault);
        DesignSession session;
        session.set("Edit5", ripple);
        session.prompts().queueFile(session.program.path("r.out"));
        session.prompts().queueFile(session.program.path("f.flt"));
        // The results window is shown under the ordinary cursor.
        bool shown = false;
        bool busyWhileShown = false;
        if (!fault)
            session.prompts().queueModal([&](QDialog* dialog) {
                shown = true;
                busyWhileShown = QApplication::overrideCursor() != nullptr;
                QTest::mouseClick(dialog->findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
                return dialog->result();
            });
        QList<int> shapes;
        connect(session.results->findChild<QPlainTextEdit*>("Memo1"), &QPlainTextEdit::textChanged,
                this, [&] {
                    if (shown) // "Готово" empties the text
                        return;
                    const QCursor* cursor = QApplication::overrideCursor();
                    shapes << (cursor ? int(cursor->shape()) : -1);
                });
        session.press();
        QVERIFY(!shapes.isEmpty());
        for (int shape : shapes)
            QCOMPARE(shape, int(Qt::WaitCursor));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(!busyWhileShown);
        QCOMPARE(session.prompts().messages.size(), size_t(fault ? 1 : 0));
    }

    void pointCount_data() {
        QTest::addColumn<QString>("count");
        QTest::addColumn<bool>("refused");
        QTest::newRow("0") << "0" << true;
        QTest::newRow("negative") << "-5" << true;
        QTest::newRow("above 16 bits") << "65536" << true;
        QTest::newRow("largest integer") << "2147483647" << true;
        QTest::newRow("largest") << "65535" << false;
        QTest::newRow("one") << "1" << false;
        QTest::newRow("blanks around") << " 7 " << false;
    }
    void pointCount() {
        QFETCH(QString, count);
        QFETCH(bool, refused);
        DesignSession session;
        session.set("Edit10", count);
        if (!refused)
            session.prompts().queueCancel();
        session.press();
        const auto& messages = session.prompts().messages;
        if (refused) {
            QCOMPARE(messages.size(), size_t(1));
            QVERIFY2(messages[0].text.startsWith(QStringLiteral("Количество отсчетов")),
                     qPrintable(messages[0].text));
            QVERIFY(session.prompts().fileRequests.empty());
        } else {
            QVERIFY(messages.empty());
            QCOMPARE(session.prompts().fileRequests.size(), size_t(1));
        }
    }

    // The count reaches the run: the tables get count + 1 rows.
    void pointCountReachesTheReport() {
        DesignSession session;
        session.set("Edit10", QStringLiteral("4"));
        session.prompts().queueFile(session.program.path("r.out"));
        session.prompts().queueFile(session.program.path("f.flt"));
        session.press();
        const QStringList report = lines(fileBytes(session.program.path("r.out")));
        QVERIFY(report.size() > 12);
        // Last rows of the magnitude table: "4  <f>  <M>" then the final line end.
        QVERIFY2(report[report.size() - 2].startsWith(QStringLiteral("4  ")),
                 qPrintable(report[report.size() - 2]));
        QCOMPARE(report[report.size() - 7], QStringLiteral("количество отсчетов 4"));
    }

    // With a Russian number format a comma works, and so do the default texts' points;
    // the files are those of the same design typed with points.
    void decimalComma() {
        QByteArray withPoints;
        {
            DesignSession session;
            session.prompts().queueFile(session.program.path("r.out"));
            session.prompts().queueFile(session.program.path("f.flt"));
            session.press();
            withPoints = fileBytes(session.program.path("f.flt"));
        }
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        DesignSession session;
        session.setAll(QStringLiteral("Edit1=0,2;Edit4=0,25000;Edit5=1,5;Edit6=30"));
        session.prompts().queueFile(session.program.path("r.out"));
        session.prompts().queueFile(session.program.path("f.flt"));
        session.press();
        QLocale::setDefault(previous);
        QVERIFY(session.prompts().messages.empty());
        QVERIFY(!withPoints.isEmpty());
        QCOMPARE(fileBytes(session.program.path("f.flt")), withPoints);
    }

    // The approximation code is the selected item + 1.
    void approximationChoice_data() {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("account");
        QTest::newRow("Butterworth") << 0 << "Аппроксимация Баттерворта";
        QTest::newRow("Chebyshev") << 1 << "Аппроксимация Чебышева";
        QTest::newRow("elliptic") << 2 << "Аппроксимация Элиптическая";
    }
    void approximationChoice() {
        QFETCH(int, item);
        QFETCH(QString, account);
        DesignSession session;
        session.show();
        auto* radio = session.form->findChild<RadioGroup*>("RadioGroup1");
        QTest::mouseClick(radio->item(item), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(radio->itemIndex(), item);
        session.prompts().queueFile(session.program.path("r.out"));
        session.prompts().queueFile(session.program.path("f.flt"));
        session.press();
        QCOMPARE(session.results->text().split('\n').value(0), account);
    }

    // An error of the run itself goes to the error box; the results are not shown.
    void runError() {
        DesignSession session;
        session.prompts().queueFile(session.program.path("missing/r.out"));
        session.prompts().queueFile(session.program.path("f.flt"));
        session.press();
        const auto& messages = session.prompts().messages;
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(int(messages[0].icon), int(MessageIcon::Error));
        QVERIFY2(messages[0].text.startsWith(QStringLiteral("I/O error")) &&
                     messages[0].text.endsWith('.'),
                 qPrintable(messages[0].text));
        QVERIFY(session.prompts().modalShows.empty());
        QVERIFY(shared().DesignedFilterFile.isEmpty());
    }

    // Too many sections is not a failure: the name is kept and the results are shown.
    void orderTooLarge() {
        DesignSession session;
        session.setAll(QStringLiteral("Edit4=0.2001;Edit6=120"));
        session.prompts().queueFile(session.program.path("r.out"));
        session.prompts().queueFile(session.program.path("f.flt"));
        QString shown;
        session.prompts().queueModal([&](QDialog* dialog) {
            shown = qobject_cast<TForm5*>(dialog)->text();
            return int(QDialog::Rejected);
        });
        session.press();
        QVERIFY2(shown.contains(QStringLiteral("Большой порядок фильтра - ВЫХОД")),
                 qPrintable(shown));
        QCOMPARE(shared().DesignedFilterFile, session.program.path("f.flt"));
        QCOMPARE(fileBytes(session.program.path("f.flt")), QByteArray());
    }

    void closingClearsTheFlag() {
        DesignSession session;
        QCOMPARE(shared().flags.DesignWindowOpen, 1);
        QPointer<QWidget> frame = session.form->parentWidget();
        frame->close();
        QCOMPARE(shared().flags.DesignWindowOpen, 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!frame);
    }
};

ZORKAN_UI_TEST(DesignWindowTest);

} // namespace zorkan::ui::test

#include "designwindow_test.moc"
