#pragma once
// "Экспорт фильтра": a filter parameter file written as second-order sections for other
// tools (CSV, Octave/MATLAB, Python, C), or a ".fir" file's taps exactly as zorkan-cli export
// writes them (the first format then writes the taps as CSV, the number types of C are
// double, float, q15 and q31, CMSIS-DSP's q15, q31 and f32 the FIR kernels, and the controls
// of sections are greyed). The source file, the format, the number type
// and name for C and the normalisation are chosen here; the pages below show the text
// of every file the proposed name gives (the test program of the golden vectors too), and
// the warnings about the filter, before anything is written. "Экспорт..." asks for the output
// file (in the parameter file's folder), asks before replacing an existing file, refuses the
// parameter file itself, asks once whether to write a filter with warnings, and writes; the
// status bar names the full paths written. Enter in a field does not export. Errors go to
// the application's general handler.
//
// Object names: Edit1 (source file), BitBtn1 (choose it), ComboBox1 (format),
// ComboBox2 (number type for C), Edit2 (name for C), CheckBox1 (normalise: ticked exactly
// when ComboBox3 scales the sections), PageControl1 (one page per file, Memo1, Memo2 and
// Memo3 holding the texts), Label1 (the warnings, or why there is no text to show), BitBtn2
// (export), BitBtn3 (close), StatusBar1 with Label2 (the files written); after them ComboBox3
// (scaling), ComboBox4 (section order) and SpinEdit1 (samples of the golden test vectors for
// C, CMSIS-DSP and Verilog, 0 for none); then, for Verilog (the last format), SpinEdit2 (data
// bits), SpinEdit3 (coefficient bits), ComboBox5 (rounding), ComboBox6 (overflow); last
// ComboBox7, the structure of the sections for C and Verilog ("своя": the target's own;
// the structures the chosen target does not have greyed).
#include "export/formats.h"

#include <QDialog>
#include <QString>

#include <array>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class QVBoxLayout;

namespace zorkan::ui {

class ExportDialog : public QDialog {
    Q_OBJECT

  public:
    explicit ExportDialog(QWidget* owner);

    void setSourceFile(const QString& path);
    // Chooses the format and number type that write the implementation's target as code
    // (the target table), its scaling and section order, and for Verilog its words and
    // rules.
    void preset(const ImplementationOptions& implementation);

    // What the controls ask to be written.
    ExportOptions chosenOptions() const;

    void BitBtn1Click(); // chooses the source file
    void BitBtn2Click(); // asks for the output file and exports

  private:
    // The steps of building the dialog: each group of controls, then their signals.
    void createSourceControls(QFormLayout* form);
    void createFormatControls(QFormLayout* form, QVBoxLayout* column);
    void createVerilogControls(QVBoxLayout* column);
    void createPreview(QVBoxLayout* column);
    void createButtons(QVBoxLayout* column);
    void createImplementationControls(QVBoxLayout* column);
    void connectControls();

    void ComboBox1Change();
    // Shows the texts the proposed output name would get, and the warnings.
    void showPreview();
    // True when every existing file of `files` may be replaced.
    bool replaceAllowed(const std::vector<std::string>& files);
    // Verilog: the module of the fixed-point implementation with the chosen words.
    bool verilogChosen() const;
    // C or Verilog: the formats that write the structure.
    bool structureChosen() const;
    void offerChosenStructures();
    // Offers the formats and types of the source's kind (a ".fir" file's taps or sections).
    void offerSourceFormats();
    // Writes a ".fir" file's taps as `options` ask (the export of zorkan-cli).
    void exportTaps(const QString& source, const ExportOptions& options);

    QLineEdit* Edit1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    QPlainTextEdit* Memo3 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QComboBox* ComboBox4 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QSpinBox* SpinEdit2 = nullptr;
    QSpinBox* SpinEdit3 = nullptr;
    QComboBox* ComboBox5 = nullptr;
    QComboBox* ComboBox6 = nullptr;
    QComboBox* ComboBox7 = nullptr;
    // The sections the pages show, and what they were made from.
    QString previewKey_;
    ExportedFilter previewFilter_;
    bool firShown_ = false; // the source is a ".fir" file of taps
    // The hints of CheckBox1, ComboBox3, ComboBox4 and ComboBox7, shown again for sections.
    std::array<QString, 4> sectionHints_;
};

// Opens the dialog, modal, on `source` preset to the implementation (ExportDialog::preset).
void exportImplementation(QWidget* owner, const QString& source,
                          const ImplementationOptions& implementation);

} // namespace zorkan::ui
