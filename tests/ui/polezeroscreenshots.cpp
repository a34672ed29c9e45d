#include "tests/ui/polezeroscreenshots.h"

#include "polezero/polezerowindow.h"
#include "tests/core/soundfiles.h"
#include "tests/ui/screenshots.h"
#include "tests/ui/uitest.h"

#include <QComboBox>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <numbers>

namespace zorkan::ui::test {

bool renderPoleZeroScreenshots(Program& program, const QString& folder) {
    // Three low-pass pairs with zeros on the circle above their band.
    PoleZeroModel model;
    for (const auto& [r, a] : {std::pair{0.92, 0.45}, {0.8, 0.3}, {0.6, 0.12}})
        model.add(RootSet::Poles, {r, a, 1});
    for (const double a : {1.3, 1.9, 2.7})
        model.add(RootSet::Zeros, {1, a, 1});
    const QString flt = program.path(QStringLiteral("lowpass.flt"));
    const FilterCoefficients filter = model.filter();
    writeFilterFile(flt.toStdString(), filter.order, filter);
    // Two seconds at 8000 Hz: 300 Hz, 1000 Hz and a hum at 2400 Hz over a little noise.
    const int rate = 8000;
    std::vector<int> samples;
    unsigned noise = 12345;
    for (int n = 0; n < 2 * rate; ++n) {
        const double t = double(n) / rate;
        noise = noise * 1103515245u + 12345u;
        const double v = 6000 * std::sin(2 * std::numbers::pi * 300 * t) +
                         3000 * std::sin(2 * std::numbers::pi * 1000 * t) +
                         4000 * std::sin(2 * std::numbers::pi * 2400 * t) +
                         200.0 * ((noise >> 16) % 1000) / 1000.0;
        samples.push_back(static_cast<int>(65536 * std::lround(v)));
    }
    const QString wav = program.path(QStringLiteral("recording.wav"));
    bool ok =
        testing::writeSound(wav.toStdString(), SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 1, samples);

    const QSize mainSize = program.main().size();
    program.main().resize(1440, 980);
    program.main().command("PoleZeroEditor")->trigger();
    auto* window = program.main().findChild<PoleZeroWindow*>();
    if (!window) {
        std::printf("FAILED PoleZeroEditor opened no window\n");
        return false;
    }
    window->parentWidget()->resize(1400, 900);
    window->openFile(flt);
    window->findChild<QComboBox*>(QStringLiteral("gridTarget"))->setCurrentIndex(2);
    window->findChild<QSpinBox*>(QStringLiteral("gridBits"))->setValue(6);
    program.prompts().queueFile(wav);
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("recordingButton")),
                      Qt::LeftButton);
    window->placeNotch(2400);
    QTest::qWait(50);
    ok = saveScreenshot(window->parentWidget(), folder, "polezero") && ok;
    window->parentWidget()->close();
    program.main().resize(mainSize);
    return ok;
}

} // namespace zorkan::ui::test
