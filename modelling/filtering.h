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

// One section of the cascade with its state: the last four inputs and outputs, newest
// first, all zero at the start. step() is the section equation in extended precision,
// in its written order: the numerator products added left to right, then the
// denominator products subtracted (B0 is not used); the result is rounded to double.
// An output that does not fit a double raises the overflow.
struct SectionState {
    double x[4] = {0, 0, 0, 0};
    double y[4] = {0, 0, 0, 0};

    double step(const FilterSection& s, double in);
};

// The work file's name in the current folder.
extern const char* const workFileName;

} // namespace zorkan
