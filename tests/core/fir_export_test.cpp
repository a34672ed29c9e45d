// The export of a FIR filter (".fir") run where it will live: the C and CMSIS-DSP code
// compiled with the strictest warnings and run on the host (and on QEMU's Cortex-M4 when
// the cross tools are present), the Verilog module in Icarus Verilog and linted by
// Verilator, each against golden vectors that equal `implement --simulate` bit for bit;
// the taps of CSV, Octave and Python read back exactly; the symmetric multipliers shared;
// what does not apply to taps refused.
#include "fir/firfile.h"
#include "modelling/signalfile.h"

#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

namespace zorkan {
namespace {

using testing::readBytes;
using testing::runCli;
using testing::TempDir;
using testing::writeBytes;

const std::string standIns = std::string(ZORKAN_SOURCE_DIR) + "/tests/cmsis";
const std::string device = std::string(ZORKAN_SOURCE_DIR) + "/tests/device";
const char* const strict = "cc -std=c99 -O2 -Wall -Wextra -Werror -pedantic ";

// Hand-chosen symmetric low-passes: a half-band one whose taps are dyadic (L1 norm 1.125,
// so that full-scale inputs saturate), and one whose taps every word rounds.
const std::vector<double> halfBand = {-0.03125, 0, 0.28125, 0.5, 0.28125, 0, -0.03125};
const std::vector<double> rounded = {0.0123, -0.0456, 0.2789, 0.4567, 0.2789, -0.0456, 0.0123};

std::string writeFir(const TempDir& dir, const std::string& name, const std::vector<double>& taps) {
    writeFirFile(dir.file(name), FirFilter{taps});
    return name;
}

int shell(const TempDir& dir, const std::string& command) {
    const int status =
        std::system(("cd '" + dir.path().string() + "' && " + command + " > run.txt 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool haveTool(const char* tool) {
    return std::system((std::string("command -v ") + tool + " > /dev/null 2>&1").c_str()) == 0;
}

// The numbers of the C array `name` = { ... }; in a test program, as written.
std::vector<std::string> cArray(const std::string& source, const std::string& name) {
    const std::size_t open = source.find('{', source.find(name + "["));
    const std::size_t end = source.find("};", open);
    std::string body = source.substr(open + 1, end - open - 1);
    // "(-2147483647 - 1)" is the one expression.
    body = std::regex_replace(body, std::regex(R"(\(-2147483647 - 1\))"), "-2147483648");
    std::vector<std::string> v;
    std::istringstream in(body);
    std::string item;
    while (std::getline(in, item, ',')) {
        item = std::regex_replace(item, std::regex(R"(\s|f$)"), "");
        if (!item.empty() && item.back() == 'f')
            item.pop_back();
        if (!item.empty())
            v.push_back(item);
    }
    return v;
}

// The test program's input written as a signal file, `implement --simulate` run over it
// with `target`, and its output compared with the program's expected values: words of W
// bits exactly (fixed point), floats exactly (float targets).
void expectSimulationEqualsGolden(const TempDir& dir, const std::string& fir,
                                  const std::string& target, int dataBits, bool single,
                                  const std::string& label) {
    const std::string program = readBytes(dir.file("f_test.c"));
    const std::vector<std::string> in = cArray(program, "test_input");
    const std::vector<std::string> expected = cArray(program, "test_expected");
    ASSERT_EQ(in.size(), expected.size()) << label;
    const double unit = dataBits ? std::ldexp(1.0, dataBits - 1) : 1;
    {
        TextWriter out(dir.file("in.sig"));
        for (const std::string& v : in)
            writeSample(out, std::stod(v) / unit);
        out.close();
    }
    ASSERT_EQ(runCli(dir, "implement " + fir + " --target " + target + " --simulate in.sig out.sig")
                  .status,
              0)
        << label;
    std::vector<double> y;
    forEachSample(dir.file("out.sig"), [&](double v) { y.push_back(v); });
    ASSERT_EQ(y.size(), expected.size()) << label;
    for (std::size_t i = 0; i < y.size(); ++i) {
        if (dataBits) {
            ASSERT_EQ(std::llround(y[i] * unit), std::stoll(expected[i])) << label << " at " << i;
        } else if (single) {
            ASSERT_EQ(static_cast<float>(y[i]), std::stof(expected[i])) << label << " at " << i;
        }
    }
}

const struct CodeRow {
    const char* options;
    const char* target; // of implement
    int dataBits;       // 0: floating point
    bool single;
    bool cmsis;
} codeRows[] = {
    {"--format c --type double", "double", 0, false, false},
    {"--format c --type float", "float", 0, true, false},
    {"--format c --type q15", "q15", 16, false, false},
    {"--format c --type q31", "q31", 32, false, false},
    {"--format cmsis --type q15", "cmsis-fir-q15", 16, false, true},
    {"--format cmsis --type q31", "cmsis-fir-q31", 32, false, true},
    {"--format cmsis --type f32", "cmsis-fir-f32", 0, true, true},
    {"--format cmsis --type fir-q15", "cmsis-fir-q15", 16, false, true},
};

// Every type of C and CMSIS-DSP, both filters: the code passes its golden vectors on the
// host (the CMSIS-DSP code with the stand-in kernels written from the documented
// arithmetic), and the golden vectors are `implement --simulate`'s output.
TEST(FirExport, HostCodeEqualsImplementSimulate) {
    TempDir dir;
    for (const auto& [name, taps] : {std::pair{"hb.fir", halfBand}, std::pair{"r.fir", rounded}}) {
        const std::string fir = writeFir(dir, name, taps);
        for (const CodeRow& r : codeRows) {
            const std::string label = fir + " " + r.options;
            ASSERT_EQ(runCli(dir, "export " + fir + " " + r.options +
                                      " --name g --output f --test-vectors 1500")
                          .status,
                      0)
                << label;
            const std::string build = r.cmsis ? std::string(strict) + "-I'" + standIns +
                                                    "' f.c f_test.c '" + standIns +
                                                    "/kernels.c' -o t && ./t"
                                              : std::string(strict) + "f.c f_test.c -o t && ./t";
            ASSERT_EQ(shell(dir, build), 0) << label << readBytes(dir.file("run.txt"));
            EXPECT_EQ(readBytes(dir.file("run.txt")), "OK\n") << label;
            expectSimulationEqualsGolden(dir, fir, r.target, r.dataBits, r.single, label);
        }
    }
    // The one-header form of C.
    ASSERT_EQ(
        runCli(dir, "export r.fir --format c --type q15 --output one.h --test-vectors 500").status,
        0);
    ASSERT_EQ(shell(dir, std::string(strict) + "one_test.c -o t && ./t"), 0)
        << readBytes(dir.file("run.txt"));
}

// The test program fails when one expected value is off by one unit: the vectors check.
TEST(FirExport, GoldenVectorsCatchAChangedValue) {
    TempDir dir;
    const std::string fir = writeFir(dir, "r.fir", rounded);
    ASSERT_EQ(runCli(dir, "export " + fir +
                              " --format cmsis --type q31 --name g --output f "
                              "--test-vectors 300")
                  .status,
              0);
    std::string program = readBytes(dir.file("f_test.c"));
    const std::vector<std::string> expected = cArray(program, "test_expected");
    const std::size_t at = program.find(" " + expected[200] + ",", program.find("test_expected"));
    ASSERT_NE(at, std::string::npos);
    program.replace(at + 1, expected[200].size(), std::to_string(std::stoll(expected[200]) + 1));
    writeBytes(dir.file("f_test.c"), program);
    EXPECT_EQ(shell(dir, std::string(strict) + "-I'" + standIns + "' f.c f_test.c '" + standIns +
                             "/kernels.c' -o t && ./t"),
              1);
    EXPECT_EQ(readBytes(dir.file("run.txt")).rfind("FAIL at ", 0), 0u)
        << readBytes(dir.file("run.txt"));
}

// The CMSIS-DSP and C code cross-compiled for a Cortex-M4 with its FPU and run on QEMU's
// mps2-an386 (floating point compiled without contraction, as the header asks).
TEST(FirExport, SelfTestOnAnEmulatedCortexM4) {
    if (!haveTool("arm-none-eabi-gcc") || !haveTool("qemu-system-arm"))
        GTEST_SKIP() << "arm-none-eabi-gcc or qemu-system-arm is absent (scripts/install-deps)";
    TempDir dir;
    const std::string fir = writeFir(dir, "r.fir", rounded);
    const std::string cross = "arm-none-eabi-gcc -mcpu=cortex-m4 -mthumb -mfloat-abi=hard "
                              "-mfpu=fpv4-sp-d16 -O2 -std=gnu99 -ffp-contract=off -Wall -Wextra "
                              "-Werror --specs=rdimon.specs -nostartfiles -T '" +
                              device + "/cortex-m4.ld' '" + device + "/startup.c' -I'" + standIns +
                              "' ";
    const std::string qemu = "timeout 120 qemu-system-arm -M mps2-an386 -cpu cortex-m4 -nographic "
                             "-monitor none -serial none -semihosting-config "
                             "enable=on,target=native -kernel t.elf";
    for (const char* options :
         {"--format cmsis --type q15", "--format cmsis --type q31", "--format cmsis --type f32",
          "--format c --type q15", "--format c --type float"}) {
        ASSERT_EQ(runCli(dir, "export " + fir + " " + options +
                                  " --name g --output g --test-vectors 2000")
                      .status,
                  0)
            << options;
        const bool cmsis = std::string(options).find("cmsis") != std::string::npos;
        ASSERT_EQ(shell(dir, cross + "g.c g_test.c " +
                                 (cmsis ? "'" + standIns + "/kernels.c' " : std::string()) +
                                 "-lm -o t.elf"),
                  0)
            << options << readBytes(dir.file("run.txt"));
        EXPECT_EQ(shell(dir, qemu), 0) << options << readBytes(dir.file("run.txt"));
        EXPECT_EQ(readBytes(dir.file("run.txt")), "OK\n") << options;
    }
}

// A signed W-bit word from the testbench's "W'hXXXX".
std::vector<long long> testbenchWords(const std::string& tb, const std::string& array, int w) {
    std::vector<long long> v;
    const std::regex item(array + R"(\[(\d+)\] = \d+'h([0-9a-f]+);)");
    for (auto it = std::sregex_iterator(tb.begin(), tb.end(), item); it != std::sregex_iterator();
         ++it) {
        long long u = static_cast<long long>(std::stoull((*it)[2].str(), nullptr, 16));
        if (u >= (1LL << (w - 1)))
            u -= 1LL << w;
        v.push_back(u);
    }
    return v;
}

// The module in Icarus Verilog for several words and rules: its testbench passes, Verilator
// finds nothing, and the testbench's expected values are `implement --simulate`'s.
TEST(FirExport, VerilogEqualsImplementSimulate) {
    if (!haveTool("iverilog") || !haveTool("vvp"))
        GTEST_SKIP() << "Icarus Verilog is absent (scripts/install-deps)";
    TempDir dir;
    const std::string fir = writeFir(dir, "r.fir", rounded);
    writeFir(dir, "hb.fir", halfBand);
    writeFir(dir, "anti.fir", {0.25, 0.5, 0, -0.5, -0.25});
    const struct {
        const char* fir;
        const char* words;
        int w;
    } rows[] = {
        {"r.fir", "", 16},
        {"hb.fir", "", 16},
        {"r.fir", "--data-bits 12 --coef-bits 10 --round truncate --overflow wrap", 12},
        {"hb.fir", "--data-bits 8 --coef-bits 8 --overflow wrap", 8},
        {"anti.fir", "--data-bits 24 --coef-bits 18 --round truncate", 24},
    };
    for (const auto& r : rows) {
        const std::string label = std::string(r.fir) + " " + r.words;
        ASSERT_EQ(runCli(dir, std::string("export ") + r.fir + " --format verilog --name f " +
                                  r.words + " --output f.v --test-vectors 700")
                      .status,
                  0)
            << label;
        ASSERT_EQ(shell(dir, "iverilog -g2001 -o tb f.v f_tb.v && vvp -n tb"), 0)
            << label << readBytes(dir.file("run.txt"));
        EXPECT_EQ(readBytes(dir.file("run.txt")), "OK\n") << label;
        if (haveTool("verilator")) {
            EXPECT_EQ(shell(dir, "verilator --lint-only -Wall f.v"), 0)
                << label << readBytes(dir.file("run.txt"));
        }

        const std::string tb = readBytes(dir.file("f_tb.v"));
        const std::vector<long long> in = testbenchWords(tb, "stimulus", r.w);
        const std::vector<long long> expected = testbenchWords(tb, "expected", r.w);
        ASSERT_EQ(in.size(), 700u) << label;
        {
            TextWriter out(dir.file("in.sig"));
            for (long long v : in)
                writeSample(out, std::ldexp(static_cast<double>(v), -(r.w - 1)));
            out.close();
        }
        std::string words = r.words;
        if (words.empty())
            words = "--data-bits 16 --coef-bits 32";
        ASSERT_EQ(runCli(dir, std::string("implement ") + r.fir + " --target fixed " + words +
                                  " --simulate in.sig out.sig")
                      .status,
                  0)
            << label;
        std::vector<long long> y;
        forEachSample(dir.file("out.sig"),
                      [&](double v) { y.push_back(std::llround(std::ldexp(v, r.w - 1))); });
        EXPECT_EQ(y, expected) << label;
    }
}

// A tap equal or opposite to its mirror shares its multiplier: the half-band filter's
// nonzero taps h0 = h6, h2 = h4, h3 need three, the rounded one's h0..h3 four, the
// antisymmetric 0.25, 0.5, 0, -0.5, -0.25 two, taps without symmetry one each.
TEST(FirExport, VerilogSharesTheProductsOfMirroredTaps) {
    TempDir dir;
    const struct {
        std::vector<double> taps;
        int multipliers;
    } rows[] = {
        {halfBand, 3}, {rounded, 4}, {{0.25, 0.5, 0, -0.5, -0.25}, 2}, {{0.1, 0.2, 0.3, 0.4}, 4},
        {{0.5}, 1},
    };
    for (const auto& r : rows) {
        writeFir(dir, "f.fir", r.taps);
        const auto out = runCli(dir, "export f.fir --format verilog --name f");
        ASSERT_EQ(out.status, 0) << out.err;
        const std::regex product(R"(wire signed \[\d+:0\] m\d+ = C\d+ \* x;)");
        const auto count = std::distance(
            std::sregex_iterator(out.out.begin(), out.out.end(), product), std::sregex_iterator());
        EXPECT_EQ(count, r.multipliers) << out.out;
    }
}

// CSV, Octave and Python give back the very taps (17 significant digits), and Python's
// b and a filter an impulse into the taps.
TEST(FirExport, TapFormatsReadBackExactly) {
    TempDir dir;
    const std::string fir = writeFir(dir, "r.fir", rounded);
    const auto csv = runCli(dir, "export " + fir + " --format csv");
    ASSERT_EQ(csv.status, 0) << csv.err;
    std::vector<double> read;
    std::istringstream lines(csv.out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] != '#')
            read.push_back(std::stod(line));
    EXPECT_EQ(read, rounded);

    const auto m = runCli(dir, "export " + fir + " --format octave");
    ASSERT_EQ(m.status, 0) << m.err;
    const std::size_t open = m.out.find("b = [\n"), close = m.out.find("]';\na = 1;\n");
    ASSERT_NE(open, std::string::npos);
    ASSERT_NE(close, std::string::npos);
    std::istringstream column(m.out.substr(open + 6, close - open - 6));
    read.clear();
    for (double v; column >> v;)
        read.push_back(v);
    EXPECT_EQ(read, rounded);

    ASSERT_EQ(runCli(dir, "export " + fir + " --format python --output f.py").status, 0);
    if (std::system("/usr/bin/python3 -c 'import numpy, scipy.signal' 2>/dev/null") != 0)
        GTEST_SKIP() << "/usr/bin/python3 has no numpy or scipy";
    ASSERT_EQ(shell(dir,
                    "/usr/bin/python3 -c \"import runpy, numpy as np; from scipy.signal import "
                    "lfilter; m = runpy.run_path('f.py'); x = np.zeros(9); x[0] = 1; "
                    "print(list(m['a']), [float(v).hex() for v in lfilter(m['b'], m['a'], "
                    "x)])\""),
              0)
        << readBytes(dir.file("run.txt"));
    std::string expected = "[1.0] [";
    for (double h : rounded) {
        char hex[40];
        std::snprintf(hex, sizeof hex, "'%.13a', ", h);
        expected += hex;
    }
    expected += "'0x0.0p+0', '0x0.0p+0']\n";
    EXPECT_EQ(readBytes(dir.file("run.txt")), expected);
}

// Options of sections and targets of cascades: a clear message, exit 1, nothing written.
TEST(FirExport, WhatDoesNotApplyToTapsIsRefused) {
    TempDir dir;
    writeFir(dir, "lp.fir", halfBand);
    writeBytes(dir.file("s.flt"), "2\n0\n1 0 0\n1 -0.5 0\n");
    const struct {
        const char* arguments;
        const char* expected;
    } rows[] = {
        {"export lp.fir --format sos-csv --output o.csv", "sos-csv"},
        {"export lp.fir --format c --type float-fma --output o", "double, float, q15 и q31"},
        {"export lp.fir --format cmsis --type lattice-q15 --output o", "arm_fir_q15"},
        {"export lp.fir --format c --scale l1 --output o", "--scale"},
        {"export lp.fir --format verilog --order file --output o", "--order"},
        {"export lp.fir --format csv --normalise --output o.csv", "--normalise"},
        {"export lp.fir --format c --type q15 --structure df2 --output o", "--structure"},
        {"export s.flt --format csv --output o.csv", "sos-csv"},
        {"implement lp.fir --target cmsis-q15", "относится к каскаду секций"},
        {"implement lp.fir --target cmsis-lattice-f32", "относится к каскаду секций"},
        {"implement lp.fir --structure df2", "--structure"},
        {"implement lp.fir --best", "--best"},
        {"implement s.flt --target cmsis-fir-q15", "ядро КИХ-фильтра"},
        {"implement s.flt --target cmsis-fir-f32 --simulate lp.fir o.sig", "ядро КИХ-фильтра"},
    };
    for (const auto& r : rows) {
        const auto out = runCli(dir, r.arguments);
        EXPECT_EQ(out.status, 1) << r.arguments;
        EXPECT_NE(out.err.find(r.expected), std::string::npos) << r.arguments << "\n" << out.err;
        for (const char* name : {"o", "o.c", "o.h", "o.csv", "o.v", "o.sig"})
            EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << r.arguments << " " << name;
    }
}

// The report: the L1 norm, the words' taps written back with --quantised (in C = 5 bits
// the half-band taps become 0, 0, 0.25, 0.5, 0.25, 0, 0), and no limit cycles.
TEST(FirImplement, ReportAndQuantisedTaps) {
    TempDir dir;
    writeFir(dir, "lp.fir", halfBand);
    const auto json = runCli(dir, "implement lp.fir --target fixed --coef-bits 5 --quantised "
                                  "q.fir --json");
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find("\"l1_norm\": 1,"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"coef_fraction\": 3,"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"limit_cycles\": false"), std::string::npos) << json.out;
    EXPECT_EQ(readFirFile(dir.file("q.fir")).taps,
              (std::vector<double>{0, 0, 0.25, 0.5, 0.25, 0, 0}));
    const auto text = runCli(dir, "implement lp.fir --target cmsis-fir-q31");
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Предельных циклов у КИХ-фильтра нет"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Норма L1 импульсной характеристики (сумма модулей отводов): "
                            "1.12500000000000E+0000"),
              std::string::npos)
        << text.out;
}

} // namespace
} // namespace zorkan
