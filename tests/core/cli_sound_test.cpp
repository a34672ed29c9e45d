#include "clirunner.h"
#include "wavfiles.h"

#include <gtest/gtest.h>

namespace zorkan {
namespace {

using zorkan::testing::CliOutcome;
using zorkan::testing::readBytes;
using zorkan::testing::runCli;
using zorkan::testing::TempDir;
using zorkan::testing::wavFile;
using zorkan::testing::writeBytes;

TEST(CliSound, ConvertAndWriteBack) {
    TempDir dir;
    const std::string wav = wavFile(500, 2, 8000, 16);
    writeBytes(dir.file("in.wav"), wav);
    CliOutcome o = runCli(dir, "wav2sig in.wav x1.xicd Y1.wav");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(readBytes(dir.file("Y1.wav")), wav.substr(0, 44));
    EXPECT_EQ(readBytes(dir.file("x1.xicd")).size(), (wav.size() - 44) * 25);
    // The first data byte of the generated file is 0.
    EXPECT_EQ(readBytes(dir.file("x1.xicd")).substr(0, 25), "-1.28000000000000E+0002\r\n");
    o = runCli(dir, "sig2wav x1.xicd Y1.wav");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(readBytes(dir.file("Y1.wav")) == wav);
}

TEST(CliSound, Refusals) {
    TempDir dir;
    writeBytes(dir.file("s.yicd"), "1\r\nx\r\n");
    writeBytes(dir.file("h.wav"), "head");
    struct Case {
        const char* arguments;
        const char* error;
    };
    const Case cases[] = {
        {"wav2sig none.wav x.xicd y.wav", "File not found\n"},
        {"wav2sig in.wav x.xicd", "Укажите звуковой файл, файл сигнала (.xicd) и файл заголовка\n"},
        {"sig2wav s.yicd none.wav", "File not found\n"},
        {"sig2wav none.yicd h.wav", "File not found\n"},
        {"sig2wav s.yicd h.wav", "Invalid numeric input\n"},
    };
    for (const Case& c : cases) {
        const CliOutcome o = runCli(dir, c.arguments);
        EXPECT_EQ(o.status, 1) << c.arguments;
        EXPECT_EQ(o.err, c.error) << c.arguments;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.xicd")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.wav")));
    // The value read before the bad one was appended, as the window does it.
    EXPECT_EQ(readBytes(dir.file("h.wav")), "head\x81");
}

} // namespace
} // namespace zorkan
