#pragma once
// Errors raised by the computing modules. what() is the text the user sees;
// the windowed program's general handler shows it, the command line prints it.
#include <stdexcept>
#include <string>

namespace zorkan {

class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A file that cannot be opened, created or read, or a malformed number in a file.
class InOutError : public Error {
  public:
    InOutError(int code, const std::string& text) : Error(text), code_(code) {}
    int code() const { return code_; }

  private:
    int code_;
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

[[noreturn]] void throwFileNotFound();
[[noreturn]] void throwIoError(int code);
[[noreturn]] void throwInvalidNumericInput();
// Maps an errno of a failed open/create to the platform's code and throws.
[[noreturn]] void throwOpenError(int errnoValue, bool forWriting);

[[noreturn]] void throwInvalidOperation();
[[noreturn]] void throwDivisionByZero();
[[noreturn]] void throwOverflow();

// "'%s' is not a valid floating point value" / "'%s' is not a valid integer value".
[[noreturn]] void throwNotAFloat(const std::string& text);
[[noreturn]] void throwNotAnInteger(const std::string& text);

} // namespace zorkan
