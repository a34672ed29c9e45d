#pragma once
// Numbers in the system's text files: the one writer of the fixed 23-character real
// layout and the one reader of numbers. Files are single-byte with CR LF line ends
// and always use a point as the decimal separator.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorkan {

constexpr std::size_t realFieldWidth = 23;

// A blank or "-", one digit, ".", 14 digits, "E", the exponent's sign and four
// exponent digits: 15 significant digits. Zero of either sign starts with a blank;
// NaN and infinities are "Nan", "+Inf", "-Inf" right-aligned in the field.
void formatRealTo(char* out, double value); // writes exactly realFieldWidth bytes
std::string formatReal(double value);

// Seventeen significant digits, enough for every reader to give back the same double:
// the general form of printf's "%.17g" (trailing zeros dropped, an exponent "e-05" from
// 1e-5 down and from 1e17 up), or the scientific form "d.dddddddddddddddde+XX". NaN and
// infinities come out as "nan", "inf", "-inf"; callers that refuse them check first.
enum class RoundTripForm { General, Scientific };
std::string formatRoundTrip(double value, RoundTripForm form = RoundTripForm::General);

// The value that writing `value` with formatRealTo and reading the text back with
// parseDecimalReal gives, without the text: the nearest double to its 15 rounded digits.
// "Invalid numeric input" when the text would not read back (NaN, infinities, and
// values that round up past the largest double).
double throughRealLayout(double value);

// Longest run of non-blank bytes taken as one number.
constexpr std::size_t maxRealRun = 64;
constexpr std::size_t maxIntegerRun = 32;

// Parses a whole text as a real in the usual decimal notation (optional sign, digits,
// optional point and fraction, optional exponent E/e with optional sign). Returns false
// when it is not one. Shared by the file reader and the window-number reader.
bool parseDecimalReal(std::string_view text, double& value);
// Plain decimal integer with optional sign, within 32 bits.
bool parseDecimalInteger(std::string_view text, std::int64_t& value);

// Sequential reader of a text file opened by name, or of bytes already in memory (the
// same rules; used where a file's contents are at hand, such as the fuzzing harnesses).
// Streams a file through a fixed buffer.
class TextReader {
  public:
    // Opens for reading; "File not found" (or another I/O error) when it cannot. Its
    // errors carry the name, and a malformed number the line it starts on.
    explicit TextReader(const std::string& path);
    // Reads a copy of `bytes`; their end is the physical end of the file.
    static TextReader fromBytes(std::string_view bytes);
    TextReader(TextReader&& other) noexcept;
    ~TextReader();
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    // True when no byte is left.
    bool atEnd();
    // The next byte without consuming it; -1 at the end.
    int peek();
    // Bytes consumed so far, counted from the start of the file.
    std::uint64_t position() const { return consumed_ + pos_; }
    // The line (from 1) the last number read starts on; 0 before the first. CR LF, LF
    // and a lone CR each end a line.
    std::uint64_t line() const { return runLine_; }

    // Skips bytes up to 0x20, then takes the run of bytes above 0x20 (at most
    // maxRealRun) as a real. At the physical end the value is 0 without error;
    // a run that is not a number is "Invalid numeric input".
    double readReal();
    // The same, but says whether a number was there: false at the physical end, where
    // `value` is left as it was.
    bool tryReadReal(double& value);
    // The same with at most maxIntegerRun bytes and a plain decimal integer.
    std::int64_t readInteger();
    // Discards the rest of the line including its end (CR LF, LF or a lone CR).
    void skipLine();

  private:
    TextReader() = default;
    bool fill();
    // Skips blanks; returns false at the physical end. Then collects the run.
    bool readRun(std::size_t maxLength, std::string_view& run);
    // Counts the line end a consumed blank byte makes (the LF of CR LF counts with the CR).
    void countLineEnd(char c) {
        if (c == '\n' && !afterCr_)
            ++lineEnds_;
        else if (c == '\r')
            ++lineEnds_;
        afterCr_ = c == '\r';
    }
    [[noreturn]] void throwMalformed() const;

    std::string path_;
    int fd_ = -1;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t consumed_ = 0; // bytes of the buffers read before the current one
    std::uint64_t lineEnds_ = 0; // line ends consumed so far
    std::uint64_t runLine_ = 0;
    bool afterCr_ = false;
    char run_[maxRealRun];
};

// Writer of a text file created anew (emptied if it exists). Lines reach the file
// in order; what has been written stays there when a computation stops midway.
class TextWriter {
  public:
    // Its errors name `shownPath` when given: the file a temporary is written for.
    explicit TextWriter(const std::string& path, const std::string& shownPath = {});
    ~TextWriter();
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    void write(std::string_view text);
    void writeReal(double value); // the 23-character layout
    void writeInteger(std::int64_t value);
    void endLine(); // CR LF
    void writeLine(std::string_view text) {
        write(text);
        endLine();
    }
    // Flushes and closes; an I/O error if the data could not be stored.
    void close();

  private:
    void flush();

    std::string path_;
    int fd_ = -1;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
};

} // namespace zorkan
