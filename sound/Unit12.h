#pragma once
// TForm12, "WAV File ...": the small question the sound windows ask about a file that is
// missing (or, for the converter's outputs, about to be replaced). "Да" and "Нет" set the
// process-wide answer flags and close the window; the asking window reads them.
#include <QColor>
#include <QDialog>

class QLabel;
class QPushButton;

namespace zorkan::ui {

class TForm12 : public QDialog {
    Q_OBJECT

  public:
    explicit TForm12(QWidget* owner);

    void setFileName(const QString& name);
    void setTexts(const QString& first, const QString& second);
    void setMark(const QString& mark, const QColor& colour);

    // What the asking window puts into a new question window.
    struct Question {
        QString first;
        QString second;
        QString mark;
        QColor colour;
    };
    // The standard question: "Этот файл не найден", "Проверьте правильность имени файла", red "!".
    static Question fileNotFound();
    // Makes a question window owned by `owner` (kept hidden after it closes), names the
    // file without its folder, and shows it modally.
    static void ask(QWidget* owner, const QString& path, const Question& question);

  private:
    void BitBtn1Click();
    void BitBtn2Click();

    QLabel* Label1; // the mark
    QLabel* Label2; // the file name
    QLabel* Label3;
    QLabel* Label4;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
};

} // namespace zorkan::ui
