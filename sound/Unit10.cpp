#include "sound/Unit10.h"

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

namespace {

QString shortName(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName();
}

} // namespace

QColor questionGreen() {
    return QColor(0, 128, 0);
}

TForm10::TForm10(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("WAVE File Reader and Converter"));
    setFixedSize(323, 233);

    const auto label = [this](const char* name, const QString& text, int x, int y) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(x, y, 72, 16);
        fitText(l, 72);
        return l;
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

    label("Label1", QStringLiteral("Input File"), 12, 28);
    Edit1 = field("Edit1", 24);
    auto* browseSound = button("Button1", QStringLiteral("Browse"), {234, 23, 75, 26});
    label("Label2", QStringLiteral("Output File"), 12, 72);
    Edit2 = field("Edit2", 68);
    auto* browseSignal = button("Button2", QStringLiteral("Browes"), {234, 67, 75, 26});
    label("Label3", QStringLiteral("Header"), 12, 108);
    label("Label4", QStringLiteral("Wave File"), 12, 124);
    Edit3 = field("Edit3", 112);
    auto* browseHeader = button("Button3", QStringLiteral("Browes"), {234, 111, 75, 26});
    auto* convert = button("Button4", QStringLiteral("Convert"), {60, 176, 90, 30});
    auto* exit = button("Button5", QStringLiteral("Exit"), {172, 176, 90, 30});

    connect(browseSound, &QPushButton::clicked, this, &TForm10::Button1Click);
    connect(browseSignal, &QPushButton::clicked, this, &TForm10::Button2Click);
    connect(browseHeader, &QPushButton::clicked, this, &TForm10::Button3Click);
    connect(convert, &QPushButton::clicked, this, &TForm10::Button4Click);
    connect(exit, &QPushButton::clicked, this, &TForm10::Button5Click);
}

void TForm10::Button1Click() {
    ConverterFiles& files = soundTools().converter;
    soundTools().answer.clear();
    if (std::optional<QString> chosen =
            prompts().openFileName({QString(), QDir::currentPath(), QStringLiteral("1.wav"),
                                    QStringLiteral("WAV Files [*.wav]|*.wav"), QString()}))
        files.soundName = chosen->toStdString();
    try {
        files.sound = OpenFile::openForReading(files.soundName);
    } catch (const Error&) {
        files.sound = OpenFile();
        Edit1->clear(); // no file is chosen any more
        TForm12::ask(this, QString::fromStdString(files.soundName), TForm12::fileNotFound());
        return;
    }
    Edit1->setText(shortName(files.soundName));
}

bool TForm10::chooseOutput(std::string& name, const char* proposed, const QString& filter) {
    AnswerFlags& answer = soundTools().answer;
    answer.clear();
    if (std::optional<QString> chosen = prompts().saveFileName(
            {QString(), QDir::currentPath(), QString::fromLatin1(proposed), filter, QString()}))
        name = chosen->toStdString();
    const QString path = QString::fromStdString(name);
    bool exists = true;
    try {
        OpenFile::openForReading(name);
    } catch (const Error&) {
        exists = false;
    }
    if (!exists) {
        TForm12::ask(this, path,
                     {QStringLiteral("Такой файл не существует"), QStringLiteral("Создать его?"),
                      QStringLiteral("?"), questionGreen()});
        if (!answer.yes)
            return false;
        OpenFile::create(name).close();
        return true;
    }
    // An existing file is emptied only by "Convert", and only when the user agrees here.
    TForm12::ask(this, path,
                 {QStringLiteral("Такой файл уже существует"), QStringLiteral("Заменить его?"),
                  QStringLiteral("?"), questionGreen()});
    return answer.yes;
}

void TForm10::Button2Click() {
    ConverterFiles& files = soundTools().converter;
    files.signalChosen = false;
    files.signalChosen =
        chooseOutput(files.signalName, "x1.xicd", QStringLiteral("Files *.xicd|*.xicd"));
    // After "Нет" no file is chosen, and the field says so.
    Edit2->setText(files.signalChosen ? shortName(files.signalName) : QString());
}

void TForm10::Button3Click() {
    ConverterFiles& files = soundTools().converter;
    files.headerChosen = false;
    files.headerChosen =
        chooseOutput(files.headerName, "Y1.wav", QStringLiteral("fILES Header [*.WAV]|*.WAV"));
    Edit3->setText(files.headerChosen ? shortName(files.headerName) : QString());
}

void TForm10::Button4Click() {
    {
        BusyCursor busy;
        runConversion(soundTools().converter);
    }
    close();
}

void TForm10::Button5Click() {
    close();
}

} // namespace zorkan::ui
