// A million samples filtered through the default design: the streaming filterSignalFile
// against the literal pass-by-pass filter (the input copied to the work file, then a
// full pass and a copy back per section) built on the same reader and writer. The
// Python route a user would take instead, numpy.loadtxt -> scipy.signal.sosfilt ->
// numpy.savetxt, runs in the same benchmark run as a child process (bench/
// sosfilt_baseline.py) when python3 with numpy and scipy is installed; skipped otherwise.
#include "bench/benchfiles.h"
#include "design/designrun.h"
#include "modelling/filtering.h"
#include "tests/core/literalfilter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int sampleCount = 1000000;

double peakResidentMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// The default design request of the design window, loaded as the modelling window does.
const zorkan::SectionTables& defaultDesign() {
    static const zorkan::SectionTables tables = [] {
        zorkan::SectionTables t;
        zorkan::loadModellingFilter(zorkan::bench::defaultDesignFile(), t);
        return t;
    }();
    return tables;
}

const std::string& inputFile() {
    static const std::string path = [] {
        const std::string p = zorkan::bench::scratchPath("in.xicd");
        zorkan::TextWriter out(p);
        for (int i = 0; i < sampleCount; ++i)
            zorkan::writeSample(out,
                                std::sin(i * 0.05) + 0.3 * std::sin(i * 1.9) + (i % 97) * 0.001);
        out.close();
        return p;
    }();
    return path;
}

void streamed(const std::string& in, const std::string& out, const std::string& work) {
    zorkan::TextReader input(in);
    zorkan::TextWriter output(out);
    zorkan::TextWriter workFile(work);
    const zorkan::SectionTables& t = defaultDesign();
    zorkan::filterSignalFile(input, output, workFile, t, t.sectionCount());
    output.close();
    workFile.close();
}

void literal(const std::string& in, const std::string& out, const std::string& work) {
    const zorkan::SectionTables& t = defaultDesign();
    zorkan::testing::literalFilterSignalFile(in, out, work, t, t.sectionCount());
}

template <void (*Filter)(const std::string&, const std::string&, const std::string&)>
void BM_Filter(benchmark::State& state) {
    const std::string& in = inputFile();
    const std::string out = zorkan::bench::scratchPath("out.yicd");
    const std::string work = zorkan::bench::scratchPath("tmp.zicd");
    const double peakBefore = peakResidentMb();
    for (auto _ : state)
        Filter(in, out, work);
    state.SetItemsProcessed(state.iterations() * sampleCount);
    state.counters["sections"] = defaultDesign().sectionCount();
    state.counters["peak_rss_growth_MB"] = peakResidentMb() - peakBefore;
    std::filesystem::remove(out);
    std::filesystem::remove(work);
}

// Writes the sections as scipy's second-order-section rows: b0 b1 b2 1 a1 a2.
std::string sosFile() {
    const std::string path = zorkan::bench::scratchPath("sos.txt");
    zorkan::TextWriter out(path);
    const zorkan::SectionTables& t = defaultDesign();
    for (int k = 0; k < t.sectionCount(); ++k) {
        const zorkan::FilterSection& s = t.sections[k];
        const double row[6] = {s.a[0], s.a[1], s.a[2], 1.0, s.b[1], s.b[2]};
        out.writeLine(zorkan::coefficientLine(row, 6, false));
    }
    out.close();
    return path;
}

void BM_PythonSosfilt(benchmark::State& state) {
    // The first interpreter on the path, or the system's own (Debian's numpy and scipy).
    std::string python;
    for (const char* candidate : {"python3", "/usr/bin/python3"}) {
        const std::string probe =
            std::string(candidate) + " -c 'import numpy, scipy.signal' >/dev/null 2>&1";
        if (std::system(probe.c_str()) == 0) {
            python = candidate;
            break;
        }
    }
    if (python.empty()) {
        state.SkipWithError("python3 with numpy and scipy is not installed");
        return;
    }
    const std::string script = ZORKAN_BENCH_DIR "/sosfilt_baseline.py";
    const std::string sos = sosFile();
    const std::string out = zorkan::bench::scratchPath("py.yicd");
    const std::string command =
        python + " '" + script + "' '" + sos + "' '" + inputFile() + "' '" + out + "'";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("the Python baseline failed");
    state.SetItemsProcessed(state.iterations() * sampleCount);
    std::filesystem::remove(out);
    std::filesystem::remove(sos);
}

} // namespace

BENCHMARK(BM_PythonSosfilt)
    ->Name("Filter1M/python_loadtxt_sosfilt_savetxt")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK(BM_Filter<streamed>)
    ->Name("Filter1M/streamed")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Filter<literal>)
    ->Name("Filter1M/literal_pass_by_pass")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
