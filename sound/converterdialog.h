#pragma once
// The frame both sound converter windows (TForm10, TForm11) are built on: captions,
// read-only fields that show a chosen file's name and buttons, each at its place, and the
// run of the conversion under a busy cursor before the window closes.
#include <QDialog>

#include <functional>
#include <string>

class QLineEdit;
class QString;

namespace zorkan::ui {

class ConverterDialog : public QDialog {
  protected:
    ConverterDialog(QWidget* parent, const char* objectName, const QString& title, QSize size);

    // A caption 72 pixels wide, its text fitted to it.
    void addLabel(const char* name, const QString& text, int x, int y);
    QLineEdit* addNameField(const char* name, int y);
    void addButton(const char* name, const QString& text, QRect where,
                   std::function<void()> clicked);
    // The file's name without its folder, as the fields show it.
    static QString fileName(const std::string& path);
    void runAndClose(const std::function<void()>& conversion);
};

} // namespace zorkan::ui
