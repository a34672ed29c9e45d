#pragma once
// WAV sound files and signal files. A sound file is read as a 44-byte header followed
// by 8-bit unsigned samples; no header field is interpreted. The converter copies the
// header to a header file and writes each later byte b as the signal value b - 128;
// the writer appends one byte per signal value to the end of an existing file. Both
// stream through large buffers, so memory does not grow with the file. Every entry
// point also works over bytes in memory (tests, fuzzing).
#include "common/textnumbers.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorkan {

constexpr std::size_t wavHeaderLength = 44;

// Where converted bytes go.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual void write(const char* data, std::size_t size) = 0;
};

// Collects everything in memory.
class StringSink : public ByteSink {
  public:
    void write(const char* data, std::size_t size) override { bytes.append(data, size); }
    std::string bytes;
};

// A file held open by descriptor between the choice of its name and its use, as the
// sound windows keep their files. Closed on destruction.
class OpenFile {
  public:
    // Read only: "File not found" and the like when it cannot be opened.
    static OpenFile openForReading(const std::string& path);
    // Read and write, existing files only (a read-only file is refused).
    static OpenFile openForUpdate(const std::string& path);
    // Created anew, emptied if it exists.
    static OpenFile create(const std::string& path);

    OpenFile() = default;
    OpenFile(OpenFile&& other) noexcept;
    OpenFile& operator=(OpenFile&& other) noexcept;
    ~OpenFile();
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }
    // Up to `size` bytes; 0 at the end. I/O errors are thrown.
    std::size_t read(char* data, std::size_t size);
    // Moves the position to the end of the file.
    void seekToEnd();
    // Closes; an I/O error if the system reports one.
    void close();

  private:
    explicit OpenFile(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// Writes to an open file through a large buffer. The bytes given before a failure reach
// the file when the sink is closed or destroyed.
class FileSink : public ByteSink {
  public:
    explicit FileSink(OpenFile& file);
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    void write(const char* data, std::size_t size) override;
    // Writes out what is buffered; I/O errors are thrown.
    void flush();

  private:
    OpenFile& file_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
};

// The line a sample byte becomes in the signal file: the value b - 128 in the
// 23-character layout, then CR LF.
constexpr std::size_t signalLineLength = realFieldWidth + 2;

// WAV to signal, fed in order with the sound file's bytes in pieces of any size.
class WavToSignal {
  public:
    WavToSignal(ByteSink& signal, ByteSink& header);
    void feed(const char* data, std::size_t size);
    // Writes out the lines still buffered; call once after the last piece.
    void finish();

    std::uint64_t bytesRead() const { return bytesRead_; }
    std::uint64_t headerBytes() const {
        return bytesRead_ < wavHeaderLength ? bytesRead_ : wavHeaderLength;
    }
    std::uint64_t samples() const { return bytesRead_ - headerBytes(); }

  private:
    ByteSink& signal_;
    ByteSink& header_;
    std::uint64_t bytesRead_ = 0;
    std::vector<char> lines_;
    std::size_t used_ = 0;
};

struct WavConversion {
    std::uint64_t headerBytes = 0;
    std::uint64_t samples = 0;
};

// The whole conversion over bytes in memory.
WavConversion convertWav(std::string_view wav, ByteSink& signal, ByteSink& header);
// The whole conversion of an open sound file, read from its current position to its end.
WavConversion convertWav(OpenFile& wav, ByteSink& signal, ByteSink& header);
// Creating an output over the sound file would destroy the sound before it is read, and
// one file for both outputs would mix them: both are refused with a UserMessage.
void checkDistinctFiles(const OpenFile& wav, const std::string& signalPath,
                        const std::string& headerPath);
// By names, as the command line does it: the sound file is opened first, so a missing
// one touches no output; then the signal file and the header file are created.
WavConversion convertWavFile(const std::string& wavPath, const std::string& signalPath,
                             const std::string& headerPath);

// The byte a signal value becomes: (trunc(v) - 128) modulo 256; 128 for a value that
// cannot be cut to a 64-bit integer (magnitude 2^63 or more, or not a number).
unsigned char sampleByte(double value);

// Reads samples until the end of data and gives one byte per sample to `wav`; returns
// the count. A malformed number ends it with "Invalid numeric input"; the bytes of the
// samples before it have been given to the sink by then.
std::uint64_t appendSignal(TextReader& signal, ByteSink& wav);
// Appends to the end of an open file (opened for update).
std::uint64_t appendSignal(TextReader& signal, OpenFile& wav);
// Appending to the signal file that is being read would never end: refused.
void checkDistinctFiles(const std::string& signalPath, const OpenFile& wav);
// By names, as the command line does it: the signal file is opened first, then the
// existing sound file for update; a missing one of either is an error and nothing is
// written.
std::uint64_t appendSignalFile(const std::string& signalPath, const std::string& wavPath);

} // namespace zorkan
