#include "clirunner.h"
#include "soundfiles.h"
#include "wavfiles.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <filesystem>
#include <set>

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
    writeBytes(dir.file("empty.flt"), "");
    writeBytes(dir.file("order0.flt"), "0\r\n0\r\n");
    // All numerators first, then the denominators: section 2 has B0 = 0.
    writeBytes(dir.file("b0.flt"), "4\r\n0\r\n1 0 0\r\n1 0 0\r\n1 0 0\r\n0 0.5 0\r\n");
    ASSERT_TRUE(writeSound(dir.file("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 2,
                           std::vector<int>(400, 1 << 20)));
    // FLAC takes a rate above 65535 only in tens; libsndfile finds out at the first write.
    ASSERT_TRUE(writeSound(dir.file("hi.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 65536, 1,
                           std::vector<int>(400, 1 << 20)));
    const std::string source = readBytes(dir.file("in.wav"));
    writeBytes(dir.file("empty.wav"), "");
    writeBytes(dir.file("cut.wav"), source.substr(0, 20));
    std::filesystem::create_symlink("in.wav", dir.file("link.wav"));
    writeBytes(dir.file("ro.wav"), "older");
    std::filesystem::permissions(dir.file("ro.wav"), std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::group_read |
                                                         std::filesystem::perms::others_read);

    // libsndfile's own words, asked of it directly.
    const auto unreadable = [&](const char* name) {
        return std::string("Файл ") + name +
               " не читается как звуковой (libsndfile: " + testing::openingFailure(dir.file(name)) +
               ")\n";
    };
    std::string flacRate;
    {
        SF_INFO info{};
        info.samplerate = 65536;
        info.channels = 1;
        info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        SNDFILE* f = sf_open(dir.file("probe.flac").c_str(), SFM_WRITE, &info);
        ASSERT_TRUE(f);
        int samples[4] = {};
        EXPECT_EQ(sf_writef_int(f, samples, 4), 0);
        flacRate = sf_strerror(f);
        sf_close(f);
        std::filesystem::remove(dir.file("probe.flac"));
        ASSERT_EQ(flacRate.rfind("Error : ", 0), 0u) << flacRate;
        flacRate.erase(0, 8);
    }
    const std::string sameAsSource = "Выходной файл совпадает с исходным: выберите другое имя\n";
    const std::string noSections = "В файле фильтра нет ни одной секции: фильтровать нечего\n";
    struct Row {
        const char* arguments;
        std::string error;
    };
    const Row rows[] = {
        {"filter-sound 1.flt 1.flt o.wav", unreadable("1.flt")},
        {"filter-sound 1.flt empty.wav o.wav", unreadable("empty.wav")},
        {"filter-sound 1.flt cut.wav o.wav", unreadable("cut.wav")},
        {"filter-sound 1.flt none.wav o.wav", "Файл не найден: none.wav\n"},
        {"filter-sound none.flt in.wav o.wav", "Файл не найден: none.flt\n"},
        {"filter-sound bad.flt in.wav o.wav", "Неверное число в файле bad.flt, строка 3\n"},
        {"filter-sound empty.flt in.wav o.wav", noSections},
        {"filter-sound order0.flt in.wav o.wav", noSections},
        {"filter-sound b0.flt in.wav o.wav",
         "В секции 2 коэффициент знаменателя B0 равен нулю: такой фильтр нельзя реализовать\n"},
        {"filter-sound 1.flt in.wav in.wav", sameAsSource},
        {"filter-sound 1.flt in.wav ./../$(basename $PWD)/in.wav", sameAsSource},
        {"filter-sound 1.flt in.wav link.wav", sameAsSource},
        {"filter-sound 1.flt link.wav in.wav", sameAsSource},
        {"filter-sound 1.flt in.wav 1.flt",
         "Выходной файл совпадает с файлом фильтра: выберите другое имя\n"},
        {"filter-sound 1.flt in.wav nodir/o.wav", "Не найдена папка файла nodir/o.wav\n"},
        {"filter-sound 1.flt in.wav ro.wav", "Нет доступа к файлу ro.wav\n"},
        {"filter-sound 1.flt in.wav o.flac --float",
         "Формат FLAC не хранит 32-битные числа с плавающей точкой: для них выберите файл "
         ".wav, .aiff или .caf\n"},
        {"filter-sound 1.flt in.wav o.ogg --float",
         "Формат OGG не хранит 32-битные числа с плавающей точкой: для них выберите файл "
         ".wav, .aiff или .caf\n"},
        {"filter-sound 1.flt hi.wav o.flac",
         "Ошибка записи звукового файла o.flac (libsndfile: " + flacRate + ")\n"},
        {"filter-sound 1.flt in.wav o.wav --gain x", "'x' is not a valid floating point value\n"},
        {"filter-sound 1.flt in.wav o.wav --gain 1 --normalise",
         "Ключи --gain и --normalise нельзя задавать вместе\n"},
        {"filter-sound 1.flt in.wav",
         "Укажите файл фильтра (.flt или .fir), входной и выходной звуковые файлы\n"},
    };
    for (const Row& row : rows) {
        const CliOutcome o = runCli(dir, row.arguments);
        EXPECT_EQ(o.status, 1) << row.arguments;
        EXPECT_EQ(o.err, row.error) << row.arguments;
        EXPECT_EQ(o.out, "") << row.arguments;
    }
    // Nothing was written, not even a temporary.
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"1.flt", "bad.flt", "empty.flt", "order0.flt", "b0.flt",
                                            "in.wav", "hi.wav", "empty.wav", "cut.wav", "link.wav",
                                            "ro.wav", "stderr.txt"}));
    EXPECT_EQ(readBytes(dir.file("ro.wav")), "older");
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
    EXPECT_NE(o.out.find("ограничено отсчетов: 0, усиление -1.00 дБ"), std::string::npos) << o.out;
    auto n = readSound(dir.file("n.wav"));
    ASSERT_EQ(n.samples.size(), 1000u);
    EXPECT_EQ(n.samples[1] * 32768, 29205);
    EXPECT_EQ(n.samples[0] * 32768, -14602); // -0.5 * 29204.51
    // Without it the peak clips: 500 samples of 1.0.
    o = runCli(dir, "filter-sound x2.flt in.wav c.wav");
    EXPECT_NE(o.out.find("ограничено отсчетов: 500,"), std::string::npos) << o.out;

    // -0.25, -0.125, -0.5625, -0.90625 fit 16 bits, then -2.515625 and on clip; the float
    // file holds no NaN or infinity.
    o = runCli(dir, "filter-sound wild.flt in.wav w.wav");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("ограничено отсчетов: 996,"), std::string::npos) << o.out;
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
    EXPECT_NE(o.out.find("ограничено отсчетов: " + std::to_string(atLimit) + ","),
              std::string::npos)
        << o.out;
}

// Warnings end the run on stderr; the summary, with its note on B0, goes to stdout.
TEST(CliFilterSound, WarningsOfUnstableFiltersOverflowAndClipping) {
    TempDir dir;
    writeBytes(dir.file("x2.flt"), "2\r\n0\r\n2 0 0\r\n1 0 0\r\n");
    // y = x + 2.5 y[n-1]: unstable, and beyond the double range from sample 779 on.
    writeBytes(dir.file("wild.flt"), "2\r\n0\r\n1 0 0\r\n1 -2.5 0\r\n");
    writeBytes(dir.file("half.flt"), "2\r\n0\r\n1 0 0\r\n2 0 0\r\n");
    std::vector<int> alternating(1000);
    for (std::size_t n = 0; n < alternating.size(); ++n)
        alternating[n] = (n % 2 ? 16384 : -8192) * 65536;
    ASSERT_TRUE(
        writeSound(dir.file("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, alternating));
    // 1000 samples of 100, of which the first one or two are 0.5: doubled, those clip.
    for (const int loud : {1, 2}) {
        std::vector<int> samples(1000, 100 * 65536);
        for (int n = 0; n < loud; ++n)
            samples[n] = 16384 * 65536;
        ASSERT_TRUE(writeSound(dir.file("loud" + std::to_string(loud) + ".wav"),
                               SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, samples));
    }
    const std::string advice = "их не будет с ключом --normalise или с меньшим усилением --gain";
    // The overflow count: 2.5^n passes the largest double at n = 779 of 0..999 (computed
    // apart from the program in exact rational arithmetic).
    struct Row {
        const char* arguments;
        const char* summaryPart;
        std::string err;
    };
    const Row rows[] = {
        {"filter-sound wild.flt in.wav w.wav", "ограничено отсчетов: 996,",
         "Внимание: фильтр неустойчив: наибольший радиус полюса 2.5 (секция 1), выходной "
         "сигнал может неограниченно расти\n"
         "Внимание: выход секций 222 раз вышел за наибольшее число double и был ограничен им\n"
         "Внимание: ограничено отсчетов: 996 из 1000 (99.6 %); " +
             advice + "\n"},
        // 0.1 % is tolerated, more is not.
        {"filter-sound x2.flt loud1.wav l1.wav", "ограничено отсчетов: 1,", ""},
        {"filter-sound x2.flt loud2.wav l2.wav", "ограничено отсчетов: 2,",
         "Внимание: ограничено отсчетов: 2 из 1000 (0.2 %); " + advice + "\n"},
        {"filter-sound x2.flt loud2.wav n.wav --normalise", "ограничено отсчетов: 0,", ""},
        {"filter-sound half.flt in.wav h.wav",
         "ограничено отсчетов: 0, срез -3 дБ: нет\nВнимание: B0 не равен 1 в секции 1; фильтр "
         "взят как H(z) = A(z)/B(z): коэффициенты секции поделены на ее B0\n",
         ""},
    };
    for (const Row& row : rows) {
        const CliOutcome o = runCli(dir, row.arguments);
        EXPECT_EQ(o.status, 0) << row.arguments << "\n" << o.err;
        EXPECT_NE(o.out.find(row.summaryPart), std::string::npos) << row.arguments << "\n" << o.out;
        EXPECT_EQ(o.err, row.err) << row.arguments;
    }
    // H = 1/2: each sample halved, not passed as the B0 = 1 engine would.
    const auto h = readSound(dir.file("h.wav"));
    ASSERT_EQ(h.samples.size(), 1000u);
    EXPECT_EQ(h.samples[0] * 32768, -4096);
    EXPECT_EQ(h.samples[1] * 32768, 8192);
}

// Decibels of amplitude: 20 log10, not 10 log10. Expected samples are
// round(s 10^(g/20)) computed apart (the power reading would give 32613, 4115, ...).
TEST(CliFilterSound, GainIsInDecibelsOfAmplitude) {
    TempDir dir;
    writeBytes(dir.file("1.flt"), "2\r\n0\r\n1 0 0\r\n1 0 0\r\n");
    struct Row {
        const char* gain;
        int sample;
        int expected;
    };
    const Row rows[] = {
        {"6", 8192, 16345},   {"-6", 16384, 8211}, {"20", 1000, 10000},
        {"-20", 30000, 3000}, {"3", 16384, 23143},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(writeSound(dir.file("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1,
                               std::vector<int>(10, row.sample * 65536)));
        const CliOutcome o =
            runCli(dir, std::string("filter-sound 1.flt in.wav o.wav --gain ") + row.gain);
        ASSERT_EQ(o.status, 0) << o.err;
        const auto out = readSound(dir.file("o.wav"));
        ASSERT_EQ(out.samples.size(), 10u);
        EXPECT_EQ(out.samples[9] * 32768, row.expected) << row.gain;
    }
}

// The output's extension names its format; the written file's header says which it is.
TEST(CliFilterSound, OutputFormatFollowsTheExtension) {
    TempDir dir;
    writeBytes(dir.file("1.flt"), "2\r\n0\r\n1 0 0\r\n1 0 0\r\n");
    std::vector<int> samples;
    for (int n = 0; n < 600; ++n)
        samples.push_back((n * 37 % 200 - 100) * 65536 * 64);
    ASSERT_TRUE(
        writeSound(dir.file("in16.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 2, samples));
    ASSERT_TRUE(
        writeSound(dir.file("in24.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 8000, 2, samples));

    struct Row {
        const char* input;
        const char* output;
        const char* flag;
        int format;
        const char* magic; // the first four bytes
        bool exact;        // the samples pass unchanged
        const char* err;
    };
    const Row rows[] = {
        {"in16.wav", "o.flac", "", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "fLaC", true, ""},
        {"in16.wav", "o.aif", "", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, "FORM", true, ""},
        {"in16.wav", "o.aiff", "--float", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, "FORM", true, ""},
        {"in16.wav", "o.wav", "--float", SF_FORMAT_WAV | SF_FORMAT_FLOAT, "RIFF", true, ""},
        {"in16.wav", "o.caf", "", SF_FORMAT_CAF | SF_FORMAT_PCM_16, "caff", true, ""},
        {"in16.wav", "o.ogg", "", SF_FORMAT_OGG | SF_FORMAT_VORBIS, "OggS", false, ""},
        {"in24.flac", "O.WAV", "", SF_FORMAT_WAV | SF_FORMAT_PCM_24, "RIFF", true, ""},
        {"inf.wav", "o.flac", "", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "fLaC", true,
         "Внимание: FLAC не хранит отсчеты исходного файла (WAV, 32 бит с плавающей точкой): "
         "записан FLAC, 24 бит\n"},
        {"in16.wav", "o.xyz", "", SF_FORMAT_WAV | SF_FORMAT_PCM_16, "RIFF", true,
         "Внимание: расширение .xyz не известно libsndfile: файл записан в формате исходного "
         "(WAV, 16 бит)\n"},
        {"in16.wav", "noext", "", SF_FORMAT_WAV | SF_FORMAT_PCM_16, "RIFF", true,
         "Внимание: у выходного файла нет расширения: файл записан в формате исходного "
         "(WAV, 16 бит)\n"},
    };
    const auto in16 = readSound(dir.file("in16.wav"));
    ASSERT_TRUE(testing::writeSoundDoubles(dir.file("inf.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT,
                                           8000, 2, in16.samples));
    for (const Row& row : rows) {
        const std::string arguments =
            std::string("filter-sound 1.flt ") + row.input + " " + row.output + " " + row.flag;
        const CliOutcome o = runCli(dir, arguments);
        ASSERT_EQ(o.status, 0) << arguments << "\n" << o.err;
        EXPECT_EQ(o.err, row.err) << arguments;
        EXPECT_EQ(readBytes(dir.file(row.output)).substr(0, 4), row.magic) << arguments;
        const auto out = readSound(dir.file(row.output));
        EXPECT_EQ(out.info.format, row.format) << arguments;
        EXPECT_EQ(out.info.samplerate, 8000) << arguments;
        EXPECT_EQ(out.info.channels, 2) << arguments;
        if (row.exact) {
            EXPECT_EQ(out.samples, in16.samples) << arguments;
        }
    }
}

} // namespace
} // namespace zorkan
