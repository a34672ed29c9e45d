#include "common/errors.h"

#include <cerrno>

namespace zorkan {

void throwFileNotFound() {
    throw InOutError(ioFileNotFound, "File not found");
}

void throwIoError(int code) {
    switch (code) {
    case ioFileNotFound:
        throwFileNotFound();
    case ioInvalidInput:
        throwInvalidNumericInput();
    default:
        throw InOutError(code, "I/O error " + std::to_string(code));
    }
}

void throwInvalidNumericInput() {
    throw InOutError(ioInvalidInput, "Invalid numeric input");
}

void throwOpenError(int errnoValue, bool forWriting) {
    switch (errnoValue) {
    case ENOENT:
        // Creating a file fails with ENOENT only when its folder is missing.
        throwIoError(forWriting ? ioPathNotFound : ioFileNotFound);
    case ENOTDIR:
        throwIoError(ioPathNotFound);
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        throwIoError(ioAccessDenied);
    default:
        throwIoError(errnoValue);
    }
}

void throwInvalidOperation() {
    throw FloatError("Invalid floating point operation");
}
void throwDivisionByZero() {
    throw FloatError("Floating point division by zero");
}
void throwOverflow() {
    throw FloatError("Floating point overflow");
}

void throwNotAFloat(const std::string& text) {
    throw ConvertError("'" + text + "' is not a valid floating point value");
}

void throwNotAnInteger(const std::string& text) {
    throw ConvertError("'" + text + "' is not a valid integer value");
}

} // namespace zorkan
