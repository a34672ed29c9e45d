#include "clirunner.h"
#include "soundfiles.h"
#include "wavfiles.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace zorkan {
namespace {

using testing::CliOutcome;
using testing::readBytes;
using testing::readSound;
using testing::runCli;
using testing::TempDir;
using testing::writeBytes;
using testing::writeSound;

TEST(CliFilterSound, BadInputIsRefusedAndNothingIsLost) {
    TempDir dir;
    writeBytes(dir.file("1.flt"), "2\r\n0\r\n1 0 0\r\n1 0 0\r\n");
    writeBytes(dir.file("bad.flt"), "2\r\n0\r\n1 x 0\r\n1 0 0\r\n");
    ASSERT_TRUE(writeSound(dir.file("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 2,
                           std::vector<int>(400, 1 << 20)));
    const std::string source = readBytes(dir.file("in.wav"));
    writeBytes(dir.file("empty.wav"), "");
    writeBytes(dir.file("cut.wav"), source.substr(0, 20));
    struct Row {
        const char* arguments;
        const char* error;
    };
    const Row rows[] = {
        {"filter-sound 1.flt 1.flt o.wav",
         "Файл 1.flt не читается как звуковой: формат не распознан или файл повреждён\n"},
        {"filter-sound 1.flt empty.wav o.wav",
         "Файл empty.wav не читается как звуковой: формат не распознан или файл повреждён\n"},
        {"filter-sound 1.flt cut.wav o.wav",
         "Файл cut.wav не читается как звуковой: формат не распознан или файл повреждён\n"},
        {"filter-sound none.flt in.wav o.wav", "File not found\n"},
        {"filter-sound bad.flt in.wav o.wav", "Invalid numeric input\n"},
        {"filter-sound 1.flt in.wav in.wav",
         "Выходной файл совпадает с исходным: выберите другое имя\n"},
        {"filter-sound 1.flt in.wav ./../$(basename $PWD)/in.wav",
         "Выходной файл совпадает с исходным: выберите другое имя\n"},
        {"filter-sound 1.flt in.wav 1.flt",
         "Выходной файл совпадает с файлом фильтра: выберите другое имя\n"},
        {"filter-sound 1.flt in.wav nodir/o.wav",
         "Не удаётся создать звуковой файл nodir/o.wav: нет доступа к папке или недостаточно "
         "места\n"},
        {"filter-sound 1.flt in.wav o.wav --gain x", "'x' is not a valid floating point value\n"},
        {"filter-sound 1.flt in.wav o.wav --gain 1 --normalise",
         "Ключи --gain и --normalise нельзя задавать вместе\n"},
        {"filter-sound 1.flt in.wav",
         "Укажите файл параметров фильтра (.flt), входной и выходной звуковые файлы\n"},
    };
    for (const Row& row : rows) {
        const CliOutcome o = runCli(dir, row.arguments);
        EXPECT_EQ(o.status, 1) << row.arguments;
        EXPECT_EQ(o.err, row.error) << row.arguments;
        EXPECT_EQ(o.out, "") << row.arguments;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.wav")));
    EXPECT_EQ(readBytes(dir.file("in.wav")), source);

    // A header that promises 50000 frames before 400: the 400 there are filtered, and
    // the output's header tells the truth.
    writeBytes(dir.file("lying.wav"),
               testing::wavHeader(100000, 1, 8000, 16) + std::string(800, '\x10'));
    const CliOutcome o = runCli(dir, "filter-sound 1.flt lying.wav o.wav");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("(400 кадров)"), std::string::npos) << o.out;
    const auto out = readSound(dir.file("o.wav"));
    EXPECT_EQ(out.info.frames, 400);
    EXPECT_EQ(out.samples, std::vector<double>(400, 0x1010 / 32768.0));
}

TEST(CliFilterSound, NormaliseAndOverflow) {
    TempDir dir;
    // Gain 2, then an unstable section y = x + 2.5 y[n-1].
    writeBytes(dir.file("x2.flt"), "2\r\n0\r\n2 0 0\r\n1 0 0\r\n");
    writeBytes(dir.file("wild.flt"), "2\r\n0\r\n1 0 0\r\n1 -2.5 0\r\n");
    std::vector<int> samples(1000);
    for (std::size_t n = 0; n < samples.size(); ++n)
        samples[n] = (n % 2 ? 16384 : -8192) * 65536;
    ASSERT_TRUE(writeSound(dir.file("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, samples));

    // The peak, 1.0 after the filter, goes to 10^(-1/20) * 32768 = 29204.51.
    CliOutcome o = runCli(dir, "filter-sound x2.flt in.wav n.wav --normalise");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("ограничено отсчётов: 0, усиление -1.00 дБ"), std::string::npos) << o.out;
    auto n = readSound(dir.file("n.wav"));
    ASSERT_EQ(n.samples.size(), 1000u);
    EXPECT_EQ(n.samples[1] * 32768, 29205);
    EXPECT_EQ(n.samples[0] * 32768, -14602); // -0.5 * 29204.51
    // Without it the peak clips: 500 samples of 1.0.
    o = runCli(dir, "filter-sound x2.flt in.wav c.wav");
    EXPECT_NE(o.out.find("ограничено отсчётов: 500,"), std::string::npos) << o.out;

    // -0.25, -0.125, -0.5625, -0.90625 fit 16 bits, then -2.515625 and on clip; the float
    // file holds no NaN or infinity.
    o = runCli(dir, "filter-sound wild.flt in.wav w.wav");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("ограничено отсчётов: 996,"), std::string::npos) << o.out;
    o = runCli(dir, "filter-sound wild.flt in.wav f.wav --float");
    ASSERT_EQ(o.status, 0) << o.err;
    const auto f = readSound(dir.file("f.wav"));
    ASSERT_EQ(f.info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    std::size_t atLimit = 0;
    for (const double v : f.samples) {
        ASSERT_TRUE(std::isfinite(v));
        atLimit += std::fabs(v) == double(FLT_MAX);
    }
    EXPECT_GT(atLimit, 800u);
    EXPECT_NE(o.out.find("ограничено отсчётов: " + std::to_string(atLimit) + ","),
              std::string::npos)
        << o.out;
}

} // namespace
} // namespace zorkan
