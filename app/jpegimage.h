#pragma once
// JPEG pictures decoded with libjpeg.
#include <QByteArray>
#include <QImage>

namespace zorkan::ui {

// The decoded picture (RGB), or a null image when the data is not a JPEG libjpeg can
// decode.
QImage decodeJpeg(const QByteArray& data);

} // namespace zorkan::ui
