#pragma once
// State that the windows share for the whole run: the open-window flags, the file
// names that pass between windows, and the ways to reach windows that other windows
// open or close.
#include <QMdiArea>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>

namespace zorkan::ui {

// One block of five 32-bit words, all zeroed when the main window is created. A flag is
// 1 while its window exists; a command opens no second window while the flag is set.
struct OpenWindowFlags {
    std::int32_t DesignWindowOpen = 0;      // TForm2
    std::int32_t ResponseWindowOpen = 0;    // TForm4
    std::int32_t CoefficientWindowOpen = 0; // TForm3
    std::int32_t ModellingWindowOpen = 0;   // TFormSin
    std::int32_t SpectrumSource = 0;        // which input the spectral commands use
};
static_assert(sizeof(OpenWindowFlags) == 20);

// What the frequency-response window offers to the windows that open, fill or close
// it. Its module installs these; while they are empty the results window's "Готово"
// only passes the file name on, and CalcFil has no response window to close.
struct ResponseWindowHooks {
    // Creates the window in the document area, shows it and clears its plot.
    std::function<void()> open;
    // Sets the window's file-name text.
    std::function<void(const QString& fileName)> setFileName;
    // Closes the window (which clears ResponseWindowOpen itself).
    std::function<void()> close;
};

struct SharedState {
    OpenWindowFlags flags;

    // Empty at start, never cleared during the run.
    QString DesignedFilterFile; // the parameter file the last design wrote
    QString DesignedReportFile; // and its report, which holds the request
    QString ResponseFilterFile; // the parameter file the response window analyses
    QString DatFileName;        // spectral inputs
    QString XicdFileName;
    QString ReimFileName;

    // The main window's document area, where child windows are created.
    QPointer<QMdiArea> documentArea;

    ResponseWindowHooks response;
};

SharedState& shared();

// Back to the state of a fresh run (tests start each case from here).
void resetSharedState();

} // namespace zorkan::ui
