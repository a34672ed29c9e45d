#pragma once
// ImplementationWindow, "Реализация фильтра": a stored filter in the arithmetic of a
// device (double, float, float with FMA, q15, q31 or words of its own length), its
// figures (quantised poles and response, overflow, round-off noise computed and
// simulated, limit cycles, the shortest words, every scaling and order) and pages: the
// magnitude with and without quantisation, the noise spectrum, the largest limit cycle,
// the table of variants; every structure of the target side by side with the noise of each,
// and the search for the cheapest fixed-point implementation with its Pareto front. The
// computations run off the window's thread with a busy cursor (the search with a progress
// dialog that stops it); the window stays responsive and a second computation waits for
// the first. A ".fir" file (FIR taps) is implemented as the command line does it: the
// targets of taps in ComboBox1, the FIR figures, the magnitude page; the controls and pages
// of sections (structure, scaling, order, limit cycle, variants, structures, search) are
// greyed with the reason.
//
// Object names: Edit1 the filter file with BitBtn1 "Файл", ComboBox1 the target,
// SpinEdit1 and SpinEdit2 the data and coefficient words W and C (own format only),
// ComboBox6 the structure ("своя": the target's own; those the target has not greyed),
// ComboBox2 the rounding, ComboBox3 the overflow, ComboBox4 the scaling, ComboBox5 the
// section order, Edit2 the design report with the request and BitBtn2 "Требования",
// CheckBox1 the search for the shortest words, BitBtn3 "Расчет", BitBtn4 "Выход",
// BitBtn5 "Экспорт..." (the export dialog set to what was measured),
// ProgressBar1, Memo1 the figures, PageControl1 with TabSheet1..TabSheet4 holding Image1..
// Image3 and StringGrid1, StaticText1 the readout under the pointer. After them TabSheet5
// "Структуры" with BitBtn6 "Сравнить", RadioButton1 and RadioButton2 (the table or the chart
// shown), StringGrid2 (one row a structure) and Image4 (the noise of every structure), and
// TabSheet6 "Подбор" with SpinEdit3 (the signal-to-noise ratio asked for), ComboBox7 (the cost:
// bits or multiplications), BitBtn7 "Подобрать...", Image5 (the Pareto front; a click on a point
// loads it) and Memo2 (the search's result).
#include "charts/chart.h"
#include "fixedpoint/comparison.h"
#include "fixedpoint/curves.h"
#include "fixedpoint/firreport.h"
#include "fixedpoint/report.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QProgressDialog;
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
    // Names the filter file (a ".fir" file offers the targets of taps) and starts "Расчет"
    // as "Файл" does; false when a computation is running. A refused file or input throws,
    // for the general error handler to show.
    bool openFilterFile(const QString& path);
    // Reads the controls and starts the computation; false when the input is refused
    // (with a message) or a computation is running.
    bool BitBtn3Click();
    bool running() const { return thread_ != nullptr; }
    // Asks for the export of the measured file with the measured arithmetic, scaling and
    // order (exportRequested).
    void BitBtn5Click();
    // Compares every structure of the chosen target on the page "Структуры"; false when
    // the input is refused or a computation is running.
    bool BitBtn6Click();
    // Searches for the cheapest implementation with a progress dialog that can stop it.
    bool BitBtn7Click();
    // Saves the picture of picture `page` (Image1..Image5: 0..4) under a name asked for.
    void savePicture(int page);

    // Shows a search's Pareto front (cost against SNR, the chosen point marked) and result.
    void showSearch(const SearchResult& result, CostMeasure measure, double snrTarget);
    // Puts an implementation the search looked at into the controls: the own format with
    // its W and C (rounding nearest, saturation), its structure, scaling and order.
    void loadCandidate(const Candidate& candidate);

    // The figures of the last "Расчет": of a cascade of sections, or of a ".fir" file's taps.
    const std::optional<ImplementationFigures>& figures() const { return figures_; }
    const std::optional<FirFigures>& firFigures() const { return firFigures_; }
    const std::vector<StructureFigures>& comparison() const { return comparison_; }

  signals:
    void finished();
    void compared();
    void searched();
    void exportRequested(const QString& source, const ImplementationOptions& implementation);

  private:
    struct Job;
    struct Comparison;
    struct Search;
    // The controls' filter, options and request, read and checked (refusals throw).
    struct Inputs;
    Inputs readInputs() const;
    void startThread(const std::function<void()>& work, void (ImplementationWindow::*done)());
    void endThread();
    void setBusy(bool busy);
    void createStructurePage(QWidget* page);
    void createSearchPage(QWidget* page);
    void comparisonFinished();
    void searchFinished();
    void showComparison();
    void offerTargetStructures();
    // The targets ComboBox1 offers for the file named (a ".fir" file's or a cascade's).
    std::span<const Target> offeredTargets() const;
    Target chosenTarget() const;
    void chooseTarget(Target target);
    void offerFileTargets();
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
    QComboBox* ComboBox6 = nullptr;
    QComboBox* ComboBox7 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QSpinBox* SpinEdit2 = nullptr;
    QSpinBox* SpinEdit3 = nullptr;
    // The own format's W, C, rounding and overflow while a target shows its own.
    std::array<int, 4> ownWords_{16, 32, 0, 0};
    bool ownWordsShown_ = false;
    // The spin boxes take two digits; "Расчет" refuses what the arithmetic does not.
    static constexpr int maximumTypedBits = 99;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QPushButton* BitBtn6 = nullptr;
    QPushButton* BitBtn7 = nullptr;
    QString measuredFile_;
    std::optional<Structure> measuredStructure_; // as chosen: unset for the target's own
    QProgressBar* ProgressBar1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QTableWidget* StringGrid1 = nullptr;
    QTableWidget* StringGrid2 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    QLabel* StaticText1 = nullptr;
    std::array<ChartPicture*, 5> images_{};
    QProgressDialog* progress_ = nullptr;

    QThread* thread_ = nullptr;
    std::shared_ptr<Job> job_;
    std::shared_ptr<Comparison> comparing_;
    std::shared_ptr<Search> search_;
    std::vector<StructureFigures> comparison_;
    // The points of the Pareto chart a click loads.
    std::vector<Candidate> points_;
    std::optional<ImplementationFigures> figures_;
    std::optional<FirFigures> firFigures_;
    bool firShown_ = false; // ComboBox1 offers the targets of a ".fir" file's taps
    // The hints of the controls of sections, shown again when a ".fir" file gives way.
    std::array<QString, 3> sectionHints_;
    bool busy_ = false; // the busy cursor is set
    std::optional<ImplementationCurves> curves_;
    double fd_ = 1;           // the pages' sampling frequency: 1 - fractions of FD
    double structuresFd_ = 1; // that of the structures' noise
};

ImplementationWindow* openImplementationWindow();

} // namespace zorkan::ui
