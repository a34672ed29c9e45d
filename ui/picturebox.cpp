#include "ui/picturebox.h"

#include "common/textnumbers.h"
#include "ui/prompts.h"

#include <QBuffer>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>

namespace zorkan::ui {

const char* const pictureFilter = "Рисунок BMP (*.bmp)|*.bmp|Рисунок PNG (*.png)|*.png";

namespace {

QImage imageOf(const Canvas& canvas) {
    const QImage view(reinterpret_cast<const uchar*>(canvas.pixels()), canvas.width(),
                      canvas.height(), canvas.width() * 4, QImage::Format_RGB32);
    return view.copy();
}

} // namespace

PictureBox::PictureBox(int width, int height, QWidget* parent)
    : QWidget(parent), canvas_(width, height) {
    setFixedSize(width, height);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage PictureBox::image() const {
    return imageOf(canvas_);
}

void PictureBox::savePictureAs() {
    const auto path = prompts().savePictureName(
        {QStringLiteral("Сохранить рисунок"), QDir::currentPath(), QString(),
         QString::fromUtf8(pictureFilter), QStringLiteral("bmp")});
    if (path)
        savePicture(canvas_, *path);
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The canvas's pixels are shown in place, without a copy.
    const QImage view(reinterpret_cast<const uchar*>(canvas_.pixels()), canvas_.width(),
                      canvas_.height(), canvas_.width() * 4, QImage::Format_RGB32);
    painter.drawImage(0, 0, view);
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        savePictureAs();
}

void savePicture(const Canvas& canvas, const QString& path) {
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
        canvas.saveBmp(path.toStdString());
        return;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    imageOf(canvas).save(&buffer, "PNG");
    TextWriter out(path.toStdString());
    out.write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    out.close();
}

} // namespace zorkan::ui
