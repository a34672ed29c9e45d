#pragma once
// TFormSin, "Моделирование цифровых фильтров": runs a test signal or a signal file
// through the filter loaded from a parameter file and shows input and output on one
// chart. A child window of the main window; one at a time (ModellingWindowOpen).
//
// Object names: Label1 the title, Label2 "Параметры  фильтра" beside BitBtn4 "Считать
// из файла"; Image1 the chart; Panel1 with Label3 "Frec :" / Label4 its value, Label5
// "Nois :" / Label6, Label7 "Sigma :" / Label8 and BitBtn1 "Синус"; Panel2 with Label9
// "Max IN :" / Label10, Label11 "Max OUT :" / Label12, Label13 "Step :" / Label14, and
// the fields Edit1 "F Strob" (Label15) and Edit2 "L Strob" (Label16); BitBtn2
// "Импульс", BitBtn3 "Ступенька", BitBtn5 "Обработка файла", BitBtn6 "Выход". While a
// file is filtered, ProgressBar1 and BitBtn7 "Отмена" show over the chart.
#include "modelling/testsignals.h"

#include <QPointer>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QThread;
class QTimer;

namespace zorkan::ui {

class PictureBox;

// The modelling settings, kept for the run; every new modelling window resets them.
struct ModellingSettings {
    std::uint16_t FirstStrobe = 1;
    std::uint16_t LastStrobe = 1024;
    double SignalFrequency = 0.01;
    SignalKind NoiseLaw = uniformNoiseSine;
    double NoiseSigma = 0.1;
    bool FilterLoaded = false;
};
ModellingSettings& modellingSettings();

// "Параметры фильтра не считаны!!!!"
extern const char* const filterNotLoadedMessage;

class TFormSin : public QWidget {
    Q_OBJECT

  public:
    explicit TFormSin(QWidget* parent = nullptr);
    ~TFormSin() override;

    // The main window's first fill, in its order: Step, the strobe fields (whose change
    // blanks Step again), frequency, law, sigma, and blanks for the maxima.
    void fillFromSettings();
    void clearPlot();
    void plotTraces(const TestSignalBuffer& input, const TestSignalBuffer& output, double maxIn,
                    double maxOut);

    PictureBox* picture() const { return Image1; }
    // True while a signal file is being filtered.
    bool fileRunActive() const { return thread_ != nullptr; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    struct FileRun;

    void createControls();
    void BitBtn1Click(); // Синус
    void BitBtn2Click(); // Импульс
    void BitBtn3Click(); // Ступенька
    void BitBtn4Click(); // Считать из файла
    void BitBtn5Click(); // Обработка файла
    void BitBtn7Click(); // Отмена
    bool filterLoadedOrSay();
    void runTestSignal(SignalKind kind);
    void strobeTextChanged();
    void checkStrobe(QLineEdit* field);
    void showStep();
    void setRunning(bool running);
    void showProgress();
    void fileRunFinished();
    // Stops a file run and hands it back (nothing when none was going).
    std::unique_ptr<FileRun> cancelFileRun();
    // "Обработка прервана: в файл NAME записано отсчётов: N"
    void sayCancelled(const QString& outputPath, std::uint64_t samples);
    // "Прервать обработку файла?"; true for "Да".
    bool stopFileRunAsked();

    PictureBox* Image1;
    QLabel* Label4;  // frequency
    QLabel* Label6;  // noise law
    QLabel* Label8;  // sigma
    QLabel* Label10; // Max IN
    QLabel* Label12; // Max OUT
    QLabel* Label14; // Step
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    QPushButton* BitBtn4;
    QPushButton* BitBtn5;
    QPushButton* BitBtn6;
    QPushButton* BitBtn7;
    QProgressBar* ProgressBar1;
    QTimer* progressTimer_;
    bool checking_ = false;
    bool closing_ = false;

    std::unique_ptr<FileRun> run_;
    QThread* thread_ = nullptr;
};

// Creates the window in the document area at (1, 1) and shows it; its creation resets
// the modelling settings.
TFormSin* openModellingWindow();
// The open window, or nullptr.
TFormSin* modellingWindow();

// Called on the worker thread after each progress report of a file run, with the samples
// done and the run's cancel flag; tests hold a run at a known point with it. Empty by
// default.
using FileRunProgressHook =
    std::function<void(std::uint64_t samples, const std::atomic<bool>& cancel)>;
void setFileRunProgressHook(FileRunProgressHook hook);

} // namespace zorkan::ui
