#include "sound/converterdialog.h"

#include "ui/controls.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zorkan::ui {

namespace {

constexpr int labelWidth = 72;

} // namespace

ConverterDialog::ConverterDialog(QWidget* parent, const char* objectName, const QString& title,
                                 QSize size)
    : QDialog(parent) {
    setObjectName(QString::fromLatin1(objectName));
    setWindowTitle(title);
    setFixedSize(size);
}

void ConverterDialog::addLabel(const char* name, const QString& text, int x, int y) {
    auto* l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(x, y, labelWidth, 16);
    fitText(l, labelWidth);
}

QLineEdit* ConverterDialog::addNameField(const char* name, int y) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    e->setReadOnly(true);
    e->setGeometry(88, y, 138, 24);
    return e;
}

void ConverterDialog::addButton(const char* name, const QString& text, QRect where,
                                std::function<void()> clicked) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(where);
    connect(b, &QPushButton::clicked, this, std::move(clicked));
}

QString ConverterDialog::fileName(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName();
}

void ConverterDialog::runAndClose(const std::function<void()>& conversion) {
    {
        BusyCursor busy;
        conversion();
    }
    close();
}

} // namespace zorkan::ui
