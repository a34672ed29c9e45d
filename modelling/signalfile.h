#pragma once
// Signal files: one sample per line, no header, CR LF, decimal point.
#include "common/textnumbers.h"

#include <array>
#include <functional>
#include <optional>
#include <string>

namespace zorkan {

constexpr std::size_t sampleBlockSize = 1024;
using SampleBlock = std::array<double, sampleBlockSize>;

// The next sample, or nothing at the end of data (physical end, or a 0x1A byte where
// the next read would start). Blanks and control bytes before the number are skipped;
// reaching the physical end while skipping gives 0. The rest of the line is discarded.
std::optional<double> readSample(TextReader& in);

// Exactly 1024 values: the file's first samples, zeros from the end of data on.
SampleBlock readSampleBlock(const std::string& path);
SampleBlock readSampleBlock(TextReader& in);

// One line in the 23-character layout, then CR LF.
void writeSample(TextWriter& out, double value);

// Calls onSample for every sample of the file in order, streaming; returns the count.
std::size_t forEachSample(const std::string& path, const std::function<void(double)>& onSample);
std::size_t forEachSample(TextReader& in, const std::function<void(double)>& onSample);

} // namespace zorkan
