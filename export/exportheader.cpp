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

// What a section computes in each structure, in the order of Structure.
const char* const structureFormulas[] = {
    "direct form I: y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2; stored x1, x2, y1, y2",
    "direct form II: w = g x - a1 w1 - a2 w2, y = c (b0 w + b1 w1 + b2 w2); stored w1, w2",
    "transposed direct form II: y = b0 x + s0, s0 = b1 x - a1 y + s1, s1 = b2 x - a2 y; "
    "stored s0, s1",
    "direct form I with error feedback: y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2 - r1 e1 - r2 "
    "e2, e the residue of the rounding of y, r1 = round(a1), r2 = round(a2); stored x1, x2, "
    "y1, y2, e1, e2",
    "normal form: y = c (d g x + c1 s1 + c2 s2), s1 = alpha s1 - beta s2 + g b1 x, s2 = beta "
    "s1 + alpha s2 + g b2 x, poles alpha +- j beta; stored s1, s2",
    "lattice-ladder (Gray and Markel): f1 = g x - k2 s1, f0 = f1 - k1 s0, g1 = k1 f0 + s0, "
    "g2 = k2 f1 + s1, y = c (v0 f0 + v1 g1 + v2 g2); stored s0 = f0, s1 = g1",
    "optimal state space (balanced, rotated by 45 degrees): y = c (d g x + C s), "
    "s = A s + g B x; stored s1, s2"};

// A long text as lines of at most `width` characters, broken at blanks, the later lines
// indented by two blanks.
std::vector<std::string> wrapped(const std::string& text, std::size_t width) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(at, end - at);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            lines.push_back(line);
            line.assign(1, ' ');
        }
        // Appended piece by piece: g++ 12 at -O3 sees a false overlap in literal + temporary.
        if (!line.empty())
            line += ' ';
        line += word;
        at = end + 1;
    }
    lines.push_back(line);
    return lines;
}

std::string plural(int n, const std::string& word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

} // namespace

std::vector<std::string> structureLines(const Implementation& im) {
    const StructureCost cost = implementationCost(im);
    constexpr std::size_t width = 92;
    std::vector<std::string> lines = wrapped("structure: " + structureName(im.structure) + ", " +
                                                 structureFormulas[static_cast<int>(im.structure)],
                                             width);
    lines.push_back("cost per sample: " + plural(cost.multiplications, "multiplication") + ", " +
                    plural(cost.additions, "addition") + ", " +
                    plural(cost.stateWords, "state word") + ", " +
                    plural(cost.coefWords, "coefficient word"));
    return lines;
}

std::vector<std::string> programArithmeticLines(const Implementation& im, const std::string& word,
                                                int sumBits) {
    const Arithmetic& a = im.options.arithmetic;
    std::vector<std::string> l;
    l.push_back("each section computes its nodes in order; a node is one sum of products of a "
                "coefficient");
    l.push_back("  and a value already known: the section's input x, a stored value or an "
                "earlier node");
    if (fixedPointTarget(a.target)) {
        const std::string w = std::to_string(a.dataBits);
        const bool nearest = a.rounding == Rounding::Nearest;
        l.push_back("data: " + word + ", " + w +
                    "-bit two's complement fractions of full scale "
                    "(value * 2^" +
                    std::to_string(a.dataBits - 1) + ")");
        l.push_back("coefficients: integers of " + std::to_string(a.coefBits) +
                    " bits in units of 2^-f, f the node's fraction bits: its coefficients "
                    "rounded to nearest,");
        l.push_back("  f = " + std::to_string(a.coefBits - 1) +
                    " - s, s the smallest shift >= 0 with (sum of |c|) * 2^f + (terms + 1) / 2 "
                    "< 2^" +
                    std::to_string(a.coefBits - 1));
        l.push_back("sum: exact (" + std::to_string(sumBits) +
                    " bits), then rounded once to the data word, " +
                    std::string(nearest ? "floor((acc + 2^(f-1)) / 2^f) (nearest, halves up)"
                                        : "floor(acc / 2^f) (truncate)") +
                    ",");
        l.push_back("  then " +
                    (a.overflow == Overflow::Saturate
                         ? "saturated to [-2^" + std::to_string(a.dataBits - 1) + ", 2^" +
                               std::to_string(a.dataBits - 1) + " - 1]"
                         : "wrapped modulo 2^" + w + " (two's complement)") +
                    ": every node is a stored data word");
        if (im.structure == Structure::ErrorFeedback)
            l.push_back("error feedback: acc -= r1 e1 + r2 e2 before the rounding; the residue "
                        "e = acc - rounded * 2^f is kept exactly");
    } else {
        const bool single = a.target != Target::Double;
        l.push_back(std::string("samples, coefficients and nodes: ") + word +
                    "; each product and each sum rounded to " + word);
        if (a.target == Target::FloatFma)
            l.push_back("a node's sum: acc = the last product, then acc = fmaf(c, v, acc) for "
                        "each earlier term back to the first");
        else
            l.push_back("a node's sum: term after term from the first, acc = acc + c v");
        if (single && a.target != Target::FloatFma)
            l.push_back("compile with -ffp-contract=off (GCC, Clang; ISO -std=c99 implies it "
                        "in GCC): a compiler that fuses multiply-adds gives other last bits");
    }
    l.push_back("after the nodes every stored value takes its new value at once; the output node "
                "is the next section's input");
    return l;
}

std::string implementCommand(const Implementation& im, const std::string& source) {
    const Arithmetic& a = im.options.arithmetic;
    std::string c = "zorkan-cli implement " + source + " --target " + targetName(a.target);
    if (a.target == Target::Fixed)
        c += " --data-bits " + std::to_string(a.dataBits) + " --coef-bits " +
             std::to_string(a.coefBits) + " --round " +
             (a.rounding == Rounding::Nearest ? "nearest" : "truncate") + " --overflow " +
             (a.overflow == Overflow::Saturate ? "saturate" : "wrap");
    if (im.options.structure)
        c += " --structure " + structureName(*im.options.structure);
    return c + " --scale " + scalingName(im.options.scaling) + " --order " +
           orderName(im.options.order) + " --simulate";
}

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
    const Implementation* im = filter.implementation.get();
    const bool programs = im && !im->programs.empty();
    if (filter.sectionOrder != SectionOrder::File && !lattice &&
        !(options.format == ExportFormat::C && fixedPointType(options.type) &&
          filter.sectionOrder == SectionOrder::Ascending && !programs))
        lines.push_back(std::string("sections in order of pole radius, the most resonant ") +
                        (filter.sectionOrder == SectionOrder::Ascending ? "last" : "first"));
    if ((options.format == ExportFormat::C || options.format == ExportFormat::Cmsis) && im &&
        im->options.structure)
        for (std::string& line : structureLines(*im))
            lines.push_back(std::move(line));
    if (options.format == ExportFormat::C && programs) {
        for (std::string& line : programArithmeticLines(*im, cTypeName(options.type), 64))
            lines.push_back(std::move(line));
        if (fixedPointType(options.type) && !cascade.normalised)
            lines.push_back("NOTE: not scaled (--scale): nodes beyond full scale saturate");
        lines.push_back("the same outputs as " +
                        implementCommand(*im, printableAscii(options.sourceName, "*")));
    } else if (options.format == ExportFormat::C) {
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
