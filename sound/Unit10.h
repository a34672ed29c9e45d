#pragma once
// TForm10, "WAVE File Reader and Converter": a sound file to an input signal file and a
// header file. The chosen names and the open sound file belong to the module (see
// sound/soundtools.h) and pass from one converter window to the next.
#include "sound/converterdialog.h"

namespace zorkan::ui {

class TForm10 : public ConverterDialog {
    Q_OBJECT

  public:
    explicit TForm10(QWidget* parent);

  private:
    void Button1Click(); // "Browse": the sound file
    void Button2Click(); // "Browes": the signal file
    void Button3Click(); // "Browes": the header file

    // Asks about an output file, as both output buttons do; true when it is chosen.
    bool chooseOutput(std::string& name, const char* proposed, const QString& filter);

    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
};

// The green question mark of the converter's questions.
QColor questionGreen();

} // namespace zorkan::ui
