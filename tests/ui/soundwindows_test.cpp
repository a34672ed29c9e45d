// The sound windows: converter, writer, their question window and the audio player
// (on a fake device, and once on the real Qt Multimedia back end).
#include "app/ras1.h"
#include "common/errors.h"
#include "sound/Unit10.h"
#include "sound/Unit11.h"
#include "sound/Unit12.h"
#include "sound/Unit9.h"
#include "sound/mediadevice_qt.h"
#include "sound/soundtools.h"
#include "tests/ui/fakemediadevice.h"
#include "tests/ui/uitest.h"

#include <QAudioDevice>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMediaDevices>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

namespace zorkan::ui::test {

namespace {

QByteArray wavBytes(int samples, int rate) {
    QByteArray h("RIFF");
    const auto le = [&h](quint32 v, int n) {
        for (int i = 0; i < n; ++i)
            h.append(char((v >> (8 * i)) & 0xFF));
    };
    le(36 + samples, 4);
    h.append("WAVEfmt ");
    le(16, 4);
    le(1, 2);
    le(1, 2);
    le(rate, 4);
    le(rate, 4);
    le(1, 2);
    le(8, 2);
    h.append("data");
    le(samples, 4);
    for (int i = 0; i < samples; ++i)
        h.append(char(128 + (i % 40) - 20));
    return h;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

void click(QWidget* window, const char* button) {
    auto* b = window->findChild<QPushButton*>(QString::fromLatin1(button));
    QVERIFY(b);
    QTest::mouseClick(b, Qt::LeftButton);
}

QString text(QWidget* window, const char* field) {
    if (auto* e = window->findChild<QLineEdit*>(QString::fromLatin1(field)))
        return e->text();
    if (auto* l = window->findChild<QLabel*>(QString::fromLatin1(field)))
        return l->text();
    return QStringLiteral("(missing)");
}

// What a question window showed: name, two lines, mark and its colour.
QStringList questionShown(QDialog* dialog) {
    auto* mark = dialog->findChild<QLabel*>(QStringLiteral("Label1"));
    return {text(dialog, "Label2"), text(dialog, "Label3"), text(dialog, "Label4"), mark->text(),
            mark->palette().color(QPalette::WindowText).name()};
}

// Queues the answer to the next question window and keeps what it showed.
void answerNext(ScriptedPrompts& prompts, const char* button, QList<QStringList>& shown) {
    prompts.queueModal([button, &shown](QDialog* dialog) {
        shown << questionShown(dialog);
        if (button)
            click(dialog, button);
        return dialog->result();
    });
}

const QStringList notFound = {"Этот файл не найден", "Проверьте правильность имени файла", "!",
                              "#ff0000"};

QStringList asked(const QString& name, QStringList lines) {
    lines.prepend(name);
    return lines;
}

} // namespace

class SoundWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        resetSoundTools();
        log_ = FakeMediaLog{};
        setMediaDeviceFactory([this] { return std::make_unique<FakeMediaDevice>(log_); });
    }
    void cleanup() {
        resetSoundTools();
        setMediaDeviceFactory({});
    }

    // Start-up makes the spectral coefficient dialog and the four sound windows hidden, in
    // this order, after the help window.
    void startUpWindows() {
        Program program;
        program.start();
        QStringList order;
        for (QObject* child : program.main().children())
            if (child->objectName().startsWith(QStringLiteral("Form")) ||
                child->objectName() == QStringLiteral("HelpForm"))
                order << child->objectName();
        QCOMPARE(order.mid(order.indexOf(QStringLiteral("HelpForm"))),
                 (QStringList{"HelpForm", "Form8", "Form9", "Form10", "Form11", "Form12"}));
        for (const char* name : {"Form9", "Form10", "Form11", "Form12"})
            QVERIFY(!program.main().findChild<QDialog*>(QString::fromLatin1(name))->isVisible());
    }

    // Each command shows a fresh window of its kind modally; closing it hides it.
    void commandsMakeFreshWindows() {
        Program program;
        program.start();
        const char* const commands[] = {"WAVConv", "WAVWriter", "AudioPlayer", "WAVConv"};
        const char* const classes[] = {"zorkan::ui::TForm10", "zorkan::ui::TForm11",
                                       "zorkan::ui::TForm9", "zorkan::ui::TForm10"};
        for (const char* name : commands) {
            QVERIFY(program.main().command(name)->isEnabled());
            program.main().command(name)->trigger();
        }
        auto& shows = program.prompts().modalShows;
        QCOMPARE(shows.size(), std::size_t(4));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(shows[i]->metaObject()->className(), classes[i]);
        QVERIFY(shows[0] != shows[3]);
    }

    // The converter from its three buttons to "Convert": a new signal file is created
    // after "Да"; an existing header is kept after "Нет" and, after "Да", still kept
    // until "Convert" writes it.
    void converterRun() {
        Program program;
        program.start();
        ScriptedPrompts& prompts = program.prompts();
        const QByteArray wav = wavBytes(3, 8000).left(44) + QByteArray("\x80\xFF\x00", 3);
        writeFile(program.path("in.wav"), wav);
        writeFile(program.path("h.wav"), "keep");
        QList<QStringList> shown;

        TForm10 window(&program.main());
        window.show();
        prompts.queueFile(program.path("in.wav"));
        click(&window, "Button1");
        QCOMPARE(text(&window, "Edit1"), QStringLiteral("in.wav"));
        QCOMPARE(prompts.fileRequests.back().request.filter,
                 QStringLiteral("WAV Files [*.wav]|*.wav"));
        QCOMPARE(prompts.fileRequests.back().request.proposedName, QStringLiteral("1.wav"));
        QCOMPARE(prompts.fileRequests.back().request.initialFolder, program.folder());

        prompts.queueFile(program.path("x1.xicd"));
        answerNext(prompts, "BitBtn1", shown);
        click(&window, "Button2");
        QVERIFY(QFile::exists(program.path("x1.xicd")));
        QCOMPARE(text(&window, "Edit2"), QStringLiteral("x1.xicd"));
        QCOMPARE(prompts.fileRequests.back().request.filter, QStringLiteral("Files *.xicd|*.xicd"));
        QCOMPARE(prompts.fileRequests.back().request.proposedName, QStringLiteral("x1.xicd"));

        prompts.queueFile(program.path("h.wav"));
        answerNext(prompts, "BitBtn2", shown);
        click(&window, "Button3");
        QCOMPARE(fileBytes(program.path("h.wav")), QByteArray("keep"));
        QCOMPARE(text(&window, "Edit3"), QString());
        QCOMPARE(soundTools().answer.no, true);
        QCOMPARE(prompts.fileRequests.back().request.filter,
                 QStringLiteral("fILES Header [*.WAV]|*.WAV"));
        QCOMPARE(prompts.fileRequests.back().request.proposedName, QStringLiteral("Y1.wav"));

        prompts.queueFile(program.path("h.wav"));
        answerNext(prompts, "BitBtn1", shown);
        click(&window, "Button3");
        QCOMPARE(soundTools().answer.no, false); // cleared before asking
        QCOMPARE(fileBytes(program.path("h.wav")), QByteArray("keep"));
        QCOMPARE(text(&window, "Edit3"), QStringLiteral("h.wav"));

        const QStringList create = {"Такой файл не существует", "Создать его?", "?", "#008000"};
        const QStringList replace = {"Такой файл уже существует", "Заменить его?", "?", "#008000"};
        QCOMPARE(shown, (QList<QStringList>{asked("x1.xicd", create), asked("h.wav", replace),
                                            asked("h.wav", replace)}));

        click(&window, "Button4");
        QVERIFY(!window.isVisible());
        QCOMPARE(fileBytes(program.path("h.wav")), wav.left(44));
        QCOMPARE(fileBytes(program.path("x1.xicd")),
                 QByteArray(" 0.00000000000000E+0000\r\n 1.27000000000000E+0002\r\n"
                            "-1.28000000000000E+0002\r\n"));
        QVERIFY(prompts.messages.empty());
        QVERIFY(prompts.drained());

        // The files were closed: another "Convert" needs them chosen again.
        TForm10 next(&program.main());
        next.show();
        click(&next, "Button4");
        QCOMPARE(prompts.messages.size(), std::size_t(1));
        QCOMPARE(prompts.messages[0].text, QStringLiteral("I/O error 103."));
        QVERIFY(next.isVisible());
    }

    // A missing sound file: the standard question; "Нет" on a missing output opens nothing.
    void converterMissingFiles() {
        Program program;
        program.start();
        ScriptedPrompts& prompts = program.prompts();
        QList<QStringList> shown;
        TForm10 window(&program.main());
        window.show();
        prompts.queueFile(program.path("none.wav"));
        answerNext(prompts, "BitBtn1", shown);
        click(&window, "Button1");
        QCOMPARE(text(&window, "Edit1"), QString());
        prompts.queueFile(program.path("none.xicd"));
        answerNext(prompts, "BitBtn2", shown);
        click(&window, "Button2");
        QVERIFY(!QFile::exists(program.path("none.xicd")));
        QCOMPARE(text(&window, "Edit2"), QString());
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0], asked("none.wav", notFound));
        QCOMPARE(soundTools().answer.yes, false);
        QCOMPARE(soundTools().answer.no, true);
        QVERIFY(prompts.drained());
    }

    // A choice undone by "Нет" (or a sound file that will not open) empties its field.
    void converterFieldsFollowTheChoice() {
        Program program;
        program.start();
        ScriptedPrompts& prompts = program.prompts();
        writeFile(program.path("in.wav"), wavBytes(5, 8000));
        QList<QStringList> shown;
        TForm10 window(&program.main());
        window.show();
        struct Row {
            const char* button;
            const char* field;
            const char* file;
            const char* answer;
            QString shows;
        };
        const Row rows[] = {
            {"Button1", "Edit1", "in.wav", nullptr, "in.wav"},
            {"Button1", "Edit1", "none.wav", "BitBtn1", ""},
            {"Button2", "Edit2", "x.xicd", "BitBtn1", "x.xicd"}, // created
            {"Button2", "Edit2", "x.xicd", "BitBtn2", ""},       // not replaced
            {"Button3", "Edit3", "h.wav", "BitBtn1", "h.wav"},   // created
            {"Button3", "Edit3", "h2.wav", "BitBtn2", ""},       // not created
        };
        for (const Row& r : rows) {
            prompts.queueFile(program.path(r.file));
            if (r.answer)
                answerNext(prompts, r.answer, shown);
            click(&window, r.button);
            QCOMPARE(text(&window, r.field), r.shows);
        }
        QVERIFY(prompts.drained());
    }

    // The chosen names and the open sound file pass into the next converter window; a
    // cancelled dialog keeps the name chosen before.
    void converterNamesPersist() {
        Program program;
        program.start();
        ScriptedPrompts& prompts = program.prompts();
        writeFile(program.path("in.wav"), wavBytes(5, 8000));
        QList<QStringList> shown;
        {
            TForm10 first(&program.main());
            first.show();
            prompts.queueFile(program.path("in.wav"));
            click(&first, "Button1");
            click(&first, "Button5");
            QVERIFY(!first.isVisible());
        }
        TForm10 second(&program.main());
        second.show();
        prompts.queueFile(program.path("x.xicd"));
        answerNext(prompts, "BitBtn1", shown);
        click(&second, "Button2");
        prompts.queueCancel(); // the header keeps the name... of nothing: an empty name
        answerNext(prompts, "BitBtn2", shown);
        click(&second, "Button3");
        QCOMPARE(shown.last()[0], QString());
        prompts.queueFile(program.path("y.wav"));
        answerNext(prompts, "BitBtn1", shown);
        click(&second, "Button3");
        click(&second, "Button4");
        QVERIFY(prompts.messages.empty());
        QCOMPARE(fileBytes(program.path("y.wav")), wavBytes(5, 8000).left(44));
        QCOMPARE(fileBytes(program.path("x.xicd")).size(), 5 * 25);
        QCOMPARE(soundTools().converter.soundName, program.path("in.wav").toStdString());
    }

    // The writer appends the signal to the WAV file; missing files get their questions;
    // the names persist into the next writer window.
    void writerRun() {
        Program program;
        program.start();
        ScriptedPrompts& prompts = program.prompts();
        const QByteArray header = wavBytes(3, 8000).left(44);
        writeFile(program.path("Y1.wav"), header);
        writeFile(program.path("Y1.yicd"), "0\r\n127\r\n-128\r\n");
        QList<QStringList> shown;
        {
            TForm11 first(&program.main());
            first.show();
            prompts.queueFile(program.path("none.yicd"));
            answerNext(prompts, nullptr, shown); // closed by its close box: no answer
            click(&first, "Button1");
            prompts.queueFile(program.path("none.wav"));
            answerNext(prompts, "BitBtn2", shown);
            click(&first, "Button2");
            QCOMPARE(shown,
                     (QList<QStringList>{asked("none.yicd", notFound),
                                         asked("none.wav", {"Такой файл не существует",
                                                            "Проверьте правильность имени файла?",
                                                            "!", "#ff0000"})}));
            QVERIFY(!QFile::exists(program.path("none.wav")));
            prompts.queueFile(program.path("Y1.yicd"));
            click(&first, "Button1");
            QCOMPARE(text(&first, "Edit1"), QStringLiteral("Y1.yicd"));
            QCOMPARE(prompts.fileRequests.back().request.filter,
                     QStringLiteral("Input (Y Sequence) Files [*.yicd]|*.yicd"));
            click(&first, "Button4");
        }
        TForm11 second(&program.main());
        second.show();
        prompts.queueFile(program.path("Y1.wav"));
        click(&second, "Button2");
        QCOMPARE(text(&second, "Edit2"), QStringLiteral("Y1.wav"));
        QCOMPARE(prompts.fileRequests.back().request.filter,
                 QStringLiteral("Files [*.wav + *.yicd= *.wav]|*.wav"));
        QCOMPARE(prompts.fileRequests.back().request.proposedName, QStringLiteral("Y1.wav"));
        click(&second, "Button3");
        QVERIFY(!second.isVisible());
        QVERIFY(prompts.messages.empty());
        QCOMPARE(fileBytes(program.path("Y1.wav")), header + QByteArray("\x80\xFF\x00", 3));

        // Both files were closed by the writing.
        TForm11 third(&program.main());
        third.show();
        click(&third, "Button3");
        QCOMPARE(prompts.messages.size(), std::size_t(1));
        QCOMPARE(prompts.messages[0].text, QStringLiteral("I/O error 103."));
    }

    // A bad value: the error through the general handler, the values before it written,
    // the window left open.
    void writerBadValue() {
        Program program;
        program.start();
        ScriptedPrompts& prompts = program.prompts();
        writeFile(program.path("w.wav"), "RIFF");
        writeFile(program.path("s.yicd"), "1\r\n0,5\r\n");
        TForm11 window(&program.main());
        window.show();
        prompts.queueFile(program.path("s.yicd"));
        click(&window, "Button1");
        prompts.queueFile(program.path("w.wav"));
        click(&window, "Button2");
        click(&window, "Button3");
        QCOMPARE(prompts.messages.size(), std::size_t(1));
        QCOMPARE(prompts.messages[0].text, QStringLiteral("Invalid numeric input."));
        QVERIFY(window.isVisible());
        QCOMPARE(fileBytes(program.path("w.wav")), QByteArray("RIFF\x81"));
    }

    // The question window: its buttons set the flags and close it; neither clears a flag.
    void questionButtons_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("no");
        QTest::newRow("Да") << "BitBtn1" << true << true;
        QTest::newRow("Нет") << "BitBtn2" << false << true;
    }
    void questionButtons() {
        QFETCH(QString, button);
        QFETCH(bool, yes);
        QFETCH(bool, no);
        soundTools().answer.no = true; // left from an earlier question
        TForm12 question(nullptr);
        QCOMPARE(questionShown(&question), asked(QString(), notFound));
        question.show();
        click(&question, button.toLatin1().constData());
        QVERIFY(!question.isVisible());
        QCOMPARE(soundTools().answer.yes, yes);
        QCOMPARE(soundTools().answer.no, no);
    }

    // Play and Stop before any file; About; cancelling the first open does nothing.
    void playerWithoutFile() {
        ScriptedPromptsScope scope;
        TForm9 player(nullptr);
        player.show();
        QCOMPARE(player.windowTitle(), QStringLiteral("Аудио плеер "));
        action(player, "Play1")->trigger();
        action(player, "Stop1")->trigger();
        action(player, "About1")->trigger();
        scope.scripted.queueCancel();
        action(player, "Open1")->trigger();
        const QString noFile = QStringLiteral(
            "Ошибка!\nНе выбран файл для проигрывания\nвыбирите пожалуйста звуковой файл");
        auto& m = scope.scripted.messages;
        QCOMPARE(m.size(), std::size_t(3));
        QCOMPARE(m[0].caption, QStringLiteral("тип файла - *.wav"));
        QCOMPARE(m[0].text, noFile);
        QCOMPARE(m[1].text, noFile);
        QCOMPARE(m[2].caption, QStringLiteral("Встроенный \"Аудио Плеер\""));
        QCOMPARE(m[2].text, QStringLiteral("Это простой аудио плеер для системы Zorkan\n"
                                           "позволяет проигрывать звуковые файлы\n"
                                           "до и после обработки не выходя из системы"));
        QCOMPARE(scope.scripted.fileRequests.back().request.filter,
                 QStringLiteral("Звуковые файлы (*.wav)|*.wav|Звуковые файлы (*.mp3)|*.mp3"));
        QCOMPARE(text(&player, "StatusPanel0"), QStringLiteral("Имя файла"));
        QCOMPARE(log_.calls, QStringList());
    }

    // Opening plays at once with the box checked, not without; the status line names the
    // file, the bar takes its length; a later cancel reads the length again.
    void playerOpen_data() {
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("checked") << true << QStringList{"open /m/a.wav", "play", "length"};
        QTest::newRow("cleared") << false << QStringList{"open /m/a.wav", "length"};
    }
    void playerOpen() {
        QFETCH(bool, checked);
        QFETCH(QStringList, calls);
        ScriptedPromptsScope scope;
        TForm9 player(nullptr);
        auto* box = player.findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
        QVERIFY(box->isChecked());
        box->setChecked(checked);
        scope.scripted.queueFile(QStringLiteral("/m/a.wav"));
        action(player, "Open1")->trigger();
        QCOMPARE(log_.calls, calls);
        QCOMPARE(text(&player, "StatusPanel0"), QStringLiteral("a.wav"));
        auto* bar = player.findChild<QSlider*>(QStringLiteral("TrackBar1"));
        QCOMPARE(bar->maximum(), 2500);
        QCOMPARE(soundTools().playerFileName, std::string("/m/a.wav"));

        log_.calls.clear();
        log_.length = 3000;
        scope.scripted.queueCancel();
        action(player, "Open1")->trigger();
        QCOMPARE(scope.scripted.fileRequests.back().request.proposedName,
                 QStringLiteral("/m/a.wav"));
        QCOMPARE(log_.calls, QStringList{"length"});
        QCOMPARE(bar->maximum(), 3000);
        QVERIFY(scope.scripted.messages.empty());
    }

    // The timer moves the bar to the playing position; dragging is undone by the next tick.
    void playerPositionBar() {
        ScriptedPromptsScope scope;
        TForm9 player(nullptr);
        auto* bar = player.findChild<QSlider*>(QStringLiteral("TrackBar1"));
        QCOMPARE(bar->maximum(), 0);
        player.Timer1Timer();
        QCOMPARE(log_.calls, QStringList()); // no length yet: the device is not asked
        QCOMPARE(player.findChild<QTimer*>(QStringLiteral("Timer1"))->interval(), 1000);

        scope.scripted.queueFile(QStringLiteral("/m/a.wav"));
        action(player, "Open1")->trigger();
        log_.position = 1200;
        player.Timer1Timer();
        QCOMPARE(bar->value(), 1200);
        bar->setValue(100);
        player.Timer1Timer();
        QCOMPARE(bar->value(), 1200);
        action(player, "Stop1")->trigger();
        action(player, "Play1")->trigger();
        QCOMPARE(log_.calls.mid(log_.calls.size() - 2), (QStringList{"stop", "play"}));
    }

    // The window's own timer, running from creation, moves the bar once a file is open.
    void playerTimerMovesTheBar() {
        ScriptedPromptsScope scope;
        TForm9 player(nullptr);
        auto* timer = player.findChild<QTimer*>(QStringLiteral("Timer1"));
        QVERIFY(timer->isActive());
        timer->setInterval(20);
        scope.scripted.queueFile(QStringLiteral("/m/a.wav"));
        action(player, "Open1")->trigger();
        log_.position = 700;
        QTRY_COMPARE(player.findChild<QSlider*>(QStringLiteral("TrackBar1"))->value(), 700);
    }

    // "Выход": No keeps everything; Yes closes the device and hides the window.
    void playerExit() {
        ScriptedPromptsScope scope;
        TForm9 player(nullptr);
        player.show();
        scope.scripted.queueFile(QStringLiteral("/m/a.wav"));
        action(player, "Open1")->trigger();
        scope.scripted.queueAnswer(false);
        action(player, "Exit1")->trigger();
        QVERIFY(player.isVisible());
        QVERIFY(player.device().isOpen());
        scope.scripted.queueAnswer(true);
        action(player, "Exit1")->trigger();
        QVERIFY(!player.isVisible());
        QVERIFY(!player.device().isOpen());
        QCOMPARE(scope.scripted.questions,
                 (std::vector<QString>(2, "Действительно хотите выйти?")));
        player.Timer1Timer(); // no error from a closed device
        QVERIFY(scope.scripted.messages.empty());
    }

    // Without an audio output: one message, and the file is shown as open all the same.
    void playerWithoutAudioOutput() {
        ScriptedPromptsScope scope;
        TForm9 player(nullptr);
        log_.noOutput = true;
        scope.scripted.queueFile(QStringLiteral("/m/a.wav"));
        action(player, "Open1")->trigger();
        QCOMPARE(scope.scripted.messages.size(), std::size_t(1));
        QCOMPARE(scope.scripted.messages[0].text, QStringLiteral("Нет устройства вывода звука"));
        QCOMPARE(text(&player, "StatusPanel0"), QStringLiteral("a.wav"));
        QCOMPARE(player.findChild<QSlider*>(QStringLiteral("TrackBar1"))->maximum(), 2500);
    }

    // A file the device cannot open: its error through the general handler, nothing else.
    void playerBrokenFile() {
        ScriptedPromptsScope scope;
        TForm9 player(nullptr);
        scope.scripted.queueFile(QStringLiteral("/m/broken.wav"));
        action(player, "Open1")->trigger();
        QCOMPARE(scope.scripted.messages.size(), std::size_t(1));
        QCOMPARE(scope.scripted.messages[0].icon, MessageIcon::Error);
        QCOMPARE(text(&player, "StatusPanel0"), QStringLiteral("Имя файла"));
    }

    // The real back end reads a generated file's length; playing either plays or, with
    // no audio output, refuses with one message.
    void qtMultimediaDevice() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tone.wav"));
        writeFile(path, wavBytes(12000, 8000)); // 1.5 s
        QtMediaDevice device;
        QVERIFY_THROWS_EXCEPTION(Error, device.length());
        device.open(path.toStdString());
        QVERIFY(device.isOpen());
        QVERIFY2(std::abs(device.length() - 1500) <= 5,
                 qPrintable(QString::number(device.length())));
        QCOMPARE(device.position(), 0);
        if (QMediaDevices::audioOutputs().isEmpty()) {
            try {
                device.play();
                QFAIL("played without an audio output");
            } catch (const UserMessage& e) {
                QCOMPARE(QString::fromUtf8(e.what()),
                         QString::fromUtf8(QtMediaDevice::noAudioOutputText()));
            }
        } else {
            device.play();
            device.stop();
        }
        device.close();
        QVERIFY(!device.isOpen());
        QVERIFY_THROWS_EXCEPTION(Error, device.position());
        QVERIFY_THROWS_EXCEPTION(Error, device.open(dir.filePath("none.wav").toStdString()));
    }

  private:
    static QAction* action(QWidget& window, const char* name) {
        auto* a = window.findChild<QAction*>(QString::fromLatin1(name));
        if (!a)
            qFatal("no action %s", name);
        return a;
    }

    FakeMediaLog log_;
};

ZORKAN_UI_TEST(SoundWindowsTest);

} // namespace zorkan::ui::test

#include "soundwindows_test.moc"
