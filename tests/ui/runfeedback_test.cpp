// What a run tells its user: a file run's progress, its cancelling and the question
// before a window closes under it; a parameter file without sections in the response
// window; the results window after a failed design; the file-type lists of the dialogs.
#include "app/ras5.h"
#include "design/ras2.h"
#include "modelling/F1.h"
#include "response/rasX.h"
#include "tests/ui/uitest.h"
#include "ui/sharedstate.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QThread>

namespace zorkan::ui::test {

namespace {

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QStringList messageTexts(ScriptedPrompts& prompts) {
    QStringList texts;
    for (const auto& m : prompts.messages)
        texts << m.text;
    prompts.messages.clear();
    return texts;
}

// A modelling window with a filter loaded and a file run held after its first block of
// 1024 samples, until the run is cancelled.
struct HeldFileRun {
    HeldFileRun() {
        program.start();
        program.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&program.main()));
        program.main().command("Modelling")->trigger();
        form = modellingWindow();
        writeCp1251(program.path("f.flt"), QStringLiteral("2\n0\n1 0 0\n1 -0.5 0\n"));
        program.prompts().queueFile(program.path("f.flt"));
        click("BitBtn4");
        click("BitBtn2"); // an impulse run fills Max IN and Max OUT
        setFileRunProgressHook([this](std::uint64_t, const std::atomic<bool>& cancel) {
            if (held++ > 0)
                return;
            reached.release();
            while (!cancel)
                QThread::msleep(2);
        });
    }
    // Starts a run over 3000 lines of 3 bytes ("1" CR LF) and waits until it is held.
    void start() {
        QByteArray input;
        for (int i = 0; i < 3000; ++i)
            input += "1\r\n";
        writeBytes(program.path("in.xicd"), input);
        program.prompts().queueFile(program.path("in.xicd"));
        program.prompts().queueFile(program.path("out.yicd"));
        click("BitBtn5");
        QVERIFY(reached.tryAcquire(1, 20000));
    }
    void click(const char* name) {
        QTest::mouseClick(form->findChild<QPushButton*>(name), Qt::LeftButton);
    }
    QString label(int n) const {
        return form->findChild<QLabel*>(QStringLiteral("Label%1").arg(n))->text();
    }

    // Declared before the program: the run, held in the hook, stops when the program's
    // windows go, and only then is the hook taken away.
    struct HookRemover {
        ~HookRemover() { setFileRunProgressHook({}); }
    } hookRemover;
    QSemaphore reached;
    std::atomic<int> held = 0;
    Program program;
    QPointer<TFormSin> form;
};

const QString stopQuestion = QStringLiteral("Прервать обработку файла?");

} // namespace

class RunFeedbackTest : public QObject {
    Q_OBJECT

  private slots:
    // Held after 1024 of 3000 lines, 3072 of 9000 bytes read: the bar shows 341 of 1000
    // (an estimate of 25 bytes a line would show 999); "Отмена" then says what was written.
    void progressFollowsBytesAndCancelSays() {
        HeldFileRun run;
        run.start();
        auto* bar = run.form->findChild<QProgressBar*>("ProgressBar1");
        QTRY_COMPARE(bar->format(), QStringLiteral("Обработано отсчётов: 1024"));
        QCOMPARE(bar->value(), 341);
        QCOMPARE(run.label(10), QStringLiteral("1.00000"));
        run.click("BitBtn7");
        QTRY_VERIFY_WITH_TIMEOUT(!run.form->fileRunActive(), 20000);
        QCOMPARE(run.program.prompts().messages.size(), std::size_t{1});
        QCOMPARE(int(run.program.prompts().messages[0].icon), int(MessageIcon::Information));
        QCOMPARE(messageTexts(run.program.prompts()),
                 QStringList{QStringLiteral("Обработка прервана: в файл %1 записано отсчётов: 1024")
                                 .arg(run.program.path("out.yicd"))});
        QCOMPARE(fileBytes(run.program.path("out.yicd")).size(), 1024 * 25);
        QCOMPARE(run.label(10), QStringLiteral(" "));
        QCOMPARE(run.label(12), QStringLiteral(" "));
    }

    // Closing the modelling window or the main window during a run asks first.
    void closingDuringARunAsks_data() {
        QTest::addColumn<bool>("mainWindow");
        QTest::addColumn<bool>("yes");
        QTest::newRow("modelling window, Нет") << false << false;
        QTest::newRow("modelling window, Да") << false << true;
        QTest::newRow("main window, Нет") << true << false;
        QTest::newRow("main window, Да") << true << true;
    }
    void closingDuringARunAsks() {
        QFETCH(bool, mainWindow);
        QFETCH(bool, yes);
        HeldFileRun run;
        run.start();
        run.program.prompts().queueAnswer(yes);
        QWidget* closing =
            mainWindow ? static_cast<QWidget*>(&run.program.main()) : run.form->parentWidget();
        closing->close();
        QCOMPARE(run.program.prompts().questions, std::vector<QString>{stopQuestion});
        if (!yes) {
            QVERIFY(closing->isVisible());
            QVERIFY(run.form->fileRunActive());
            QCOMPARE(shared().flags.ModellingWindowOpen, 1);
            QVERIFY(messageTexts(run.program.prompts()).isEmpty());
            run.click("BitBtn7");
            QTRY_VERIFY_WITH_TIMEOUT(!run.form->fileRunActive(), 20000);
        } else if (mainWindow) {
            QVERIFY(!run.program.main().isVisible());
        } else {
            QCOMPARE(shared().flags.ModellingWindowOpen, 0);
            QCOMPARE(
                messageTexts(run.program.prompts()),
                QStringList{QStringLiteral("Обработка прервана: в файл %1 записано отсчётов: 1024")
                                .arg(run.program.path("out.yicd"))});
        }
    }

    // The empty parameter file a design stopped by its order leaves is not a filter.
    void responseRefusesAFileWithoutSections() {
        Program program;
        program.start();
        program.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&program.main()));
        writeBytes(program.path("empty.flt"), QByteArray());
        shared().ResponseFilterFile = program.path("empty.flt");
        program.main().command("ACHH")->trigger();
        TForm4* form = responseWindow();
        QTest::mouseClick(form->findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
        QCOMPARE(messageTexts(program.prompts()),
                 QStringList{QStringLiteral("В файле параметров фильтра нет ни одной секции")});
        QVERIFY(!form->findChild<QLabel*>("StaticText2")->isVisible());
    }

    // A run that failed or was not accepted leaves nothing in the next run's results.
    void resultsShowTheCurrentRunOnly_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("good");
        QTest::addColumn<int>("shown");
        QTest::newRow("division by zero") << "Edit5"
                                          << "0"
                                          << "1.5" << 0;
        QTest::newRow("order too large, results dismissed") << "Edit4"
                                                            << "0.20001"
                                                            << "0.25" << 1;
    }
    void resultsShowTheCurrentRunOnly() {
        QFETCH(QString, field);
        QFETCH(QString, failing);
        QFETCH(QString, good);
        QFETCH(int, shown);
        Program program;
        program.start();
        program.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&program.main()));
        program.main().command("CalcFil")->trigger();
        auto* form = program.main().findChild<TForm2*>();
        QStringList texts;
        const auto design = [&](const QString& value) {
            form->findChild<QLineEdit*>(field)->setText(value);
            program.prompts().queueFile(program.path("1.out"));
            program.prompts().queueFile(program.path("1.flt"));
            program.prompts().queueModal([&](QDialog* d) {
                texts << qobject_cast<TForm5*>(d)->text();
                return int(QDialog::Rejected); // not "Готово"
            });
            QTest::mouseClick(form->findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
        };
        design(failing);
        QCOMPARE(texts.size(), shown);
        program.prompts().messages.clear();
        texts.clear();
        design(good);
        QCOMPARE(texts.size(), 1);
        QVERIFY(messageTexts(program.prompts()).isEmpty());
        const QStringList lines = texts[0].split(QLatin1Char('\n'));
        QVERIFY2(lines[0].startsWith(QStringLiteral("Аппроксимация")), qPrintable(texts[0]));
        QCOMPARE(lines.filter(QStringLiteral("Аппроксимация")).size(), 1);
    }

    // Qt's dialog shows each file type as the program names it, brackets and all.
    void fileTypesReadAsNamed_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("patterns in brackets")
            << "Signal file (*.ReIm)|*.reim" << QStringList{"Signal file (*.ReIm)"};
        QTest::newRow("patterns in square brackets")
            << "WAV Files [*.wav]|*.wav" << QStringList{"WAV Files [*.wav]"};
        QTest::newRow("signs in the description") << "Files [*.wav + *.yicd= *.wav]|*.wav"
                                                  << QStringList{"Files [*.wav + *.yicd= *.wav]"};
        QTest::newRow("no patterns") << "Исходный файл|*.xicd" << QStringList{"Исходный файл"};
        QTest::newRow("four types")
            << "Rich Text Files (*.RTF)|*.RTF|Text Files (*.TXT)|*.TXT|Имя файла результатов "
               "отчета (*.OUT)|*.OUT|Имя файла параметров фильтра (*.FLT)|*.FLT"
            << QStringList{"Rich Text Files (*.RTF)", "Text Files (*.TXT)",
                           "Имя файла результатов отчета (*.OUT)",
                           "Имя файла параметров фильтра (*.FLT)"};
    }
    void fileTypesReadAsNamed() {
        QFETCH(QString, filter);
        QFETCH(QStringList, shown);
        for (const bool save : {false, true}) {
            QFileDialog dialog;
            setUpFileDialog(dialog, {QString(), QDir::tempPath(), QString(), filter, QString()},
                            save);
            auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
            QVERIFY(types);
            QStringList items;
            for (int i = 0; i < types->count(); ++i)
                items << types->itemText(i);
            QCOMPARE(items, shown);
        }
    }
};

ZORKAN_UI_TEST(RunFeedbackTest);

} // namespace zorkan::ui::test

#include "runfeedback_test.moc"
