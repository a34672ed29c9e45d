#pragma once
// Errors raised by the computing modules. what() is the text the user sees;
// the windowed program's general handler shows it, the command line prints it.
#include <stdexcept>
#include <string>
#include <utility>

namespace zorkan {

class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A file that cannot be opened, created or read, or a malformed number in a file.
// what() is the platform's text; the file's name and the line of a malformed number
// travel with it where the reader or writer knew them (empty and 0 otherwise).
class InOutError : public Error {
  public:
    InOutError(int code, const std::string& text, std::string path = {}, int line = 0)
        : Error(text), code_(code), path_(std::move(path)), line_(line) {}
    int code() const { return code_; }
    const std::string& path() const { return path_; }
    int line() const { return line_; }

  private:
    int code_;
    std::string path_;
    int line_;
};

// A floating-point fault: invalid operation, division by zero, overflow.
class FloatError : public Error {
  public:
    using Error::Error;
};

// A window field or command-line value whose text is not a number.
class ConvertError : public Error {
  public:
    using Error::Error;
};

// A refusal of the system's own, worded for the user (Russian).
class UserMessage : public Error {
  public:
    using Error::Error;
};

// The platform's input/output codes and their texts.
constexpr int ioFileNotFound = 2;
constexpr int ioPathNotFound = 3;
constexpr int ioAccessDenied = 5;
constexpr int ioInvalidInput = 106;

// Each throws the platform's text; `path` and `line` ride along for fileErrorText.
[[noreturn]] void throwFileNotFound(const std::string& path = {});
[[noreturn]] void throwIoError(int code, const std::string& path = {});
[[noreturn]] void throwInvalidNumericInput(const std::string& path = {}, int line = 0);
// Maps an errno of a failed open/create to the platform's code and throws.
[[noreturn]] void throwOpenError(int errnoValue, bool forWriting, const std::string& path = {});

// The Russian sentence that says what failed and names the file (and the line of a
// malformed number): "Файл не найден: lp.flt", "Неверное число в файле lp.flt, строка 3".
// The windows and commands built beyond the platform's texts show this one. `path`, when
// given, names the file instead of the one the error carries (a temporary written in
// the file's place, or a reader that did not know the name); `line` likewise.
std::string fileErrorText(const InOutError& error, const std::string& path = {}, int line = 0);

// An InOutError whose what() is fileErrorText's sentence, keeping the code, file and line.
InOutError namedFileError(const InOutError& error, const std::string& path = {}, int line = 0);

// Runs `action`; an InOutError it raises leaves as namedFileError's.
template <class Action> decltype(auto) namingFiles(Action&& action) {
    try {
        return action();
    } catch (const InOutError& e) {
        throw namedFileError(e);
    }
}

[[noreturn]] void throwInvalidOperation();
[[noreturn]] void throwDivisionByZero();
[[noreturn]] void throwOverflow();

// "'%s' is not a valid floating point value" / "'%s' is not a valid integer value".
[[noreturn]] void throwNotAFloat(const std::string& text);
[[noreturn]] void throwNotAnInteger(const std::string& text);

} // namespace zorkan
