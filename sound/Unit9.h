#pragma once
// TForm9, "Аудио плеер ": plays sound files through its own MediaDevice. A media button
// bar, the "play after opening" check box, a position bar moved by a 1000 ms timer, a
// one-panel status line and the menus "&Файл", "Управление" and "Справка".
#include "sound/mediadevice.h"

#include <QDialog>

#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QSlider;
class QTimer;
class QToolButton;

namespace zorkan::ui {

using MediaDeviceFactory = std::function<std::unique_ptr<MediaDevice>()>;
// The devices new player windows get; an empty factory restores Qt Multimedia (tests
// install a fake).
void setMediaDeviceFactory(MediaDeviceFactory factory);

class TForm9 : public QDialog {
    Q_OBJECT

  public:
    explicit TForm9(QWidget* parent);
    ~TForm9() override;

    // The window's device, made when first needed.
    MediaDevice& device();
    // Every tick of Timer1: the position bar follows the playback.
    void Timer1Timer();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Open1Click();
    void Exit1Click();
    void Play1Click();
    void Stop1Click();
    void About1Click();
    void noFileMessage();
    void updateMediaButtons();

    std::unique_ptr<MediaDevice> device_;
    bool fileGiven_ = false; // a file name has been given to the device
    QString dialogFileName_; // the open dialog's file name in this window
    QCheckBox* CheckBox1;
    QSlider* TrackBar1;
    QLabel* StatusPanel0;
    QTimer* Timer1;
    std::vector<QToolButton*> mediaButtons_;
};

} // namespace zorkan::ui
