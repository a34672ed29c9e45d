#include "modelling/F2.h"

#include "common/errors.h"
#include "ui/errorhandler.h"
#include "ui/prompts.h"
#include "ui/windownumbers.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace zorkan::ui {

const char* const badNumberMessage = "Ошибочная запись числа:";

TSetupForm::TSetupForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SetupForm"));
    setWindowTitle(QStringLiteral("Настройка"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(236, 146);

    const auto label = [this](const char* name, const char* text, int y) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(12, y, 90, 21);
        return l;
    };
    const auto field = [this](const char* name, int y) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(108, y, 116, 22);
        e->installEventFilter(this);
        return e;
    };
    QLabel* frequencyLabel = label("Label1", "Частота", 10);
    Edit1 = field("Edit1", 10);
    frequencyLabel->setBuddy(Edit1);
    QLabel* lawLabel = label("Label2", "Шумы Закон", 40);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->addItems(
        {QStringLiteral("Равномерное"), QStringLiteral("Гаусовское"), QStringLiteral("Нет")});
    ComboBox1->setCurrentText(QStringLiteral("Равномерное"));
    ComboBox1->setGeometry(108, 40, 116, 22);
    lawLabel->setBuddy(ComboBox1);
    QLabel* sigmaLabel = label("Label3", "Сигма", 70);
    Edit2 = field("Edit2", 70);
    sigmaLabel->setBuddy(Edit2);

    BitBtn1 = new QPushButton(QStringLiteral("ДА"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(20, 108, 90, 27);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    BitBtn2 = new QPushButton(QStringLiteral("НЕТ"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(126, 108, 90, 27);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TSetupForm::showEvent(QShowEvent* event) {
    if (const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen())
        move(shown->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

bool TSetupForm::checkField(QLineEdit* field, double limit) {
    if (checking_)
        return false;
    checking_ = true;
    bool good = false;
    try {
        const double v = readReal(field->text());
        good = v > 0 && v <= limit;
    } catch (const ConvertError&) {
    }
    if (!good) {
        prompts().message(MessageIcon::None, applicationTitle(),
                          QString::fromUtf8(badNumberMessage) + field->text());
        field->setFocus();
    }
    checking_ = false;
    return good;
}

void TSetupForm::accept() {
    if (checkField(Edit1, 2.0) && checkField(Edit2, 100.0))
        QDialog::accept();
}

bool TSetupForm::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == Edit1 || watched == Edit2) && event->type() == QEvent::FocusOut) {
        // Leaving for another control of the dialog; a message box taking the focus, or
        // the dialog closing, is not leaving.
        const QWidget* next = QApplication::focusWidget();
        if (next && isAncestorOf(next) && isVisible())
            checkField(static_cast<QLineEdit*>(watched), watched == Edit1 ? 2.0 : 100.0);
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace zorkan::ui
