// The export of every structure of the sections: the C code compiled and the Verilog
// module simulated by Icarus Verilog give, sample for sample, what the bit-exact
// simulation of the same implementation gives, their golden test vectors pass, and a
// structure a target does not have is refused with nothing written.
#include "coefficients/filterfile.h"
#include "design/designrun.h"
#include "fixedpoint/implementation.h"
#include "fixedpoint/simulation.h"

#include "clirunner.h"
#include "designrequests.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

namespace zorkan {
namespace {

using testing::designRequest;
using testing::readBytes;
using testing::runCli;
using testing::TempDir;
using testing::writeBytes;

const char* const allStructures[] = {"df1", "df2", "df2t", "ef", "normal", "lattice", "optimal"};

// The designs of the tests, each designed once into a folder of its own: a low-pass, a
// band-pass, a high-pass and a narrow low-pass of different orders (approximation, edges,
// passband ripple, stopband attenuation), and the random ones.
class Designs {
  public:
    // Copies the design of `r` into `dir` as d.flt.
    std::string place(const DesignRequest& r, const TempDir& dir) {
        std::size_t i = 0;
        while (i < requests_.size() && !same(requests_[i], r))
            ++i;
        const std::string path = folder_.file("d" + std::to_string(i) + ".flt");
        if (i == requests_.size()) {
            designFilter(r, folder_.file("d.out"), path, [](const std::string&) {});
            requests_.push_back(r);
        }
        std::filesystem::copy_file(path, dir.file("d.flt"));
        return dir.file("d.flt");
    }

  private:
    static bool same(const DesignRequest& p, const DesignRequest& q) {
        return p.approximation == q.approximation && p.f1 == q.f1 && p.f2 == q.f2 && p.f3 == q.f3 &&
               p.f4 == q.f4 && p.da == q.da && p.b1 == q.b1 && p.fd == q.fd;
    }
    TempDir folder_;
    std::vector<DesignRequest> requests_;
};

Designs& designs() {
    static Designs d;
    return d;
}

std::string designFile(const TempDir& dir, const DesignRequest& r) {
    return designs().place(r, dir);
}

bool run(const TempDir& dir, const std::string& command) {
    return std::system(("cd '" + dir.path().string() + "' && " + command).c_str()) == 0;
}

std::vector<double> numbers(const std::string& text) {
    std::istringstream in(text);
    std::vector<double> v;
    double x;
    while (in >> x)
        v.push_back(x);
    return v;
}

// The xorshift of the tests, uniform in [0, 1).
struct Random {
    std::uint64_t state;
    double next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    }
    int pick(int n) { return static_cast<int>(next() * n); }
};

// A stimulus on the implementation's input: `samples` values of at most `amplitude` (of
// full scale), bursts at the data word's extremes every 50 samples, then silence.
std::vector<double> stimulus(const Implementation& im, double amplitude, int samples,
                             Random& random) {
    std::vector<double> x;
    for (int n = 0; n < samples; ++n) {
        double v = amplitude * (2 * random.next() - 1);
        if (n % 50 < 4)
            v = n % 2 ? amplitude : -amplitude;
        if (n >= samples * 7 / 8)
            v = 0;
        x.push_back(onDataWord(im, v));
    }
    return x;
}

struct CRow {
    DesignRequest design;
    const char* type;
    const char* scale;
    const char* order;
    double amplitude;  // of the input, full scale 1
    bool mustOverflow; // the rows that reach the saturation of the nodes
};

const char* cSampleType(const std::string& type) {
    if (type == "q15")
        return "int16_t";
    if (type == "q31")
        return "int32_t";
    return type == "double" ? "double" : "float";
}

// Exports the row in `structure` through zorkan-cli, runs its golden test vectors, then
// runs the code on a stimulus and compares every output with the simulation.
void checkC(const CRow& row, const std::string& structure, Random& random,
            const std::string& label) {
    TempDir dir;
    const std::string flt = designFile(dir, row.design);
    const std::string type = row.type;
    const auto exported =
        runCli(dir, "export d.flt --format c --type " + type + " --structure " + structure +
                        " --scale " + row.scale + " --order " + row.order +
                        " --name f --output f --test-vectors 500 " + "--force");
    ASSERT_EQ(exported.status, 0) << label << exported.err;
    const std::string strict = "cc -std=c99 -Wall -Wextra -Werror -pedantic ";
    ASSERT_TRUE(run(dir, strict + "-c f.c -o f.o && " + strict +
                             "f_test.c f.o -lm -o golden && ./golden > golden.txt"))
        << label;
    EXPECT_EQ(readBytes(dir.file("golden.txt")), "OK\n") << label;

    ImplementationOptions io;
    io.arithmetic.target = parseTarget(type);
    io.scaling = parseScaling(row.scale);
    io.order = parseSectionOrder(row.order);
    io.structure = parseStructure(structure);
    const Implementation im = realise(readFilterFile(flt, responseReader), io);
    const std::vector<double> x = stimulus(im, row.amplitude, 1600, random);
    SimulationCounts counts;
    const std::vector<double> y = simulate(im, x, &counts);
    if (row.mustOverflow) {
        ASSERT_GT(counts.overflows, 0) << label;
    }
    const bool fixed = fixedPointTarget(im.options.arithmetic.target);
    const double unit = fixed ? std::ldexp(1.0, im.options.arithmetic.dataBits - 1) : 1;
    std::ostringstream in;
    in.precision(17);
    for (double v : x)
        in << v * unit << "\n";
    writeBytes(dir.file("in.txt"), in.str());
    const std::string t = cSampleType(type);
    writeBytes(dir.file("main.c"),
               "#include <stdio.h>\n#include \"f.h\"\nstatic " + t +
                   " in[2000], out[2000];\nint main(void) {\n    f_state st;\n    double v;\n"
                   "    size_t n = 0, i;\n    FILE* file = fopen(\"in.txt\", \"r\");\n"
                   "    while (n < 2000 && fscanf(file, \"%lf\", &v) == 1)\n        in[n++] = (" +
                   t +
                   ")v;\n    fclose(file);\n    f_reset(&st);\n"
                   "    f_block(&st, in, out, n / 3);\n"
                   "    f_block(&st, in + n / 3, out + n / 3, n - n / 3);\n"
                   "    for (i = 0; i < n; ++i)\n        printf(\"%.17g\\n\", (double)out[i]);\n"
                   "    return 0;\n}\n");
    ASSERT_TRUE(run(dir, strict + "main.c f.o -lm -o f && ./f > c.txt")) << label;
    const std::vector<double> c = numbers(readBytes(dir.file("c.txt")));
    ASSERT_EQ(c.size(), y.size()) << label;
    int wrong = 0;
    for (std::size_t n = 0; n < c.size() && wrong < 3; ++n)
        if (c[n] != y[n] * unit) {
            ++wrong;
            ADD_FAILURE() << label << " sample " << n << ": C " << c[n] << ", simulation "
                          << y[n] * unit;
        }
}

const DesignRequest lowPass = designRequest(2, 0.1, 0, 0, 0.14, 1, 40);
const DesignRequest bandPass = designRequest(3, 0.3, 0.2, 0.15, 0.35, 1, 35);
const DesignRequest highPass = designRequest(1, 0, 0.3, 0.2, 0, 1, 30);
const DesignRequest narrowLow = designRequest(1, 0.02, 0, 0, 0.05, 1, 45);

// Every C number type, every scaling, the orders; the rows with the file's coefficients
// unscaled and twice full scale at the input saturate their nodes.
TEST(StructureExport, CEqualsTheSimulationForEveryStructure) {
    const CRow rows[] = {
        {lowPass, "q15", "peak", "ascending", 1, false},
        {bandPass, "q31", "l2", "descending", 1, false},
        {narrowLow, "q15", "l1", "file", 1, false},
        {bandPass, "q15", "none", "file", 2, true},
        {lowPass, "q31", "none", "ascending", 2, true},
        {highPass, "float", "peak", "ascending", 1, false},
        {bandPass, "float-fma", "l2", "file", 1, false},
        {narrowLow, "double", "none", "descending", 1, false},
        {lowPass, "float-fma", "none", "descending", 3, false},
    };
    Random random{0x9E3779B97F4A7C15ull};
    for (const char* structure : allStructures) {
        int index = 0;
        for (const CRow& row : rows) {
            ++index;
            // Error feedback needs the residue of a fixed-point rounding.
            if (std::string(structure) == "ef" && !(std::string(row.type).starts_with("q")))
                continue;
            checkC(row, structure, random,
                   std::string(structure) + " row " + std::to_string(index) + " " + row.type);
        }
    }
}

// A driver of the module `f`: a sample on every clock but every seventh; every result is
// printed.
std::string verilogDriver(int w, const std::vector<std::int64_t>& x) {
    const std::string data = "signed [" + std::to_string(w - 1) + ":0]";
    const std::string n = std::to_string(x.size());
    std::string t = "`timescale 1ns / 1ps\nmodule drive;\n";
    t += "    reg clk = 1'b0, rst = 1'b1, in_valid = 1'b0;\n";
    t += "    reg " + data + " in_sample = 0;\n    wire out_valid;\n";
    t += "    wire " + data + " out_sample;\n";
    t += "    reg " + data + " x [0:" + n + " - 1];\n    integer c = 0, sent = 0;\n";
    t += "    f dut (.clk(clk), .rst(rst), .in_valid(in_valid), .in_sample(in_sample),\n"
         "           .out_valid(out_valid), .out_sample(out_sample));\n";
    t += "    always #5 clk = ~clk;\n    initial begin\n";
    for (std::size_t i = 0; i < x.size(); ++i)
        t += "        x[" + std::to_string(i) + "] = " + std::to_string(w) + "'d" +
             std::to_string(static_cast<std::uint64_t>(x[i]) & ((std::uint64_t{1} << w) - 1)) +
             ";\n";
    t += "    end\n    always @(negedge clk) begin\n";
    t += "        if (out_valid === 1'b1) $display(\"%0d\", out_sample);\n";
    t += "        rst = c < 2;\n";
    t += "        in_valid = !rst && c % 7 != 3 && sent < " + n + ";\n";
    t += "        if (in_valid) begin\n            in_sample = x[sent];\n"
         "            sent = sent + 1;\n        end\n";
    t += "        c = c + 1;\n";
    t += "        if (c > 2 * " + n + " + 100) $finish;\n    end\nendmodule\n";
    return t;
}

struct VerilogRow {
    DesignRequest design;
    int dataBits, coefBits;
    const char* round;
    const char* overflow;
    const char* scale;
    double amplitude;
    bool mustOverflow;
};

void checkVerilog(const VerilogRow& row, const std::string& structure, Random& random,
                  const std::string& label) {
    TempDir dir;
    const std::string flt = designFile(dir, row.design);
    const auto exported = runCli(
        dir, "export d.flt --format verilog --structure " + structure + " --data-bits " +
                 std::to_string(row.dataBits) + " --coef-bits " + std::to_string(row.coefBits) +
                 " --round " + row.round + " --overflow " + row.overflow + " --scale " + row.scale +
                 " --name f --output f.v --test-vectors 300 --force");
    ASSERT_EQ(exported.status, 0) << label << exported.err;
    ASSERT_TRUE(run(dir, "iverilog -g2001 -o tb f.v f_tb.v && vvp -n tb > golden.txt")) << label;
    EXPECT_EQ(readBytes(dir.file("golden.txt")), "OK\n") << label;

    ImplementationOptions io;
    io.arithmetic = {Target::Fixed, row.dataBits, row.coefBits, parseRounding(row.round),
                     parseOverflow(row.overflow)};
    io.scaling = parseScaling(row.scale);
    io.structure = parseStructure(structure);
    const Implementation im = realise(readAnalysedFilter(flt), io);
    const std::string module = readBytes(dir.file("f.v"));
    std::smatch m;
    ASSERT_TRUE(std::regex_search(module, m, std::regex("// latency: ([0-9]+) clock"))) << label;
    // One pipeline stage a section.
    EXPECT_EQ(std::stoul(m[1]), im.quantised.size()) << label;

    const std::vector<double> x = stimulus(im, row.amplitude, 400, random);
    SimulationCounts counts;
    const std::vector<double> y = simulate(im, x, &counts);
    if (row.mustOverflow) {
        ASSERT_GT(counts.overflows, 0) << label;
    }
    const double unit = std::ldexp(1.0, row.dataBits - 1);
    std::vector<std::int64_t> words;
    for (double v : x)
        words.push_back(std::llround(v * unit));
    writeBytes(dir.file("drive.v"), verilogDriver(row.dataBits, words));
    ASSERT_TRUE(run(dir, "iverilog -g2001 -o drive f.v drive.v && vvp -n drive > seen.txt"))
        << label;
    const std::vector<double> seen = numbers(readBytes(dir.file("seen.txt")));
    ASSERT_EQ(seen.size(), y.size()) << label;
    int wrong = 0;
    for (std::size_t n = 0; n < seen.size() && wrong < 3; ++n)
        if (seen[n] != y[n] * unit) {
            ++wrong;
            ADD_FAILURE() << label << " sample " << n << ": Verilog " << seen[n] << ", simulation "
                          << y[n] * unit;
        }
}

// Chosen corners (both roundings, both overflow rules that do overflow, the widest words)
// and random designs and word lengths, for every structure.
TEST(StructureExport, VerilogEqualsTheSimulationForEveryStructure) {
    const VerilogRow chosen[] = {
        {bandPass, 12, 16, "truncate", "wrap", "none", 2, true},
        {lowPass, 10, 14, "nearest", "saturate", "none", 2, true},
        {bandPass, 32, 32, "nearest", "saturate", "l2", 1, false},
    };
    const char* const rounds[] = {"nearest", "truncate"};
    const char* const overflows[] = {"saturate", "wrap"};
    const char* const scales[] = {"peak", "l2", "l1", "none"};
    Random random{0xD1B54A32D192ED03ull};
    for (const char* structure : allStructures) {
        std::vector<VerilogRow> rows(std::begin(chosen), std::end(chosen));
        for (int trial = 0; trial < 2; ++trial) {
            const double a = 0.05 + 0.25 * random.next(), gap = 0.05 + 0.1 * random.next();
            const int order = 1 + random.pick(3);
            const DesignRequest design =
                trial == 0 ? designRequest(order, a, 0, 0, a + gap, 1, 30 + 10 * random.next())
                           : designRequest(order, a + 0.1, a, a - 0.04, a + 0.1 + gap, 1,
                                           25 + 10 * random.next());
            rows.push_back({design, 8 + random.pick(25), 8 + random.pick(25),
                            rounds[random.pick(2)], overflows[random.pick(2)],
                            scales[random.pick(4)], 1, false});
        }
        int index = 0;
        for (const VerilogRow& row : rows) {
            ++index;
            checkVerilog(row, structure, random,
                         std::string(structure) + " row " + std::to_string(index) + ": W " +
                             std::to_string(row.dataBits) + " C " + std::to_string(row.coefBits) +
                             " " + row.round + " " + row.overflow + " " + row.scale);
        }
    }
}

// A structure the target does not have is refused with the target's own message, and
// nothing is written.
TEST(StructureExport, AStructureTheTargetLacksIsRefusedAndNothingIsWritten) {
    const std::string ef = "Структура ef (обратная связь по ошибке) есть только у арифметик с "
                           "фиксированной точкой: q15, q31, fixed; у арифметики ";
    const std::string kernel = " вычисляет только структуру ";
    const std::string other = ": другой у ядра CMSIS-DSP нет";
    struct Row {
        const char* options;
        std::string message;
    };
    const Row rows[] = {
        {"--format c --type float --structure ef --name g --test-vectors 100",
         ef + "float нет остатка округления"},
        {"--format c --type float-fma --structure ef --name g --test-vectors 100",
         ef + "float-fma нет остатка округления"},
        {"--format c --type double --structure ef --name g --test-vectors 100",
         ef + "double нет остатка округления"},
        {"--format cmsis --type q15 --structure df2 --name g --test-vectors 100",
         "Арифметика cmsis-q15" + kernel + "df1" + other},
        {"--format cmsis --type q31 --structure ef --name g --test-vectors 100",
         "Арифметика cmsis-q31" + kernel + "df1" + other},
        {"--format cmsis --type f32 --structure df1 --name g --test-vectors 100",
         "Арифметика cmsis-f32" + kernel + "df2t" + other},
        {"--format sos-csv --structure df2",
         "Структура секций (--structure) выбирается только для форматов c, cmsis и verilog"},
        {"--format python --structure df1",
         "Структура секций (--structure) выбирается только для форматов c, cmsis и verilog"},
        {"--format verilog --structure df3 --name g --test-vectors 100",
         "Неизвестная структура 'df3': допустимы df1, df2, df2t, ef, normal, lattice, optimal"},
    };
    for (const Row& row : rows) {
        TempDir dir;
        designFile(dir, lowPass);
        const auto r = runCli(dir, std::string("export d.flt ") + row.options + " --output g");
        EXPECT_EQ(r.status, 1) << row.options;
        EXPECT_EQ(r.err, row.message + "\n") << row.options;
        for (const char* file : {"g", "g.h", "g.c", "g_test.c", "g.v", "g_tb.v", "g.csv", "g.py"})
            EXPECT_FALSE(std::filesystem::exists(dir.file(file))) << row.options << " " << file;
    }
}

// The comment that opens a file: everything before the first line of code.
std::string headerOf(const std::string& text, const std::string& end) {
    return text.substr(0, text.find(end) + end.size());
}

// Chosen as the target's own structure, the code is the default's to the byte after its
// header comment; the header names the structure and its cost per sample, for a low-pass
// whose sections have five coefficients that are not 0, 1 or a power of two each: direct
// form I 5 multiplications, 4 additions, 4 state words and 5 coefficient words a
// section, the transposed direct form II 5, 4, 2 and 5.
TEST(StructureExport, TheTargetsOwnStructureWritesTheDefaultsCode) {
    struct Row {
        const char* options;
        const char* structure;
        const char* file;  // the file compared
        const char* end;   // the header's last line
        int stateWords;    // a section's
        int realAdditions; // of the section of the real pole
    };
    const Row rows[] = {
        {"--format c --type q15", "df1", "g.c", " */\n", 4, 2},
        {"--format c --type q31", "df1", "g.h", " */\n", 4, 2},
        {"--format c --type float", "df2t", "g.c", " */\n", 2, 3},
        {"--format c --type double", "df2t", "g.h", " */\n", 2, 3},
        {"--format cmsis --type q15", "df1", "g.c", " */\n", 4, 2},
        {"--format cmsis --type f32", "df2t", "g.c", " */\n", 2, 3},
        {"--format verilog --data-bits 14 --coef-bits 20", "df1", "g.v", "\n\nmodule", 4, 2},
    };
    for (const Row& row : rows) {
        TempDir dir;
        designFile(dir, lowPass);
        ASSERT_EQ(
            runCli(dir, std::string("export d.flt ") + row.options + " --name g --output g").status,
            0)
            << row.options;
        const std::string plain = readBytes(dir.file(row.file));
        ASSERT_EQ(runCli(dir, std::string("export d.flt ") + row.options + " --structure " +
                                  row.structure + " --name g --output g")
                      .status,
                  0)
            << row.options;
        const std::string chosen = readBytes(dir.file(row.file));
        const std::string header = headerOf(chosen, row.end);
        EXPECT_EQ(chosen.substr(header.size()), plain.substr(headerOf(plain, row.end).size()))
            << row.options;
        // The low-pass has seven poles: three pairs and one real pole, whose section has
        // no b2 and a2: three multiplications, and two additions in direct form I, three in
        // the transposed direct form II, which still adds its second state (always 0).
        const int pairs = 3, real = 1;
        EXPECT_NE(plain.find("second-order sections: 4"), std::string::npos) << row.options;
        EXPECT_EQ(headerOf(plain, row.end).find("structure:"), std::string::npos) << row.options;
        EXPECT_NE(header.find(std::string("structure: ") + row.structure + ", "), std::string::npos)
            << row.options;
        const int products = 5 * pairs + 3 * real;
        const std::string cost =
            "cost per sample: " + std::to_string(products) + " multiplications, " +
            std::to_string(4 * pairs + row.realAdditions * real) + " additions, " +
            std::to_string(row.stateWords * (pairs + real)) + " state words, " +
            std::to_string(products) + " coefficient words\n";
        EXPECT_NE(header.find(cost), std::string::npos) << row.options << "\n" << header;
    }
}

// The golden test vectors of a structure keep the refusals of the export: two samples of
// the stimulus (sin 0 = 0, then silence) through a first-order section expect a constant
// 0, which checks nothing; refused with nothing written, written when forced.
TEST(StructureExport, TheRefusalsOfTheExportHoldForEveryStructure) {
    const char* const formats[] = {"--format c --type q15 --output g",
                                   "--format c --type float "
                                   "--output g",
                                   "--format verilog --output g"};
    for (const char* structure : allStructures)
        for (const char* format : formats) {
            const std::string label = std::string(structure) + " " + format;
            if (std::string(structure) == "ef" &&
                std::string(format).find("float") != std::string::npos)
                continue;
            TempDir dir;
            writeBytes(dir.file("g.flt"), "2\r\n0\r\n4 0 0\r\n1 -0.5 0\r\n");
            const std::string command = std::string("export g.flt --test-vectors 2 --structure ") +
                                        structure + " " + format;
            const auto refused = runCli(dir, command);
            EXPECT_EQ(refused.status, 1) << label;
            EXPECT_NE(refused.err.find("Ожидаемый выход тестовых векторов постоянен"),
                      std::string::npos)
                << label << refused.err;
            for (const char* file : {"g.h", "g.c", "g_test.c", "g.v", "g_tb.v"})
                EXPECT_FALSE(std::filesystem::exists(dir.file(file))) << label << " " << file;
            EXPECT_EQ(runCli(dir, command + " --force").status, 0) << label;
            const bool verilog = std::string(format).find("verilog") != std::string::npos;
            EXPECT_TRUE(std::filesystem::exists(dir.file(verilog ? "g_tb.v" : "g_test.c")))
                << label;
        }
}

// Verilator's every warning on the module of every structure, at each rounding and
// overflow rule and at the narrowest and widest words.
TEST(StructureExport, VerilatorFindsNothingInAnyStructure) {
    const char* const variants[] = {
        "--data-bits 16 --coef-bits 18",
        "--data-bits 4 --coef-bits 6 --round truncate --overflow wrap --scale l1",
        "--data-bits 32 --coef-bits 32 --overflow wrap --order descending",
    };
    for (const char* structure : allStructures)
        for (const char* variant : variants) {
            const std::string label = std::string(structure) + " " + variant;
            TempDir dir;
            designFile(dir, bandPass);
            const auto exported =
                runCli(dir, std::string("export d.flt --format verilog --name f --output f.v "
                                        "--force --structure ") +
                                structure + " " + variant);
            ASSERT_EQ(exported.status, 0) << label << exported.err;
            EXPECT_TRUE(run(dir, "verilator --lint-only -Wall f.v > lint.txt 2>&1"))
                << label << readBytes(dir.file("lint.txt"));
            EXPECT_EQ(readBytes(dir.file("lint.txt")), "") << label;
        }
}

// The help names the default structure and says in one line what each structure is.
TEST(StructureExport, HelpStatesTheDefaultAndEachStructure) {
    TempDir dir;
    const auto help = runCli(dir, "export --help");
    ASSERT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("  --structure S  "), std::string::npos);
    EXPECT_NE(help.out.find("умолчанию своя у арифметики: df1 для q15, q31 и verilog, df2t\n"
                            "                 для double, float и float-fma"),
              std::string::npos)
        << help.out;
    for (const char* structure : allStructures) {
        const std::string name = structure;
        const std::string line = "\n                 " + name + std::string(9 - name.size(), ' ');
        const std::size_t at = help.out.find(line);
        ASSERT_NE(at, std::string::npos) << name;
        // A description follows the name on its line.
        EXPECT_GT(help.out.find('\n', at + 1), at + line.size() + 10) << name;
    }
}

} // namespace
} // namespace zorkan
