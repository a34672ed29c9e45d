// The export dialog: opened from the filter-files menu, it writes the chosen format to
// the file named in the save dialog and says so in its status bar.
#include "app/ras1.h"
#include "export/exportdialog.h"
#include "export/firexport.h"
#include "tests/ui/uitest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

namespace zorkan::ui::test {

namespace {

// One band-pass section: it becomes two second-order sections.
const char* const bandPassFile = "2\r\n2\r\n1 0 -2\r\n0 1\r\n1 -0.5 0.8\r\n-0.2 0.3\r\n";

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList folderListing(const Program& program) {
    return QDir(program.folder()).entryList(QDir::Files, QDir::Name);
}

// The dialog on `source`, with the format and the number type chosen.
void choose(ExportDialog& dialog, const QString& source, int format, int type) {
    dialog.setSourceFile(source);
    dialog.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(format);
    dialog.findChild<QComboBox*>(QStringLiteral("ComboBox2"))->setCurrentIndex(type);
}

void clickExport(ExportDialog& dialog) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("BitBtn2")), Qt::LeftButton);
}

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
        QTest::newRow("c float fma") << 3 << 4 << "f.c"
                                     << "c" << QStringList{"f.h", "f.c"} << "#include <math.h>";
        QTest::newRow("c one header") << 3 << 1 << "one.h"
                                      << "c" << QStringList{"one.h"} << "static inline float";
        QTest::newRow("cmsis f32") << 4 << 5 << "k.c"
                                   << "c" << QStringList{"k.h", "k.c"}
                                   << "extern const float32_t zorkan_filter_coeffs[5 * "
                                      "ZORKAN_FILTER_NUM_STAGES];";
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
            if (format < 3 && types->isEnabled())
                status = QStringLiteral("number type enabled for a format other than C");
            program.prompts().queueFile(program.path(answer));
            if (type == 2)
                program.prompts().queueAnswer(true); // write despite the warnings
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BitBtn2")),
                              Qt::LeftButton);
            if (status.isEmpty())
                status = dialog->findChild<QLabel*>(QStringLiteral("Label2"))->text();
            return int(QDialog::Rejected);
        });
        program.main().command("ExportFilter")->trigger();

        // In q15, normalised to a peak of 1, the simulation finds that the filter can
        // overflow (L1 gains above 1) and keeps a limit cycle at zero input: one question
        // before writing names both.
        QCOMPARE(program.prompts().messages.size(), std::size_t{0});
        QCOMPARE(program.prompts().questions.size(), std::size_t{type == 2 ? 1u : 0u});
        if (type == 2) {
            QVERIFY(program.prompts().questions[0].contains(QStringLiteral("переполниться")));
            QVERIFY(program.prompts().questions[0].contains(QStringLiteral("предельный цикл")));
        }
        QCOMPARE(program.prompts().fileRequests.size(), std::size_t{1});
        QCOMPARE(program.prompts().fileRequests[0].request.defaultExtension, extension);
        QCOMPARE(program.prompts().fileRequests[0].request.proposedName,
                 format == 1 || format == 2 ? "filter_1." + extension : "1." + extension);
        QCOMPARE(program.prompts().fileRequests[0].request.initialFolder,
                 QFileInfo(program.path(QStringLiteral("1.flt"))).absolutePath());
        QStringList paths;
        for (const QString& name : written)
            paths << QDir(program.folder()).absoluteFilePath(name);
        QCOMPARE(status, QStringLiteral("%1 %2; секций второго порядка: 2")
                             .arg(written.size() > 1 ? "Записаны" : "Записан")
                             .arg(paths.join(QStringLiteral(", "))));
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
            program.prompts().queueAnswer(true);
            QTest::mouseClick(button, Qt::LeftButton);
            return int(QDialog::Rejected);
        });
        program.main().command("ExportFilter")->trigger();
        QCOMPARE(program.prompts().messages.size(), std::size_t{1});
        QCOMPARE(
            program.prompts().messages[0].text,
            QStringLiteral("Файл не найден: %1.").arg(program.path(QStringLiteral("none.flt"))));
        QCOMPARE(program.prompts().questions.size(), std::size_t{1});
        QVERIFY(program.prompts().questions[0].startsWith(
            QStringLiteral("Предупреждения о фильтре:\n- фильтр неустойчив")));
        QVERIFY(!QFile::exists(program.path(QStringLiteral("x.csv"))));
        QVERIFY(fileBytes(program.path(QStringLiteral("y.csv"))).contains("# WARNING: UNSTABLE"));
        QVERIFY(program.prompts().drained());
    }

    // The pages show, before anything is written, the very bytes that accepting the
    // proposed name writes, one page per file, and the warnings about the filter.
    void previewIsWhatIsWritten_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("filter");
        QTest::addColumn<QStringList>("written"); // the files of the proposed name
        QTest::addColumn<QString>("warning");     // how Label1 starts
        const QByteArray unstable = "2\r\n0\r\n1 0 0\r\n1 -2.5 1\r\n";
        QTest::newRow("csv") << 0 << 0 << QByteArray(bandPassFile) << QStringList{"1.csv"}
                             << "Предупреждений нет";
        QTest::newRow("octave unstable") << 1 << 0 << unstable << QStringList{"filter_1.m"}
                                         << "Предупреждение: фильтр неустойчив: полюс секции 1";
        QTest::newRow("python") << 2 << 0 << QByteArray(bandPassFile) << QStringList{"filter_1.py"}
                                << "Предупреждений нет";
        // Normalised to a peak of 1, its sections' L1 gains exceed 1.
        QTest::newRow("c q31") << 3 << 3 << QByteArray(bandPassFile) << QStringList{"1.h", "1.c"}
                               << "Предупреждение: выход секции";
        QTest::newRow("c float unstable") << 3 << 1 << unstable << QStringList{"1.h", "1.c"}
                                          << "Предупреждение: фильтр неустойчив";
    }
    void previewIsWhatIsWritten() {
        QFETCH(int, format);
        QFETCH(int, type);
        QFETCH(QByteArray, filter);
        QFETCH(QStringList, written);
        QFETCH(QString, warning);
        Program program;
        program.start();
        writeFile(program.path(QStringLiteral("1.flt")), filter);
        const QStringList before = folderListing(program);
        ExportDialog dialog(&program.main());
        choose(dialog, program.path(QStringLiteral("1.flt")), format, type);
        dialog.findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(true);
        auto* pages = dialog.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        const QPlainTextEdit* memos[] = {
            dialog.findChild<QPlainTextEdit*>(QStringLiteral("Memo1")),
            dialog.findChild<QPlainTextEdit*>(QStringLiteral("Memo2"))};
        QStringList shown;
        for (int i = 0; i < 2; ++i)
            shown << memos[i]->toPlainText();
        QVERIFY2(dialog.findChild<QLabel*>(QStringLiteral("Label1"))->text().startsWith(warning),
                 qPrintable(dialog.findChild<QLabel*>(QStringLiteral("Label1"))->text()));
        QCOMPARE(pages->isTabVisible(1), written.size() > 1);
        QVERIFY(program.prompts().messages.empty());
        QCOMPARE(folderListing(program), before); // nothing written yet

        const bool warned = warning.startsWith(QStringLiteral("Предупреждение:"));
        program.prompts().queueFile(program.path(written.last()));
        if (warned)
            program.prompts().queueAnswer(true);
        clickExport(dialog);
        QCOMPARE(program.prompts().fileRequests.size(), std::size_t{1});
        QCOMPARE(program.prompts().fileRequests[0].request.proposedName, written.last());
        for (int i = 0; i < written.size(); ++i) {
            QCOMPARE(pages->tabText(i), written[i]);
            QCOMPARE(shown[i].toUtf8(), fileBytes(program.path(written[i])));
        }
        // One question before writing, a line for each warning the preview shows.
        const QString shownWarnings = dialog.findChild<QLabel*>(QStringLiteral("Label1"))->text();
        QCOMPARE(program.prompts().messages.size(), std::size_t{0});
        QCOMPARE(program.prompts().questions.size(), std::size_t{warned ? 1u : 0u});
        if (warned)
            QCOMPARE(program.prompts().questions[0].count(QStringLiteral("\n- ")),
                     shownWarnings.count(QStringLiteral("Предупреждение:")));
    }

    // A filter that raises warnings has each shown once in the preview and asked about
    // once before writing, whatever the format: an unstable cascade, a zero numerator, a
    // band-pass pair whose second section can overflow.
    void eachWarningIsShownOnce_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("warnings");
        const QByteArray unstable = "2\r\n0\r\n1 0 0\r\n1 -2.5 1\r\n";
        const QByteArray zero = "2\r\n0\r\n0 0 0\r\n1 0 0\r\n";
        QTest::newRow("unstable, python") << unstable << 2 << 0 << 1;
        QTest::newRow("unstable, C q15") << unstable << 3 << 2 << 1;
        QTest::newRow("unstable, CMSIS q31") << unstable << 4 << 3 << 1;
        QTest::newRow("unstable, Verilog") << unstable << 5 << 0 << 1;
        QTest::newRow("zero, octave") << zero << 1 << 0 << 1;
        QTest::newRow("band-pass, Verilog") << QByteArray(bandPassFile) << 5 << 0 << 2;
    }
    void eachWarningIsShownOnce() {
        QFETCH(QByteArray, file);
        QFETCH(int, format);
        QFETCH(int, type);
        QFETCH(int, warnings);
        Program program;
        program.start();
        writeFile(program.path(QStringLiteral("w.flt")), file);
        ExportDialog dialog(&program.main());
        choose(dialog, program.path(QStringLiteral("w.flt")), format, type);
        const QStringList shown = dialog.findChild<QLabel*>(QStringLiteral("Label1"))
                                      ->text()
                                      .split(QLatin1Char('\n'))
                                      .filter(QStringLiteral("Предупреждение: "));
        QCOMPARE(shown.size(), warnings);
        QCOMPARE(QSet<QString>(shown.begin(), shown.end()).size(), warnings);
        program.prompts().queueFile(program.path(QStringLiteral("out")));
        program.prompts().queueAnswer(false);
        clickExport(dialog);
        QCOMPARE(program.prompts().questions.size(), std::size_t{1});
        QStringList asked = program.prompts().questions[0].split(QLatin1Char('\n'));
        asked = asked.filter(QRegularExpression(QStringLiteral("^- ")));
        QCOMPARE(asked.size(), warnings);
        QCOMPARE(QSet<QString>(asked.begin(), asked.end()).size(), warnings);
        for (int i = 0; i < warnings; ++i)
            QCOMPARE(asked[i].mid(2), shown[i].mid(QStringLiteral("Предупреждение: ").size()));
    }

    // Without a text to show, Label1 says why, and the pages are empty.
    void previewTellsWhyThereIsNoText_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("name"); // the name for C
        QTest::addColumn<QString>("label");
        QTest::newRow("no file named") << ""
                                       << "f"
                                       << "Не задано имя файла параметров фильтра";
        QTest::newRow("missing file") << "none.flt"
                                      << "f"
                                      << "Текст не составлен: Файл не найден: %1.";
        QTest::newRow("malformed number") << "bad.flt"
                                          << "f"
                                          << "Текст не составлен: Неверное число в файле %1, "
                                             "строка 4.";
        QTest::newRow("bad C name")
            << "1.flt"
            << "9lives"
            << "Текст не составлен: Имя фильтра для языка C '9lives' должно состоять из "
               "латинских букв, цифр и '_' и не начинаться с цифры";
    }
    void previewTellsWhyThereIsNoText() {
        QFETCH(QString, source);
        QFETCH(QString, name);
        QFETCH(QString, label);
        Program program;
        program.start();
        writeFile(program.path(QStringLiteral("1.flt")), bandPassFile);
        writeFile(program.path(QStringLiteral("bad.flt")), "2\r\n0\r\n1 2 1\r\n1 0,5 0\r\n");
        ExportDialog dialog(&program.main());
        choose(dialog, program.path(QStringLiteral("1.flt")), 3, 0);
        dialog.findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(name);
        const QString path = source.isEmpty() ? source : program.path(source);
        dialog.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(path);
        // A file's error names it: the row's %1.
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 label.contains(QStringLiteral("%1")) ? label.arg(path) : label);
        QVERIFY(
            dialog.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText().isEmpty());
        QVERIFY(program.prompts().messages.empty());
    }

    // A file that exists is replaced only when the user says so; for C every file of the
    // pair is asked about before either is written.
    void asksBeforeReplacing_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("answers"); // y and n, one a question
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<bool>("written");
        QTest::newRow("csv kept") << 0 << "a.csv" << QStringList{"a.csv"} << "n"
                                  << QStringList{"Файл a.csv уже существует. Заменить?"} << false;
        QTest::newRow("csv replaced")
            << 0 << "a.csv" << QStringList{"a.csv"} << "y"
            << QStringList{"Файл a.csv уже существует. Заменить?"} << true;
        QTest::newRow("c new") << 3 << "a.c" << QStringList{} << "" << QStringList{} << true;
        QTest::newRow("c source replaced")
            << 3 << "a.c" << QStringList{"a.c"} << "y"
            << QStringList{"Файл a.c уже существует. Заменить?"} << true;
        QTest::newRow("c source kept, header too")
            << 3 << "a.c" << QStringList{"a.h", "a.c"} << "yn"
            << QStringList{"Файл a.h уже существует. Заменить?",
                           "Файл a.c уже существует. Заменить?"}
            << false;
        QTest::newRow("c one header kept")
            << 3 << "one.h" << QStringList{"one.h", "one.c"} << "n"
            << QStringList{"Файл one.h уже существует. Заменить?"} << false;
    }
    void asksBeforeReplacing() {
        QFETCH(int, format);
        QFETCH(QString, answer);
        QFETCH(QStringList, existing);
        QFETCH(QString, answers);
        QFETCH(QStringList, questions);
        QFETCH(bool, written);
        Program program;
        program.start();
        writeFile(program.path(QStringLiteral("1.flt")), bandPassFile);
        for (const QString& name : existing)
            writeFile(program.path(name), "old");
        ExportDialog dialog(&program.main());
        choose(dialog, program.path(QStringLiteral("1.flt")), format, 0);
        for (QChar c : answers)
            program.prompts().queueAnswer(c == QLatin1Char('y'));
        program.prompts().queueFile(program.path(answer));
        clickExport(dialog);
        QCOMPARE(
            QStringList(program.prompts().questions.begin(), program.prompts().questions.end()),
            questions);
        QVERIFY(program.prompts().drained());
        const QStringList files =
            format == 3 && answer.endsWith(".c") ? QStringList{"a.h", "a.c"} : QStringList{answer};
        for (const QString& name : files) {
            const QByteArray bytes = fileBytes(program.path(name));
            if (written)
                QVERIFY2(bytes.contains("ZORKAN"), qPrintable(name));
            else
                QCOMPARE(bytes, existing.contains(name) ? QByteArray("old") : QByteArray());
        }
        const QString status = dialog.findChild<QLabel*>(QStringLiteral("Label2"))->text();
        QCOMPARE(status.startsWith(QStringLiteral("Записан")), written);
    }

    // The parameter file itself is refused under any name, before any question, and
    // stays as it was; for C neither file of the pair is written.
    void refusesTheParameterFile_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("named"); // the file the message names
        QTest::newRow("csv") << "1.flt" << 0 << "1.flt"
                             << "1.flt";
        QTest::newRow("python, another spelling") << "1.flt" << 2 << "./sub/../1.flt"
                                                  << "1.flt";
        QTest::newRow("c source") << "x.c" << 3 << "x.c"
                                  << "x.c";
        QTest::newRow("c header of the pair") << "x.h" << 3 << "x"
                                              << "x.h";
        QTest::newRow("c one header") << "x.h" << 3 << "x.h"
                                      << "x.h";
    }
    void refusesTheParameterFile() {
        QFETCH(QString, source);
        QFETCH(int, format);
        QFETCH(QString, answer);
        QFETCH(QString, named);
        Program program;
        program.start();
        QVERIFY(QDir(program.folder()).mkdir(QStringLiteral("sub")));
        writeFile(program.path(source), bandPassFile);
        const QStringList before = folderListing(program);
        ExportDialog dialog(&program.main());
        choose(dialog, program.path(source), format, 0);
        program.prompts().queueFile(program.path(answer));
        clickExport(dialog);
        QCOMPARE(program.prompts().messages.size(), std::size_t{1});
        QCOMPARE(program.prompts().messages[0].text,
                 QStringLiteral("Выходной файл %1 совпадает с файлом фильтра: выберите другое имя")
                     .arg(named));
        QVERIFY(program.prompts().questions.empty());
        QCOMPARE(fileBytes(program.path(source)), QByteArray(bandPassFile));
        QCOMPARE(folderListing(program), before);
    }

    // Both file requests start in the parameter file's folder (here not the current one),
    // and the open request proposes the file's name, not its whole path.
    void fileRequestsStartInTheFiltersFolder() {
        Program program;
        program.start();
        QVERIFY(QDir(program.folder()).mkdir(QStringLiteral("sub")));
        writeFile(program.path(QStringLiteral("sub/1.flt")), bandPassFile);
        ExportDialog dialog(&program.main());
        dialog.setSourceFile(program.path(QStringLiteral("sub/1.flt")));
        program.prompts().queueFile(program.path(QStringLiteral("2.flt")));
        dialog.BitBtn1Click();
        QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("Edit1"))->text(),
                 program.path(QStringLiteral("2.flt")));
        program.prompts().queueCancel();
        clickExport(dialog);
        QCOMPARE(program.prompts().fileRequests.size(), std::size_t{2});
        QCOMPARE(program.prompts().fileRequests[0].request.initialFolder,
                 QDir(program.folder()).absoluteFilePath(QStringLiteral("sub")));
        QCOMPARE(program.prompts().fileRequests[1].request.initialFolder,
                 QDir(program.folder()).absolutePath());
        QCOMPARE(program.prompts().fileRequests[0].request.proposedName, QStringLiteral("1.flt"));
        QCOMPARE(program.prompts().fileRequests[1].request.proposedName, QStringLiteral("2.csv"));
    }

    // "Нормировать усиление" and the scaling are one choice; Enter in a field exports
    // nothing; the test program of the golden vectors is previewed as it is written; the
    // one question before writing speaks of the dialog, not of command-line options.
    void oneChoiceNoEnterAndTheTestProgramPreviewed() {
        Program program;
        program.start();
        writeFile(program.path(QStringLiteral("1.flt")), bandPassFile);
        ExportDialog dialog(&program.main());
        choose(dialog, program.path(QStringLiteral("1.flt")), 3, 2); // C, q15
        auto* normalise = dialog.findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
        auto* scaling = dialog.findChild<QComboBox*>(QStringLiteral("ComboBox3"));
        const struct {
            const char* scaling;
            bool normalised;
        } rows[] = {{"peak", true}, {"none", false}, {"l2", true}, {"none", false}, {"l1", true}};
        for (const auto& row : rows) {
            scaling->setCurrentIndex(scaling->findText(QString::fromLatin1(row.scaling)));
            QCOMPARE(normalise->isChecked(), row.normalised);
        }
        normalise->setChecked(false);
        QCOMPARE(scaling->currentText(), QStringLiteral("none"));
        normalise->setChecked(true);
        QCOMPARE(scaling->currentText(), QStringLiteral("peak"));

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (const char* name : {"Edit1", "Edit2"}) {
            auto* edit = dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
            edit->setFocus();
            QTest::keyClick(edit, Qt::Key_Return);
            QTest::keyClick(edit, Qt::Key_Enter);
        }
        QVERIFY(program.prompts().fileRequests.empty());
        QVERIFY(dialog.isVisible());

        dialog.findChild<QSpinBox*>(QStringLiteral("SpinEdit1"))->setValue(300);
        auto* pages = dialog.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        QStringList names, shown;
        for (int i = 0; i < pages->count(); ++i)
            if (pages->isTabVisible(i)) {
                names << pages->tabText(i);
                shown << dialog.findChild<QPlainTextEdit*>(QStringLiteral("Memo%1").arg(i + 1))
                             ->toPlainText();
            }
        QVERIFY2(names.contains(QStringLiteral("1_test.c")), qPrintable(names.join(", ")));
        program.prompts().queueFile(program.path(QStringLiteral("1.c")));
        program.prompts().queueAnswer(true);
        clickExport(dialog);
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(shown[i].toUtf8(), fileBytes(program.path(names[i])));
        QCOMPARE(program.prompts().questions.size(), std::size_t{1});
        const QString question = program.prompts().questions[0];
        QVERIFY2(question.startsWith(QStringLiteral("Предупреждения о фильтре:\n- ")) &&
                     question.endsWith(QStringLiteral("\nЗаписать файлы экспорта?")) &&
                     !question.contains(QStringLiteral("--")) &&
                     !question.contains(QStringLiteral("zorkan-cli")),
                 qPrintable(question));
        QVERIFY(program.prompts().messages.empty());
        // The status line shows every path written, wrapped, not cut off.
        auto* status = dialog.findChild<QLabel*>(QStringLiteral("Label2"));
        QVERIFY(status->text().contains(program.path(QStringLiteral("1_test.c"))));
        QVERIFY(status->wordWrap());
        QTest::qWait(50);
        QVERIFY2(status->height() >= status->heightForWidth(status->width()),
                 qPrintable(QStringLiteral("%1 < %2")
                                .arg(status->height())
                                .arg(status->heightForWidth(status->width()))));
    }

    // Verilog, the last format: its words and rules are offered only for it, the preview
    // is the module written, and the status bar names its latency.
    void exportsVerilogWithItsWords() {
        Program program;
        program.start();
        writeFile(program.path(QStringLiteral("1.flt")), bandPassFile);
        ExportDialog dialog(&program.main());
        dialog.setSourceFile(program.path(QStringLiteral("1.flt")));
        auto* formats = dialog.findChild<QComboBox*>(QStringLiteral("ComboBox1"));
        auto* data = dialog.findChild<QSpinBox*>(QStringLiteral("SpinEdit2"));
        auto* coefficients = dialog.findChild<QSpinBox*>(QStringLiteral("SpinEdit3"));
        auto* rounding = dialog.findChild<QComboBox*>(QStringLiteral("ComboBox5"));
        auto* overflow = dialog.findChild<QComboBox*>(QStringLiteral("ComboBox6"));
        QVERIFY(!data->isEnabled() && !coefficients->isEnabled());
        QVERIFY(!rounding->isEnabled() && !overflow->isEnabled());
        formats->setCurrentIndex(formats->count() - 1);
        QVERIFY(formats->currentText().startsWith(QStringLiteral("Verilog")));
        QVERIFY(data->isEnabled() && coefficients->isEnabled());
        QVERIFY(rounding->isEnabled() && overflow->isEnabled());
        QVERIFY(!dialog.findChild<QComboBox*>(QStringLiteral("ComboBox2"))->isEnabled());
        QCOMPARE(data->value(), 16);
        QCOMPARE(coefficients->value(), 32);
        data->setValue(12);
        coefficients->setValue(18);
        rounding->setCurrentIndex(1);
        overflow->setCurrentIndex(1);
        auto* pages = dialog.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        const QString shown =
            dialog.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText();
        QCOMPARE(pages->tabText(0), QStringLiteral("1.v"));
        QVERIFY(!pages->isTabVisible(1));
        // The band-pass section is two second-order sections: two pipeline stages. Scaled by
        // the peak, as every implementation is unless told otherwise, the second's L1 norm
        // stays above 1 and the simulation finds that it can overflow.
        const QString label = dialog.findChild<QLabel*>(QStringLiteral("Label1"))->text();
        QVERIFY2(label.endsWith(QStringLiteral("\nЗадержка модуля: 2 тактов")), qPrintable(label));
        QVERIFY2(
            label.startsWith(QStringLiteral("Предупреждение: выход секции 2 может переполниться")),
            qPrintable(label));

        program.prompts().queueFile(program.path(QStringLiteral("1.v")));
        program.prompts().queueAnswer(true);
        clickExport(dialog);
        QCOMPARE(program.prompts().fileRequests.size(), std::size_t{1});
        QCOMPARE(program.prompts().fileRequests[0].request.defaultExtension, QStringLiteral("v"));
        QCOMPARE(program.prompts().fileRequests[0].request.proposedName, QStringLiteral("1.v"));
        const QByteArray written = fileBytes(program.path(QStringLiteral("1.v")));
        QCOMPARE(shown.toUtf8(), written);
        QVERIFY(written.contains("module zorkan_filter ("));
        QVERIFY(written.contains("--data-bits 12 --coef-bits 18 --round truncate --overflow wrap "
                                 "--scale peak --order ascending"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("Label2"))->text(),
                 QStringLiteral("Записан %1; секций второго порядка: 2, задержка 2 тактов")
                     .arg(QDir::toNativeSeparators(
                         QDir(program.folder()).absoluteFilePath(QStringLiteral("1.v")))));
        // The warnings were asked about before writing.
        QVERIFY(program.prompts().messages.empty());
        QCOMPARE(program.prompts().questions.size(), std::size_t{1});
        QVERIFY(program.prompts().questions[0].contains(QStringLiteral("переполниться")));
        // The name is the module's; one that is no Verilog identifier gives no text.
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("Edit2"));
        QVERIFY(name->isEnabled());
        name->setText(QStringLiteral("lowpass"));
        QVERIFY(dialog.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))
                    ->toPlainText()
                    .contains(QStringLiteral("\nmodule lowpass (\n")));
        name->setText(QStringLiteral("reg"));
        QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("Label1"))
                    ->text()
                    .startsWith(QStringLiteral("Текст не составлен: Имя модуля Verilog 'reg'")));
        formats->setCurrentIndex(0);
        QVERIFY(!data->isEnabled() && !overflow->isEnabled());
    }

    // The structure goes to C and Verilog alone ("своя": unset, the target's own); the
    // structures the chosen target does not have are greyed: error feedback needs the
    // rounding residue of fixed point, and the other formats write no structure.
    void passesTheStructure() {
        Program program;
        program.start();
        writeFile(program.path(QStringLiteral("1.flt")), bandPassFile);
        ExportDialog dialog(&program.main());
        auto* structure = dialog.findChild<QComboBox*>(QStringLiteral("ComboBox7"));
        const auto offered = [structure](int item) {
            return qobject_cast<QStandardItemModel*>(structure->model())->item(item)->isEnabled();
        };
        // Formats: 0 CSV, 3 C, 4 CMSIS-DSP, 5 Verilog; types: 0 double, 1 float, 2 q15.
        // Items: 0 своя, 1 df1, 2 df2, 3 df2t, 4 ef, 5 normal, 6 lattice, 7 optimal.
        const struct {
            int format, type, item;
            bool enabled, errorFeedback;
            std::optional<Structure> passed;
        } rows[] = {
            {3, 0, 3, true, false, Structure::Df2t},
            {3, 2, 4, true, true, Structure::ErrorFeedback},
            {3, 1, 0, true, false, std::nullopt},
            {3, 2, 7, true, true, Structure::Optimal},
            {5, 0, 6, true, true, Structure::Lattice},
            {5, 0, 1, true, true, Structure::Df1},
            {0, 0, 5, false, false, std::nullopt},
            {4, 2, 5, false, false, std::nullopt},
        };
        for (const auto& row : rows) {
            choose(dialog, program.path(QStringLiteral("1.flt")), row.format, row.type);
            structure->setCurrentIndex(row.item);
            QCOMPARE(structure->isEnabled(), row.enabled);
            if (row.enabled) {
                QCOMPARE(offered(4), row.errorFeedback);
                for (int item : {0, 1, 2, 3, 5, 6, 7})
                    QVERIFY(offered(item));
            }
            QCOMPARE(dialog.chosenOptions().structure, row.passed);
        }
        // The implementation's structure presets the choice.
        ImplementationOptions io;
        io.arithmetic = namedArithmetic(Target::Q15);
        io.structure = Structure::Normal;
        dialog.preset(io);
        QCOMPARE(structure->currentText(), QStringLiteral("normal - нормальная форма"));
        QCOMPARE(dialog.chosenOptions().structure, std::optional(Structure::Normal));
        io.structure.reset();
        dialog.preset(io);
        QCOMPARE(structure->currentText(), QStringLiteral("своя"));
    }

    // A ".fir" file's taps: the first format writes them as CSV, C has no float with FMA,
    // the controls of sections are greyed with the reason, and every format writes the
    // bytes the command line's export writes with the same options (exportFirFile called
    // here on the same file and output name, in a folder of its own).
    void exportsFirTapsAsTheCommandLine() {
        Program program;
        program.start();
        QVERIFY(QDir(program.folder()).mkdir(QStringLiteral("core")));
        const QString fir = program.path(QStringLiteral("taps.fir"));
        writeFile(fir, "5\r\n0.0625\r\n-0.1875\r\n0.75\r\n0.3125\r\n-0.125\r\n");
        ExportDialog dialog(&program.main());
        dialog.setSourceFile(fir);
        auto* formats = dialog.findChild<QComboBox*>(QStringLiteral("ComboBox1"));
        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("ComboBox2"));
        QCOMPARE(formats->itemText(0), QStringLiteral("Отводы КИХ-фильтра, CSV (*.csv)"));
        QVERIFY(!qobject_cast<QStandardItemModel*>(types->model())->item(4)->isEnabled());
        for (const char* name : {"CheckBox1", "ComboBox3", "ComboBox4", "ComboBox7"}) {
            auto* w = dialog.findChild<QWidget*>(QString::fromLatin1(name));
            QVERIFY2(!w->isEnabled() && w->toolTip().contains(QStringLiteral("нет секций")), name);
        }
        // The options zorkan-cli export parses from its arguments.
        const auto cli = [](ExportFormat format, SampleType type, int vectors) {
            ExportOptions o;
            o.format = format;
            o.type = type;
            o.testVectors = vectors;
            return o;
        };
        ExportOptions verilog = cli(ExportFormat::Verilog, SampleType::Double, 30);
        verilog.words = {Target::Fixed, 12, 14, Rounding::Truncate, Overflow::Wrap};
        const struct {
            const char* label;
            int format, type, vectors;
            const char* answer;
            QStringList written;
            ExportOptions core;
            const char* inFirst;
        } rows[] = {
            {"csv",
             0,
             0,
             0,
             "t.csv",
             {"t.csv"},
             cli(ExportFormat::Csv, SampleType::Double, 0),
             "# source: taps.fir"},
            {"octave",
             1,
             0,
             0,
             "t.m",
             {"t.m"},
             cli(ExportFormat::Octave, SampleType::Double, 0),
             "a = 1;"},
            {"python",
             2,
             0,
             0,
             "t.py",
             {"t.py"},
             cli(ExportFormat::Python, SampleType::Double, 0),
             "a = np.array([1.0])"},
            {"c q15, vectors",
             3,
             2,
             100,
             "c.c",
             {"c.h", "c.c", "c_test.c"},
             cli(ExportFormat::C, SampleType::Q15, 100),
             "#define ZORKAN_FILTER_TAPS 5"},
            {"c float, one header",
             3,
             1,
             0,
             "f.h",
             {"f.h"},
             cli(ExportFormat::C, SampleType::Float, 0),
             "ZORKAN_FILTER_TAPS"},
            {"cmsis q31, vectors",
             4,
             3,
             50,
             "k.c",
             {"k.h", "k.c", "k_test.c"},
             cli(ExportFormat::Cmsis, SampleType::Q31, 50),
             "q31_t"},
            {"cmsis f32",
             4,
             5,
             0,
             "g.c",
             {"g.h", "g.c"},
             cli(ExportFormat::Cmsis, SampleType::F32, 0),
             "float32_t"},
            {"verilog", 5, 0, 30, "m.v", {"m.v", "m_tb.v"}, verilog, "module zorkan_filter"},
        };
        for (const auto& row : rows) {
            program.prompts().messages.clear();
            formats->setCurrentIndex(row.format);
            types->setCurrentIndex(row.type);
            dialog.findChild<QSpinBox*>(QStringLiteral("SpinEdit1"))->setValue(row.vectors);
            dialog.findChild<QSpinBox*>(QStringLiteral("SpinEdit2"))->setValue(12);
            dialog.findChild<QSpinBox*>(QStringLiteral("SpinEdit3"))->setValue(14);
            dialog.findChild<QComboBox*>(QStringLiteral("ComboBox5"))->setCurrentIndex(1);
            dialog.findChild<QComboBox*>(QStringLiteral("ComboBox6"))->setCurrentIndex(1);
            const QString label1 = dialog.findChild<QLabel*>(QStringLiteral("Label1"))->text();
            QVERIFY2(label1.startsWith(QStringLiteral("Предупреждений нет")), row.label);
            program.prompts().queueFile(program.path(QString::fromLatin1(row.answer)));
            clickExport(dialog);
            QVERIFY2(program.prompts().messages.empty(), row.label);
            exportFirFile(fir.toStdString(),
                          program.path(QStringLiteral("core/") + row.answer).toStdString(),
                          row.core);
            QStringList shown;
            for (const QString& name : row.written) {
                const QByteArray bytes = fileBytes(program.path(name));
                QVERIFY2(!bytes.isEmpty() &&
                             bytes == fileBytes(program.path(QStringLiteral("core/") + name)),
                         qPrintable(name));
                if (row.format != 5 || shown.isEmpty())
                    shown << QDir(program.folder()).absoluteFilePath(name);
            }
            QVERIFY2(fileBytes(program.path(row.written[0])).contains(row.inFirst), row.label);
            QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("Label2"))->text(),
                     QStringLiteral("%1 %2; отводов КИХ-фильтра: 5%3")
                         .arg(shown.size() > 1 ? "Записаны" : "Записан")
                         .arg(shown.join(QStringLiteral(", ")))
                         .arg(row.format == 5 ? QStringLiteral(", задержка 1 тактов") : QString()));
        }
        // What the page shows is what was written.
        formats->setCurrentIndex(0);
        QCOMPARE(dialog.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText().toUtf8(),
                 fileBytes(program.path(QStringLiteral("t.csv"))));
        QVERIFY(program.prompts().questions.empty());
    }

    // A ".fir" file whose count does not match its lines: the page tells why, and "Экспорт..."
    // shows the reader's message, asks for nothing and writes nothing.
    void badFirWritesNothing() {
        Program program;
        program.start();
        const struct {
            const char* name;
            QByteArray text;
            const char* message; // after "Файл КИХ-фильтра PATH, строка "
        } rows[] = {
            {"short.fir", "3\r\n0.5\r\n0.25\r\n", "4: заявлено 3 коэффициентов, а в файле их 2"},
            {"long.fir", "1\r\n0.5\r\n0.25\r\n",
             "3: заявлено 1 коэффициентов, а в файле их больше"},
        };
        for (const auto& row : rows) {
            const QString path = program.path(QString::fromLatin1(row.name));
            writeFile(path, row.text);
            const QString message = QStringLiteral("Файл КИХ-фильтра ") + path +
                                    QStringLiteral(", строка ") + QString::fromUtf8(row.message);
            const QStringList before = folderListing(program);
            program.prompts().messages.clear();
            program.prompts().fileRequests.clear();
            ExportDialog dialog(&program.main());
            choose(dialog, path, 3, 0);
            QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                     QStringLiteral("Текст не составлен: ") + message);
            clickExport(dialog);
            QCOMPARE(program.prompts().messages.size(), std::size_t{1});
            QCOMPARE(program.prompts().messages[0].text, message);
            QVERIFY(program.prompts().fileRequests.empty());
            QCOMPARE(folderListing(program), before);
        }
    }

    // The implementation window's target of taps presets the format and type that write it.
    void presetsTheTargetOfTaps() {
        Program program;
        program.start();
        const QString fir = program.path(QStringLiteral("taps.fir"));
        writeFile(fir, "2\r\n0.5\r\n0.25\r\n");
        ExportDialog dialog(&program.main());
        dialog.setSourceFile(fir);
        // Formats: 3 C, 4 CMSIS-DSP, 5 Verilog; types: 0 double, 1 float, 2 q15, 3 q31, 5 f32.
        const struct {
            Target target;
            int format, type;
            ExportFormat written;
            SampleType writtenType;
        } rows[] = {
            {Target::Double, 3, 0, ExportFormat::C, SampleType::Double},
            {Target::Float, 3, 1, ExportFormat::C, SampleType::Float},
            {Target::Q15, 3, 2, ExportFormat::C, SampleType::Q15},
            {Target::Q31, 3, 3, ExportFormat::C, SampleType::Q31},
            {Target::CmsisFirQ15, 4, 2, ExportFormat::Cmsis, SampleType::Q15},
            {Target::CmsisFirQ31, 4, 3, ExportFormat::Cmsis, SampleType::Q31},
            {Target::CmsisFirF32, 4, 5, ExportFormat::Cmsis, SampleType::F32},
        };
        for (const auto& row : rows) {
            ImplementationOptions io;
            io.arithmetic = namedArithmetic(row.target);
            dialog.preset(io);
            QCOMPARE(dialog.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->currentIndex(),
                     row.format);
            QCOMPARE(dialog.findChild<QComboBox*>(QStringLiteral("ComboBox2"))->currentIndex(),
                     row.type);
            const ExportOptions chosen = dialog.chosenOptions();
            QCOMPARE(chosen.format, row.written);
            QCOMPARE(chosen.type, row.writtenType);
            QVERIFY(!chosen.scaling && !chosen.order && !chosen.structure && !chosen.normalise);
            QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("Label1"))
                        ->text()
                        .startsWith(QStringLiteral("Предупреждений нет")));
        }
        ImplementationOptions own;
        own.arithmetic = {Target::Fixed, 10, 13, Rounding::Truncate, Overflow::Wrap};
        dialog.preset(own);
        const ExportOptions chosen = dialog.chosenOptions();
        QCOMPARE(chosen.format, ExportFormat::Verilog);
        QCOMPARE(chosen.words.dataBits, 10);
        QCOMPARE(chosen.words.coefBits, 13);
        QCOMPARE(chosen.words.rounding, Rounding::Truncate);
        QCOMPARE(chosen.words.overflow, Overflow::Wrap);
        QVERIFY(!chosen.scaling);
    }
};

ZORKAN_UI_TEST(ExportDialogTest);

} // namespace zorkan::ui::test

#include "exportdialog_test.moc"
