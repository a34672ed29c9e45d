#pragma once
// TForm11, "WAVWrite": appends an output signal file to a WAV file (normally the header
// saved by the converter) as 8-bit samples. The chosen names and open files belong to
// the module (see sound/soundtools.h) and pass from one writer window to the next.
#include "sound/converterdialog.h"

namespace zorkan::ui {

class TForm11 : public ConverterDialog {
    Q_OBJECT

  public:
    explicit TForm11(QWidget* parent);

  private:
    void Button1Click(); // "Brouse": the signal file
    void Button2Click(); // "Brouse": the WAV file

    QLineEdit* Edit1;
    QLineEdit* Edit2;
};

} // namespace zorkan::ui
