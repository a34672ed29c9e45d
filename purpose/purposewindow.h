#pragma once
// "Специальные фильтры": the filters designed for a purpose, one page each (the all-pass
// group-delay equaliser, audio equaliser sections, notch and resonator, comb, fractional
// delay, a filter from an analog one). The magnitude and group-delay charts follow every
// change of a field; the equaliser's search runs off the window's thread with a progress
// dialog that can stop it, and its charts show the group delay before and after.
// "Сохранить" writes the page's sections as an ordinary parameter file.
#include "charts/characteristicschart.h"
#include "purpose/allpassequaliser.h"
#include "purpose/audiosections.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QStackedWidget;
class QTableWidget;
class QThread;

namespace zorkan::ui {

class ChartPicture;

// The pages in the order of their list.
enum class SpecialPage { Equaliser, AudioEq, Notch, Comb, FractionalDelay, Analog };

// What a page shows: the sections "Сохранить" writes (none before the equaliser's run),
// the curves of both charts and the frequency unit.
struct SpecialView {
    std::optional<DesignedSections> sections;
    std::vector<ChartSeries> magnitude;
    std::vector<ChartSeries> delay;
    double fd = defaultSamplingFrequency;
};

class SpecialFiltersWindow : public QWidget {
    Q_OBJECT

  public:
    explicit SpecialFiltersWindow(QWidget* parent = nullptr);
    ~SpecialFiltersWindow() override;

    ChartPicture* magnitudeChart() const { return magnitudeChart_; }
    ChartPicture* delayChart() const { return delayChart_; }
    bool running() const { return thread_ != nullptr; }

    // The band table's "Добавить" (a peak band after the chosen one) and "Удалить".
    void addBand();
    void removeBand();
    // The equaliser's "Рассчитать": the search off the thread; false when it did not start.
    bool runEqualiser();
    // The progress dialog's "Остановить".
    void stopEqualiser();
    // "Сохранить": checks the page's fields, asks for the file and writes it.
    void save();

  signals:
    void viewUpdated();
    void equaliserFinished();

  private:
    struct EqualiserJob;

    QWidget* createEqualiserPage();
    QWidget* createAudioPage();
    QWidget* createNotchPage();
    QWidget* createCombPage();
    QWidget* createDelayPage();
    QWidget* createAnalogPage();
    void addBandRow(int row, const AudioBand& band);
    void browseFilter();
    void fieldChanged();
    void updateView();
    void updateFields();
    void equaliserDone();

    SpecialPage page() const;
    // The current page's design from its fields (a UserMessage for a refused field).
    SpecialView currentView() const;
    EqualiserRequest equaliserRequest() const;
    AudioEqRequest audioRequest() const;

    QComboBox* pageBox_;
    QStackedWidget* pages_;
    ChartPicture* magnitudeChart_;
    ChartPicture* delayChart_;
    QLabel* statusLabel_;
    QPushButton* saveButton_;

    QLineEdit* eqFileEdit_;
    QLineEdit* eqFdEdit_;
    QLineEdit* eqF1Edit_;
    QLineEdit* eqF2Edit_;
    QLineEdit* eqOrderEdit_;
    QLineEdit* eqRadiusEdit_;
    QPushButton* eqRunButton_;
    QLabel* eqResultLabel_;

    QLineEdit* audioFdEdit_;
    QTableWidget* bandTable_;

    QLineEdit* notchFdEdit_;
    QLineEdit* notchF0Edit_;
    QLineEdit* notchQEdit_;
    QComboBox* notchKindBox_;

    QLineEdit* combFdEdit_;
    QLineEdit* combF0Edit_;
    QLineEdit* combQEdit_;
    QCheckBox* combPeakBox_;
    QCheckBox* combPassZeroBox_;

    QLineEdit* delayEdit_;
    QLineEdit* delayOrderEdit_;

    QLineEdit* numeratorEdit_;
    QLineEdit* denominatorEdit_;
    QLineEdit* analogFdEdit_;
    QComboBox* methodBox_;
    QLineEdit* prewarpEdit_;
    QCheckBox* unstableBox_;

    // The equaliser's last completed run, for the fields it was made from.
    std::optional<EqualiserResult> equaliser_;
    std::shared_ptr<EqualiserJob> job_;
    QThread* thread_ = nullptr;
    QProgressDialog* progress_ = nullptr;
};

// The charts' grid from 0 to FD/2: a point for each pixel column of the plot area of a
// chart of this size (no fewer than minimumChartPoints), so that the curves cost no more
// to compute and to stroke than the picture shows.
constexpr int minimumChartPoints = 64;
int specialChartPoints(int width, int height);

// The audio equaliser's sections; the magnitudes of the whole and of each band, the
// group delay of the whole.
SpecialView audioEqView(const AudioEqRequest& request);

// The curves of a view computed and drawn into charts of the given size.
struct SpecialCharts {
    Chart magnitude;
    Chart delay;
};
SpecialCharts specialCharts(const SpecialView& view, int width, int height);

// Opens the window in the main window's work area.
SpecialFiltersWindow* openSpecialFiltersWindow();

} // namespace zorkan::ui
