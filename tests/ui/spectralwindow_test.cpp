// Spectral analysis in the windows: the input choosers, the command sequences of BPF, RPF,
// PPF, OPF and ViewFile, the spectrum window and its pictures, the coefficient dialog.
#include "modelling/randomgenerator.h"
#include "spectral/KF.h"
#include "spectral/Unit6.h"
#include "spectral/spectralcommands.h"
#include "tests/ui/uitest.h"
#include "ui/controls.h"
#include "ui/picturebox.h"
#include "ui/sharedstate.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace zorkan::ui::test {

namespace {

const QString noInput = QString::fromUtf8(noSpectrumInputText);

std::vector<std::uint32_t> pixelsOf(const Canvas& canvas) {
    return {canvas.pixels(), canvas.pixels() + canvas.width() * canvas.height()};
}

// The pictures the core draws for a command on `source`, from the generator position
// `seed`.
SpectrumPictures expectedPictures(std::optional<SpectralCommand> command, std::int32_t source,
                                  const SpectrumInputNames& names, std::uint32_t seed, double K) {
    const std::uint32_t kept = randomSeed();
    setRandomSeed(seed);
    auto state = std::make_unique<SpectralState>();
    state->RecursiveCoefficient = state->ShiftCoefficient = K;
    SpectrumPictures pictures = makeSpectrumPictures();
    const auto window = [&] {
        return std::array<Canvas*, 3>{&pictures[0], &pictures[1], &pictures[2]};
    };
    if (command)
        runSpectralCommand(*command, source, names, std::string(), *state, window);
    else
        viewSpectralInput(source, names, *state, window);
    setRandomSeed(kept);
    return pictures;
}

struct SpectralSession {
    SpectralSession() {
        resetSpectralState();
        program.start();
        program.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&program.main()));
        program.main().command("SpAnal")->trigger();
        std::string signal;
        for (int n = 0; n < 1024; ++n)
            signal += formatReal(std::sin(0.05 * n) + 0.3 * std::cos(0.7 * n)) + "\r\n";
        QFile file(path("s.xicd"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(signal.data(), static_cast<qint64>(signal.size()));
    }
    ~SpectralSession() { resetSpectralState(); }

    QString path(const char* name) const { return program.path(QString::fromLatin1(name)); }
    ScriptedPrompts& prompts() { return program.prompts(); }

    // Presses the page button of the command, as the user does.
    void press(const char* command) {
        for (auto* button : program.main().findChildren<ActionButton*>())
            if (button->action()->objectName() == QLatin1String(command)) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        QFAIL(command);
    }
    // Chooses the input through the command's open dialog.
    void choose(const char* command, const char* file) {
        prompts().queueFile(path(file));
        press(command);
    }
    QList<TForm6*> windows() { return program.main().findChildren<TForm6*>(); }
    QStringList messages() {
        QStringList texts;
        for (const auto& m : prompts().messages)
            texts << m.text;
        return texts;
    }
    SpectrumInputNames names() {
        return {shared().DatFileName.toStdString(), shared().XicdFileName.toStdString(),
                shared().ReimFileName.toStdString()};
    }
    // Accepts the coefficient dialog with `text`, or cancels it after typing it.
    void answerDialog(const QString& text, bool accept) {
        prompts().queueModal([this, text, accept](QDialog* dialog) {
            messagesAtDialog = messages().size();
            auto* edit = dialog->findChild<QLineEdit*>("Edit1");
            presetAtDialog = edit->text();
            edit->selectAll();
            QTest::keyClicks(edit, text);
            return accept ? QDialog::Accepted : QDialog::Rejected;
        });
    }

    Program program;
    qsizetype messagesAtDialog = -1;
    QString presetAtDialog;
};

} // namespace

class SpectralWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void choosersStoreTheNameAndTheSource() {
        SpectralSession session;
        QCOMPARE(shared().flags.SpectrumSource, 0);
        session.choose("Data1", "a.dat");
        session.choose("Data3", "b.reim");
        session.prompts().queueCancel();
        session.press("Data2"); // cancelled: nothing changes
        QCOMPARE(shared().flags.SpectrumSource, 3);
        QCOMPARE(shared().DatFileName, session.path("a.dat"));
        QCOMPARE(shared().ReimFileName, session.path("b.reim"));
        QCOMPARE(shared().XicdFileName, QString());
        session.choose("Data2", "s.xicd");
        QCOMPARE(shared().flags.SpectrumSource, 2);
        QDir(session.program.folder()).mkdir(QStringLiteral("sub"));
        QDir::setCurrent(session.path("sub"));
        session.choose("Data1", "a.dat"); // back to the .dat, by its command
        QCOMPARE(shared().flags.SpectrumSource, 1);

        const auto& requests = session.prompts().fileRequests;
        QCOMPARE(requests.size(), size_t(5));
        QCOMPARE(requests[0].request.title, QStringLiteral("Открыть файл DAT"));
        QCOMPARE(requests[0].request.filter, QStringLiteral("Dat file (*.DAT)|*.DAT"));
        QCOMPARE(requests[1].request.title, QStringLiteral("Открыть файл ReIm"));
        QCOMPARE(requests[1].request.filter, QStringLiteral("Signal file (*.ReIm)|*.reim"));
        QCOMPARE(requests[2].request.title, QStringLiteral("Открыть файл XICD"));
        QCOMPARE(requests[2].request.filter, QStringLiteral("Signal file (*.XICD)|*.XICD"));
        QVERIFY(!requests[0].save);
        // A chooser starts where its last file was, the first time in the current folder.
        QCOMPARE(requests[0].request.initialFolder, session.program.folder());
        QCOMPARE(requests[4].request.initialFolder,
                 QFileInfo(session.path("a.dat")).absolutePath());
        QVERIFY(session.windows().isEmpty());
    }

    // Without an input: the message before any dialog, except PPF's coefficient dialog.
    void noInputChosen_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("dialogs");
        QTest::newRow("BPF") << "BPF" << 0;
        QTest::newRow("RPF") << "RPF" << 0;
        QTest::newRow("PPF") << "PPF" << 1;
        QTest::newRow("OPF") << "OPF" << 0;
        QTest::newRow("ViewFile") << "ViewFile" << 0;
    }
    void noInputChosen() {
        QFETCH(QString, command);
        QFETCH(int, dialogs);
        SpectralSession session;
        if (dialogs)
            session.answerDialog(QStringLiteral("0.5"), true);
        session.press(command.toLatin1().constData());
        QCOMPARE(session.messages(), QStringList{noInput});
        QCOMPARE(session.prompts().messages[0].caption, QStringLiteral("Система ZORKAN"));
        QCOMPARE(int(session.prompts().modalShows.size()), dialogs);
        if (dialogs)
            QCOMPARE(session.messagesAtDialog, 0);
        QVERIFY(session.prompts().fileRequests.empty());
        QVERIFY(session.windows().isEmpty());
    }

    void commandSequence_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("proposed");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("BPF") << "BPF"
                             << "bpf"
                             << "BPF file (*.reim)|*.reim"
                             << " - Быстрое преобразование Фурье";
        QTest::newRow("RPF") << "RPF"
                             << "rpf"
                             << "RPF file (*.reim)|*.reim"
                             << " - Рекуррентный алгоритм";
        QTest::newRow("PPF") << "PPF"
                             << "ppf"
                             << "PPF file (*.reim)|*.reim"
                             << " - С переносом спектра";
        QTest::newRow("OPF") << "OPF"
                             << "opf"
                             << "OPF file (*.reim)|*.reim"
                             << " - Обратное преобразование Фурье";
    }
    // The save dialog, the window with its caption and pictures, the result file, and the
    // result left in the table.
    void commandSequence() {
        QFETCH(QString, command);
        QFETCH(QString, proposed);
        QFETCH(QString, filter);
        QFETCH(QString, suffix);
        SpectralSession session;
        session.choose("Data2", "s.xicd");
        const bool withK = command == "RPF" || command == "PPF";
        if (withK)
            session.answerDialog(QStringLiteral("0.9"), true);
        session.prompts().queueFile(session.path("r.reim"));
        session.press(command.toLatin1().constData());
        QCOMPARE(session.messages(), QStringList());

        const auto& request = session.prompts().fileRequests.back().request;
        QCOMPARE(request.proposedName, proposed);
        QCOMPARE(request.filter, filter);
        QCOMPARE(request.defaultExtension, QStringLiteral("reim"));
        if (withK)
            QCOMPARE(session.presetAtDialog,
                     command == "RPF" ? QStringLiteral("0.98") : QStringLiteral("0.97"));

        const QList<TForm6*> windows = session.windows();
        QCOMPARE(windows.size(), 1);
        QCOMPARE(windows[0]->windowTitle(), QStringLiteral("Спектральный анализ") + suffix);
        QCOMPARE(windows[0]->size(), QSize(610, 355));
        QCOMPARE(qobject_cast<QMdiSubWindow*>(windows[0]->parentWidget())->pos(), QPoint(1, 1));

        const SpectralCommand which = command == "BPF"   ? SpectralCommand::BPF
                                      : command == "RPF" ? SpectralCommand::RPF
                                      : command == "PPF" ? SpectralCommand::PPF
                                                         : SpectralCommand::OPF;
        const SpectrumPictures expected =
            expectedPictures(which, xicdSpectrumInput, session.names(), 0, 0.9);
        for (int i = 0; i < 3; ++i)
            QVERIFY(pixelsOf(windows[0]->picture(i)->canvas()) == pixelsOf(expected[i]));

        // The file holds the table the command left.
        SpectrumPoints written;
        readReimInput(session.path("r.reim").toStdString(), written);
        QCOMPARE(written[5].re, std::stod(formatReal(spectralState().SpectrumTable[5].re)));
        QCOMPARE(QFile(session.path("r.reim")).size(), qint64(1024 * 49));
        QCOMPARE(spectralState().SpectrumTable[7].re, spectralState().SpectrumResult[7].re);
        QCOMPARE(spectralState().SpectrumBackup[7].re,
                 std::sin(0.05 * 7) + 0.3 * std::cos(0.7 * 7));
    }

    void cancelledSaveDialog() {
        SpectralSession session;
        session.choose("Data2", "s.xicd");
        spectralState().SpectrumTable[3].re = 42;
        session.prompts().queueCancel();
        session.press("BPF");
        QVERIFY(session.windows().isEmpty());
        QCOMPARE(spectralState().SpectrumTable[3].re, 42.0);
        QVERIFY(!QFile::exists(session.path("bpf.reim")));
    }

    // RPF stops at a cancelled dialog; PPF goes on with its last accepted coefficient.
    void cancelledCoefficientDialog() {
        SpectralSession session;
        session.choose("Data2", "s.xicd");
        session.answerDialog(QStringLiteral("0.5"), false);
        session.press("RPF");
        QVERIFY(session.prompts().fileRequests.size() == 1); // the chooser's only
        QVERIFY(session.windows().isEmpty());

        session.answerDialog(QStringLiteral("0.5"), true);
        session.prompts().queueFile(session.path("1.reim"));
        session.press("PPF");
        QCOMPARE(spectralState().ShiftCoefficient, 0.5);
        session.answerDialog(QStringLiteral("0.8"), false);
        session.prompts().queueFile(session.path("2.reim"));
        session.press("PPF");
        QCOMPARE(spectralState().ShiftCoefficient, 0.5);
        QCOMPARE(session.windows().size(), 2);
        QCOMPARE(fileBytes(session.path("1.reim")), fileBytes(session.path("2.reim")));
        // Neither was RPF's coefficient touched.
        QCOMPARE(spectralState().RecursiveCoefficient, 0.0);
    }

    // Two runs, two windows; a .dat input draws fresh noise each time.
    void twoRunsTwoWindows() {
        SpectralSession session;
        session.choose("Data2", "s.xicd");
        for (const char* name : {"1.reim", "2.reim"}) {
            session.prompts().queueFile(session.path(name));
            session.press("BPF");
        }
        QList<TForm6*> windows = session.windows();
        QCOMPARE(windows.size(), 2);
        QVERIFY(windows[0] != windows[1]);
        QVERIFY(pixelsOf(windows[0]->picture(2)->canvas()) ==
                pixelsOf(windows[1]->picture(2)->canvas()));
        QCOMPARE(fileBytes(session.path("1.reim")), fileBytes(session.path("2.reim")));

        QFile dat(session.path("h.dat"));
        QVERIFY(dat.open(QIODevice::WriteOnly));
        dat.write("1 10 0\r\n");
        dat.close();
        session.choose("Data1", "h.dat");
        for (const char* name : {"3.reim", "4.reim"}) {
            session.prompts().queueFile(session.path(name));
            session.press("BPF");
        }
        QCOMPARE(session.windows().size(), 4);
        QVERIFY(fileBytes(session.path("3.reim")) != fileBytes(session.path("4.reim")));
    }

    // ViewFile: the pattern of the input kind in the caption, three views, no file.
    void viewFile() {
        SpectralSession session;
        session.choose("Data2", "s.xicd");
        session.press("ViewFile");
        const QList<TForm6*> windows = session.windows();
        QCOMPARE(windows.size(), 1);
        QCOMPARE(windows[0]->windowTitle(),
                 QStringLiteral("Спектральный анализ - Входной сигнал - файл: *.xicd"));
        const SpectrumPictures expected =
            expectedPictures(std::nullopt, xicdSpectrumInput, session.names(), 0, 0);
        for (int i = 0; i < 3; ++i)
            QVERIFY(pixelsOf(windows[0]->picture(i)->canvas()) == pixelsOf(expected[i]));
        QVERIFY(session.prompts().fileRequests.size() == 1);
        QCOMPARE(QDir(session.program.folder()).entryList({"*.reim"}), QStringList());
    }

    void readErrorMakesNoWindowAndNoFile() {
        SpectralSession session;
        QFile bad(session.path("bad.reim"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("1 2\r\n3,5 1\r\n");
        bad.close();
        session.choose("Data3", "bad.reim");
        session.prompts().queueFile(session.path("r.reim"));
        session.press("OPF");
        QCOMPARE(session.messages(), QStringList{QStringLiteral("Invalid numeric input.")});
        QVERIFY(session.windows().isEmpty());
        QVERIFY(!QFile::exists(session.path("r.reim")));

        session.choose("Data1", "missing.dat");
        session.press("ViewFile");
        QCOMPARE(session.messages().value(1), QStringLiteral("File not found."));
        QVERIFY(session.windows().isEmpty());
    }

    // A result file that cannot be written: picture 1 drawn, pictures 2 and 3 empty grids.
    void writeErrorAfterPictureOne() {
        SpectralSession session;
        session.choose("Data2", "s.xicd");
        session.prompts().queueFile(session.path("no/such/folder/r.reim"));
        session.press("BPF");
        QCOMPARE(session.messages().size(), 1);
        QVERIFY(session.messages()[0].startsWith(QStringLiteral("I/O error")));
        const QList<TForm6*> windows = session.windows();
        QCOMPARE(windows.size(), 1);
        const SpectrumPictures expected =
            expectedPictures(SpectralCommand::BPF, xicdSpectrumInput, session.names(), 0, 0);
        QVERIFY(pixelsOf(windows[0]->picture(0)->canvas()) == pixelsOf(expected[0]));
        Canvas grid(610, 111);
        clearSpectrumPicture(grid);
        QVERIFY(pixelsOf(windows[0]->picture(1)->canvas()) == pixelsOf(grid));
        QVERIFY(pixelsOf(windows[0]->picture(2)->canvas()) == pixelsOf(grid));
    }

    // A double click saves that picture as a bitmap, whatever the name's extension.
    void doubleClickSavesABitmap() {
        SpectralSession session;
        session.choose("Data2", "s.xicd");
        session.press("ViewFile");
        TForm6* form = session.windows().value(0);
        QVERIFY(form);
        session.prompts().queueFile(session.path("two.png"));
        QTest::mouseDClick(form->picture(1), Qt::LeftButton);
        const auto& request = session.prompts().fileRequests.back();
        QVERIFY(request.picture);
        QCOMPARE(request.request.filter, QStringLiteral("Bitmaps|*.bmp"));
        QCOMPARE(request.request.defaultExtension, QStringLiteral("bmp"));
        const std::vector<std::uint8_t> bmp = form->picture(1)->canvas().bmpBytes();
        QCOMPARE(fileBytes(session.path("two.png")),
                 QByteArray(reinterpret_cast<const char*>(bmp.data()), qsizetype(bmp.size())));
        session.prompts().queueCancel();
        QTest::mouseDClick(form->picture(0), Qt::LeftButton);
        QCOMPARE(QDir(session.program.folder()).entryList({"*.bmp", "*.png"}).size(), 1);
    }

    void coefficientDialogMadeAtStartUp() {
        SpectralSession session;
        TForm8* dialog = coefficientDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->parent(), &session.program.main());
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Ввод коэффициента"));
        QCOMPARE(dialog->size(), QSize(297, 111));
        QCOMPARE(dialog->findChild<QLineEdit*>("Edit1")->text(), QString());
        QVERIFY(!dialog->findChild<QPushButton*>("BitBtn1")->isEnabled());
        QCOMPARE(dialog->findChild<QPushButton*>("BitBtn2")->text(), QStringLiteral("Cancel"));
    }

    void coefficientDialogEnablesOk_data() {
        QTest::addColumn<bool>("russian");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("0.5") << false << "0.5" << 0.5 << true;
        QTest::newRow("1") << false << "1" << 1.0 << false;
        QTest::newRow("0") << false << "0" << 0.0 << false;
        QTest::newRow("-0.5") << false << "-0.5" << -0.5 << false;
        QTest::newRow("word") << false << "много" << 0.0 << false;
        QTest::newRow("russian preset") << true << "0.97" << 0.97 << true;
        QTest::newRow("russian comma") << true << "0,5" << 0.5 << true;
        QTest::newRow("russian 1,5") << true << "1,5" << 1.5 << false;
    }
    void coefficientDialogEnablesOk() {
        QFETCH(bool, russian);
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(bool, enabled);
        const QLocale previous;
        if (russian)
            QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        SpectralSession session;
        TForm8* dialog = coefficientDialog();
        dialog->setText(QStringLiteral("0.3"));
        dialog->setText(text);
        QCOMPARE(dialog->value(), value);
        QCOMPARE(dialog->findChild<QPushButton*>("BitBtn1")->isEnabled(), enabled);
        QLocale::setDefault(previous);
    }
};

ZORKAN_UI_TEST(SpectralWindowTest);

} // namespace zorkan::ui::test

#include "spectralwindow_test.moc"
