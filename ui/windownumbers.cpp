#include "ui/windownumbers.h"

#include <QLocale>

namespace zorkan::ui {

char decimalSeparator() {
    const QString point = QLocale().decimalPoint();
    if (point.size() == 1 && point.at(0).unicode() < 0x80)
        return static_cast<char>(point.at(0).unicode());
    return '.';
}

double readReal(const QString& text) {
    return parseWindowReal(text.toStdString(), decimalSeparator());
}

std::int64_t readInteger(const QString& text) {
    return parseWindowInteger(text.toStdString());
}

QString showFixed(double value, int precision, int digits) {
    return QString::fromStdString(formatFixed(value, precision, digits, decimalSeparator()));
}

QString showGeneral(double value, int significant) {
    return QString::fromStdString(formatGeneral(value, decimalSeparator(), significant));
}

} // namespace zorkan::ui
