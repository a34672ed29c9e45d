#pragma once
// THelpForm, "Помощь": the plain text of "help.txt", loaded once when the window is
// created.
#include <QDialog>

class QPlainTextEdit;

namespace zorkan::ui {

class THelpForm : public QDialog {
    Q_OBJECT

  public:
    // Loads "help.txt" from the current folder. A file that cannot be opened is reported
    // through the general error handler and the window stays empty.
    explicit THelpForm(QWidget* parent);

    QString text() const;

  private:
    void FormCreate();

    QPlainTextEdit* Memo1;
};

// The text of a CP1251 file with CR LF (or LF) line ends, as UTF-8 lines joined with
// "\n". Raises "Cannot open file "<path>". <reason>" when the file cannot be opened.
QString loadCp1251Text(const QString& path);

} // namespace zorkan::ui
