// The export of a FIR filter: the taps for other tools, and C, CMSIS-DSP and Verilog code
// that computes exactly what the simulation of the implementation computes.
#include "export/firexport.h"

#include "common/errors.h"
#include "common/replacefile.h"
#include "export/ccode.h"
#include "export/exporttext.h"
#include "export/testvectors.h"
#include "export/verilog.h"
#include "zorkanconfig.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace zorkan {

namespace {

const char* const sectionOptionsRefused =
    " не относится к КИХ-фильтру (.fir): отводы записываются как есть";

void checkFirOptions(const ExportOptions& o) {
    if (o.normalise)
        throw UserMessage(std::string("Нормирование (--normalise)") + sectionOptionsRefused);
    if (o.scaling)
        throw UserMessage(std::string("Масштабирование (--scale)") + sectionOptionsRefused);
    if (o.order)
        throw UserMessage(std::string("Порядок секций (--order)") + sectionOptionsRefused);
    if (o.structure)
        throw UserMessage(std::string("Структура секций (--structure)") + sectionOptionsRefused);
    if (o.testVectors < 0 || o.testVectors > maximumTestVectors)
        throw UserMessage("Число отсчетов тестовых векторов должно быть от 1 до " +
                          std::to_string(maximumTestVectors));
    if (o.testVectors > 0 && o.format != ExportFormat::C && o.format != ExportFormat::Cmsis &&
        o.format != ExportFormat::Verilog)
        throw UserMessage(
            "Тестовые векторы (--test-vectors) пишутся только для форматов c, cmsis и verilog");
}

FirImplementation implementationOf(const FirFilter& filter, const ExportOptions& o) {
    Arithmetic a = o.format == ExportFormat::Verilog ? o.words : Arithmetic{};
    a.target = firExportTarget(o);
    return realiseFir(filter, a);
}

std::vector<std::string> headerLines(const FirImplementation& im, const ExportOptions& o,
                                     const char* format) {
    std::vector<std::string> l;
    l.push_back(std::string("ZORKAN ") + ZORKAN_VERSION + " FIR filter export: " + format);
    l.push_back("source: " + printableAscii(o.sourceName));
    l.push_back("taps: " + std::to_string(im.taps.size()) +
                ", H(z) = h[0] + h[1] z^-1 + ... + h[N-1] z^-(N-1)");
    return l;
}

std::string tapsText(const FirImplementation& im, const ExportOptions& o) {
    std::vector<std::string> lines = headerLines(im, o, "taps h[0] ... h[N-1]");
    std::string t;
    switch (o.format) {
    case ExportFormat::Octave:
        lines.push_back("filter(b, a, x) filters x; a = 1 (no feedback)");
        t = commented(lines, "%") + "b = [\n";
        for (double h : im.taps)
            t += "    " + exactNumber(h) + "\n";
        return t + "]';\na = 1;\n";
    case ExportFormat::Python:
        lines.push_back("scipy.signal.lfilter(b, a, x) filters x; a = [1.0] (no feedback)");
        t = commented(lines, "#") + "import numpy as np\n\nb = np.array([\n";
        for (double h : im.taps)
            t += "    " + exactNumber(h) + ",\n";
        return t + "])\na = np.array([1.0])\n";
    default:
        break;
    }
    t = commented(lines, "#");
    for (double h : im.taps)
        t += exactNumber(h) + "\n";
    return t;
}

// C: the taps, a delay line twice over (the window of the last N samples, newest first,
// always contiguous) and the one sum.
struct FirCCode {
    std::string comment, declarations, definitions;
};

FirCCode cCode(const FirImplementation& im, const ExportOptions& o, const std::string& linkage) {
    const std::string& p = o.prefix;
    const std::string t = cTypeName(o.type);
    const std::string taps = upperName(p) + "_TAPS";
    const bool fixed = fixedPointType(o.type);
    const Arithmetic& a = im.arithmetic;
    const std::string fn = linkage.empty() ? "" : linkage + " ";

    std::vector<std::string> l = headerLines(im, o, "C99");
    if (fixed) {
        l.push_back("data: " + std::string(t) + ", fractions of full scale (value * 2^" +
                    std::to_string(a.dataBits - 1) + ")");
        l.push_back("taps: int32_t, h[k] = tap[k] / 2^" + std::to_string(im.fraction) +
                    " (the sum of |tap[k]| below 2^31)");
        l.push_back("y[n] = sum of tap[k] x[n-k] exactly in int64_t, then floor(acc / 2^" +
                    std::to_string(im.fraction) + " + 1/2), saturated to " + t);
    } else {
        l.push_back("y[n] = h[N-1] x[n-N+1] + ... + h[0] x[n], summed in " + t +
                    " from the oldest sample, each operation rounded in " + t);
        if (o.type == SampleType::Float)
            l.push_back("compile without contraction of a * b + c into FMA (ISO C mode, or "
                        "-ffp-contract=off with GCC): the test vectors expect none");
    }
    l.push_back("the same outputs as zorkan-cli implement " + printableAscii(o.sourceName) +
                " --target " + targetName(a.target));
    FirCCode c;
    c.comment = "/*\n" + commented(l, " *") + " */\n";

    c.declarations = "#include <stddef.h>\n#include <stdint.h>\n\n";
    c.declarations += "#define " + taps + " " + std::to_string(im.taps.size()) + "\n\n";
    c.declarations += "typedef struct {\n    " + t + " delay[2 * " + taps +
                      "];\n    size_t position;\n} " + p + "_state;\n\n";

    std::string d;
    const std::string tapType = fixed ? "int32_t" : t;
    d += "static const " + tapType + " " + p + "_taps[" + taps + "] = {\n";
    for (std::size_t k = 0; k < im.taps.size(); ++k)
        d += "    " +
             (fixed                         ? integerLiteral(im.fixed[k])
              : o.type == SampleType::Float ? singleLiteral(im.single[k])
                                            : exactNumber(im.taps[k])) +
             ",\n";
    d += "};\n\n";
    d += fn + "void " + p + "_reset(" + p + "_state* state) {\n    size_t k;\n";
    d += "    for (k = 0; k < 2 * " + taps + "; ++k)\n        state->delay[k] = 0;\n";
    d += "    state->position = 0;\n}\n\n";
    d += fn + t + " " + p + "_step(" + p + "_state* state, " + t + " x) {\n";
    d += "    const " + t + "* w;\n    size_t k;\n";
    d += std::string("    ") + (fixed ? "int64_t" : t) + " acc = 0;\n";
    d += "    state->position = state->position == 0 ? " + taps + " - 1 : state->position - 1;\n";
    d += "    state->delay[state->position] = x;\n";
    d += "    state->delay[state->position + " + taps + "] = x;\n";
    d += "    w = state->delay + state->position; /* x[n], x[n-1], ... */\n";
    if (fixed) {
        const char* top = o.type == SampleType::Q15 ? "INT16_MAX" : "INT32_MAX";
        const char* bottom = o.type == SampleType::Q15 ? "INT16_MIN" : "INT32_MIN";
        const std::string f = std::to_string(im.fraction);
        d += "    for (k = 0; k < " + taps + "; ++k)\n";
        d += "        acc += (int64_t)" + p + "_taps[k] * w[k];\n";
        d += "    /* floor((acc + 2^(f-1)) / 2^f) without shifting a negative number */\n";
        d += "    acc += (int64_t)1 << (" + f + " - 1);\n";
        d += "    acc = acc >= 0 ? acc >> " + f + " : -((-acc + (((int64_t)1 << " + f +
             ") - 1)) >> " + f + ");\n";
        d += std::string("    if (acc > ") + top + ")\n        return " + top + ";\n";
        d += std::string("    if (acc < ") + bottom + ")\n        return " + bottom + ";\n";
        d += "    return (" + t + ")acc;\n}\n\n";
    } else {
        d += "    for (k = " + taps + "; k-- > 0;)\n";
        d += "        acc += w[k] * " + p + "_taps[k];\n";
        d += "    return acc;\n}\n\n";
    }
    d += fn + "void " + p + "_block(" + p + "_state* state, const " + t + "* in, " + t +
         "* out, size_t n) {\n    size_t i;\n";
    d += "    for (i = 0; i < n; ++i)\n        out[i] = " + p + "_step(state, in[i]);\n}\n";
    c.definitions = d;
    return c;
}

std::string cPrototypes(const ExportOptions& o) {
    const std::string& p = o.prefix;
    const std::string t = cTypeName(o.type);
    return "/* Clears the delay line. */\nvoid " + p + "_reset(" + p + "_state* state);\n" +
           "/* One sample. */\n" + t + " " + p + "_step(" + p + "_state* state, " + t + " x);\n" +
           "/* n samples; the state carries over from block to block. */\nvoid " + p + "_block(" +
           p + "_state* state, const " + t + "* in, " + t + "* out, size_t n);\n";
}

std::string cOneHeader(const FirImplementation& im, const ExportOptions& o) {
    checkCIdentifier(o.prefix);
    const FirCCode c = cCode(im, o, "static inline");
    const std::string guard = upperName(o.prefix) + "_H";
    return c.comment + "#ifndef " + guard + "\n#define " + guard + "\n\n" + c.declarations +
           c.definitions + "\n#endif\n";
}

CSources cSources(const FirImplementation& im, const ExportOptions& o,
                  const std::string& headerName) {
    checkCIdentifier(o.prefix);
    const FirCCode c = cCode(im, o, "");
    const std::string guard = upperName(o.prefix) + "_H";
    CSources s;
    s.header = c.comment + "#ifndef " + guard + "\n#define " + guard + "\n\n" + c.declarations +
               "#ifdef __cplusplus\nextern \"C\" {\n#endif\n\n" + cPrototypes(o) +
               "\n#ifdef __cplusplus\n}\n#endif\n\n#endif\n";
    s.source = c.comment + includeDirective(headerName) + "\n" + c.definitions;
    return s;
}

// CMSIS-DSP: the taps reversed in the kernel's layout (pCoeffs[j] = h[numTaps-1-j]); q15
// takes an even count of at least 4, made up with zero taps after the last.
CSources cmsisSources(const FirImplementation& im, const ExportOptions& o,
                      const std::string& headerName) {
    checkCIdentifier(o.prefix);
    const std::string& p = o.prefix;
    const std::string macro = upperName(p);
    const Target target = im.arithmetic.target;
    const bool q15 = target == Target::CmsisFirQ15;
    const bool q31 = target == Target::CmsisFirQ31;
    const std::string suffix = q15 ? "q15" : q31 ? "q31" : "f32";
    const std::string sample = q15 ? "q15_t" : q31 ? "q31_t" : "float32_t";
    std::size_t count = im.taps.size();
    if (q15)
        count = std::max<std::size_t>(4, count + count % 2);
    const std::string taps = macro + "_NUM_TAPS", block = macro + "_BLOCK_SIZE";

    std::vector<std::string> l = headerLines(im, o, "C99 for CMSIS-DSP");
    l.push_back("CMSIS-DSP kernel arm_fir_" + suffix + " (instance arm_fir_instance_" + suffix +
                ", set up by arm_fir_init_" + suffix + ")");
    l.push_back("coefficients: h[numTaps-1] ... h[0], the kernel's time-reversed order" +
                std::string(q15   ? ", 1.15 (value / 32768)"
                            : q31 ? ", 1.31 (value / 2^31)"
                                  : ", float32_t"));
    if (q15 && count != im.taps.size())
        l.push_back("numTaps " + std::to_string(count) + ": " +
                    std::to_string(count - im.taps.size()) +
                    " zero tap(s) after the last, as arm_fir_init_q15 takes an even count of at "
                    "least 4");
    l.push_back(q15   ? "products 2.30 summed exactly in 64 bits, shifted right by 15, saturated "
                        "to 1.15"
                : q31 ? "products 2.62 summed in a 64-bit accumulator that wraps, shifted right "
                        "by 31, low 32 bits kept (no saturation)"
                      : "acc += state * coefficient from the oldest sample, each operation "
                        "rounded to float");
    l.push_back("state: numTaps + blockSize - 1 samples; blocks of at most " +
                std::to_string(firKernelBlockSize) + " samples");
    l.push_back("the same outputs as zorkan-cli implement " + printableAscii(o.sourceName) +
                " --target " + targetName(target));
    const std::string comment = "/*\n" + commented(l, " *") + " */\n";

    const std::string coeffs = "const " + sample + " " + p + "_coeffs[" + taps + "]";
    const std::string state = sample + " " + p + "_state[" + taps + " + " + block + " - 1]";
    const std::string instance = "arm_fir_instance_" + suffix + " " + p + "_instance";
    const std::string process =
        "void " + p + "_process(const " + sample + "* in, " + sample + "* out, uint32_t n)";
    CSources s;
    const std::string guard = macro + "_H";
    s.header =
        comment + "#ifndef " + guard + "\n#define " + guard + "\n\n#include \"arm_math.h\"\n\n";
    s.header += "#define " + taps + " " + std::to_string(count) + "\n";
    s.header += "#define " + block + " " + std::to_string(firKernelBlockSize) + "\n";
    s.header += "\n#ifdef __cplusplus\nextern \"C\" {\n#endif\n\n";
    s.header += "extern " + coeffs + ";\nextern " + state + ";\nextern " + instance + ";\n\n";
    s.header += "/* Sets up the instance and clears the state. */\nvoid " + p + "_init(void);\n";
    s.header +=
        "/* Filters n samples; the state carries over from block to block. */\n" + process + ";\n";
    s.header += "\n#ifdef __cplusplus\n}\n#endif\n\n#endif\n";

    s.source = comment + includeDirective(headerName) + "\n" + coeffs + " = {\n";
    for (std::size_t j = 0; j < count; ++j) {
        const std::size_t k = count - 1 - j; // the tap this coefficient holds
        const bool real = k < im.taps.size();
        s.source += "    " +
                    (!real        ? std::string(q15 || q31 ? "0" : "0.0f")
                     : q15 || q31 ? integerLiteral(im.fixed[k])
                                  : singleLiteral(im.single[k])) +
                    ",\n";
    }
    s.source += "};\n\n" + state + ";\n" + instance + ";\n\n";
    s.source += "void " + p + "_init(void) {\n    (void)arm_fir_init_" + suffix + "(&" + p +
                "_instance, " + taps + ", " + p + "_coeffs, " + p + "_state, " + block +
                ");\n}\n\n";
    s.source += process + " {\n";
    s.source += "    while (n > 0) {\n";
    s.source += "        const uint32_t m = n < " + block + " ? n : " + block + ";\n";
    s.source += "        arm_fir_" + suffix + "(&" + p + "_instance, in, out, m);\n";
    s.source += "        in += m;\n        out += m;\n        n -= m;\n    }\n}\n";
    return s;
}

// Verilog: the transposed form. Every tap's product of the input sample feeds a register
// chain, r[N-1] <= p[N-1], r[k] <= p[k] + r[k+1], y = p[0] + r[1], all sums exact; taps
// equal (or opposite) to their mirror tap h[N-1-k], as in a linear-phase filter, share
// the one product, which halves the multipliers. The sum is rounded once and the overflow
// rule applied; the result is registered (latency one clock).
std::string verilogModule(const FirImplementation& im, const ExportOptions& o) {
    checkModuleName(o.prefix);
    const Arithmetic& a = im.arithmetic;
    const int w = a.dataBits;
    // The sums are exact in W + C bits: the taps' magnitudes add up to less than 2^(C-1),
    // the data's are at most 2^(W-1), and the half added for rounding is below 2^(C-2).
    const int acc = a.dataBits + a.coefBits;
    const std::string W = std::to_string(w), A = std::to_string(acc);
    const std::string data = "signed [" + std::to_string(w - 1) + ":0]";
    const std::string wide = "signed [" + std::to_string(acc - 1) + ":0]";
    const std::string zeroWide = "{" + A + "{1'b0}}";
    const bool saturate = a.overflow == Overflow::Saturate;
    const bool nearest = a.rounding == Rounding::Nearest;
    const std::size_t n = im.fixed.size();

    // Each tap's product: its own (multiplier index), its mirror's, negated or not, or none.
    struct Product {
        int multiplier = -1; // -1: a zero tap
        bool negated = false;
    };
    std::vector<Product> products(n);
    std::vector<std::size_t> multipliers; // the tap each multiplier multiplies by
    for (std::size_t k = 0; k < n; ++k) {
        const std::int64_t c = im.fixed[k];
        if (c == 0)
            continue;
        const std::size_t mirror = n - 1 - k;
        if (mirror < k && (im.fixed[mirror] == c || im.fixed[mirror] == -c)) {
            products[k] = {products[mirror].multiplier, im.fixed[mirror] != c};
            continue;
        }
        products[k] = {static_cast<int>(multipliers.size()), false};
        multipliers.push_back(k);
    }

    std::vector<std::string> l = headerLines(im, o, "Verilog-2001");
    l.push_back("data: " + W + "-bit two's complement fractions of full scale (value * 2^" +
                std::to_string(w - 1) + ")");
    l.push_back("taps: " + std::to_string(a.coefBits) + " bits, round(h[k] * 2^" +
                std::to_string(im.fraction) + "), the sum of their magnitudes below 2^" +
                std::to_string(a.coefBits - 1));
    l.push_back("transposed form: r[N-1] <= c[N-1] x, r[k] <= c[k] x + r[k+1], acc = c[0] x + "
                "r[1], exact (" +
                A + " bits)");
    l.push_back("multipliers: " + std::to_string(multipliers.size()) + " for " + std::to_string(n) +
                " taps (a tap equal or opposite to its mirror h[N-1-k] shares its product)");
    l.push_back(
        std::string("output: ") +
        (nearest ? "floor(acc / 2^f + 1/2) (nearest, halves up)" : "floor(acc / 2^f) (truncate)") +
        ", f = " + std::to_string(im.fraction) + ", then " +
        (saturate ? "saturated to [-2^" + std::to_string(w - 1) + ", 2^" + std::to_string(w - 1) +
                        " - 1]"
                  : "wrapped modulo 2^" + W + " (two's complement)"));
    l.push_back("ports: clk; rst synchronous, active high: clears the state and the samples "
                "in flight;");
    l.push_back("  in_valid, in_sample: a sample is taken at every rising edge of clk with "
                "in_valid high (one every clock, or with gaps);");
    l.push_back("  out_valid, out_sample: its result, out_valid high for one clock a sample");
    l.push_back("latency: " + std::to_string(firVerilogLatency) +
                " clock(s): the result of the sample taken at a rising edge");
    l.push_back("  is on out_sample with out_valid high until the " +
                std::to_string(firVerilogLatency) + "-th rising edge after it");
    l.push_back("the same outputs as zorkan-cli implement " + printableAscii(o.sourceName) +
                " --target fixed --data-bits " + W + " --coef-bits " + std::to_string(a.coefBits) +
                " --round " + (nearest ? "nearest" : "truncate") + " --overflow " +
                (saturate ? "saturate" : "wrap"));

    std::string v = commented(l, "//");
    v += verilogModuleOpening(o.prefix, w, acc, saturate);
    v += "    // The input sample widened to the sums' " + A + " bits.\n";
    v += "    wire " + wide + " x = {{" + std::to_string(acc - w) + "{in_sample[" +
         std::to_string(w - 1) + "]}}, in_sample};\n\n";
    v += "    // The taps that need a multiplier, in units of 2^-" + std::to_string(im.fraction) +
         "; the others are\n    // zero or share the product of their mirror tap.\n";
    for (std::size_t m = 0; m < multipliers.size(); ++m)
        v += "    localparam " + wide + " C" + std::to_string(multipliers[m]) + " = " +
             signedConstant(im.fixed[multipliers[m]], acc) + ";\n";
    v += "\n    // The products, one a multiplier.\n";
    for (std::size_t m = 0; m < multipliers.size(); ++m)
        v += "    wire " + wide + " m" + std::to_string(m) + " = C" +
             std::to_string(multipliers[m]) + " * x;\n";
    // Tap k's product added to what follows it (`rest`, or nothing).
    const auto sum = [&](std::size_t k, const std::string& rest) -> std::string {
        const Product& pr = products[k];
        if (pr.multiplier < 0)
            return rest.empty() ? zeroWide : rest;
        std::string m = "m";
        m += std::to_string(pr.multiplier);
        if (rest.empty())
            return (pr.negated ? "-" : "") + m;
        return rest + (pr.negated ? " - " : " + ") + m;
    };
    v += "\n    // The transposed delay line: r_k holds the taps k .. N-1 of the samples so far.\n";
    for (std::size_t k = 1; k < n; ++k)
        v += "    reg " + wide + " r" + std::to_string(k) + ";\n";
    v += "    wire " + wide + " acc = " + sum(0, n > 1 ? "r1" : "") + ";\n";
    if (nearest)
        v += "    wire " + wide + " q = (acc + " +
             signedConstant(std::int64_t{1} << (im.fraction - 1), acc) + ") >>> " +
             std::to_string(im.fraction) + ";\n";
    else
        v += "    wire " + wide + " q = acc >>> " + std::to_string(im.fraction) + ";\n";
    if (saturate) {
        v += "    wire " + data + " y = q > TOP ? TOP_WORD : q < BOTTOM ? BOTTOM_WORD : q[" +
             std::to_string(w - 1) + ":0];\n";
    } else {
        v += "    wire " + data + " y = q[" + std::to_string(w - 1) + ":0];\n";
        v += "    wire [" + std::to_string(acc - w - 1) + ":0] unused_high = q[" +
             std::to_string(acc - 1) + ":" + W + "];\n";
    }
    v += "    reg " + data + " y_out;\n    reg y_valid;\n\n";
    v += "    always @(posedge clk) begin\n";
    v += "        if (rst) begin\n";
    for (std::size_t k = 1; k < n; ++k)
        v += "            r" + std::to_string(k) + " <= " + zeroWide + ";\n";
    v += "            y_out <= {" + W + "{1'b0}};\n";
    v += "            y_valid <= 1'b0;\n";
    v += "        end else begin\n";
    v += "            y_valid <= in_valid;\n";
    v += "            if (in_valid) begin\n";
    for (std::size_t k = 1; k < n; ++k) {
        std::string next;
        if (k + 1 < n) {
            next = "r";
            next += std::to_string(k + 1);
        }
        v += "                r" + std::to_string(k) + " <= " + sum(k, next) + ";\n";
    }
    v += "                y_out <= y;\n";
    v += "            end\n";
    v += "        end\n";
    v += "    end\n\n";
    v += "    assign out_valid = y_valid;\n";
    v += "    assign out_sample = y_out;\n\n";
    v += "endmodule\n";
    return v;
}

// Golden test vectors whose expected output is one constant check nothing.
void checkGoldenOutputVaries(const FirImplementation& im, const ExportOptions& o) {
    if (o.force || o.testVectors < 2)
        return;
    const std::vector<double> y = simulateFir(im, goldenStimulus(im.arithmetic, o.testVectors));
    if (std::all_of(y.begin(), y.end(), [&](double v) { return v == y.front(); }))
        throw UserMessage(
            "Ожидаемый выход тестовых векторов постоянен (все " + std::to_string(y.size()) +
            " отсчетов равны " + exactNumber(y.front()) +
            " полной шкалы): такие векторы не проверяют фильтр; файлы не записаны (записать "
            "все равно: --force)");
}

} // namespace

Target firExportTarget(const ExportOptions& o) {
    checkFirOptions(o);
    switch (o.format) {
    case ExportFormat::SosCsv:
        throw UserMessage("Формат sos-csv пишет секции второго порядка, а у КИХ-фильтра (.fir) "
                          "их нет: отводы пишет формат csv");
    case ExportFormat::Csv:
    case ExportFormat::Octave:
    case ExportFormat::Python:
        return Target::Double;
    case ExportFormat::Verilog:
        return Target::Fixed;
    case ExportFormat::C:
        switch (o.type) {
        case SampleType::Double:
            return Target::Double;
        case SampleType::Float:
            return Target::Float;
        case SampleType::Q15:
            return Target::Q15;
        case SampleType::Q31:
            return Target::Q31;
        default:
            throw UserMessage("Код C КИХ-фильтра (.fir) пишется в типах double, float, q15 и "
                              "q31");
        }
    case ExportFormat::Cmsis:
        switch (o.type) {
        case SampleType::Q15:
        case SampleType::FirQ15:
            return Target::CmsisFirQ15;
        case SampleType::Q31:
        case SampleType::FirQ31:
            return Target::CmsisFirQ31;
        case SampleType::F32:
        case SampleType::FirF32:
            return Target::CmsisFirF32;
        default:
            throw UserMessage("Формат cmsis для КИХ-фильтра (.fir) принимает тип q15, q31 или f32 "
                              "(ядра arm_fir_q15, arm_fir_q31, arm_fir_f32)");
        }
    }
    return Target::Double;
}

std::string firExportText(const FirFilter& filter, const ExportOptions& o) {
    const FirImplementation im = implementationOf(filter, o);
    switch (o.format) {
    case ExportFormat::C:
        return cOneHeader(im, o);
    case ExportFormat::Verilog:
        return verilogModule(im, o);
    case ExportFormat::Cmsis:
        throw UserMessage("Код CMSIS-DSP записывается в файлы: укажите --output");
    default:
        break;
    }
    return tapsText(im, o);
}

std::vector<ExportFile> firExportFileTexts(const FirFilter& filter, const std::string& outputPath,
                                           const ExportOptions& o) {
    const FirImplementation im = implementationOf(filter, o);
    const std::vector<std::string> files = exportFiles(outputPath, o);
    checkGoldenOutputVaries(im, o);
    std::vector<ExportFile> out;
    const bool vectors = o.testVectors > 0;
    const std::vector<double> stimulus =
        vectors ? goldenStimulus(im.arithmetic, o.testVectors) : std::vector<double>{};
    if (o.format == ExportFormat::Verilog) {
        out.push_back({files[0], verilogModule(im, o)});
        if (vectors)
            out.push_back(
                {files[1], verilogTestbenchText(o, im.arithmetic.dataBits, firVerilogLatency,
                                                stimulus, simulateFir(im, stimulus))});
        return out;
    }
    if (files.size() == 1 + (vectors ? 1 : 0)) {
        out.push_back({files[0], firExportText(filter, o)});
    } else {
        CSources s = o.format == ExportFormat::Cmsis ? cmsisSources(im, o, baseName(files[0]))
                                                     : cSources(im, o, baseName(files[0]));
        out.push_back({files[0], std::move(s.header)});
        out.push_back({files[1], std::move(s.source)});
    }
    if (vectors) {
        FirSimulator sim(im);
        out.push_back(
            {files.back(), goldenVectorsProgram(o, im.arithmetic, baseName(files[0]), stimulus,
                                                [&](double v) { return sim.step(v); })});
    }
    return out;
}

std::vector<std::string> exportFirFile(const std::string& sourcePath, const std::string& outputPath,
                                       ExportOptions options) {
    if (options.sourceName.empty())
        options.sourceName = baseName(sourcePath);
    const std::vector<std::string> names = exportFiles(outputPath, options);
    checkExportOutputs(sourcePath, names);
    const FirFilter filter = readFirFile(sourcePath);
    std::vector<std::pair<std::string, std::string>> files;
    for (ExportFile& f : firExportFileTexts(filter, outputPath, options))
        files.emplace_back(f.path, std::move(f.text));
    writeFilesSafely(files);
    return names;
}

} // namespace zorkan
