#pragma once
// MediaDevice on Qt Multimedia: a QMediaPlayer playing into a QAudioOutput. Opening waits
// (at most a few seconds) until the file is loaded, so that its length is known at once.
// Where the machine has no audio output, playing refuses with one clear message instead
// of handing the file to a back end that cannot play it.
#include "sound/mediadevice.h"

#include <QObject>

#include <memory>

class QAudioOutput;
class QMediaPlayer;

namespace zorkan::ui {

class QtMediaDevice : public MediaDevice {
  public:
    QtMediaDevice();
    ~QtMediaDevice() override;

    void open(const std::string& path) override;
    bool isOpen() const override { return open_; }
    void play() override;
    void stop() override;
    void close() override;
    std::int64_t length() override;
    std::int64_t position() override;

    // The text shown where there is no audio output.
    static const char* noAudioOutputText();

  private:
    void requireOpen() const;

    std::unique_ptr<QMediaPlayer> player_;
    std::unique_ptr<QAudioOutput> output_;
    bool open_ = false;
    bool playing_ = false;
};

// Qt 6.4 picks its FFmpeg media back end by default, which crashes where there is no
// audio device; the program asks for GStreamer unless the user chose otherwise. Call
// before the application object is made.
void chooseMediaBackend();

} // namespace zorkan::ui
