// The export formats: comment header, numbers with 17 significant digits, and C code
// in floating point (transposed direct form II) and fixed point (direct form I).
#include "export/formats.h"

#include "export/cmsis.h"
#include "export/testvectors.h"

#include "common/errors.h"
#include "common/replacefile.h"
#include "fixedpoint/implementation.h"
#include "fixedpoint/report.h"
#include "zorkanconfig.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>

namespace zorkan {

namespace {

// Seventeen significant digits, enough to give back the same double in any reader.
std::string exactNumber(double v) {
    if (v == 0)
        v = 0; // no "-0"
    return formatRoundTrip(v, RoundTripForm::Scientific);
}

std::string floatLiteral(double v) {
    if (std::abs(v) > std::numeric_limits<float>::max())
        throw UserMessage("Коэффициент " + exactNumber(v) + " не помещается в тип float");
    float f = static_cast<float>(v);
    if (f == 0)
        f = 0;
    char text[40];
    const auto r = std::to_chars(text, text + sizeof text, f, std::chars_format::scientific, 8);
    return std::string(text, r.ptr) + "f";
}

// Printable ASCII only, and nothing that could end a C comment.
std::string asciiName(const std::string& name) {
    std::string out;
    for (char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        out += (c >= 0x20 && c < 0x7f && ch != '*') ? ch : '?';
    }
    return out;
}

const char* kindName(FilterKind kind) {
    switch (kind) {
    case lowPass:
        return "low-pass";
    case highPass:
        return "high-pass";
    case bandPass:
        return "band-pass";
    default:
        return "unknown kind, second-order sections";
    }
}

const char* typeName(SampleType t) {
    switch (t) {
    case SampleType::Double:
        return "double";
    case SampleType::Float:
    case SampleType::FloatFma:
        return "float";
    case SampleType::Q15:
        return "int16_t";
    case SampleType::Q31:
        return "int32_t";
    case SampleType::F32:
        return "float32_t";
    }
    return "double";
}

bool fixedPoint(SampleType t) {
    return t == SampleType::Q15 || t == SampleType::Q31;
}

std::string sectionList(const std::vector<std::size_t>& sections) {
    std::string out;
    for (std::size_t k : sections)
        out += (out.empty() ? "" : ", ") + std::to_string(k);
    return out;
}

std::vector<std::string> headerLines(const ExportedFilter& filter, const ExportOptions& options) {
    static const char* const formatNames[] = {
        "second-order sections, CSV", "second-order sections, Octave/MATLAB",
        "second-order sections, Python/NumPy", "C99", "CMSIS-DSP biquad cascade, C99"};
    const SecondOrderCascade& cascade = filter.cascade;
    std::vector<std::string> lines;
    lines.push_back(std::string("ZORKAN ") + ZORKAN_VERSION +
                    " filter export: " + formatNames[static_cast<int>(options.format)]);
    lines.push_back("source: " + asciiName(options.sourceName));
    lines.push_back(std::string("kind: ") + kindName(cascade.kind) + " (" +
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
    if (filter.scaling == Scaling::Peak && cascade.normalised)
        lines.push_back("gain: normalised, largest gain over frequency 1; section k is scaled "
                        "so that sections 1..k together peak at 1");
    else if (filter.scaling != Scaling::None && cascade.normalised)
        lines.push_back(std::string("gain: scaled so that the impulse response from the input "
                                    "to each section's output has ") +
                        (filter.scaling == Scaling::L1 ? "L1" : "L2") + " norm 1");
    else
        lines.push_back("gain: as in the parameter file (not normalised)");
    if (filter.sectionOrder != SectionOrder::file &&
        !(options.format == ExportFormat::C && fixedPoint(options.type) &&
          filter.sectionOrder == SectionOrder::ascending))
        lines.push_back(std::string("sections in order of pole radius, the most resonant ") +
                        (filter.sectionOrder == SectionOrder::ascending ? "last" : "first"));
    if (options.format == ExportFormat::C) {
        const std::string t = typeName(options.type);
        if (!fixedPoint(options.type)) {
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
            if (filter.sectionOrder == SectionOrder::ascending)
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
            if (filter.sectionOrder == SectionOrder::file)
                lines.push_back("sections in the file's order");
        }
    }
    for (const CascadeWarning& w : cascade.warnings)
        lines.push_back("WARNING: " + w.note);
    return lines;
}

std::string commented(const std::vector<std::string>& lines, const char* mark) {
    std::string out;
    for (const std::string& l : lines)
        out += std::string(mark) + " " + l + "\n";
    return out;
}

std::string csvText(const ExportedFilter& f, const ExportOptions& o) {
    std::string out = commented(headerLines(f, o), "#");
    for (const SecondOrderSection& s : f.cascade.sections) {
        out += exactNumber(s.num[0]) + "," + exactNumber(s.num[1]) + "," + exactNumber(s.num[2]) +
               "," + exactNumber(s.den[0]) + "," + exactNumber(s.den[1]) + "," +
               exactNumber(s.den[2]) + "\n";
    }
    return out;
}

std::string row(const SecondOrderSection& s, const char* separator) {
    const double v[6] = {s.num[0], s.num[1], s.num[2], s.den[0], s.den[1], s.den[2]};
    std::string out;
    for (int i = 0; i < 6; ++i)
        out += (i ? separator : "") + exactNumber(v[i]);
    return out;
}

std::string octaveText(const ExportedFilter& f, const ExportOptions& o) {
    std::string out = commented(headerLines(f, o), "%");
    out += "sos = [\n";
    for (const SecondOrderSection& s : f.cascade.sections)
        out += "  " + row(s, ", ") + ";\n";
    out += "];\ng = 1;\n";
    return out;
}

std::string pythonText(const ExportedFilter& f, const ExportOptions& o) {
    std::string out = commented(headerLines(f, o), "#");
    out += "import numpy as np\n\nsos = np.array([\n";
    for (const SecondOrderSection& s : f.cascade.sections)
        out += "    [" + row(s, ", ") + "],\n";
    out += "])\n";
    return out;
}

bool validIdentifier(const std::string& name) {
    if (name.empty() || name.size() > 64 || (name[0] >= '0' && name[0] <= '9'))
        return false;
    for (char ch : name) {
        const bool ok = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                        (ch >= '0' && ch <= '9') || ch == '_';
        if (!ok)
            return false;
    }
    return true;
}

std::string upper(std::string s) {
    for (char& ch : s)
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
    return s;
}

// The pieces of the C code for one filter.
struct CCode {
    std::string comment;      // the header comment
    std::string declarations; // includes, the section count, the state type
    std::string prototypes;
    std::string helpers;     // rounding and saturation of fixed point
    std::string definitions; // reset, step, block
};

std::string sectionCount(const ExportOptions& o) {
    return upper(o.prefix) + "_SECTIONS";
}

std::string cDeclarations(const SecondOrderCascade& cascade, const ExportOptions& o) {
    const std::string count = sectionCount(o);
    const std::string t = typeName(o.type);
    const bool fixed = fixedPoint(o.type);
    std::string d = "#include <stddef.h>\n";
    if (fixed)
        d += "#include <stdint.h>\n";
    if (o.type == SampleType::FloatFma)
        d += "#include <math.h>\n";
    d += "\n#define " + count + " " + std::to_string(cascade.sections.size()) + "\n\n";
    d += "/* The filter's memory; set it with " + o.prefix + "_reset before the first sample. */\n";
    d += "typedef struct {\n";
    if (fixed)
        d += "    " + t + " x[" + count + "][2]; /* x[n-1], x[n-2] of each section */\n    " + t +
             " y[" + count + "][2]; /* y[n-1], y[n-2] of each section */\n";
    else
        d += "    " + t + " s[" + count + "][2];\n";
    d += "} " + o.prefix + "_state;\n";
    return d;
}

std::string cPrototypes(const ExportOptions& o) {
    const std::string& p = o.prefix;
    const std::string t = typeName(o.type);
    return "void " + p + "_reset(" + p + "_state* state);\n" + t + " " + p + "_step(" + p +
           "_state* state, " + t + " x);\n" + "void " + p + "_block(" + p +
           "_state* state, const " + t + "* in, " + t + "* out, size_t n);\n";
}

// `fn` is the linkage of the functions with its blank, or nothing.
std::string cReset(const ExportOptions& o, const std::string& fn) {
    const std::string& p = o.prefix;
    std::string c = fn + "void " + p + "_reset(" + p + "_state* state) {\n    size_t k;\n";
    c += "    for (k = 0; k < " + sectionCount(o) + "; ++k) {\n";
    if (fixedPoint(o.type))
        c += "        state->x[k][0] = 0;\n        state->x[k][1] = 0;\n"
             "        state->y[k][0] = 0;\n        state->y[k][1] = 0;\n";
    else
        c += "        state->s[k][0] = 0;\n        state->s[k][1] = 0;\n";
    return c + "    }\n}\n\n";
}

std::string cBlock(const ExportOptions& o, const std::string& fn) {
    const std::string& p = o.prefix;
    const std::string t = typeName(o.type);
    return fn + "void " + p + "_block(" + p + "_state* state, const " + t + "* in, " + t +
           "* out, size_t n) {\n    size_t i;\n" +
           "    for (i = 0; i < n; ++i)\n        out[i] = " + p + "_step(state, in[i]);\n}\n";
}

// The step of double and float code: transposed direct form II.
std::string floatingStep(const SecondOrderCascade& cascade, const ExportOptions& o,
                         const std::string& fn) {
    const std::string& p = o.prefix;
    const std::string count = sectionCount(o);
    const std::string t = typeName(o.type);
    const bool single = o.type == SampleType::Float || o.type == SampleType::FloatFma;
    std::string c = fn + t + " " + p + "_step(" + p + "_state* state, " + t + " x) {\n";
    c += "    /* b0, b1, b2, a1, a2 of each section (a0 = 1) */\n";
    c += "    static const " + t + " coefficients[" + count + "][5] = {\n";
    for (const SecondOrderSection& s : cascade.sections) {
        const double v[5] = {s.num[0], s.num[1], s.num[2], s.den[1], s.den[2]};
        c += "        {";
        for (int i = 0; i < 5; ++i)
            c += (i ? ", " : "") + (single ? floatLiteral(v[i]) : exactNumber(v[i]));
        c += "},\n";
    }
    c += "    };\n    size_t k;\n";
    c += "    for (k = 0; k < " + count + "; ++k) {\n";
    c += "        const " + t + "* c = coefficients[k];\n";
    c += "        " + t + "* s = state->s[k];\n";
    if (o.type == SampleType::FloatFma) {
        c += "        const " + t + " y = fmaf(c[0], x, s[0]);\n";
        c += "        s[0] = fmaf(c[1], x, fmaf(-c[3], y, s[1]));\n";
        c += "        s[1] = fmaf(c[2], x, -(c[4] * y));\n";
    } else {
        c += "        const " + t + " y = c[0] * x + s[0];\n";
        c += "        s[0] = c[1] * x - c[3] * y + s[1];\n";
        c += "        s[1] = c[2] * x - c[4] * y;\n";
    }
    c += "        x = y;\n    }\n    return x;\n}\n\n";
    return c;
}

// Rounding and saturation of q15 and q31; `linkage` goes before each.
std::string fixedHelpers(const ExportOptions& o, const std::string& linkage) {
    const std::string& p = o.prefix;
    const std::string t = typeName(o.type);
    const std::string hn = linkage + " ";
    const char* top = o.type == SampleType::Q15 ? "INT16_MAX" : "INT32_MAX";
    const char* bottom = o.type == SampleType::Q15 ? "INT16_MIN" : "INT32_MIN";
    std::string hc = "/* floor((acc + 2^(f-1)) / 2^f) without shifting a negative number */\n";
    hc += hn + "int64_t " + p + "_round_shift(int64_t acc, int f) {\n";
    hc += "    const int64_t q = acc + ((int64_t)1 << (f - 1));\n";
    hc += "    if (q >= 0)\n        return q >> f;\n";
    hc += "    return -((-q + (((int64_t)1 << f) - 1)) >> f);\n}\n\n";
    hc += hn + t + " " + p + "_saturate(int64_t v) {\n";
    hc += std::string("    if (v > ") + top + ")\n        return " + top + ";\n";
    hc += std::string("    if (v < ") + bottom + ")\n        return " + bottom + ";\n";
    hc += "    return (" + t + ")v;\n}\n\n";
    return hc;
}

// The step of q15 and q31 code: direct form I on scaled integer coefficients.
std::string fixedStep(const SecondOrderCascade& cascade, const ExportOptions& o,
                      const std::string& fn) {
    const std::string& p = o.prefix;
    const std::string count = sectionCount(o);
    const std::string t = typeName(o.type);
    std::string c = fn + t + " " + p + "_step(" + p + "_state* state, " + t + " x) {\n";
    c += "    /* b0, b1, b2, a1, a2 of each section, scaled by 2^(31 - shift) */\n";
    c += "    static const int32_t coefficients[" + count + "][5] = {\n";
    std::string shifts;
    for (std::size_t k = 0; k < cascade.sections.size(); ++k) {
        const FixedSection f = fixedSection(cascade.sections[k], k);
        c += "        {";
        for (int i = 0; i < 5; ++i)
            c += (i ? ", " : "") + std::to_string(f.c[i]);
        c += "},\n";
        shifts += (k ? ", " : "") + std::to_string(f.shift);
    }
    c += "    };\n";
    c += "    static const int shifts[" + count + "] = {" + shifts + "};\n";
    c += "    size_t k;\n";
    c += "    for (k = 0; k < " + count + "; ++k) {\n";
    c += "        const int32_t* c = coefficients[k];\n";
    c += "        " + t + "* xs = state->x[k];\n";
    c += "        " + t + "* ys = state->y[k];\n";
    c += "        const int64_t acc = (int64_t)c[0] * x + (int64_t)c[1] * xs[0] + "
         "(int64_t)c[2] * xs[1] -\n";
    c += "                            (int64_t)c[3] * ys[0] - (int64_t)c[4] * ys[1];\n";
    c += "        const " + t + " y = " + p + "_saturate(" + p +
         "_round_shift(acc, 31 - shifts[k]));\n";
    c += "        xs[1] = xs[0];\n        xs[0] = x;\n        ys[1] = ys[0];\n"
         "        ys[0] = y;\n        x = y;\n";
    c += "    }\n    return x;\n}\n\n";
    return c;
}

// `helperLinkage` and `linkage` go before the helpers and before the three functions.
CCode cCode(const ExportedFilter& filter, const ExportOptions& o, const std::string& helperLinkage,
            const std::string& linkage) {
    if (!validIdentifier(o.prefix))
        throw UserMessage("Имя фильтра для языка C '" + o.prefix +
                          "' должно состоять из латинских букв, цифр и '_' и не начинаться с "
                          "цифры");
    const SecondOrderCascade& cascade = filter.cascade;
    const std::string fn = linkage.empty() ? "" : linkage + " ";
    CCode code;
    code.comment = "/*\n" + commented(headerLines(filter, o), " *") + " */\n";
    code.declarations = cDeclarations(cascade, o);
    code.prototypes = cPrototypes(o);
    if (fixedPoint(o.type)) {
        code.helpers = fixedHelpers(o, helperLinkage);
        code.definitions = cReset(o, fn) + fixedStep(cascade, o, fn) + cBlock(o, fn);
    } else {
        code.definitions = cReset(o, fn) + floatingStep(cascade, o, fn) + cBlock(o, fn);
    }
    return code;
}

std::string guardName(const ExportOptions& o) {
    return upper(o.prefix) + "_H";
}

std::string cOneHeader(const ExportedFilter& filter, const ExportOptions& o) {
    const CCode code = cCode(filter, o, "static inline", "static inline");
    const std::string guard = guardName(o);
    return code.comment + "#ifndef " + guard + "\n#define " + guard + "\n\n" + code.declarations +
           "\n" + code.helpers + code.definitions + "\n#endif\n";
}

std::string baseName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

} // namespace

ExportFormat parseExportFormat(const std::string& text) {
    if (text == "sos-csv")
        return ExportFormat::SosCsv;
    if (text == "octave")
        return ExportFormat::Octave;
    if (text == "python")
        return ExportFormat::Python;
    if (text == "c")
        return ExportFormat::C;
    if (text == "cmsis")
        return ExportFormat::Cmsis;
    throw UserMessage("Неизвестный формат '" + text +
                      "': допустимы sos-csv, octave, python, c, cmsis, verilog");
}

SampleType parseSampleType(const std::string& text) {
    if (text == "double")
        return SampleType::Double;
    if (text == "float")
        return SampleType::Float;
    if (text == "float-fma")
        return SampleType::FloatFma;
    if (text == "q15")
        return SampleType::Q15;
    if (text == "q31")
        return SampleType::Q31;
    if (text == "f32")
        return SampleType::F32;
    throw UserMessage("Неизвестный тип чисел '" + text +
                      "': допустимы double, float, float-fma, q15, q31, f32");
}

std::string exportExtension(ExportFormat format) {
    switch (format) {
    case ExportFormat::SosCsv:
        return ".csv";
    case ExportFormat::Octave:
        return ".m";
    case ExportFormat::Python:
        return ".py";
    case ExportFormat::C:
    case ExportFormat::Cmsis:
        return ".c";
    }
    return ".csv";
}

FixedSection fixedSection(const SecondOrderSection& s, std::size_t index) {
    const FixedCoefficients q = quantiseCoefficients(s, 32, index);
    FixedSection f;
    for (int i = 0; i < 5; ++i)
        f.c[i] = static_cast<std::int32_t>(q.c[i]);
    f.shift = q.shift;
    return f;
}

namespace {

Target targetOf(SampleType type) {
    switch (type) {
    case SampleType::Float:
        return Target::Float;
    case SampleType::FloatFma:
        return Target::FloatFma;
    case SampleType::Q15:
        return Target::Q15;
    case SampleType::Q31:
        return Target::Q31;
    case SampleType::F32:
    case SampleType::Double:
        break;
    }
    return Target::Double;
}

Target cmsisTargetOf(SampleType type) {
    return type == SampleType::Q15   ? Target::CmsisQ15
           : type == SampleType::Q31 ? Target::CmsisQ31
                                     : Target::CmsisF32;
}

// The implementation the exported arithmetic realises: its target, scaling and order.
ImplementationOptions implementationOptions(const ExportOptions& options,
                                            const ExportedFilter& filter) {
    ImplementationOptions io;
    io.arithmetic.target = exportTarget(options);
    io.scaling = filter.scaling;
    io.order = filter.sectionOrder;
    return io;
}

} // namespace

std::vector<CascadeWarning> implementationWarnings(const FilterCoefficients& file,
                                                   const ImplementationOptions& io) {
    std::vector<CascadeWarning> warnings;
    ReportOptions ro;
    ro.limitCycleTrials = 20;
    ro.limitCycleSamples = 2048;
    ImplementationFigures f;
    try {
        f = implementationFigures(file, io, ro);
    } catch (const UserMessage&) {
        return warnings; // the export itself says what does not fit
    }
    const double snr = f.analyticNoise ? f.snrAnalyticDb : f.snrSimulatedDb;
    if ((f.analyticNoise || f.simulatedNoise) && snr < 40) {
        char text[64];
        std::snprintf(text, sizeof text, "%.1f", snr);
        warnings.push_back(
            {std::string("отношение сигнал/шум реализации ") + text +
                 " dB, меньше 40 dB (zorkan-cli implement показывает подробности)",
             std::string("the simulated signal-to-noise ratio of this implementation is ") + text +
                 " dB, below 40 dB (see zorkan-cli implement)"});
    }
    // Floating point has no full scale to overflow.
    if (fixedPointTarget(io.arithmetic.target) && f.normsBounded && f.overflowPossible)
        warnings.push_back(
            {"выход секции " + std::to_string(f.worstSection) +
                 " может переполниться при входе в пределах полной шкалы (норма L1 больше 1; "
                 "--scale l1 это исключает)",
             "a full-scale input can overflow the output of section " +
                 std::to_string(f.worstSection) + " (L1 gain above 1; --scale l1 prevents it)"});
    if (f.limitCycle.found) {
        char text[96];
        std::snprintf(text, sizeof text, "%.0f, period %d", f.limitCycle.amplitude,
                      f.limitCycle.period);
        warnings.push_back(
            {"при нулевом входе найден предельный цикл: амплитуда " +
                 std::to_string(static_cast<long long>(f.limitCycle.amplitude)) +
                 " младших разрядов, период " + std::to_string(f.limitCycle.period) + " отсчетов",
             std::string("a limit cycle at zero input: amplitude (last bits) ") + text});
    }
    return warnings;
}

Target exportTarget(const ExportOptions& options) {
    return options.format == ExportFormat::Cmsis ? cmsisTargetOf(options.type)
                                                 : targetOf(options.type);
}

std::vector<std::string> exportHeaderLines(const ExportedFilter& filter,
                                           const ExportOptions& options) {
    return headerLines(filter, options);
}

ExportedFilter exportedFilter(const FilterCoefficients& file, const ExportOptions& options) {
    ExportedFilter filter;
    filter.order = filterOrder(file);
    // A B0 of 0 is taken as 1 and has a warning of its own.
    for (std::size_t k = 0; k < file.sections.size(); ++k)
        if (file.sections[k].b[0] != 1 && file.sections[k].b[0] != 0)
            filter.scaledSections.push_back(k + 1);
    const bool cmsis = options.format == ExportFormat::Cmsis;
    if (cmsis && options.type != SampleType::Q15 && options.type != SampleType::Q31 &&
        options.type != SampleType::F32)
        throw UserMessage("Формат cmsis принимает тип q15, q31 или f32");
    if (!cmsis && options.type == SampleType::F32)
        throw UserMessage("Тип f32 относится только к формату cmsis");
    if (options.testVectors < 0 || options.testVectors > maximumTestVectors)
        throw UserMessage("Число отсчетов тестовых векторов должно быть от 1 до " +
                          std::to_string(maximumTestVectors));
    if (options.testVectors > 0 && options.format != ExportFormat::C && !cmsis)
        throw UserMessage(
            "Тестовые векторы (--test-vectors) пишутся только для форматов c, cmsis и verilog");
    const bool fixed = cmsis || (options.format == ExportFormat::C && fixedPoint(options.type));
    if (options.normalise && options.scaling && *options.scaling != Scaling::Peak)
        throw UserMessage("Нормирование (--normalise) - это масштабирование peak; "
                          "укажите одно из двух");
    filter.scaling = options.scaling.value_or(options.normalise ? Scaling::Peak : Scaling::None);
    filter.sectionOrder =
        options.order.value_or(fixed ? SectionOrder::ascending : SectionOrder::file);
    if ((cmsis || (options.format == ExportFormat::C && options.type != SampleType::Double)) &&
        !file.sections.empty()) {
        // The cascade the implementation realises, with its coefficients as the
        // simulation holds them, and what the simulation finds.
        auto im =
            std::make_shared<Implementation>(realise(file, implementationOptions(options, filter)));
        filter.cascade = im->cascade;
        filter.implementation = std::move(im);
        for (CascadeWarning& w :
             implementationWarnings(file, implementationOptions(options, filter)))
            filter.cascade.warnings.push_back(std::move(w));
    } else if (cmsis) {
        throw UserMessage("В файле фильтра нет ни одной секции: экспортировать нечего");
    } else {
        filter.cascade = realisedCascade(file, filter.scaling, filter.sectionOrder);
        if (options.format == ExportFormat::C && !file.sections.empty())
            filter.implementation = std::make_shared<Implementation>(
                realise(file, implementationOptions(options, filter)));
    }
    return filter;
}

ExportedFilter exportedFilter(const std::string& sourcePath, const ExportOptions& options) {
    return exportedFilter(readFilterFile(sourcePath, responseReader), options);
}

std::string exportText(const ExportedFilter& filter, const ExportOptions& options) {
    switch (options.format) {
    case ExportFormat::SosCsv:
        return csvText(filter, options);
    case ExportFormat::Octave:
        return octaveText(filter, options);
    case ExportFormat::Python:
        return pythonText(filter, options);
    case ExportFormat::C:
        return cOneHeader(filter, options);
    case ExportFormat::Cmsis:
        break;
    }
    throw UserMessage("Код CMSIS-DSP записывается в файлы: укажите --output");
}

CSources exportCSources(const ExportedFilter& filter, const ExportOptions& options,
                        const std::string& headerName) {
    const CCode code = cCode(filter, options, "static", "");
    const std::string guard = guardName(options);
    CSources s;
    s.header = code.comment + "#ifndef " + guard + "\n#define " + guard + "\n\n" +
               code.declarations + "\n#ifdef __cplusplus\nextern \"C\" {\n#endif\n\n" +
               code.prototypes + "\n#ifdef __cplusplus\n}\n#endif\n\n#endif\n";
    s.source = code.comment + "#include \"" + asciiName(headerName) + "\"\n\n" + code.helpers +
               code.definitions;
    return s;
}

std::vector<std::string> exportFiles(const std::string& outputPath, const ExportOptions& options) {
    const auto endsWith = [&](const std::string& tail) {
        return outputPath.size() > tail.size() &&
               outputPath.compare(outputPath.size() - tail.size(), tail.size(), tail) == 0;
    };
    const bool c = options.format == ExportFormat::C;
    const bool cmsis = options.format == ExportFormat::Cmsis;
    const bool vectors = options.testVectors > 0 && (c || cmsis);
    std::vector<std::string> files;
    if (!cmsis && (!c || endsWith(".h"))) {
        files = {outputPath};
    } else {
        const std::string stem = endsWith(".c") || (cmsis && endsWith(".h"))
                                     ? outputPath.substr(0, outputPath.size() - 2)
                                     : outputPath;
        files = {stem + ".h", stem + ".c"};
    }
    if (vectors) {
        const std::string& last = files.back();
        files.push_back(last.substr(0, last.size() - 2) + "_test.c");
    }
    return files;
}

std::vector<ExportFile> exportFileTexts(const ExportedFilter& filter, const std::string& outputPath,
                                        const ExportOptions& options) {
    const std::vector<std::string> files = exportFiles(outputPath, options);
    const bool vectors = options.testVectors > 0 && (options.format == ExportFormat::C ||
                                                     options.format == ExportFormat::Cmsis);
    std::vector<ExportFile> out;
    if (files.size() == 1 + (vectors ? 1 : 0)) {
        out.push_back({files[0], exportText(filter, options)});
    } else {
        CSources sources = options.format == ExportFormat::Cmsis
                               ? cmsisSources(filter, options, baseName(files[0]))
                               : exportCSources(filter, options, baseName(files[0]));
        out.push_back({files[0], std::move(sources.header)});
        out.push_back({files[1], std::move(sources.source)});
    }
    if (vectors)
        out.push_back({files.back(), testVectorsSource(filter, options, baseName(files[0]))});
    return out;
}

void checkExportOutputs(const std::string& sourcePath, const std::vector<std::string>& files) {
    for (const std::string& file : files)
        if (sameFile(sourcePath, file))
            throw UserMessage("Выходной файл " + baseName(file) +
                              " совпадает с файлом фильтра: выберите другое имя");
}

ExportResult exportFilter(const std::string& sourcePath, const std::string& outputPath,
                          ExportOptions options) {
    if (options.sourceName.empty())
        options.sourceName = baseName(sourcePath);
    checkExportOutputs(sourcePath, exportFiles(outputPath, options));
    ExportResult result;
    result.filter = exportedFilter(sourcePath, options);
    std::vector<std::pair<std::string, std::string>> files;
    for (ExportFile& f : exportFileTexts(result.filter, outputPath, options)) {
        result.files.push_back(f.path);
        files.emplace_back(f.path, std::move(f.text));
    }
    writeFilesSafely(files);
    return result;
}

} // namespace zorkan
