#include "sound/wavconvert.h"

#include "common/errors.h"
#include "modelling/signalfile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zorkan {

namespace {

// The platform's codes for a file used while not open, and for a full disk.
constexpr int ioFileNotOpen = 103;
constexpr int ioDiskFull = 101;

// Large pieces keep the number of system calls small on files of hundreds of megabytes.
constexpr std::size_t readPiece = 1 << 20;
constexpr std::size_t sinkBufferSize = 1 << 20;
constexpr std::size_t linesBufferSize = (1 << 20) / signalLineLength * signalLineLength;
constexpr std::size_t bytesBufferSize = 1 << 16;

// A sound file has only 256 different sample bytes, so each one's signal line is made
// once by the signal writer and copied from then on.
using LineTable = std::array<std::array<char, signalLineLength>, 256>;

const LineTable& signalLines() {
    static const LineTable table = [] {
        LineTable t{};
        for (int b = 0; b < 256; ++b) {
            formatRealTo(t[b].data(), static_cast<double>(b - 128));
            t[b][realFieldWidth] = '\r';
            t[b][realFieldWidth + 1] = '\n';
        }
        return t;
    }();
    return table;
}

int openOrThrow(const std::string& path, int flags, bool forWriting) {
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0)
        throwOpenError(errno, forWriting);
    // A folder opens for reading here but is no file to read.
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        throwIoError(ioAccessDenied);
    }
    return fd;
}

bool sameFile(const struct stat& a, const std::string& path) {
    struct stat b {};
    return ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

void checkDistinctFiles(const OpenFile& wav, const std::string& signalPath,
                        const std::string& headerPath) {
    struct stat source {};
    bool clash = signalPath == headerPath;
    if (!clash && ::fstat(wav.descriptor(), &source) == 0)
        clash = sameFile(source, signalPath) || sameFile(source, headerPath);
    struct stat signal {};
    if (!clash && ::stat(signalPath.c_str(), &signal) == 0)
        clash = sameFile(signal, headerPath);
    if (clash)
        throw UserMessage("Звуковой файл, файл сигнала и файл заголовка должны быть разными");
}

void checkDistinctFiles(const std::string& signalPath, const OpenFile& wav) {
    struct stat target {};
    if (::fstat(wav.descriptor(), &target) == 0 && sameFile(target, signalPath))
        throw UserMessage("Файл сигнала и звуковой файл должны быть разными");
}

// ---- OpenFile ----

OpenFile OpenFile::openForReading(const std::string& path) {
    return OpenFile(openOrThrow(path, O_RDONLY, false));
}

OpenFile OpenFile::openForUpdate(const std::string& path) {
    return OpenFile(openOrThrow(path, O_RDWR, false));
}

OpenFile OpenFile::create(const std::string& path) {
    return OpenFile(openOrThrow(path, O_WRONLY | O_CREAT | O_TRUNC, true));
}

OpenFile::OpenFile(OpenFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

OpenFile::~OpenFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::size_t OpenFile::read(char* data, std::size_t size) {
    if (fd_ < 0)
        throwIoError(ioFileNotOpen);
    for (;;) {
        ssize_t got = ::read(fd_, data, size);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            throwIoError(errno);
    }
}

void OpenFile::seekToEnd() {
    if (fd_ < 0)
        throwIoError(ioFileNotOpen);
    if (::lseek(fd_, 0, SEEK_END) < 0)
        throwIoError(errno);
}

void OpenFile::close() {
    if (fd_ < 0)
        return;
    int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0)
        throwIoError(errno);
}

// ---- FileSink ----

FileSink::FileSink(OpenFile& file) : file_(file), buffer_(sinkBufferSize) {
    if (!file_.isOpen())
        throwIoError(ioFileNotOpen);
}

FileSink::~FileSink() {
    try {
        flush();
    } catch (const Error&) {
        // A failing disk while unwinding: the first error is the one reported.
    }
}

void FileSink::flush() {
    const char* data = buffer_.data();
    std::size_t left = used_;
    used_ = 0;
    while (left > 0) {
        ssize_t put = ::write(file_.descriptor(), data, left);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            throwIoError(errno == ENOSPC ? ioDiskFull : errno);
        }
        data += put;
        left -= static_cast<std::size_t>(put);
    }
}

void FileSink::write(const char* data, std::size_t size) {
    while (size > 0) {
        if (used_ == buffer_.size())
            flush();
        std::size_t take = std::min(size, buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, data, take);
        used_ += take;
        data += take;
        size -= take;
    }
}

// ---- WAV to signal ----

WavToSignal::WavToSignal(ByteSink& signal, ByteSink& header) : signal_(signal), header_(header) {}

void WavToSignal::feed(const char* data, std::size_t size) {
    if (bytesRead_ < wavHeaderLength && size > 0) {
        std::size_t take =
            std::min<std::size_t>(size, wavHeaderLength - static_cast<std::size_t>(bytesRead_));
        header_.write(data, take);
        bytesRead_ += take;
        data += take;
        size -= take;
    }
    // The buffer grows with the data up to its full size: small inputs stay cheap.
    const std::size_t wanted =
        std::min<std::uint64_t>(linesBufferSize, used_ + std::uint64_t{size} * signalLineLength);
    if (lines_.size() < wanted)
        lines_.resize(wanted);
    const LineTable& table = signalLines();
    char* out = lines_.data();
    for (std::size_t i = 0; i < size; ++i) {
        if (used_ == lines_.size()) {
            signal_.write(out, used_);
            used_ = 0;
        }
        std::memcpy(out + used_, table[static_cast<unsigned char>(data[i])].data(),
                    signalLineLength);
        used_ += signalLineLength;
    }
    bytesRead_ += size;
}

void WavToSignal::finish() {
    if (used_ > 0) {
        std::size_t n = std::exchange(used_, 0);
        signal_.write(lines_.data(), n);
    }
}

WavConversion convertWav(std::string_view wav, ByteSink& signal, ByteSink& header) {
    WavToSignal converter(signal, header);
    converter.feed(wav.data(), wav.size());
    converter.finish();
    return {converter.headerBytes(), converter.samples()};
}

WavConversion convertWav(OpenFile& wav, ByteSink& signal, ByteSink& header) {
    WavToSignal converter(signal, header);
    std::vector<char> piece(readPiece);
    try {
        while (std::size_t got = wav.read(piece.data(), piece.size()))
            converter.feed(piece.data(), got);
    } catch (const Error&) {
        converter.finish(); // the lines made so far are written, as a line-by-line writer would
        throw;
    }
    converter.finish();
    return {converter.headerBytes(), converter.samples()};
}

WavConversion convertWavFile(const std::string& wavPath, const std::string& signalPath,
                             const std::string& headerPath) {
    OpenFile wav = OpenFile::openForReading(wavPath);
    checkDistinctFiles(wav, signalPath, headerPath);
    OpenFile signal = OpenFile::create(signalPath);
    OpenFile header = OpenFile::create(headerPath);
    WavConversion done;
    {
        FileSink signalSink(signal);
        FileSink headerSink(header);
        done = convertWav(wav, signalSink, headerSink);
        signalSink.flush();
        headerSink.flush();
    }
    wav.close();
    signal.close();
    header.close();
    return done;
}

// ---- signal to WAV ----

unsigned char sampleByte(double value) {
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (!(std::fabs(value) < limit))
        return 128;
    auto whole = static_cast<std::int64_t>(value); // toward zero
    return static_cast<unsigned char>(static_cast<std::uint64_t>(whole) - 128u);
}

std::uint64_t appendSignal(TextReader& signal, ByteSink& wav) {
    char bytes[bytesBufferSize];
    std::size_t used = 0;
    std::uint64_t count = 0;
    try {
        while (std::optional<double> v = readSample(signal)) {
            if (used == sizeof bytes) {
                wav.write(bytes, used);
                used = 0;
            }
            bytes[used++] = static_cast<char>(sampleByte(*v));
            ++count;
        }
    } catch (const Error&) {
        wav.write(bytes, used); // the samples before the bad one are kept
        throw;
    }
    wav.write(bytes, used);
    return count;
}

std::uint64_t appendSignal(TextReader& signal, OpenFile& wav) {
    wav.seekToEnd();
    FileSink sink(wav);
    std::uint64_t count = appendSignal(signal, sink);
    sink.flush();
    return count;
}

std::uint64_t appendSignalFile(const std::string& signalPath, const std::string& wavPath) {
    TextReader signal(signalPath);
    OpenFile wav = OpenFile::openForUpdate(wavPath);
    checkDistinctFiles(signalPath, wav);
    std::uint64_t count = appendSignal(signal, wav);
    wav.close();
    return count;
}

} // namespace zorkan
