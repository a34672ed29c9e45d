#include "app/ras5.h"

#include "ui/sharedstate.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace zorkan::ui {

TForm5::TForm5(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Результаты"));
    setFixedSize(379, 283);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(13, 12, 353, 201);
    Memo1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QPalette colours = Memo1->palette();
    colours.setColor(QPalette::Base, colours.color(QPalette::Button));
    colours.setColor(QPalette::Text, Qt::blue);
    Memo1->setPalette(colours);

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton),
                              QStringLiteral("Готово"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(139, 232, 100, 30);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm5::BitBtn1Click);
}

void TForm5::clearText() {
    Memo1->clear();
}

void TForm5::appendLine(const QString& line) {
    Memo1->appendPlainText(line);
}

void TForm5::setTextReadOnly(bool readOnly) {
    Memo1->setReadOnly(readOnly);
}

QString TForm5::text() const {
    return Memo1->toPlainText();
}

void TForm5::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TForm5::BitBtn1Click() {
    SharedState& state = shared();
    state.ResponseFilterFile = state.DesignedFilterFile;
    if (state.flags.ResponseWindowOpen == 0 && state.response.open) {
        state.response.open();
        state.flags.ResponseWindowOpen = 1;
    }
    if (state.flags.ResponseWindowOpen == 1 && state.response.setFileName)
        state.response.setFileName(state.ResponseFilterFile);
    Memo1->clear();
    accept();
}

} // namespace zorkan::ui
