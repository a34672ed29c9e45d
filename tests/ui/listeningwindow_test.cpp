#include "fixedpoint/simulation.h"
#include "listening/abplayback.h"
#include "listening/audiooutput.h"
#include "listening/listeningwindow.h"
#include "listening/soundfilter.h"
#include "tests/core/soundfiles.h"
#include "tests/ui/uitest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <cmath>
#include <cstring>
#include <vector>

namespace zorkan::ui::test {

namespace {

// A sound output that plays nothing: it records what it is asked and lets the test
// pull the samples the window's device hands out.
struct FakeAudioLog {
    QStringList calls;
    QIODevice* source = nullptr;
    AudioStart answer = AudioStart::Started;
};

class FakeAudioOutput : public AudioOutput {
  public:
    explicit FakeAudioOutput(FakeAudioLog& log) : log_(log) {}
    AudioStart start(QIODevice* source, int rate, int channels) override {
        log_.calls << QStringLiteral("start %1 %2").arg(rate).arg(channels);
        if (log_.answer == AudioStart::Started)
            log_.source = source;
        return log_.answer;
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

    static QString text(QWidget* window, const char* label) {
        return window->findChild<QLabel*>(QString::fromLatin1(label))->text();
    }

    static bool writeFile(const QString& path, const char* bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) >= 0;
    }

    // The window with the generated sound and a filter chosen, not yet run.
    ListeningWindow* prepared(Program& program, int frames, const char* filter) {
        std::vector<int> samples(static_cast<std::size_t>(frames));
        for (int n = 0; n < frames; ++n)
            samples[n] = original(n) * 65536;
        const QString wav = program.path(QStringLiteral("song.wav"));
        if (!testing::writeSound(wav.toStdString(), SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 1,
                                 samples))
            return nullptr;
        if (!writeFile(program.path(QStringLiteral("half.flt")), filter))
            return nullptr;
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
        return window;
    }

    // The same, run into song-filtered.wav.
    ListeningWindow* filtered(Program& program, int frames, const char* filter) {
        ListeningWindow* window = prepared(program, frames, filter);
        if (!window)
            return nullptr;
        program.prompts().queueFile(program.path(QStringLiteral("song-filtered.wav")));
        press(window, "BitBtn3");
        return window;
    }

    static bool askedForOutput(const ScriptedPrompts& prompts) {
        for (const auto& r : prompts.fileRequests)
            if (r.save)
                return true;
        return false;
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

    // Each target shows its words from the target table (q15 as the C export computes:
    // coefficients of 32 bits; the CMSIS-DSP q15 kernel's of 16 bits, truncated; q31 of
    // CMSIS-DSP wrapping) and its rounding and overflow; the CMSIS-DSP kernels filter too.
    void showsTheWordsOfEachTarget() {
        Program program;
        program.start();
        ListeningWindow* window = prepared(program, 400, "2\r\n0\r\n0.3 0 0\r\n1 -0.5 0\r\n");
        QVERIFY(window);
        auto* target = window->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
        auto* w = window->findChild<QSpinBox*>(QStringLiteral("SpinEdit1"));
        auto* c = window->findChild<QSpinBox*>(QStringLiteral("SpinEdit2"));
        target->setCurrentIndex(6);
        w->setValue(12);
        c->setValue(14);
        const struct {
            int index;
            const char *name, *w, *c, *rules;
        } rows[] = {
            {4, "q15", "16", "32", "к ближайшему, насыщение"},
            {5, "q31", "32", "32", "к ближайшему, насыщение"},
            {7, "CMSIS-DSP q15", "16", "16", "отбрасыванием, насыщение"},
            {8, "CMSIS-DSP q31", "32", "32", "отбрасыванием, перенос"},
            {9, "CMSIS-DSP f32", "—", "—", ""},
            {0, "нет (фильтр в double)", "—", "—", ""},
            {6, "свой формат", "12", "14", "к ближайшему, насыщение"},
        };
        for (const auto& row : rows) {
            target->setCurrentIndex(row.index);
            QCOMPARE(target->currentText(), QString::fromUtf8(row.name));
            QCOMPARE(w->text(), QString::fromUtf8(row.w));
            QCOMPARE(c->text(), QString::fromUtf8(row.c));
            QCOMPARE(text(window, "Label9"), QString::fromUtf8(row.rules));
            QCOMPARE(w->isEnabled(), row.index == 6);
        }
        // A word typed out of range is refused with a word, and nothing is asked.
        w->setValue(40);
        press(window, "BitBtn3");
        QCOMPARE(program.prompts().messages.size(), std::size_t(1));
        QCOMPARE(program.prompts().messages[0].text,
                 QStringLiteral("Длина слова данных должна быть от 4 до 32 бит"));
        QVERIFY(!askedForOutput(program.prompts()));

        target->setCurrentIndex(7);
        program.prompts().messages.clear();
        program.prompts().queueFile(program.path(QStringLiteral("song-filtered.wav")));
        press(window, "BitBtn3");
        QTRY_VERIFY_WITH_TIMEOUT(window->source() != nullptr, 10000);
        QVERIFY(program.prompts().messages.empty());
        QVERIFY2(text(window, "Label3").contains(QStringLiteral("\nРеализация cmsis-q15: ошибка")),
                 qPrintable(text(window, "Label3")));
    }

    // Through a q15 implementation, B is the implementation's output (with the export's
    // peak scaling) and a third position plays its error, times the gain shown, which
    // brings the error's peak to -20 dBFS.
    void implementationAndItsError() {
        Program program;
        program.start();
        const char* filter = "2\r\n0\r\n0.3 0 0\r\n1 -0.5 0\r\n";
        ListeningWindow* window = prepared(program, 4000, filter);
        QVERIFY(window);
        auto* target = window->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
        auto* w = window->findChild<QSpinBox*>(QStringLiteral("SpinEdit1"));
        QVERIFY(target && w && !w->isEnabled());
        target->setCurrentIndex(6);
        QVERIFY(w->isEnabled());
        target->setCurrentIndex(4);
        QCOMPARE(target->currentText(), QStringLiteral("q15"));
        QVERIFY(!w->isEnabled());
        program.prompts().queueFile(program.path(QStringLiteral("song-filtered.wav")));
        press(window, "BitBtn3");
        QTRY_VERIFY_WITH_TIMEOUT(window->source() != nullptr, 10000);
        QVERIFY(program.prompts().messages.empty());
        QVERIFY(window->source()->hasError());

        // The filtered file is the q15 simulation of the sound, sample for sample.
        ImplementationOptions options;
        options.arithmetic = namedArithmetic(Target::Q15);
        const std::string flt = program.path(QStringLiteral("half.flt")).toStdString();
        const Implementation im = realise(readFilterFile(flt, listeningReader), options);
        std::vector<double> input;
        for (int n = 0; n < 4000; ++n)
            input.push_back(original(n) / 32768.0);
        const std::vector<double> simulated = simulate(im, input);
        const auto written =
            testing::readSound(program.path(QStringLiteral("song-filtered.wav")).toStdString());
        QCOMPARE(written.samples, simulated);

        const double gain = window->source()->errorGain();
        const QString db = QString::number(20 * std::log10(gain), 'f', 1);
        QVERIFY(text(window, "Label3").contains(QStringLiteral("\nРеализация q15: ошибка пик ")));
        QVERIFY(text(window, "Label3").contains(QStringLiteral("усилена на %1 дБ").arg(db)));
        press(window, "BitBtn5");
        struct Step {
            QString label;
            AbSound sound;
        };
        int at = 0;
        for (const Step& step : {Step{QStringLiteral("Звучит: исходный"), AbSound::Original},
                                 Step{QStringLiteral("Звучит: реализация"), AbSound::Filtered},
                                 Step{QStringLiteral("Звучит: ошибка +%1 дБ")
                                          .arg(QString::number(20 * std::log10(gain), 'f', 0)),
                                      AbSound::Error},
                                 Step{QStringLiteral("Звучит: исходный"), AbSound::Original}}) {
            if (at > 0)
                press(window, "BitBtn8");
            QCOMPARE(text(window, "Label5"), step.label);
            QCOMPARE(window->source()->chosen(), step.sound);
            const std::vector<short> got = pull(1000);
            QCOMPARE(got.size(), std::size_t(1000));
            if (step.sound == AbSound::Error) {
                // After the fade: the error as the reference leaves it, times the gain.
                double peak = 0;
                const Implementation ref = doubleReference(im);
                const std::vector<double> exact = simulate(ref, input);
                for (std::size_t n = 0; n < exact.size(); ++n)
                    peak = std::max(peak, std::fabs(simulated[n] - exact[n]));
                QCOMPARE(gain, 0.1 / peak);
                int loud = 0;
                for (int i = 40; i < 1000; ++i) {
                    const std::size_t n = static_cast<std::size_t>(at + i);
                    const float e = static_cast<float>(simulated[n] - exact[n]);
                    const float expected = std::nearbyint(e * static_cast<float>(gain) * 32768.0f);
                    QCOMPARE(static_cast<float>(got[static_cast<std::size_t>(i)]), expected);
                    loud = std::max(loud, std::abs(int(got[static_cast<std::size_t>(i)])));
                }
                QVERIFY(loud > 1000 && loud <= 3277); // heard, and at most -20 dBFS
            }
            at += 1000;
        }
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
        log_.answer = AudioStart::NoDevice;
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
        program.prompts().queueAnswer(true); // replace the older file
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
        QCOMPARE(QDir(program.folder()).entryList(QDir::Files).filter(QStringLiteral("song")),
                 (QStringList{"song-filtered.wav", "song.wav"}));
        QVERIFY(program.prompts().messages.empty());
    }

    // The file's details show as soon as it is chosen; another file leaves nothing of the
    // last run: no length, no filtered sound selected.
    void detailsOnChoiceAndAFreshStart() {
        Program program;
        program.start();
        ListeningWindow* window = prepared(program, 4000, "2\r\n0\r\n0.5 0 0\r\n1 0 0\r\n");
        QVERIFY(window);
        QCOMPARE(text(window, "Label3"),
                 QStringLiteral("WAV, 16 бит, 8000 Гц, каналов: 1, 0:00.500 (4000 кадров)"));
        program.prompts().queueFile(program.path(QStringLiteral("song-filtered.wav")));
        press(window, "BitBtn3");
        QTRY_VERIFY_WITH_TIMEOUT(window->source() != nullptr, 10000);
        press(window, "BitBtn8");
        QCOMPARE(text(window, "Label5"), QStringLiteral("Звучит: фильтрованный"));
        QCOMPARE(text(window, "Label4"), QStringLiteral("0:00.0 / 0:00.5"));

        const QString other = program.path(QStringLiteral("other.flac"));
        QVERIFY(testing::writeSound(other.toStdString(), SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 16000,
                                    2, std::vector<int>(8000, 1 << 20)));
        program.prompts().queueFile(other);
        press(window, "BitBtn1");
        QCOMPARE(text(window, "Label3"),
                 QStringLiteral("FLAC, 24 бит, 16000 Гц, каналов: 2, 0:00.250 (4000 кадров)"));
        QCOMPARE(text(window, "Label5"), QStringLiteral("Звучит: исходный"));
        QCOMPARE(text(window, "Label4"), QStringLiteral("0:00.0 / 0:00.0"));
        QVERIFY(window->source() == nullptr);
        QVERIFY(!window->findChild<QPushButton*>(QStringLiteral("BitBtn8"))->isEnabled());
    }

    // Names typed into the fields count: the sound's on Enter, the filter's when run.
    void typedNamesTakeEffect() {
        Program program;
        program.start();
        QVERIFY(testing::writeSound(program.path(QStringLiteral("typed.wav")).toStdString(),
                                    SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1,
                                    std::vector<int>(800, 1000 << 16)));
        QVERIFY(
            writeFile(program.path(QStringLiteral("typed.flt")), "2\r\n0\r\n0.5 0 0\r\n1 0 0\r\n"));
        program.main().command("Listening")->trigger();
        auto* window = program.main().findChild<ListeningWindow*>();
        QVERIFY(window);
        auto* edit1 = window->findChild<QLineEdit*>(QStringLiteral("Edit1"));
        auto* edit2 = window->findChild<QLineEdit*>(QStringLiteral("Edit2"));
        QVERIFY(!edit1->isReadOnly() && !edit2->isReadOnly());
        // Pasted in, then Enter.
        edit1->setFocus();
        edit1->insert(program.path(QStringLiteral("typed.wav")));
        QCOMPARE(text(window, "Label3"), QString());
        QTest::keyClick(edit1, Qt::Key_Return);
        QCOMPARE(text(window, "Label3"),
                 QStringLiteral("WAV, 16 бит, 8000 Гц, каналов: 1, 0:00.100 (800 кадров)"));
        edit2->insert(program.path(QStringLiteral("typed.flt")));
        window->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(false);
        program.prompts().queueFile(program.path(QStringLiteral("out.wav")));
        press(window, "BitBtn3");
        QTRY_VERIFY_WITH_TIMEOUT(window->source() != nullptr, 10000);
        QCOMPARE(testing::readSound(program.path(QStringLiteral("out.wav")).toStdString()).samples,
                 std::vector<double>(800, 500 / 32768.0));
        QVERIFY(program.prompts().messages.empty());
    }

    // A sound or filter file that cannot be used is reported before any name is asked.
    void inputsAreCheckedBeforeTheOutputIsAsked() {
        struct Row {
            const char* sound; // bytes of song.wav, or nullptr for the generated sound
            const char* filter;
            QString message;
        };
        const Row rows[] = {
            {"not a sound", "2\r\n0\r\n1 0 0\r\n1 0 0\r\n",
             QStringLiteral(" не читается как звуковой (libsndfile: Format not recognised.)")},
            {nullptr, "",
             QStringLiteral("В файле фильтра нет ни одной секции: фильтровать нечего")},
            {nullptr, "2\r\n0\r\n1 0 0\r\n0 1 0\r\n",
             QStringLiteral("В секции 1 коэффициент знаменателя B0 равен нулю: такой фильтр "
                            "нельзя реализовать")},
            {nullptr, "2\r\n0\r\n\r\n1 0 0\r\n0 1 x\r\n",
             QStringLiteral("Неверное число в файле %1, строка 5.")},
        };
        for (const Row& row : rows) {
            Program program;
            program.start();
            ListeningWindow* window = prepared(program, 100, row.filter);
            QVERIFY(window);
            if (row.sound)
                QVERIFY(writeFile(program.path(QStringLiteral("song.wav")), row.sound));
            program.prompts().messages.clear();
            press(window, "BitBtn3");
            QCOMPARE(program.prompts().messages.size(), std::size_t(1));
            // A file's error names it: the row's %1.
            const QString message = row.message.contains(QStringLiteral("%1"))
                                        ? row.message.arg(program.path(QStringLiteral("half.flt")))
                                        : row.message;
            QVERIFY2(program.prompts().messages[0].text.endsWith(message),
                     qPrintable(program.prompts().messages[0].text));
            QVERIFY(!askedForOutput(program.prompts()));
            QVERIFY(window->source() == nullptr);
        }
    }

    // An existing output is replaced only when the user says so; the source itself is
    // refused before any question.
    void replacingAsksFirst() {
        Program program;
        program.start();
        ListeningWindow* window = prepared(program, 400, "2\r\n0\r\n0.5 0 0\r\n1 0 0\r\n");
        QVERIFY(window);
        const QString out = program.path(QStringLiteral("song-filtered.wav"));
        QVERIFY(writeFile(out, "older"));
        ScriptedPrompts& prompts = program.prompts();
        prompts.queueFile(out);
        prompts.queueAnswer(false);
        press(window, "BitBtn3");
        QCOMPARE(prompts.questions,
                 std::vector<QString>{"Файл song-filtered.wav уже существует. Заменить?"});
        QTest::qWait(50);
        QVERIFY(window->source() == nullptr);
        QCOMPARE(fileBytes(out), QByteArray("older"));

        prompts.queueFile(program.path(QStringLiteral("song.wav")));
        press(window, "BitBtn3");
        QCOMPARE(prompts.questions.size(), std::size_t(1));
        QCOMPARE(prompts.messages.back().text,
                 QStringLiteral("Выходной файл совпадает с исходным: выберите другое имя"));

        prompts.queueFile(out);
        prompts.queueAnswer(true);
        press(window, "BitBtn3");
        QTRY_VERIFY_WITH_TIMEOUT(window->source() != nullptr, 10000);
        QCOMPARE(testing::readSound(out.toStdString()).samples.size(), std::size_t(400));
    }

    // What the user should know follows the summary, line by line.
    void warningsFollowTheSummary() {
        struct Row {
            const char* filter;
            QStringList lines; // after the first; a line ending in "..." is a beginning
        };
        const Row rows[] = {
            {"2\r\n0\r\n1 0 0\r\n2 0 0\r\n",
             {"Внимание: B0 не равен 1 в секции 1; фильтр взят как H(z) = A(z)/B(z): "
              "коэффициенты секции поделены на ее B0"}},
            {"2\r\n0\r\n1 0 0\r\n1 -2.5 0\r\n",
             {"Внимание: фильтр неустойчив: наибольший радиус полюса 2.5 (секция 1), выходной "
              "сигнал может неограниченно расти",
              "Внимание: выход секций ...", "Внимание: ограничено отсчетов: ..."}},
            {"2\r\n0\r\n0.5 0 0\r\n1 0 0\r\n", {}},
        };
        for (const Row& row : rows) {
            Program program;
            program.start();
            ListeningWindow* window = filtered(program, 4000, row.filter);
            QVERIFY(window);
            QTRY_VERIFY_WITH_TIMEOUT(window->source() != nullptr, 10000);
            const QStringList lines = text(window, "Label3").split(QLatin1Char('\n'));
            QVERIFY2(lines[0].endsWith(QStringLiteral("; записан файл song-filtered.wav")),
                     qPrintable(lines[0]));
            QCOMPARE(lines.size(), row.lines.size() + 1);
            for (int i = 0; i < row.lines.size(); ++i) {
                if (row.lines[i].endsWith(QStringLiteral("...")))
                    QVERIFY2(lines[i + 1].startsWith(row.lines[i].chopped(3)),
                             qPrintable(lines[i + 1]));
                else
                    QCOMPARE(lines[i + 1], row.lines[i]);
            }
            if (row.lines.size() == 3)
                QVERIFY(lines[3].endsWith(QStringLiteral(
                    "; их не будет с нормировкой (флажок «Нормировать: пик -1 дБ»)")));
        }
    }

    // A device that does not take the file's format says so, and only for that file.
    void deviceRefusingTheFormat() {
        Program program;
        program.start();
        log_.answer = AudioStart::FormatRefused;
        ListeningWindow* window = filtered(program, 400, "2\r\n0\r\n0.5 0 0\r\n1 0 0\r\n");
        QVERIFY(window);
        QTRY_VERIFY_WITH_TIMEOUT(window->source() != nullptr, 10000);
        press(window, "BitBtn5");
        QCOMPARE(program.prompts().messages.size(), std::size_t(1));
        QCOMPARE(program.prompts().messages[0].text,
                 QStringLiteral("Устройство вывода звука не воспроизводит звук 8000 Гц, каналов: "
                                "1, 16 бит: прослушивание этого файла невозможно. "
                                "Отфильтрованный файл записан и может быть прослушан другой "
                                "программой"));
        QVERIFY(!window->findChild<QPushButton*>(QStringLiteral("BitBtn5"))->isEnabled());
        // The next run plays.
        log_.answer = AudioStart::Started;
        program.prompts().queueFile(program.path(QStringLiteral("song.wav")));
        press(window, "BitBtn1");
        program.prompts().queueFile(program.path(QStringLiteral("again.wav")));
        press(window, "BitBtn3");
        QTRY_VERIFY_WITH_TIMEOUT(window->source() != nullptr, 10000);
        press(window, "BitBtn5");
        QVERIFY(window->playing());
    }
};

ZORKAN_UI_TEST(ListeningWindowTest);

} // namespace zorkan::ui::test

#include "listeningwindow_test.moc"
