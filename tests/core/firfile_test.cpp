// The FIR coefficient file: layout written, numbers read back, malformed files refused
// with the file and the line named.
#include "common/errors.h"
#include "fir/firfile.h"
#include "tests/core/tempfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace zorkan {
namespace {

using testing::TempDir;

TEST(FirFileTest, WritesCountAndTapsInTheRealLayout) {
    TempDir dir;
    const std::string path = dir.file("lp.fir");
    writeFirFile(path, FirFilter{{0.25, -0.5, 0.0, -0.0, 1e-300}});
    EXPECT_EQ(testing::readBytes(path), "5\r\n"
                                        " 2.50000000000000E-0001\r\n"
                                        "-5.00000000000000E-0001\r\n"
                                        " 0.00000000000000E+0000\r\n"
                                        " 0.00000000000000E+0000\r\n"
                                        " 1.00000000000000E-0300\r\n");
}

TEST(FirFileTest, ReadsTapsWhateverTheLineEnds) {
    struct Case {
        const char* bytes;
        std::vector<double> taps;
    };
    const Case cases[] = {
        {"3\r\n 2.5E-1\r\n-5.0E-1\r\n 1\r\n", {0.25, -0.5, 1.0}},
        {"2\n0.125\n-3\n", {0.125, -3.0}},
        {"2\r0.125\r-3", {0.125, -3.0}},
        {"1\r\n 1.00000000000000E+0000\r\n\r\n\r\n", {1.0}},
    };
    for (const auto& c : cases) {
        auto in = TextReader::fromBytes(c.bytes);
        EXPECT_EQ(readFirFile(in, "a.fir").taps, c.taps) << c.bytes;
    }
}

TEST(FirFileTest, RefusesMalformedFilesNamingFileAndLine) {
    struct Case {
        const char* bytes;
        const char* message;
    };
    const Case cases[] = {
        {"", "Файл КИХ-фильтра a.fir пуст: нет числа коэффициентов"},
        {"0\r\n", "Файл КИХ-фильтра a.fir, строка 1: число коэффициентов должно быть целым "
                  "от 1 до 8192"},
        {"8193\r\n", "Файл КИХ-фильтра a.fir, строка 1: число коэффициентов должно быть "
                     "целым от 1 до 8192"},
        {"2.5\r\n1\r\n1\r\n", "Файл КИХ-фильтра a.fir, строка 1: число коэффициентов "
                              "должно быть целым от 1 до 8192"},
        {"3\r\n1\r\n2\r\n", "Файл КИХ-фильтра a.fir, строка 4: заявлено 3 коэффициентов, а "
                            "в файле их 2"},
        {"2\r\n1\r\n2\r\n3\r\n", "Файл КИХ-фильтра a.fir, строка 4: заявлено 2 "
                                 "коэффициентов, а в файле их больше"},
    };
    for (const auto& c : cases) {
        auto in = TextReader::fromBytes(c.bytes);
        try {
            readFirFile(in, "a.fir");
            ADD_FAILURE() << "accepted: " << c.bytes;
        } catch (const UserMessage& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(FirFileTest, MalformedNumberCarriesItsLine) {
    auto in = TextReader::fromBytes("2\r\n1\r\n0.5x\r\n");
    try {
        readFirFile(in, "a.fir");
        ADD_FAILURE();
    } catch (const InOutError& e) {
        EXPECT_EQ(e.line(), 3);
    }
}

TEST(FirFileTest, RefusesToWriteWhatItCouldNotReadBack) {
    TempDir dir;
    const std::string path = dir.file("bad.fir");
    EXPECT_THROW(writeFirFile(path, FirFilter{}), UserMessage);
    EXPECT_THROW(writeFirFile(path, FirFilter{{1.0, std::nan("")}}), UserMessage);
    EXPECT_THROW(writeFirFile(path, FirFilter{std::vector<double>(8193, 0.0)}), UserMessage);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(FirFileTest, RecognisesItsExtension) {
    EXPECT_TRUE(isFirFileName("a.fir"));
    EXPECT_TRUE(isFirFileName("dir/A.FIR"));
    EXPECT_FALSE(isFirFileName("a.flt"));
    EXPECT_FALSE(isFirFileName("fir"));
    EXPECT_FALSE(isFirFileName("a.fir.flt"));
}

} // namespace
} // namespace zorkan
