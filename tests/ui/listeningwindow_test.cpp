#include "listening/abplayback.h"
#include "listening/audiooutput.h"
#include "listening/listeningwindow.h"
#include "tests/core/soundfiles.h"
#include "tests/ui/uitest.h"

#include <QCheckBox>
#include <QFile>
#include <QIODevice>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <cstring>
#include <vector>

namespace zorkan::ui::test {

namespace {

// A sound output that plays nothing: it records what it is asked and lets the test
// pull the samples the window's device hands out.
struct FakeAudioLog {
    QStringList calls;
    QIODevice* source = nullptr;
    bool noOutput = false;
};

class FakeAudioOutput : public AudioOutput {
  public:
    explicit FakeAudioOutput(FakeAudioLog& log) : log_(log) {}
    bool start(QIODevice* source, int rate, int channels) override {
        log_.calls << QStringLiteral("start %1 %2").arg(rate).arg(channels);
        if (log_.noOutput)
            return false;
        log_.source = source;
        return true;
    }
    void suspend() override { log_.calls << QStringLiteral("suspend"); }
    void resume() override { log_.calls << QStringLiteral("resume"); }
    void stop() override { log_.calls << QStringLiteral("stop"); }

  private:
    FakeAudioLog& log_;
};

// Mono, 8000 Hz: the sample n is the even value 2 (n mod 1000) - 1000, so the half
// that the filter "0.5" gives is exact in 16 bits.
constexpr int rate = 8000;
short original(int n) {
    return static_cast<short>(2 * (n % 1000) - 1000);
}

} // namespace

class ListeningWindowTest : public QObject {
    Q_OBJECT

    FakeAudioLog log_;

    // Frames pulled from the device as the sink would pull them.
    std::vector<short> pull(int frames) {
        const QByteArray bytes = log_.source->read(frames * 2);
        std::vector<short> samples(static_cast<std::size_t>(bytes.size() / 2));
        if (!samples.empty())
            std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
        return samples;
    }

    static void press(QWidget* window, const char* name) {
        auto* b = window->findChild<QPushButton*>(QString::fromLatin1(name));
        QVERIFY(b && b->isEnabled() && !b->isHidden());
        QTest::mouseClick(b, Qt::LeftButton);
    }

    // The window with the generated sound and a halving filter chosen and run.
    ListeningWindow* filtered(Program& program, int frames, const char* filter) {
        std::vector<int> samples(static_cast<std::size_t>(frames));
        for (int n = 0; n < frames; ++n)
            samples[n] = original(n) * 65536;
        const QString wav = program.path(QStringLiteral("song.wav"));
        if (!testing::writeSound(wav.toStdString(), SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 1,
                                 samples))
            return nullptr;
        QFile flt(program.path(QStringLiteral("half.flt")));
        if (!flt.open(QIODevice::WriteOnly) || flt.write(filter) < 0)
            return nullptr;
        flt.close();
        program.main().command("Listening")->trigger();
        auto* window = program.main().findChild<ListeningWindow*>();
        if (!window)
            return nullptr;
        ScriptedPrompts& prompts = program.prompts();
        prompts.queueFile(wav);
        press(window, "BitBtn1");
        prompts.queueFile(program.path(QStringLiteral("half.flt")));
        press(window, "BitBtn2");
        window->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(false);
        prompts.queueFile(program.path(QStringLiteral("song-filtered.wav")));
        press(window, "BitBtn3");
        return window;
    }

  private slots:
    void init() {
        log_ = FakeAudioLog{};
        setAudioOutputFactory([this] { return std::make_unique<FakeAudioOutput>(log_); });
    }
    void cleanup() { setAudioOutputFactory({}); }

    // The switch changes the sound from the next frame on, at the same position: after
    // a fade of 5 ms (40 frames) the other sound passes exactly, frame for frame.
    void abSwitchKeepsThePosition() {
        Program program;
        program.start();
        ListeningWindow* window = filtered(program, 4000, "2\r\n0\r\n0.5 0 0\r\n1 0 0\r\n");
        QVERIFY(window);
        QTRY_VERIFY_WITH_TIMEOUT(window->source() != nullptr, 10000);
        QVERIFY(program.prompts().messages.empty());
        // The save dialog proposed a name beside the source.
        QCOMPARE(program.prompts().fileRequests.back().request.proposedName,
                 QStringLiteral("song-filtered.wav"));
        QCOMPARE(program.prompts().fileRequests.back().request.initialFolder,
                 QFileInfo(program.path(QStringLiteral("song.wav"))).absolutePath());
        press(window, "BitBtn5");
        QCOMPARE(log_.calls, QStringList{"start 8000 1"});

        auto* label = window->findChild<QLabel*>(QStringLiteral("Label5"));
        struct Step {
            bool byKey;
            bool filtered;
        };
        int at = 0;
        for (const Step step : {Step{false, false}, Step{true, true}, Step{false, false}}) {
            if (at > 0) {
                if (step.byKey) {
                    // The key reaches the window from any of its controls.
                    QTest::keyClick(window->findChild<QSlider*>(QStringLiteral("TrackBar1")),
                                    Qt::Key_B);
                } else
                    press(window, "BitBtn8");
            }
            QCOMPARE(window->source()->position(), at);
            QCOMPARE(window->source()->filteredSelected(), step.filtered);
            QCOMPARE(label->text(), step.filtered ? QStringLiteral("Звучит: фильтрованный")
                                                  : QStringLiteral("Звучит: исходный"));
            const std::vector<short> got = pull(1000);
            QCOMPARE(got.size(), std::size_t(1000));
            for (int i = 0; i < 1000; ++i) {
                const int n = at + i;
                const short now = step.filtered ? original(n) / 2 : original(n);
                const short before = step.filtered ? original(n) : original(n) / 2;
                if (at == 0 || i >= 40)
                    QCOMPARE(got[i], now);
                else // fading: between the two sounds
                    QVERIFY(got[i] >= std::min(now, before) && got[i] <= std::max(now, before));
            }
            at += 1000;
        }
        QCOMPARE(window->source()->position(), 3000);
    }

    void playPauseStopAndTheBar() {
        Program program;
        program.start();
        ListeningWindow* window = filtered(program, 16000, "2\r\n0\r\n0.5 0 0\r\n1 0 0\r\n");
        QVERIFY(window);
        QTRY_VERIFY_WITH_TIMEOUT(window->source() != nullptr, 10000);
        auto* bar = window->findChild<QSlider*>(QStringLiteral("TrackBar1"));
        auto* times = window->findChild<QLabel*>(QStringLiteral("Label4"));
        QCOMPARE(bar->maximum(), 2000);

        press(window, "BitBtn5");
        QVERIFY(window->playing());
        pull(800);
        press(window, "BitBtn6");
        QVERIFY(window->paused());
        QCOMPARE(bar->value(), 100); // 800 frames = 100 ms
        QCOMPARE(times->text(), QStringLiteral("0:00.1 / 0:02.0"));
        press(window, "BitBtn5");
        QVERIFY(window->playing());
        // Moving the bar moves the sound: 1250 ms is frame 10000.
        bar->setValue(1250);
        QCOMPARE(window->source()->position(), 10000);
        QCOMPARE(pull(1).front(), original(10000));
        press(window, "BitBtn7");
        QVERIFY(!window->playing() && !window->paused());
        QCOMPARE(window->source()->position(), 0);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(log_.calls, (QStringList{"start 8000 1", "suspend", "resume", "stop"}));
        // Played to the end, it stops by itself.
        press(window, "BitBtn5");
        bar->setValue(2000);
        QVERIFY(pull(10).empty());
        QTRY_VERIFY(!window->playing());
    }

    // Without a sound output: one message, the filtered file is there all the same.
    void noSoundOutput() {
        Program program;
        program.start();
        log_.noOutput = true;
        ListeningWindow* window = filtered(program, 400, "2\r\n0\r\n0.5 0 0\r\n1 0 0\r\n");
        QVERIFY(window);
        QTRY_VERIFY_WITH_TIMEOUT(window->source() != nullptr, 10000);
        press(window, "BitBtn5");
        QCOMPARE(program.prompts().messages.size(), std::size_t(1));
        QVERIFY(program.prompts().messages[0].text.startsWith(
            QStringLiteral("Нет устройства вывода звука")));
        QVERIFY(!window->findChild<QPushButton*>(QStringLiteral("BitBtn5"))->isEnabled());
        QVERIFY(QFile::exists(program.path(QStringLiteral("song-filtered.wav"))));
    }

    // Cancel stops the run; the unfinished file goes and an older one stays.
    void cancelRemovesThePartialFile() {
        Program program;
        program.start();
        QFile older(program.path(QStringLiteral("song-filtered.wav")));
        QVERIFY(older.open(QIODevice::WriteOnly) && older.write("older") == 5);
        older.close();
        std::string many = "60\r\n0\r\n";
        for (int k = 0; k < 60; ++k)
            many += k < 30 ? "0.5 0.1 0.05\r\n" : "1 -0.5 0.1\r\n";
        ListeningWindow* window = filtered(program, 3000000, many.c_str());
        QVERIFY(window);
        QVERIFY(window->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->isHidden() ==
                false);
        press(window, "BitBtn4");
        QTRY_VERIFY_WITH_TIMEOUT(
            window->findChild<QPushButton*>(QStringLiteral("BitBtn4"))->isHidden(), 20000);
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("Label3"))->text(),
                 QStringLiteral("Фильтрация отменена: выходной файл не записан"));
        QVERIFY(window->source() == nullptr);
        QCOMPARE(fileBytes(program.path(QStringLiteral("song-filtered.wav"))), QByteArray("older"));
        QVERIFY(!QFile::exists(program.path(QStringLiteral("song-filtered.wav.part"))));
        QVERIFY(program.prompts().messages.empty());
    }
};

ZORKAN_UI_TEST(ListeningWindowTest);

} // namespace zorkan::ui::test

#include "listeningwindow_test.moc"
