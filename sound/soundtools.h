#pragma once
// What the sound windows keep for the whole run: the converter's and the writer's
// chosen names and files, which stay open from the button that chooses them to the
// conversion, the answer flags of the question window, and the player's file name.
// One window of a kind follows another and finds them as the last one left them.
#include "common/textnumbers.h"
#include "sound/wavconvert.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zorkan {

// Set by the question window's buttons; cleared by the window that asks.
struct AnswerFlags {
    bool yes = false;
    bool no = false;
    void clear() { yes = no = false; }
};

struct ConverterFiles {
    std::string soundName; // full paths as chosen
    std::string signalName;
    std::string headerName;
    OpenFile sound; // open for reading since its "Browse"
    // Confirmed choices of the two outputs; the files are created anew by the conversion,
    // so choosing an existing file loses nothing until "Convert" runs.
    bool signalChosen = false;
    bool headerChosen = false;
};

struct WriterFiles {
    std::string signalName;
    std::string wavName;
    std::unique_ptr<TextReader> signal; // open for reading since its "Brouse"
    OpenFile wav;                       // open for reading and writing since its "Brouse"
};

struct SoundTools {
    AnswerFlags answer;
    ConverterFiles converter;
    WriterFiles writer;
    std::string playerFileName; // the sound file the player last opened
};

SoundTools& soundTools();
// Back to the state of a fresh run, closing every file (tests).
void resetSoundTools();

// "Convert": the sound file (read from where it stands) to the signal and header files,
// which are created anew now; then all three are closed and must be chosen again.
// A file not open or not chosen is the platform's "file not open" (I/O error 103).
WavConversion runConversion(ConverterFiles& files);

// "Write": the signal file's values appended to the end of the sound file; then both
// are closed and must be chosen again, also when a value cannot be read.
std::uint64_t runWriting(WriterFiles& files);

} // namespace zorkan
