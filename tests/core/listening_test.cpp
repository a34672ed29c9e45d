#include "cascade.h"
#include "listening/soundfilter.h"
#include "soundfiles.h"
#include "tempfiles.h"
#include "wavfiles.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <complex>
#include <cstring>
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
    // Fourth-order (band-pass) and second-order sections; B0 = 3 is ignored by both.
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
        // B0 is not used by the engine, nor here.
        {{{1, 1, 0, 0, 0}, {2, 0, 0, 0, 0}}, {cosEdge}},
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
    EXPECT_EQ(readBytes(dir.file("in.wav")), source);

    // A source named as the unfinished output would be is not written over.
    writeBytes(dir.file("x.wav.part"), source);
    EXPECT_TRUE(filterSoundFile(dir.file("1.flt"), dir.file("x.wav.part"), dir.file("x.wav"), {})
                    .completed);
    EXPECT_EQ(readBytes(dir.file("x.wav.part")), source);
    EXPECT_EQ(readSound(dir.file("x.wav")).samples, readSound(dir.file("in.wav")).samples);
}

} // namespace
} // namespace zorkan
