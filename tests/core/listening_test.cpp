#include "cascade.h"
#include "common/errors.h"
#include "listening/abplayback.h"
#include "listening/soundfilter.h"
#include "soundfiles.h"
#include "tempfiles.h"
#include "wavfiles.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <complex>
#include <cstring>
#include <filesystem>
#include <random>

namespace zorkan {
namespace {

using testing::readBytes;
using testing::readSound;
using testing::TempDir;
using testing::writeBytes;
using testing::writeSound;

// Two Butterworth low-pass sections at a tenth of the rate, unit gain at 0 Hz.
constexpr const char* lowPassFile = "4\r\n0\r\n"
                                    "0.067455 0.13491 0.067455\r\n"
                                    "0.067455 0.13491 0.067455\r\n"
                                    "1 -1.143 0.41280\r\n"
                                    "1 -1.143 0.41280\r\n";
constexpr const char* passThroughFile = "2\r\n0\r\n1 0 0\r\n1 0 0\r\n";

// Amplitude of the sine of `hz` in one channel, over whole periods of the window.
double amplitude(const std::vector<double>& x, int channels, int channel, double hz, double rate,
                 std::size_t from, std::size_t count) {
    std::complex<double> sum = 0;
    for (std::size_t n = from; n < from + count; ++n)
        sum += x[n * channels + channel] * std::polar(1.0, -2 * M_PI * hz * double(n) / rate);
    return 2 * std::abs(sum) / double(count);
}

TEST(SoundFilter, LowPassActsOnEachChannelByTheResponse) {
    TempDir dir;
    // A 16-bit stereo WAV written byte by byte: 250 Hz + 1500 Hz left, 400 Hz + 3000 Hz right.
    const int rate = 8000, frames = 9000;
    std::string data;
    for (int n = 0; n < frames; ++n) {
        const double t = double(n) / rate;
        const double left =
            0.4 * std::sin(2 * M_PI * 250 * t) + 0.4 * std::sin(2 * M_PI * 1500 * t);
        const double right =
            0.3 * std::sin(2 * M_PI * 400 * t) + 0.5 * std::sin(2 * M_PI * 3000 * t);
        testing::putLe(data, static_cast<std::uint16_t>(std::lround(left * 32767)), 2);
        testing::putLe(data, static_cast<std::uint16_t>(std::lround(right * 32767)), 2);
    }
    writeBytes(dir.file("in.wav"),
               testing::wavHeader(std::uint32_t(data.size()), 2, rate, 16) + data);
    writeBytes(dir.file("lp.flt"), lowPassFile);

    const SoundFilterResult r =
        filterSoundFile(dir.file("lp.flt"), dir.file("in.wav"), dir.file("out.wav"), {});
    EXPECT_EQ(r.frames, std::uint64_t(frames));
    EXPECT_EQ(r.clipped, 0u);
    const auto in = readSound(dir.file("in.wav"));
    const auto out = readSound(dir.file("out.wav"));
    ASSERT_EQ(out.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    ASSERT_EQ(out.samples.size(), in.samples.size());

    const FilterCoefficients filter = readFilterFile(dir.file("lp.flt"), listeningReader);
    struct Row {
        int channel;
        double hz;
    };
    for (const Row row : {Row{0, 250}, Row{0, 1500}, Row{1, 400}, Row{1, 3000}}) {
        // One second after the transient: whole periods of every tone.
        const double a = amplitude(in.samples, 2, row.channel, row.hz, rate, 1000, 8000);
        const double b = amplitude(out.samples, 2, row.channel, row.hz, rate, 1000, 8000);
        const double h = testing::cascadeMagnitude(filter.sections, row.hz, rate);
        EXPECT_NEAR(b, a * h, 1e-4) << row.channel << " " << row.hz;
    }
}

TEST(SoundFilter, PassThroughReproducesEveryFormat) {
    TempDir dir;
    writeBytes(dir.file("1.flt"), passThroughFile);
    struct Row {
        int format;
        int bits;
        const char* name;
    };
    const Row rows[] = {
        {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8, "a.wav"},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 16, "b.wav"},
        {SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 24, "c.aiff"},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_32, 32, "d.wav"},
        {SF_FORMAT_WAV | SF_FORMAT_FLOAT, 24, "e.wav"},
        {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 16, "f.flac"},
        {SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 24, "g.flac"},
    };
    std::mt19937 random(7);
    for (const Row& row : rows) {
        // Both extremes, then random samples; more than one block of frames, 3 channels.
        const std::int64_t top = (std::int64_t(1) << (row.bits - 1)) - 1;
        std::uniform_int_distribution<std::int64_t> pick(-top - 1, top);
        std::vector<int> samples = {int((-top - 1) << (32 - row.bits)),
                                    int(top << (32 - row.bits))};
        while (samples.size() < 3 * 5000)
            samples.push_back(int(std::uint32_t(pick(random)) << (32 - row.bits)));
        const std::string in = dir.file(row.name), out = dir.file(std::string("out-") + row.name);
        ASSERT_TRUE(writeSound(in, row.format, 22050, 3, samples)) << row.name;
        const SoundFilterResult r = filterSoundFile(dir.file("1.flt"), in, out, {});
        EXPECT_EQ(r.clipped, 0u) << row.name;
        const auto a = readSound(in), b = readSound(out);
        EXPECT_EQ(b.info.format, row.format) << row.name;
        EXPECT_EQ(b.info.samplerate, 22050) << row.name;
        EXPECT_TRUE(a.samples == b.samples) << row.name;
    }
}

TEST(SoundFilter, ChannelsMatchTheFilteringEngineBitForBit) {
    // Fourth-order (band-pass) and second-order sections; the cascade runs the engine's
    // equation, which leaves B0 = 3 out (files are divided by B0 before they get here).
    const char* const files[] = {
        "4\r\n2\r\n"
        "0.02 0 -0.04\r\n0 0.02\r\n"
        "0.5 0.1 -0.3\r\n0.2 0.7\r\n"
        "3 -1.9 2.1\r\n-1.2 0.45\r\n"
        "3 0.6 0.5\r\n0.1 0.05\r\n",
        "6\r\n0\r\n"
        "0.1 0.2 0.1\r\n0.3 -0.1 0.25\r\n1 0 0\r\n"
        "3 0.3 0.1\r\n1 -1.5 0.7\r\n1 -0.2 0\r\n",
        // After three negative zeros the sum without the zero coefficients is -0, the
        // engine's +0.
        "2\r\n0\r\n0.1 0.2 0.1\r\n1 0.3 0.1\r\n",
    };
    for (const char* text : files) {
        TextReader forEngine = TextReader::fromBytes(text);
        SectionTables tables;
        loadModellingFilter(forEngine, tables);
        TextReader forSound = TextReader::fromBytes(text);
        const FilterCoefficients filter = readFilterFile(forSound, listeningReader);

        std::mt19937 random(11);
        std::uniform_real_distribution<double> value(-1, 1);
        TestSignalBuffer input{};
        std::vector<double> stereo(2 * input.size());
        for (std::size_t n = 0; n < input.size(); ++n) {
            // Negative zeros first: the sign of a zero output is the full sum's.
            input[n] = n < 4 ? -0.0 : value(random);
            stereo[2 * n] = value(random); // the other channel must not disturb this one
            stereo[2 * n + 1] = input[n];
        }
        TestSignalBuffer engine{};
        filterBlock(input, tables, tables.sectionCount(), engine);
        ChannelCascade cascade(filter.sections, 2);
        cascade.run(stereo.data(), input.size());
        for (std::size_t n = 0; n < input.size(); ++n)
            ASSERT_EQ(std::memcmp(&stereo[2 * n + 1], &engine[n], sizeof(double)), 0) << n;
    }
}

TEST(SoundFilter, BlocksGiveTheSameSamplesAsOneBlock) {
    const std::vector<FilterSection> sections(
        3, FilterSection{{0.2, 0.4, 0.2, 0, 0}, {1, -0.9, 0.3, 0, 0}});
    std::mt19937 random(3);
    std::uniform_real_distribution<double> value(-1, 1);
    std::vector<double> whole(2 * 5000);
    for (double& v : whole)
        v = value(random);
    std::vector<double> pieces = whole;
    ChannelCascade one(sections, 2);
    one.run(whole.data(), 5000);
    ChannelCascade many(sections, 2);
    std::size_t done = 0;
    for (const std::size_t size : {1, 3, 4096, 900})
        many.run(pieces.data() + 2 * done, size), done += size;
    ASSERT_EQ(done, 5000u);
    EXPECT_EQ(std::memcmp(whole.data(), pieces.data(), whole.size() * sizeof(double)), 0);
}

TEST(SoundFilter, QuantisingRoundsHalvesToEvenAndClips) {
    struct Row {
        SampleCoding coding;
        int bits;
        double sample;
        std::int64_t integer; // at the coding's scale
        double real;
        int clipped;
    };
    const double q16 = 1.0 / 32768, q8 = 1.0 / 128, q24 = 1.0 / 8388608;
    const Row rows[] = {
        {SampleCoding::Integer, 16, 0.5 * q16, 0, 0, 0},
        {SampleCoding::Integer, 16, 1.5 * q16, 2, 0, 0},
        {SampleCoding::Integer, 16, -2.5 * q16, -2, 0, 0},
        {SampleCoding::Integer, 16, 32767.4 * q16, 32767, 0, 0},
        {SampleCoding::Integer, 16, 32767.5 * q16, 32767, 0, 1},
        {SampleCoding::Integer, 16, -1.0, -32768, 0, 0},
        {SampleCoding::Integer, 16, -32768.6 * q16, -32768, 0, 1},
        {SampleCoding::Integer, 16, 1e300, 32767, 0, 1},
        {SampleCoding::Integer, 8, 127.5 * q8, 127, 0, 1},
        {SampleCoding::Integer, 8, -0.5, -64, 0, 0},
        {SampleCoding::Integer, 24, 3.5 * q24, 4, 0, 0},
        {SampleCoding::Integer, 32, -1.0, -2147483648LL, 0, 0},
        {SampleCoding::Integer, 32, 1.0, 2147483647, 0, 1},
        {SampleCoding::Float32, 32, 1.5, 0, 1.5, 0},
        {SampleCoding::Float32, 32, -1e39, 0, -double(FLT_MAX), 1},
        {SampleCoding::Float64, 64, DBL_MAX, 0, DBL_MAX, 1},
        {SampleCoding::Float64, 64, -1e300, 0, -1e300, 0},
        {SampleCoding::Lossy, 0, 1.25, 0, 1.0, 1},
        {SampleCoding::Lossy, 0, -0.75, 0, -0.75, 0},
    };
    for (const Row& row : rows) {
        int integer = 0;
        double real = 0;
        const auto clipped =
            quantiseSamples(&row.sample, 1, CodingInfo{row.coding, row.bits}, &integer, &real);
        EXPECT_EQ(clipped, std::uint64_t(row.clipped)) << row.sample << " " << row.bits;
        if (row.coding == SampleCoding::Integer)
            EXPECT_EQ(integer >> (32 - row.bits), row.integer) << row.sample << " " << row.bits;
        else
            EXPECT_EQ(real, row.real) << row.sample;
    }
}

TEST(SoundFilter, HalfPowerEdgesInHertz) {
    struct Row {
        FilterSection section;
        std::vector<double> edges; // at 48 kHz
    };
    // The level 3 dB below the peak, 10^(-3/20), where each magnitude below reaches it.
    const double level = std::pow(10.0, -3.0 / 20.0);
    const double cosEdge = 48000 * std::acos(level) / M_PI;
    const double sinEdge = 48000 * std::asin(level) / M_PI;
    const Row rows[] = {
        // 2 |cos(pi f)|: low-pass.
        {{{1, 1, 0, 0, 0}, {1, 0, 0, 0, 0}}, {cosEdge}},
        // 1/(2 - z^-1) as it stands, B0 = 2 included: |H|^2 = 1/(5 - 4 cos w), 3 dB down
        // where cos w = (5 - 10^0.3)/4 (taking B0 as 1 would put a pole at z = 1).
        {{{1, 0, 0, 0, 0}, {2, -1, 0, 0, 0}}, {5507.589262591861}},
        // 2 |sin(2 pi f)|: a band with its peak at 12 kHz.
        {{{1, 0, -1, 0, 0}, {1, 0, 0, 0, 0}}, {sinEdge / 2, 24000 - sinEdge / 2}},
        // 2 |sin(pi f)|: high-pass.
        {{{1, -1, 0, 0, 0}, {1, 0, 0, 0, 0}}, {sinEdge}},
        // Flat: no edge.
        {{{0.5, 0, 0, 0, 0}, {1, 0, 0, 0, 0}}, {}},
    };
    for (const Row& row : rows) {
        const std::vector<double> edges = threeDecibelEdges({row.section}, 48000);
        ASSERT_EQ(edges.size(), row.edges.size());
        for (std::size_t i = 0; i < edges.size(); ++i)
            EXPECT_NEAR(edges[i], row.edges[i], 1e-6);
    }
}

TEST(SoundFilter, CancelAndFailuresKeepTheFiles) {
    TempDir dir;
    writeBytes(dir.file("1.flt"), passThroughFile);
    ASSERT_TRUE(writeSound(dir.file("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1,
                           std::vector<int>(20000, 1 << 16)));
    const std::string source = readBytes(dir.file("in.wav"));
    writeBytes(dir.file("out.wav"), "older");

    std::atomic<bool> cancel{false};
    SoundRunControl control;
    control.cancel = &cancel;
    control.onProgress = [&](std::uint64_t, std::uint64_t) { cancel = true; };
    const SoundFilterResult r =
        filterSoundFile(dir.file("1.flt"), dir.file("in.wav"), dir.file("out.wav"), {}, control);
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(readBytes(dir.file("out.wav")), "older");
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.wav.part")));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 3u); // the temporary went with the cancel
    EXPECT_EQ(readBytes(dir.file("in.wav")), source);

    // A source named as the unfinished output would be is not written over.
    writeBytes(dir.file("x.wav.part"), source);
    EXPECT_TRUE(filterSoundFile(dir.file("1.flt"), dir.file("x.wav.part"), dir.file("x.wav"), {})
                    .completed);
    EXPECT_EQ(readBytes(dir.file("x.wav.part")), source);
    EXPECT_EQ(readSound(dir.file("x.wav")).samples, readSound(dir.file("in.wav")).samples);
}

// Every section is divided by its B0 before filtering: H(z) = A(z)/B(z). The engine's
// equation alone would pass row 1 unchanged, hold row 2 at 16384 and clip row 4.
TEST(SoundFilter, SectionsAreDividedByTheirB0) {
    TempDir dir;
    struct Row {
        const char* filter;
        std::vector<int> input; // 16-bit samples
        std::vector<int> output;
        std::vector<int> scaled;
    };
    const Row rows[] = {
        // H = 1/2; 32767/2 = 16383.5 rounds to the even 16384.
        {"2\r\n0\r\n1 0 0\r\n2 0 0\r\n",
         {1000, -2000, 32767, -32768},
         {500, -1000, 16384, -16384},
         {1}},
        // H = -1.
        {"2\r\n0\r\n1 0 0\r\n-1 0 0\r\n", {1000, -2000, 7}, {-1000, 2000, -7}, {1}},
        // y = (x + y[n-1]) / 2 on an impulse of 0.5: 0.5^(n+2), exact until it rounds to 0.
        {"2\r\n0\r\n1 0 0\r\n2 -1 0\r\n",
         {16384, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {8192, 4096, 2048, 1024, 512, 256, 128, 64, 32, 16, 8, 4, 2, 1, 0, 0},
         {1}},
        // A band-pass section (five coefficients) 4 z^-4 / 4: a delay of four samples.
        {"2\r\n2\r\n0 0 0\r\n0 4\r\n4 0 0\r\n0 0\r\n",
         {20000, -3, 5, 9, 11, 0, 0, 0},
         {0, 0, 0, 0, 20000, -3, 5, 9},
         {1}},
        // Section 1 has B0 = 1 and is left alone, section 2 halves.
        {"4\r\n0\r\n1 0 0\r\n1 0 0\r\n1 0 0\r\n2 0 0\r\n", {600, -602}, {300, -301}, {2}},
    };
    for (const Row& row : rows) {
        writeBytes(dir.file("f.flt"), row.filter);
        std::vector<int> samples;
        for (const int v : row.input)
            samples.push_back(v * 65536);
        ASSERT_TRUE(
            writeSound(dir.file("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, samples));
        const SoundFilterResult r =
            filterSoundFile(dir.file("f.flt"), dir.file("in.wav"), dir.file("out.wav"), {});
        EXPECT_EQ(r.scaledSections, row.scaled) << row.filter;
        const auto out = readSound(dir.file("out.wav"));
        std::vector<int> got;
        for (const double v : out.samples)
            got.push_back(static_cast<int>(v * 32768));
        EXPECT_EQ(got, row.output) << row.filter;
        EXPECT_NE(soundSummary(r).find("\nВнимание: B0 не равен 1 в секции " +
                                       std::to_string(row.scaled[0]) + ";"),
                  std::string::npos)
            << soundSummary(r);
    }
}

// Infinite input samples go in as the largest double of their sign, NaN as 0; each
// float coding then holds its own largest value.
TEST(SoundFilter, NonFiniteInputSamples) {
    TempDir dir;
    writeBytes(dir.file("1.flt"), passThroughFile);
    const double inf = HUGE_VAL, nan = std::nan("");
    struct Row {
        int format;
        double top;
    };
    for (const Row row : {Row{SF_FORMAT_WAV | SF_FORMAT_FLOAT, double(FLT_MAX)},
                          Row{SF_FORMAT_WAV | SF_FORMAT_DOUBLE, DBL_MAX}}) {
        ASSERT_TRUE(testing::writeSoundDoubles(dir.file("in.wav"), row.format, 8000, 1,
                                               {inf, -inf, nan, 0.5, -inf}));
        const SoundFilterResult r =
            filterSoundFile(dir.file("1.flt"), dir.file("in.wav"), dir.file("out.wav"), {});
        const auto out = readSound(dir.file("out.wav"));
        EXPECT_EQ(out.info.format, row.format);
        EXPECT_EQ(out.samples, (std::vector<double>{row.top, -row.top, 0, 0.5, -row.top}));
        EXPECT_EQ(r.clipped, 3u);
        EXPECT_EQ(r.overflows, 0u);
    }
}

TEST(SoundFilter, OutputFormatByExtension) {
    const int wav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    struct Row {
        int source;
        int channels;
        const char* name;
        bool floatOutput;
        int format;       // 0: refused
        const char* note; // a part of the note, "" for none
    };
    const Row rows[] = {
        {wav16, 2, "o.flac", false, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, ""},
        {wav16, 2, "dir.x/O.Flac", false, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, ""},
        {wav16, 2, "o.aif", false, SF_FORMAT_AIFF | SF_FORMAT_PCM_16, ""},
        {wav16, 2, "o.aiff", true, SF_FORMAT_AIFF | SF_FORMAT_FLOAT, ""},
        {wav16, 2, "o.ogg", false, SF_FORMAT_OGG | SF_FORMAT_VORBIS, ""},
        {wav16, 2, "o.opus", false, SF_FORMAT_OGG | SF_FORMAT_OPUS, ""},
        {wav16, 2, "o.flac", true, 0, "Формат FLAC не хранит 32-битные"},
        {wav16, 2, "o.ogg", true, 0, "Формат OGG не хранит 32-битные"},
        {wav16, 10, "o.flac", false, 0, "Формат FLAC не поддерживается для записи: каналов 10"},
        {SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2, "o.wav", false, SF_FORMAT_WAV | SF_FORMAT_PCM_24,
         ""},
        {SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, "o.flac", false, SF_FORMAT_FLAC | SF_FORMAT_PCM_24,
         "FLAC не хранит отсчеты исходного файла (WAV, 32 бит с плавающей точкой)"},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_32, 2, "o.flac", false, SF_FORMAT_FLAC | SF_FORMAT_PCM_24,
         "записан FLAC, 24 бит"},
        {SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 2, "o.aiff", false, SF_FORMAT_AIFF | SF_FORMAT_DOUBLE,
         ""},
        // 8 bits: FLAC and AIFF take them signed, WAV unsigned; nothing is lost.
        {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, "o.flac", false, SF_FORMAT_FLAC | SF_FORMAT_PCM_S8,
         ""},
        {SF_FORMAT_AIFF | SF_FORMAT_PCM_S8, 1, "o.wav", false, SF_FORMAT_WAV | SF_FORMAT_PCM_U8,
         ""},
        // A coding the new container holds stays; one it lacks becomes 16-bit PCM.
        {SF_FORMAT_WAV | SF_FORMAT_ULAW, 1, "o.aiff", false, SF_FORMAT_AIFF | SF_FORMAT_ULAW, ""},
        {SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 1, "o.flac", false, SF_FORMAT_FLAC | SF_FORMAT_PCM_16,
         ""},
        {SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, "o.wav", false, wav16, ""},
        // The source's byte order stays where the container does (RIFX).
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16 | SF_ENDIAN_BIG, 1, "o.wav", true,
         SF_FORMAT_WAV | SF_FORMAT_FLOAT | SF_ENDIAN_BIG, ""},
        {wav16, 2, "o.xyz", false, wav16, "расширение .xyz не известно libsndfile"},
        {wav16, 2, "o.xyz", true, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "(WAV, 16 бит)"},
        {wav16, 2, "folder.flac/o", false, wav16, "у выходного файла нет расширения"},
    };
    for (const Row& row : rows) {
        const SoundInfo source{row.source, 48000, row.channels, 1000};
        const std::string what = std::string(row.name) + (row.floatOutput ? " float" : "");
        if (row.format == 0) {
            try {
                chooseOutputFormat(row.name, source, row.floatOutput);
                ADD_FAILURE() << what << " is not refused";
            } catch (const UserMessage& e) {
                EXPECT_EQ(std::string(e.what()).rfind(row.note, 0), 0u) << what << ": " << e.what();
            }
            continue;
        }
        const OutputFormat out = chooseOutputFormat(row.name, source, row.floatOutput);
        EXPECT_EQ(out.format, row.format) << what;
        if (*row.note) {
            EXPECT_NE(out.note.find(row.note), std::string::npos) << what << ": " << out.note;
        } else {
            EXPECT_EQ(out.note, "") << what;
        }
    }
}

// The older output keeps its permissions, and a link to it stays a link.
TEST(SoundFilter, ReplacingAnOutputKeepsItsModeAndLinks) {
    namespace fs = std::filesystem;
    TempDir dir;
    writeBytes(dir.file("1.flt"), passThroughFile);
    ASSERT_TRUE(writeSound(dir.file("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1,
                           std::vector<int>(100, 3 << 16)));
    writeBytes(dir.file("old.wav"), "older");
    fs::permissions(dir.file("old.wav"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("old.wav", dir.file("link.wav"));
    for (const char* name : {"old.wav", "link.wav"}) {
        filterSoundFile(dir.file("1.flt"), dir.file("in.wav"), dir.file(name), {});
        EXPECT_EQ(fs::status(dir.file("old.wav")).permissions(),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
            << name;
        EXPECT_TRUE(fs::is_symlink(dir.file("link.wav"))) << name;
        EXPECT_EQ(readSound(dir.file("old.wav")).samples, std::vector<double>(100, 3 / 32768.0))
            << name;
    }
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 4u); // nothing left behind
}

// A 16-bit stereo sound through q15 implementations of y = b0 x - a1 y[n-1], unscaled,
// against the integer arithmetic written out: coefficients round(c 2^(31-s)) with the
// smallest shift s that keeps |b0| + |a1| (and 3 last bits) below 1 in 32 bits, the output
// floor((B0 x - A1 y1 + 2^(30-s)) / 2^(31-s)) saturated to 16 bits; the error file holds
// each output minus the double reference (fl(fl(b0 x) + fl(-a1 y1)) on the same
// coefficients), as floats.
TEST(SoundFilter, ThroughAQ15ImplementationWithItsErrorBitForBit) {
    struct Row {
        double b0, a1;
        int shift;
        bool overflows;
    };
    for (const Row row :
         {Row{0.45, -0.5, 0, false}, Row{-0.3, 0.71, 0, false}, Row{1.9, 0, 1, true}}) {
        TempDir dir;
        const int rate = 8000, frames = 3000;
        std::vector<int> samples;
        std::vector<std::int64_t> x;
        for (int n = 0; n < frames; ++n)
            for (int c = 0; c < 2; ++c) {
                const std::int64_t v = (n * (7919 + 104 * c) + 31 * c) % 65536 - 32768;
                x.push_back(v);
                samples.push_back(static_cast<int>(v * 65536));
            }
        ASSERT_TRUE(
            writeSound(dir.file("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 2, samples));
        char file[160];
        std::snprintf(file, sizeof file, "2\r\n0\r\n%.17g 0 0\r\n1 %.17g 0\r\n", row.b0, row.a1);
        writeBytes(dir.file("f.flt"), file);

        SoundFilterOptions options;
        ImplementationOptions im;
        im.arithmetic = namedArithmetic(Target::Q15);
        im.scaling = Scaling::None;
        im.order = SectionOrder::File;
        options.implementation = im;
        options.errorOutput = dir.file("error.wav");
        const SoundFilterResult r =
            filterSoundFile(dir.file("f.flt"), dir.file("in.wav"), dir.file("out.wav"), options);

        const int sh = 31 - row.shift;
        const std::int64_t B0 = std::llround(std::ldexp(row.b0, sh));
        const std::int64_t A1 = std::llround(std::ldexp(row.a1, sh));
        const double b0q = std::ldexp(double(B0), -sh), a1q = std::ldexp(double(A1), -sh);
        const auto out = readSound(dir.file("out.wav"));
        const auto error = readSound(dir.file("error.wav"));
        ASSERT_EQ(out.samples.size(), x.size());
        ASSERT_EQ(error.samples.size(), x.size());
        EXPECT_EQ(error.info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        std::int64_t y1[2] = {0, 0};
        double r1[2] = {0, 0};
        long long overflows = 0;
        double peak = 0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            const std::size_t c = i % 2;
            const std::int64_t acc = B0 * x[i] - A1 * y1[c];
            std::int64_t y = (acc + (std::int64_t{1} << (sh - 1))) >> sh; // floor
            if (y > 32767 || y < -32768) {
                y = y > 0 ? 32767 : -32768;
                ++overflows;
            }
            const double xd = std::ldexp(double(x[i]), -15);
            const double ref = b0q * xd + -(a1q * r1[c]);
            const double e = std::ldexp(double(y), -15) - ref;
            peak = std::max(peak, std::fabs(e));
            ASSERT_EQ(out.samples[i], std::ldexp(double(y), -15)) << row.b0 << " " << i;
            ASSERT_EQ(error.samples[i], double(static_cast<float>(e))) << row.b0 << " " << i;
            y1[c] = y;
            r1[c] = ref;
        }
        EXPECT_EQ(r.implementationOverflows, overflows) << row.b0;
        EXPECT_EQ(overflows > 0, row.overflows) << row.b0;
        EXPECT_EQ(r.errorPeak, peak) << row.b0;
        EXPECT_DOUBLE_EQ(r.errorGain, 0.1 / peak) << row.b0;
        const std::string summary = soundSummary(r);
        EXPECT_NE(summary.find("\nРеализация q15: ошибка пик "), std::string::npos) << summary;
        const std::vector<std::string> warnings = soundWarnings(r, "");
        const bool warned =
            !warnings.empty() && warnings[0] == "Внимание: в реализации q15 выход секций " +
                                                    std::to_string(overflows) +
                                                    " раз ограничен насыщением";
        EXPECT_EQ(warned, row.overflows) << row.b0;
    }
}

// The error is measured against the double reference fed the sample on the data word: a
// 24-bit sound of 320 (1.25 last bits of q15) enters as 1 last bit, b0 = 0.5 gives
// floor(0.5 + 1/2) = 1 last bit against the reference's 0.5, an error of 2^-16 (against the
// raw sample's 0.625 it would be 0.375 last bits), and the gain to -20 dBFS 0.1 / 2^-16.
TEST(SoundFilter, ErrorReferenceTakesTheSampleOnTheDataWord) {
    TempDir dir;
    const std::vector<int> samples(16, 320 * 256);
    ASSERT_TRUE(writeSound(dir.file("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_24, 8000, 1, samples));
    writeBytes(dir.file("f.flt"), "2\r\n0\r\n0.5 0 0\r\n1 0 0\r\n");
    SoundFilterOptions options;
    ImplementationOptions im;
    im.arithmetic = namedArithmetic(Target::Q15);
    im.scaling = Scaling::None;
    im.order = SectionOrder::File;
    options.implementation = im;
    options.errorOutput = dir.file("error.wav");
    const SoundFilterResult r =
        filterSoundFile(dir.file("f.flt"), dir.file("in.wav"), dir.file("out.wav"), options);
    EXPECT_EQ(r.errorPeak, std::ldexp(1.0, -16));
    EXPECT_EQ(r.errorGain, 6553.6);
    const auto out = readSound(dir.file("out.wav"));
    const auto error = readSound(dir.file("error.wav"));
    ASSERT_EQ(out.samples.size(), 16u);
    ASSERT_EQ(error.samples.size(), 16u);
    for (std::size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(out.samples[i], std::ldexp(1.0, -15)) << i;
        EXPECT_EQ(error.samples[i], std::ldexp(1.0, -16)) << i;
    }
}

// Three sounds at one position: the switch to the error fades from what is heard to the
// error times its gain, and the shares always add up to 1.
TEST(SoundFilter, SwitchOfThreeSoundsFadesWithinFiveMilliseconds) {
    TempDir dir;
    const int rate = 8000, frames = 400;
    std::vector<int> a, b, e;
    for (int n = 0; n < frames; ++n) {
        a.push_back(1000 * 65536);
        b.push_back(-2000 * 65536);
        e.push_back(10 * 65536);
    }
    for (const auto& [name, s] : {std::pair{"a.wav", a}, {"b.wav", b}, {"e.wav", e}})
        ASSERT_TRUE(writeSound(dir.file(name), SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 1, s));
    AbSource source(dir.file("a.wav"), dir.file("b.wav"), dir.file("e.wav"), 50);
    ASSERT_TRUE(source.hasError());
    std::vector<float> got(400);
    const float A = 1000 / 32768.f, B = -2000 / 32768.f, E = 500 / 32768.f;
    ASSERT_EQ(source.read(got.data(), 100), 100u);
    EXPECT_EQ(got[99], A);
    EXPECT_EQ(source.next(), AbSound::Filtered);
    source.choose(AbSound::Filtered);
    ASSERT_EQ(source.read(got.data(), 20), 20u);
    // Half-way from A to B, the fade of 40 frames is taken over to the error: from the
    // shares at the switch, (1 - t) of the mix of A and B and t of the error.
    EXPECT_EQ(source.next(), AbSound::Error);
    source.choose(AbSound::Error);
    ASSERT_EQ(source.read(got.data(), 40), 40u);
    for (int f = 0; f < 39; ++f) {
        const double t = (f + 1) / 40.0;
        const double expected = (1 - t) * (0.5 * A + 0.5 * B) + t * E;
        EXPECT_NEAR(got[f], expected, 1e-6) << f;
    }
    EXPECT_EQ(got[39], E);
    EXPECT_EQ(source.next(), AbSound::Original);
}

} // namespace
} // namespace zorkan
