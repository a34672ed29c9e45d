#pragma once
// THelpForm, "Помощь": the plain text of "help.txt", loaded once when the window is
// created.
#include <QDialog>

class QPlainTextEdit;

namespace zorkan::ui {

class THelpForm : public QDialog {
    Q_OBJECT

  public:
    // Loads "help.txt" from the current folder or, when there is none there, the
    // installed copy (helpFilePath). A file that cannot be opened is reported through the
    // general error handler and the window stays empty.
    explicit THelpForm(QWidget* parent);

    QString text() const;

  private:
    void FormCreate();

    QPlainTextEdit* Memo1;
};

// The help text the window loads: "help.txt" in the current folder if it exists there;
// otherwise the installed copy if that exists (a program started from the desktop menu
// runs in the home folder); otherwise "help.txt" again, so the error names that file.
QString helpFilePath();

// The installed copy of the help text: <folder of the program>/../share/zorkan/help.txt
// for the installed layout. setInstalledHelpFile points it elsewhere (tests); an empty
// path restores the default.
QString installedHelpFile();
void setInstalledHelpFile(const QString& path);

// The text of a CP1251 file with CR LF (or LF) line ends, as UTF-8 lines joined with
// "\n". Raises "Cannot open file "<path>". <reason>" when the file cannot be opened.
QString loadCp1251Text(const QString& path);

} // namespace zorkan::ui
