#include "listening/audiooutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

namespace zorkan::ui {

namespace {

class QtAudioOutput : public AudioOutput {
  public:
    AudioStart start(QIODevice* source, int rate, int channels) override {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return AudioStart::NoDevice;
        QAudioFormat format;
        format.setSampleRate(rate);
        format.setChannelCount(channels);
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(format))
            return AudioStart::FormatRefused;
        sink_ = std::make_unique<QAudioSink>(device, format);
        // A tenth of a second ahead unless asked otherwise: the A/B switch is heard that soon.
        sink_->setBufferSize(static_cast<qsizetype>(rate * ahead_) * channels * 2);
        sink_->start(source);
        if (sink_->error() != QAudio::NoError) {
            sink_.reset();
            return AudioStart::NoDevice;
        }
        return AudioStart::Started;
    }
    void suspend() override {
        if (sink_)
            sink_->suspend();
    }
    void resume() override {
        if (sink_)
            sink_->resume();
    }
    void setAhead(double seconds) override { ahead_ = seconds; }
    void stop() override {
        if (sink_)
            sink_->stop();
        sink_.reset();
    }

  private:
    std::unique_ptr<QAudioSink> sink_;
    double ahead_ = 0.1;
};

AudioOutputFactory& factory() {
    static AudioOutputFactory f;
    return f;
}

} // namespace

void setAudioOutputFactory(AudioOutputFactory f) {
    factory() = std::move(f);
}

std::unique_ptr<AudioOutput> makeAudioOutput() {
    if (factory())
        return factory()();
    return std::make_unique<QtAudioOutput>();
}

} // namespace zorkan::ui
