// The implementation of a filter in a device's arithmetic: the rule of the fixed-point
// coefficients, saturation and wrapping, rounding, and the bit-exact simulation of
// `zorkan-cli implement --simulate` against the C the export writes for the same
// options, compiled by the system's compiler.
#include "cascade/secondorder.h"
#include "common/errors.h"
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
#include <sstream>

namespace zorkan {
namespace {

using testing::readBytes;
using testing::runCli;
using testing::TempDir;
using testing::writeBytes;

FilterCoefficients oneSection(std::vector<double> a, std::vector<double> b) {
    FilterCoefficients f;
    f.kind = lowPass;
    f.order = 2;
    f.sections.resize(1);
    std::copy(a.begin(), a.end(), f.sections[0].a);
    std::copy(b.begin(), b.end(), f.sections[0].b);
    return f;
}

// round(c 2^(C-1-s)) with s the smallest shift for which the sum of the five scaled
// magnitudes plus 3 stays below 2^(C-1), worked by hand.
TEST(FixedCoefficientRule, ShiftAndIntegersForEachWordLength) {
    SecondOrderSection s;
    s.num[0] = 0.5;
    s.num[1] = 1;
    s.num[2] = 0.5;
    s.den[1] = -1.25;
    s.den[2] = 0.25; // sum of magnitudes 3.5
    const struct {
        int bits;
        int shift;
        std::int64_t c[5];
    } rows[] = {
        // 3.5 * 2^(15-2) + 3 = 28675 < 32768, while 3.5 * 2^14 = 57344 is not.
        {16, 2, {4096, 8192, 4096, -10240, 2048}},
        {32, 2, {268435456, 536870912, 268435456, -671088640, 134217728}},
        // 3.5 * 2^(4-2) + 3 = 17 is not below 16, 3.5 * 2^1 + 3 = 10 is; halves of the
        // scaled values go away from zero: -2.5 -> -3, 0.5 -> 1.
        {5, 3, {1, 2, 1, -3, 1}},
    };
    for (const auto& row : rows) {
        const FixedCoefficients f = quantiseCoefficients(s, row.bits, 0);
        EXPECT_EQ(f.shift, row.shift) << row.bits;
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(f.c[i], row.c[i]) << row.bits << " coefficient " << i;
    }
    // In 4 bits the same section would need shift 3 = C - 1: no bit left for rounding.
    EXPECT_THROW(quantiseCoefficients(s, 4, 0), UserMessage);
}

// The shift leaves room for the rounding of five coefficients (plus 3): 0.6875 alone in
// 4 bits would scale to 0.6875 * 8 + 3 = 8.5, not below 8, so the shift is 1 and the word
// round(2.75) = 3; in 5 bits 0.6875 * 16 + 3 = 14 < 16 leaves shift 0 and 11.
TEST(FixedCoefficientRule, ShiftLeavesRoomForRounding) {
    SecondOrderSection s;
    s.num[0] = 0.6875;
    const struct {
        int bits;
        int shift;
        std::int64_t b0;
    } rows[] = {{4, 1, 3}, {5, 0, 11}};
    for (const auto& row : rows) {
        const FixedCoefficients f = quantiseCoefficients(s, row.bits, 0);
        EXPECT_EQ(f.shift, row.shift) << row.bits;
        EXPECT_EQ(f.c[0], row.b0) << row.bits;
        for (int i = 1; i < 5; ++i)
            EXPECT_EQ(f.c[i], 0) << row.bits << " coefficient " << i;
    }
}

// The input is rounded to the data word on entry to nearest with halves up, floor(v + 1/2)
// in last bits, as the section outputs are: in 8 bits 2.5 / 128 -> 3 / 128 (halves to even
// would give 2), -2.5 / 128 -> -2 / 128 (halves away from zero would give -3), 0.5 / 128
// -> 1 / 128 and -0.5 / 128 -> 0, through a section that passes the signal unchanged.
TEST(FixedSimulation, InputRoundedToNearestHalfUp) {
    ImplementationOptions o;
    o.arithmetic = {Target::Fixed, 8, 16, Rounding::Nearest, Overflow::Saturate};
    o.scaling = Scaling::None;
    o.order = SectionOrder::File;
    const Implementation im = realise(oneSection({1, 0, 0}, {1, 0, 0}), o);
    const struct {
        double lastBits;
        double rounded;
    } rows[] = {{2.5, 3}, {-2.5, -2}, {0.5, 1}, {-0.5, 0}, {1.5, 2}, {3.25, 3}, {-3.75, -4}};
    for (const auto& row : rows) {
        const std::vector<double> y = simulate(im, {row.lastBits / 128});
        ASSERT_EQ(y.size(), 1u);
        EXPECT_EQ(y[0], row.rounded / 128) << row.lastBits;
        EXPECT_EQ(onDataWord(im, row.lastBits / 128), row.rounded / 128) << row.lastBits;
    }
}

// 1 / (1 - 0.5 z^-1) has the impulse response 0.5^n: its L2 norm 1 / sqrt(0.75) and its
// L1 norm 2, so that L2 scaling puts b0 = sqrt(0.75) and L1 scaling b0 = 0.5.
TEST(ImplementationScaling, L1AndL2NormsOfAFirstOrderSection) {
    const struct {
        Scaling scaling;
        double b0;
    } rows[] = {{Scaling::L2, 0.8660254037844386}, {Scaling::L1, 0.5}, {Scaling::None, 1}};
    for (const auto& row : rows) {
        ImplementationOptions o;
        o.arithmetic = namedArithmetic(Target::Double);
        o.scaling = row.scaling;
        o.order = SectionOrder::File;
        const Implementation im = realise(oneSection({1, 0, 0}, {1, -0.5, 0}), o);
        ASSERT_EQ(im.cascade.sections.size(), 1u);
        EXPECT_NEAR(im.cascade.sections[0].num[0], row.b0, 2.3e-16 * row.b0)
            << scalingName(row.scaling);
    }
}

// A gain of 1.5 on 0.75: 1.125 saturated to the largest value, or wrapped to
// 1.125 - 2 = -0.875; the named targets are the fixed format's cases.
TEST(FixedSimulation, SaturationWrappingAndRounding) {
    const FilterCoefficients gain = oneSection({1.5, 0, 0}, {1, 0, 0});
    const FilterCoefficients third = oneSection({1.0 / 3, 0, 0}, {1, 0, 0});
    auto run = [](const FilterCoefficients& f, Arithmetic a, double x, long long* overflows) {
        ImplementationOptions o;
        o.arithmetic = a;
        o.scaling = Scaling::None;
        const Implementation im = realise(f, o);
        SimulationCounts counts;
        const std::vector<double> y = simulate(im, {x, x}, &counts);
        if (overflows)
            *overflows = counts.overflows;
        return y[1];
    };
    Arithmetic fixed16{Target::Fixed, 16, 16, Rounding::Nearest, Overflow::Saturate};
    Arithmetic wrap16 = fixed16;
    wrap16.overflow = Overflow::Wrap;
    Arithmetic truncate8{Target::Fixed, 8, 16, Rounding::Truncate, Overflow::Saturate};
    Arithmetic nearest8 = truncate8;
    nearest8.rounding = Rounding::Nearest;
    long long overflows = 0;
    EXPECT_EQ(run(gain, fixed16, 0.75, &overflows), 32767.0 / 32768);
    EXPECT_EQ(overflows, 2);
    EXPECT_EQ(run(gain, wrap16, 0.75, &overflows), -0.875);
    EXPECT_EQ(overflows, 2);
    EXPECT_EQ(run(gain, {Target::Q15}, 0.75, nullptr), 32767.0 / 32768);
    EXPECT_EQ(run(gain, {Target::Q31}, 0.75, nullptr), 2147483647.0 / 2147483648.0);
    // 1/3 in 16 bits with shift 0: 10923 / 2^15. Times 50 (in 8 bits): 546150 / 2^15 =
    // 16.667 -> 16 truncated, 17 to nearest; times -100: -33.334 -> -34 and -33.
    EXPECT_EQ(run(third, truncate8, 50.0 / 128, nullptr), 16.0 / 128);
    EXPECT_EQ(run(third, nearest8, 50.0 / 128, nullptr), 17.0 / 128);
    EXPECT_EQ(run(third, truncate8, -100.0 / 128, nullptr), -34.0 / 128);
    EXPECT_EQ(run(third, nearest8, -100.0 / 128, nullptr), -33.0 / 128);
}

std::string designFile(const TempDir& dir, const char* name, int approximation, double f1,
                       double f2, double f3, double f4, double da, double b1) {
    const DesignRequest r = testing::designRequest(approximation, f1, f2, f3, f4, da, b1);
    const std::string path = dir.file(std::string(name) + ".flt");
    designFilter(r, dir.file(std::string(name) + ".out"), path, [](const std::string&) {});
    return path;
}

// Reads the numbers the C driver printed with %.17g.
std::vector<double> numbers(const std::string& text) {
    std::istringstream in(text);
    std::vector<double> v;
    double x;
    while (in >> x)
        v.push_back(x);
    return v;
}

std::vector<double> signalFile(const std::string& path) {
    std::vector<double> v;
    forEachSample(path, [&](double x) { v.push_back(x); });
    return v;
}

// For each target and each scaling and order: the C the export writes, compiled and run
// on random input in two blocks, equals `implement --simulate` sample for sample.
TEST(ImplementationSimulation, ExportedCEqualsTheSimulationBitForBit) {
    TempDir dir;
    const std::string files[] = {
        designFile(dir, "lpcheb", 2, 0.2, 0, 0, 0.25, 0.5, 50),
        designFile(dir, "bpellip", 3, 0.25, 0.15, 0.1, 0.3, 1.5, 30),
        designFile(dir, "hpbutter", 1, 0, 0.3, 0.2, 0, 1, 40),
    };
    const struct {
        const char* target;
        const char* ctype;
        int bits; // 0 for floating point
    } targets[] = {{"q15", "int16_t", 16},
                   {"q31", "int32_t", 32},
                   {"float", "float", 0},
                   {"float-fma", "float", 0},
                   {"double", "double", 0}};
    const char* const variants[] = {"--scale peak --order ascending", "--scale l2 --order file",
                                    "--scale l1 --order descending",
                                    "--scale none --order ascending"};
    std::uint64_t seed = 88172645463325252ull;
    auto random = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return static_cast<double>(seed >> 11) / 9007199254740992.0 * 2 - 1;
    };
    for (const std::string& flt : files) {
        for (const auto& t : targets) {
            for (const char* variant : variants) {
                const std::string label = flt + " " + t.target + " " + variant;
                // Inputs: exact values of the data word (fixed) or of float.
                std::ostringstream driverInput;
                driverInput.precision(17);
                {
                    TextWriter sig(dir.file("in.sig"));
                    for (int n = 0; n < 3000; ++n) {
                        double x = random() * (n % 500 < 20 ? 1.0 : 0.6);
                        if (t.bits > 0) {
                            const double unit = std::ldexp(1.0, t.bits - 1);
                            const double k = std::floor(x * unit);
                            x = k / unit;
                            driverInput << k << "\n";
                        } else if (std::string(t.ctype) == "float") {
                            x = static_cast<float>(x);
                            driverInput << x << "\n";
                        } else {
                            // Six decimals: the same double from the signal file's 15 digits.
                            x = std::round(x * 1e6) / 1e6;
                            driverInput << x << "\n";
                        }
                        writeSample(sig, x);
                    }
                    sig.close();
                }
                writeBytes(dir.file("in.txt"), driverInput.str());
                const std::string cType = std::string(t.target) == "double" ? "double" : t.target;
                ASSERT_EQ(runCli(dir, "export " + flt + " --format c --type " + cType + " " +
                                          variant + " --name f --output f")
                              .status,
                          0)
                    << label;
                const auto sim = runCli(dir, "implement " + flt + " --target " + t.target + " " +
                                                 variant + " --simulate in.sig out.sig");
                ASSERT_EQ(sim.status, 0) << label << sim.err;
                writeBytes(dir.file("main.c"),
                           std::string("#include <stdio.h>\n#include \"f.h\"\nstatic ") + t.ctype +
                               " in[4000], out[4000];\nint main(void) {\n    f_state st;\n"
                               "    double v;\n    size_t n = 0, i;\n"
                               "    FILE* file = fopen(\"in.txt\", \"r\");\n"
                               "    while (n < 4000 && fscanf(file, \"%lf\", &v) == 1)\n"
                               "        in[n++] = (" +
                               t.ctype +
                               ")v;\n    fclose(file);\n    f_reset(&st);\n"
                               "    f_block(&st, in, out, n / 3);\n"
                               "    f_block(&st, in + n / 3, out + n / 3, n - n / 3);\n"
                               "    for (i = 0; i < n; ++i)\n"
                               "        printf(\"%.17g\\n\", (double)out[i]);\n"
                               "    return 0;\n}\n");
                const std::string cd = "cd '" + dir.path().string() + "' && ";
                ASSERT_EQ(
                    std::system((cd + "cc -std=c99 -O2 -Wall -Wextra -Werror -pedantic main.c "
                                      "f.c -lm -o f && ./f > c.txt")
                                    .c_str()),
                    0)
                    << label;
                const std::vector<double> c = numbers(readBytes(dir.file("c.txt")));
                const std::vector<double> s = signalFile(dir.file("out.sig"));
                ASSERT_EQ(c.size(), 3000u) << label;
                ASSERT_EQ(s.size(), 3000u) << label;
                int mismatches = 0;
                for (std::size_t n = 0; n < c.size(); ++n) {
                    bool same;
                    if (t.bits > 0)
                        same = std::llround(s[n] * std::ldexp(1.0, t.bits - 1)) ==
                               static_cast<long long>(c[n]);
                    else if (std::string(t.ctype) == "float")
                        same = static_cast<float>(s[n]) == static_cast<float>(c[n]);
                    else // the signal file holds 15 significant digits
                        same = std::fabs(s[n] - c[n]) <= 1e-14 * std::fabs(c[n]);
                    if (!same && ++mismatches <= 3)
                        ADD_FAILURE()
                            << label << " sample " << n << ": simulated " << s[n] << ", C " << c[n];
                }
            }
        }
    }
}

} // namespace
} // namespace zorkan
