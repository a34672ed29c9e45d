// Sound files over arbitrary bytes, read from memory through libsndfile's virtual I/O:
// every frame read goes through a filter with its own state per channel and is
// quantised for the file's coding. A file may be refused only with the system's own
// error; what is read must stay within its channels and never leave NaN behind.
#include "listening/soundfilter.h"
#include "tests/fuzz/fuzzinput.h"

#include <cmath>
#include <cstdlib>
#include <vector>

// libsndfile's Ogg reader leaves the Vorbis decoder's blocks behind when it gives up on
// a malformed stream; they belong to the system libraries, not to this program.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libvorbis.so\nleak:libogg.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zorkan;
    fuzz::expectOnlyZorkanErrors([&] {
        SoundReader reader(data, size);
        const SoundInfo info = reader.info();
        const std::size_t channels = static_cast<std::size_t>(info.channels);
        if (channels < 1 || channels > 256 || info.rate < 1)
            std::abort(); // the reader refuses such headers
        // A lowpass section, so that the state carries from block to block.
        ChannelCascade cascade({FilterSection{{0.25, 0.5, 0.25, 0, 0}, {1, -0.5, 0.2, 0, 0}}},
                               info.channels);
        const CodingInfo coding = codingOf(info.format);
        constexpr std::size_t block = 256;
        std::vector<double> samples(block * channels + 1);
        samples.back() = 12345; // a guard behind the frames asked for
        std::vector<int> integers(block * channels);
        std::vector<double> doubles(block * channels);
        // Enough frames to pass several blocks; a header may promise far more.
        std::size_t frames = 0;
        while (frames < 64 * block) {
            const std::size_t got = reader.read(samples.data(), block);
            if (got == 0)
                break;
            if (got > block || samples.back() != 12345)
                std::abort();
            cascade.run(samples.data(), got);
            for (std::size_t i = 0; i < got * channels; ++i)
                if (std::isnan(samples[i]))
                    std::abort();
            quantiseSamples(samples.data(), got * channels, coding, integers.data(),
                            doubles.data());
            frames += got;
        }
    });
    return 0;
}
