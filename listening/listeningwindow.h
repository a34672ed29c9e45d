#pragma once
// "Прослушивание фильтра": a sound file through a filter parameter file, then the
// original and the filtered sound played with an A/B switch at the same sample.
// A child window of the main window; its menu item brings an open one to the front.
//
// Object names: Label1 "Звуковой файл" with Edit1 and BitBtn1 "Выбрать...", Label2
// "Файл фильтра" with Edit2 and BitBtn2 (a name typed into either field takes effect on
// Enter or when the field loses focus); CheckBox1 normalising to -1 dB, CheckBox2
// 32-bit float output; BitBtn3 "Фильтровать"; Label6 "Реализация" with ComboBox1 the
// arithmetic of an implementation (none, or one whose output B is and whose error is the
// switch's third sound), SpinEdit1 W and SpinEdit2 C (the target's, editable for an own
// format) and Label9 its rounding and overflow;
// ProgressBar1 and BitBtn4 "Отмена" while
// filtering; Label3 the chosen file's details, then the summary and its warnings; TrackBar1 the
// position with Label4 the times; BitBtn5 "Воспроизвести", BitBtn6 "Пауза", BitBtn7 "Стоп", BitBtn8
// the A/B switch (key B) and Label5 which sound is heard.
#include "fixedpoint/implementation.h"

#include <QString>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QSpinBox;
class QTemporaryDir;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QThread;
class QTimer;

namespace zorkan {
class AbSource;
}

namespace zorkan::ui {

class AbDevice;
class AudioOutput;

class ListeningWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ListeningWindow(QWidget* parent = nullptr);
    ~ListeningWindow() override;

    void BitBtn1Click(); // choose the sound file
    void BitBtn2Click(); // choose the filter file
    void BitBtn3Click(); // filter
    void BitBtn4Click(); // cancel
    void BitBtn5Click(); // play
    void BitBtn6Click(); // pause
    void BitBtn7Click(); // stop
    void BitBtn8Click(); // A/B

    // The A/B source of the last filtered file (nullptr before one).
    AbSource* source() const { return source_.get(); }
    bool playing() const { return state_ == State::Playing; }
    bool paused() const { return state_ == State::Paused; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    enum class State { Stopped, Playing, Paused };
    struct Run;
    void createControls();
    void setRunning(bool running);
    void showProgress();
    void runFinished();
    void cancelRun();
    void releasePlayback();
    void setPlaybackEnabled(bool enabled);
    void showPosition();
    void barMoved(int ms);
    void showChoice();
    void soundChosen(const QString& path);
    void soundEdited();
    std::optional<ImplementationOptions> chosenImplementation() const;
    std::optional<Target> chosenTarget() const;
    void showTargetWords();

    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QPushButton* BitBtn6 = nullptr;
    QPushButton* BitBtn7 = nullptr;
    QPushButton* BitBtn8 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QSpinBox* SpinEdit2 = nullptr;
    QLabel* Label9 = nullptr;
    // The own format's W and C while a target shows its own.
    std::array<int, 2> ownWords_{16, 16};
    bool ownWordsShown_ = false;
    static constexpr int maximumTypedBits = 99;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QTimer* progressTimer_ = nullptr;
    QTimer* positionTimer_ = nullptr;

    std::unique_ptr<Run> run_;
    QThread* thread_ = nullptr;
    std::unique_ptr<AbSource> source_;
    std::unique_ptr<AbDevice> device_;
    std::unique_ptr<AudioOutput> output_;
    std::unique_ptr<QTemporaryDir> errorFolder_; // the error of an implementation's run
    QString errorGainText_;                      // its gain, "+55 дБ"
    State state_ = State::Stopped;
    bool noOutput_ = false;
    QString shownSound_; // the sound file whose details Label3 shows
    bool movingBar_ = false;
};

// Opens a new listening window in the main window's document area.
ListeningWindow* openListeningWindow();

} // namespace zorkan::ui
