#include "modelling/signalfile.h"

namespace zorkan {

namespace {
constexpr int endOfDataMark = 0x1A;
}

std::optional<double> readSample(TextReader& in) {
    int next = in.peek();
    if (next < 0 || next == endOfDataMark)
        return std::nullopt;
    // Only blanks and line ends left: the reader answers 0, and the next call
    // finds the physical end.
    double value = in.readReal();
    in.skipLine();
    return value;
}

SampleBlock readSampleBlock(const std::string& path) {
    TextReader in(path);
    return readSampleBlock(in);
}

SampleBlock readSampleBlock(TextReader& in) {
    SampleBlock block{};
    for (double& slot : block) {
        std::optional<double> sample = readSample(in);
        if (!sample)
            break; // the end mark stays unread, so every later read would end too
        slot = *sample;
    }
    return block;
}

void writeSample(TextWriter& out, double value) {
    out.writeReal(value);
    out.endLine();
}

std::size_t forEachSample(const std::string& path, const std::function<void(double)>& onSample) {
    TextReader in(path);
    return forEachSample(in, onSample);
}

std::size_t forEachSample(TextReader& in, const std::function<void(double)>& onSample) {
    std::size_t count = 0;
    while (std::optional<double> sample = readSample(in)) {
        onSample(*sample);
        ++count;
    }
    return count;
}

} // namespace zorkan
