#pragma once
// AnalysisWindow, "Анализ фильтра": the zeros and poles of a stored filter on the
// z-plane, its stability, group delay, impulse and step responses, and, with a second
// file, how far its roots and its magnitude response moved. A child window of the main
// window that can be resized, the pictures growing with it; several may be open. It
// opens with the filter last designed or analysed in the response window.
//
// Object names: BitBtn1 "Файл" with the file name Edit1, BitBtn2 "Сравнить" with the
// second file name Edit2 (both may be typed or pasted; Enter analyses), BitBtn3 "Без
// сравнения", Edit3 the sampling frequency "FD", Edit4 the number of response samples,
// BitBtn4 "Расчет", BitBtn5 "Выход", Label7 and Label8 the captions of Edit3 and Edit4;
// Memo1 the summary, the comparison and the list of
// roots; Splitter1 between them and PageControl1 with TabSheet1..TabSheet6 (z-plane,
// group delay, impulse, step, magnitudes of both files, their difference) holding
// Image1..Image6 and their captions Label1..Label6; StaticText1 the readout under the
// pointer.
#include "analysis/analysisrun.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace zorkan::ui {

// A page's picture: a canvas of the widget's size, shown as it is. When the size changes
// the canvas is made anew and `onResize` draws it again; a double click calls `onSave`.
class AnalysisPicture : public QWidget {
  public:
    explicit AnalysisPicture(QWidget* parent);

    Canvas& canvas() { return canvas_; }
    const Canvas& canvas() const { return canvas_; }

    std::function<void()> onResize;
    std::function<void()> onSave;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    Canvas canvas_;
};

class AnalysisWindow : public QWidget {
    Q_OBJECT

  public:
    explicit AnalysisWindow(QWidget* parent = nullptr);

    // Chooses the file (or the second file) and analyses again.
    void BitBtn1Click();
    void BitBtn2Click();
    // Analyses the files named in the fields with the FD and sample count of the fields.
    void runAnalysis();
    // Sets the files directly (tests, other windows) and analyses.
    void openFiles(const QString& first, const QString& second = QString());
    // Asks for a name and saves the page's picture; a name that reaches one of the filter
    // files is refused.
    void savePicture(AnalysisPage page);

    AnalysisPicture* picture(AnalysisPage page) const { return images_[static_cast<int>(page)]; }
    const std::optional<AnalysedFile>& first() const { return first_; }
    const std::optional<AnalysedFile>& second() const { return second_; }
    const std::optional<FilterComparison>& comparison() const { return comparison_; }

  private:
    QWidget* createControls();
    QWidget* createPages();
    void showResults();
    void drawPages();
    void drawPage(int page);

    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QLineEdit* Edit4;
    QPlainTextEdit* Memo1;
    QTabWidget* PageControl1;
    QLabel* StaticText1;
    std::array<AnalysisPicture*, analysisPageCount> images_{};
    std::array<QLabel*, analysisPageCount> captions_{};
    std::array<PlotFrame, analysisPageCount> frames_{};
    double fd_ = 1;
    std::optional<AnalysedFile> first_;
    std::optional<AnalysedFile> second_;
    std::optional<FilterComparison> comparison_;
};

// Creates a window in the document area at (1, 1), shows it and, when the filter last
// designed or analysed in the response window exists, analyses it.
AnalysisWindow* openAnalysisWindow();

} // namespace zorkan::ui
