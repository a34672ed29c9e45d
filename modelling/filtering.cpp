#include "modelling/filtering.h"

#include "common/errors.h"
#include "common/floatfaults.h"

#include <cmath>
#include <cstring>
#include <exception>
#include <vector>

namespace zorkan {

const char* const workFileName = "tmp.zicd";

SectionTables& modellingTables() {
    static SectionTables tables;
    return tables;
}

void loadModellingFilter(const std::string& path, SectionTables& tables) {
    TextReader in(path);
    loadModellingFilter(in, tables);
}

void loadModellingFilter(TextReader& in, SectionTables& tables) {
    // Everything is read before anything is stored.
    const FilterCoefficients filter = readFilterFile(in, modellingReader);
    tables.order = static_cast<std::uint16_t>(filter.order);
    if (filter.order % 2 != 0)
        return;
    tables.kind = filter.kind;
    for (std::size_t k = 0; k < filter.sections.size(); ++k)
        tables.sections[k] = filter.sections[k];
}

double SectionState::step(const FilterSection& s, double in) {
    long double sum = static_cast<long double>(s.a[0]) * in;
    sum += static_cast<long double>(s.a[1]) * x[0];
    sum += static_cast<long double>(s.a[2]) * x[1];
    sum += static_cast<long double>(s.a[3]) * x[2];
    sum += static_cast<long double>(s.a[4]) * x[3];
    sum -= static_cast<long double>(s.b[1]) * y[0];
    sum -= static_cast<long double>(s.b[2]) * y[1];
    sum -= static_cast<long double>(s.b[3]) * y[2];
    sum -= static_cast<long double>(s.b[4]) * y[3];
    double out = static_cast<double>(sum);
    if (!std::isfinite(out))
        out = fp::toDouble(sum); // raises the overflow (or invalid operation)
    x[3] = x[2];
    x[2] = x[1];
    x[1] = x[0];
    x[0] = in;
    y[3] = y[2];
    y[2] = y[1];
    y[1] = y[0];
    y[0] = out;
    return out;
}

namespace {

void checkSectionCount(int sectionCount) {
    if (sectionCount < 0 || sectionCount > static_cast<int>(modellingSectionCapacity))
        throw UserMessage("В таблицах моделирования не более 30 секций");
}

// A value written to one file and copied into another before it is read again: two
// passes through the layout. After the first the value has 15 digits, which a normal
// double keeps exactly, so only the rare subnormal needs the second pass.
double throughTwoFiles(double value) {
    const double once = throughRealLayout(value);
    if (once == 0 || std::isnormal(once))
        return once;
    return throughRealLayout(once);
}

} // namespace

double filterBlock(const TestSignalBuffer& input, const SectionTables& tables, int sectionCount,
                   TestSignalBuffer& output) {
    checkSectionCount(sectionCount);
    output.fill(0);
    if (sectionCount == 0)
        return 0;
    double maximum = 0;
    TestSignalBuffer x = input;
    for (int k = 0; k < sectionCount; ++k) {
        // Terms before sample 1 are zero, so a fresh state gives the shortened sums.
        SectionState state;
        const FilterSection& section = tables.sections[k];
        for (std::size_t n = 0; n < x.size(); ++n) {
            output[n] = state.step(section, x[n]);
            maximum = std::fmax(maximum, std::fabs(output[n]));
        }
        x = output;
    }
    return maximum;
}

FilterRunResult filterSignalFile(TextReader& input, TextWriter& output, TextWriter& work,
                                 const SectionTables& tables, int sectionCount,
                                 const FilterRunControl& control) {
    checkSectionCount(sectionCount);
    std::vector<SectionState> states(static_cast<std::size_t>(sectionCount));
    // Samples go through the sections a block at a time: within a block each section
    // runs over all its samples, so the rounding between sections, which no recursion
    // waits for, overlaps with the section's own recursion. A block ends on a line.
    constexpr std::size_t blockSize = 1024;
    std::array<double, blockSize> block;
    char line[realFieldWidth];
    FilterRunResult result;
    bool atEnd = false;
    while (!atEnd) {
        if (control.cancel && control.cancel->load(std::memory_order_relaxed)) {
            result.completed = false;
            break;
        }
        std::size_t count = 0;
        std::exception_ptr readFailure;
        try {
            while (count < blockSize) {
                const std::optional<double> sample = readSample(input);
                if (!sample) {
                    atEnd = true;
                    break;
                }
                block[count++] = *sample;
            }
        } catch (const Error&) {
            // The lines before the bad one are still filtered and written.
            readFailure = std::current_exception();
            atEnd = true;
        }
        if (sectionCount == 0) {
            for (std::size_t n = 0; n < count; ++n)
                writeSample(work, block[n]);
        } else {
            // The input is copied into the work file before the first section reads it;
            // every later section reads what the one before wrote and was copied.
            for (std::size_t n = 0; n < count; ++n)
                block[n] = throughRealLayout(block[n]);
            for (int k = 0; k < sectionCount; ++k) {
                SectionState& state = states[k];
                const FilterSection& section = tables.sections[k];
                const bool last = k + 1 == sectionCount;
                for (std::size_t n = 0; n < count; ++n) {
                    const double out = state.step(section, block[n]);
                    block[n] = last ? out : throughTwoFiles(out);
                }
            }
            for (std::size_t n = 0; n < count; ++n) {
                formatRealTo(line, block[n]);
                // The copy in the work file is this line read back and written again;
                // for all but subnormal values those are the same characters.
                const double copied = throughRealLayout(block[n]);
                output.write(std::string_view(line, realFieldWidth));
                output.endLine();
                if (copied != 0 && !std::isnormal(copied)) {
                    writeSample(work, copied);
                } else {
                    work.write(std::string_view(line, realFieldWidth));
                    work.endLine();
                }
            }
        }
        result.samples += count;
        if (readFailure)
            std::rethrow_exception(readFailure);
        if (control.onProgress && count > 0)
            control.onProgress(result.samples);
    }
    return result;
}

} // namespace zorkan
