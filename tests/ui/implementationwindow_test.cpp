// The implementation window: its menu item, a computation off the window's thread that
// fills the figures and the pages, the refusals of bad input that compute nothing, the
// busy state that ends, and the readout under the pointer.
#include "charts/chartplot_qt.h"
#include "design/designrun.h"
#include "fixedpoint/implementationwindow.h"
#include "tests/core/designrequests.h"
#include "tests/ui/windowsession.h"
#include "ui/sharedstate.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

namespace zorkan::ui::test {

namespace {

struct Session : WindowSession<ImplementationWindow> {
    Session() : WindowSession("FilterImplementation") {}
    QString design(int approximation, double f1, double f2, double f3, double f4,
                   const char* name) {
        const DesignRequest r = zorkan::testing::designRequest(approximation, f1, f2, f3, f4);
        const QString path = program.path(QString::fromLatin1(name) + ".flt");
        designFilter(r, program.path(QString::fromLatin1(name) + ".out").toStdString(),
                     path.toStdString(), {});
        return path;
    }
};

} // namespace

class ImplementationWindowTest : public QObject {
    Q_OBJECT

  private slots:
    // The last item of "Расчет и анализ"; "Расчет" on the default design in q15 shows the
    // figures the core computes for the same options, fills the pages and the table of
    // the twelve variants, and ends its busy state.
    void computesOffTheWindowThread() {
        Session s;
        QAction* item = menuItem(s.program, "MenuCalc", "FilterImplementation");
        QVERIFY(item && !item->statusTip().isEmpty());
        const QString flt = s.design(1, 0.2, 0, 0, 0.25, "lp");
        QVERIFY(s.open());
        s.child<QLineEdit>("Edit1")->setText(flt);
        QSignalSpy done(s.form, &ImplementationWindow::finished);
        QTest::mouseClick(s.child<QPushButton>("BitBtn3"), Qt::LeftButton);
        QVERIFY(s.form->running());
        QVERIFY(!s.child<QPushButton>("BitBtn3")->isEnabled());
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QVERIFY(!s.form->BitBtn3Click()); // a second press waits for the first
        QVERIFY(done.wait(30000));
        QVERIFY(!s.form->running());
        QVERIFY(s.child<QPushButton>("BitBtn3")->isEnabled());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(s.messages(), QStringList());

        const QString memo = s.child<QPlainTextEdit>("Memo1")->toPlainText();
        QVERIFY2(memo.contains(QStringLiteral("Реализация: q15 (данные 16 бит, коэффициенты 32 "
                                              "бит")),
                 qPrintable(memo));
        QVERIFY(memo.contains(QStringLiteral("секций второго порядка 7")));
        ImplementationOptions options; // the window's defaults: q15, peak, ascending
        ReportOptions report;
        report.variants = true;
        const FilterCoefficients filter = readFilterFile(flt.toStdString(), responseReader);
        for (const std::string& line : figureLines(implementationFigures(filter, options, report)))
            QVERIFY2(memo.contains(QString::fromStdString(line)), line.c_str());
        QCOMPARE(s.child<QTableWidget>("StringGrid1")->rowCount(), 12);
        // The table's numbers in the general form, not the file's 23 characters.
        const QTableWidget* table = s.child<QTableWidget>("StringGrid1");
        for (int column : {2, 4}) {
            const QString cell = table->item(0, column)->text();
            QVERIFY2(cell.size() <= 10 && !cell.contains(QLatin1Char('E')), qPrintable(cell));
        }

        // The readout under the pointer on the magnitude page.
        QWidget* image = s.child<QWidget>("Image1");
        QMouseEvent move(QEvent::MouseMove, QPointF(image->width() / 2.0, image->height() / 2.0),
                         image->mapToGlobal(QPointF(image->width() / 2.0, image->height() / 2.0)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(image, &move);
        const QString readout = s.child<QLabel>("StaticText1")->text();
        QVERIFY2(readout.startsWith(QStringLiteral("f = ")) &&
                     readout.endsWith(QStringLiteral("дБ")),
                 qPrintable(readout));
    }

    // A file without sections and a request for another kind of filter are refused with a
    // message and start nothing; W and C stay within 4..32 and apply to the own format only.
    void badInputComputesNothing() {
        Session s;
        const QString lp = s.design(1, 0.2, 0, 0, 0.25, "lp");
        s.design(1, 0, 0.3, 0.2, 0, "hp");
        writeCp1251(s.program.path("empty.flt"), QString());
        writeCp1251(s.program.path("bad.flt"), QStringLiteral("2\n0\n1 2 x\n1 0 0\n"));
        QVERIFY(s.open());
        const struct {
            QString file, request, message;
        } rows[] = {
            {s.program.path("empty.flt"), QString(), QStringLiteral("нет ни одной секции")},
            {lp, s.program.path("hp.out"), QStringLiteral("другого вида")},
            {lp, s.program.path("lp.flt"), QStringLiteral("не является отчетом")},
            {QString(), QString(), QStringLiteral("Не задано имя файла")},
            {s.program.path("none.flt"), QString(),
             QStringLiteral("Файл не найден: ") + s.program.path("none.flt") + "."},
            {s.program.path("bad.flt"), QString(),
             QStringLiteral("Неверное число в файле ") + s.program.path("bad.flt") +
                 QStringLiteral(", строка 3.")},
            {lp, s.program.path("none.out"),
             QStringLiteral("Файл не найден: ") + s.program.path("none.out") + "."},
        };
        for (const auto& row : rows) {
            s.program.prompts().messages.clear();
            s.child<QLineEdit>("Edit1")->setText(row.file);
            s.child<QLineEdit>("Edit2")->setText(row.request);
            QTest::mouseClick(s.child<QPushButton>("BitBtn3"), Qt::LeftButton);
            QVERIFY(!s.form->running());
            QVERIFY2(s.messages().size() == 1 && s.messages()[0].contains(row.message),
                     qPrintable(s.messages().join(" | ")));
            QVERIFY(!s.form->figures().has_value());
        }
        auto* w = s.child<QSpinBox>("SpinEdit1");
        QVERIFY(!w->isEnabled());
        s.child<QComboBox>("ComboBox1")->setCurrentIndex(5);
        QVERIFY(w->isEnabled());
        // A word typed out of range is refused with a word at "Расчет", not cut to its
        // first digit as it is typed.
        s.child<QLineEdit>("Edit1")->setText(lp);
        s.child<QLineEdit>("Edit2")->clear();
        const struct {
            const char* typed;
            int value;
        } words[] = {{"40", 40}, {"3", 3}};
        for (const auto& row : words) {
            s.program.prompts().messages.clear();
            w->setFocus();
            QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(w, QString::fromLatin1(row.typed));
            QCOMPARE(w->value(), row.value);
            QTest::mouseClick(s.child<QPushButton>("BitBtn3"), Qt::LeftButton);
            QVERIFY(!s.form->running());
            QCOMPARE(s.messages(),
                     QStringList{QStringLiteral("Длина слова данных должна быть от 4 до 32 бит")});
        }
    }

    // Each target shows the words, rounding and overflow it computes with (the CMSIS-DSP
    // kernels: q15 coefficients of 16 bits and an accumulator shifted right, q31 wrapping),
    // greyed; floating point shows no words; the own format gets its own back.
    void showsTheWordsOfEachTarget() {
        Session s;
        QVERIFY(s.open());
        auto* target = s.child<QComboBox>("ComboBox1");
        auto* w = s.child<QSpinBox>("SpinEdit1");
        auto* c = s.child<QSpinBox>("SpinEdit2");
        auto* rounding = s.child<QComboBox>("ComboBox2");
        auto* overflow = s.child<QComboBox>("ComboBox3");
        target->setCurrentIndex(5);
        w->setValue(12);
        c->setValue(14);
        rounding->setCurrentIndex(1);
        overflow->setCurrentIndex(1);
        const struct {
            int index;
            const char *name, *w, *c, *rounding, *overflow;
        } rows[] = {
            {3, "q15", "16", "32", "к ближайшему", "насыщение"},
            {4, "q31", "32", "32", "к ближайшему", "насыщение"},
            {6, "CMSIS-DSP q15", "16", "16", "отбрасыванием", "насыщение"},
            {7, "CMSIS-DSP q31", "32", "32", "отбрасыванием", "перенос"},
            {0, "double", "—", "—", "к ближайшему", "насыщение"},
            {8, "CMSIS-DSP f32", "—", "—", "к ближайшему", "насыщение"},
            {5, "свой формат", "12", "14", "отбрасыванием", "перенос"},
        };
        for (const auto& row : rows) {
            target->setCurrentIndex(row.index);
            QCOMPARE(target->currentText(), QString::fromUtf8(row.name));
            QCOMPARE(w->text(), QString::fromUtf8(row.w));
            QCOMPARE(c->text(), QString::fromUtf8(row.c));
            QCOMPARE(rounding->currentText(), QString::fromUtf8(row.rounding));
            QCOMPARE(overflow->currentText(), QString::fromUtf8(row.overflow));
            const bool own = row.index == 5;
            for (QWidget* field : std::initializer_list<QWidget*>{w, c, rounding, overflow})
                QCOMPARE(field->isEnabled(), own);
        }
    }

    // The pages of a design at FD = 48000 (the session's last, or the request's) are drawn
    // in hertz up to 24000; the noise page names its curves as noise, the limit cycle its
    // unit.
    void pagesInHertzWhenFdIsKnown() {
        Session s;
        const DesignRequest r = zorkan::testing::designRequest(
            1, 9600, 0, 0, 12000, DesignRequest{}.da, DesignRequest{}.b1, 48000);
        const QString flt = s.program.path("hz.flt"), out = s.program.path("hz.out");
        designFilter(r, out.toStdString(), flt.toStdString(), {});
        QVERIFY(s.open());
        const struct {
            QString filter, request, sessionReport, title;
            double top;
        } rows[] = {
            {flt, QString(), out, QStringLiteral("Частота, Гц (FD = 48000)"), 24000},
            {flt, out, QString(), QStringLiteral("Частота, Гц (FD = 48000)"), 24000},
            {flt, QString(), QString(), QStringLiteral("Частота, доли FD"), 0.5},
        };
        for (const auto& row : rows) {
            shared().DesignedFilterFile = flt;
            shared().DesignedReportFile = row.sessionReport;
            s.child<QLineEdit>("Edit1")->setText(row.filter);
            s.child<QLineEdit>("Edit2")->setText(row.request);
            QSignalSpy done(s.form, &ImplementationWindow::finished);
            QTest::mouseClick(s.child<QPushButton>("BitBtn3"), Qt::LeftButton);
            QVERIFY(done.wait(60000));
            const Chart magnitude = s.child<ChartPicture>("Image1")->chart();
            QCOMPARE(QString::fromStdString(magnitude.xTitle), row.title);
            QCOMPARE(magnitude.curves.front().x.back(), row.top);
            const Chart noise = s.child<ChartPicture>("Image2")->chart();
            QCOMPARE(QString::fromStdString(noise.xTitle), row.title);
            QCOMPARE(QString::fromStdString(noise.curves.front().name),
                     QStringLiteral("шум: измеренный"));
            QCOMPARE(noise.curves.front().x.back(), row.top);
        }
        QCOMPARE(s.messages(), QStringList());
        shared().DesignedFilterFile.clear();
        shared().DesignedReportFile.clear();
    }

    // "Экспорт..." is there once something was measured, and opens the export dialog on the
    // measured file with the measured target, scaling and order; written with test
    // vectors, the files are those the command line writes for the same options.
    void exportsWhatWasMeasured() {
        Session s;
        const QString flt = s.design(1, 0.2, 0, 0, 0.25, "lp");
        QVERIFY(s.open());
        QVERIFY(!s.child<QPushButton>("BitBtn5")->isEnabled());
        s.child<QLineEdit>("Edit1")->setText(flt);
        s.child<QComboBox>("ComboBox1")->setCurrentIndex(7); // CMSIS-DSP q31
        s.child<QComboBox>("ComboBox4")->setCurrentIndex(2); // l1
        s.child<QComboBox>("ComboBox5")->setCurrentIndex(0); // file
        QSignalSpy done(s.form, &ImplementationWindow::finished);
        QTest::mouseClick(s.child<QPushButton>("BitBtn3"), Qt::LeftButton);
        QVERIFY(done.wait(60000));
        QVERIFY(s.child<QPlainTextEdit>("Memo1")->toPlainText().contains("cmsis-q31"));
        QVERIFY(s.child<QPushButton>("BitBtn5")->isEnabled());

        QString format, type, scaling, order, source;
        s.program.prompts().queueModal([&](QDialog* dialog) {
            format = dialog->findChild<QComboBox*>("ComboBox1")->currentText();
            type = dialog->findChild<QComboBox*>("ComboBox2")->currentText();
            scaling = dialog->findChild<QComboBox*>("ComboBox3")->currentText();
            order = dialog->findChild<QComboBox*>("ComboBox4")->currentText();
            source = dialog->findChild<QLineEdit*>("Edit1")->text();
            dialog->findChild<QLineEdit*>("Edit2")->setText("w");
            dialog->findChild<QSpinBox*>("SpinEdit1")->setValue(500);
            s.program.prompts().queueFile(s.program.path("w.c"));
            s.program.prompts().queueAnswer(true); // written despite any warning
            QTest::mouseClick(dialog->findChild<QPushButton*>("BitBtn2"), Qt::LeftButton);
            return int(QDialog::Rejected);
        });
        QTest::mouseClick(s.child<QPushButton>("BitBtn5"), Qt::LeftButton);
        QVERIFY(format.startsWith("CMSIS-DSP"));
        QVERIFY(type.startsWith("q31"));
        QCOMPARE(scaling, QStringLiteral("l1"));
        QCOMPARE(order, QStringLiteral("file"));
        QCOMPARE(source, flt);
        for (const char* name : {"w.h", "w.c", "w_test.c"})
            QVERIFY2(QFile::exists(s.program.path(name)),
                     qPrintable(QString::fromLatin1(name) + QLatin1Char(' ') +
                                s.messages().join(" | ") +
                                s.program.prompts().unanswered.join(" | ")));
        QFile c(s.program.path("w.c"));
        QVERIFY(c.open(QIODevice::ReadOnly));
        const QByteArray code = c.readAll();
        QVERIFY(code.contains("arm_biquad_cascade_df1_init_q31(&w_instance"));
        QVERIFY(code.contains("--scale l1") || code.contains("L1 norm 1"));
    }

    // The own format goes out as a Verilog module with the measured words and rules.
    void exportsTheOwnFormatAsVerilog() {
        Session s;
        const QString flt = s.design(1, 0.2, 0, 0, 0.25, "lp");
        QVERIFY(s.open());
        s.child<QLineEdit>("Edit1")->setText(flt);
        s.child<QComboBox>("ComboBox1")->setCurrentIndex(5); // own format
        s.child<QSpinBox>("SpinEdit1")->setValue(12);
        s.child<QSpinBox>("SpinEdit2")->setValue(14);
        s.child<QComboBox>("ComboBox2")->setCurrentIndex(1); // truncate
        s.child<QComboBox>("ComboBox3")->setCurrentIndex(1); // wrap
        s.child<QComboBox>("ComboBox4")->setCurrentIndex(2); // l1
        QSignalSpy done(s.form, &ImplementationWindow::finished);
        QTest::mouseClick(s.child<QPushButton>("BitBtn3"), Qt::LeftButton);
        QVERIFY(done.wait(60000));
        QString format;
        int data = 0, coefficients = 0, rounding = -1, overflow = -1;
        s.program.prompts().queueModal([&](QDialog* dialog) {
            format = dialog->findChild<QComboBox*>("ComboBox1")->currentText();
            data = dialog->findChild<QSpinBox*>("SpinEdit2")->value();
            coefficients = dialog->findChild<QSpinBox*>("SpinEdit3")->value();
            rounding = dialog->findChild<QComboBox*>("ComboBox5")->currentIndex();
            overflow = dialog->findChild<QComboBox*>("ComboBox6")->currentIndex();
            dialog->findChild<QSpinBox*>("SpinEdit1")->setValue(300);
            s.program.prompts().queueFile(s.program.path("m.v"));
            s.program.prompts().queueAnswer(true); // written despite any warning
            QTest::mouseClick(dialog->findChild<QPushButton*>("BitBtn2"), Qt::LeftButton);
            return int(QDialog::Rejected);
        });
        QTest::mouseClick(s.child<QPushButton>("BitBtn5"), Qt::LeftButton);
        QVERIFY(format.startsWith("Verilog"));
        QCOMPARE(data, 12);
        QCOMPARE(coefficients, 14);
        QCOMPARE(rounding, 1);
        QCOMPARE(overflow, 1);
        QVERIFY(QFile::exists(s.program.path("m_tb.v")));
        QFile v(s.program.path("m.v"));
        QVERIFY(v.open(QIODevice::ReadOnly));
        QVERIFY(v.readAll().contains("--data-bits 12 --coef-bits 14 --round truncate --overflow "
                                     "wrap --scale l1 --order ascending"));
    }
};

ZORKAN_UI_TEST(ImplementationWindowTest);

} // namespace zorkan::ui::test

#include "implementationwindow_test.moc"
