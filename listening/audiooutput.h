#pragma once
// The sound output of the listening window: a sink that pulls 16-bit samples from the
// window's own device, so that what plays is exactly what the device hands out. The
// window tests put a fake in its place.
#include <functional>
#include <memory>

class QIODevice;

namespace zorkan::ui {

class AudioOutput {
  public:
    virtual ~AudioOutput() = default;
    // Starts pulling interleaved 16-bit frames from `source`; false when the machine
    // has no sound output (nothing is started then).
    virtual bool start(QIODevice* source, int rate, int channels) = 0;
    virtual void suspend() = 0;
    virtual void resume() = 0;
    virtual void stop() = 0;
};

using AudioOutputFactory = std::function<std::unique_ptr<AudioOutput>()>;
// Replaces the Qt Multimedia output (an empty factory restores it).
void setAudioOutputFactory(AudioOutputFactory factory);
std::unique_ptr<AudioOutput> makeAudioOutput();

} // namespace zorkan::ui
