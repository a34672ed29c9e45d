#include "tests/ui/spectralscreenshots.h"

#include "spectral/Unit6.h"
#include "tests/ui/screenshots.h"
#include "tests/ui/uitest.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QMdiSubWindow>
#include <QTest>

#include <cmath>
#include <cstdio>

namespace zorkan::ui::test {

namespace {

bool grabTo(QWidget* widget, const QString& folder, const char* name) {
    return saveScreenshot(widget, folder, name);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// Runs the command and grabs the spectrum window it made, then closes it.
bool shoot(Program& program, const char* command, const QString& folder, const char* name) {
    TForm1& main = program.main();
    const qsizetype before = main.findChildren<TForm6*>().size();
    main.command(command)->trigger();
    const QList<TForm6*> windows = main.findChildren<TForm6*>();
    if (windows.size() != before + 1) {
        std::printf("FAILED %s made no spectrum window\n", command);
        return false;
    }
    QWidget* frame = windows.back()->parentWidget();
    const bool ok = grabTo(frame, folder, name);
    frame->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return ok;
}

} // namespace

bool renderSpectralScreenshots(Program& program, const QString& folder) {
    TForm1& main = program.main();
    ScriptedPrompts& prompts = program.prompts();
    bool ok = true;
    writeFile(program.path(QStringLiteral("test.dat")), "1 10 0\r\n0.5 100.5 1\r\n2 300 0.5\r\n");
    QByteArray signal;
    for (int n = 0; n < 1024; ++n)
        signal += QByteArray::number(std::sin(2 * M_PI * 40 * n / 1024) * std::exp(-0.002 * n) +
                                     0.3 * std::cos(2 * M_PI * 150 * n / 1024)) +
                  "\r\n";
    writeFile(program.path(QStringLiteral("test.xicd")), signal);

    prompts.queueFile(program.path(QStringLiteral("test.dat")));
    main.command("Data1")->trigger();
    prompts.queueFile(program.path(QStringLiteral("bpf.reim")));
    ok = shoot(program, "BPF", folder, "spectrum-bpf-dat") && ok;

    prompts.queueFile(program.path(QStringLiteral("test.xicd")));
    main.command("Data2")->trigger();
    prompts.queueModal([&](QDialog* dialog) {
        ok = grabTo(dialog, folder, "coefficient-dialog") && ok;
        dialog->hide();
        return int(QDialog::Accepted);
    });
    prompts.queueFile(program.path(QStringLiteral("ppf.reim")));
    ok = shoot(program, "PPF", folder, "spectrum-ppf-xicd") && ok;

    prompts.queueFile(program.path(QStringLiteral("bpf.reim")));
    main.command("Data3")->trigger();
    ok = shoot(program, "ViewFile", folder, "spectrum-view-reim") && ok;

    for (const auto& message : prompts.messages) {
        std::printf("FAILED message on the way: %s\n", qPrintable(message.text));
        ok = false;
    }
    return ok;
}

} // namespace zorkan::ui::test
