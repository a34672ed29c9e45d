#pragma once
// Sound files in their real formats (WAV, FLAC, OGG Vorbis, AIFF and the rest that
// libsndfile knows), read and written in blocks of interleaved frames. Samples are
// doubles in [-1, 1): an integer sample divided by 2^(bits - 1).
#include <cstdint>
#include <string>
#include <string_view>

struct sf_private_tag;

namespace zorkan {

// What a sound file holds. `format` is libsndfile's format word (container, coding
// and byte order).
struct SoundInfo {
    int format = 0;
    int rate = 0;
    int channels = 0;
    std::int64_t frames = 0;
};

// How samples of a coding are stored, for writing them back.
enum class SampleCoding {
    Integer, // rounded to the nearest integer (halves to even) and clipped
    Float32, // clipped to the float range only
    Float64, // written as they are
    Lossy,   // a compressed float coding: clipped to [-1, 1]
};

struct CodingInfo {
    SampleCoding coding = SampleCoding::Integer;
    int bits = 16; // of an integer coding
};

CodingInfo codingOf(int format);

// "WAV, 16 бит", "FLAC, 24 бит", "OGG Vorbis", "WAV, 32 бит с плавающей точкой".
std::string formatName(int format);

// The format a filtered copy is written in, and what the user should know about it.
struct OutputFormat {
    int format = 0;
    std::string note; // empty, or why the format is not the one the name asks for
};

// The output's format follows its extension where libsndfile knows it (".wav", ".flac",
// ".aiff" or ".aif", ".ogg", ".opus", ".mp3", ".caf" ...), keeping the source's coding
// where the container holds it and otherwise the nearest one it holds (a note says so
// when samples lose precision); an unknown or missing extension keeps the source's
// format, with a note. `floatOutput` asks for 32-bit float samples: a container without
// them is refused, as is one that cannot hold the source's channels and rate.
OutputFormat chooseOutputFormat(const std::string& outputPath, const SoundInfo& source,
                                bool floatOutput);

class SoundReader {
  public:
    // Opens a file for reading. A file that cannot be opened raises the platform's
    // error (File not found ...); one libsndfile cannot read is refused with a
    // UserMessage naming it and giving libsndfile's reason.
    explicit SoundReader(const std::string& path);
    // Reads from bytes in memory (the caller keeps them alive).
    SoundReader(const void* bytes, std::size_t size);
    ~SoundReader();
    SoundReader(const SoundReader&) = delete;
    SoundReader& operator=(const SoundReader&) = delete;

    const SoundInfo& info() const { return info_; }
    // Up to `frames` frames into `out` (frames x channels values); returns the frames
    // read, 0 at the end.
    std::size_t read(double* out, std::size_t frames);
    std::size_t read(float* out, std::size_t frames);
    // Moves to a frame from the start.
    void seek(std::int64_t frame);

    struct Memory {
        const unsigned char* bytes = nullptr;
        std::int64_t size = 0;
        std::int64_t offset = 0;
    };

  private:
    void opened(const std::string& name);
    sf_private_tag* file_ = nullptr;
    SoundInfo info_;
    Memory memory_;
};

class SoundWriter {
  public:
    // Creates (or empties) a file of the given format, rate and channels; a format
    // libsndfile cannot write, or a file that cannot be created, is refused with a
    // UserMessage. Every failure of libsndfile's passes its reason on.
    // `shownName` names the file in messages (the path when empty).
    SoundWriter(const std::string& path, const SoundInfo& info, const std::string& shownName = {});
    ~SoundWriter();
    SoundWriter(const SoundWriter&) = delete;
    SoundWriter& operator=(const SoundWriter&) = delete;

    // Writes frames of samples already quantised for the coding: integer codings take
    // integers scaled to 32 bits (sample << (32 - bits)), the others doubles.
    void writeIntegers(const int* frames, std::size_t count);
    void writeDoubles(const double* frames, std::size_t count);
    // Flushes and closes; a failure is reported.
    void close();

  private:
    void check(std::int64_t written, std::size_t count);
    sf_private_tag* file_ = nullptr;
    std::string shownName_;
    int channels_ = 1;
};

} // namespace zorkan
