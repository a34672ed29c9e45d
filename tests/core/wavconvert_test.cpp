#include "common/errors.h"
#include "modelling/signalfile.h"
#include "sound/wavconvert.h"
#include "tempfiles.h"
#include "wavfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <unistd.h>
#include <vector>

namespace zorkan {
namespace {

using zorkan::testing::readBytes;
using zorkan::testing::TempDir;
using zorkan::testing::wavFile;
using zorkan::testing::wavHeader;
using zorkan::testing::writeBytes;

std::string lines(std::initializer_list<const char*> values) {
    std::string out;
    for (const char* v : values)
        out += std::string(v) + "\r\n";
    return out;
}

TEST(WavToSignal, WorkedFiles) {
    const std::string header = wavHeader(3, 1, 8000, 8);
    struct Case {
        const char* name;
        std::string wav;
        std::string header;
        std::string signal;
    };
    const Case cases[] = {
        {"empty", "", "", ""},
        {"shorter than a header", "RIFF\x01\x02", "RIFF\x01\x02", ""},
        {"exactly a header", header, header, ""},
        {"bytes 128 255 0", header + "\x80\xFF" + std::string(1, '\0'), header,
         lines({" 0.00000000000000E+0000", " 1.27000000000000E+0002", "-1.28000000000000E+0002"})},
        {"not a WAV file at all", std::string(44, 'x') + "\x81", std::string(44, 'x'),
         lines({" 1.00000000000000E+0000"})},
    };
    for (const Case& c : cases) {
        StringSink signal, head;
        WavConversion done = convertWav(c.wav, signal, head);
        EXPECT_EQ(head.bytes, c.header) << c.name;
        EXPECT_EQ(signal.bytes, c.signal) << c.name;
        EXPECT_EQ(done.headerBytes, c.header.size()) << c.name;
        EXPECT_EQ(done.samples, c.wav.size() - c.header.size()) << c.name;
    }
}

// Every sample byte's line is exactly what the signal writer writes for b - 128.
TEST(WavToSignal, LinesAreTheSignalWritersLines) {
    TempDir dir;
    std::string wav(44, 'h');
    {
        TextWriter out(dir.file("w.xicd"));
        for (int b = 0; b < 256; ++b) {
            wav.push_back(static_cast<char>(b));
            writeSample(out, b - 128);
        }
        out.close();
    }
    StringSink signal, head;
    convertWav(wav, signal, head);
    EXPECT_EQ(signal.bytes, readBytes(dir.file("w.xicd")));
}

// Pieces that split the header and large files that fill the line buffer many times over
// give the same bytes as one piece.
TEST(WavToSignal, PiecesOfAnySize) {
    const std::string wav = wavFile(150000, 2, 22050, 8);
    StringSink wholeSignal, wholeHeader;
    convertWav(wav, wholeSignal, wholeHeader);
    ASSERT_EQ(wholeSignal.bytes.size(), (wav.size() - 44) * signalLineLength);
    for (std::size_t piece : {1u, 7u, 43u, 44u, 45u, 65537u}) {
        StringSink signal, head;
        WavToSignal converter(signal, head);
        for (std::size_t at = 0; at < wav.size(); at += piece)
            converter.feed(wav.data() + at, std::min(piece, wav.size() - at));
        converter.finish();
        EXPECT_EQ(head.bytes, wholeHeader.bytes) << piece;
        EXPECT_TRUE(signal.bytes == wholeSignal.bytes) << piece;
    }
}

TEST(SignalToWav, SampleBytes) {
    const double two63 = 9223372036854775808.0;
    struct Case {
        double value;
        int byte;
    };
    const Case cases[] = {
        {0, 128},
        {127, 255},
        {-128, 0},
        {0.9, 128},
        {-0.9, 128},
        {128, 0},
        {255.99, 127},
        {-129, 255},
        {-1.5, 127},
        {1000, 104},
        {-two63, 128},
        {two63, 128},
        {1e300, 128},
        {-1e300, 128},
        {two63 - 1024, 128},
        {-(two63 - 1024), 128},
        {4097, 129},
        {std::numeric_limits<double>::infinity(), 128},
        {std::numeric_limits<double>::quiet_NaN(), 128},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sampleByte(c.value), c.byte) << c.value;
}

TEST(SignalToWav, SignalsInMemory) {
    struct Case {
        const char* name;
        std::string signal;
        std::string bytes; // appended, also when the read fails
        std::string error;
    };
    const Case cases[] = {
        {"worked values", "0\r\n127\r\n-128\r\n0.9\r\n-0.9\r\n128\r\n",
         std::string("\x80\xFF", 2) + '\0' + "\x80\x80" + '\0', ""},
        {"the written layout", lines({" 1.00000000000000E+0000", "-1.28000000000000E+0002"}),
         std::string("\x81", 1) + '\0', ""},
        {"empty file", "", "", ""},
        {"garbage after two values", "1\r\n2\r\nabc\r\n3\r\n", "\x81\x82", "Invalid numeric input"},
        {"decimal comma", "0,5\r\n", "", "Invalid numeric input"},
        {"huge values", "9.3e18\r\n-9.3e18\r\n1e300\r\n", "\x80\x80\x80", ""},
        {"trailing blank line reads one zero", "5\r\n\r\n", "\x85\x80", ""},
        {"end mark stops the data",
         "5\r\n\x1A"
         "6\r\n",
         "\x85", ""},
    };
    for (const Case& c : cases) {
        TextReader in = TextReader::fromBytes(c.signal);
        StringSink wav;
        std::string error;
        try {
            EXPECT_EQ(appendSignal(in, wav), c.bytes.size()) << c.name;
        } catch (const Error& e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.error) << c.name;
        EXPECT_EQ(wav.bytes, c.bytes) << c.name;
    }
}

TEST(SignalToWav, AppendsToTheEndOfExistingFiles) {
    TempDir dir;
    const std::string header = wavHeader(2, 1, 8000, 8);
    const std::string complete = wavFile(100, 1, 8000, 8);
    struct Case {
        const char* name;
        std::string wav;
        std::string signal;
        std::string result;
    };
    const Case cases[] = {
        {"onto a header", header, "1\r\n-1\r\n", header + "\x81\x7F"},
        {"onto a complete file", complete, "0\r\n", complete + "\x80"},
        {"empty signal", complete, "", complete},
    };
    for (const Case& c : cases) {
        writeBytes(dir.file("w.wav"), c.wav);
        writeBytes(dir.file("s.yicd"), c.signal);
        appendSignalFile(dir.file("s.yicd"), dir.file("w.wav"));
        EXPECT_EQ(readBytes(dir.file("w.wav")), c.result) << c.name;
    }
}

TEST(SoundFiles, FilesThatCannotBeUsed) {
    TempDir dir;
    writeBytes(dir.file("s.yicd"), "1\r\n");
    writeBytes(dir.file("w.wav"), "RIFF");
    const auto errorOf = [](const std::function<void()>& run) {
        try {
            run();
        } catch (const InOutError& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_EQ(errorOf([&] { appendSignalFile(dir.file("none.yicd"), dir.file("w.wav")); }),
              "File not found");
    EXPECT_EQ(errorOf([&] { appendSignalFile(dir.file("s.yicd"), dir.file("none.wav")); }),
              "File not found");
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.wav")));
    std::string readOnly = dir.file("ro.wav");
    writeBytes(readOnly, "RIFF");
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
    if (::geteuid() == 0) // the superuser writes read-only files all the same
        readOnly = "/sys/devices/system/cpu/online";
    EXPECT_EQ(errorOf([&] { appendSignalFile(dir.file("s.yicd"), readOnly); }), "I/O error 5");
    EXPECT_EQ(errorOf([&] { appendSignalFile(dir.file("s.yicd"), dir.path().string()); }),
              "I/O error 5");
    EXPECT_EQ(readBytes(dir.file("w.wav")), "RIFF");

    EXPECT_EQ(errorOf([&] {
                  convertWavFile(dir.file("none.wav"), dir.file("x.xicd"), dir.file("h.wav"));
              }),
              "File not found");
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.xicd")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("h.wav")));
    EXPECT_EQ(errorOf([&] {
                  convertWavFile(dir.path().string(), dir.file("x.xicd"), dir.file("h.wav"));
              }),
              "I/O error 5");

    // A file that is not open is the platform's "file not open".
    OpenFile closed;
    EXPECT_EQ(errorOf([&] {
                  StringSink sink;
                  convertWav(closed, sink, sink);
              }),
              "I/O error 103");
}

// An output named like the sound file would empty it before it is read; nothing is
// touched then.
TEST(SoundFiles, OutputsMustDifferFromTheSource) {
    TempDir dir;
    const std::string wav = wavFile(10, 1, 8000, 8);
    writeBytes(dir.file("a.wav"), wav);
    writeBytes(dir.file("s.yicd"), "1\r\n");
    const std::string clashes[][2] = {
        {"a.wav", "h.wav"}, {"x.xicd", "a.wav"}, {"x.xicd", "x.xicd"}};
    for (const auto& names : clashes) {
        EXPECT_THROW(convertWavFile(dir.file("a.wav"), dir.file(names[0]), dir.file(names[1])),
                     UserMessage)
            << names[0] << " " << names[1];
        EXPECT_TRUE(readBytes(dir.file("a.wav")) == wav);
    }
    EXPECT_THROW(appendSignalFile(dir.file("s.yicd"), dir.file("s.yicd")), UserMessage);
    EXPECT_EQ(readBytes(dir.file("s.yicd")), "1\r\n");
}

// Converting a sound file and writing its unchanged signal back onto its header gives
// the sound file again, whatever its format.
TEST(SoundFiles, RoundTripReproducesTheSource) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string wav;
    };
    std::string odd = wavFile(1001, 1, 11025, 8);
    odd.pop_back();
    const Case cases[] = {
        {"8-bit mono", wavFile(44100, 1, 44100, 8)}, {"8-bit stereo", wavFile(3000, 2, 22050, 8)},
        {"16-bit mono", wavFile(2000, 1, 8000, 16)}, {"16-bit stereo", wavFile(5000, 2, 48000, 16)},
        {"data shorter than the header says", odd},  {"header only", wavHeader(0, 1, 8000, 8)},
    };
    for (const Case& c : cases) {
        writeBytes(dir.file("in.wav"), c.wav);
        WavConversion done =
            convertWavFile(dir.file("in.wav"), dir.file("x.xicd"), dir.file("y.wav"));
        EXPECT_EQ(done.samples, c.wav.size() - 44) << c.name;
        EXPECT_EQ(readBytes(dir.file("y.wav")), c.wav.substr(0, 44)) << c.name;
        EXPECT_EQ(appendSignalFile(dir.file("x.xicd"), dir.file("y.wav")), c.wav.size() - 44)
            << c.name;
        EXPECT_TRUE(readBytes(dir.file("y.wav")) == c.wav) << c.name;
    }
}

} // namespace
} // namespace zorkan
