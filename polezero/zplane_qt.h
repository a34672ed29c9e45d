#pragma once
// The z-plane of the pole-zero editor: the unit circle, zeros (o) and poles (x) with
// their conjugates and multiplicities, the realisable grid as dots, each pole's
// quantised position joined to it, and the selected root. A press picks the nearest root
// and a drag moves it; a double click on empty space asks for a new pair. The view only
// shows what the window gives it and reports the mouse; the window changes the model.
#include "polezero/polezeromodel.h"

#include <QPixmap>
#include <QWidget>

#include <complex>
#include <functional>
#include <optional>
#include <vector>

namespace zorkan::ui {

struct RootRef {
    RootSet set = RootSet::Poles;
    std::size_t index = 0;
    bool operator==(const RootRef&) const = default;
};

class ZPlaneView : public QWidget {
  public:
    explicit ZPlaneView(QWidget* parent = nullptr);

    void setModel(const PoleZeroModel* model) { model_ = model; }
    void setSelection(std::optional<RootRef> selection);
    const std::optional<RootRef>& selection() const { return selection_; }
    // The realisable positions above the axis (mirrored below when drawn).
    void setGrid(std::vector<std::complex<double>> points);
    // The quantised position of each pole (by the poles' order); empty for none.
    void setQuantised(std::vector<std::optional<std::complex<double>>> positions);
    void setUnstable(bool unstable) { unstable_ = unstable; }

    // The plane point under a widget point, and back.
    std::complex<double> planeAt(QPointF at) const;
    QPointF pointOf(std::complex<double> z) const;
    // The root whose mark (or its conjugate's) lies within pickRadius pixels of `at`.
    std::optional<RootRef> rootAt(QPointF at) const;

    // A press picked a root (or nothing); a drag moves the picked root to z (the member
    // above the axis when it is a pair), `shift` held; the release ends the drag.
    std::function<void(std::optional<RootRef>)> onPick;
    std::function<void(std::complex<double> z, bool shift)> onDrag;
    std::function<void()> onDragEnd;
    std::function<void(std::complex<double> z)> onDoubleClick;

    static constexpr double pickRadius = 8;
    // The plane shown reaches this far from the origin at least.
    static constexpr double shownRadius = 1.25;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    double scale() const;
    void renderBackground();

    const PoleZeroModel* model_ = nullptr;
    std::optional<RootRef> selection_;
    std::vector<std::complex<double>> grid_;
    QPixmap background_;
    double backgroundScale_ = 0; // the scale the background was drawn at
    std::vector<std::optional<std::complex<double>>> quantised_;
    bool unstable_ = false;
    bool dragging_ = false;
    bool lowerHalf_ = false; // the drag holds the conjugate below the axis
};

} // namespace zorkan::ui
