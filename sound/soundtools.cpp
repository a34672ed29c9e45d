#include "sound/soundtools.h"

#include "common/errors.h"

namespace zorkan {

namespace {
constexpr int ioFileNotOpen = 103;
}

SoundTools& soundTools() {
    static SoundTools tools;
    return tools;
}

void resetSoundTools() {
    soundTools() = SoundTools{};
}

WavConversion runConversion(ConverterFiles& files) {
    if (!files.sound.isOpen() || !files.signalChosen || !files.headerChosen)
        throwIoError(ioFileNotOpen);
    checkDistinctFiles(files.sound, files.signalName, files.headerName);
    OpenFile sound = std::move(files.sound);
    OpenFile signal = OpenFile::create(files.signalName);
    OpenFile header = OpenFile::create(files.headerName);
    files.signalChosen = files.headerChosen = false;
    WavConversion done;
    {
        FileSink signalSink(signal);
        FileSink headerSink(header);
        done = convertWav(sound, signalSink, headerSink);
        signalSink.flush();
        headerSink.flush();
    }
    sound.close();
    signal.close();
    header.close();
    return done;
}

std::uint64_t runWriting(WriterFiles& files) {
    if (!files.signal || !files.wav.isOpen())
        throwIoError(ioFileNotOpen);
    checkDistinctFiles(files.signalName, files.wav);
    std::unique_ptr<TextReader> signal = std::move(files.signal);
    OpenFile wav = std::move(files.wav);
    std::uint64_t count = appendSignal(*signal, wav);
    signal.reset();
    wav.close();
    return count;
}

} // namespace zorkan
