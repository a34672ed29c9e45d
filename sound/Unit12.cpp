#include "sound/Unit12.h"

#include "sound/soundtools.h"
#include "ui/controls.h"
#include "ui/prompts.h"

#include <QFileInfo>

#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace zorkan::ui {

TForm12::TForm12(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral("WAV File ..."));
    setFixedSize(275, 135);

    Label1 = new QLabel(QStringLiteral("!"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont big = Label1->font();
    big.setPixelSize(40);
    big.setBold(true);
    Label1->setFont(big);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(6, 20, 36, 56);
    setMark(QStringLiteral("!"), Qt::red);

    const auto line = [this](const char* name, int y, const QString& text) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QString::fromLatin1(name));
        label->setGeometry(48, y, 222, 18);
        QFont font = label->font();
        font.setPixelSize(13); // in pixels, so that a long text can be fitted
        label->setFont(font);
        return label;
    };
    Label2 = line("Label2", 14, QString());
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    Label3 = line("Label3", 38, QString());
    Label4 = line("Label4", 58, QString());
    const Question standard = fileNotFound();
    setTexts(standard.first, standard.second);

    BitBtn1 = new QPushButton(QStringLiteral("Да"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(56, 96, 75, 25);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm12::BitBtn1Click);
    BitBtn2 = new QPushButton(QStringLiteral("Нет"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(144, 96, 75, 25);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm12::BitBtn2Click);
}

void TForm12::setFileName(const QString& name) {
    Label2->setText(name);
}

void TForm12::setTexts(const QString& first, const QString& second) {
    Label3->setText(first);
    Label4->setText(second);
    fitText(Label3, Label3->width());
    fitText(Label4, Label4->width());
    // Both lines in one size: the smaller one that fits.
    QFont font = Label3->font();
    font.setPixelSize(std::min(font.pixelSize(), Label4->font().pixelSize()));
    Label3->setFont(font);
    Label4->setFont(font);
}

void TForm12::setMark(const QString& mark, const QColor& colour) {
    Label1->setText(mark);
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::WindowText, colour);
    Label1->setPalette(palette);
}

TForm12::Question TForm12::fileNotFound() {
    return {QStringLiteral("Этот файл не найден"),
            QStringLiteral("Проверьте правильность имени файла"), QStringLiteral("!"), Qt::red};
}

void TForm12::ask(QWidget* owner, const QString& path, const Question& question) {
    auto* window = new TForm12(owner);
    window->setFileName(QFileInfo(path).fileName());
    window->setTexts(question.first, question.second);
    window->setMark(question.mark, question.colour);
    prompts().showModal(window);
}

void TForm12::BitBtn1Click() {
    soundTools().answer.yes = true;
    accept();
}

void TForm12::BitBtn2Click() {
    soundTools().answer.no = true;
    reject();
}

} // namespace zorkan::ui
