#pragma once
// PoleZeroWindow, "Редактор нулей и полюсов": a filter edited by its poles and zeros on
// the z-plane and in a table, with its magnitude, phase and group delay redrawn while a
// root is dragged; the positions a quantised second-order section can realise; the
// averaged spectrum of a recording behind the magnitude, where a Ctrl-click on a peak
// places a notch; the recording heard through the filter as it changes; every change
// undone and redone; the filter saved as second-order sections and handed to the export
// dialog and the implementation window.
//
// Object names: openButton, saveButton, exportButton, implementationButton, zPlane,
// rootTable, gainKind, gainValue, gainFrequency, fdEdit, gridTarget, gridBits,
// gridStructure, recordingButton, segmentLength, notchRadius, listenButton,
// magnitudeChart, phaseChart, delayChart, unstableLabel, statusBar.
#include "cascade/secondorder.h"
#include "charts/characteristics.h"
#include "charts/chart.h"
#include "coefficients/filterfile.h"
#include "polezero/polezeromodel.h"
#include "polezero/rootresponse.h"
#include "polezero/welch.h"
#include "polezero/zplane_qt.h"

#include <QWidget>

#include <complex>
#include <future>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTableWidget;
class QUndoStack;

namespace zorkan::ui {

class AudioOutput;
class ChartPicture;
class LiveFilterDevice;

// What an undo step restores: the roots and gain rule, and the coefficients exactly as
// read from a file until the first change after reading it.
struct PoleZeroState {
    PoleZeroModel model;
    std::optional<FilterCoefficients> stored;
};

class PoleZeroWindow : public QWidget {
    Q_OBJECT

  public:
    explicit PoleZeroWindow(QWidget* parent = nullptr);
    ~PoleZeroWindow() override;

    // Reads a parameter file of second-order sections; what cannot be read is reported.
    void openFile(const QString& path);
    // The same, throwing (a UserMessage when the file holds sections of the fourth order).
    void load(const QString& path);
    void say(const QString& text);
    // Ctrl+S: writes the current file, or asks for a name when there is none.
    bool save();
    bool saveAs();
    // Opens a sound or signal file whose spectrum is drawn behind the magnitude.
    void openRecording(const QString& path);
    // A notch at the spectrum's peak nearest to `frequency` (unit of FD).
    void placeNotch(double frequency);
    void toggleListening(bool on);
    void exportFilter();
    void openImplementation();

    const PoleZeroModel& model() const { return state_.model; }
    // The sections as they would be saved (those read while nothing has changed).
    std::vector<SecondOrderSection> sections() const;
    QUndoStack* undoStack() const { return undo_; }
    ZPlaneView* plane() const { return plane_; }
    const QString& fileName() const { return file_; }
    bool listening() const { return device_ != nullptr; }
    LiveFilterDevice* liveDevice() const { return device_.get(); }

    // Nudge of the arrow keys, in the z-plane's units.
    static constexpr double nudgeStep = 0.01;

    // Restores a state (undo and redo) and redraws everything.
    void setState(const PoleZeroState& state);
    // Records a change made from `before` to the current state as one undo step.
    void recordChange(const PoleZeroState& before, const QString& text);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createFileButtons(QWidget* panel);
    void createGainControls(QWidget* panel);
    void createGridControls(QWidget* panel);
    void createRecordingControls(QWidget* panel);
    void createTable(QWidget* panel);
    void layOutWindow(QWidget* panel);
    void connectPlane();

    // A change through the model: snapshot, apply, record.
    template <class Change> void change(const QString& text, Change apply);
    bool handleKey(QKeyEvent* event);
    void nudge(double dx, double dy, bool shift);
    void removeSelected();
    void addPair(std::complex<double> z);
    void gainChanged();
    void fdChanged();
    void cellEdited(int row, int column);

    // Everything shown from the state: table, plane, grid marks, curves, sound; with
    // `dragged`, only that root has moved since the last refresh (a step of a drag).
    void refresh(std::optional<RootRef> dragged = std::nullopt);
    // The sections shown and heard, computed once for a change; with the roots' response
    // at unit gain, the gain rule's peak is taken from it (see refresh).
    void computeShown(const RootResponse* unitResponse = nullptr);
    // The rows of the table, or the row of `only`; a hidden table waits until shown.
    void refreshTable(std::optional<RootRef> only = std::nullopt);
    void fillRow(int row, RootSet set, std::size_t index);
    // The grid's positions of the poles, or of `only`, and the dots on the plane.
    void refreshGrid(std::optional<RootRef> only = std::nullopt);
    void refreshGridDots(int target, int bits, Structure structure);
    // With the roots' response at unit gain when it has been found already.
    void refreshCurves(std::optional<RootResponse> unitResponse = std::nullopt);
    void refreshSound();
    FrequencyGrid curveGrid() const;
    // The curves' frequencies in radians per sample.
    std::vector<double> curveAngles() const;
    std::optional<RootRef> rowRoot(int row) const;
    int rootRow(const RootRef& ref) const;
    bool writeTo(const QString& path);

    PoleZeroState state_;
    QString file_;
    double fd_ = 1;
    double lastGain_ = 1; // the last gain the rule could give, for an unstable filter's curves
    std::vector<SecondOrderSection> shown_;
    bool gainHolds_ = true;
    bool stable_ = true;
    struct GridKey {
        int bits = 0;
        Structure structure = Structure::Df1;
        bool operator==(const GridKey&) const = default;
    };
    std::optional<GridKey> gridKey_;
    std::size_t gridCount_ = 0;
    // The grid's position of each pole (by the poles' order) as the table shows it.
    std::vector<std::optional<QuantisedPole>> quantised_;
    bool tableStale_ = false; // changed while hidden
    QUndoStack* undo_ = nullptr;
    PoleZeroState dragBefore_;
    bool dragMoved_ = false;
    bool filling_ = false; // the table is being filled, its edits are not the user's
    std::optional<WelchSpectrum> spectrum_;
    std::optional<ChartCurve> spectrumCurve_;
    QString recording_;
    bool recordingIsSound_ = false;
    std::unique_ptr<LiveFilterDevice> device_;
    std::unique_ptr<AudioOutput> output_;
    bool noOutputSaid_ = false;

    ZPlaneView* plane_ = nullptr;
    QTableWidget* rootTable_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QPushButton* implementationButton_ = nullptr;
    QComboBox* gainKind_ = nullptr;
    QLineEdit* gainValue_ = nullptr;
    QLineEdit* gainFrequency_ = nullptr;
    QLineEdit* fdEdit_ = nullptr;
    QComboBox* gridTarget_ = nullptr;
    QSpinBox* gridBits_ = nullptr;
    QComboBox* gridStructure_ = nullptr;
    QPushButton* recordingButton_ = nullptr;
    QComboBox* segmentLength_ = nullptr;
    QLineEdit* notchRadius_ = nullptr;
    QPushButton* listenButton_ = nullptr;
    ChartPicture* magnitudeChart_ = nullptr;
    ChartPicture* phaseChart_ = nullptr;
    ChartPicture* delayChart_ = nullptr;
    QLabel* unstableLabel_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
};

// Opens the window in the document area with the filter last designed, if any.
PoleZeroWindow* openPoleZeroWindow();

} // namespace zorkan::ui
