#include "spectral/KF.h"

#include "common/errors.h"
#include "ui/windownumbers.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>

namespace zorkan::ui {

namespace {

QPointer<TForm8> instance;

} // namespace

TForm8::TForm8(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Ввод коэффициента"));
    setFixedSize(297, 111);

    auto* label = new QLabel(QStringLiteral("Введите коэффициент (0<K<1):"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setGeometry(16, 12, 265, 17);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(16, 36, 265, 23);
    label->setBuddy(Edit1);

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                              QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(40, 72, 97, 27);
    BitBtn1->setDefault(true);

    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                              QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(160, 72, 97, 27);

    connect(Edit1, &QLineEdit::textChanged, this, &TForm8::Edit1Change);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    Edit1Change();
    instance = this;
}

TForm8::~TForm8() = default;

void TForm8::setText(const QString& text) {
    Edit1->setText(text);
}

QString TForm8::text() const {
    return Edit1->text();
}

// The preset is selected, so that typing replaces it.
void TForm8::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Edit1->setFocus();
    Edit1->selectAll();
}

// The text is read with the user's decimal separator or a point, so that the presets
// "0.97" and "0.98" are numbers whatever the settings.
void TForm8::Edit1Change() {
    try {
        value_ = readReal(Edit1->text());
    } catch (const ConvertError&) {
        value_ = 0;
    }
    BitBtn1->setEnabled(value_ > 0 && value_ < 1);
}

TForm8* coefficientDialog() {
    return instance;
}

} // namespace zorkan::ui
