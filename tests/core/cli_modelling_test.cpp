// zorkan-cli testsignal and filter: the same numbers and files as the engine gives.
#include "literalfilter.h"
#include "modelling/filtering.h"
#include "modelling/modellingchart.h"
#include "modelling/randomgenerator.h"

#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace zorkan {
namespace {

using testing::readBytes;
using testing::runCli;
using testing::TempDir;
using testing::writeBytes;

const std::string halving = "2\r\n0\r\n1 0 0\r\n1 -0.5 0\r\n";

TEST(CliTestSignal, PrintsMaximaAndTheOutputOfTheEngine) {
    TempDir dir;
    writeBytes(dir.file("f.flt"), halving);
    struct Row {
        std::string options;
        SignalKind kind;
        double f, sigma;
        int draws;
    };
    const Row rows[] = {
        {"--kind 2", impulseSignal, 0.01, 0.1, 0},
        {"--kind 3 --freq 0.05 --sigma 0.3 --draws-before 5", uniformNoiseSine, 0.05, 0.3, 5},
        {"--kind 4 --draws-before 1000", gaussianNoiseSine, 0.01, 0.1, 1000},
        {"--kind 5 --freq 2", plainSine, 2, 0.1, 0},
    };
    for (const Row& r : rows) {
        const auto o = runCli(dir, "testsignal --filter f.flt " + r.options);
        ASSERT_EQ(o.status, 0) << r.options << o.err;
        setRandomSeed(0);
        for (int i = 0; i < r.draws; ++i)
            nextRandom();
        SectionTables t;
        loadModellingFilter(dir.file("f.flt"), t);
        TestSignalBuffer in, out;
        const double mi = generateTestSignal(r.kind, r.f, r.sigma, in);
        const double mo = filterBlock(in, t, 1, out);
        std::string expected = "Max IN " + formatReal(mi) + "\nMax OUT " + formatReal(mo) + "\n";
        for (double v : out)
            expected += formatReal(v) + "\n";
        EXPECT_EQ(o.out, expected) << r.options;
    }
    setRandomSeed(0);
}

TEST(CliTestSignal, PictureAndRefusals) {
    TempDir dir;
    writeBytes(dir.file("f.flt"), halving);
    ASSERT_EQ(
        runCli(dir, "testsignal --filter f.flt --kind 1 --first 1 --last 1 --picture c.bmp").status,
        0);
    TestSignalBuffer in, out;
    SectionTables t;
    loadModellingFilter(dir.file("f.flt"), t);
    const double mi = generateTestSignal(stepSignal, 0.01, 0.1, in);
    const double mo = filterBlock(in, t, 1, out);
    Canvas c(modellingChartWidth, modellingChartHeight);
    clearPlot(c);
    plotTraces(c, {1, 1}, in, out, mi, mo);
    const auto bmp = c.bmpBytes();
    EXPECT_EQ(readBytes(dir.file("c.bmp")), std::string(bmp.begin(), bmp.end()));

    for (const char* bad :
         {"--kind 6", "--kind 1 --freq 0", "--kind 3 --sigma 101", "--kind 1 --first 5 --last 4",
          "--kind 1 --last 1025", "--kind 1 --freq 0,5"}) {
        const auto o = runCli(dir, std::string("testsignal --filter f.flt ") + bad);
        EXPECT_EQ(o.status, 1) << bad;
        EXPECT_TRUE(o.out.empty()) << bad;
    }
    EXPECT_EQ(runCli(dir, "testsignal --filter missing.flt --kind 1").err, "File not found\n");
}

TEST(CliFilter, FilesMatchTheLiteralPasses) {
    TempDir dir;
    const std::string filter = "4\r\n0\r\n0.5 0.3 0.2\r\n1 0.1 0\r\n1 -0.4 0.1\r\n1 0.3 0.2\r\n";
    writeBytes(dir.file("f.flt"), filter);
    std::string input;
    for (int i = 0; i < 3000; ++i)
        input += std::to_string((i * 7919) % 1000 / 37.0) + "\r\n";
    writeBytes(dir.file("in.xicd"), input);
    const auto o = runCli(dir, "filter f.flt in.xicd out.yicd");
    ASSERT_EQ(o.status, 0) << o.err;
    SectionTables t;
    loadModellingFilter(dir.file("f.flt"), t);
    testing::literalFilterSignalFile(dir.file("in.xicd"), dir.file("slow.yicd"),
                                     dir.file("slow.zicd"), t, 2);
    EXPECT_EQ(readBytes(dir.file("out.yicd")), readBytes(dir.file("slow.yicd")));
    EXPECT_EQ(readBytes(dir.file("tmp.zicd")), readBytes(dir.file("slow.zicd")));

    ASSERT_EQ(runCli(dir, "filter f.flt in.xicd out2.yicd --work-file w.zicd").status, 0);
    EXPECT_EQ(readBytes(dir.file("w.zicd")), readBytes(dir.file("slow.zicd")));
    EXPECT_EQ(runCli(dir, "filter f.flt nothere.xicd out3.yicd").status, 1);
}

TEST(CliFilter, RefusesNamesThatReachOneFile) {
    TempDir dir;
    writeBytes(dir.file("f.flt"), "2\r\n0\r\n1 0 0\r\n1 -0.5 0\r\n");
    std::filesystem::create_directory(dir.file("sub"));
    const std::string text = "1\r\n2\r\n";
    const char* const rows[] = {
        "filter f.flt a.xicd a.xicd",
        "filter f.flt a.xicd ./a.xicd",
        "filter f.flt a.xicd sub/../a.xicd",
        "filter f.flt a.xicd link.yicd",
        "filter f.flt tmp.zicd out.yicd",
        "filter f.flt a.xicd tmp.zicd",
        "filter f.flt a.xicd out.yicd --work-file ./out.yicd",
        "filter f.flt a.xicd out.yicd --work-file a.xicd",
    };
    for (const char* row : rows) {
        writeBytes(dir.file("a.xicd"), text);
        writeBytes(dir.file("tmp.zicd"), text);
        std::filesystem::remove(dir.file("link.yicd"));
        std::filesystem::create_symlink("a.xicd", dir.file("link.yicd"));
        const auto o = runCli(dir, row);
        EXPECT_EQ(o.status, 1) << row;
        EXPECT_NE(o.err.find("файлы должны быть разными"), std::string::npos) << row << o.err;
        EXPECT_EQ(readBytes(dir.file("a.xicd")), text) << row;
        EXPECT_EQ(readBytes(dir.file("tmp.zicd")), text) << row;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.yicd"))) << row;
    }
}

} // namespace
} // namespace zorkan
