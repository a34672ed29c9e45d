// The Verilog export run where it will live: the module simulated by Icarus Verilog
// against the bit-exact simulation of the fixed-point implementation (every clock, with
// gaps, with a reset in the middle of a run), linted by Verilator, synthesised by Yosys,
// and its golden testbench passing and catching a changed expected value.
#include "coefficients/filterfile.h"
#include "design/designrun.h"
#include "fixedpoint/implementation.h"
#include "fixedpoint/simulation.h"
#include "modelling/signalfile.h"

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

std::string designFile(const TempDir& dir, const std::string& name, const DesignRequest& r) {
    const std::string path = dir.file(name + ".flt");
    designFilter(r, dir.file(name + ".out"), path, [](const std::string&) {});
    return path;
}

// What the test drives on one clock.
struct Clock {
    bool rst = false;
    bool valid = false;
    std::int64_t sample = 0;
};

// A driver of the module `f`: the values of clock c are set between rising edges, so the
// edge after takes them; every result is printed with the clock it was seen on.
std::string driver(int w, const std::vector<Clock>& clocks) {
    const std::string data = "signed [" + std::to_string(w - 1) + ":0]";
    const std::string n = std::to_string(clocks.size());
    std::string t = "`timescale 1ns / 1ps\nmodule drive;\n";
    t += "    reg clk = 1'b0, rst = 1'b1, in_valid = 1'b0;\n";
    t += "    reg " + data + " in_sample = 0;\n    wire out_valid;\n";
    t += "    wire " + data + " out_sample;\n";
    t += "    reg r [0:" + n + " - 1];\n    reg v [0:" + n + " - 1];\n";
    t += "    reg " + data + " x [0:" + n + " - 1];\n    integer c = 0;\n";
    t += "    f dut (.clk(clk), .rst(rst), .in_valid(in_valid), .in_sample(in_sample),\n"
         "           .out_valid(out_valid), .out_sample(out_sample));\n";
    t += "    always #5 clk = ~clk;\n    initial begin\n";
    for (std::size_t i = 0; i < clocks.size(); ++i) {
        const std::string k = std::to_string(i);
        const std::uint64_t low =
            static_cast<std::uint64_t>(clocks[i].sample) & ((std::uint64_t{1} << w) - 1);
        t += "        r[" + k + "] = " + (clocks[i].rst ? "1" : "0") + "; v[" + k +
             "] = " + (clocks[i].valid ? "1" : "0") + "; x[" + k + "] = " + std::to_string(w) +
             "'d" + std::to_string(low) + ";\n";
    }
    t += "    end\n    always @(negedge clk) begin\n";
    t += "        if (out_valid === 1'b1) $display(\"%0d %0d\", c, out_sample);\n";
    t += "        if (c < " + n + ") begin\n";
    t += "            rst = r[c]; in_valid = v[c]; in_sample = x[c];\n";
    t += "        end else begin\n            rst = 1'b0; in_valid = 1'b0;\n        end\n";
    t += "        c = c + 1;\n";
    t += "        if (c > " + n + " + 200) $finish;\n    end\nendmodule\n";
    return t;
}

struct Seen {
    int clock;
    std::int64_t value;
};

std::vector<Seen> runIcarus(const TempDir& dir, const std::string& tb) {
    writeBytes(dir.file("drive.v"), tb);
    const std::string cd = "cd '" + dir.path().string() + "' && ";
    std::vector<Seen> seen;
    if (std::system(
            (cd + "iverilog -g2001 -o drive f.v drive.v && vvp -n drive > seen.txt").c_str()) != 0)
        return seen;
    std::istringstream in(readBytes(dir.file("seen.txt")));
    Seen s;
    while (in >> s.clock >> s.value)
        seen.push_back(s);
    return seen;
}

int statedLatency(const std::string& module) {
    std::smatch m;
    return std::regex_search(module, m, std::regex("// latency: ([0-9]+) clock")) ? std::stoi(m[1])
                                                                                  : -1;
}

std::vector<std::int64_t> simulated(const Implementation& im, const std::vector<std::int64_t>& x) {
    Simulator sim(im);
    std::vector<std::int64_t> y;
    for (std::int64_t v : x)
        y.push_back(sim.stepFixed(v));
    return y;
}

// The xorshift of the tests, uniform in [0, 1).
struct Random {
    std::uint64_t state = 0x2545F4914F6CDD1Dull;
    double next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    }
};

struct Case {
    DesignRequest design;
    int dataBits, coefBits;
    const char* round;
    const char* overflow;
    const char* scale;
    const char* order;
    double gaps; // the share of clocks without a sample
    bool mustOverflow;
};

// Exports the case through zorkan-cli (forced: the cases reach the words' corners, where
// the simulation may refuse the implementation), runs it in Icarus Verilog on full-scale random
// input and compares every result, and the clock it came out on, with the simulation.
void checkCase(const Case& c, Random& random, const std::string& label) {
    TempDir dir;
    const std::string flt = designFile(dir, "d", c.design);
    const std::string options = " --data-bits " + std::to_string(c.dataBits) + " --coef-bits " +
                                std::to_string(c.coefBits) + " --round " + c.round +
                                " --overflow " + c.overflow + " --scale " + c.scale + " --order " +
                                c.order;
    const auto exported =
        runCli(dir, "export d.flt --format verilog --name f --output f.v --force" + options);
    ASSERT_EQ(exported.status, 0) << label << exported.err;
    const std::string module = readBytes(dir.file("f.v"));

    ImplementationOptions io;
    io.arithmetic = {Target::Fixed, c.dataBits, c.coefBits, parseRounding(c.round),
                     parseOverflow(c.overflow)};
    io.scaling = parseScaling(c.scale);
    io.order = parseSectionOrder(c.order);
    const Implementation im = realise(readAnalysedFilter(flt), io);
    const int latency = statedLatency(module);
    ASSERT_EQ(latency, static_cast<int>(im.fixed.size())) << label;

    const std::int64_t half = std::int64_t{1} << (c.dataBits - 1);
    std::vector<Clock> clocks;
    std::vector<std::int64_t> input;
    std::vector<int> inputClock;
    for (int n = 0; n < 600; ++n) {
        Clock k;
        k.valid = !(random.next() < c.gaps);
        // Full-scale bursts, the extremes included, between quieter stretches.
        const double amplitude = n % 200 < 60 ? 1.0 : 0.3;
        k.sample = static_cast<std::int64_t>(
            std::floor((2 * random.next() - 1) * amplitude * static_cast<double>(half)));
        if (n % 97 == 5)
            k.sample = n % 2 ? half - 1 : -half;
        if (k.valid) {
            input.push_back(k.sample);
            inputClock.push_back(n);
        }
        clocks.push_back(k);
    }
    Simulator sim(im);
    std::vector<std::int64_t> expected;
    for (std::int64_t v : input)
        expected.push_back(sim.stepFixed(v));
    if (c.mustOverflow) {
        ASSERT_GT(sim.counts().overflows, 0) << label;
    }

    const std::vector<Seen> seen = runIcarus(dir, driver(c.dataBits, clocks));
    ASSERT_EQ(seen.size(), expected.size()) << label;
    int wrong = 0;
    for (std::size_t i = 0; i < seen.size() && wrong < 3; ++i) {
        if (seen[i].value != expected[i] || seen[i].clock != inputClock[i] + latency) {
            ++wrong;
            ADD_FAILURE() << label << ": sample " << i << " taken on clock " << inputClock[i]
                          << ": Verilog " << seen[i].value << " on clock " << seen[i].clock
                          << ", simulation " << expected[i] << " on clock "
                          << inputClock[i] + latency;
        }
    }
}

// Designs and word lengths chosen for their edges: the narrowest and widest words, the
// 64-bit sums of W = C = 32, wrapping and saturating filters that do overflow, truncation,
// every scaling and order; a sample on every clock and with gaps.
TEST(VerilogExport, IcarusEqualsTheSimulationOnChosenCases) {
    const DesignRequest cheby = designRequest(2, 0.1, 0, 0, 0.14, 1, 40);
    const DesignRequest ellipBand = designRequest(3, 0.3, 0.2, 0.15, 0.35, 1, 35);
    const DesignRequest butterHigh = designRequest(1, 0, 0.3, 0.2, 0, 1, 30);
    const Case cases[] = {
        {cheby, 16, 18, "nearest", "saturate", "peak", "ascending", 0, false},
        {cheby, 16, 18, "nearest", "saturate", "peak", "ascending", 0.4, false},
        {cheby, 12, 16, "truncate", "wrap", "none", "descending", 0, true},
        {cheby, 12, 16, "nearest", "wrap", "none", "file", 0.3, true},
        {cheby, 10, 14, "truncate", "saturate", "none", "file", 0.2, true},
        {ellipBand, 32, 32, "nearest", "saturate", "l2", "ascending", 0.1, false},
        {ellipBand, 32, 32, "truncate", "wrap", "l1", "descending", 0, false},
        {butterHigh, 4, 8, "nearest", "saturate", "peak", "file", 0.5, false},
        {butterHigh, 8, 32, "truncate", "wrap", "l2", "ascending", 0, false},
    };
    Random random;
    int row = 0;
    for (const Case& c : cases)
        checkCase(c, random, "row " + std::to_string(++row));
}

// Random designs of every kind and approximation at random word lengths and options.
TEST(VerilogExport, IcarusEqualsTheSimulationOnRandomDesigns) {
    Random random;
    // ZORKAN_VERILOG_TRIALS=N runs a longer sweep.
    const char* trials = std::getenv("ZORKAN_VERILOG_TRIALS");
    const int count = trials ? std::atoi(trials) : 6;
    const char* const rounds[] = {"nearest", "truncate"};
    const char* const overflows[] = {"saturate", "wrap"};
    const char* const scales[] = {"peak", "l2", "l1", "none"};
    const char* const orders[] = {"file", "ascending", "descending"};
    auto pick = [&random](int n) { return static_cast<int>(random.next() * n); };
    for (int trial = 0; trial < count; ++trial) {
        const int kind = trial % 3;
        const double a = 0.05 + 0.25 * random.next(), gap = 0.05 + 0.1 * random.next();
        DesignRequest r;
        if (kind == 0)
            r = designRequest(1 + pick(3), a, 0, 0, a + gap, 0.5 + random.next(),
                              25 + 20 * random.next());
        else if (kind == 1)
            r = designRequest(1 + pick(3), 0, a + gap, a, 0, 0.5 + random.next(),
                              25 + 20 * random.next());
        else
            r = designRequest(1 + pick(3), a + 0.1, a, a - 0.04, a + 0.1 + gap, 1,
                              25 + 10 * random.next());
        Case c{r,
               8 + pick(25),
               12 + pick(21),
               rounds[pick(2)],
               overflows[pick(2)],
               scales[pick(4)],
               orders[pick(3)],
               random.next() < 0.5 ? 0 : 0.3,
               false};
        const std::string label = "trial " + std::to_string(trial) + ": W " +
                                  std::to_string(c.dataBits) + " C " + std::to_string(c.coefBits) +
                                  " " + c.round + " " + c.overflow + " " + c.scale + " " + c.order;
        checkCase(c, random, label);
    }
}

// A reset in the middle of a run clears the state and the samples in flight: the results
// before it are the run's, those after it a fresh filter's, and the samples the reset
// caught in the pipeline give none.
TEST(VerilogExport, ResetInTheMiddleClearsTheState) {
    TempDir dir;
    const std::string flt = designFile(dir, "d", designRequest(2, 0.1, 0, 0, 0.14, 1, 40));
    ASSERT_EQ(runCli(dir, "export d.flt --format verilog --name f --output f.v --data-bits 14 "
                          "--coef-bits 20")
                  .status,
              0);
    ImplementationOptions io;
    io.arithmetic = {Target::Fixed, 14, 20, Rounding::Nearest, Overflow::Saturate};
    const Implementation im = realise(readAnalysedFilter(flt), io);
    const int latency = static_cast<int>(im.fixed.size());
    ASSERT_GT(latency, 1);

    Random random;
    std::vector<std::int64_t> first, second;
    std::vector<Clock> clocks;
    for (int n = 0; n < 300; ++n) {
        first.push_back(static_cast<std::int64_t>(std::floor((2 * random.next() - 1) * 8191)));
        clocks.push_back({false, true, first.back()});
    }
    // The reset edge comes right after the last sample of the first run, with a sample
    // offered beside it that must not be taken.
    clocks.push_back({true, true, 8191});
    for (int n = 0; n < 200; ++n) {
        second.push_back(static_cast<std::int64_t>(std::floor((2 * random.next() - 1) * 8191)));
        clocks.push_back({false, n % 3 != 1, second.back()});
        if (!clocks.back().valid)
            second.pop_back();
    }
    std::vector<std::int64_t> expected = simulated(im, first);
    // Of the first run, the results registered before the reset edge come out.
    expected.resize(first.size() - static_cast<std::size_t>(latency - 1));
    for (std::int64_t v : simulated(im, second))
        expected.push_back(v);

    const std::vector<Seen> seen = runIcarus(dir, driver(14, clocks));
    ASSERT_EQ(seen.size(), expected.size());
    for (std::size_t i = 0; i < seen.size(); ++i)
        ASSERT_EQ(seen[i].value, expected[i]) << "result " << i;
}

// Verilator's every warning, on modules of each rounding and overflow rule and of the
// narrowest and widest words, and Yosys's generic synthesis of a small one.
TEST(VerilogExport, VerilatorFindsNothingAndYosysSynthesises) {
    TempDir dir;
    designFile(dir, "d", designRequest(3, 0.3, 0.2, 0.15, 0.35, 1, 35));
    designFile(dir, "s", designRequest(1, 0.1, 0, 0, 0.4, 3, 12));
    const std::string cd = "cd '" + dir.path().string() + "' && ";
    const char* const variants[] = {
        "--data-bits 16 --coef-bits 18",
        "--data-bits 4 --coef-bits 6 --round truncate --overflow wrap --scale l1",
        "--data-bits 32 --coef-bits 32 --overflow wrap --order descending",
        "--data-bits 24 --coef-bits 4 --round truncate --scale none",
    };
    for (const char* variant : variants) {
        const auto exported = runCli(
            dir,
            std::string("export d.flt --format verilog --name f --output f.v --force ") + variant);
        if (std::string(variant).find("--coef-bits 4") != std::string::npos) {
            // Four coefficient bits hold no section of this filter: refused, nothing written.
            EXPECT_EQ(exported.status, 1) << variant;
            continue;
        }
        ASSERT_EQ(exported.status, 0) << variant << exported.err;
        EXPECT_EQ(std::system((cd + "verilator --lint-only -Wall f.v > lint.txt 2>&1").c_str()), 0)
            << variant << readBytes(dir.file("lint.txt"));
        EXPECT_EQ(readBytes(dir.file("lint.txt")), "") << variant;
    }
    ASSERT_EQ(runCli(dir, "export s.flt --format verilog --name f --output f.v --data-bits 8 "
                          "--coef-bits 10")
                  .status,
              0);
    ASSERT_EQ(std::system((cd + "yosys -q -p 'read_verilog f.v; synth -top f; tee -o stat.txt "
                                "stat' > yosys.txt 2>&1")
                              .c_str()),
              0)
        << readBytes(dir.file("yosys.txt"));
    std::smatch m;
    const std::string stat = readBytes(dir.file("stat.txt"));
    ASSERT_TRUE(std::regex_search(stat, m, std::regex("Number of cells: +([0-9]+)"))) << stat;
    EXPECT_GT(std::stoi(m[1]), 0);
    // The state survives synthesis: registers with synchronous reset are there.
    EXPECT_NE(stat.find("$_SDFF"), std::string::npos) << stat;
}

// The golden testbench: its input is the sweep, noise and silence of the stimulus, it
// prints OK against the module, and one expected value changed by a unit is reported as
// the first mismatch with both values.
TEST(VerilogExport, GoldenTestbenchPassesAndReportsAChangedValue) {
    TempDir dir;
    designFile(dir, "d", designRequest(2, 0.1, 0, 0, 0.14, 1, 40));
    ASSERT_EQ(runCli(dir, "export d.flt --format verilog --data-bits 12 --coef-bits 16 --name g "
                          "--output g --test-vectors 400")
                  .status,
              0);
    std::string tb = readBytes(dir.file("g_tb.v"));
    // The first half a sweep: sample k is round((1 - 2^-11) sin(pi k^2 / 400) 2^11); the
    // last quarter silence.
    for (int k : {0, 7, 55, 120, 199, 300, 399}) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(
            tb, m, std::regex("stimulus\\[" + std::to_string(k) + "\\] = 12'h([0-9a-f]+);")))
            << k;
        long long v = std::stoll(m[1], nullptr, 16);
        if (v >= 2048)
            v -= 4096;
        long long want = 0;
        if (k < 200)
            want = std::llround(std::floor(
                (1 - std::ldexp(1.0, -11)) * std::sin(M_PI * k * k / 400.0) * 2048 + 0.5));
        if (k < 200 || k >= 300) {
            EXPECT_EQ(v, want) << "sample " << k;
        }
    }
    const std::string cd = "cd '" + dir.path().string() + "' && ";
    const std::string run = cd + "iverilog -g2001 -o tb g.v g_tb.v && vvp -n tb > run.txt";
    ASSERT_EQ(std::system(run.c_str()), 0);
    EXPECT_EQ(readBytes(dir.file("run.txt")), "OK\n");

    std::smatch m;
    ASSERT_TRUE(std::regex_search(tb, m, std::regex("expected\\[150\\] = 12'h([0-9a-f]+);")));
    const long long old = std::stoll(m[1], nullptr, 16);
    const long long changed = (old + 1) % 4096;
    char hex[16];
    std::snprintf(hex, sizeof hex, "%llx", changed);
    tb.replace(static_cast<std::size_t>(m.position(1)), static_cast<std::size_t>(m.length(1)), hex);
    writeBytes(dir.file("g_tb.v"), tb);
    ASSERT_EQ(std::system(run.c_str()), 0);
    auto signedOf = [](long long v) { return v >= 2048 ? v - 4096 : v; };
    EXPECT_EQ(readBytes(dir.file("run.txt")), "MISMATCH at sample 150: got " +
                                                  std::to_string(signedOf(old)) + ", expected " +
                                                  std::to_string(signedOf(changed)) + "\n");
}

// With no options the export is implement's fixed target with no options: the module run
// on a signal file gives what `implement --simulate` writes for it.
TEST(VerilogExport, DefaultsAreThoseOfImplement) {
    TempDir dir;
    designFile(dir, "d", designRequest(3, 0.2, 0, 0, 0.25, 1, 40));
    ASSERT_EQ(runCli(dir, "export d.flt --format verilog --name f --output f").status, 0);
    const std::string module = readBytes(dir.file("f.v"));
    EXPECT_NE(module.find("--target fixed --data-bits 16 --coef-bits 32 --round nearest "
                          "--overflow saturate --scale peak --order ascending --simulate"),
              std::string::npos);
    Random random;
    std::vector<Clock> clocks;
    {
        TextWriter sig(dir.file("in.sig"));
        for (int n = 0; n < 400; ++n) {
            const auto k = static_cast<std::int64_t>(std::floor((2 * random.next() - 1) * 32768));
            clocks.push_back({false, true, k});
            writeSample(sig, static_cast<double>(k) / 32768);
        }
        sig.close();
    }
    const auto sim = runCli(dir, "implement d.flt --target fixed --limit-cycles 0 --simulate "
                                 "in.sig out.sig");
    ASSERT_EQ(sim.status, 0) << sim.err;
    std::vector<std::int64_t> expected;
    forEachSample(dir.file("out.sig"),
                  [&](double v) { expected.push_back(std::llround(v * 32768)); });
    const std::vector<Seen> seen = runIcarus(dir, driver(16, clocks));
    ASSERT_EQ(seen.size(), expected.size());
    for (std::size_t i = 0; i < seen.size(); ++i)
        ASSERT_EQ(seen[i].value, expected[i]) << "sample " << i;
}

// Bad input: a clear message, exit 1, and no file written or changed.
TEST(VerilogExport, BadInputIsRefusedAndNothingIsWritten) {
    TempDir dir;
    designFile(dir, "d", designRequest(1, 0.2, 0, 0, 0.3, 1, 30));
    std::filesystem::copy_file(dir.file("d.flt"), dir.file("h.v"));
    // A testbench file read-only for everybody: the module beside it stays as it was.
    writeBytes(dir.file("busy_tb.v"), "old tb");
    std::filesystem::permissions(dir.file("busy_tb.v"), std::filesystem::perms::owner_read |
                                                            std::filesystem::perms::group_read |
                                                            std::filesystem::perms::others_read);
    writeBytes(dir.file("busy.v"), "old");
    const struct {
        const char* arguments;
        const char* message;
    } rows[] = {
        {"d.flt --format verilog --data-bits 3 --output o.v", "Длина слова данных"},
        {"d.flt --format verilog --data-bits 33 --output o.v", "Длина слова данных"},
        {"d.flt --format verilog --coef-bits 3 --output o.v", "Длина слова коэффициентов"},
        {"d.flt --format verilog --type q15 --output o.v", "--type"},
        {"d.flt --format verilog --round up --output o.v", "Неизвестное округление"},
        {"d.flt --format verilog --overflow clip --output o.v", "переполнения"},
        {"d.flt --format verilog --test-vectors 0 --output o.v", "тестовых векторов"},
        {"d.flt --format verilog --test-vectors 10", "--output"},
        {"d.flt --format verilog --name 1f --output o.v", "Имя модуля"},
        {"d.flt --format verilog --name wire --output o.v", "Имя модуля"},
        {"d.flt --format c --data-bits 12 --output o", "не относится к формату c"},
        {"d.flt --format python --test-vectors 12 --output o.py",
         "только к форматам c, cmsis и verilog"},
        {"h.v --format verilog --output h.v", "совпадает с файлом фильтра"},
        {"d.flt --format verilog --output missing/o.v", ""},
        {"d.flt --format verilog --output busy.v --test-vectors 10", ""},
    };
    for (const auto& row : rows) {
        const auto o = runCli(dir, std::string("export ") + row.arguments);
        EXPECT_EQ(o.status, 1) << row.arguments;
        EXPECT_NE(o.err.find(row.message), std::string::npos) << row.arguments << ": " << o.err;
        EXPECT_FALSE(o.err.empty()) << row.arguments;
    }
    for (const char* name : {"o.v", "o_tb.v", "o.h", "o.c", "o.py"})
        EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    EXPECT_EQ(readBytes(dir.file("busy.v")), "old");
    EXPECT_EQ(readBytes(dir.file("busy_tb.v")), "old tb");
    EXPECT_EQ(readBytes(dir.file("h.v")), readBytes(dir.file("d.flt")));
}

} // namespace
} // namespace zorkan
