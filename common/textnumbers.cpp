#include "common/textnumbers.h"

#include "common/errors.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <unistd.h>
#include <utility>

namespace zorkan {

namespace {
constexpr std::size_t bufferSize = 1 << 16;
constexpr int diskFullCode = 101; // the platform's code of a full disk

// ---- 15 significant digits by exact integer arithmetic ----
// Signal files are written a million lines at a time, and to_chars with a precision is
// slow. For the usual magnitudes (about 1E-13 to 1E41) the rounded digits are computed
// exactly in 128 bits; other values go through to_chars. Both round the exact binary
// value to nearest with halves to even.

__extension__ using Wide = unsigned __int128;

constexpr auto powersOfFive = [] {
    std::array<std::uint64_t, 28> p{}; // 5^27 < 2^63
    p[0] = 1;
    for (std::size_t i = 1; i < p.size(); ++i)
        p[i] = p[i - 1] * 5;
    return p;
}();
constexpr int maxFivePower = 27;
constexpr std::uint64_t lowest15Digits = 100000000000000;  // 10^14
constexpr std::uint64_t beyond15Digits = 1000000000000000; // 10^15

int bitWidth(Wide x) {
    auto high = static_cast<std::uint64_t>(x >> 64);
    return high ? 128 - std::countl_zero(high)
                : 64 - std::countl_zero(static_cast<std::uint64_t>(x));
}

// round(v x 10^k) for v = mantissa x 2^binaryExp, or false when 128 bits do not hold it.
bool scaledRounded(std::uint64_t mantissa, int binaryExp, int k, std::uint64_t& result) {
    if (k > maxFivePower || k < -maxFivePower)
        return false;
    Wide num = mantissa;
    Wide den = 1;
    if (k >= 0)
        num *= powersOfFive[k];
    else
        den = powersOfFive[-k];
    int shift = binaryExp + k; // the 2^k of 10^k joins the binary exponent
    Wide quotient, remainder;
    if (shift >= 0) {
        if (bitWidth(num) + shift > 127)
            return false;
        num <<= shift;
        quotient = num / den;
        remainder = num % den;
    } else if (den == 1) {
        if (-shift >= 127)
            return false;
        quotient = num >> -shift;
        remainder = num & ((Wide{1} << -shift) - 1);
        den = Wide{1} << -shift;
    } else {
        if (bitWidth(den) - shift > 127)
            return false;
        den <<= -shift;
        quotient = num / den;
        remainder = num % den;
    }
    if (quotient >= (Wide{1} << 63))
        return false;
    result = static_cast<std::uint64_t>(quotient);
    Wide twice = remainder * 2; // remainder < den < 2^127
    if (twice > den || (twice == den && (result & 1)))
        ++result;
    return true;
}

// The 15 digits d and the decimal exponent e of a finite positive double:
// value ~ d x 10^(e - 14) with 10^14 <= d < 10^15.
bool fifteenDigits(double value, std::uint64_t& digits, int& exp10) {
    auto bits = std::bit_cast<std::uint64_t>(value);
    int biased = static_cast<int>(bits >> 52) & 0x7FF;
    if (biased == 0)
        return false; // subnormal: far outside the exact range anyway
    std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    int binaryExp = biased - 1075;
    // floor(log2 value) x log10 2, which is the decimal exponent or one below it.
    int e = ((binaryExp + 52) * 78913) >> 18;
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::uint64_t d = 0;
        if (!scaledRounded(mantissa, binaryExp, 14 - e, d))
            return false;
        if (d < lowest15Digits) {
            --e;
        } else if (d < beyond15Digits) {
            digits = d;
            exp10 = e;
            return true;
        } else if (d == beyond15Digits) { // 9.99...95 rounded up to the next power
            digits = lowest15Digits;
            exp10 = e + 1;
            return true;
        } else {
            ++e;
        }
    }
    return false;
}

// Two digits at a time, in independent pieces: a chain of fifteen divisions by ten
// would cost more than everything else in the line.
constexpr auto digitPairs = [] {
    std::array<char, 200> t{};
    for (int i = 0; i < 100; ++i) {
        t[2 * i] = static_cast<char>('0' + i / 10);
        t[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return t;
}();

void putTwo(char* out, unsigned value) {
    std::memcpy(out, &digitPairs[2 * value], 2);
}

void putFour(char* out, unsigned value) {
    putTwo(out, value / 100);
    putTwo(out + 2, value % 100);
}

void writeFifteenDigits(char* out, std::uint64_t digits, int exp10) {
    // out[1..16] = "d.dddddddddddddd"
    constexpr std::uint64_t fourteen = 100000000000000; // 10^14
    std::uint64_t rest = digits % fourteen;
    auto high = static_cast<unsigned>(rest / 100000000); // 6 digits
    auto low = static_cast<unsigned>(rest % 100000000);  // 8 digits
    out[1] = static_cast<char>('0' + digits / fourteen);
    out[2] = '.';
    putTwo(out + 3, high / 10000);
    putFour(out + 5, high % 10000);
    putFour(out + 9, low / 10000);
    putFour(out + 13, low % 10000);
    out[17] = 'E';
    out[18] = exp10 < 0 ? '-' : '+';
    putFour(out + 19, static_cast<unsigned>(exp10 < 0 ? -exp10 : exp10));
}
} // namespace

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
    std::uint64_t fifteen;
    int exp10;
    if (fifteenDigits(std::fabs(value), fifteen, exp10)) {
        out[0] = value < 0 ? '-' : ' ';
        writeFifteenDigits(out, fifteen, exp10);
        return;
    }
    // to_chars rounds the exact binary value to 15 significant digits:
    // "d.dddddddddddddde+XX" (two or three exponent digits), so the "e" is always at 16.
    char digits[32];
    auto res = std::to_chars(digits, digits + sizeof digits, std::fabs(value),
                             std::chars_format::scientific, 14);
    const char* e = digits + 16;
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

namespace {
// Powers of ten that a double holds exactly.
constexpr double exactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int maxExactPower = 22;
constexpr std::uint64_t maxExactMantissa = std::uint64_t{1} << 53;
constexpr int maxGatheredDigits = 19; // always fit a 64-bit mantissa
constexpr int exponentCap = 100000;   // far beyond any double; keeps the sum in an int

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool aboveBlank(char c) {
    return static_cast<unsigned char>(c) > 0x20;
}
} // namespace

bool parseDecimalReal(std::string_view text, double& value) {
    // One pass checks the shape (from_chars alone would also take "inf", "nan" and hex)
    // and gathers the significant digits: value = mantissa x 10^(scale + exponent).
    const char* p = text.data();
    const char* const end = p + text.size();
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    const char* const mantissaStart = p;
    std::uint64_t mantissa = 0;
    int significant = 0; // digits from the first nonzero one on
    int scale = 0;
    int leadExponent = 0; // decimal exponent of the first nonzero digit, exponent part aside
    bool anyDigit = false;
    for (; p < end && isDigit(*p); ++p) {
        anyDigit = true;
        if (significant == 0 && *p == '0')
            continue;
        if (++significant <= maxGatheredDigits)
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
        else
            ++scale;
    }
    leadExponent = significant - 1;
    if (p < end && *p == '.') {
        int leadingZeros = 0;
        for (++p; p < end && isDigit(*p); ++p) {
            anyDigit = true;
            if (significant == 0 && *p == '0') {
                ++leadingZeros;
                --scale;
                continue;
            }
            if (significant == 0)
                leadExponent = -(leadingZeros + 1);
            if (++significant <= maxGatheredDigits) {
                mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
                --scale;
            }
        }
    }
    if (!anyDigit)
        return false;
    int exponent = 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negativeExponent = false;
        if (p < end && (*p == '+' || *p == '-'))
            negativeExponent = *p++ == '-';
        if (p == end || !isDigit(*p))
            return false;
        for (; p < end && isDigit(*p); ++p)
            exponent = std::min(exponent * 10 + (*p - '0'), exponentCap);
        if (negativeExponent)
            exponent = -exponent;
    }
    if (p != end)
        return false;

    if (significant == 0) {
        value = negative ? -0.0 : 0.0;
        return true;
    }
    // Both factors exact, so the one multiplication or division rounds correctly.
    int power = scale + exponent;
    if (significant <= maxGatheredDigits && mantissa <= maxExactMantissa &&
        power >= -maxExactPower && power <= maxExactPower) {
        double m = static_cast<double>(mantissa);
        double v = power >= 0 ? m * exactPowersOfTen[power] : m / exactPowersOfTen[-power];
        value = negative ? -v : v;
        return true;
    }
    double v = 0;
    auto res = std::from_chars(mantissaStart, end, v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Too small for a double reads as zero; too large is not a number we can hold.
        if (leadExponent + exponent >= 0)
            return false;
        v = 0;
    } else if (res.ec != std::errc() || res.ptr != end) {
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

namespace {
// Powers of ten up to 10^22, exact in long double as in double.
constexpr auto longPowersOfTen = [] {
    std::array<long double, 23> p{};
    p[0] = 1;
    for (std::size_t i = 1; i < p.size(); ++i)
        p[i] = p[i - 1] * 10;
    return p;
}();

// The usual signal magnitudes, 1E-7 up to 1E13, without integer arithmetic: the scaled
// value a x 10^k is formed in long double, within 2^-14 of the exact product (it is
// below 2^50), so its nearest integer is the exact one unless the product lies within
// a small margin of a half. Those rare cases, and the boundary where the digits would
// round up to 10^15, are left to the exact path (false).
bool quickLayoutDigits(double a, std::uint64_t& digits, int& k) {
    constexpr long double margin = 0x1p-10L;
    constexpr long double top = 999999999999999.5L; // 10^15 - 1/2
    constexpr long double shifter = 0x1p63L;
    const int binaryExp = static_cast<int>((std::bit_cast<std::uint64_t>(a) >> 52) & 0x7FF) - 1023;
    const int e = (binaryExp * 78913) >> 18; // floor(log10 2^binaryExp): 10^e <= a
    k = 14 - e;
    long double p = a * longPowersOfTen[k];
    if (p >= top - margin) {
        if (p <= top + margin)
            return false;
        --k; // the digits start one place higher
        p = a * longPowersOfTen[k];
    }
    // Adding 2^63 leaves no fraction bits: the sum's 64-bit significand is 2^63 plus the
    // nearest integer (halves to even), read from the bytes to spare a conversion.
    const long double shifted = p + shifter;
    const long double off = p - (shifted - shifter);
    if (off > 0.5L - margin || off < -0.5L + margin)
        return false;
    std::uint64_t significand;
    std::memcpy(&significand, &shifted, sizeof significand);
    digits = significand - (std::uint64_t{1} << 63);
    return true;
}
} // namespace

double throughRealLayout(double value) {
    // The reader takes the 15 digits as an integer mantissa and divides or multiplies by
    // one exact power of ten: a single correctly rounded step, done here the same way.
    const double magnitude = std::fabs(value);
    if (magnitude >= 1e-7 && magnitude < 1e13) {
        std::uint64_t digits;
        int k;
        if (quickLayoutDigits(magnitude, digits, k)) {
            const double v = static_cast<double>(digits) / exactPowersOfTen[k];
            return value < 0 ? -v : v;
        }
    }
    std::uint64_t digits;
    int exp10;
    if (value != 0 && std::isfinite(value) && fifteenDigits(std::fabs(value), digits, exp10)) {
        const int power = exp10 - 14;
        if (power >= -maxExactPower && power <= maxExactPower) {
            const double m = static_cast<double>(digits);
            const double v =
                power >= 0 ? m * exactPowersOfTen[power] : m / exactPowersOfTen[-power];
            return value < 0 ? -v : v;
        }
    }
    char text[realFieldWidth];
    formatRealTo(text, value);
    std::size_t start = 0;
    while (start < realFieldWidth && text[start] == ' ')
        ++start;
    double v;
    if (!parseDecimalReal(std::string_view(text + start, realFieldWidth - start), v))
        throwInvalidNumericInput();
    return v;
}

// ---- TextReader ----

TextReader::TextReader(const std::string& path) : path_(path), buffer_(bufferSize) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        throwOpenError(errno, false, path_);
}

TextReader TextReader::fromBytes(std::string_view bytes) {
    TextReader reader;
    reader.buffer_.assign(bytes.begin(), bytes.end());
    reader.end_ = reader.buffer_.size();
    return reader;
}

TextReader::TextReader(TextReader&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)),
      buffer_(std::move(other.buffer_)), pos_(other.pos_), end_(other.end_),
      consumed_(other.consumed_), lineEnds_(other.lineEnds_), runLine_(other.runLine_),
      afterCr_(other.afterCr_) {
    other.pos_ = other.end_ = 0;
}

TextReader::~TextReader() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool TextReader::fill() {
    if (pos_ < end_)
        return true;
    if (fd_ < 0) // bytes in memory: nothing more to come
        return false;
    for (;;) {
        ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throwIoError(errno == EISDIR ? ioAccessDenied : errno, path_);
        }
        consumed_ += end_;
        pos_ = 0;
        end_ = static_cast<std::size_t>(got);
        return got > 0;
    }
}

bool TextReader::atEnd() {
    return !fill();
}

int TextReader::peek() {
    return fill() ? static_cast<unsigned char>(buffer_[pos_]) : -1;
}

bool TextReader::readRun(std::size_t maxLength, std::string_view& run) {
    for (;;) {
        if (!fill())
            return false;
        if (aboveBlank(buffer_[pos_]))
            break;
        countLineEnd(buffer_[pos_]);
        ++pos_;
    }
    afterCr_ = false;
    runLine_ = lineEnds_ + 1;
    // Usually the run lies in the buffer whole and is taken from there.
    const char* start = buffer_.data() + pos_;
    std::size_t avail = std::min(maxLength, end_ - pos_);
    std::size_t len = 0;
    while (len < avail && aboveBlank(start[len]))
        ++len;
    if (len < avail || len == maxLength) {
        pos_ += len;
        run = std::string_view(start, len);
        return true;
    }
    // It runs on past the buffer's end: gather it across the refill.
    std::memcpy(run_, start, len);
    pos_ += len;
    while (len < maxLength && fill() && aboveBlank(buffer_[pos_]))
        run_[len++] = buffer_[pos_++];
    run = std::string_view(run_, len);
    return true;
}

double TextReader::readReal() {
    double v = 0.0;
    tryReadReal(v);
    return v;
}

bool TextReader::tryReadReal(double& value) {
    std::string_view run;
    if (!readRun(maxRealRun, run))
        return false;
    if (!parseDecimalReal(run, value))
        throwMalformed();
    return true;
}

std::int64_t TextReader::readInteger() {
    std::string_view run;
    if (!readRun(maxIntegerRun, run))
        return 0;
    std::int64_t v;
    if (!parseDecimalInteger(run, v))
        throwMalformed();
    return v;
}

void TextReader::throwMalformed() const {
    constexpr std::uint64_t largestLine = std::numeric_limits<int>::max();
    throwInvalidNumericInput(path_, static_cast<int>(std::min(runLine_, largestLine)));
}

void TextReader::skipLine() {
    while (fill()) {
        const char c = buffer_[pos_++];
        countLineEnd(c);
        if (c == '\n')
            return;
        if (c == '\r') {
            if (fill() && buffer_[pos_] == '\n')
                ++pos_;
            afterCr_ = false;
            return;
        }
    }
}

// ---- TextWriter ----

TextWriter::TextWriter(const std::string& path, const std::string& shownPath)
    : path_(shownPath.empty() ? path : shownPath), buffer_(bufferSize) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0)
        throwOpenError(errno, true, path_);
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
            throwIoError(errno == ENOSPC ? diskFullCode : errno, path_);
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

std::string formatRoundTrip(double value, RoundTripForm form) {
    constexpr int roundTripDigits = std::numeric_limits<double>::max_digits10; // 17
    char text[40];
    const auto r = form == RoundTripForm::General
                       ? std::to_chars(text, text + sizeof text, value, std::chars_format::general,
                                       roundTripDigits)
                       : std::to_chars(text, text + sizeof text, value,
                                       std::chars_format::scientific, roundTripDigits - 1);
    return std::string(text, r.ptr);
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

void TextWriter::endLine() {
    write("\r\n");
}

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
        throwIoError(errno, path_);
}

} // namespace zorkan
