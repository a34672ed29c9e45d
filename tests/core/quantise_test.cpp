#include "coefficients/quantise.h"
#include "common/errors.h"

#include "tempfiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include <string>
#include <vector>

using namespace zorkan;
using zorkan::testing::readBytes;
using zorkan::testing::TempDir;
using zorkan::testing::writeBytes;

namespace {

// The cell texts, row by row, "|" between cells and "/" between rows.
std::string cells(const CellTable& t) {
    std::string s;
    for (int r = 0; r < t.rows(); ++r) {
        if (r > 0)
            s += "/";
        for (int c = 0; c < t.columns(); ++c)
            s += (c > 0 ? "|" : "") + t.cell(r, c);
    }
    return s;
}

std::string snapshot(const CoefficientForm& f) {
    return f.orderText + "#" + f.parameterText + "#" + f.precisionText + "#" + cells(f.numerator) +
           "#" + cells(f.denominator);
}

CoefficientForm setUpForm() {
    CoefficientForm f;
    setUpCoefficientGrids(f);
    return f;
}

template <typename F> std::string errorOf(F&& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(Quantise, ValuesKeepTheirIntegerPartAndRoundTheFractionHalfToEven) {
    struct Case {
        double value;
        int digits;
        NumberBase base;
        double expected;
    };
    const auto dec = NumberBase::Decimal, bin = NumberBase::Binary;
    const std::vector<Case> cases = {
        {0.12345, 3, dec, 0.123},
        {-1.23456, 3, dec, -1.235},
        {0.125, 2, dec, 0.12},   // half to even
        {-0.125, 2, dec, -0.12}, // symmetric about zero
        {0.135, 2, dec, 0.14},   // 0.135 is a little above the half
        {0.3, 3, bin, 0.25},
        {2.71828, 4, bin, 2.6875},
        {0.375, 2, bin, 0.5},   // 1.5 -> 2
        {0.625, 2, bin, 0.5},   // 2.5 -> 2
        {-2.625, 2, bin, -2.5}, // only the fraction moves
        {1, 3, dec, 1},
        {-2, 3, bin, -2},
        {1234567.5, 0, dec, 1234567}, // S = 1: the fraction alone rounds, 0.5 to 0
        {-3.5, 0, dec, -3},
        {0.75, 0, dec, 1},
        {0.3, 31, bin, 644245094.0 / 2147483648.0}, // S = -2^31 rounds like 2^31
        {0.3, 33, bin, 0.5},                        // shift modulo 32: S = 2
        {0.123, 258, dec, 0.12},                    // modulo 256: S = 100
        {0.1, -1, dec, 0.1},                        // d = 255: nothing left to round
        {1e300, 3, dec, 1e300},                     // no fraction beyond the 64-bit range
        {-9.5e18, 3, dec, -9.5e18},
    };
    for (const Case& c : cases)
        EXPECT_EQ(quantiseValue(c.value, quantisationScale(c.digits, c.base)), c.expected)
            << c.value << " d=" << c.digits << (c.base == bin ? " binary" : " decimal");
}

TEST(Quantise, GridsAfterSetUpAndParameterColumns) {
    struct Case {
        const char* order;
        const char* parameter;
        int rows;
        int columns;
    };
    const std::vector<Case> cases = {
        {"10", "0", 6, 4}, {"10", "1", 6, 5}, {"10", "2", 6, 6}, {"7", "0", 4, 4}, {"0", "0", 1, 4},
    };
    for (const Case& c : cases) {
        CoefficientForm f = setUpForm();
        f.orderText = c.order;
        f.parameterText = c.parameter;
        quantiseCoefficients(f, '.');
        for (const CellTable* t : {&f.numerator, &f.denominator}) {
            ASSERT_EQ(t->rows(), c.rows) << c.order << "/" << c.parameter;
            ASSERT_EQ(t->columns(), c.columns) << c.order << "/" << c.parameter;
            for (int r = 1; r < c.rows; ++r) {
                EXPECT_EQ(t->cell(r, 0), std::to_string(r));
                EXPECT_EQ(t->cell(r, 1), "1");
                for (int col = 2; col < c.columns; ++col)
                    EXPECT_EQ(t->cell(r, col), "0");
            }
        }
    }
}

TEST(Quantise, CellsInOrderWithTheUsersSeparatorUpToTheFirstBadOne) {
    CoefficientForm f = setUpForm();
    f.orderText = "4";
    f.precisionText = "2";
    f.numerator.setCell(1, 1, "0,125");
    f.numerator.setCell(1, 2, "-1.23456");
    f.denominator.setCell(1, 2, "0,375");
    f.denominator.setCell(2, 1, "1.5x");
    f.denominator.setCell(2, 3, "0,98765");
    EXPECT_EQ(errorOf([&] { quantiseCoefficients(f, ','); }),
              "'1.5x' is not a valid floating point value");
    EXPECT_EQ(cells(f.numerator), "Ячейка|A1|A2|A3/1|0,12|-1,23|0/2|1|0|0");
    // Cells before the bad one changed, the ones after it kept.
    EXPECT_EQ(cells(f.denominator), "Ячейка|B1|B2|B3/1|1|0,38|0/2|1.5x|0.000|0,98765");

    // Rows that never held text stop it the same way.
    CoefficientForm g = setUpForm();
    g.orderText = "40";
    EXPECT_EQ(errorOf([&] { quantiseCoefficients(g, '.'); }),
              "'' is not a valid floating point value");
    EXPECT_EQ(g.numerator.rows(), 21);
}

TEST(Quantise, CellsHiddenByASmallerGridComeBackWithTheirText) {
    CellTable t(3, 3);
    t.setCell(2, 2, "0.5");
    t.setCell(1, 1, "x");
    t.resize(2, 2);
    EXPECT_THROW(t.cell(2, 2), std::out_of_range);
    t.setCell(1, 1, ""); // emptied while visible: stays empty
    t.resize(4, 4);
    EXPECT_EQ(cells(t), "|||/|||/||0.5|/|||");
}

// Saving, loading and quantising change the grids' size; a cell that the smaller size
// hid keeps its text, so the next operation over a larger grid finds it.
TEST(Quantise, OperationsAfterASmallerGridFindTheHiddenCells) {
    TempDir dir;
    writeBytes(dir.file("kind0.flt"), "2\r\n0\r\n0.5 0.25 0.125\r\n1 -0.5 0.75\r\n");
    struct Case {
        const char* what;
        std::function<void(CoefficientForm&)> first;
        const char* order;
        const char* parameter;
        bool quantise;        // else save
        std::string expected; // the numerator grid after quantising, or the saved file
    };
    std::string twenty = "20\r\n0\r\n";
    for (int i = 0; i < 20; ++i)
        twenty += "1 0.000 0.000 \r\n";
    const std::vector<Case> cases = {
        {"save order 10, then 20", [&](CoefficientForm& f) { saveCoefficients(f, dir.file("x")); },
         "20", "0", false, twenty},
        {"quantise parameter 0, then 2", [](CoefficientForm& f) { quantiseCoefficients(f, '.'); },
         "2", "2", true, "Ячейка|A1|A2|A3|A4|A5/1|1|0|0|0|0"},
        {"load kind 0, then quantise parameter 1",
         [&](CoefficientForm& f) { loadCoefficients(f, dir.file("kind0.flt"), '.'); }, "2", "1",
         true, "Ячейка|A1|A2|A3|A4/1|0.5|0.25|0.125|0"},
        {"load kind 0, then save parameter 1",
         [&](CoefficientForm& f) { loadCoefficients(f, dir.file("kind0.flt"), '.'); }, "2", "1",
         false, "2\r\n1\r\n0.5 0.25 0.125 \r\n0.000 0.000 \r\n1 -0.5 0.75 \r\n0.000 0.000 \r\n"},
    };
    for (const Case& c : cases) {
        CoefficientForm f = setUpForm();
        c.first(f);
        f.orderText = c.order;
        f.parameterText = c.parameter;
        if (c.quantise) {
            EXPECT_EQ(errorOf([&] { quantiseCoefficients(f, '.'); }), "") << c.what;
            EXPECT_EQ(cells(f.numerator), c.expected) << c.what;
        } else {
            saveCoefficients(f, dir.file("y.flt"));
            EXPECT_EQ(readBytes(dir.file("y.flt")), c.expected) << c.what;
        }
    }
}

TEST(Quantise, RefusesGridsBeyondTheWindowsAndFieldsThatAreNotIntegers) {
    struct Case {
        const char* order;
        const char* parameter;
        const char* precision;
        std::string error; // any UserMessage when empty
    };
    const std::vector<Case> cases = {
        {"510", "0", "3", ""},  // 256 rows
        {"-2", "0", "3", ""},   // no rows at all
        {"10", "252", "3", ""}, // 256 columns
        {"10", "-3", "3", ""},  // only the number column
        {"10", "0", "3.5", "'3.5' is not a valid integer value"},
        {"ten", "0", "3", "'ten' is not a valid integer value"},
        {"10", "", "3", "'' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        CoefficientForm f = setUpForm();
        f.orderText = c.order;
        f.parameterText = c.parameter;
        f.precisionText = c.precision;
        const std::string before = snapshot(f);
        std::string error;
        bool user = false;
        try {
            quantiseCoefficients(f, '.');
        } catch (const UserMessage& e) {
            user = true;
            error = e.what();
        } catch (const Error& e) {
            error = e.what();
        }
        if (c.error.empty()) {
            EXPECT_TRUE(user && !error.empty()) << c.order << "/" << c.parameter;
        } else {
            EXPECT_EQ(error, c.error);
        }
        EXPECT_EQ(snapshot(f), before) << c.order << "/" << c.parameter;
    }
    // The largest grids are taken (and stop at their first empty cell).
    CoefficientForm f = setUpForm();
    f.orderText = "509";
    f.parameterText = "251";
    EXPECT_EQ(errorOf([&] { quantiseCoefficients(f, '.'); }),
              "'' is not a valid floating point value");
    EXPECT_EQ(f.numerator.rows(), 255);
    EXPECT_EQ(f.numerator.columns(), 255);
}

TEST(Quantise, SaveWritesTheCellTextsAsTyped) {
    TempDir dir;
    // Defaults after set-up: order 10, parameter 0.
    CoefficientForm f = setUpForm();
    saveCoefficients(f, dir.file("a.flt"));
    std::string expected = "10\r\n0\r\n";
    for (int i = 0; i < 10; ++i)
        expected += "1 0.000 0.000 \r\n";
    EXPECT_EQ(readBytes(dir.file("a.flt")), expected);
    EXPECT_EQ(f.numerator.rows(), 6);
    EXPECT_EQ(f.numerator.columns(), 4);

    // Parameter 2, order 4: each row over two lines; texts exactly as in the cells.
    CoefficientForm g = setUpForm();
    g.orderText = "4";
    g.parameterText = "2";
    g.numerator.setCell(1, 2, "-1.5E-5");
    g.numerator.setCell(2, 5, "2,5");
    g.denominator.setCell(2, 1, "");
    saveCoefficients(g, dir.file("b.flt"));
    EXPECT_EQ(readBytes(dir.file("b.flt")), "4\r\n2\r\n"
                                            "1 -1.5E-5 0.000 \r\n0.000 0.000 \r\n"
                                            "1 0.000 0.000 \r\n0.000 2,5 \r\n"
                                            "1 0.000 0.000 \r\n0.000 0.000 \r\n"
                                            " 0.000 0.000 \r\n0.000 0.000 \r\n");
    EXPECT_EQ(g.denominator.rows(), 3);
    EXPECT_EQ(g.denominator.columns(), 6);
}

// With a comma as the user's separator the cells are still written as typed, but with
// the decimal point that every reader of the file expects.
TEST(Quantise, SaveWritesTheUsersSeparatorAsAPoint) {
    TempDir dir;
    CoefficientForm f = setUpForm();
    f.orderText = "2";
    f.numerator.setCell(1, 1, "0,25");
    f.numerator.setCell(1, 2, "-1,5E-5");
    f.denominator.setCell(1, 3, "1.5"); // a point typed by hand stays
    saveCoefficients(f, dir.file("a.flt"), ',');
    EXPECT_EQ(readBytes(dir.file("a.flt")), "2\r\n0\r\n0.25 -1.5E-5 0.000 \r\n1 0.000 1.5 \r\n");
    EXPECT_EQ(f.numerator.cell(1, 1), "0,25"); // the cell keeps its text

    CoefficientForm g;
    loadCoefficients(g, dir.file("a.flt"), ',');
    EXPECT_EQ(g.numerator.cell(1, 1), "0,25");
    EXPECT_EQ(g.numerator.cell(1, 2), "-1,5E-5");
}

TEST(Quantise, SaveRefusesOddAndLargeOrdersBeforeCreatingTheFile) {
    for (const char* order : {"7", "36", "40", "-2"}) {
        TempDir dir;
        CoefficientForm f = setUpForm();
        f.orderText = order;
        const std::string before = snapshot(f);
        EXPECT_EQ(errorOf([&] { checkOrderForSaving(f); }), orderMismatchMessage) << order;
        EXPECT_EQ(errorOf([&] { saveCoefficients(f, dir.file("a.flt")); }), orderMismatchMessage)
            << order;
        EXPECT_FALSE(std::filesystem::exists(dir.file("a.flt"))) << order;
        EXPECT_EQ(snapshot(f), before) << order;
    }
    CoefficientForm f = setUpForm();
    f.orderText = "34";
    EXPECT_EQ(errorOf([&] { checkOrderForSaving(f); }), "");
}

TEST(Quantise, LoadShowsTheGeneralFormAndSkipsTheRestOfEachLine) {
    struct Case {
        const char* what;
        std::string file;
        std::string order, parameter, numerator, denominator;
    };
    const std::vector<Case> cases = {
        {"design layout, odd order",
         "7 \r\n0 \r\n"
         " 1.00000000000000E+0000  2.00000000000000E+0000  1.00000000000000E+0000 \r\n"
         "0.125 -1.50000000000000E-0005 0 extra words\r\n"
         "1 1e20 -2.5\r\n"
         "1 0 0\r\n1 -0.5 0.25\r\n1 0.1 0.2\r\n",
         "7", "0", "Ячейка|A1|A2|A3/1|1|2|1/2|0.125|-1.5E-5|0/3|1|1E20|-2.5",
         "Ячейка|B1|B2|B3/1|1|0|0/2|1|-0.5|0.25/3|1|0.1|0.2"},
        // Five values are read before the line is skipped, so a row may span two lines.
        {"band-pass over two lines", "2\r\n2 \r\n1 2 3\r\n4 5\r\n6 7 8 9 10\r\n", "2", "2",
         "Ячейка|A1|A2|A3|A4|A5/1|1|2|3|4|5", "Ячейка|B1|B2|B3|B4|B5/1|6|7|8|9|10"},
        // A kind-1 design file has three per line; this reader still takes five.
        {"kind 1 takes five", "2\r\n1 \r\n1 2 3 \r\n4 5 6 \r\n", "2", "1",
         "Ячейка|A1|A2|A3|A4|A5/1|1|2|3|4|5", "Ячейка|B1|B2|B3|B4|B5/1|0|0|0|0|0"},
        // The order and the kind are held in 16 bits.
        {"16-bit order", "65540\r\n0\r\n", "4", "0", "Ячейка|A1|A2|A3/1|0|0|0/2|0|0|0",
         "Ячейка|B1|B2|B3/1|0|0|0/2|0|0|0"},
        {"empty file", "", "0", "0", "Ячейка|A1|A2|A3", "Ячейка|B1|B2|B3"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeBytes(dir.file("f.flt"), c.file);
        CoefficientForm f = setUpForm();
        loadCoefficients(f, dir.file("f.flt"), '.');
        EXPECT_EQ(f.orderText, c.order) << c.what;
        EXPECT_EQ(f.parameterText, c.parameter) << c.what;
        EXPECT_EQ(cells(f.numerator), c.numerator) << c.what;
        EXPECT_EQ(cells(f.denominator), c.denominator) << c.what;
    }
}

TEST(Quantise, LoadRefusalsAndErrors) {
    TempDir dir;
    // Order 40: refused, nothing changed.
    writeBytes(dir.file("big.flt"), "40\r\n0\r\n1 2 3\r\n");
    CoefficientForm f = setUpForm();
    f.numerator.setCell(3, 3, "7.5");
    const std::string before = snapshot(f);
    EXPECT_EQ(errorOf([&] { loadCoefficients(f, dir.file("big.flt"), '.'); }),
              orderMismatchMessage);
    EXPECT_EQ(snapshot(f), before);

    // Missing file: the I/O error, nothing changed.
    EXPECT_EQ(errorOf([&] { loadCoefficients(f, dir.file("none.flt"), '.'); }), "File not found");
    EXPECT_EQ(snapshot(f), before);

    // A malformed number: cells read so far keep their new text.
    writeBytes(dir.file("bad.flt"), "4\r\n0\r\n0.5 0.25 0.125\r\n1 oops 3\r\n");
    EXPECT_EQ(errorOf([&] { loadCoefficients(f, dir.file("bad.flt"), ','); }),
              "Invalid numeric input");
    EXPECT_EQ(f.orderText, "4");
    EXPECT_EQ(f.numerator.cell(1, 3), "0,125");
    EXPECT_EQ(f.numerator.cell(2, 1), "1");
    EXPECT_EQ(f.numerator.cell(2, 2), "0.000");
}

TEST(Quantise, LoadSaveRoundTripAndSectionsInCellForm) {
    TempDir dir;
    FilterCoefficients filter;
    filter.order = 4;
    filter.kind = bandPass;
    filter.sections.resize(2);
    for (int k = 0; k < 2; ++k)
        for (int m = 0; m < 5; ++m) {
            filter.sections[k].a[m] = 0.1234567 * (k + 1) - m;
            filter.sections[k].b[m] = m == 0 ? 1 : -0.37 * m / (k + 1);
        }
    quantiseSections(filter.sections, 4, NumberBase::Binary);
    EXPECT_EQ(filter.sections[1].a[1], -0.75); // 0.2469134 - 1: -0.7530866 -> -12/16
    writeFilterInCellForm(dir.file("q.flt"), filter);
    const std::string start = "4\r\n2\r\n0.125 -0.875 -1.875 \r\n-2.875 ";
    EXPECT_EQ(readBytes(dir.file("q.flt")).substr(0, start.size()), start);

    // The window reads it back, saves it unchanged, and every reader gets the values.
    CoefficientForm f = setUpForm();
    loadCoefficients(f, dir.file("q.flt"), '.');
    saveCoefficients(f, dir.file("s.flt"));
    EXPECT_EQ(readBytes(dir.file("s.flt")), readBytes(dir.file("q.flt")));
    for (const FilterFileReader* reader :
         {&responseReader, &modellingReader, &coefficientWindowReader}) {
        const FilterCoefficients back = readFilterFile(dir.file("q.flt"), *reader);
        ASSERT_EQ(back.sections.size(), 2u);
        for (int k = 0; k < 2; ++k)
            for (int m = 0; m < 5; ++m) {
                EXPECT_EQ(back.sections[k].a[m], filter.sections[k].a[m]);
                EXPECT_EQ(back.sections[k].b[m], filter.sections[k].b[m]);
            }
    }
}
