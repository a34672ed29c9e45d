#include "sound/Unit11.h"

#include "common/errors.h"
#include "sound/Unit12.h"
#include "sound/soundtools.h"
#include "ui/controls.h"
#include "ui/prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zorkan::ui {

TForm11::TForm11(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("WAVWrite"));
    setFixedSize(321, 201);

    const auto label = [this](const char* name, const QString& text, int y) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(12, y, 72, 16);
        fitText(l, 72);
    };
    const auto field = [this](const char* name, int y) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setReadOnly(true);
        e->setGeometry(88, y, 138, 24);
        return e;
    };
    const auto button = [this](const char* name, const QString& text, QRect where) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(where);
        return b;
    };

    label("Label1", QStringLiteral("YICD File"), 28);
    Edit1 = field("Edit1", 24);
    auto* browseSignal = button("Button1", QStringLiteral("Brouse"), {234, 23, 75, 26});
    label("Label2", QStringLiteral("Output WAV"), 68);
    label("Label3", QStringLiteral("File"), 84);
    Edit2 = field("Edit2", 72);
    auto* browseWav = button("Button2", QStringLiteral("Brouse"), {234, 71, 75, 26});
    auto* write = button("Button3", QStringLiteral("Write"), {60, 144, 90, 30});
    auto* exit = button("Button4", QStringLiteral("Exit"), {172, 144, 90, 30});

    connect(browseSignal, &QPushButton::clicked, this, &TForm11::Button1Click);
    connect(browseWav, &QPushButton::clicked, this, &TForm11::Button2Click);
    connect(write, &QPushButton::clicked, this, &TForm11::Button3Click);
    connect(exit, &QPushButton::clicked, this, &TForm11::Button4Click);
}

void TForm11::Button1Click() {
    WriterFiles& files = soundTools().writer;
    if (std::optional<QString> chosen = prompts().openFileName(
            {QString(), QDir::currentPath(), QStringLiteral("Y1.yicd"),
             QStringLiteral("Input (Y Sequence) Files [*.yicd]|*.yicd"), QString()}))
        files.signalName = chosen->toStdString();
    files.signal.reset();
    try {
        files.signal = std::make_unique<TextReader>(files.signalName);
    } catch (const Error&) {
        TForm12::ask(this, QString::fromStdString(files.signalName), TForm12::fileNotFound());
        return;
    }
    Edit1->setText(QFileInfo(QString::fromStdString(files.signalName)).fileName());
}

void TForm11::Button2Click() {
    WriterFiles& files = soundTools().writer;
    if (std::optional<QString> chosen = prompts().openFileName(
            {QString(), QDir::currentPath(), QStringLiteral("Y1.wav"),
             QStringLiteral("Files [*.wav + *.yicd= *.wav]|*.wav"), QString()}))
        files.wavName = chosen->toStdString();
    try {
        files.wav = OpenFile::openForUpdate(files.wavName);
    } catch (const Error&) {
        files.wav = OpenFile();
        TForm12::ask(this, QString::fromStdString(files.wavName),
                     {QStringLiteral("Такой файл не существует"),
                      QStringLiteral("Проверьте правильность имени файла?"), QStringLiteral("!"),
                      Qt::red});
        return;
    }
    Edit2->setText(QFileInfo(QString::fromStdString(files.wavName)).fileName());
}

void TForm11::Button3Click() {
    {
        BusyCursor busy;
        runWriting(soundTools().writer);
    }
    close();
}

void TForm11::Button4Click() {
    close();
}

} // namespace zorkan::ui
