#include "common/textnumbers.h"

#include "common/errors.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace zorkan {

namespace {
constexpr std::size_t bufferSize = 1 << 16;
}

void formatRealTo(char* out, double value) {
    if (std::isnan(value) || std::isinf(value)) {
        const char* word = std::isnan(value) ? "Nan" : (value > 0 ? "+Inf" : "-Inf");
        std::size_t len = std::strlen(word);
        std::memset(out, ' ', realFieldWidth - len);
        std::memcpy(out + realFieldWidth - len, word, len);
        return;
    }
    if (value == 0) {
        std::memcpy(out, " 0.00000000000000E+0000", realFieldWidth);
        return;
    }
    // to_chars rounds the exact binary value to 15 significant digits:
    // "d.dddddddddddddde+XX" (two or three exponent digits).
    char digits[32];
    auto res = std::to_chars(digits, digits + sizeof digits, std::fabs(value),
                             std::chars_format::scientific, 14);
    const char* e = static_cast<const char*>(std::memchr(digits, 'e', res.ptr - digits));
    out[0] = value < 0 ? '-' : ' ';
    std::memcpy(out + 1, digits, 16); // d.dddddddddddddd
    out[17] = 'E';
    out[18] = e[1];
    int expDigits = static_cast<int>(res.ptr - (e + 2));
    char* exp = out + 19;
    std::memset(exp, '0', 4 - expDigits);
    std::memcpy(exp + 4 - expDigits, e + 2, expDigits);
}

std::string formatReal(double value) {
    std::string s(realFieldWidth, ' ');
    formatRealTo(s.data(), value);
    return s;
}

bool parseDecimalReal(std::string_view text, double& value) {
    // Shape check first: from_chars alone would also take "inf", "nan" and hex.
    std::size_t i = 0, n = text.size();
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::size_t mantissaStart = i;
    std::size_t intDigits = 0, fracDigits = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        ++i;
        ++intDigits;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && text[i] >= '0' && text[i] <= '9') {
            ++i;
            ++fracDigits;
        }
    }
    if (intDigits + fracDigits == 0)
        return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        std::size_t expDigits = 0;
        while (i < n && text[i] >= '0' && text[i] <= '9') {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    if (i != n)
        return false;
    const char* first = text.data() + mantissaStart;
    const char* last = text.data() + n;
    double v = 0;
    auto res = std::from_chars(first, last, v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Too small for a double reads as zero; too large is not a number we can hold.
        std::string copy(first, last);
        v = std::strtod(copy.c_str(), nullptr);
        if (std::isinf(v))
            return false;
    } else if (res.ec != std::errc() || res.ptr != last) {
        return false;
    }
    value = negative ? -v : v;
    return true;
}

bool parseDecimalInteger(std::string_view text, std::int64_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size())
        return false;
    std::int64_t v = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
        if (v > 2147483648LL)
            return false;
    }
    v = negative ? -v : v;
    if (v > 2147483647LL)
        return false;
    value = v;
    return true;
}

// ---- TextReader ----

TextReader::TextReader(const std::string& path) : buffer_(bufferSize) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        throwOpenError(errno, false);
}

TextReader::~TextReader() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool TextReader::fill() {
    if (pos_ < end_)
        return true;
    for (;;) {
        ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throwIoError(errno == EISDIR ? ioAccessDenied : errno);
        }
        pos_ = 0;
        end_ = static_cast<std::size_t>(got);
        return got > 0;
    }
}

bool TextReader::atEnd() { return !fill(); }

int TextReader::peek() { return fill() ? static_cast<unsigned char>(buffer_[pos_]) : -1; }

bool TextReader::readRun(std::size_t maxLength, std::string_view& run) {
    for (;;) {
        if (!fill())
            return false;
        if (static_cast<unsigned char>(buffer_[pos_]) > 0x20)
            break;
        ++pos_;
    }
    std::size_t len = 0;
    // Fast path: the whole run lies in the buffer.
    while (len < maxLength && fill() && static_cast<unsigned char>(buffer_[pos_]) > 0x20)
        run_[len++] = buffer_[pos_++];
    run = std::string_view(run_, len);
    return true;
}

double TextReader::readReal() {
    std::string_view run;
    if (!readRun(maxRealRun, run))
        return 0.0;
    double v;
    if (!parseDecimalReal(run, v))
        throwInvalidNumericInput();
    return v;
}

std::int64_t TextReader::readInteger() {
    std::string_view run;
    if (!readRun(maxIntegerRun, run))
        return 0;
    std::int64_t v;
    if (!parseDecimalInteger(run, v))
        throwInvalidNumericInput();
    return v;
}

void TextReader::skipLine() {
    while (fill()) {
        char* start = buffer_.data() + pos_;
        std::size_t avail = end_ - pos_;
        char* nl = static_cast<char*>(std::memchr(start, '\n', avail));
        char* cr = static_cast<char*>(std::memchr(start, '\r', nl ? nl - start : avail));
        if (cr) {
            pos_ += cr - start + 1;
            if (fill() && buffer_[pos_] == '\n')
                ++pos_;
            return;
        }
        if (nl) {
            pos_ += nl - start + 1;
            return;
        }
        pos_ = end_;
    }
}

// ---- TextWriter ----

TextWriter::TextWriter(const std::string& path) : buffer_(bufferSize) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0)
        throwOpenError(errno, true);
}

TextWriter::~TextWriter() {
    if (fd_ < 0)
        return;
    try {
        flush();
    } catch (const Error&) {
        // Nothing more can be done about a failing disk while unwinding.
    }
    ::close(fd_);
}

void TextWriter::flush() {
    std::size_t done = 0;
    while (done < used_) {
        ssize_t put = ::write(fd_, buffer_.data() + done, used_ - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            used_ = 0;
            throwIoError(errno == ENOSPC ? 101 : errno);
        }
        done += static_cast<std::size_t>(put);
    }
    used_ = 0;
}

void TextWriter::write(std::string_view text) {
    if (used_ + text.size() > buffer_.size()) {
        flush();
        if (text.size() > buffer_.size()) {
            buffer_.resize(text.size());
        }
    }
    std::memcpy(buffer_.data() + used_, text.data(), text.size());
    used_ += text.size();
}

void TextWriter::writeReal(double value) {
    if (used_ + realFieldWidth > buffer_.size())
        flush();
    formatRealTo(buffer_.data() + used_, value);
    used_ += realFieldWidth;
}

void TextWriter::writeInteger(std::int64_t value) {
    char digits[24];
    auto res = std::to_chars(digits, digits + sizeof digits, value);
    write(std::string_view(digits, res.ptr - digits));
}

void TextWriter::endLine() { write("\r\n"); }

void TextWriter::close() {
    if (fd_ < 0)
        return;
    int fd = fd_;
    try {
        flush();
    } catch (...) {
        fd_ = -1;
        ::close(fd);
        throw;
    }
    fd_ = -1;
    if (::close(fd) != 0)
        throwIoError(errno);
}

} // namespace zorkan
