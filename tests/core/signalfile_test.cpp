#include "common/errors.h"
#include "modelling/signalfile.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <vector>

namespace zorkan {
namespace {

using zorkan::testing::readBytes;
using zorkan::testing::TempDir;
using zorkan::testing::writeBytes;

struct WholeRead {
    std::vector<double> samples;
    std::string error;
};

WholeRead readWhole(const std::string& path) {
    WholeRead out;
    try {
        std::size_t n = forEachSample(path, [&](double v) { out.samples.push_back(v); });
        EXPECT_EQ(n, out.samples.size());
    } catch (const InOutError& e) {
        out.error = e.what();
    }
    return out;
}

TEST(SignalFile, WholeFileReads) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<double> samples;
        std::string error;
    };
    const Case cases[] = {
        {"empty file", "", {}, ""},
        {"CR LF lines", "1\r\n2\r\n", {1, 2}, ""},
        {"no line end after the last value", "1\r\n2", {1, 2}, ""},
        {"LF lines", "1\n2\n", {1, 2}, ""},
        {"lone CR lines", "1\r2\r", {1, 2}, ""},
        {"empty lines between values", "1\r\n\r\n\r\n2\r\n", {1, 2}, ""},
        {"empty last line gives one 0", "1\r\n2\r\n\r\n", {1, 2, 0}, ""},
        {"blanks after the last line give one 0", "1\r\n \t \r\n  ", {1, 0}, ""},
        {"blanks and tabs before a value", " \t 3\r\n", {3}, ""},
        {"any decimal notation", "5\r\n-0.25\r\n1e3\r\n+.5E-1\r\n", {5, -0.25, 1000, 0.05}, ""},
        {"only the first number of a line", "1.5 2.5\r\n", {1.5}, ""},
        {"rest of the line ignored", "7 abc,def\r\n8\r\n", {7, 8}, ""},
        {"0x1A at a line start ends the data", "1\r\n\x1A\r\n2\r\n", {1}, ""},
        {"0x1A as the first byte",
         "\x1A"
         "5\r\n",
         {},
         ""},
        {"0x1A after blanks is a blank", "1\r\n  \x1A 7\r\n", {1, 7}, ""},
        {"0x1A after a value is the line's rest", "1\x1A\r\n2\r\n", {1, 2}, ""},
        {"decimal comma", "0,5\r\n", {}, "Invalid numeric input"},
        {"stops at the bad line", "1\r\n2\r\nabc\r\n4\r\n", {1, 2}, "Invalid numeric input"},
        {"binary garbage", std::string("\x89PNG\r\n\x1a\n\0\0", 10), {}, "Invalid numeric input"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        std::string path = dir.file("in.xicd");
        writeBytes(path, c.bytes);
        WholeRead got = readWhole(path);
        EXPECT_EQ(got.samples, c.samples) << c.name;
        EXPECT_EQ(got.error, c.error) << c.name;
    }
}

TEST(SignalFile, BlockIsAlways1024Values) {
    struct Case {
        const char* name;
        int count;    // values 1..count written
        int expected; // values kept before the zeros
    };
    const Case cases[] = {
        {"empty", 0, 0},
        {"10 values", 10, 10},
        {"exactly 1024", 1024, 1024},
        {"2000 values", 2000, 1024},
    };
    TempDir dir;
    for (const Case& c : cases) {
        std::string path = dir.file("block.xicd");
        {
            TextWriter out(path);
            for (int i = 1; i <= c.count; ++i)
                writeSample(out, i);
        }
        SampleBlock block = readSampleBlock(path);
        for (int i = 0; i < static_cast<int>(sampleBlockSize); ++i)
            ASSERT_EQ(block[i], i < c.expected ? i + 1 : 0) << c.name << " at " << i;
    }
}

TEST(SignalFile, BlockStopsAtTheEndMark) {
    TempDir dir;
    std::string path = dir.file("mark.xicd");
    writeBytes(path, "1\r\n2\r\n\x1A\r\n3\r\n4\r\n");
    SampleBlock block = readSampleBlock(path);
    EXPECT_EQ(block[0], 1);
    EXPECT_EQ(block[1], 2);
    for (std::size_t i = 2; i < sampleBlockSize; ++i)
        ASSERT_EQ(block[i], 0) << i;
}

TEST(SignalFile, BlockErrors) {
    TempDir dir;
    try {
        readSampleBlock(dir.file("absent.xicd"));
        ADD_FAILURE() << "read a missing file";
    } catch (const InOutError& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    std::string path = dir.file("bad.xicd");
    writeBytes(path, "1\r\n0,5\r\n");
    try {
        readSampleBlock(path);
        ADD_FAILURE() << "read a decimal comma";
    } catch (const InOutError& e) {
        EXPECT_STREQ(e.what(), "Invalid numeric input");
    }
}

TEST(SignalFile, WrittenLinesAndRoundTrip) {
    TempDir dir;
    std::string path = dir.file("out.yicd");
    {
        TextWriter out(path);
        writeSample(out, 1);
        writeSample(out, -128);
        writeSample(out, 1.0 / 3);
    }
    EXPECT_EQ(readBytes(path), " 1.00000000000000E+0000\r\n"
                               "-1.28000000000000E+0002\r\n"
                               " 3.33333333333333E-0001\r\n");
    WholeRead back = readWhole(path);
    ASSERT_EQ(back.samples.size(), 3u);
    EXPECT_EQ(back.samples[1], -128);
    EXPECT_EQ(back.samples[2], 0.333333333333333);
    EXPECT_NE(back.samples[2], 1.0 / 3);
}

long peakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(SignalFile, MillionSamplesStream) {
    constexpr int count = 1000000;
    TempDir dir;
    std::string path = dir.file("long.xicd");
    long peakBefore = peakResidentKb();
    {
        TextWriter out(path);
        for (int i = 0; i < count; ++i)
            writeSample(out, i % 2000 - 1000.5);
        out.close();
    }
    long n = 0;
    double sum = 0;
    bool inOrder = true;
    std::size_t got = forEachSample(path, [&](double v) {
        inOrder = inOrder && v == n % 2000 - 1000.5;
        sum += v;
        ++n;
    });
    EXPECT_EQ(got, static_cast<std::size_t>(count));
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(sum, -1.0 * count); // each run of 2000 sums to -2000
    EXPECT_EQ(std::filesystem::file_size(path), 25u * count);
    // The file is 25 MB; neither side may hold it.
    EXPECT_LT(peakResidentKb() - peakBefore, 8 * 1024);
}

} // namespace
} // namespace zorkan
