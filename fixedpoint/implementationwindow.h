#pragma once
// ImplementationWindow, "Реализация фильтра": a stored filter in the arithmetic of a
// device (double, float, float with FMA, q15, q31 or words of its own length), its
// figures (quantised poles and response, overflow, round-off noise computed and
// simulated, limit cycles, the shortest words, every scaling and order) and pages: the
// magnitude with and without quantisation, the noise spectrum, the largest limit cycle,
// the table of variants. The computation runs off the window's thread with a busy
// cursor; the window stays responsive and a second "Расчет" waits for the first.
//
// Object names: Edit1 the filter file with BitBtn1 "Файл", ComboBox1 the target,
// SpinEdit1 and SpinEdit2 the data and coefficient words W and C (own format only),
// ComboBox2 the rounding, ComboBox3 the overflow, ComboBox4 the scaling, ComboBox5 the
// section order, Edit2 the design report with the request and BitBtn2 "Требования",
// CheckBox1 the search for the shortest words, BitBtn3 "Расчет", BitBtn4 "Выход",
// BitBtn5 "Экспорт..." (the export dialog set to what was measured),
// ProgressBar1, Memo1 the figures, PageControl1 with TabSheet1..TabSheet4 holding Image1..
// Image3 and StringGrid1, StaticText1 the readout under the pointer.
#include "charts/chart.h"
#include "fixedpoint/curves.h"
#include "fixedpoint/report.h"

#include <QWidget>

#include <array>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QThread;

namespace zorkan::ui {

class ChartPicture;

class ImplementationWindow : public QWidget {
    Q_OBJECT

  public:
    explicit ImplementationWindow(QWidget* parent = nullptr);
    ~ImplementationWindow() override;

    void BitBtn1Click();
    void BitBtn2Click();
    // Reads the controls and starts the computation; false when the input is refused
    // (with a message) or a computation is running.
    bool BitBtn3Click();
    bool running() const { return thread_ != nullptr; }
    // Asks for the export of the measured file with the measured arithmetic, scaling and
    // order (exportRequested).
    void BitBtn5Click();
    // Saves the picture of page `page` (0..2) under a name asked for.
    void savePicture(int page);

    const std::optional<ImplementationFigures>& figures() const { return figures_; }

  signals:
    void finished();
    void exportRequested(const QString& source, const ImplementationOptions& implementation);

  private:
    struct Job;
    void createFileFields(QWidget* panel);
    void createArithmeticFields(QWidget* panel);
    void createCommands(QWidget* panel);
    void layOutControls(QWidget* panel);
    void createPages();
    void layOutWindow(QWidget* panel);
    void runFinished();
    // The chart of page `page` (0..2) from the last computation.
    Chart pageChart(int page) const;
    void drawPage(int page);
    void showTargetWords();
    void showVariants();

    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QComboBox* ComboBox4 = nullptr;
    QComboBox* ComboBox5 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QSpinBox* SpinEdit2 = nullptr;
    // The own format's W, C, rounding and overflow while a target shows its own.
    std::array<int, 4> ownWords_{16, 32, 0, 0};
    bool ownWordsShown_ = false;
    // The spin boxes take two digits; "Расчет" refuses what the arithmetic does not.
    static constexpr int maximumTypedBits = 99;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QString measuredFile_;
    QProgressBar* ProgressBar1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QTableWidget* StringGrid1 = nullptr;
    QLabel* StaticText1 = nullptr;
    std::array<ChartPicture*, 3> images_{};

    QThread* thread_ = nullptr;
    std::shared_ptr<Job> job_;
    std::optional<ImplementationFigures> figures_;
    std::optional<ImplementationCurves> curves_;
    double fd_ = 1; // the pages' sampling frequency: 1 - fractions of FD
};

ImplementationWindow* openImplementationWindow();

} // namespace zorkan::ui
