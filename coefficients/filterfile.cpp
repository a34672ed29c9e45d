#include "coefficients/filterfile.h"

#include "common/errors.h"

#include <algorithm>

namespace zorkan {

const FilterFileReader coefficientWindowReader{
    16, FiveCoefficientRule::KindNonZero, 17, true, false, 36};
const FilterFileReader responseReader{8, FiveCoefficientRule::KindIsTwo, 32, false, false, 0};
const FilterFileReader modellingReader{16, FiveCoefficientRule::KindNonZero, 30, false, true, 0};

const char* const orderMismatchMessage = "Не соответствует порядок фильтра";

namespace {

// Reads one block of coefficients (a[] or b[]) of a section.
void readCoefficients(TextReader& in, double* values, bool five, bool inARow) {
    values[0] = in.readReal();
    values[1] = in.readReal();
    values[2] = in.readReal();
    if (five && inARow) {
        values[3] = in.readReal();
        values[4] = in.readReal();
        in.skipLine();
        return;
    }
    in.skipLine();
    if (five) {
        values[3] = in.readReal();
        values[4] = in.readReal();
        in.skipLine();
    } else {
        values[3] = values[4] = 0;
    }
}

} // namespace

FilterCoefficients readFilterFile(const std::string& path, const FilterFileReader& reader) {
    TextReader in(path);
    return readFilterFile(in, reader);
}

FilterCoefficients readFilterFile(TextReader& in, const FilterFileReader& reader) {
    const std::uint32_t mask = reader.orderBits >= 32 ? 0xFFFFFFFFu : (1u << reader.orderBits) - 1;

    FilterCoefficients filter;
    filter.order = static_cast<std::uint32_t>(in.readInteger()) & mask;
    if (reader.orderLimit != 0 && filter.order >= reader.orderLimit)
        throw UserMessage(orderMismatchMessage);
    in.skipLine();
    const std::size_t count = filter.order / 2;
    const auto checkCapacity = [&] {
        if (count > reader.capacity)
            throw UserMessage("В файле фильтра " + std::to_string(count) +
                              " секций, а обработать можно не более " +
                              std::to_string(reader.capacity));
    };
    // An odd order reads nothing more, but its N sections are still run by its user,
    // so it must fit the tables too.
    if (reader.oddOrderReadsNothing && filter.order % 2 != 0) {
        checkCapacity();
        return filter;
    }
    filter.kind = static_cast<FilterKind>(in.readInteger());
    in.skipLine();
    checkCapacity();

    const bool five =
        reader.rule == FiveCoefficientRule::KindIsTwo ? filter.kind == 2 : filter.kind != 0;
    filter.sections.resize(count);
    for (auto& s : filter.sections)
        readCoefficients(in, s.a, five, reader.fiveValuesInARow);
    for (auto& s : filter.sections)
        readCoefficients(in, s.b, five, reader.fiveValuesInARow);
    return filter;
}

std::string coefficientLine(const double* values, int count, bool trailingBlank) {
    std::string line;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            line += ' ';
        line += formatReal(values[i] == 0 ? 0.0 : values[i]);
    }
    if (trailingBlank)
        line += ' ';
    return line;
}

void writeFilterOrderLine(TextWriter& out, unsigned prototypeOrder) {
    if (prototypeOrder % 2 == 0) {
        out.writeInteger(prototypeOrder);
    } else {
        out.writeInteger(prototypeOrder + 1);
        out.write(" ");
    }
    out.endLine();
}

namespace {
void writeBlock(TextWriter& out, FilterKind kind, const std::vector<FilterSection>& sections,
                bool numerator) {
    for (const auto& s : sections) {
        const double* v = numerator ? s.a : s.b;
        if (kind == bandPass) {
            out.writeLine(coefficientLine(v, 3, false));
            out.writeLine(coefficientLine(v + 3, 2, false));
        } else {
            out.writeLine(coefficientLine(v, 3, true));
        }
    }
}
} // namespace

void writeFilterBody(TextWriter& out, FilterKind kind, const std::vector<FilterSection>& sections) {
    out.writeInteger(kind);
    out.write(" ");
    out.endLine();
    writeBlock(out, kind, sections, true);
    writeBlock(out, kind, sections, false);
}

void writeFilterFile(const std::string& path, unsigned prototypeOrder,
                     const FilterCoefficients& filter) {
    TextWriter out(path);
    writeFilterOrderLine(out, prototypeOrder);
    writeFilterBody(out, filter.kind, filter.sections);
    out.close();
}

void checkAnalysable(const FilterCoefficients& filter) {
    if (filter.sections.empty())
        throw UserMessage("В файле фильтра нет ни одной секции: анализировать нечего");
    const bool allZero = std::all_of(filter.sections.begin(), filter.sections.end(), [](auto& s) {
        return std::all_of(s.a, s.a + 5, [](double v) { return v == 0; }) &&
               std::all_of(s.b, s.b + 5, [](double v) { return v == 0; });
    });
    if (allZero)
        throw UserMessage("Все коэффициенты фильтра равны нулю: анализировать нечего");
    for (std::size_t k = 0; k < filter.sections.size(); ++k)
        if (filter.sections[k].b[0] == 0)
            throw UserMessage("В секции " + std::to_string(k + 1) +
                              " коэффициент знаменателя B0 равен нулю: такой фильтр "
                              "нельзя реализовать");
}

FilterCoefficients readAnalysedFilter(const std::string& path) {
    if (path.empty() || path == "*.flt")
        throw UserMessage("Не задано имя файла");
    TextReader in(path);
    return readAnalysedFilter(in);
}

FilterCoefficients readAnalysedFilter(TextReader& in) {
    FilterCoefficients filter = readFilterFile(in, responseReader);
    checkAnalysable(filter);
    return filter;
}

} // namespace zorkan
