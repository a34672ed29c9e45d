// The CMSIS-DSP export and the golden test vectors: the code compiled with the strictest
// warnings against stand-in declarations of the library, run with stand-in kernels
// written from the documented arithmetic; the coefficient layout against the filter's
// second-order sections; the self-test on the host, with a coefficient off by one unit,
// and cross-compiled for a Cortex-M4 with its FPU and run in QEMU.
#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace zorkan {
namespace {

using testing::readBytes;
using testing::runCli;
using testing::TempDir;
using testing::writeBytes;

const std::string standIns = std::string(ZORKAN_SOURCE_DIR) + "/tests/cmsis";
const std::string device = std::string(ZORKAN_SOURCE_DIR) + "/tests/device";

std::string design(const TempDir& dir, const std::string& name, const std::string& options) {
    EXPECT_EQ(
        runCli(dir, "design " + options + " --filter " + name + ".flt --report " + name + ".out")
            .status,
        0)
        << options;
    return name + ".flt";
}

int shell(const TempDir& dir, const std::string& command) {
    const int status =
        std::system(("cd '" + dir.path().string() + "' && " + command + " > run.txt 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const char* const strict = "cc -std=c99 -O2 -Wall -Wextra -Werror -pedantic ";

// The numbers between "PREFIX_coeffs[...] = {" and "};".
std::vector<double> coefficientArray(const std::string& source) {
    const std::size_t open = source.find("_coeffs[");
    const std::size_t begin = source.find('{', open);
    const std::size_t end = source.find("};", begin);
    std::string body = source.substr(begin + 1, end - begin - 1);
    for (char& ch : body)
        if (ch == ',' || ch == '(' || ch == ')' || ch == 'f')
            ch = ' ';
    // "(-2147483647 - 1)" is the only expression.
    std::istringstream in(body);
    std::vector<double> v;
    std::string word;
    while (in >> word) {
        if (word == "-" && !v.empty()) {
            in >> word;
            v.back() -= std::stod(word);
            continue;
        }
        v.push_back(std::stod(word));
    }
    return v;
}

int defineOf(const std::string& header, const std::string& name) {
    const std::size_t at = header.find("#define " + name + " ");
    return at == std::string::npos ? -1 : std::stoi(header.substr(at + name.size() + 9));
}

std::vector<std::vector<double>> sosRows(const std::string& csv) {
    std::vector<std::vector<double>> rows;
    std::istringstream in(csv);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<double> r;
        std::istringstream fields(line);
        std::string f;
        while (std::getline(fields, f, ','))
            r.push_back(std::stod(f));
        rows.push_back(r);
    }
    return rows;
}

// For each kernel, design and scaling: the export compiles cleanly, its golden vectors
// pass with the stand-in kernels, and the coefficients are the filter's, in the kernel's
// layout, a1 and a2 negated, with the smallest postShift, rounded to nearest.
TEST(CmsisExport, CompilesRunsAndHoldsTheFiltersCoefficients) {
    TempDir dir;
    const std::string files[] = {
        design(dir, "lp", "--approx 3 --f1 0.1 --f4 0.13 --da 0.5 --b1 60"),
        design(dir, "bp", "--approx 2 --f3 0.1 --f2 0.15 --f1 0.25 --f4 0.3 --da 1 --b1 40"),
    };
    const struct {
        const char* type;
        int perStage, fraction; // fraction 0: float
    } types[] = {{"q15", 6, 15}, {"q31", 5, 31}, {"f32", 5, 0}};
    const char* const variants[] = {"--scale l1 --order ascending", "--scale none --order file",
                                    "--scale peak --order descending"};
    for (const std::string& flt : files)
        for (const auto& t : types)
            for (const char* variant : variants) {
                const std::string label = flt + " " + t.type + " " + variant;
                ASSERT_EQ(runCli(dir, "export " + flt + " --format cmsis --type " + t.type + " " +
                                          variant + " --name flt_x --output f --test-vectors 1500")
                              .status,
                          0)
                    << label;
                ASSERT_EQ(shell(dir, std::string(strict) + "-I'" + standIns + "' f.c f_test.c '" +
                                         standIns + "/kernels.c' -o t && ./t"),
                          0)
                    << label << readBytes(dir.file("run.txt"));
                EXPECT_EQ(readBytes(dir.file("run.txt")), "OK\n") << label;

                ASSERT_EQ(runCli(dir, "export " + flt + " --format sos-csv " + variant +
                                          " --output s.csv")
                              .status,
                          0);
                // With l1 the fixed-point realisation shrinks the rounded numerators a little
                // further (the rounding may lift the norm above 1): no plain sos to compare.
                if (std::string(variant).find("l1") != std::string::npos && t.fraction > 0)
                    continue;
                const auto sos = sosRows(readBytes(dir.file("s.csv")));
                const std::string header = readBytes(dir.file("f.h"));
                const std::vector<double> c = coefficientArray(readBytes(dir.file("f.c")));
                ASSERT_EQ(defineOf(header, "FLT_X_NUM_STAGES"), static_cast<int>(sos.size()));
                ASSERT_EQ(c.size(), sos.size() * static_cast<std::size_t>(t.perStage)) << label;
                const int p = defineOf(header, "FLT_X_POST_SHIFT");
                ASSERT_EQ(p >= 0, t.fraction > 0) << label;
                double largest = 0;
                for (std::size_t k = 0; k < sos.size(); ++k) {
                    const double* kc = c.data() + k * static_cast<std::size_t>(t.perStage);
                    if (t.perStage == 6) {
                        EXPECT_EQ(kc[1], 0) << label; // {b0, 0, b1, b2, -a1, -a2}
                    }
                    const double want[5] = {sos[k][0], sos[k][1], sos[k][2], -sos[k][4],
                                            -sos[k][5]};
                    for (int i = 0; i < 5; ++i) {
                        const double got = t.perStage == 6 ? kc[i == 0 ? 0 : i + 1] : kc[i];
                        largest = std::max(largest, std::fabs(want[i]));
                        if (t.fraction == 0) {
                            EXPECT_EQ(static_cast<float>(got), static_cast<float>(want[i]))
                                << label;
                            continue;
                        }
                        const double unit = std::ldexp(1.0, p - t.fraction);
                        EXPECT_GE(got, -std::ldexp(1.0, t.fraction)) << label;
                        EXPECT_LT(got, std::ldexp(1.0, t.fraction)) << label;
                        EXPECT_LE(std::fabs(got * unit - want[i]), unit / 2 * (1 + 1e-9))
                            << label << " stage " << k << " coefficient " << i;
                    }
                }
                // The smallest postShift: one less would put the largest outside [-1, 1).
                if (t.fraction > 0 && p > 0) {
                    EXPECT_GE(std::round(largest * std::ldexp(1.0, t.fraction - p + 1)),
                              std::ldexp(1.0, t.fraction) - 1)
                        << label;
                }
            }
}

// One unit of one coefficient changed: the self-test prints the first difference and
// returns 1; the C export's self-test for every type prints OK.
TEST(GoldenVectors, SelfTestPassesAndCatchesACoefficientOffByOneUnit) {
    TempDir dir;
    const std::string flt = design(dir, "lp", "--approx 2 --f1 0.2 --f4 0.25 --da 1 --b1 40");
    for (const char* type : {"q15", "q31", "float", "float-fma", "double"}) {
        ASSERT_EQ(runCli(dir, "export " + flt + " --format c --type " + type +
                                  " --scale peak --name g --output g --test-vectors 2000")
                      .status,
                  0)
            << type;
        EXPECT_EQ(shell(dir, std::string(strict) + "g.c g_test.c -lm -o t && ./t"), 0)
            << type << readBytes(dir.file("run.txt"));
        EXPECT_EQ(readBytes(dir.file("run.txt")), "OK\n") << type;
    }
    for (const char* type : {"q15", "q31"}) {
        ASSERT_EQ(runCli(dir, "export " + flt + " --format cmsis --type " + type +
                                  " --name h --output h --test-vectors 2000")
                      .status,
                  0);
        std::string source = readBytes(dir.file("h.c"));
        // The first coefficient, b0 of the first stage, one unit up.
        const std::size_t at = source.find_first_of("-0123456789", source.find("= {"));
        const std::size_t end = source.find(',', at);
        const long long b0 = std::stoll(source.substr(at, end - at));
        source.replace(at, end - at, std::to_string(b0 + 1));
        writeBytes(dir.file("h.c"), source);
        EXPECT_EQ(shell(dir, std::string(strict) + "-I'" + standIns + "' h.c h_test.c '" +
                                 standIns + "/kernels.c' -o t && ./t"),
                  1)
            << type;
        const std::string out = readBytes(dir.file("run.txt"));
        EXPECT_EQ(out.rfind("FAIL at ", 0), 0u) << type << out;
        long index = -1, expected = 0, got = 0;
        ASSERT_EQ(
            std::sscanf(out.c_str(), "FAIL at %ld: expected %ld, got %ld", &index, &expected, &got),
            3)
            << out;
        EXPECT_NE(expected, got) << out;
    }
}

bool haveTool(const char* tool) {
    return std::system((std::string("command -v ") + tool + " > /dev/null 2>&1").c_str()) == 0;
}

// The C export's self-test cross-compiled for a Cortex-M4 with its single-precision FPU
// and run on QEMU's mps2-an386: OK for q15, q31, float compiled without contraction (as
// its header asks) and float-fma; float compiled with GCC's default contraction of
// multiply-adds into VFMA is caught by the vectors.
TEST(GoldenVectors, SelfTestOnAnEmulatedCortexM4) {
    if (!haveTool("arm-none-eabi-gcc") || !haveTool("qemu-system-arm"))
        GTEST_SKIP() << "arm-none-eabi-gcc or qemu-system-arm is absent (scripts/install-deps)";
    TempDir dir;
    const std::string flt = design(dir, "lp", "--approx 3 --f1 0.1 --f4 0.13 --da 0.5 --b1 60");
    const std::string cross = "arm-none-eabi-gcc -mcpu=cortex-m4 -mthumb -mfloat-abi=hard "
                              "-mfpu=fpv4-sp-d16 -O2 -Wall -Wextra -Werror --specs=rdimon.specs "
                              "-nostartfiles -T '" +
                              device + "/cortex-m4.ld' '" + device + "/startup.c' ";
    const std::string qemu = "timeout 120 qemu-system-arm -M mps2-an386 -cpu cortex-m4 -nographic "
                             "-monitor none -serial none -semihosting-config "
                             "enable=on,target=native -kernel t.elf";
    const struct {
        const char* type;
        const char* options;
        bool ok;
    } rows[] = {
        {"q15", "-std=gnu99", true},
        {"q31", "-std=gnu99", true},
        {"float", "-std=gnu99 -ffp-contract=off", true},
        {"float", "-std=c99", true}, // ISO C: GCC does not contract
        {"float-fma", "-std=gnu99", true},
        {"float", "-std=gnu99", false}, // contraction fuses the sums
    };
    for (const auto& r : rows) {
        const std::string label = std::string(r.type) + " " + r.options;
        ASSERT_EQ(runCli(dir, "export " + flt + " --format c --type " + r.type +
                                  " --scale l1 --name g --output g --test-vectors 3000")
                      .status,
                  0)
            << label;
        ASSERT_EQ(shell(dir, cross + r.options + " g.c g_test.c -lm -o t.elf"), 0)
            << label << readBytes(dir.file("run.txt"));
        const int status = shell(dir, qemu);
        const std::string out = readBytes(dir.file("run.txt"));
        if (r.ok) {
            EXPECT_EQ(status, 0) << label << out;
            EXPECT_EQ(out, "OK\n") << label;
        } else {
            EXPECT_NE(status, 0) << label << out;
            EXPECT_EQ(out.rfind("FAIL at ", 0), 0u) << label << out;
        }
    }
}

// Bad input: a clear message, exit 1, nothing written.
TEST(CmsisExport, BadInputIsRefusedAndNothingIsWritten) {
    TempDir dir;
    const std::string flt = design(dir, "lp", "--approx 1 --f1 0.2 --f4 0.3 --da 1 --b1 30");
    const struct {
        const char* arguments;
        const char* message;
    } rows[] = {
        {"--format cmsis --data-bits 12", "--data-bits"},
        {"--format cmsis --coef-bits 12", "--coef-bits"},
        {"--format cmsis --type float", "q15, q31 или f32"},
        {"--format cmsis --type q7", "q7"},
        {"--format c --type f32", "f32"},
        {"--format cmsis --test-vectors 0", "тестовых векторов"},
        {"--format c --test-vectors 2000000", "тестовых векторов"},
        {"--format sos-csv --test-vectors 10", "--test-vectors"},
        {"--format cmsis --name 9x", "9x"},
    };
    for (const auto& r : rows) {
        const auto o = runCli(dir, "export " + flt + " " + r.arguments + " --output out/x");
        EXPECT_EQ(o.status, 1) << r.arguments;
        EXPECT_NE(o.err.find(r.message), std::string::npos) << r.arguments << o.err;
        const auto p = runCli(dir, "export " + flt + " " + r.arguments);
        EXPECT_EQ(p.status, 1) << r.arguments;
    }
    const auto noOutput = runCli(dir, "export " + flt + " --format c --test-vectors 10");
    EXPECT_EQ(noOutput.status, 1);
    EXPECT_NE(noOutput.err.find("--output"), std::string::npos) << noOutput.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("zorkan_filter.h")));
    // An output that cannot be written: none of the three files appears.
    const auto o =
        runCli(dir, "export " + flt + " --format cmsis --output missing/f --test-vectors 10");
    EXPECT_EQ(o.status, 1);
    EXPECT_FALSE(o.err.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

// The numbers between "NAME[...] = {" and "};" of the array named `name`.
std::vector<double> namedArray(const std::string& source, const std::string& name) {
    const std::size_t at = source.find(name + "[");
    const std::size_t begin = source.find('{', at);
    return coefficientArray("_coeffs[" +
                            source.substr(begin, source.find("};", begin) - begin + 2));
}

// The polynomial of the product of the sections' denominators (d = 4) or numerators (d = 1).
std::vector<double> product(const std::vector<std::vector<double>>& sos, std::size_t first) {
    std::vector<double> p{1};
    for (const auto& s : sos) {
        std::vector<double> q(p.size() + 2, 0);
        for (std::size_t i = 0; i < p.size(); ++i)
            for (std::size_t j = 0; j < 3; ++j)
                q[i + j] += p[i] * s[first + j];
        p = q;
    }
    return p;
}

// For each lattice kernel, design and scaling: the export compiles cleanly against the
// stand-ins, its golden vectors pass with the stand-in kernels (blocks of 32 through the
// sliding state window), and its reflection coefficients, read from kN down to k1 and
// stepped up (A_m = A_{m-1} + k_m z^-m A_{m-1}(1/z)), give the product of the file's
// denominators to within the rounding of the kernel's word.
TEST(CmsisLatticeExport, CompilesRunsAndHoldsTheWholeDenominator) {
    TempDir dir;
    const std::string files[] = {
        design(dir, "lp", "--approx 3 --f1 0.1 --f4 0.13 --da 0.5 --b1 60"),
        design(dir, "bp", "--approx 2 --f3 0.1 --f2 0.15 --f1 0.25 --f4 0.3 --da 1 --b1 40"),
    };
    const struct {
        const char* type;
        double unit; // of the coefficient word; float: its relative precision
    } types[] = {{"lattice-q15", 0x1p-15}, {"lattice-q31", 0x1p-31}, {"lattice-f32", 0x1p-24}};
    for (const std::string& flt : files)
        for (const auto& t : types)
            for (const char* scale : {"peak", "l1", "none"}) {
                const std::string label = flt + " " + t.type + " " + scale;
                const auto r =
                    runCli(dir, "export " + flt + " --format cmsis --type " + t.type + " --scale " +
                                    scale + " --name flt_x --output f --test-vectors 1500");
                ASSERT_EQ(r.status, 0) << label << r.err;
                ASSERT_EQ(shell(dir, std::string(strict) + "-I'" + standIns + "' f.c f_test.c '" +
                                         standIns + "/kernels.c' -o t && ./t"),
                          0)
                    << label << readBytes(dir.file("run.txt"));
                EXPECT_EQ(readBytes(dir.file("run.txt")), "OK\n") << label;

                ASSERT_EQ(runCli(dir, "export " + flt + " --format sos-csv --output s.csv").status,
                          0);
                const std::vector<double> want = product(sosRows(readBytes(dir.file("s.csv"))), 3);
                const std::string source = readBytes(dir.file("f.c"));
                const std::vector<double> k = namedArray(source, "flt_x_k");
                const std::size_t n = k.size();
                ASSERT_EQ(defineOf(readBytes(dir.file("f.h")), "FLT_X_NUM_STAGES"),
                          static_cast<int>(n));
                ASSERT_EQ(namedArray(source, "flt_x_v").size(), n + 1) << label;
                std::vector<double> a{1};
                for (std::size_t m = 1; m <= n; ++m) {
                    const double km = k[n - m] * (t.unit == 0x1p-24 ? 1 : t.unit);
                    ASSERT_LT(std::fabs(km), 1) << label;
                    std::vector<double> next(a);
                    next.push_back(0);
                    for (std::size_t i = 1; i <= m; ++i)
                        next[i] += km * a[m - i];
                    a = next;
                }
                ASSERT_GE(want.size(), a.size()) << label;
                // A rounding of each k by half a unit moves each coefficient of A by at most
                // that times the sum of the step-up's products, below 2^N.
                const double tolerance = t.unit * std::ldexp(1.0, static_cast<int>(n));
                for (std::size_t i = 0; i < want.size(); ++i)
                    EXPECT_NEAR(i < a.size() ? a[i] : 0, want[i], tolerance) << label << " a" << i;
            }
}

// One unit of the first reflection coefficient changed: the self-test prints the first
// difference and returns 1.
TEST(CmsisLatticeExport, SelfTestCatchesAReflectionCoefficientOffByOneUnit) {
    TempDir dir;
    const std::string flt = design(dir, "lp", "--approx 2 --f1 0.2 --f4 0.25 --da 1 --b1 40");
    for (const char* type : {"lattice-q15", "lattice-q31"}) {
        ASSERT_EQ(runCli(dir, std::string("export ") + flt + " --format cmsis --type " + type +
                                  " --name h --output h --test-vectors 2000")
                      .status,
                  0);
        std::string source = readBytes(dir.file("h.c"));
        const std::size_t at = source.find_first_of("-0123456789", source.find("h_k["));
        const std::size_t digits = source.find_first_of("-0123456789", source.find("= {", at));
        const std::size_t end = source.find(',', digits);
        const long long k = std::stoll(source.substr(digits, end - digits));
        source.replace(digits, end - digits, std::to_string(k + (k > 0 ? -1 : 1)));
        writeBytes(dir.file("h.c"), source);
        EXPECT_EQ(shell(dir, std::string(strict) + "-I'" + standIns + "' h.c h_test.c '" +
                                 standIns + "/kernels.c' -o t && ./t"),
                  1)
            << type;
        const std::string out = readBytes(dir.file("run.txt"));
        EXPECT_EQ(out.rfind("FAIL at ", 0), 0u) << type << out;
    }
}

// The lattice export's self-test with the stand-in kernels cross-compiled for a Cortex-M4
// and run on QEMU's mps2-an386: OK for each type.
TEST(CmsisLatticeExport, SelfTestOnAnEmulatedCortexM4) {
    if (!haveTool("arm-none-eabi-gcc") || !haveTool("qemu-system-arm"))
        GTEST_SKIP() << "arm-none-eabi-gcc or qemu-system-arm is absent (scripts/install-deps)";
    TempDir dir;
    const std::string flt = design(dir, "lp", "--approx 3 --f1 0.1 --f4 0.13 --da 0.5 --b1 60");
    const std::string cross = "arm-none-eabi-gcc -mcpu=cortex-m4 -mthumb -mfloat-abi=hard "
                              "-mfpu=fpv4-sp-d16 -O2 -std=gnu99 -Wall -Wextra -Werror "
                              "--specs=rdimon.specs -nostartfiles -T '" +
                              device + "/cortex-m4.ld' '" + device + "/startup.c' -I'" + standIns +
                              "' ";
    const std::string qemu = "timeout 120 qemu-system-arm -M mps2-an386 -cpu cortex-m4 -nographic "
                             "-monitor none -serial none -semihosting-config "
                             "enable=on,target=native -kernel t.elf";
    for (const char* type : {"lattice-q15", "lattice-q31", "lattice-f32"}) {
        ASSERT_EQ(runCli(dir, std::string("export ") + flt + " --format cmsis --type " + type +
                                  " --scale l1 --name g --output g --test-vectors 3000")
                      .status,
                  0)
            << type;
        ASSERT_EQ(shell(dir, cross + "g.c g_test.c '" + standIns + "/kernels.c' -o t.elf"), 0)
            << type << readBytes(dir.file("run.txt"));
        EXPECT_EQ(shell(dir, qemu), 0) << type << readBytes(dir.file("run.txt"));
        EXPECT_EQ(readBytes(dir.file("run.txt")), "OK\n") << type;
    }
}

// A filter the lattice cannot take: a clear message naming the kernel, exit 1, no file.
TEST(CmsisLatticeExport, UnstableFilterIsRefusedAndNothingIsWritten) {
    TempDir dir;
    // One section 1 / (1 - 2.5 z^-1 + z^-2): poles at 2 and 1/2.
    writeBytes(dir.file("u.flt"), "2\n0\n1 0 0\n1 -2.5 1\n");
    for (const char* type : {"lattice-q15", "lattice-q31", "lattice-f32"}) {
        const auto r = runCli(dir, std::string("export u.flt --format cmsis --type ") + type +
                                       " --output out --test-vectors 100");
        EXPECT_EQ(r.status, 1) << type;
        EXPECT_NE(r.err.find("k2"), std::string::npos) << type << r.err;
        EXPECT_NE(r.err.find("arm_iir_lattice_"), std::string::npos) << type << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.c"))) << type;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.h"))) << type;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out_test.c"))) << type;
        const auto im =
            runCli(dir, std::string("implement u.flt --target cmsis-") + type + " --json");
        EXPECT_EQ(im.status, 1) << type;
        EXPECT_NE(im.err.find("k2"), std::string::npos) << type << im.err;
    }
}

} // namespace
} // namespace zorkan
