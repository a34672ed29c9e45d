#include "sound/Unit11.h"

#include "common/errors.h"
#include "sound/Unit12.h"
#include "sound/soundtools.h"
#include "ui/prompts.h"

#include <QDir>
#include <QLineEdit>

namespace zorkan::ui {

TForm11::TForm11(QWidget* parent)
    : ConverterDialog(parent, "Form11", QStringLiteral("WAVWrite"), {321, 201}) {
    addLabel("Label1", QStringLiteral("YICD File"), 12, 28);
    Edit1 = addNameField("Edit1", 24);
    addButton("Button1", QStringLiteral("Brouse"), {234, 23, 75, 26}, [this] { Button1Click(); });
    addLabel("Label2", QStringLiteral("Output WAV"), 12, 68);
    addLabel("Label3", QStringLiteral("File"), 12, 84);
    Edit2 = addNameField("Edit2", 72);
    addButton("Button2", QStringLiteral("Brouse"), {234, 71, 75, 26}, [this] { Button2Click(); });
    addButton("Button3", QStringLiteral("Write"), {60, 144, 90, 30},
              [this] { runAndClose([] { runWriting(soundTools().writer); }); });
    addButton("Button4", QStringLiteral("Exit"), {172, 144, 90, 30}, [this] { close(); });
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
    Edit1->setText(fileName(files.signalName));
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
    Edit2->setText(fileName(files.wavName));
}

} // namespace zorkan::ui
