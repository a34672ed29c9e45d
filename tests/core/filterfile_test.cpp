#include "coefficients/filterfile.h"
#include "common/errors.h"

#include "tempfiles.h"

#include <gtest/gtest.h>

using namespace zorkan;
using zorkan::testing::readBytes;
using zorkan::testing::TempDir;
using zorkan::testing::writeBytes;

namespace {

FilterCoefficients readText(const std::string& text, const FilterFileReader& reader) {
    TempDir dir;
    writeBytes(dir.file("f.flt"), text);
    return readFilterFile(dir.file("f.flt"), reader);
}

std::string readError(const std::string& text, const FilterFileReader& reader) {
    try {
        readText(text, reader);
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

FilterSection section(std::initializer_list<double> a, std::initializer_list<double> b) {
    FilterSection s;
    std::copy(a.begin(), a.end(), s.a);
    std::copy(b.begin(), b.end(), s.b);
    return s;
}

} // namespace

TEST(FilterFile, WriterLayoutForSecondAndFourthOrderSections) {
    TempDir dir;
    FilterCoefficients lp;
    lp.kind = lowPass;
    lp.sections = {section({1, 2, 1}, {1, -0.5, 0.25}), section({1, 1, 0}, {1, -0.125, 0})};
    writeFilterFile(dir.file("lp.flt"), 3, lp);
    EXPECT_EQ(readBytes(dir.file("lp.flt")),
              "4 \r\n0 \r\n"
              " 1.00000000000000E+0000  2.00000000000000E+0000  1.00000000000000E+0000 \r\n"
              " 1.00000000000000E+0000  1.00000000000000E+0000  0.00000000000000E+0000 \r\n"
              " 1.00000000000000E+0000 -5.00000000000000E-0001  2.50000000000000E-0001 \r\n"
              " 1.00000000000000E+0000 -1.25000000000000E-0001  0.00000000000000E+0000 \r\n");

    FilterCoefficients bp;
    bp.kind = bandPass;
    bp.sections = {section({1, 0, -2, 0, 1}, {1, 0.5, 0.25, -0.5, -0.0})};
    writeFilterFile(dir.file("bp.flt"), 2, bp);
    EXPECT_EQ(readBytes(dir.file("bp.flt")),
              "2\r\n2 \r\n"
              " 1.00000000000000E+0000  0.00000000000000E+0000 -2.00000000000000E+0000\r\n"
              " 0.00000000000000E+0000  1.00000000000000E+0000\r\n"
              " 1.00000000000000E+0000  5.00000000000000E-0001  2.50000000000000E-0001\r\n"
              "-5.00000000000000E-0001  0.00000000000000E+0000\r\n");
}

TEST(FilterFile, RoundTripThroughEveryReader) {
    TempDir dir;
    FilterCoefficients bp;
    bp.kind = bandPass;
    bp.sections = {section({1, -0.1, 0.2, -0.1, 1}, {1, 0.3, 0.4, 0.5, 0.6}),
                   section({1, 0, -1, 0, 0}, {1, -0.7, 0.8, 0, 0})};
    writeFilterFile(dir.file("bp.flt"), 3, bp);
    for (const FilterFileReader* reader :
         {&coefficientWindowReader, &responseReader, &modellingReader}) {
        FilterCoefficients got = readFilterFile(dir.file("bp.flt"), *reader);
        EXPECT_EQ(got.order, 4u);
        EXPECT_EQ(got.kind, bandPass);
        ASSERT_EQ(got.sections.size(), 2u);
        for (int k = 0; k < 2; ++k)
            for (int m = 0; m < 5; ++m) {
                EXPECT_EQ(got.sections[k].a[m], bp.sections[k].a[m]);
                EXPECT_EQ(got.sections[k].b[m], bp.sections[k].b[m]);
            }
    }
}

// Kind 1 is read with three coefficients per section by the response computation,
// with five by the coefficient and modelling windows.
TEST(FilterFile, FiveCoefficientRules) {
    const std::string text = "2\r\n1\r\n1 -2 1 9\r\n7 8\r\n1 0.5 0.25\r\n";
    FilterCoefficients response = readText(text, responseReader);
    ASSERT_EQ(response.sections.size(), 1u);
    EXPECT_EQ(response.sections[0].a[2], 1);
    EXPECT_EQ(response.sections[0].a[3], 0); // not read: the 9 is skipped with its line
    EXPECT_EQ(response.sections[0].b[0], 7);
    EXPECT_EQ(response.sections[0].b[1], 8);

    FilterCoefficients modelling = readText(text, modellingReader);
    EXPECT_EQ(modelling.sections[0].a[3], 7); // A3, A4 from the next line
    EXPECT_EQ(modelling.sections[0].a[4], 8);
    EXPECT_EQ(modelling.sections[0].b[0], 1);

    // The coefficient window reads five values in a row, crossing line ends.
    FilterCoefficients window = readText(text, coefficientWindowReader);
    EXPECT_EQ(window.sections[0].a[3], 9);
    EXPECT_EQ(window.sections[0].a[4], 7);
    EXPECT_EQ(window.sections[0].b[0], 1); // the rest of "7 8" was skipped
}

TEST(FilterFile, OrderRulesOfTheReaders) {
    // The response computation keeps the low 8 bits: 300 reads as 44, 22 sections.
    FilterCoefficients r = readText("300\r\n0\r\n", responseReader);
    EXPECT_EQ(r.order, 44u);
    EXPECT_EQ(r.sections.size(), 22u);
    for (const auto& s : r.sections)
        EXPECT_EQ(s.a[0], 0); // a short file reads zeros

    // The modelling window loads nothing for an odd order, but the header counts.
    FilterCoefficients m = readText("5\r\n0\r\n1 2 1\r\n", modellingReader);
    EXPECT_EQ(m.order, 5u);
    EXPECT_TRUE(m.sections.empty());

    // The coefficient window takes odd orders (N = order div 2).
    FilterCoefficients w = readText("7\r\n0\r\n1 2 1\r\n", coefficientWindowReader);
    EXPECT_EQ(w.sections.size(), 3u);
}

TEST(FilterFile, RefusalsAndErrors) {
    struct Row {
        const char* name;
        std::string text;
        const FilterFileReader* reader;
        std::string message;
    };
    const Row rows[] = {
        {"order 40 in the coefficient window", "40\r\n0\r\n", &coefficientWindowReader,
         orderMismatchMessage},
        {"order 36 in the coefficient window", "36\r\n0\r\n", &coefficientWindowReader,
         orderMismatchMessage},
        {"34 sections for the response", "68\r\n0\r\n", &responseReader,
         "В файле фильтра 34 секций, а обработать можно не более 32"},
        {"31 sections for modelling", "62\r\n0\r\n", &modellingReader,
         "В файле фильтра 31 секций, а обработать можно не более 30"},
        {"decimal comma", "2\r\n0\r\n1 0,5 1\r\n", &responseReader, "Invalid numeric input"},
        {"order with a point", "2.0\r\n0\r\n", &modellingReader, "Invalid numeric input"},
        {"binary garbage", std::string("\x01\xff\xfe\x80garbage\x00", 13), &responseReader,
         "Invalid numeric input"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(readError(r.text, *r.reader), r.message);
    }
    EXPECT_EQ(readError("64\r\n0\r\n", responseReader), "");  // 32 sections fit
    EXPECT_EQ(readError("60\r\n0\r\n", modellingReader), ""); // 30 sections fit
}

TEST(FilterFile, EmptyAndMissingFiles) {
    for (const FilterFileReader* reader :
         {&coefficientWindowReader, &responseReader, &modellingReader}) {
        FilterCoefficients f = readText("", *reader);
        EXPECT_EQ(f.order, 0u);
        EXPECT_EQ(f.kind, 0);
        EXPECT_TRUE(f.sections.empty());
    }
    TempDir dir;
    try {
        readFilterFile(dir.file("missing.flt"), responseReader);
        ADD_FAILURE();
    } catch (const InOutError& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
}

TEST(FilterFile, PlainDecimalFilesReadLikeDesignedOnes) {
    const std::string plain = "2\r\n0\r\n1 2 1\r\n1 -0.5 0.25\r\n";
    const std::string fixed = "2\r\n0 \r\n"
                              " 1.00000000000000E+0000  2.00000000000000E+0000  1.0E0 \r\n"
                              " 1.00000000000000E+0000 -5.00000000000000E-0001  25e-2 \r\n";
    for (const FilterFileReader* reader :
         {&coefficientWindowReader, &responseReader, &modellingReader}) {
        FilterCoefficients a = readText(plain, *reader), b = readText(fixed, *reader);
        ASSERT_EQ(a.sections.size(), 1u);
        ASSERT_EQ(b.sections.size(), 1u);
        for (int m = 0; m < 3; ++m) {
            EXPECT_EQ(a.sections[0].a[m], b.sections[0].a[m]);
            EXPECT_EQ(a.sections[0].b[m], b.sections[0].b[m]);
        }
        EXPECT_EQ(a.sections[0].b[2], 0.25);
    }
}
