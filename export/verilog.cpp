// The Verilog export: one pipeline stage a section, each computing within its clock the
// exact direct form I sum, the rounding and the overflow rule of the fixed-point
// implementation, so that its outputs are the simulation's, bit for bit.
#include "export/verilog.h"

#include "common/errors.h"
#include "export/exportheader.h"
#include "export/exporttext.h"
#include "fixedpoint/simulation.h"
#include "zorkanconfig.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace zorkan {

namespace {

// Verilog-2001's reserved words, which no module may be named.
const char* const reservedWords =
    " always and assign automatic begin buf bufif0 bufif1 case casex casez cell cmos "
    "config deassign default defparam design disable edge else end endcase endconfig "
    "endfunction endgenerate endmodule endprimitive endspecify endtable endtask "
    "event for force forever fork function generate genvar highz0 highz1 if ifnone "
    "incdir include initial inout input instance integer join large liblist library "
    "localparam macromodule medium module nand negedge nmos nor noshowcancelled not "
    "notif0 notif1 or output parameter pmos posedge primitive pull0 pull1 pulldown "
    "pullup pulsestyle_onevent pulsestyle_ondetect rcmos real realtime reg release "
    "repeat rnmos rpmos rtran rtranif0 rtranif1 scalared showcancelled signed small "
    "specify specparam strong0 strong1 supply0 supply1 table task time tran tranif0 "
    "tranif1 tri tri0 tri1 triand trior trireg unsigned use vectored wait wand weak0 "
    "weak1 while wire wor xnor xor ";

} // namespace

void checkModuleName(const std::string& name) {
    if (!plainIdentifier(name) ||
        std::string(reservedWords).find(" " + name + " ") != std::string::npos)
        throw UserMessage("Имя модуля Verilog '" + name +
                          "' должно состоять из латинских букв, цифр и '_', не начинаться с "
                          "цифры и не быть ключевым словом Verilog");
}

// A signed decimal constant of `bits` bits (never the most negative value).
std::string signedConstant(std::int64_t v, int bits) {
    const std::string width = std::to_string(bits) + "'sd";
    if (v < 0)
        return "-" + width + std::to_string(-static_cast<long long>(v));
    return width + std::to_string(static_cast<long long>(v));
}

// The low `bits` bits of v as an unsigned hexadecimal constant.
std::string wordConstant(std::int64_t v, int bits) {
    const std::uint64_t mask = bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
    const std::uint64_t low = static_cast<std::uint64_t>(v) & mask;
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (std::uint64_t rest = low; rest || hex.empty(); rest >>= 4)
        hex.insert(hex.begin(), digits[rest & 15]);
    return std::to_string(bits) + "'h" + hex;
}

std::string verilogModuleOpening(const std::string& name, int w, int acc, bool saturate) {
    const std::string A = std::to_string(acc);
    const std::string data = "signed [" + std::to_string(w - 1) + ":0]";
    const std::string wide = "signed [" + std::to_string(acc - 1) + ":0]";
    const std::int64_t top = (std::int64_t{1} << (w - 1)) - 1;
    std::string v;
    v += "\nmodule " + name + " (\n";
    v += "    input  wire                clk,\n";
    v += "    input  wire                rst,\n";
    v += "    input  wire                in_valid,\n";
    v += "    input  wire " + data + " in_sample,\n";
    v += "    output wire                out_valid,\n";
    v += "    output wire " + data + " out_sample\n);\n\n";
    if (saturate) {
        v += "    // The data range, in the width of the sums and as a data word.\n";
        v += "    localparam " + wide + " TOP = " + signedConstant(top, acc) + ";\n";
        v += "    localparam " + wide + " BOTTOM = -" + signedConstant(top, acc) + " - " + A +
             "'sd1;\n";
        v += "    localparam " + data + " TOP_WORD = " + wordConstant(top, w) + ";\n";
        v += "    localparam " + data + " BOTTOM_WORD = " + wordConstant(-top - 1, w) + ";\n\n";
    }
    return v;
}

namespace {

// The width of the exact sums of a program's nodes: the largest magnitude of the
// products with data words of at most 2^(W-1), the fed-back residues (below 2^f) and the
// half added for rounding, and a sign bit; never below W + C, the sums of direct form I.
int programSumBits(const Implementation& im) {
    const Arithmetic& a = im.options.arithmetic;
    int bits = a.dataBits + a.coefBits;
    for (const SectionProgram& p : im.programs)
        for (const ProgramNode& n : p.nodes) {
            long double bound = 0;
            for (const ProgramTerm& t : n.terms)
                bound += std::fabs(static_cast<long double>(t.fixed));
            bound = std::ldexp(bound, a.dataBits - 1);
            if (n.errorFeedback)
                bound += std::ldexp(
                    static_cast<long double>(std::abs(n.feedback[0]) + std::abs(n.feedback[1])),
                    n.fraction);
            bound += std::ldexp(1.0L, n.fraction - 1);
            int exponent = 0;
            std::frexp(bound, &exponent); // bound < 2^exponent
            bits = std::max(bits, exponent + 1);
        }
    return bits;
}

std::vector<std::string> headerLines(const ExportedFilter& filter, const ExportOptions& o) {
    const Implementation& im = *filter.implementation;
    const Arithmetic& a = im.options.arithmetic;
    const std::string w = std::to_string(a.dataBits);
    const int latency = verilogLatency(im);
    const bool nearest = a.rounding == Rounding::Nearest;
    std::vector<std::string> l;
    l.push_back(std::string("ZORKAN ") + ZORKAN_VERSION + " filter export: Verilog-2001");
    l.push_back("source: " + printableAscii(o.sourceName));
    l.push_back(std::string("kind: ") + kindName(im.cascade.kind, "second-order sections") + " (" +
                std::to_string(im.cascade.kind) + "), " + std::to_string(im.cascade.fileSections) +
                " section(s) in the file");
    l.push_back("second-order sections: " + std::to_string(im.quantised.size()) +
                ", H(z) = product of (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2)");
    l.push_back("scaling " + scalingName(im.options.scaling) + ", section order " +
                orderName(im.options.order));
    if (im.options.structure)
        for (std::string& line : structureLines(im))
            l.push_back(std::move(line));
    if (!im.programs.empty()) {
        for (std::string& line : programArithmeticLines(
                 im, "signed [" + std::to_string(a.dataBits - 1) + ":0]", programSumBits(im)))
            l.push_back(std::move(line));
    } else {
        l.push_back("data: " + w + "-bit two's complement fractions of full scale (value * 2^" +
                    std::to_string(a.dataBits - 1) + ")");
        l.push_back("coefficients: " + std::to_string(a.coefBits) +
                    " bits, b0, b1, b2, a1, a2 of section k as round(c * 2^(" +
                    std::to_string(a.coefBits - 1) + " - shift[k])),");
        l.push_back("  shift[k] the smallest s >= 0 with (|b0|+|b1|+|b2|+|a1|+|a2|) * 2^(" +
                    std::to_string(a.coefBits - 1) + " - s) + 3 < 2^" +
                    std::to_string(a.coefBits - 1));
        l.push_back("each section in direct form I: acc = b0 x[n] + b1 x[n-1] + b2 x[n-2] - a1 "
                    "y[n-1] - a2 y[n-2], exact (" +
                    std::to_string(a.dataBits + a.coefBits) + " bits)");
        l.push_back(std::string("output of a section: ") +
                    (nearest ? "floor(acc / 2^f + 1/2) (nearest, halves up)"
                             : "floor(acc / 2^f) (truncate)") +
                    ", f = " + std::to_string(a.coefBits - 1) + " - shift[k], then " +
                    (a.overflow == Overflow::Saturate
                         ? "saturated to [-2^" + std::to_string(a.dataBits - 1) + ", 2^" +
                               std::to_string(a.dataBits - 1) + " - 1]"
                         : "wrapped modulo 2^" + w + " (two's complement)") +
                    "; it is the next section's input");
    }
    l.push_back("ports: clk; rst synchronous, active high: clears the state and the samples "
                "in flight;");
    l.push_back("  in_valid, in_sample: a sample is taken at every rising edge of clk with "
                "in_valid high (one every clock, or with gaps);");
    l.push_back("  out_valid, out_sample: its result, out_valid high for one clock a sample");
    l.push_back("latency: " + std::to_string(latency) +
                " clock(s), one pipeline stage a section: the result of the sample taken at a "
                "rising edge");
    l.push_back("  is on out_sample with out_valid high until the " + std::to_string(latency) +
                "-th rising edge after it");
    l.push_back("the same outputs as " + implementCommand(im, printableAscii(o.sourceName)));
    for (const CascadeWarning& warning : filter.cascade.warnings)
        l.push_back("WARNING: " + warning.note);
    return l;
}

// The slot of a section's program as a Verilog name: its input, a stored value, a node.
std::string programSlot(const SectionProgram& p, std::size_t k, int slot) {
    if (slot == 0)
        return k == 0 ? "in_sample" : "s" + std::to_string(k) + "_out";
    const std::string s = "s" + std::to_string(k + 1);
    return slot <= p.states ? s + "_r" + std::to_string(slot)
                            : s + "_n" + std::to_string(slot - p.states);
}

// The sections of a structure other than the target's own: one pipeline stage each, its
// nodes' exact sums, roundings and overflow rules within the clock, then the stored values,
// the residues of error feedback and the section's output registered at once.
std::string programStages(const Implementation& im, int acc) {
    const Arithmetic& a = im.options.arithmetic;
    const int w = a.dataBits;
    const std::string W = std::to_string(w);
    const std::string data = "signed [" + std::to_string(w - 1) + ":0]";
    const std::string wide = "signed [" + std::to_string(acc - 1) + ":0]";
    const std::string zero = "{" + W + "{1'b0}}";
    const bool saturate = a.overflow == Overflow::Saturate;
    const bool nearest = a.rounding == Rounding::Nearest;
    std::string v;
    for (std::size_t k = 0; k < im.programs.size(); ++k) {
        const SectionProgram& p = im.programs[k];
        const std::string s = "s" + std::to_string(k + 1);
        const std::string take = k == 0 ? "in_valid" : "s" + std::to_string(k) + "_valid";
        v += "\n    // Section " + std::to_string(k + 1) + ": " + structureName(p.structure) +
             ", " + std::to_string(p.nodes.size()) + " node(s) in order, " +
             std::to_string(p.states) + " stored value(s).\n";
        std::string stored;
        for (int r = 1; r <= p.states; ++r)
            stored += (r > 1 ? ", " : "") + programSlot(p, k, r);
        v += "    reg " + data + " " + stored + ", " + s + "_out;\n";
        v += "    reg " + s + "_valid;\n";
        // What the clock stores beside the state: the residues, as register and new value.
        std::vector<std::pair<std::string, std::string>> residues;
        for (std::size_t j = 0; j < p.nodes.size(); ++j) {
            const ProgramNode& n = p.nodes[j];
            const std::string node = programSlot(p, k, p.states + 1 + static_cast<int>(j));
            const int f = n.fraction;
            std::string sum;
            for (const ProgramTerm& t : n.terms)
                sum += std::string(sum.empty() ? "" : "\n        ") +
                       (t.fixed < 0   ? "- "
                        : sum.empty() ? ""
                                      : "+ ") +
                       signedConstant(t.fixed < 0 ? -t.fixed : t.fixed, acc) + " * widen(" +
                       programSlot(p, k, t.slot) + ")";
            const std::string e = node + "_e";
            if (n.errorFeedback) {
                // The residues below the data word: f + 1 bits hold those of both roundings.
                const std::string r = "signed [" + std::to_string(f) + ":0]";
                v += "    reg " + r + " " + e + "1, " + e + "2;\n";
                for (int i = 0; i < 2; ++i) {
                    const std::string reg = e + std::to_string(i + 1);
                    const int c = n.feedback[i];
                    sum += "\n        " + std::string(c < 0 ? "+ " : "- ") +
                           signedConstant(c < 0 ? -c : c, acc) + " * $signed({{" +
                           std::to_string(acc - f - 1) + "{" + reg + "[" + std::to_string(f) +
                           "]}}, " + reg + "})";
                }
            }
            v += "    wire " + wide + " " + node + "_acc = " + sum + ";\n";
            if (nearest)
                v += "    wire " + wide + " " + node + "_q = (" + node + "_acc + " +
                     signedConstant(std::int64_t{1} << (f - 1), acc) + ") >>> " +
                     std::to_string(f) + ";\n";
            else
                v += "    wire " + wide + " " + node + "_q = " + node + "_acc >>> " +
                     std::to_string(f) + ";\n";
            if (n.errorFeedback) {
                v += "    wire " + wide + " " + node + "_d = " + node + "_acc - (" + node +
                     "_q <<< " + std::to_string(f) + ");\n";
                v += "    wire [" + std::to_string(acc - f - 2) + ":0] " + node +
                     "_unused_high_d = " + node + "_d[" + std::to_string(acc - 1) + ":" +
                     std::to_string(f + 1) + "];\n";
                residues.push_back({e + "1", node + "_d[" + std::to_string(f) + ":0]"});
                residues.push_back({e + "2", e + "1"});
            }
            if (saturate)
                v += "    wire " + data + " " + node + " = " + node +
                     "_q > TOP ? TOP_WORD : " + node + "_q < BOTTOM ? BOTTOM_WORD : " + node +
                     "_q[" + std::to_string(w - 1) + ":0];\n";
            else
                v += "    wire " + data + " " + node + " = " + node + "_q[" +
                     std::to_string(w - 1) + ":0];\n    wire [" + std::to_string(acc - w - 1) +
                     ":0] " + node + "_unused_high = " + node + "_q[" + std::to_string(acc - 1) +
                     ":" + W + "];\n";
        }
        v += "    always @(posedge clk) begin\n";
        v += "        if (rst) begin\n";
        for (int r = 1; r <= p.states; ++r)
            v += "            " + programSlot(p, k, r) + " <= " + zero + ";\n";
        for (const auto& [reg, value] : residues)
            v += "            " + reg + " <= 0;\n";
        v += "            " + s + "_out <= " + zero + ";\n";
        v += "            " + s + "_valid <= 1'b0;\n";
        v += "        end else begin\n";
        v += "            " + s + "_valid <= " + take + ";\n";
        v += "            if (" + take + ") begin\n";
        for (int r = 1; r <= p.states; ++r)
            v += "                " + programSlot(p, k, r) +
                 " <= " + programSlot(p, k, p.next[static_cast<std::size_t>(r - 1)]) + ";\n";
        for (const auto& [reg, value] : residues)
            v += "                " + reg + " <= " + value + ";\n";
        v += "                " + s + "_out <= " + programSlot(p, k, p.states + 1 + p.output) +
             ";\n";
        v += "            end\n";
        v += "        end\n";
        v += "    end\n";
    }
    const std::string last = "s" + std::to_string(im.programs.size());
    v += "\n    assign out_valid = " + last + "_valid;\n";
    v += "    assign out_sample = " + last + "_out;\n";
    return v;
}

} // namespace

int verilogLatency(const Implementation& implementation) {
    return static_cast<int>(implementation.quantised.size());
}

std::string verilogModule(const ExportedFilter& filter, const ExportOptions& o) {
    checkModuleName(o.prefix);
    const Implementation& im = *filter.implementation;
    const Arithmetic& a = im.options.arithmetic;
    const int w = a.dataBits;
    // Every product and sum is exact in W + C bits: the coefficient magnitudes add up to
    // less than 2^(C-1) and the data magnitudes are at most 2^(W-1), and the half added
    // for rounding is below 2^(C-2).
    const int acc = im.programs.empty() ? a.dataBits + a.coefBits : programSumBits(im);
    const std::string W = std::to_string(w), A = std::to_string(acc);
    const std::string data = "signed [" + std::to_string(w - 1) + ":0]";
    const std::string wide = "signed [" + std::to_string(acc - 1) + ":0]";
    const std::string zero = "{" + W + "{1'b0}}";
    const bool saturate = a.overflow == Overflow::Saturate;
    const bool nearest = a.rounding == Rounding::Nearest;

    std::string v = commented(headerLines(filter, o), "//");
    v += verilogModuleOpening(o.prefix, w, acc, saturate);
    v += "    // A data word widened to the sums' " + A + " bits.\n";
    v += "    function " + wide + " widen;\n";
    v += "        input " + data + " value;\n";
    v += "        begin\n";
    v += "            widen = {{" + std::to_string(acc - w) + "{value[" + std::to_string(w - 1) +
         "]}}, value};\n";
    v += "        end\n";
    v += "    endfunction\n";

    if (!im.programs.empty())
        return v + programStages(im, acc) + "\nendmodule\n";
    const std::size_t n = im.fixed.size();
    for (std::size_t k = 0; k < n; ++k) {
        const FixedCoefficients& f = im.fixed[k];
        const int shift = a.coefBits - 1 - f.shift;
        const std::string s = "s" + std::to_string(k + 1);
        const std::string S = "S" + std::to_string(k + 1);
        const std::string in = k == 0 ? "in_sample" : "s" + std::to_string(k) + "_y1";
        const std::string take = k == 0 ? "in_valid" : "s" + std::to_string(k) + "_valid";
        static const char* const names[5] = {"B0", "B1", "B2", "A1", "A2"};
        v += "\n    // Section " + std::to_string(k + 1) + ": shift " + std::to_string(f.shift) +
             ", coefficients in units of 2^-" + std::to_string(shift) + ".\n";
        for (int i = 0; i < 5; ++i)
            v += "    localparam " + wide + " " + S + "_" + names[i] + " = " +
                 signedConstant(f.c[i], acc) + ";\n";
        v += "    reg " + data + " " + s + "_x1, " + s + "_x2, " + s + "_y1, " + s + "_y2;\n";
        v += "    reg " + s + "_valid;\n";
        v += "    wire " + wide + " " + s + "_acc = " + S + "_B0 * widen(" + in + ") + " + S +
             "_B1 * widen(" + s + "_x1) + " + S + "_B2 * widen(" + s + "_x2)\n";
        v += "        - " + S + "_A1 * widen(" + s + "_y1) - " + S + "_A2 * widen(" + s + "_y2);\n";
        if (nearest)
            v += "    wire " + wide + " " + s + "_q = (" + s + "_acc + " +
                 signedConstant(std::int64_t{1} << (shift - 1), acc) + ") >>> " +
                 std::to_string(shift) + ";\n";
        else
            v += "    wire " + wide + " " + s + "_q = " + s + "_acc >>> " + std::to_string(shift) +
                 ";\n";
        if (saturate) {
            v += "    wire " + data + " " + s + "_y = " + s + "_q > TOP ? TOP_WORD : " + s +
                 "_q < BOTTOM ? BOTTOM_WORD : " + s + "_q[" + std::to_string(w - 1) + ":0];\n";
        } else {
            v += "    wire " + data + " " + s + "_y = " + s + "_q[" + std::to_string(w - 1) +
                 ":0];\n";
            v += "    wire [" + std::to_string(acc - w - 1) + ":0] " + s + "_unused_high = " + s +
                 "_q[" + std::to_string(acc - 1) + ":" + W + "];\n";
        }
        v += "    always @(posedge clk) begin\n";
        v += "        if (rst) begin\n";
        for (const char* r : {"_x1", "_x2", "_y1", "_y2"})
            v += "            " + s + r + " <= " + zero + ";\n";
        v += "            " + s + "_valid <= 1'b0;\n";
        v += "        end else begin\n";
        v += "            " + s + "_valid <= " + take + ";\n";
        v += "            if (" + take + ") begin\n";
        v += "                " + s + "_x1 <= " + in + ";\n";
        v += "                " + s + "_x2 <= " + s + "_x1;\n";
        v += "                " + s + "_y1 <= " + s + "_y;\n";
        v += "                " + s + "_y2 <= " + s + "_y1;\n";
        v += "            end\n";
        v += "        end\n";
        v += "    end\n";
    }
    const std::string last = "s" + std::to_string(n);
    v += "\n    assign out_valid = " + last + "_valid;\n";
    v += "    assign out_sample = " + last + "_y1;\n\n";
    v += "endmodule\n";
    return v;
}

std::string verilogTestbench(const ExportedFilter& filter, const ExportOptions& o) {
    checkModuleName(o.prefix);
    const Implementation& im = *filter.implementation;
    const std::vector<double> input = goldenStimulus(im, o.testVectors);
    return verilogTestbenchText(o, im.options.arithmetic.dataBits, verilogLatency(im), input,
                                simulate(im, input));
}

std::string verilogTestbenchText(const ExportOptions& o, int dataBits, int latency,
                                 const std::vector<double>& input,
                                 const std::vector<double>& expected) {
    checkModuleName(o.prefix);
    const int samples = o.testVectors;
    const int w = dataBits;
    const std::string data = "signed [" + std::to_string(w - 1) + ":0]";
    const std::string count = std::to_string(samples);
    const double unit = std::ldexp(1.0, w - 1);

    std::vector<std::string> lines = {
        std::string("ZORKAN ") + ZORKAN_VERSION + " golden test vectors for the module " +
            o.prefix + " (" + printableAscii(o.sourceName) + ")",
        "input: " + count +
            " samples, a full-scale sweep from 0 to half the sampling rate, a burst of noise, "
            "silence;",
        "  one every clock; each result is compared with ZORKAN's bit-exact simulation",
        "prints OK when every output matched, else the first differing sample and both values",
        "run: iverilog -g2001 -o tb " + o.prefix + ".v " + o.prefix + "_tb.v && vvp tb"};
    std::string t = "`timescale 1ns / 1ps\n" + commented(lines, "//");
    t += "\nmodule " + o.prefix + "_tb;\n\n";
    t += "    localparam integer SAMPLES = " + count + ";\n";
    t += "    localparam integer LATENCY = " + std::to_string(latency) + ";\n\n";
    t += "    reg clk = 1'b0;\n    reg rst = 1'b1;\n    reg in_valid = 1'b0;\n";
    t += "    reg " + data + " in_sample = {" + std::to_string(w) + "{1'b0}};\n";
    t += "    wire out_valid;\n    wire " + data + " out_sample;\n";
    t += "    reg " + data + " stimulus [0:SAMPLES - 1];\n";
    t += "    reg " + data + " expected [0:SAMPLES - 1];\n";
    t += "    integer sent = 0, received = 0, clocks = 0;\n\n";
    t += "    " + o.prefix +
         " filter (\n        .clk(clk),\n        .rst(rst),\n"
         "        .in_valid(in_valid),\n        .in_sample(in_sample),\n"
         "        .out_valid(out_valid),\n        .out_sample(out_sample)\n    );\n\n";
    t += "    always #5 clk = ~clk;\n\n";
    t += "    initial begin\n";
    for (std::size_t i = 0; i < input.size(); ++i)
        t += "        stimulus[" + std::to_string(i) +
             "] = " + wordConstant(std::llround(input[i] * unit), w) + ";\n";
    for (std::size_t i = 0; i < expected.size(); ++i)
        t += "        expected[" + std::to_string(i) +
             "] = " + wordConstant(std::llround(expected[i] * unit), w) + ";\n";
    t += "        repeat (2) @(posedge clk);\n";
    t += "        @(negedge clk) rst = 1'b0;\n";
    t += "    end\n\n";
    // The checks between rising edges and the end of the testbench.
    t +=
        R"tb(    // Between rising edges: the result of the last one checked, the next sample given.
    always @(negedge clk) begin
        clocks = clocks + 1;
        if (!rst) begin
            if (out_valid) begin
                if (out_sample !== expected[received]) begin
                    $display("MISMATCH at sample %0d: got %0d, expected %0d", received,
                             out_sample, expected[received]);
                    $finish;
                end
                received = received + 1;
                if (received == SAMPLES) begin
                    $display("OK");
                    $finish;
                end
            end
            in_valid = sent < SAMPLES;
            if (sent < SAMPLES) begin
                in_sample = stimulus[sent];
                sent = sent + 1;
            end
        end
        if (clocks > SAMPLES + LATENCY + 16) begin
            $display("MISMATCH: %0d of %0d results after %0d clocks", received, SAMPLES, clocks);
            $finish;
        end
    end

endmodule
)tb";
    return t;
}

} // namespace zorkan
