#pragma once
// The coefficient entry window's work on its cells: set-up, saving the cell texts to a
// filter parameter file, loading a file into the cells and quantising every
// coefficient to d decimal or binary fraction digits. The window copies its fields and
// grids into a CoefficientForm, calls one of these, and copies the form back - also
// when the call throws, since cells changed before an error keep their new text.
#include "coefficients/filterfile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zorkan {

// A grid of cell texts: row 0 is the header, column 0 the section numbers.
class CellTable {
  public:
    CellTable() = default;
    CellTable(int rows, int columns) { resize(rows, columns); }

    int rows() const { return rows_; }
    int columns() const { return columns_; }
    // std::out_of_range outside the grid.
    const std::string& cell(int row, int column) const;
    void setCell(int row, int column, std::string text);
    // Cells inside both the old and the new size keep their texts; new cells are empty.
    void resize(int rows, int columns);

  private:
    std::size_t index(int row, int column) const;

    int rows_ = 0;
    int columns_ = 0;
    std::vector<std::string> cells_;
};

enum class NumberBase { Decimal, Binary };

// The window's fields (texts as typed, UTF-8) and its two grids.
struct CoefficientForm {
    std::string orderText = "10";
    std::string parameterText = "0";
    std::string precisionText = "3";
    NumberBase base = NumberBase::Decimal;
    CellTable numerator;   // header "Ячейка", "A1".."A5"
    CellTable denominator; // header "Ячейка", "B1".."B5"
};

// The most rows and columns the window's grids take.
constexpr int maxGridRows = 255;
constexpr int maxGridColumns = 255;

// 18 rows (17 sections) and 6 columns in both grids: headers, section numbers, "1" in
// column 1 and "0.000" in columns 2 to 5.
void setUpCoefficientGrids(CoefficientForm& form);

// The refusal that comes before the save dialog: an order field that is odd, negative
// or 36 or more raises a UserMessage (orderMismatchMessage); text that is not an
// integer, the conversion error.
void checkOrderForSaving(const CoefficientForm& form);

// Writes the order and parameter texts as typed, then every coefficient cell's text
// followed by one blank: parameter 0 one line of three cells per row, otherwise two
// lines (three cells, then two). Both grids are first sized to order div 2 + 1 rows
// and 4 (parameter 0) or 6 columns. Checks as checkOrderForSaving first. Files always
// take a decimal point: a cell's `separator` (the user's, when it is not a point) is
// written as one, so that a file saved with Russian settings can be read back.
void saveCoefficients(CoefficientForm& form, const std::string& path, char separator = '.');

// Reads a parameter file into the form with the file reader's number rules: the order
// (low 16 bits; 36 or more refused with orderMismatchMessage, nothing changed), the
// kind, then for every row of the numerator grid and then of the denominator grid one
// value per coefficient column, shown in the general real form, and the rest of the
// line skipped. A malformed number stops the reading; cells filled so far stay.
void loadCoefficients(CoefficientForm& form, const std::string& path, char separator);
void loadCoefficients(CoefficientForm& form, TextReader& in, char separator);

// Sizes both grids to order div 2 + 1 rows and parameter + 4 columns, then rounds the
// fraction of every coefficient cell, numerator grid first, row by row. A size beyond
// the grids' limits is refused with a UserMessage before anything changes; a cell that
// is not a number stops the operation with the conversion error.
void quantiseCoefficients(CoefficientForm& form, char separator);

// S: 10^(d mod 256) or the 32-bit 1 shl (d mod 32) (d = 31 gives -2^31, which rounds
// the same way as 2^31).
long double quantisationScale(std::int64_t digits, NumberBase base);
// The integer part stays exact; only the fraction is rounded to a multiple of 1/S,
// halves to even, symmetrically about zero.
double quantiseValue(double value, long double scale);

// Every coefficient of every section, as the window quantises its cells.
void quantiseSections(std::vector<FilterSection>& sections, std::int64_t digits, NumberBase base);

// A parameter file with the coefficients in the general real form, each followed by
// one blank, as the window writes its cells: line 1 the order, line 2 the kind, then
// the numerator and denominator blocks, one line of three per section, or for
// band-pass two lines (three, then two) - the layout the response reader expects.
void writeFilterInCellForm(const std::string& path, const FilterCoefficients& filter);

} // namespace zorkan
