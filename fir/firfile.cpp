#include "fir/firfile.h"

#include "common/errors.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace zorkan {

namespace {

std::string lineText(std::uint64_t line) {
    return std::to_string(line);
}

void checkWritable(const FirFilter& filter) {
    const std::size_t n = filter.taps.size();
    if (n < minFirTaps || n > maxFirTaps)
        throw UserMessage("Число коэффициентов КИХ-фильтра должно быть от 1 до " +
                          std::to_string(maxFirTaps) + ", а не " + std::to_string(n));
    for (std::size_t k = 0; k < n; ++k)
        if (!std::isfinite(filter.taps[k]))
            throw UserMessage("Коэффициент h[" + std::to_string(k) +
                              "] КИХ-фильтра не является конечным числом");
}

} // namespace

bool isFirFileName(const std::string& path) {
    constexpr std::string_view ext = ".fir";
    if (path.size() < ext.size())
        return false;
    for (std::size_t i = 0; i < ext.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(path[path.size() - ext.size() + i])) != ext[i])
            return false;
    return true;
}

FirFilter readFirFile(const std::string& path) {
    if (path.empty())
        throw UserMessage("Не задано имя файла");
    TextReader in(path);
    return readFirFile(in, path);
}

FirFilter readFirFile(TextReader& in, const std::string& shownPath) {
    const std::string prefix = "Файл КИХ-фильтра " + shownPath + ", строка ";
    double first = 0;
    if (!in.tryReadReal(first))
        throw UserMessage("Файл КИХ-фильтра " + shownPath + " пуст: нет числа коэффициентов");
    const std::uint64_t countLine = in.line();
    if (first != std::floor(first) || first < static_cast<double>(minFirTaps) ||
        first > static_cast<double>(maxFirTaps))
        throw UserMessage(prefix + lineText(countLine) +
                          ": число коэффициентов должно быть целым от 1 до " +
                          std::to_string(maxFirTaps));
    const auto count = static_cast<std::size_t>(first);
    FirFilter filter;
    filter.taps.resize(count);
    std::uint64_t lastLine = countLine;
    for (std::size_t k = 0; k < count; ++k) {
        if (!in.tryReadReal(filter.taps[k]))
            throw UserMessage(prefix + lineText(lastLine + 1) + ": заявлено " +
                              std::to_string(count) + " коэффициентов, а в файле их " +
                              std::to_string(k));
        lastLine = in.line();
    }
    double extra = 0;
    if (in.tryReadReal(extra))
        throw UserMessage(prefix + lineText(in.line()) + ": заявлено " + std::to_string(count) +
                          " коэффициентов, а в файле их больше");
    return filter;
}

void writeFirFile(TextWriter& out, const FirFilter& filter) {
    checkWritable(filter);
    out.writeInteger(static_cast<std::int64_t>(filter.taps.size()));
    out.endLine();
    for (double h : filter.taps) {
        out.writeReal(h == 0 ? 0.0 : h);
        out.endLine();
    }
}

void writeFirFile(const std::string& path, const FirFilter& filter) {
    checkWritable(filter);
    TextWriter out(path);
    writeFirFile(out, filter);
    out.close();
}

} // namespace zorkan
