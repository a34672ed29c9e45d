#include "ui/controls.h"

#include <QApplication>

#include <QFontMetrics>
#include <QGridLayout>
#include <QMouseEvent>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace zorkan::ui {

ActionButton::ActionButton(QAction* action, const QString& caption, QWidget* parent,
                           const QString& ownHint)
    : QPushButton(caption, parent), action_(action), ownHint_(ownHint) {
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QPushButton::clicked, action_, &QAction::trigger);
    connect(action_, &QAction::changed, this, [this] { follow(); });
    follow();
}

void ActionButton::follow() {
    setEnabled(action_->isEnabled());
    const QString hint = ownHint_.isEmpty() ? action_->statusTip() : ownHint_;
    setToolTip(hint);
    setStatusTip(hint);
}

ClickableImage::ClickableImage(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
}

void ClickableImage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

RadioGroup::RadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(title, parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 4, 8, 4);
    const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        buttons_.addButton(button, i);
        // Items run down the first column, then the next.
        grid->addWidget(button, i % rows, i / rows);
    }
    setItemIndex(0);
}

int RadioGroup::itemIndex() const {
    return buttons_.checkedId();
}

void RadioGroup::setItemIndex(int index) {
    if (auto* button = buttons_.button(index))
        button->setChecked(true);
}

PointerReadout::PointerReadout(QWidget* window, Readout readout)
    : QObject(window), label_(new QLabel(window)), readout_(std::move(readout)) {
    label_->setObjectName(QStringLiteral("StaticText1"));
    QFont small = window->font();
    small.setPixelSize(11);
    label_->setFont(small);
    label_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label_->setFixedHeight(20);
}

void PointerReadout::watch(QWidget* picture) {
    pictures_.push_back(picture);
    picture->setMouseTracking(true);
    picture->installEventFilter(this);
}

void PointerReadout::placeUnder(QWidget* content) {
    auto* column = new QVBoxLayout(label_->parentWidget());
    column->setContentsMargins(4, 4, 4, 3);
    column->setSpacing(3);
    column->addWidget(content, 1);
    column->addWidget(label_);
}

bool PointerReadout::eventFilter(QObject* watched, QEvent* event) {
    const auto picture = std::find(pictures_.begin(), pictures_.end(), watched);
    if (picture != pictures_.end() && event->type() == QEvent::MouseMove)
        label_->setText(readout_(static_cast<int>(picture - pictures_.begin()),
                                 static_cast<QMouseEvent*>(event)->position().toPoint()));
    else if (event->type() == QEvent::Leave)
        label_->clear();
    return QObject::eventFilter(watched, event);
}

void fitText(QLabel* label, int width) {
    QFont font = label->font();
    const auto fits = [&] { return QFontMetrics(font).horizontalAdvance(label->text()) <= width; };
    while (!fits() && font.stretch() > 80)
        font.setStretch((font.stretch() == QFont::AnyStretch ? 100 : font.stretch()) - 5);
    while (!fits() && font.pixelSize() > 8)
        font.setPixelSize(font.pixelSize() - 1);
    label->setFont(font);
}

BusyCursor::BusyCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() {
    QApplication::restoreOverrideCursor();
}

} // namespace zorkan::ui
