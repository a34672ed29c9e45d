// Spectral input: the polar form of a point, the noise, the three readers and the
// ".reim" writer.
#include "common/errors.h"
#include "modelling/randomgenerator.h"
#include "spectral/fourier.h"
#include "spectral/spectralinput.h"

#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace zorkan {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

const double pi = std::acos(-1.0);

SpectrumPoints read(void (*reader)(TextReader&, SpectrumPoints&), const std::string& bytes) {
    SpectrumPoints table;
    TextReader in = TextReader::fromBytes(bytes);
    reader(in, table);
    return table;
}

// A table whose every field is 7, to see what a failed read leaves.
std::unique_ptr<SpectrumPoints> sentinelTable() {
    auto table = std::make_unique<SpectrumPoints>();
    table->fill({7, 7, 7, 7});
    return table;
}

std::string lines(int count, const std::string& line) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += line;
    return text;
}

void expectZero(const SpectrumPoint& p, std::size_t n) {
    EXPECT_TRUE(p.re == 0 && p.im == 0 && p.magnitude == 0 && p.phase == 0) << "point " << n;
}

TEST(SetPolar, MagnitudeAndPrincipalPhase) {
    const struct {
        double re, im, magnitude, phase;
    } rows[] = {
        {3, 4, 5, std::atan(4.0 / 3.0)},
        {-1, 1, std::sqrt(2.0), -pi / 4}, // the quadrant is not restored
        {-3, -4, 5, std::atan(4.0 / 3.0)},
        {0, -2, 2, -1.5707963267948966},
        {0, 2, 2, 1.5707963267948966},
        {0, 0, 0, 0},
        {-2, 0, 2, 0},
        {1e-310, 1, 1, 1.5707963267948966}, // the quotient overflows; its arctangent does not
    };
    for (const auto& row : rows) {
        SpectrumPoint p{row.re, row.im, 9, 9};
        setPolar(p);
        EXPECT_DOUBLE_EQ(p.magnitude, row.magnitude) << row.re << " " << row.im;
        EXPECT_DOUBLE_EQ(p.phase, row.phase) << row.re << " " << row.im;
    }
}

// The generator's sequence written out here on its own: seed * 134775813 + 1 modulo 2^32,
// an integer draw taking the high word of seed * n.
struct Sequence {
    std::uint32_t seed = 0;
    std::int64_t draw() {
        seed = seed * 134775813u + 1u;
        return static_cast<std::int64_t>((std::uint64_t{seed} * 32768) >> 32);
    }
    double noise() {
        std::int64_t s = 0;
        for (int i = 0; i < 4; ++i) {
            s += draw();
            s -= draw();
        }
        return static_cast<double>(s) / 32768;
    }
};

TEST(SpectralNoise, FourSumsOfDifferencesOnTheSharedGenerator) {
    setRandomSeed(12345);
    Sequence sequence{12345};
    for (int i = 0; i < 100; ++i) {
        const double v = spectralNoise();
        ASSERT_EQ(v, sequence.noise()) << i;
        ASSERT_GT(v, -4.0);
        ASSERT_LT(v, 4.0);
    }
    EXPECT_EQ(randomSeed(), sequence.seed); // eight draws per value
}

// re_n and im_n of a ".dat" input less the noise, with the noise replayed from `seed`.
void expectHarmonics(const SpectrumPoints& table, std::uint32_t seed, double (*re)(std::size_t),
                     double (*im)(std::size_t)) {
    Sequence noise{seed};
    for (std::size_t n = 0; n < spectrumLength; ++n) {
        const double noiseRe = noise.noise();
        const double noiseIm = noise.noise();
        ASSERT_NEAR(table[n].re - noiseRe, re(n), 1e-12) << n;
        ASSERT_NEAR(table[n].im - noiseIm, im(n), 1e-12) << n;
        ASSERT_EQ(table[n].magnitude,
                  std::sqrt(table[n].re * table[n].re + table[n].im * table[n].im));
    }
}

double zero(std::size_t) {
    return 0;
}
double cosine10(std::size_t n) {
    return std::cos(2 * pi * 10 * static_cast<double>(n) / 1024);
}
double sine10(std::size_t n) {
    return std::sin(2 * pi * 10 * static_cast<double>(n) / 1024);
}
double shiftedCosine(std::size_t n) {
    return 2 * std::cos(2 * pi * 3 * static_cast<double>(n) / 1024 + 0.5);
}
double shiftedSine(std::size_t n) {
    return 2 * std::sin(2 * pi * 3 * static_cast<double>(n) / 1024 + 0.5);
}

TEST(ReadDatInput, HarmonicsPlusNoise) {
    const struct {
        const char* name;
        std::string bytes;
        double (*re)(std::size_t);
        double (*im)(std::size_t);
    } rows[] = {
        {"empty: pure noise", "", zero, zero},
        {"one harmonic", "1 10 0\r\n", cosine10, sine10},
        {"rest of the line ignored", "1 10 0 99 words\r\n", cosine10, sine10},
        {"phase from the next line", "2 3\r\n0.5 7 7\r\n", shiftedCosine, shiftedSine},
        {"an eleventh line is not read", lines(10, "0 0 0\r\n") + "1e6 1 0\r\n", zero, zero},
        {"0x1A skipped as a blank",
         "\x1a"
         "1 10 0\r\n",
         cosine10, sine10},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        setRandomSeed(77);
        const SpectrumPoints table = read(readDatInput, row.bytes);
        expectHarmonics(table, 77, row.re, row.im);
    }
}

TEST(Readers, RefusalsLeaveTheDescribedTable) {
    const struct {
        const char* name;
        void (*reader)(TextReader&, SpectrumPoints&);
        std::string bytes;
        std::size_t pointsKept; // read before the refusal; SIZE_MAX: table untouched
    } rows[] = {
        {".dat garbage", readDatInput, "1 10 0\r\n1 x 0\r\n", SIZE_MAX},
        {".dat decimal comma", readDatInput, "0,5 10 0\r\n", SIZE_MAX},
        {".xicd garbage on line 3", readSignalInput, "1\r\n2\r\nabc\r\n4\r\n", 2},
        {".xicd decimal comma", readSignalInput, "0,5\r\n", 0},
        {".reim garbage on line 4", readReimInput, lines(3, "1 2\r\n") + "1 ?\r\n", 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto table = sentinelTable();
        TextReader in = TextReader::fromBytes(row.bytes);
        try {
            row.reader(in, *table);
            ADD_FAILURE() << "read without error";
        } catch (const InOutError& e) {
            EXPECT_STREQ(e.what(), "Invalid numeric input");
        }
        for (std::size_t n = 0; n < spectrumLength; ++n) {
            if (row.pointsKept == SIZE_MAX)
                ASSERT_EQ((*table)[n].re, 7);
            else if (n >= row.pointsKept)
                expectZero((*table)[n], n);
            else
                ASSERT_NE((*table)[n].re, 7);
        }
    }
}

TEST(Readers, MissingFileLeavesTheTable) {
    TempDir dir;
    for (auto reader :
         {static_cast<void (*)(const std::string&, SpectrumPoints&)>(readDatInput),
          static_cast<void (*)(const std::string&, SpectrumPoints&)>(readSignalInput),
          static_cast<void (*)(const std::string&, SpectrumPoints&)>(readReimInput)}) {
        auto table = sentinelTable();
        EXPECT_THROW(reader(dir.file("missing"), *table), InOutError);
        EXPECT_EQ((*table)[1023].phase, 7);
    }
}

TEST(ReadSignalInput, ValuesBecomeRealPartsUpToTheEndOfData) {
    const SpectrumPoints table = read(readSignalInput, "1.5 2.5\r\n-2\r\n\x1a"
                                                       "5\r\n");
    EXPECT_EQ(table[0].re, 1.5);
    EXPECT_EQ(table[0].im, 0);
    EXPECT_EQ(table[1].re, -2);
    EXPECT_EQ(table[1].magnitude, 2);
    EXPECT_EQ(table[1].phase, 0);
    for (std::size_t n = 2; n < spectrumLength; ++n)
        expectZero(table[n], n);
    const SpectrumPoints many = read(readSignalInput, lines(2000, "3\r\n"));
    EXPECT_EQ(many[1023].re, 3);
}

TEST(ReadReimInput, PointsPerLine) {
    // A line of one number takes its imaginary part from the next line.
    const SpectrumPoints one = read(readReimInput, "1\r\n2 3\r\n4 5 6\r\n");
    EXPECT_EQ(one[0].re, 1);
    EXPECT_EQ(one[0].im, 2);
    EXPECT_EQ(one[1].re, 4);
    EXPECT_EQ(one[1].im, 5);
    expectZero(one[2], 2);

    const SpectrumPoints ten = read(readReimInput, lines(10, "-1 1\r\n"));
    EXPECT_DOUBLE_EQ(ten[9].phase, -pi / 4);
    EXPECT_DOUBLE_EQ(ten[9].magnitude, std::sqrt(2.0));
    for (std::size_t n = 10; n < spectrumLength; ++n)
        expectZero(ten[n], n);

    std::string numbered;
    for (int i = 0; i < 2000; ++i)
        numbered += std::to_string(i) + " 1\r\n";
    EXPECT_EQ(read(readReimInput, numbered)[1023].re, 1023);

    const SpectrumPoints marked = read(readReimInput, "1 1\r\n\x1a"
                                                      "2 2\r\n3 3\r\n");
    EXPECT_EQ(marked[0].re, 1);
    expectZero(marked[1], 1);
}

TEST(WriteReimFile, LayoutAndRoundTrip) {
    TempDir dir;
    SpectrumPoints table;
    table[0] = {1, -0.5, 0, 0};
    for (std::size_t n = 1; n < spectrumLength; ++n)
        table[n] = {1.0 / static_cast<double>(n), -std::sqrt(static_cast<double>(n)), 0, 0};
    writeReimFile(dir.file("r.reim"), table);
    const std::string bytes = readBytes(dir.file("r.reim"));
    ASSERT_EQ(bytes.size(), 1024u * 49);
    EXPECT_EQ(bytes.substr(0, 49), " 1.00000000000000E+0000 -5.00000000000000E-0001\r\n");

    SpectrumPoints back;
    readReimInput(dir.file("r.reim"), back);
    for (std::size_t n = 0; n < spectrumLength; ++n) {
        ASSERT_NEAR(back[n].re, table[n].re, std::fabs(table[n].re) * 1e-14) << n;
        ASSERT_NEAR(back[n].im, table[n].im, std::fabs(table[n].im) * 1e-14) << n;
    }

    writeReimFile("", table); // an empty name writes nothing
    EXPECT_THROW(writeReimFile(dir.file("no/such/folder/r.reim"), table), InOutError);
}

TEST(WriteReimFile, NegativeZeroOfTheInverseIsWrittenAsZero) {
    TempDir dir;
    SpectrumPoints table;
    table[0].re = 512; // a real input: every imaginary part of the result is cut to 0
    inverseFourier(table);
    ASSERT_TRUE(std::signbit(table[5].im));
    writeReimFile(dir.file("o.reim"), table);
    const std::string bytes = readBytes(dir.file("o.reim"));
    EXPECT_EQ(bytes.substr(0, 49), " 1.00000000000000E+0000  0.00000000000000E+0000\r\n");
    EXPECT_EQ(bytes.find("-0.0"), std::string::npos);
}

TEST(Readers, FaultsOfHugeValues) {
    const struct {
        void (*reader)(TextReader&, SpectrumPoints&);
        const char* bytes;
        const char* message;
    } rows[] = {
        {readReimInput, "1e200 1\r\n", "Floating point overflow"},
        {readDatInput, "1e308 0 0\r\n1e308 0 0\r\n", "Floating point overflow"},
        {readDatInput, "1 1e308 0\r\n", "Floating point overflow"},
    };
    for (const auto& row : rows) {
        SpectrumPoints table;
        TextReader in = TextReader::fromBytes(row.bytes);
        try {
            row.reader(in, table);
            ADD_FAILURE() << row.bytes;
        } catch (const FloatError& e) {
            EXPECT_STREQ(e.what(), row.message) << row.bytes;
        }
    }
}

TEST(ReadSpectrumInput, SourceChoosesTheReader) {
    TempDir dir;
    writeBytes(dir.file("a.dat"), "");
    writeBytes(dir.file("a.xicd"), "5\r\n");
    writeBytes(dir.file("a.reim"), "6 7\r\n");
    const SpectrumInputNames names{dir.file("a.dat"), dir.file("a.xicd"), dir.file("a.reim")};
    SpectrumPoints table;
    EXPECT_FALSE(readSpectrumInput(noSpectrumInput, names, table));
    EXPECT_TRUE(readSpectrumInput(xicdSpectrumInput, names, table));
    EXPECT_EQ(table[0].re, 5);
    EXPECT_TRUE(readSpectrumInput(reimSpectrumInput, names, table));
    EXPECT_EQ(table[0].im, 7);
    setRandomSeed(0);
    EXPECT_TRUE(readSpectrumInput(datSpectrumInput, names, table));
    Sequence drawn; // two noise values for each of the 1024 points
    for (int i = 0; i < 2048; ++i)
        drawn.noise();
    EXPECT_EQ(randomSeed(), drawn.seed);
}

} // namespace
} // namespace zorkan
