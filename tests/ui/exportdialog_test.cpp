// The export dialog: opened from the filter-files menu, it writes the chosen format to
// the file named in the save dialog and says so in its status bar.
#include "app/ras1.h"
#include "export/exportdialog.h"
#include "tests/ui/uitest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

namespace zorkan::ui::test {

namespace {

// One band-pass section: it becomes two second-order sections.
const char* const bandPassFile = "2\r\n2\r\n1 0 -2\r\n0 1\r\n1 -0.5 0.8\r\n-0.2 0.3\r\n";

} // namespace

class ExportDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void exportsTheChosenFormat_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("answer"); // the name given in the save dialog
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QString>("inFirst"); // a line the first written file holds
        QTest::newRow("csv") << 0 << 0 << "a.csv"
                             << "csv" << QStringList{"a.csv"} << "# source: 1.flt";
        QTest::newRow("octave") << 1 << 0 << "a.m"
                                << "m" << QStringList{"a.m"} << "g = 1;";
        QTest::newRow("python") << 2 << 0 << "a.py"
                                << "py" << QStringList{"a.py"} << "sos = np.array([";
        QTest::newRow("c q15") << 3 << 2 << "a.c"
                               << "c" << QStringList{"a.h", "a.c"}
                               << "int16_t x[ZORKAN_FILTER_SECTIONS][2];";
        QTest::newRow("c one header") << 3 << 1 << "one.h"
                                      << "c" << QStringList{"one.h"} << "static inline float";
    }
    void exportsTheChosenFormat() {
        QFETCH(int, format);
        QFETCH(int, type);
        QFETCH(QString, answer);
        QFETCH(QString, extension);
        QFETCH(QStringList, written);
        QFETCH(QString, inFirst);
        Program program;
        program.start();
        QFile flt(program.path(QStringLiteral("1.flt")));
        QVERIFY(flt.open(QIODevice::WriteOnly));
        flt.write(bandPassFile);
        flt.close();

        QString status;
        program.prompts().queueModal([&](QDialog* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("Edit1"));
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("ComboBox2"));
            edit->setText(program.path(QStringLiteral("1.flt")));
            dialog->findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(format);
            types->setCurrentIndex(type);
            dialog->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(true);
            if (format != 3 && types->isEnabled())
                status = QStringLiteral("number type enabled for a format other than C");
            program.prompts().queueFile(program.path(answer));
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BitBtn2")),
                              Qt::LeftButton);
            if (status.isEmpty())
                status =
                    dialog->findChild<QStatusBar*>(QStringLiteral("StatusBar1"))->currentMessage();
            return int(QDialog::Rejected);
        });
        program.main().command("ExportFilter")->trigger();

        QVERIFY(program.prompts().messages.empty());
        QCOMPARE(program.prompts().fileRequests.size(), std::size_t{1});
        QCOMPARE(program.prompts().fileRequests[0].request.defaultExtension, extension);
        QCOMPARE(program.prompts().fileRequests[0].request.proposedName,
                 format == 1 || format == 2 ? "filter_1." + extension : "1." + extension);
        QCOMPARE(status, QStringLiteral("%1 %2; секций второго порядка: 2")
                             .arg(written.size() > 1 ? "Записаны" : "Записан")
                             .arg(written.join(QStringLiteral(", "))));
        for (const QString& name : written)
            QVERIFY2(QFile::exists(program.path(name)), qPrintable(name));
        QVERIFY(fileBytes(program.path(written[0])).contains(inFirst.toUtf8()));
        QVERIFY(fileBytes(program.path(written[0])).contains("gain: normalised"));
    }

    // A missing source goes to the general error handler and nothing is written; an
    // unstable filter is written and then warned of.
    void reportsErrorsAndWarnings() {
        Program program;
        program.start();
        QFile flt(program.path(QStringLiteral("unstable.flt")));
        QVERIFY(flt.open(QIODevice::WriteOnly));
        flt.write("2\r\n0\r\n1 0 0\r\n1 -2.5 1\r\n");
        flt.close();
        program.prompts().queueModal([&](QDialog* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("Edit1"));
            auto* button = dialog->findChild<QPushButton*>(QStringLiteral("BitBtn2"));
            edit->setText(program.path(QStringLiteral("none.flt")));
            program.prompts().queueFile(program.path(QStringLiteral("x.csv")));
            QTest::mouseClick(button, Qt::LeftButton);
            edit->setText(program.path(QStringLiteral("unstable.flt")));
            program.prompts().queueFile(program.path(QStringLiteral("y.csv")));
            QTest::mouseClick(button, Qt::LeftButton);
            return int(QDialog::Rejected);
        });
        program.main().command("ExportFilter")->trigger();
        QCOMPARE(program.prompts().messages.size(), std::size_t{2});
        QCOMPARE(program.prompts().messages[0].text, QStringLiteral("File not found."));
        QVERIFY(program.prompts().messages[1].text.startsWith(
            QStringLiteral("Предупреждение: фильтр неустойчив")));
        QVERIFY(!QFile::exists(program.path(QStringLiteral("x.csv"))));
        QVERIFY(fileBytes(program.path(QStringLiteral("y.csv"))).contains("# WARNING: UNSTABLE"));
        QVERIFY(program.prompts().drained());
    }
};

ZORKAN_UI_TEST(ExportDialogTest);

} // namespace zorkan::ui::test

#include "exportdialog_test.moc"
