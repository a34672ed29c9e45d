#pragma once
// "Экспорт фильтра": a filter parameter file written as second-order sections for other
// tools (CSV, Octave/MATLAB, Python, C). The source file, the format, the number type
// and name for C and the normalisation are chosen here; "Экспорт..." asks for the output
// file and writes it, and the status bar names what was written. Errors go to the
// application's general handler; warnings about the filter are shown after writing.
//
// Object names: Edit1 (source file), BitBtn1 (choose it), ComboBox1 (format),
// ComboBox2 (number type for C), Edit2 (name for C), CheckBox1 (normalise),
// BitBtn2 (export), BitBtn3 (close), StatusBar1.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QStatusBar;

namespace zorkan::ui {

class ExportDialog : public QDialog {
    Q_OBJECT

  public:
    explicit ExportDialog(QWidget* owner);

    void setSourceFile(const QString& path);

    void BitBtn1Click(); // chooses the source file
    void BitBtn2Click(); // asks for the output file and exports

  private:
    void ComboBox1Change();

    QLineEdit* Edit1;
    QPushButton* BitBtn1;
    QComboBox* ComboBox1;
    QComboBox* ComboBox2;
    QLineEdit* Edit2;
    QCheckBox* CheckBox1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    QStatusBar* StatusBar1;
};

} // namespace zorkan::ui
