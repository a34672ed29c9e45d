#include "export/exportheader.h"

#include "export/ccode.h"
#include "export/exporttext.h"
#include "zorkanconfig.h"

namespace zorkan {

namespace {

std::string sectionList(const std::vector<std::size_t>& sections) {
    std::string out;
    for (std::size_t k : sections)
        out += (out.empty() ? "" : ", ") + std::to_string(k);
    return out;
}

} // namespace

std::vector<std::string> exportHeaderLines(const ExportedFilter& filter,
                                           const ExportOptions& options) {
    static const char* const formatNames[] = {
        "second-order sections, CSV", "second-order sections, Octave/MATLAB",
        "second-order sections, Python/NumPy", "C99", "CMSIS-DSP biquad cascade, C99"};
    const SecondOrderCascade& cascade = filter.cascade;
    std::vector<std::string> lines;
    const bool lattice = options.format == ExportFormat::Cmsis && latticeType(options.type);
    lines.push_back(std::string("ZORKAN ") + ZORKAN_VERSION + " filter export: " +
                    (lattice ? "CMSIS-DSP IIR lattice-ladder of the whole filter, C99"
                             : formatNames[static_cast<int>(options.format)]));
    lines.push_back("source: " + printableAscii(options.sourceName, "*"));
    lines.push_back(std::string("kind: ") +
                    kindName(cascade.kind, "unknown kind, second-order sections") + " (" +
                    std::to_string(cascade.kind) + "), order " + std::to_string(filter.order) +
                    ", " + std::to_string(cascade.fileSections) + " section(s) in the file");
    lines.push_back("second-order sections: " + std::to_string(cascade.sections.size()));
    lines.push_back("H(z) = product of (b0 + b1 z^-1 + b2 z^-2) / (a0 + a1 z^-1 + a2 z^-2), "
                    "a0 = 1");
    if (!filter.scaledSections.empty()) {
        lines.push_back("B0 is not 1 in file section(s) " + sectionList(filter.scaledSections) +
                        ": each is divided by its B0 here,");
        lines.push_back("  so H(z) = A(z)/B(z) as ZORKAN's frequency response computes it");
    }
    if (options.format == ExportFormat::SosCsv)
        lines.push_back("one section per row: b0,b1,b2,a0,a1,a2");
    if (options.format == ExportFormat::Octave)
        lines.push_back("sos: one section per row [b0 b1 b2 a0 a1 a2]; g: overall gain");
    if (options.format == ExportFormat::Python)
        lines.push_back("sos: one section per row [b0, b1, b2, a0, a1, a2] (scipy.signal)");
    if (lattice && cascade.normalised)
        lines.push_back(std::string("gain: the whole filter scaled so that ") +
                        (filter.scaling == Scaling::Peak ? "its largest gain over frequency is 1"
                         : filter.scaling == Scaling::L1 ? "its impulse response has L1 norm 1"
                                                         : "its impulse response has L2 norm 1"));
    else if (filter.scaling == Scaling::Peak && cascade.normalised)
        lines.push_back("gain: normalised, largest gain over frequency 1; section k is scaled "
                        "so that sections 1..k together peak at 1");
    else if (filter.scaling != Scaling::None && cascade.normalised)
        lines.push_back(std::string("gain: scaled so that the impulse response from the input "
                                    "to each section's output has ") +
                        (filter.scaling == Scaling::L1 ? "L1" : "L2") + " norm 1");
    else
        lines.push_back("gain: as in the parameter file (not normalised)");
    if (filter.sectionOrder != SectionOrder::File && !lattice &&
        !(options.format == ExportFormat::C && fixedPointType(options.type) &&
          filter.sectionOrder == SectionOrder::Ascending))
        lines.push_back(std::string("sections in order of pole radius, the most resonant ") +
                        (filter.sectionOrder == SectionOrder::Ascending ? "last" : "first"));
    if (options.format == ExportFormat::C) {
        const std::string t = cTypeName(options.type);
        if (!fixedPointType(options.type)) {
            lines.push_back("samples and coefficients: " + t +
                            "; each section in transposed direct form II");
            if (options.type == SampleType::FloatFma)
                lines.push_back("fused multiply-adds: y = fmaf(b0, x, s0), "
                                "s0 = fmaf(b1, x, fmaf(-a1, y, s1)), s1 = fmaf(b2, x, -(a2 y))");
            if (options.type == SampleType::Float)
                lines.push_back(
                    "compile with -ffp-contract=off (GCC, Clang; ISO -std=c99 implies it "
                    "in GCC): a compiler that fuses multiply-adds gives other last bits; "
                    "--type float-fma fuses them itself");
        } else {
            const bool q15 = options.type == SampleType::Q15;
            if (filter.sectionOrder == SectionOrder::Ascending)
                lines.push_back("sections in order of pole radius, the most resonant last");
            lines.push_back("samples: " + t +
                            (q15 ? ", q15 (value / 32768)" : ", q31 (value / 2^31)") +
                            "; each section in direct form I");
            lines.push_back("coefficients: int32_t b0, b1, b2, a1, a2 of section k as "
                            "round(c * 2^(31 - shift[k])),");
            lines.push_back("  shift[k] the smallest s >= 0 with "
                            "(|b0|+|b1|+|b2|+|a1|+|a2|) * 2^(31 - s) + 3 < 2^31");
            lines.push_back("accumulator: int64_t, acc = b0 x[n] + b1 x[n-1] + b2 x[n-2] "
                            "- a1 y[n-1] - a2 y[n-2], exact");
            lines.push_back(std::string("output of a section: floor((acc + 2^(30 - shift)) / "
                                        "2^(31 - shift)) (nearest, halves up), saturated to ") +
                            (q15 ? "[-32768, 32767]" : "[-2^31, 2^31 - 1]") +
                            "; it is the next section's input");
            if (!cascade.normalised)
                lines.push_back("NOTE: not normalised (--normalise): outputs beyond full scale "
                                "saturate");
            if (filter.sectionOrder == SectionOrder::File)
                lines.push_back("sections in the file's order");
        }
    }
    for (const CascadeWarning& w : cascade.warnings)
        lines.push_back("WARNING: " + w.note);
    return lines;
}

} // namespace zorkan
