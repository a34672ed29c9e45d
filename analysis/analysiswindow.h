#pragma once
// AnalysisWindow, "Анализ фильтра": the zeros and poles of a stored filter on the
// z-plane, its stability, group delay, impulse and step responses, and, with a second
// file, how far its roots and its magnitude response moved. A child window of the main
// window; several may be open.
//
// Object names: BitBtn1 "Файл" with the file name Edit1, BitBtn2 "Сравнить" with the
// second file name Edit2, BitBtn3 "Без сравнения", Edit3 the sampling frequency "FD",
// Edit4 the number of response samples, BitBtn4 "Расчет", BitBtn5 "Выход"; Memo1 the
// summary, the comparison and the list of roots; PageControl1 with TabSheet1..TabSheet5
// (z-plane, group delay, impulse, step, magnitudes of both files) holding Image1..Image5
// and their captions Label1..Label5; StaticText1 the readout under the pointer.
#include "analysis/analysisrun.h"

#include <QWidget>

#include <array>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace zorkan::ui {

class PictureBox;

class AnalysisWindow : public QWidget {
    Q_OBJECT

  public:
    explicit AnalysisWindow(QWidget* parent = nullptr);

    // Chooses the file (or the second file) and analyses again.
    void BitBtn1Click();
    void BitBtn2Click();
    // Analyses the chosen files with the FD and sample count of the fields.
    void runAnalysis();
    // Sets the files directly (tests, other windows) and analyses.
    void openFiles(const QString& first, const QString& second = QString());

    PictureBox* picture(AnalysisPage page) const { return images_[static_cast<int>(page)]; }
    const std::optional<AnalysedFile>& first() const { return first_; }
    const std::optional<AnalysedFile>& second() const { return second_; }
    const std::optional<FilterComparison>& comparison() const { return comparison_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createControls();
    void createPages();
    void showResults();
    void drawPages();

    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QLineEdit* Edit4;
    QPlainTextEdit* Memo1;
    QTabWidget* PageControl1;
    QLabel* StaticText1;
    std::array<PictureBox*, 5> images_{};
    std::array<QLabel*, 5> captions_{};
    std::array<PlotFrame, 5> frames_{};
    QString firstPath_;
    QString secondPath_;
    double fd_ = 1;
    std::optional<AnalysedFile> first_;
    std::optional<AnalysedFile> second_;
    std::optional<FilterComparison> comparison_;
};

// Creates a window in the document area at (1, 1) and shows it.
AnalysisWindow* openAnalysisWindow();

} // namespace zorkan::ui
