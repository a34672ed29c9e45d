// Draws the pictures of the windowed program into a folder (assets/): the logo in two
// sizes, the splash picture, the maker's picture (JPEG, written with libjpeg), the
// button icons and the program's icon for the desktop menu (icons/zorkan-N.png at the
// usual theme sizes). Run through scripts/draw-pictures; the results are kept in assets/.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr double pi = 3.14159265358979323846;

// Chebyshev polynomial of the first kind, for the ripple curves.
double chebyshev(int n, double x) {
    if (std::fabs(x) <= 1)
        return std::cos(n * std::acos(x));
    return std::cosh(n * std::acosh(std::fabs(x))) * ((x < 0 && n % 2) ? -1 : 1);
}

double butterworth(double f, double fc, int n) {
    return 1 / std::sqrt(1 + std::pow(f / fc, 2 * n));
}

double chebyshevMagnitude(double f, double fc, int n, double eps) {
    const double t = chebyshev(n, f / fc);
    return 1 / std::sqrt(1 + eps * eps * t * t);
}

// A magnitude curve over [0, 0.5] drawn into `box`.
// Equal ripple in the pass band and notches in the stop band: 1 / sqrt(1 + e^2 R^2) with
// a rational R whose zeros lie in the pass band and whose poles lie in the stop band.
double ellipticLike(double x) {
    const auto r = [](double v) {
        const double v2 = v * v;
        return v * (v2 - 0.6 * 0.6) * (v2 - 0.95 * 0.95) / ((v2 - 1.18 * 1.18) * (v2 - 1.6 * 1.6));
    };
    const double scale = 1 / std::fabs(r(1.0));
    const double value = 0.7 * scale * r(x);
    return 1 / std::sqrt(1 + value * value);
}

QPainterPath curve(const QRectF& box, const std::function<double(double)>& magnitude) {
    QPainterPath path;
    const int steps = 200;
    for (int i = 0; i <= steps; ++i) {
        const double f = 0.5 * i / steps;
        const QPointF p(box.left() + box.width() * i / steps,
                        box.bottom() - box.height() * magnitude(f));
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    return path;
}

QFont sans(int pixelSize, bool bold, bool italic = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QImage logo(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, width, height);
    back.setColorAt(0, QColor(16, 42, 110));
    back.setColorAt(1, QColor(20, 120, 140));
    p.setBrush(back);
    p.setPen(QPen(QColor(8, 24, 64), 1));
    p.drawRoundedRect(QRectF(0.5, 0.5, width - 1, height - 1), height / 6.0, height / 6.0);

    const QRectF plot(width * 0.06, height * 0.18, width * 0.88, height * 0.66);
    p.setPen(QPen(QColor(255, 210, 60, 170), std::max(1.0, height / 30.0)));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve(plot, [](double f) { return chebyshevMagnitude(f, 0.3, 5, 0.35); }));

    p.setPen(Qt::white);
    p.setFont(sans(static_cast<int>(height * 0.36), true));
    p.drawText(QRectF(0, 0, width, height * 0.78), Qt::AlignCenter, QStringLiteral("ZORKAN"));
    p.setFont(sans(std::max(7, static_cast<int>(height * 0.17)), false));
    p.setPen(QColor(200, 230, 255));
    p.drawText(QRectF(0, height * 0.62, width, height * 0.34), Qt::AlignCenter,
               QStringLiteral("цифровые фильтры"));
    return image;
}

// The program's icon: the logo's colours and pass-band curve on a rounded square, with a
// large "Z". Below 32 pixels the curve would only blur the letter and is left out.
QImage appIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double margin = size >= 32 ? size / 16.0 : 0.5;
    const QRectF tile(margin, margin, size - 2 * margin, size - 2 * margin);
    QLinearGradient back(tile.topLeft(), tile.bottomRight());
    back.setColorAt(0, QColor(16, 42, 110));
    back.setColorAt(1, QColor(20, 120, 140));
    p.setBrush(back);
    p.setPen(QPen(QColor(8, 24, 64), std::max(1.0, size / 64.0)));
    p.drawRoundedRect(tile, tile.width() / 6, tile.width() / 6);

    if (size >= 32) {
        const QRectF plot(tile.left() + tile.width() * 0.1, tile.top() + tile.height() * 0.16,
                          tile.width() * 0.8, tile.height() * 0.68);
        p.setPen(QPen(QColor(255, 210, 60, 200), size / 20.0, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(curve(plot, [](double f) { return chebyshevMagnitude(f, 0.3, 5, 0.35); }));
    }
    p.setPen(Qt::white);
    p.setFont(sans(static_cast<int>(tile.height() * 0.72), true));
    p.drawText(tile, Qt::AlignCenter, QStringLiteral("Z"));
    return image;
}

QImage splash() {
    const int width = 488, height = 319;
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, 0, height);
    back.setColorAt(0, QColor(10, 28, 80));
    back.setColorAt(1, QColor(4, 70, 96));
    p.fillRect(image.rect(), back);

    // Plot area with a grid and three approximations of one low-pass requirement.
    const QRectF plot(34, 112, 420, 150);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    for (int i = 0; i <= 10; ++i)
        p.drawLine(QPointF(plot.left() + plot.width() * i / 10, plot.top()),
                   QPointF(plot.left() + plot.width() * i / 10, plot.bottom()));
    for (int i = 0; i <= 5; ++i)
        p.drawLine(QPointF(plot.left(), plot.top() + plot.height() * i / 5),
                   QPointF(plot.right(), plot.top() + plot.height() * i / 5));
    p.setPen(QPen(QColor(220, 220, 220), 1.5));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(120, 220, 255), 2));
    p.drawPath(curve(plot, [](double f) { return butterworth(f, 0.2, 8); }));
    p.setPen(QPen(QColor(255, 200, 60), 2));
    p.drawPath(curve(plot, [](double f) { return chebyshevMagnitude(f, 0.2, 6, 0.5); }));
    p.setPen(QPen(QColor(255, 120, 150), 2, Qt::DashLine));
    p.drawPath(curve(plot, [](double f) { return ellipticLike(f / 0.2); }));

    p.setFont(sans(10, false));
    p.setPen(QColor(200, 220, 240));
    p.drawText(QPointF(plot.left() - 4, plot.bottom() + 14), QStringLiteral("0"));
    p.drawText(QPointF(plot.right() - 18, plot.bottom() + 14), QStringLiteral("FD/2"));
    p.drawText(QPointF(plot.left() - 26, plot.top() + 4), QStringLiteral("|H|"));

    p.setPen(Qt::white);
    p.setFont(sans(46, true));
    p.drawText(QRectF(0, 8, width, 58), Qt::AlignCenter, QStringLiteral("ZORKAN"));
    p.setFont(sans(14, true, true));
    p.setPen(QColor(255, 220, 120));
    p.drawText(QRectF(0, 64, width, 22), Qt::AlignCenter,
               QStringLiteral("проектирование и исследование цифровых фильтров"));
    p.drawText(QRectF(0, 86, width, 20), Qt::AlignCenter, QStringLiteral("спектральный анализ"));

    p.setFont(sans(11, false));
    p.setPen(QColor(120, 220, 255));
    p.drawText(QPointF(24, 290), QStringLiteral("— Баттерворт"));
    p.setPen(QColor(255, 200, 60));
    p.drawText(QPointF(24, 306), QStringLiteral("— Чебышев"));
    p.setPen(QColor(255, 120, 150));
    p.drawText(QPointF(140, 290), QStringLiteral("— эллиптический"));
    p.setPen(QColor(200, 220, 240));
    p.drawText(QPointF(140, 306), QStringLiteral("Версия 1.2"));
    return image;
}

QImage maker() {
    const int size = 80;
    QImage image(size, size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient back(size * 0.35, size * 0.3, size);
    back.setColorAt(0, QColor(255, 240, 200));
    back.setColorAt(1, QColor(190, 120, 40));
    p.fillRect(image.rect(), back);
    p.setPen(QPen(QColor(110, 40, 20), 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(6, 6, size - 12, size - 12));
    QPainterPath wave;
    for (int i = 0; i <= 60; ++i) {
        const QPointF pt(10 + i, size * 0.68 - 8 * std::sin(2 * pi * i / 30.0));
        i == 0 ? wave.moveTo(pt) : wave.lineTo(pt);
    }
    p.setPen(QPen(QColor(20, 60, 140), 2));
    p.drawPath(wave);
    p.setPen(QColor(110, 40, 20));
    p.setFont(sans(34, true));
    p.drawText(QRectF(0, 4, size, size * 0.6), Qt::AlignCenter, QStringLiteral("Z"));
    return image;
}

QImage canvas(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

QImage helpIcon() {
    QImage image = canvas(32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient ball(12, 10, 22);
    ball.setColorAt(0, QColor(120, 180, 255));
    ball.setColorAt(1, QColor(20, 70, 170));
    p.setBrush(ball);
    p.setPen(QPen(QColor(10, 40, 110), 1.5));
    p.drawEllipse(QRectF(2, 2, 28, 28));
    p.setPen(Qt::white);
    p.setFont(sans(22, true));
    p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("?"));
    return image;
}

// A white sheet with a folded corner, the base of the document icons.
void sheet(QPainter& p) {
    QPainterPath page;
    page.moveTo(6, 2);
    page.lineTo(21, 2);
    page.lineTo(27, 8);
    page.lineTo(27, 30);
    page.lineTo(6, 30);
    page.closeSubpath();
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(70, 70, 90), 1.2));
    p.drawPath(page);
    p.setBrush(QColor(210, 210, 220));
    p.drawPolygon(QPolygonF({QPointF(21, 2), QPointF(21, 8), QPointF(27, 8)}));
}

QImage calcIcon() {
    QImage image = canvas(32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(235, 245, 235));
    p.setPen(QPen(QColor(30, 110, 40), 1.5));
    p.drawRoundedRect(QRectF(2, 2, 28, 28), 4, 4);
    p.setPen(QPen(QColor(30, 110, 40), 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve(QRectF(5, 8, 22, 18), [](double f) { return butterworth(f, 0.22, 6); }));
    p.setPen(QPen(QColor(200, 40, 40), 1.2, Qt::DashLine));
    p.drawLine(QPointF(5, 26), QPointF(27, 26));
    return image;
}

QImage inputIcon() {
    QImage image = canvas(32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(60, 60, 80), 1.2));
    p.drawRect(QRectF(2, 4, 22, 24));
    p.setPen(QPen(QColor(120, 120, 150), 1));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(2, 4 + 6 * i), QPointF(24, 4 + 6 * i));
    p.drawLine(QPointF(10, 4), QPointF(10, 28));
    p.setPen(QPen(QColor(200, 120, 20), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(29, 6), QPointF(17, 22));
    p.setPen(QPen(QColor(40, 40, 40), 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(17, 22), QPointF(15, 26));
    return image;
}

QImage modellingIcon() {
    QImage image = canvas(32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath noisy, clean;
    for (int i = 0; i <= 28; ++i) {
        const double x = 2 + i;
        const double s = std::sin(2 * pi * i / 14.0);
        const double jitter = ((i * 7919) % 11 - 5) / 5.0;
        const QPointF a(x, 10 - 6 * s + 2 * jitter), b(x, 23 - 6 * s);
        i == 0 ? noisy.moveTo(a) : noisy.lineTo(a);
        i == 0 ? clean.moveTo(b) : clean.lineTo(b);
    }
    p.setPen(QPen(QColor(170, 60, 60), 1.4));
    p.drawPath(noisy);
    p.setPen(QPen(QColor(30, 90, 190), 2));
    p.drawPath(clean);
    return image;
}

QImage responseIcon() {
    QImage image = canvas(32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.drawLine(QPointF(4, 2), QPointF(4, 29));
    p.drawLine(QPointF(3, 28), QPointF(30, 28));
    p.setPen(QPen(QColor(180, 30, 120), 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve(QRectF(5, 5, 24, 22), [](double f) {
        const double d = (f - 0.25) / 0.07;
        return 1 / std::sqrt(1 + std::pow(d, 8));
    }));
    return image;
}

QImage editorIcon() {
    QImage image = canvas(32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    sheet(p);
    p.setPen(QPen(QColor(60, 90, 160), 1.5));
    for (int i = 0; i < 5; ++i)
        p.drawLine(QPointF(9, 11 + 4 * i), QPointF(i == 4 ? 17 : 24, 11 + 4 * i));
    return image;
}

QImage closeIcon() {
    QImage image = canvas(36);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // An open door with an arrow leaving through it.
    p.setBrush(QColor(150, 90, 40));
    p.setPen(QPen(QColor(80, 40, 10), 1.5));
    p.drawRect(QRectF(6, 3, 18, 30));
    p.setBrush(QColor(200, 140, 70));
    p.drawPolygon(QPolygonF({QPointF(6, 3), QPointF(16, 7), QPointF(16, 35), QPointF(6, 33)}));
    p.setPen(QPen(QColor(200, 30, 30), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18, 18), QPointF(32, 18));
    p.drawLine(QPointF(32, 18), QPointF(26, 12));
    p.drawLine(QPointF(32, 18), QPointF(26, 24));
    return image;
}

bool writeJpeg(const QImage& source, const QString& path, int quality) {
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!out)
        return false;
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = static_cast<JDIMENSION>(image.width());
    info.image_height = static_cast<JDIMENSION>(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<uchar*>(image.constScanLine(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(out) == 0;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: drawpictures <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    const std::pair<const char*, QImage> pictures[] = {
        {"logo.png", logo(119, 48)},        {"logo-about.png", logo(150, 75)},
        {"splash.png", splash()},           {"help.png", helpIcon()},
        {"calc.png", calcIcon()},           {"input.png", inputIcon()},
        {"modelling.png", modellingIcon()}, {"response.png", responseIcon()},
        {"editor.png", editorIcon()},       {"close.png", closeIcon()},
    };
    for (const auto& [name, image] : pictures)
        ok = image.save(folder.filePath(QString::fromLatin1(name)), "PNG") && ok;
    ok = writeJpeg(maker(), folder.filePath(QStringLiteral("maker.jpg")), 90) && ok;
    ok = folder.mkpath(QStringLiteral("icons")) && ok;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString name = QStringLiteral("icons/zorkan-%1.png").arg(size);
        ok = appIcon(size).save(folder.filePath(name), "PNG") && ok;
    }
    return ok ? 0 : 1;
}
