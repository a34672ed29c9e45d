#include "sound/Unit10.h"

#include "common/errors.h"
#include "sound/Unit12.h"
#include "sound/soundtools.h"
#include "ui/prompts.h"

#include <QDir>
#include <QLineEdit>

namespace zorkan::ui {

QColor questionGreen() {
    return QColor(0, 128, 0);
}

TForm10::TForm10(QWidget* parent)
    : ConverterDialog(parent, "Form10", QStringLiteral("WAVE File Reader and Converter"),
                      {323, 233}) {
    addLabel("Label1", QStringLiteral("Input File"), 12, 28);
    Edit1 = addNameField("Edit1", 24);
    addButton("Button1", QStringLiteral("Browse"), {234, 23, 75, 26}, [this] { Button1Click(); });
    addLabel("Label2", QStringLiteral("Output File"), 12, 72);
    Edit2 = addNameField("Edit2", 68);
    addButton("Button2", QStringLiteral("Browes"), {234, 67, 75, 26}, [this] { Button2Click(); });
    addLabel("Label3", QStringLiteral("Header"), 12, 108);
    addLabel("Label4", QStringLiteral("Wave File"), 12, 124);
    Edit3 = addNameField("Edit3", 112);
    addButton("Button3", QStringLiteral("Browes"), {234, 111, 75, 26}, [this] { Button3Click(); });
    addButton("Button4", QStringLiteral("Convert"), {60, 176, 90, 30},
              [this] { runAndClose([] { runConversion(soundTools().converter); }); });
    addButton("Button5", QStringLiteral("Exit"), {172, 176, 90, 30}, [this] { close(); });
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
    Edit1->setText(fileName(files.soundName));
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
    Edit2->setText(files.signalChosen ? fileName(files.signalName) : QString());
}

void TForm10::Button3Click() {
    ConverterFiles& files = soundTools().converter;
    files.headerChosen = false;
    files.headerChosen =
        chooseOutput(files.headerName, "Y1.wav", QStringLiteral("fILES Header [*.WAV]|*.WAV"));
    Edit3->setText(files.headerChosen ? fileName(files.headerName) : QString());
}

} // namespace zorkan::ui
