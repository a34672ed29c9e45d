#pragma once
// The sound output of the listening window: a sink that pulls 16-bit samples from the
// window's own device, so that what plays is exactly what the device hands out. The
// window tests put a fake in its place.
#include <functional>
#include <memory>

class QIODevice;

namespace zorkan::ui {

// How a start ended: playing, no sound output on the machine, or an output that does
// not take 16-bit samples at this rate and channel count.
enum class AudioStart { Started, NoDevice, FormatRefused };

class AudioOutput {
  public:
    virtual ~AudioOutput() = default;
    // Starts pulling interleaved 16-bit frames from `source`; nothing is started unless
    // the answer is Started.
    virtual AudioStart start(QIODevice* source, int rate, int channels) = 0;
    virtual void suspend() = 0;
    virtual void resume() = 0;
    virtual void stop() = 0;
    // How far ahead of the sound the next start reads, in seconds (its buffer).
    virtual void setAhead(double seconds) { (void)seconds; }
};

using AudioOutputFactory = std::function<std::unique_ptr<AudioOutput>()>;
// Replaces the Qt Multimedia output (an empty factory restores it).
void setAudioOutputFactory(AudioOutputFactory factory);
std::unique_ptr<AudioOutput> makeAudioOutput();

} // namespace zorkan::ui
