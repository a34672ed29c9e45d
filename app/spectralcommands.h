#pragma once
// The main window's spectral-analysis commands: the three input choosers (Data1, Data2,
// Data3), ViewFile and the four transforms BPF, RPF, PPF, OPF.
namespace zorkan::ui {

class TForm1;

// Enables the commands of the window and connects them to their handlers.
void connectSpectralCommands(TForm1& main);

} // namespace zorkan::ui
