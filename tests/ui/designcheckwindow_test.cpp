// The check of a design against its request as the design window shows it: "Внимание:"
// lines closing the account in the results window, files untouched by the check.
#include "app/ras5.h"
#include "design/designrun.h"
#include "design/ras2.h"
#include "tests/ui/uitest.h"
#include "ui/controls.h"

#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>

namespace zorkan::ui::test {

namespace {

const QStringList describedLines(const QString& approximation, const QString& order,
                                 const QString& report, const QString& filter) {
    return {approximation,
            "Порядок фильтра" + order,
            "Результаты расчета в файле" + report,
            " - коэффициенты фильтра",
            " - ФЧХ фильтра",
            " - АЧХ фильтра",
            "Параметры фильтра в файле " + filter,
            "Анализ частотных характеристик фильтра"};
}

} // namespace

class DesignCheckWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void warningsCloseTheAccount_data() {
        QTest::addColumn<int>("item");
        QTest::addColumn<bool>("russian");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QStringList>("warnings");
        QTest::newRow("Butterworth meets its request") << 0 << false << "Аппроксимация Баттерворта"
                                                       << "13" << QStringList{};
        QTest::newRow("elliptic overshoots the ripple")
            << 2 << false << "Аппроксимация Элиптическая"
            << "4"
            << QStringList{"Внимание: неравномерность в полосе пропускания 2.07 dB больше "
                           "заданной 1.5 dB"};
        QTest::newRow("elliptic, Russian number format")
            << 2 << true << "Аппроксимация Элиптическая"
            << "4"
            << QStringList{"Внимание: неравномерность в полосе пропускания 2,07 dB больше "
                           "заданной 1,5 dB"};
    }
    void warningsCloseTheAccount() {
        QFETCH(int, item);
        QFETCH(bool, russian);
        QFETCH(QString, firstLine);
        QFETCH(QString, order);
        QFETCH(QStringList, warnings);
        const QLocale previous;
        if (russian)
            QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        Program program;
        program.start();
        program.main().command("CalcFil")->trigger();
        auto* form = program.main().findChild<TForm2*>();
        QVERIFY(form);
        form->findChild<RadioGroup*>("RadioGroup1")->setItemIndex(item);
        const QString report = program.path("r.out"), filter = program.path("f.flt");
        program.prompts().queueFile(report);
        program.prompts().queueFile(filter);
        QString shown;
        program.prompts().queueModal([&shown](QDialog* dialog) {
            shown = qobject_cast<TForm5*>(dialog)->text();
            QTest::mouseClick(dialog->findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
            return dialog->result();
        });
        QTest::mouseClick(form->findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
        QLocale::setDefault(previous);
        QVERIFY(program.prompts().messages.empty());

        QCOMPARE(shown.split('\n'), describedLines(firstLine, order, report, filter) + warnings);

        // The same request run without the check writes the same bytes.
        DesignRequest rq;
        rq.approximation = item + 1;
        const QString plainReport = program.path("plain.out");
        const QString plainFilter = program.path("plain.flt");
        designFilter(rq, plainReport.toStdString(), plainFilter.toStdString(), nullptr);
        QVERIFY(!fileBytes(filter).isEmpty());
        QCOMPARE(fileBytes(report), fileBytes(plainReport));
        QCOMPARE(fileBytes(filter), fileBytes(plainFilter));
    }
};

ZORKAN_UI_TEST(DesignCheckWindowTest);

} // namespace zorkan::ui::test

#include "designcheckwindow_test.moc"
