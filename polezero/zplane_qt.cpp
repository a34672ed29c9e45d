#include "polezero/zplane_qt.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace zorkan::ui {

namespace {

constexpr double markSize = 5;    // half the width of a root's mark, pixels
constexpr double pixelMargin = 6; // between the shown plane and the widget's edge
const QColor rootColour(20, 20, 160);
const QColor unstableColour(220, 0, 0);
const QColor selectedColour(0, 150, 0);
const QColor gridColour(150, 150, 150);
const QColor quantisedColour(230, 120, 0);

} // namespace

ZPlaneView::ZPlaneView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(240, 240);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
}

void ZPlaneView::setSelection(std::optional<RootRef> selection) {
    selection_ = selection;
    update();
}

void ZPlaneView::setGrid(std::vector<std::complex<double>> points) {
    grid_ = std::move(points);
    renderBackground();
    update();
}

void ZPlaneView::setQuantised(std::vector<std::optional<std::complex<double>>> positions) {
    quantised_ = std::move(positions);
    update();
}

double ZPlaneView::scale() const {
    double reach = shownRadius;
    if (model_)
        for (RootSet set : {RootSet::Zeros, RootSet::Poles})
            for (const SectionRoot& r : model_->roots(set))
                reach = std::max(reach, 1.05 * std::abs(r.radius));
    return (std::min(width(), height()) / 2.0 - pixelMargin) / reach;
}

std::complex<double> ZPlaneView::planeAt(QPointF at) const {
    const double s = scale();
    return {(at.x() - width() / 2.0) / s, (height() / 2.0 - at.y()) / s};
}

QPointF ZPlaneView::pointOf(std::complex<double> z) const {
    const double s = scale();
    return {width() / 2.0 + z.real() * s, height() / 2.0 - z.imag() * s};
}

std::optional<RootRef> ZPlaneView::rootAt(QPointF at) const {
    if (!model_)
        return std::nullopt;
    std::optional<RootRef> best;
    double nearest = pickRadius;
    for (RootSet set : {RootSet::Poles, RootSet::Zeros}) {
        const auto& roots = model_->roots(set);
        for (std::size_t i = 0; i < roots.size(); ++i) {
            const std::complex<double> z = roots[i].z();
            for (const std::complex<double> member : {z, std::conj(z)}) {
                const QPointF p = pointOf(member);
                const double d = std::hypot(p.x() - at.x(), p.y() - at.y());
                if (d <= nearest) {
                    nearest = d;
                    best = RootRef{set, i};
                }
            }
        }
    }
    return best;
}

void ZPlaneView::renderBackground() {
    // White, the axes, the grid's dots and the unit circle: what changes only with the
    // grid, the widget's size and the plane's scale, drawn once into a pixmap that each
    // paint copies.
    QImage image(size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    backgroundScale_ = scale();
    const double cx = width() / 2.0, cy = height() / 2.0;
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(200, 200, 200), 1));
        painter.drawLine(QPointF(0, cy), QPointF(width(), cy));
        painter.drawLine(QPointF(cx, 0), QPointF(cx, height()));
    }
    const QRgb dot = gridColour.rgb();
    for (const std::complex<double> z : grid_)
        for (const double im : {z.imag(), -z.imag()}) {
            const auto x = static_cast<int>(std::lround(cx + z.real() * backgroundScale_));
            const auto y = static_cast<int>(std::lround(cy - im * backgroundScale_));
            if (x >= 0 && y >= 0 && x < image.width() && y < image.height())
                image.setPixel(x, y, dot);
        }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(cx, cy), backgroundScale_, backgroundScale_);
    painter.end();
    background_ = QPixmap::fromImage(std::move(image));
}

void ZPlaneView::resizeEvent(QResizeEvent*) {
    renderBackground();
}

void ZPlaneView::paintEvent(QPaintEvent*) {
    // The background is drawn again only when the plane's scale or the widget's size moved.
    if (scale() != backgroundScale_ || background_.size() != size())
        renderBackground();
    QPainter painter(this);
    painter.drawPixmap(0, 0, background_);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!model_)
        return;
    QFont font = painter.font();
    font.setPointSizeF(8);
    painter.setFont(font);

    const auto mark = [&](std::complex<double> z, RootSet set, int multiplicity, QColor colour) {
        const QPointF p = pointOf(z);
        painter.setPen(QPen(colour, 1.6));
        if (set == RootSet::Zeros) {
            painter.drawEllipse(p, markSize, markSize);
        } else {
            painter.drawLine(p + QPointF(-markSize, -markSize), p + QPointF(markSize, markSize));
            painter.drawLine(p + QPointF(-markSize, markSize), p + QPointF(markSize, -markSize));
        }
        if (multiplicity > 1)
            painter.drawText(p + QPointF(markSize + 2, -markSize - 1),
                             QString::number(multiplicity));
    };
    const auto& poles = model_->roots(RootSet::Poles);
    // Each pole's quantised position, joined to it.
    for (std::size_t i = 0; i < poles.size() && i < quantised_.size(); ++i) {
        if (!quantised_[i])
            continue;
        for (bool lower : {false, true}) {
            const std::complex<double> p = lower ? std::conj(poles[i].z()) : poles[i].z();
            const std::complex<double> q = lower ? std::conj(*quantised_[i]) : *quantised_[i];
            painter.setPen(QPen(quantisedColour, 1));
            painter.drawLine(pointOf(p), pointOf(q));
            painter.setBrush(quantisedColour);
            painter.drawEllipse(pointOf(q), 2.5, 2.5);
            painter.setBrush(Qt::NoBrush);
        }
    }
    for (RootSet set : {RootSet::Zeros, RootSet::Poles}) {
        const auto& roots = model_->roots(set);
        for (std::size_t i = 0; i < roots.size(); ++i) {
            const bool selected = selection_ && *selection_ == RootRef{set, i};
            const bool outside = set == RootSet::Poles && std::abs(roots[i].radius) >= 1;
            const QColor colour = selected ? selectedColour : outside ? unstableColour : rootColour;
            mark(roots[i].z(), set, roots[i].multiplicity, colour);
            if (roots[i].pair())
                mark(std::conj(roots[i].z()), set, roots[i].multiplicity, colour);
        }
    }
}

void ZPlaneView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    setFocus();
    const std::optional<RootRef> picked = rootAt(event->position());
    selection_ = picked;
    dragging_ = picked.has_value();
    if (picked && model_) {
        const std::complex<double> z = model_->roots(picked->set)[picked->index].z();
        lowerHalf_ = planeAt(event->position()).imag() < 0 && z.imag() > 0;
    }
    if (onPick)
        onPick(picked);
    update();
}

void ZPlaneView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton))
        return;
    std::complex<double> z = planeAt(event->position());
    if (lowerHalf_)
        z = std::conj(z);
    if (onDrag)
        onDrag(z, event->modifiers() & Qt::ShiftModifier);
}

void ZPlaneView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_)
        return;
    dragging_ = false;
    if (onDragEnd)
        onDragEnd();
}

void ZPlaneView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || rootAt(event->position()))
        return;
    dragging_ = false;
    if (onDoubleClick)
        onDoubleClick(planeAt(event->position()));
}

} // namespace zorkan::ui
