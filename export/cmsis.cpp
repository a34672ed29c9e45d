// The CMSIS-DSP export: the library's df1 q15/q31 and df2T f32 biquad kernels, and its
// IIR lattice kernels for the whole filter.
#include "export/cmsis.h"

#include "export/exportheader.h"
#include "export/exporttext.h"

#include "common/errors.h"

namespace zorkan {

namespace {

// What differs between the three kernels.
struct Kernel {
    const char* sample;   // q15_t, q31_t, float32_t
    const char* instance; // the instance's type
    const char* init;
    const char* run;
    int perStage;      // coefficients per stage
    int statePerStage; // state values per stage
    bool fixed;
};

Kernel kernelOf(SampleType type) {
    switch (type) {
    case SampleType::Q15:
        return {"q15_t",
                "arm_biquad_casd_df1_inst_q15",
                "arm_biquad_cascade_df1_init_q15",
                "arm_biquad_cascade_df1_q15",
                6,
                4,
                true};
    case SampleType::Q31:
        return {"q31_t",
                "arm_biquad_casd_df1_inst_q31",
                "arm_biquad_cascade_df1_init_q31",
                "arm_biquad_cascade_df1_q31",
                5,
                4,
                true};
    default:
        break;
    }
    return {"float32_t",
            "arm_biquad_cascade_df2T_instance_f32",
            "arm_biquad_cascade_df2T_init_f32",
            "arm_biquad_cascade_df2T_f32",
            5,
            2,
            false};
}

std::vector<std::string> arithmeticLines(const Kernel& k, SampleType type, int postShift) {
    std::vector<std::string> l;
    l.push_back(std::string("CMSIS-DSP kernel ") + k.run + " (instance " + k.instance +
                ", set up by " + k.init + ")");
    if (type == SampleType::Q15) {
        l.push_back("coefficients: {b0, 0, b1, b2, -a1, -a2} per stage, q15 (value / 32768),");
        l.push_back(
            "  each c / 2^postShift rounded to nearest; postShift = " + std::to_string(postShift) +
            ", the smallest putting every coefficient in [-1, 1)");
        l.push_back("state: {x[n-1], x[n-2], y[n-1], y[n-2]} per stage, q15");
        l.push_back("arithmetic: acc = b0 x[n] + b1 x[n-1] + b2 x[n-2] + (-a1) y[n-1] + "
                    "(-a2) y[n-2] in 64 bits, exact;");
        l.push_back("  y[n] = saturate to [-32768, 32767] of the low 32 bits of acc >> (15 - "
                    "postShift) (truncation)");
    } else if (type == SampleType::Q31) {
        l.push_back("coefficients: {b0, b1, b2, -a1, -a2} per stage, q31 (value / 2^31),");
        l.push_back(
            "  each c / 2^postShift rounded to nearest; postShift = " + std::to_string(postShift) +
            ", the smallest putting every coefficient in [-1, 1)");
        l.push_back("state: {x[n-1], x[n-2], y[n-1], y[n-2]} per stage, q31");
        l.push_back("arithmetic: acc = b0 x[n] + b1 x[n-1] + b2 x[n-2] + (-a1) y[n-1] + "
                    "(-a2) y[n-2] in 64 bits, wrapping;");
        l.push_back("  y[n] = the low 32 bits of acc >> (31 - postShift) (truncation): an "
                    "output beyond full scale wraps, it does not saturate");
    } else {
        l.push_back("coefficients: {b0, b1, b2, -a1, -a2} per stage, float32_t");
        l.push_back("state: {d1, d2} per stage (transposed direct form II)");
        l.push_back("arithmetic in float, in this order: y = b0 x + d1; d1 = b1 x + d2; "
                    "d1 += (-a1) y; d2 = b2 x; d2 += (-a2) y");
        l.push_back("compile the library with -ffp-contract=off (GCC, Clang): fused "
                    "multiply-adds give other last bits than ZORKAN simulated");
    }
    l.push_back("the same arithmetic: zorkan-cli implement --target cmsis-" +
                std::string(type == SampleType::Q15   ? "q15"
                            : type == SampleType::Q31 ? "q31"
                                                      : "f32") +
                " with the same --scale and --order");
    return l;
}

// The block the exported process function hands the lattice kernel at a time: the kernel's
// state holds numStages + blockSize values.
constexpr int latticeBlockSize = 32;

std::vector<std::string> latticeLines(SampleType type, const std::string& kernel,
                                      std::size_t stages) {
    std::vector<std::string> l;
    const std::string suffix = type == SampleType::LatticeQ15   ? "q15"
                               : type == SampleType::LatticeQ31 ? "q31"
                                                                : "f32";
    l.push_back("CMSIS-DSP kernel " + kernel + " (instance arm_iir_lattice_instance_" + suffix +
                ", set up by arm_iir_lattice_init_" + suffix + ")");
    l.push_back("lattice of order " + std::to_string(stages) +
                ": fN(n) = x(n); for m = N .. 1: fm-1(n) = fm(n) - km gm-1(n-1),");
    l.push_back(
        "  gm(n) = km fm-1(n) + gm-1(n-1); g0(n) = f0(n); y(n) = sum of vm gm(n), m = 0 .. N");
    l.push_back("pkCoeffs {kN, ..., k1}: reflection coefficients of the whole denominator");
    l.push_back("pvCoeffs {vN, ..., v0}: ladder coefficients of the whole numerator");
    if (type == SampleType::LatticeQ15) {
        l.push_back("q15 (value / 32768), each rounded to nearest; f and g: products >> 15 "
                    "(truncation), saturated to 16 bits;");
        l.push_back("  y = saturate to [-32768, 32767] of the low 32 bits of (exact 64-bit sum of "
                    "v g) >> 15");
    } else if (type == SampleType::LatticeQ31) {
        l.push_back("q31 (value / 2^31), each rounded to nearest; f and g: low 32 bits of "
                    "products >> 31, saturating sums;");
        l.push_back("  y = the low 32 bits of (64-bit wrapping sum of v g) >> 31: an output "
                    "beyond full scale wraps");
    } else {
        l.push_back("float32_t, each operation rounded, none fused; compile the library with "
                    "-ffp-contract=off (GCC, Clang)");
    }
    l.push_back("state: numStages + blockSize values; blocks of at most " +
                std::to_string(latticeBlockSize) + " samples");
    if (type != SampleType::LatticeF32) {
        l.push_back("build the library with ARM_MATH_LOOPUNROLL or without ARM_MATH_DSP: its DSP "
                    "code without loop unrolling");
        l.push_back("  carries one state value too few from call to call (the test vectors "
                    "catch it)");
    }
    l.push_back("the same arithmetic: zorkan-cli implement --target cmsis-lattice-" + suffix +
                " with the same --scale");
    return l;
}

CSources latticeSources(const ExportedFilter& filter, const ExportOptions& o,
                        const std::string& headerName) {
    const Implementation& im = *filter.implementation;
    const LatticeLadder& lattice = im.lattice;
    const bool q15 = o.type == SampleType::LatticeQ15, q31 = o.type == SampleType::LatticeQ31;
    const std::string sample = q15 ? "q15_t" : q31 ? "q31_t" : "float32_t";
    const std::string suffix = q15 ? "q15" : q31 ? "q31" : "f32";
    const std::string kernel = "arm_iir_lattice_" + suffix;
    const std::size_t stages = lattice.reflection.size();
    const std::string& p = o.prefix;
    const std::string macro = upperName(p);
    const std::string count = macro + "_NUM_STAGES", block = macro + "_BLOCK_SIZE";

    std::vector<std::string> lines = exportHeaderLines(filter, o);
    const std::vector<std::string> arithmetic = latticeLines(o.type, kernel, stages);
    lines.insert(lines.end() - static_cast<std::ptrdiff_t>(filter.cascade.warnings.size()),
                 arithmetic.begin(), arithmetic.end());
    const std::string comment = "/*\n" + commented(lines, " *") + " */\n";

    // The kernel's instance holds pointers to non-const coefficients.
    const std::string k = sample + " " + p + "_k[" + count + "]";
    const std::string v = sample + " " + p + "_v[" + count + " + 1]";
    const std::string state = sample + " " + p + "_state[" + count + " + " + block + "]";
    const std::string instance = "arm_iir_lattice_instance_" + suffix + " " + p + "_instance";
    const std::string process =
        "void " + p + "_process(const " + sample + "* in, " + sample + "* out, uint32_t n)";

    CSources s;
    const std::string guard = macro + "_H";
    s.header =
        comment + "#ifndef " + guard + "\n#define " + guard + "\n\n#include \"arm_math.h\"\n\n";
    s.header += "#define " + count + " " + std::to_string(stages) + "\n";
    s.header += "#define " + block + " " + std::to_string(latticeBlockSize) + "\n";
    s.header += "\n#ifdef __cplusplus\nextern \"C\" {\n#endif\n\n";
    s.header += "/* Reflection coefficients kN .. k1 and ladder coefficients vN .. v0. */\n";
    s.header +=
        "extern " + k + ";\nextern " + v + ";\nextern " + state + ";\nextern " + instance + ";\n\n";
    s.header += "/* Sets up the instance and clears the state. */\nvoid " + p + "_init(void);\n";
    s.header +=
        "/* Filters n samples; the state carries over from block to block. */\n" + process + ";\n";
    s.header += "\n#ifdef __cplusplus\n}\n#endif\n\n#endif\n";

    const auto literal = [&](std::size_t i, bool reflection) {
        if (q15 || q31)
            return integerLiteral(reflection ? lattice.reflectionFixed[i] : lattice.ladderFixed[i]);
        return singleLiteral(reflection ? lattice.reflectionSingle[i] : lattice.ladderSingle[i]);
    };
    const auto array = [&](const std::string& declaration, std::size_t n, bool reflection) {
        std::string text = declaration + " = {";
        std::string line = "\n   ";
        for (std::size_t j = 0; j < n; ++j) {
            // The kernel's order: from the top index down.
            // Appended piece by piece: g++ 12 at -O3 sees a false overlap in literal + temporary.
            std::string item(1, ' ');
            item += literal(n - 1 - j, reflection);
            item += ',';
            if (line.size() + item.size() > 96) {
                text += line;
                line = "\n   ";
            }
            line += item;
        }
        return text + line + "\n};\n";
    };
    s.source = comment + includeDirective(headerName) + "\n";
    s.source += array(k, stages, true) + array(v, stages + 1, false);
    s.source += "\n" + state + ";\n" + instance + ";\n\n";
    s.source += "void " + p + "_init(void) {\n    arm_iir_lattice_init_" + suffix + "(&" + p +
                "_instance, " + count + ", " + p + "_k, " + p + "_v, " + p + "_state, " + block +
                ");\n}\n\n";
    s.source += process + " {\n    while (n > 0) {\n        const uint32_t m = n < " + block +
                " ? n : " + block + ";\n        " + kernel + "(&" + p +
                "_instance, in, out, m);\n        in += m;\n        out += m;\n        n -= "
                "m;\n    }\n}\n";
    return s;
}

} // namespace

CSources cmsisSources(const ExportedFilter& filter, const ExportOptions& o,
                      const std::string& headerName) {
    checkCIdentifier(o.prefix);
    if (!filter.implementation)
        throw UserMessage("В файле фильтра нет ни одной секции: экспортировать нечего");
    if (latticeType(o.type))
        return latticeSources(filter, o, headerName);
    const Implementation& im = *filter.implementation;
    const Kernel k = kernelOf(o.type);
    const std::size_t stages = im.cascade.sections.size();
    if (stages > 255)
        throw UserMessage("Секций " + std::to_string(stages) +
                          ", а ядра CMSIS-DSP принимают не больше 255 (numStages типа uint8_t)");
    const int postShift = k.fixed && !im.fixed.empty() ? im.fixed[0].shift : 0;
    const std::string& p = o.prefix;
    const std::string macro = upperName(p);
    const std::string count = macro + "_NUM_STAGES";

    std::vector<std::string> lines = exportHeaderLines(filter, o);
    const std::vector<std::string> arithmetic = arithmeticLines(k, o.type, postShift);
    lines.insert(lines.end() - static_cast<std::ptrdiff_t>(filter.cascade.warnings.size()),
                 arithmetic.begin(), arithmetic.end());
    const std::string comment = "/*\n" + commented(lines, " *") + " */\n";

    const std::string coeffs = "const " + std::string(k.sample) + " " + p + "_coeffs[" +
                               std::to_string(k.perStage) + " * " + count + "]";
    const std::string state = std::string(k.sample) + " " + p + "_state[" +
                              std::to_string(k.statePerStage) + " * " + count + "]";
    const std::string instance = std::string(k.instance) + " " + p + "_instance";
    const std::string process =
        "void " + p + "_process(const " + k.sample + "* in, " + k.sample + "* out, uint32_t n)";

    CSources s;
    const std::string guard = macro + "_H";
    s.header =
        comment + "#ifndef " + guard + "\n#define " + guard + "\n\n#include \"arm_math.h\"\n\n";
    s.header += "#define " + count + " " + std::to_string(stages) + "\n";
    if (k.fixed)
        s.header += "#define " + macro + "_POST_SHIFT " + std::to_string(postShift) + "\n";
    s.header += "\n#ifdef __cplusplus\nextern \"C\" {\n#endif\n\n";
    s.header += "extern " + coeffs + ";\nextern " + state + ";\nextern " + instance + ";\n\n";
    s.header += "/* Sets up the instance and clears the state. */\nvoid " + p + "_init(void);\n";
    s.header +=
        "/* Filters n samples; the state carries over from block to block. */\n" + process + ";\n";
    s.header += "\n#ifdef __cplusplus\n}\n#endif\n\n#endif\n";

    s.source = comment + includeDirective(headerName) + "\n";
    s.source += coeffs + " = {\n";
    for (std::size_t i = 0; i < stages; ++i) {
        std::vector<std::string> v;
        if (k.fixed) {
            const std::int64_t* c = im.fixed[i].c;
            v = {integerLiteral(c[0]), integerLiteral(c[1]), integerLiteral(c[2]),
                 integerLiteral(-c[3]), integerLiteral(-c[4])};
            if (o.type == SampleType::Q15)
                v.insert(v.begin() + 1, "0");
        } else {
            const std::array<float, 5>& c = im.single[i];
            v = {singleLiteral(c[0]), singleLiteral(c[1]), singleLiteral(c[2]),
                 singleLiteral(-c[3]), singleLiteral(-c[4])};
        }
        s.source += "    ";
        for (std::size_t j = 0; j < v.size(); ++j)
            s.source += (j ? ", " : "") + v[j];
        s.source += ",\n";
    }
    s.source += "};\n\n" + state + ";\n" + instance + ";\n\n";
    s.source += "void " + p + "_init(void) {\n    " + k.init + "(&" + p + "_instance, " + count +
                ", " + p + "_coeffs, " + p + "_state" +
                (k.fixed ? ", " + macro + "_POST_SHIFT" : std::string()) + ");\n}\n\n";
    s.source += process + " {\n    " + k.run + "(&" + p + "_instance, in, out, n);\n}\n";
    return s;
}

} // namespace zorkan
