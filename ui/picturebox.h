#pragma once
// A picture of fixed size drawn by the computing modules into a raster canvas and shown
// as it is. A double click saves it through the save-picture dialog, as BMP or PNG.
#include "common/canvas.h"

#include <QWidget>

namespace zorkan::ui {

class PictureBox : public QWidget {
  public:
    PictureBox(int width, int height, QWidget* parent);

    // Draw here, then call update() to show the change.
    Canvas& canvas() { return canvas_; }
    const Canvas& canvas() const { return canvas_; }
    QImage image() const;

    // Asks for a name and saves the picture; cancelling saves nothing.
    void savePictureAs();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    Canvas canvas_;
};

// The picture filters of the save-picture dialog: BMP first, the default.
extern const char* const pictureFilter;

// PNG when the name ends in ".png" (any case), otherwise the canvas's own 24-bit BMP.
// A file that cannot be created raises the I/O error.
void savePicture(const Canvas& canvas, const QString& path);

} // namespace zorkan::ui
