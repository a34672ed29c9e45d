#pragma once
// TForm6, "Спектральный анализ ...": the spectrum window. Three pictures stacked from the
// top, each 610 × 111 and followed by a raised separator: picture 1 the input, pictures 2
// and 3 the result (or three views of the input). Every spectral command makes a new one;
// earlier ones stay until closed. A double click on a picture saves it as a bitmap.
//
// Object names: Image1, Image2, Image3 the pictures, Bevel1..Bevel3 the separators.
#include "spectral/spectrumplot.h"

#include <QWidget>

#include <array>

namespace zorkan::ui {

class PictureBox;

class TForm6 : public QWidget {
    Q_OBJECT

  public:
    explicit TForm6(QWidget* parent = nullptr);

    PictureBox* picture(int index) const { return pictures_[static_cast<std::size_t>(index)]; }
    // The pictures' canvases, for the drawing operations.
    std::array<Canvas*, spectrumPictureCount> canvases() const;
    // Shows what was drawn on the canvases.
    void refreshPictures();
    // Asks for a bitmap name and writes the picture there; cancelling writes nothing.
    void savePicture(int index);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::array<PictureBox*, spectrumPictureCount> pictures_{};
};

// Creates a spectrum window captioned "Спектральный анализ" + `suffix` in the document
// area at (1, 1) and shows it.
TForm6* openSpectrumWindow(const QString& suffix);

} // namespace zorkan::ui
