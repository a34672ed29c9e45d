#pragma once
// The filtering engine of the modelling window: its own copy of a filter's cascade,
// loaded from a filter parameter file, run over the 1024-sample test signal in memory
// or over a signal file of any length.
#include "coefficients/filterfile.h"
#include "modelling/testsignals.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace zorkan {

constexpr std::size_t modellingSectionCapacity = 30;

// Sections 1..30 in sections[0..29], with the order and the kind of the last filter file
// read. An odd order keeps the sections and the kind of the file before it.
struct SectionTables {
    std::array<FilterSection, modellingSectionCapacity> sections{};
    std::uint16_t order = 0;
    FilterKind kind = lowPass;

    // N = order div 2.
    int sectionCount() const { return order / 2; }
};

// The tables of the modelling window: they start as zeros and live for the whole run,
// whatever windows come and go.
SectionTables& modellingTables();

// Reads a filter parameter file by the modelling window's rules into `tables`. The file
// is read whole before anything is stored, so a file that cannot be opened, a number
// that cannot be read, or more than 30 sections leave the tables as they were.
void loadModellingFilter(const std::string& path, SectionTables& tables);
void loadModellingFilter(TextReader& in, SectionTables& tables);

// Runs the first `sectionCount` sections over the 1024 input samples, each from a zero
// state. Returns the largest output magnitude seen after any section; with no section
// the output is zero and so is the result.
double filterBlock(const TestSignalBuffer& input, const SectionTables& tables, int sectionCount,
                   TestSignalBuffer& output);

// One section of a cascade with its state: the last four inputs and outputs, newest
// first, all zero before the first sample.
struct SectionState {
    double x[4] = {0, 0, 0, 0};
    double y[4] = {0, 0, 0, 0};

    // The section equation in extended precision, in its written order: the numerator
    // products added left to right, then the denominator products subtracted. B0 is
    // not used: every denominator counts as normalised.
    long double sum(const FilterSection& s, double in) const;
    // Shifts the state after an output sample.
    void push(double in, double out);
    // One output sample: the sum rounded once to double; an output beyond the double
    // range raises the overflow.
    double step(const FilterSection& s, double in);
};

inline long double SectionState::sum(const FilterSection& s, double in) const {
    long double sum = static_cast<long double>(s.a[0]) * in;
    sum += static_cast<long double>(s.a[1]) * x[0];
    sum += static_cast<long double>(s.a[2]) * x[1];
    sum += static_cast<long double>(s.a[3]) * x[2];
    sum += static_cast<long double>(s.a[4]) * x[3];
    sum -= static_cast<long double>(s.b[1]) * y[0];
    sum -= static_cast<long double>(s.b[2]) * y[1];
    sum -= static_cast<long double>(s.b[3]) * y[2];
    sum -= static_cast<long double>(s.b[4]) * y[3];
    return sum;
}

inline void SectionState::push(double in, double out) {
    x[3] = x[2];
    x[2] = x[1];
    x[1] = x[0];
    x[0] = in;
    y[3] = y[2];
    y[2] = y[1];
    y[1] = y[0];
    y[0] = out;
}

// Progress and cancelling of a long file run. `onProgress` gets the number of samples
// done so far, every so often; when `cancel` becomes true the run stops after a
// complete line.
struct FilterRunControl {
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(std::uint64_t samples)> onProgress;
};

// Filters a signal file into `output`, leaving a copy of the result in `work`.
// The result is that of running the cascade section by section through the work file,
// each value passing the 23-character layout between sections, but the file is read
// once: every sample goes through all sections in turn and is rounded in memory as the
// text would round it. Memory does not grow with the file. Returns the samples done;
// false in `completed` when cancelled.
struct FilterRunResult {
    std::uint64_t samples = 0;
    bool completed = true;
};
// The caller opens the three files and closes the writers afterwards.
FilterRunResult filterSignalFile(TextReader& input, TextWriter& output, TextWriter& work,
                                 const SectionTables& tables, int sectionCount,
                                 const FilterRunControl& control = {});

// Filters the signal file `inputPath`, already open as `input`, into `outputPath` and
// leaves a copy of the result in `workPath`. Both are written beside their files and take
// their places when the run ends, completed or cancelled (a cancelled run leaves the
// complete lines written so far). When a line cannot be read, or a fault stops the run,
// the output file stays as it was and the work file holds the input copied up to the
// bad line, as copying the input first would leave it. Names that reach one file are
// refused before anything is touched.
FilterRunResult filterSignalFile(TextReader& input, const std::string& inputPath,
                                 const std::string& outputPath, const std::string& workPath,
                                 const SectionTables& tables, int sectionCount,
                                 const FilterRunControl& control = {});

// The work file's name in the current folder.
extern const char* const workFileName;

} // namespace zorkan
