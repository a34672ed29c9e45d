#include "coefficients/quantise.h"

#include "common/cp1251.h"
#include "common/displaynumbers.h"
#include "common/errors.h"
#include "common/floatfaults.h"
#include "common/rounding.h"
#include "common/textnumbers.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace zorkan {

// ---- CellTable ----

std::size_t CellTable::index(int row, int column) const {
    if (row < 0 || column < 0 || row >= rows_ || column >= columns_)
        throw std::out_of_range("cell outside the grid");
    return static_cast<std::size_t>(row) * columns_ + column;
}

const std::string& CellTable::cell(int row, int column) const {
    return cells_[index(row, column)];
}

void CellTable::setCell(int row, int column, std::string text) {
    cells_[index(row, column)] = std::move(text);
}

void CellTable::resize(int rows, int columns) {
    rows = rows < 0 ? 0 : rows;
    columns = columns < 0 ? 0 : columns;
    std::vector<std::string> cells(static_cast<std::size_t>(rows) * columns);
    for (int r = 0; r < rows && r < rows_; ++r)
        for (int c = 0; c < columns && c < columns_; ++c)
            cells[static_cast<std::size_t>(r) * columns + c] = std::move(cells_[index(r, c)]);
    cells_ = std::move(cells);
    rows_ = rows;
    columns_ = columns;
}

// ---- the window's operations ----

namespace {

constexpr int setUpRows = 18;
constexpr int gridColumns = 6;

void setUpGrid(CellTable& grid, const char* letter) {
    grid.resize(setUpRows, gridColumns);
    grid.setCell(0, 0, "Ячейка");
    for (int c = 1; c < gridColumns; ++c)
        grid.setCell(0, c, letter + std::to_string(c));
    for (int r = 1; r < setUpRows; ++r) {
        grid.setCell(r, 0, std::to_string(r));
        grid.setCell(r, 1, "1");
        for (int c = 2; c < gridColumns; ++c)
            grid.setCell(r, c, "0.000");
    }
}

std::int64_t orderForSaving(const CoefficientForm& form) {
    const std::int64_t order = parseWindowInteger(form.orderText);
    if (order < 0 || order % 2 != 0 || order >= 36)
        throw UserMessage(orderMismatchMessage);
    return order;
}

} // namespace

void setUpCoefficientGrids(CoefficientForm& form) {
    setUpGrid(form.numerator, "A");
    setUpGrid(form.denominator, "B");
}

void checkOrderForSaving(const CoefficientForm& form) {
    orderForSaving(form);
}

void saveCoefficients(CoefficientForm& form, const std::string& path, char separator) {
    const auto cellText = [separator](std::string text) {
        if (separator != '.')
            std::replace(text.begin(), text.end(), separator, '.');
        return toCp1251(text);
    };
    const std::int64_t order = orderForSaving(form);
    const bool three = parseWindowInteger(form.parameterText) == 0;

    TextWriter out(path);
    out.writeLine(toCp1251(form.orderText));
    out.writeLine(toCp1251(form.parameterText));
    const int rows = static_cast<int>(order / 2) + 1;
    for (CellTable* grid : {&form.numerator, &form.denominator})
        grid->resize(rows, three ? 4 : 6);
    for (const CellTable* grid : {&form.numerator, &form.denominator}) {
        for (int r = 1; r < rows; ++r) {
            for (int c = 1; c <= 3; ++c) {
                out.write(cellText(grid->cell(r, c)));
                out.write(" ");
            }
            out.endLine();
            if (three)
                continue;
            for (int c = 4; c <= 5; ++c) {
                out.write(cellText(grid->cell(r, c)));
                out.write(" ");
            }
            out.endLine();
        }
    }
    out.close();
}

void loadCoefficients(CoefficientForm& form, const std::string& path, char separator) {
    TextReader in(path);
    loadCoefficients(form, in, separator);
}

void loadCoefficients(CoefficientForm& form, TextReader& in, char separator) {
    const std::int64_t order = in.readInteger() & 0xFFFF;
    in.skipLine();
    if (order >= 36)
        throw UserMessage(orderMismatchMessage);
    form.orderText = std::to_string(order);
    const std::int64_t kind = in.readInteger() & 0xFFFF;
    in.skipLine();
    form.parameterText = std::to_string(kind);

    const int rows = static_cast<int>(order / 2) + 1;
    const int columns = kind == 0 ? 4 : 6;
    for (CellTable* grid : {&form.numerator, &form.denominator})
        grid->resize(rows, columns);
    for (CellTable* grid : {&form.numerator, &form.denominator}) {
        for (int r = 1; r < rows; ++r) {
            for (int c = 1; c < columns; ++c)
                grid->setCell(r, c, formatGeneral(in.readReal(), separator));
            in.skipLine();
        }
    }
}

void quantiseCoefficients(CoefficientForm& form, char separator) {
    const std::int64_t digits = parseWindowInteger(form.precisionText);
    const std::int64_t order = parseWindowInteger(form.orderText);
    const std::int64_t parameter = parseWindowInteger(form.parameterText);
    const std::int64_t rows = order / 2 + 1;
    const std::int64_t columns = parameter + 4;
    if (rows < 1 || rows > maxGridRows || columns < 2 || columns > maxGridColumns)
        throw UserMessage("Таблицы коэффициентов не могут иметь " + std::to_string(rows) +
                          " строк и " + std::to_string(columns) + " столбцов: допустимо от 1 до " +
                          std::to_string(maxGridRows) + " строк (порядок не больше " +
                          std::to_string(2 * maxGridRows - 1) + ") и от 2 до " +
                          std::to_string(maxGridColumns) + " столбцов (параметр от -2 до " +
                          std::to_string(maxGridColumns - 4) + ")");
    const long double scale = quantisationScale(digits, form.base);

    for (CellTable* grid : {&form.numerator, &form.denominator})
        grid->resize(static_cast<int>(rows), static_cast<int>(columns));
    for (CellTable* grid : {&form.numerator, &form.denominator}) {
        for (int r = 1; r < rows; ++r) {
            for (int c = 1; c < columns; ++c) {
                const double v = parseWindowReal(grid->cell(r, c), separator);
                grid->setCell(r, c, formatGeneral(quantiseValue(v, scale), separator));
            }
        }
    }
}

long double quantisationScale(std::int64_t digits, NumberBase base) {
    if (base == NumberBase::Binary) {
        const std::uint32_t shifted = 1u << (digits & 31);
        return static_cast<std::int32_t>(shifted);
    }
    long double scale = 1;
    for (std::int64_t i = digits & 255; i > 0; --i)
        scale *= 10;
    return scale;
}

double quantiseValue(double value, long double scale) {
    // From 2^52 on a double has no fraction; the 64-bit truncation would not even hold
    // values from 2^63 on.
    if (std::fabs(value) >= 4503599627370496.0) // 2^52
        return value;
    const std::int64_t whole = truncToZero(value);
    const double fraction = value - static_cast<double>(whole);
    const double integerPart = value - fraction;
    const long double q = roundHalfEvenWide(fraction * scale);
    return fp::toDouble(q / scale + integerPart);
}

void quantiseSections(std::vector<FilterSection>& sections, std::int64_t digits, NumberBase base) {
    const long double scale = quantisationScale(digits, base);
    for (FilterSection& s : sections) {
        for (double& a : s.a)
            a = quantiseValue(a, scale);
        for (double& b : s.b)
            b = quantiseValue(b, scale);
    }
}

void writeFilterInCellForm(const std::string& path, const FilterCoefficients& filter) {
    TextWriter out(path);
    out.writeInteger(filter.order);
    out.endLine();
    out.writeInteger(filter.kind);
    out.endLine();
    const bool five = filter.kind == bandPass;
    auto writeValues = [&out](const double* values, int count) {
        for (int i = 0; i < count; ++i) {
            out.write(formatGeneral(values[i], '.'));
            out.write(" ");
        }
        out.endLine();
    };
    for (bool numerator : {true, false}) {
        for (const FilterSection& s : filter.sections) {
            const double* v = numerator ? s.a : s.b;
            writeValues(v, 3);
            if (five)
                writeValues(v + 3, 2);
        }
    }
    out.close();
}

} // namespace zorkan
