#pragma once
// The file filter done literally: the input copied into the work file, then for each
// section a full pass from the work file into the output file and a copy back, every
// value going through the text layout each time. The oracle that the streaming
// filterSignalFile must match byte for byte, and the baseline of its benchmark.
#include "common/floatfaults.h"
#include "modelling/filtering.h"
#include "modelling/signalfile.h"

#include <string>

namespace zorkan::testing {

inline void copySignal(const std::string& from, const std::string& to) {
    TextReader in(from);
    TextWriter out(to);
    while (std::optional<double> v = readSample(in))
        writeSample(out, *v);
    out.close();
}

inline void literalFilterSignalFile(const std::string& inputPath, const std::string& outputPath,
                                    const std::string& workPath, const SectionTables& tables,
                                    int sectionCount) {
    { TextWriter created(outputPath); } // the window creates (or empties) it first
    copySignal(inputPath, workPath);
    for (int k = 0; k < sectionCount; ++k) {
        const FilterSection& s = tables.sections[k];
        double x1 = 0, x2 = 0, x3 = 0, x4 = 0, y1 = 0, y2 = 0, y3 = 0, y4 = 0;
        {
            TextReader work(workPath);
            TextWriter out(outputPath);
            while (std::optional<double> v = readSample(work)) {
                const double x = *v;
                long double sum = static_cast<long double>(s.a[0]) * x;
                sum += static_cast<long double>(s.a[1]) * x1;
                sum += static_cast<long double>(s.a[2]) * x2;
                sum += static_cast<long double>(s.a[3]) * x3;
                sum += static_cast<long double>(s.a[4]) * x4;
                sum -= static_cast<long double>(s.b[1]) * y1;
                sum -= static_cast<long double>(s.b[2]) * y2;
                sum -= static_cast<long double>(s.b[3]) * y3;
                sum -= static_cast<long double>(s.b[4]) * y4;
                const double y = fp::toDouble(sum);
                writeSample(out, y);
                x4 = x3;
                x3 = x2;
                x2 = x1;
                x1 = x;
                y4 = y3;
                y3 = y2;
                y2 = y1;
                y1 = y;
            }
            out.close();
        }
        copySignal(outputPath, workPath);
    }
}

} // namespace zorkan::testing
