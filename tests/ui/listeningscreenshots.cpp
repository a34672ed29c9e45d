#include "tests/ui/listeningscreenshots.h"

#include "listening/listeningwindow.h"
#include "tests/core/soundfiles.h"
#include "tests/ui/screenshots.h"
#include "tests/ui/uitest.h"

#include <QComboBox>
#include <QFile>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <cstdio>

namespace zorkan::ui::test {

bool renderListeningScreenshots(Program& program, const QString& folder) {
    // Two seconds of stereo at 44.1 kHz: 440 Hz and 6 kHz left, 1 kHz and 9 kHz right.
    const int rate = 44100;
    std::vector<int> samples;
    for (int n = 0; n < 2 * rate; ++n) {
        const double t = double(n) / rate;
        samples.push_back(static_cast<int>(
            65536 *
            std::lround(9000 * (std::sin(2 * M_PI * 440 * t) + std::sin(2 * M_PI * 6000 * t)))));
        samples.push_back(static_cast<int>(
            65536 *
            std::lround(9000 * (std::sin(2 * M_PI * 1000 * t) + std::sin(2 * M_PI * 9000 * t)))));
    }
    const QString wav = program.path(QStringLiteral("recording.wav"));
    bool ok =
        testing::writeSound(wav.toStdString(), SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 2, samples);
    // Two Butterworth low-pass sections at a tenth of the rate (4.4 kHz here), the second
    // stored with B0 = 2, so that the summary shows its note.
    QFile flt(program.path(QStringLiteral("lowpass.flt")));
    ok = flt.open(QIODevice::WriteOnly) &&
         flt.write("4\r\n0\r\n0.067455 0.13491 0.067455\r\n0.13491 0.26982 0.13491\r\n"
                   "1 -1.143 0.41280\r\n2 -2.286 0.8256\r\n") > 0 &&
         ok;
    flt.close();

    program.main().command("Listening")->trigger();
    auto* window = program.main().findChild<ListeningWindow*>();
    if (!window) {
        std::printf("FAILED Listening opened no window\n");
        return false;
    }
    ScriptedPrompts& prompts = program.prompts();
    const auto press = [window](const char* name) {
        QTest::mouseClick(window->findChild<QPushButton*>(QString::fromLatin1(name)),
                          Qt::LeftButton);
    };
    prompts.queueFile(wav);
    press("BitBtn1");
    prompts.queueFile(program.path(QStringLiteral("lowpass.flt")));
    press("BitBtn2");
    // Through q15, switched to its error.
    window->findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(4);
    prompts.queueFile(program.path(QStringLiteral("recording-filtered.wav")));
    press("BitBtn3");
    if (!QTest::qWaitFor([window] { return window->source() != nullptr; }, 20000)) {
        std::printf("FAILED the listening window filtered nothing\n");
        ok = false;
    } else {
        press("BitBtn8");
        press("BitBtn8");
    }
    ok = saveScreenshot(window->parentWidget(), folder, "listening") && ok;
    window->parentWidget()->close();
    return ok;
}

} // namespace zorkan::ui::test
