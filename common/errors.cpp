#include "common/errors.h"

#include <cerrno>

namespace zorkan {

namespace {

// The platform's codes that only a few modules raise.
constexpr int ioDiskFull = 101;
constexpr int ioFileNotOpen = 103;

// "lead: name", or the lead alone when no name is known.
std::string named(const std::string& lead, const std::string& separator, const std::string& name) {
    return name.empty() ? lead : lead + separator + name;
}

} // namespace

void throwFileNotFound(const std::string& path) {
    throw InOutError(ioFileNotFound, "File not found", path);
}

void throwIoError(int code, const std::string& path) {
    switch (code) {
    case ioFileNotFound:
        throwFileNotFound(path);
    case ioInvalidInput:
        throwInvalidNumericInput(path);
    default:
        throw InOutError(code, "I/O error " + std::to_string(code), path);
    }
}

void throwInvalidNumericInput(const std::string& path, int line) {
    throw InOutError(ioInvalidInput, "Invalid numeric input", path, line);
}

void throwOpenError(int errnoValue, bool forWriting, const std::string& path) {
    switch (errnoValue) {
    case ENOENT:
        // Creating a file fails with ENOENT only when its folder is missing.
        throwIoError(forWriting ? ioPathNotFound : ioFileNotFound, path);
    case ENOTDIR:
        throwIoError(ioPathNotFound, path);
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        throwIoError(ioAccessDenied, path);
    default:
        throwIoError(errnoValue, path);
    }
}

// The platform's codes first; the system's errno values that reach the user untranslated
// (the codes of the platform's table do not take them) after.
std::string fileErrorText(const InOutError& error, const std::string& path, int line) {
    const std::string& name = path.empty() ? error.path() : path;
    const int at = line > 0 ? line : error.line();
    switch (error.code()) {
    case ioFileNotFound:
        return named("Файл не найден", ": ", name);
    case ioPathNotFound:
        return named("Не найдена папка файла", " ", name);
    case ioAccessDenied:
        return named("Нет доступа к файлу", " ", name);
    case ioDiskFull:
    case ENOSPC:
        return named("Нет места на диске для файла", " ", name);
    case ioFileNotOpen:
        return named("Файл не открыт", ": ", name);
    case ENAMETOOLONG:
        return named("Слишком длинное имя файла", ": ", name);
    case ELOOP:
        return named("Слишком много ссылок в пути к файлу", " ", name);
    case EFBIG:
        return named("Файл слишком велик", ": ", name);
    case EMFILE:
    case ENFILE:
        return named("Слишком много открытых файлов, не открыт файл", " ", name);
    case ioInvalidInput:
        return named("Неверное число", " в файле ", name) +
               (at > 0 ? ", строка " + std::to_string(at) : std::string());
    default:
        return named("Ошибка ввода-вывода " + std::to_string(error.code()), " в файле ", name);
    }
}

InOutError namedFileError(const InOutError& error, const std::string& path, int line) {
    return InOutError(error.code(), fileErrorText(error, path, line),
                      path.empty() ? error.path() : path, line > 0 ? line : error.line());
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
