// The CMSIS-DSP export: the library's df1 q15/q31 and df2T f32 biquad kernels.
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

} // namespace

CSources cmsisSources(const ExportedFilter& filter, const ExportOptions& o,
                      const std::string& headerName) {
    checkCIdentifier(o.prefix);
    if (!filter.implementation)
        throw UserMessage("В файле фильтра нет ни одной секции: экспортировать нечего");
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
