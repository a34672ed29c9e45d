#pragma once
// A recording played round and round through a filter that may change while it plays:
// a sequential device of interleaved 16-bit frames for the sound output to pull from.
// A new filter is taken at the next read, through a crossfade from the old one, so
// that an edit is heard at once and without a click.
#include "cascade/secondorder.h"
#include "listening/crossfade.h"
#include "listening/soundfile.h"

#include <QIODevice>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zorkan::ui {

// How far ahead of the sound the output reads, in seconds: an edit reaches the ear
// within this and one read.
constexpr double liveAheadSeconds = 0.02;

class LiveFilterDevice : public QIODevice {
  public:
    LiveFilterDevice(const std::string& path, const std::vector<SecondOrderSection>& sections,
                     QObject* parent = nullptr);
    int rate() const { return rate_; }
    int channels() const { return channels_; }
    // The filter for the next samples (any thread).
    void setSections(const std::vector<SecondOrderSection>& sections);
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    SoundReader reader_;
    int rate_ = 0;
    int channels_ = 0;
    std::mutex mutex_;
    std::optional<std::vector<SecondOrderSection>> pending_;
    CrossfadeFilter filter_;
    std::vector<double> buffer_;
};

} // namespace zorkan::ui
