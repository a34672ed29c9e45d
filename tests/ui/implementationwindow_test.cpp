// The implementation window: its menu item, a computation off the window's thread that
// fills the figures and the pages, the refusals of bad input that compute nothing, the
// busy state that ends, and the readout under the pointer.
#include "charts/chart.h"
#include "charts/chartplot_qt.h"
#include "common/textnumbers.h"
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
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include <cmath>

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
    // Presses "Расчет" and waits for it.
    bool compute() {
        QSignalSpy done(form, &ImplementationWindow::finished);
        QTest::mouseClick(child<QPushButton>("BitBtn3"), Qt::LeftButton);
        return done.wait(60000);
    }
};

// Whether item `index` of a combo box can be chosen.
bool itemEnabled(QComboBox* box, int index) {
    return qobject_cast<QStandardItemModel*>(box->model())->item(index)->isEnabled();
}

// The pixel of a chart's data point, as ChartPicture draws it.
QPoint pixelOf(const Chart& chart, double x, double y) {
    const ChartRect area = plotArea(chart.width, chart.height);
    return QPoint(
        static_cast<int>(std::lround(axisPosition(chart.xAxis, x, area.x, area.width, false))),
        static_cast<int>(std::lround(axisPosition(chart.yAxis, y, area.y, area.height, true))));
}

Candidate candidate(Structure structure, int w, int c, Scaling scaling, SectionOrder order,
                    double snr, int multiplications) {
    Candidate k;
    k.structure = structure;
    k.dataBits = w;
    k.coefBits = c;
    k.scaling = scaling;
    k.order = order;
    k.snr = snr;
    k.multiplications = multiplications;
    k.stable = true;
    return k;
}

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

    // A ".fir" file offers the targets of taps and greys the controls and pages of
    // sections with the reason; each target computes the FIR figures; the L1 norm and the
    // magnitude at DC are those of the taps summed here; a ".flt" file gives the cascade's
    // targets and controls back.
    void implementsFirTaps() {
        Session s;
        const QString lp = s.design(1, 0.2, 0, 0, 0.25, "lp");
        // Sixteenths: every target holds them exactly.
        const std::vector<double> taps = {0.0625, -0.1875, 0.75, 0.3125, -0.125};
        QString text = QStringLiteral("5\n");
        for (double h : taps)
            text += QString::number(h) + QStringLiteral("\n");
        const QString fir = s.program.path("taps.fir");
        writeCp1251(fir, text);
        double l1 = 0, dc = 0;
        for (double h : taps) {
            l1 += std::fabs(h);
            dc += h;
        }
        QVERIFY(s.open());
        auto* target = s.child<QComboBox>("ComboBox1");
        auto* pages = s.child<QTabWidget>("PageControl1");
        target->setCurrentIndex(4); // q31: both lists have it
        s.child<QLineEdit>("Edit1")->setText(fir);
        QStringList offered;
        for (int i = 0; i < target->count(); ++i)
            offered << target->itemText(i);
        QCOMPARE(offered,
                 (QStringList{"double", "float", "q15", "q31", "свой формат", "CMSIS-DSP КИХ q15",
                              "CMSIS-DSP КИХ q31", "CMSIS-DSP КИХ f32"}));
        QCOMPARE(target->currentText(), QStringLiteral("q31"));
        for (const char* name : {"ComboBox4", "ComboBox5", "ComboBox6"}) {
            QVERIFY2(!s.child<QWidget>(name)->isEnabled(), name);
            QVERIFY2(s.child<QWidget>(name)->toolTip().contains(QStringLiteral("нет секций")),
                     name);
        }
        for (const char* name : {"BitBtn6", "BitBtn7"})
            QVERIFY2(!s.child<QWidget>(name)->isEnabled(), name);
        for (int page = 2; page < pages->count(); ++page)
            QVERIFY(!pages->isTabEnabled(page));
        QVERIFY(pages->tabToolTip(2).contains(QStringLiteral("предельных циклов")));

        const struct {
            int index;
            Target target;
            const char* shown; // in the first line of the figures
        } rows[] = {
            {0, Target::Double, "double"},
            {1, Target::Float, "float"},
            {2, Target::Q15, "q15 (данные 16 бит"},
            {3, Target::Q31, "q31 (данные 32 бит"},
            {4, Target::Fixed, "fixed (данные 16 бит"},
            {5, Target::CmsisFirQ15, "cmsis-fir-q15"},
            {6, Target::CmsisFirQ31, "cmsis-fir-q31"},
            {7, Target::CmsisFirF32, "cmsis-fir-f32"},
        };
        for (const auto& row : rows) {
            target->setCurrentIndex(row.index);
            QVERIFY(s.compute());
            QCOMPARE(s.messages(), QStringList());
            QVERIFY(!s.form->figures().has_value());
            QVERIFY(s.form->firFigures().has_value());
            QCOMPARE(s.form->firFigures()->arithmetic.target, row.target);
            QCOMPARE(s.form->firFigures()->taps, taps.size());
            const QStringList lines =
                s.child<QPlainTextEdit>("Memo1")->toPlainText().split(QLatin1Char('\n'));
            QVERIFY2(lines.size() > 2 &&
                         lines[1].startsWith(QStringLiteral("Реализация КИХ-фильтра: ")) &&
                         lines[1].contains(QString::fromUtf8(row.shown)),
                     qPrintable(lines.join(" | ")));
            QVERIFY(lines.contains(QStringLiteral("Предельных циклов у КИХ-фильтра нет: обратной "
                                                  "связи нет, при нулевом входе выход через N "
                                                  "отсчетов равен нулю")));
            // The L1 norm as the report prints it, read back with the one number reader.
            const QString head =
                QStringLiteral("Норма L1 импульсной характеристики (сумма модулей отводов):");
            bool found = false;
            for (const QString& line : lines)
                if (line.startsWith(head)) {
                    found = true;
                    double shown = 0;
                    QVERIFY(parseDecimalReal(line.mid(head.size()).trimmed().toStdString(), shown));
                    QCOMPARE(shown, l1);
                }
            QVERIFY(found);
            const Chart magnitude = s.child<ChartPicture>("Image1")->chart();
            QCOMPARE(magnitude.curves.size(), std::size_t{2});
            for (const ChartCurve& curve : magnitude.curves) {
                QCOMPARE(curve.x.front(), 0.0);
                QCOMPARE(curve.x.back(), 0.5);
                QVERIFY(std::fabs(curve.y.front() - 20 * std::log10(dc)) < 1e-12);
            }
            // The round-off noise of the one rounding: none in double; measured in the
            // others (the products of 16ths leave bits below the data word), and computed
            // as well where the arithmetic is fixed point.
            const Chart noise = s.child<ChartPicture>("Image2")->chart();
            const bool fixed = row.target == Target::Q15 || row.target == Target::Q31 ||
                               row.target == Target::Fixed;
            if (row.target == Target::Double)
                QVERIFY(noise.curves.empty());
            else
                QVERIFY2(!noise.curves.empty() && noise.curves.front().name == "шум: измеренный" &&
                             (!fixed || noise.curves.size() == 2),
                         row.shown);
            QVERIFY(s.child<ChartPicture>("Image3")->chart().curves.empty());
            QCOMPARE(s.child<QTableWidget>("StringGrid1")->rowCount(), 0);
        }

        // Back to a parameter file: the cascade's targets, controls and hints.
        target->setCurrentIndex(4); // own format, in both lists
        s.child<QLineEdit>("Edit1")->setText(lp);
        QCOMPARE(target->count(), 9);
        QCOMPARE(target->currentText(), QStringLiteral("свой формат"));
        QCOMPARE(s.child<QWidget>("ComboBox4")->toolTip(),
                 QStringLiteral("Масштабирование секций"));
        for (const char* name : {"ComboBox4", "ComboBox5", "ComboBox6", "BitBtn6", "BitBtn7"})
            QVERIFY2(s.child<QWidget>(name)->isEnabled(), name);
        for (int page = 0; page < pages->count(); ++page)
            QVERIFY(pages->isTabEnabled(page) && pages->tabToolTip(page).isEmpty());
        QVERIFY(s.compute());
        QVERIFY(s.form->figures().has_value() && !s.form->firFigures().has_value());
    }

    // A ".fir" file whose count does not match its lines is refused with the reader's
    // message, naming the file and the line, and computes nothing; "Файл" offers both kinds
    // of file, and openFilterFile names a file and computes it as "Файл" does.
    void badFirIsRefusedAndFilesOpenByName() {
        Session s;
        const struct {
            const char* name;
            const char* text;
            const char* message; // after "Файл КИХ-фильтра PATH, строка "
        } rows[] = {
            {"short.fir", "3\n0.5\n0.25\n", "4: заявлено 3 коэффициентов, а в файле их 2"},
            {"long.fir", "1\n0.5\n0.25\n", "3: заявлено 1 коэффициентов, а в файле их больше"},
            {"zero.fir", "0\n", "1: число коэффициентов должно быть целым от 1 до 8192"},
        };
        QVERIFY(s.open());
        for (const auto& row : rows) {
            s.program.prompts().messages.clear();
            const QString path = s.program.path(QString::fromLatin1(row.name));
            writeCp1251(path, QString::fromLatin1(row.text));
            s.program.prompts().queueFile(path);
            QTest::mouseClick(s.child<QPushButton>("BitBtn1"), Qt::LeftButton);
            QVERIFY(!s.form->running());
            QCOMPARE(s.messages(),
                     QStringList{QStringLiteral("Файл КИХ-фильтра ") + path +
                                 QStringLiteral(", строка ") + QString::fromUtf8(row.message)});
            QVERIFY(!s.form->firFigures().has_value());
        }
        QVERIFY(s.program.prompts().fileRequests.front().request.filter.startsWith(
            QStringLiteral("Файлы фильтров|*.flt;*.fir|")));
        const QString good = s.program.path("good.fir");
        writeCp1251(good, QStringLiteral("2\n0.5\n0.5\n"));
        QSignalSpy done(s.form, &ImplementationWindow::finished);
        QVERIFY(s.form->openFilterFile(good));
        QVERIFY(done.wait(60000));
        QCOMPARE(s.child<QLineEdit>("Edit1")->text(), good);
        QCOMPARE(s.form->firFigures()->taps, std::size_t{2});
    }

    // The chosen structure reaches the report; "своя" is the target's own (direct form I in
    // fixed point, the transposed direct form II in floating point); a structure the target
    // does not have is greyed and, chosen anyway, refused with the reason.
    void structureReachesTheReport() {
        Session s;
        const QString flt = s.design(1, 0.2, 0, 0, 0.25, "lp");
        QVERIFY(s.open());
        s.child<QLineEdit>("Edit1")->setText(flt);
        auto* target = s.child<QComboBox>("ComboBox1");
        auto* structure = s.child<QComboBox>("ComboBox6");
        // Items of ComboBox6: 0 своя, then df1 df2 df2t ef normal lattice optimal.
        const struct {
            int target, structure;
            bool offered;
            const char* shown; // in the report, or in the message
        } rows[] = {
            {3, 0, true, "Структура: df1 (прямая форма I)"},
            {3, 3, true, "Структура: df2t (транспонированная прямая форма II)"},
            {3, 4, true, "Структура: ef (прямая форма I с обратной связью по ошибке)"},
            {5, 6, true, "Структура: lattice (решетчато-лестничная форма)"},
            {1, 0, true, "Структура: df2t (транспонированная прямая форма II)"},
            {1, 5, true, "Структура: normal (нормальная форма)"},
            {1, 4, false,
             "Структура ef (обратная связь по ошибке) есть только у арифметик с "
             "фиксированной точкой"},
            {6, 2, false, "Арифметика cmsis-q15 вычисляет только структуру df1"},
            {8, 7, false, "Арифметика cmsis-f32 вычисляет только структуру df2t"},
        };
        for (const auto& row : rows) {
            s.program.prompts().messages.clear();
            target->setCurrentIndex(row.target);
            structure->setCurrentIndex(row.structure);
            QCOMPARE(itemEnabled(structure, row.structure), row.offered);
            if (!row.offered) {
                QTest::mouseClick(s.child<QPushButton>("BitBtn3"), Qt::LeftButton);
                QVERIFY(!s.form->running());
                QVERIFY2(s.messages().size() == 1 &&
                             s.messages()[0].startsWith(QString::fromUtf8(row.shown)),
                         qPrintable(s.messages().join(" | ")));
                continue;
            }
            QVERIFY(s.compute());
            QCOMPARE(s.messages(), QStringList());
            const QString memo = s.child<QPlainTextEdit>("Memo1")->toPlainText();
            QVERIFY2(memo.contains(QString::fromUtf8(row.shown)), qPrintable(memo));
        }
    }

    // "Сравнить" fills one row a structure the target has (seven in q15, six in float,
    // which has no rounding residue to feed back), draws the noise of each realised one in a
    // colour of its own, and marks in bold the fewest multiplications and the least
    // simulated noise of the rows shown.
    void comparesEveryStructureOfTheTarget() {
        Session s;
        const QString flt = s.design(1, 0.2, 0, 0, 0.25, "lp");
        QVERIFY(s.open());
        s.child<QLineEdit>("Edit1")->setText(flt);
        const struct {
            int target;
            QStringList names;
            const char* noiseTitle;
        } rows[] = {
            {3,
             {"df1", "df2", "df2t", "ef", "normal", "lattice", "optimal"},
             "Шум в полосе (расчет)"},
            {1,
             {"df1", "df2", "df2t", "normal", "lattice", "optimal"},
             "Шум в полосе (моделирование)"},
        };
        auto* table = s.child<QTableWidget>("StringGrid2");
        for (const auto& row : rows) {
            s.child<QComboBox>("ComboBox1")->setCurrentIndex(row.target);
            QSignalSpy done(s.form, &ImplementationWindow::compared);
            QTest::mouseClick(s.child<QPushButton>("BitBtn6"), Qt::LeftButton);
            QVERIFY(s.form->running());
            QVERIFY(QApplication::overrideCursor() != nullptr);
            QVERIFY(!s.form->BitBtn3Click()); // the comparison first
            QVERIFY(done.wait(120000));
            QVERIFY(QApplication::overrideCursor() == nullptr);
            QCOMPARE(s.messages(), QStringList());
            QCOMPARE(table->rowCount(), row.names.size());
            QStringList names, realised;
            for (int r = 0; r < table->rowCount(); ++r) {
                names << table->item(r, 0)->text();
                if (table->columnSpan(r, 1) == 1)
                    realised << table->item(r, 0)->text();
            }
            QCOMPARE(names, row.names);
            QVERIFY(!realised.isEmpty());
            const Chart noise = s.child<ChartPicture>("Image4")->chart();
            QStringList curves;
            for (const ChartCurve& c : noise.curves)
                curves << QString::fromStdString(c.name);
            QCOMPARE(curves, realised);
            for (std::size_t i = 0; i < noise.curves.size(); ++i)
                for (std::size_t j = 0; j < i; ++j)
                    QVERIFY(!(noise.curves[i].color == noise.curves[j].color));
            QVERIFY(QString::fromStdString(noise.yTitle).startsWith(row.noiseTitle));
            QCOMPARE(QString::fromStdString(noise.xTitle), QStringLiteral("Частота, доли FD"));
            QCOMPARE(noise.curves.front().x.back(), 0.5);
            // Column 1 the multiplications, column 6 the simulated noise: the first of the
            // smallest is bold, no other.
            for (int column : {1, 6}) {
                int best = -1;
                double least = 0;
                for (int r = 0; r < table->rowCount(); ++r) {
                    if (table->columnSpan(r, 1) != 1 || table->item(r, column)->text().isEmpty())
                        continue;
                    const double v = table->item(r, column)->text().toDouble();
                    if (best < 0 || v < least) {
                        best = r;
                        least = v;
                    }
                }
                QVERIFY(best >= 0);
                for (int r = 0; r < table->rowCount(); ++r)
                    if (table->columnSpan(r, 1) == 1)
                        QCOMPARE(table->item(r, column)->font().bold(), r == best);
            }
        }
    }

    // A hand-made search result: the front drawn cheapest first with the chosen point in its
    // box and the level asked for; a click on a point loads its structure, words, scaling
    // and order into the controls (the own format, nearest, saturation); a click away from
    // every point loads nothing.
    void paretoPointLoadsItsOptions() {
        Session s;
        QVERIFY(s.open());
        s.form->parentWidget()->resize(1200, 760);
        auto* pages = s.child<QTabWidget>("PageControl1");
        pages->setCurrentIndex(5);
        QCOMPARE(pages->tabText(5), QStringLiteral("Подбор"));
        SearchResult result;
        result.found = true;
        result.pareto = {
            candidate(Structure::Optimal, 16, 18, Scaling::Peak, SectionOrder::File, 80, 36),
            candidate(Structure::Df2t, 10, 12, Scaling::L2, SectionOrder::Ascending, 50, 20),
            candidate(Structure::ErrorFeedback, 12, 14, Scaling::L1, SectionOrder::Descending, 62,
                      20),
        };
        result.best = result.pareto[2];
        s.form->showSearch(result, CostMeasure::Bits, 60);
        auto* image = s.child<ChartPicture>("Image5");
        const Chart chart = image->chart();
        QCOMPARE(chart.curves.size(), std::size_t(3));
        QCOMPARE(QString::fromStdString(chart.curves[0].name), QStringLiteral("граница Парето"));
        QCOMPARE(QString::fromStdString(chart.curves[1].name),
                 QStringLiteral("выбранная: ef, W 12, C 14"));
        QCOMPARE(QString::fromStdString(chart.curves[2].name),
                 QStringLiteral("с/ш не меньше 60 дБ"));
        // The front's line, cheapest first: W + C of 22, 26 and 34 bits.
        const std::vector<double> cost(chart.curves[0].x.begin(), chart.curves[0].x.begin() + 3);
        const std::vector<double> snr(chart.curves[0].y.begin(), chart.curves[0].y.begin() + 3);
        QCOMPARE(cost, (std::vector<double>{22, 26, 34}));
        QCOMPARE(snr, (std::vector<double>{50, 62, 80}));
        QCOMPARE(chart.curves[2].y, (std::vector<double>{60, 60}));

        auto* target = s.child<QComboBox>("ComboBox1");
        const struct {
            double cost, snr;
            const char *structure, *scaling, *order;
            int w, c;
        } rows[] = {
            {34, 80, "optimal", "пик АЧХ (peak)", "как в файле", 16, 18},
            {22, 50, "df2t", "норма L2", "по возрастанию радиуса", 10, 12},
            {26, 62, "ef", "норма L1", "по убыванию радиуса", 12, 14},
        };
        for (const auto& row : rows) {
            target->setCurrentIndex(3); // q15, rounding and overflow of its own
            s.child<QComboBox>("ComboBox6")->setCurrentIndex(0);
            QTest::mouseClick(image, Qt::LeftButton, Qt::NoModifier,
                              pixelOf(chart, row.cost, row.snr) + QPoint(2, -2));
            QCOMPARE(target->currentText(), QStringLiteral("свой формат"));
            QVERIFY(s.child<QComboBox>("ComboBox6")
                        ->currentText()
                        .startsWith(QString::fromUtf8(row.structure) + QStringLiteral(" - ")));
            QCOMPARE(s.child<QSpinBox>("SpinEdit1")->value(), row.w);
            QCOMPARE(s.child<QSpinBox>("SpinEdit2")->value(), row.c);
            QCOMPARE(s.child<QComboBox>("ComboBox2")->currentIndex(), 0);
            QCOMPARE(s.child<QComboBox>("ComboBox3")->currentIndex(), 0);
            QCOMPARE(s.child<QComboBox>("ComboBox4")->currentText(),
                     QString::fromUtf8(row.scaling));
            QCOMPARE(s.child<QComboBox>("ComboBox5")->currentText(), QString::fromUtf8(row.order));
        }
        target->setCurrentIndex(3);
        QTest::mouseClick(image, Qt::LeftButton, Qt::NoModifier,
                          pixelOf(chart, 30, 75)); // between the points
        QCOMPARE(target->currentText(), QStringLiteral("q15"));

        // A chosen point off the front (the cheaper ones failed another condition) is
        // marked in its box but left out of the front's line: 22 and 34 bits, then the break.
        SearchResult off;
        off.found = true;
        off.pareto = {result.pareto[0], result.pareto[1]};
        off.best = result.pareto[2];
        s.form->showSearch(off, CostMeasure::Bits, 60);
        const Chart apart = image->chart();
        QCOMPARE(QString::fromStdString(apart.curves[1].name),
                 QStringLiteral("выбранная: ef, W 12, C 14"));
        QCOMPARE(apart.curves[0].x[0], 22.0);
        QCOMPARE(apart.curves[0].x[1], 34.0);
        QVERIFY(std::isnan(apart.curves[0].y[2]));

        // None found: the closest is marked as such.
        SearchResult none;
        none.why = "ни одна реализация не достигает 90 дБ";
        none.closest =
            candidate(Structure::Normal, 20, 20, Scaling::L2, SectionOrder::Ascending, 85, 40);
        s.form->showSearch(none, CostMeasure::Multiplications, 90);
        const Chart closest = image->chart();
        QCOMPARE(QString::fromStdString(closest.curves[1].name),
                 QStringLiteral("ближайшая: normal"));
        QCOMPARE(closest.curves[0].x.front(), 40.0);
        QVERIFY(s.child<QPlainTextEdit>("Memo2")->toPlainText().contains(
            QStringLiteral("ни одна реализация не достигает 90 дБ")));
    }

    // "Подобрать..." runs off the window's thread with a progress dialog; when it ends the
    // dialog is gone, the buttons and the cursor are back, and the search's result (or its
    // refusal, in the error box) is shown.
    void searchEndsItsProgress() {
        Session s;
        const QString flt = s.design(1, 0.2, 0, 0, 0.25, "lp");
        QVERIFY(s.open());
        s.child<QLineEdit>("Edit1")->setText(flt);
        QCOMPARE(s.child<QSpinBox>("SpinEdit3")->value(), 60);
        QSignalSpy done(s.form, &ImplementationWindow::searched);
        QVERIFY(s.form->BitBtn7Click());
        QVERIFY(s.form->running());
        QVERIFY(!s.child<QPushButton>("BitBtn7")->isEnabled());
        QVERIFY(s.form->findChild<QWidget*>("ProgressDialog1") != nullptr);
        QVERIFY(done.wait(300000));
        QTest::qWait(1); // the dialog's deferred deletion
        QVERIFY(!s.form->running());
        QVERIFY(s.child<QPushButton>("BitBtn7")->isEnabled());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(s.form->findChild<QWidget*>("ProgressDialog1") == nullptr);
        const QString said = s.child<QPlainTextEdit>("Memo2")->toPlainText();
        const bool shown = !s.child<ChartPicture>("Image5")->chart().curves.empty() ||
                           said.contains(QStringLiteral("Самая дешевая реализация")) ||
                           said.contains(QStringLiteral("Ни одна")) ||
                           said.contains(QStringLiteral("Все реализации"));
        QVERIFY2(shown != !s.messages().isEmpty(), qPrintable(s.messages().join(" | ") + said));
    }

    // "Экспорт..." presets the export dialog's structure to the one measured.
    void exportsTheChosenStructure() {
        Session s;
        const QString flt = s.design(1, 0.2, 0, 0, 0.25, "lp");
        QVERIFY(s.open());
        s.child<QLineEdit>("Edit1")->setText(flt);
        const struct {
            int target, structure;
            const char* shown;
        } rows[] = {
            {5, 5, "normal - нормальная форма"},
            {3, 0, "своя"},
            {1, 3, "df2t - транспонированная прямая форма II"},
        };
        for (const auto& row : rows) {
            s.child<QComboBox>("ComboBox1")->setCurrentIndex(row.target);
            s.child<QComboBox>("ComboBox6")->setCurrentIndex(row.structure);
            QVERIFY(s.compute());
            QString shown;
            s.program.prompts().queueModal([&](QDialog* dialog) {
                shown = dialog->findChild<QComboBox*>("ComboBox7")->currentText();
                return int(QDialog::Rejected);
            });
            QTest::mouseClick(s.child<QPushButton>("BitBtn5"), Qt::LeftButton);
            QCOMPARE(shown, QString::fromUtf8(row.shown));
        }
    }
};

ZORKAN_UI_TEST(ImplementationWindowTest);

} // namespace zorkan::ui::test

#include "implementationwindow_test.moc"
