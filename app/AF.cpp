#include "app/AF.h"

#include "app/jpegimage.h"
#include "ui/controls.h"
#include "zorkanconfig.h"

#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace zorkan::ui {

namespace {

QLabel* addLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QFont arial(int pixelSize, bool italic) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setItalic(italic);
    return font;
}

QPixmap makerPicture() {
    QFile file(QStringLiteral(":/pictures/maker.jpg"));
    if (!file.open(QIODevice::ReadOnly))
        return QPixmap();
    return QPixmap::fromImage(decodeJpeg(file.readAll()));
}

} // namespace

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("О программе..."));
    setFixedSize(579, 281);

    auto* logo = addLabel(this, "Image1", QString());
    logo->setGeometry(10, 10, 150, 75);
    logo->setPixmap(QPixmap(QStringLiteral(":/pictures/logo-about.png")));

    auto* top = new QFrame(this);
    top->setObjectName(QStringLiteral("Panel1"));
    top->setFrameStyle(QFrame::Panel | QFrame::Raised);
    top->setGeometry(170, 10, 399, 118);
    auto* title = addLabel(top, "Label1", QStringLiteral("Система ZORKAN: "));
    title->setFont(arial(16, false));
    title->setStyleSheet(QStringLiteral("color: maroon"));
    auto* line1 =
        addLabel(top, "Label2", QStringLiteral("проектирование и исследование цифровых фильтров"));
    auto* line2 = addLabel(top, "Label3", QStringLiteral("спектральный анализ"));
    for (QLabel* line : {line1, line2}) {
        line->setFont(arial(13, true));
        line->setStyleSheet(QStringLiteral("color: navy"));
    }
    auto* version = addLabel(top, "Label4", QStringLiteral("Версия " ZORKAN_VERSION));
    for (QLabel* line : {title, line1, line2})
        fitText(line, 383);
    auto* titles = new QVBoxLayout(top);
    titles->setContentsMargins(6, 8, 6, 8);
    for (QLabel* label : {title, line1, line2, version}) {
        label->setAlignment(Qt::AlignCenter);
        titles->addWidget(label);
    }

    auto* bottom = new QFrame(this);
    bottom->setObjectName(QStringLiteral("Panel2"));
    bottom->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bottom->setGeometry(10, 136, 559, 96);
    auto* author = addLabel(bottom, "Label5", QStringLiteral("Автор:"));
    author->setGeometry(10, 8, 60, 18);
    QFont bold = author->font();
    bold.setBold(true);
    author->setFont(bold);
    const char* names[] = {"Label6", "Label7", "Label8", "Label9"};
    const QString lines[] = {
        QStringLiteral("коллектив разработчиков системы ZORKAN"),
        QStringLiteral("учебный комплекс проектирования цифровых БИХ-фильтров"),
        QStringLiteral("и спектрального анализа дискретных сигналов"),
        QStringLiteral("Изготовитель: мастерская ZORKAN, 2025 г."),
    };
    for (int i = 0; i < 4; ++i) {
        auto* line = addLabel(bottom, names[i], lines[i]);
        line->setGeometry(i == 0 ? 74 : 10, 8 + 20 * i, 440, 18);
    }
    auto* maker = addLabel(bottom, "Image2", QString());
    maker->setGeometry(471, 8, 80, 80);
    maker->setScaledContents(true);
    maker->setPixmap(makerPicture());
    maker->setToolTip(QStringLiteral("Мастерская ZORKAN, 2025"));

    auto* ok = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                               QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setGeometry(484, 243, 85, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutForm::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

} // namespace zorkan::ui
