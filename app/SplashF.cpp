#include "app/SplashF.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace zorkan::ui {

TSplash::TSplash(QWidget* parent, int intervalMs)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Splash"));
    setFixedSize(492, 323);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);
    panel->setGeometry(0, 0, 492, 323);

    auto* picture = new QLabel(panel);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setGeometry(2, 2, 488, 319);
    picture->setScaledContents(true);
    picture->setPixmap(QPixmap(QStringLiteral(":/pictures/splash.png")));

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                              QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(326, 292, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn1->hide();
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setSingleShot(true);
    connect(&Timer1, &QTimer::timeout, this, &TSplash::Timer1Timer);
    Timer1.start(intervalMs);
}

void TSplash::setOkVisible(bool visible) {
    BitBtn1->setVisible(visible);
}

void TSplash::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

// Hiding also ends a modal show.
void TSplash::Timer1Timer() {
    hide();
}

} // namespace zorkan::ui
