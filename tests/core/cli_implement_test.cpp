// zorkan-cli implement from outside: refusals of bad input that write nothing, the
// quantised parameter file, and the count of input samples saturated on entry.
#include "coefficients/filterfile.h"
#include "design/designrun.h"
#include "fixedpoint/implementation.h"
#include "modelling/signalfile.h"

#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace zorkan {
namespace {

using testing::readBytes;
using testing::runCli;
using testing::TempDir;
using testing::writeBytes;

std::string lowPassFile(const TempDir& dir) {
    const std::string path = dir.file("lp.flt");
    designFilter(DesignRequest{}, dir.file("lp.out"), path, [](const std::string&) {});
    return path;
}

TEST(CliImplement, RefusesBadInputAndWritesNothing) {
    TempDir dir;
    const std::string flt = lowPassFile(dir);
    const std::string before = readBytes(flt);
    writeBytes(dir.file("empty.flt"), "");
    writeBytes(dir.file("in.sig"), " 1.00000000000000E-0001\r\n");
    const struct {
        std::string arguments;
        std::string message;
    } rows[] = {
        {"lp.flt --target fixed --data-bits 3 --quantised q.flt", "от 4 до 32"},
        {"lp.flt --target fixed --coef-bits 33 --quantised q.flt", "от 4 до 32"},
        {"lp.flt --target q15 --data-bits 12 --quantised q.flt", "только к арифметике fixed"},
        {"lp.flt --target q16 --quantised q.flt", "Неизвестная арифметика"},
        {"lp.flt --scale l3 --quantised q.flt", "Неизвестное масштабирование"},
        {"lp.flt --order random --quantised q.flt", "Неизвестный порядок"},
        {"empty.flt --quantised q.flt", "нет ни одной секции"},
        {"lp.flt --quantised lp.flt", "совпадает с файлом фильтра"},
        {"lp.flt --quantised ./sub/../lp.flt", "совпадает с файлом фильтра"},
        {"lp.flt --simulate in.sig lp.flt", "совпадает с файлом фильтра"},
        {"lp.flt --simulate in.sig in.sig", "совпадает с входным"},
        {"lp.flt --simulate in.sig", "укажите входной и выходной"},
    };
    std::filesystem::create_directory(dir.file("sub"));
    for (const auto& row : rows) {
        const auto r = runCli(dir, "implement " + row.arguments);
        EXPECT_EQ(r.status, 1) << row.arguments;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << row.arguments << ": " << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("q.flt"))) << row.arguments;
        EXPECT_EQ(readBytes(flt), before) << row.arguments;
        EXPECT_EQ(readBytes(dir.file("in.sig")), " 1.00000000000000E-0001\r\n") << row.arguments;
    }
}

// The quantised file's coefficients, read back with the response reader's rules, are
// the binary fractions of the fixed-point words: k / 2^(C-1-shift) for integers k.
TEST(CliImplement, QuantisedFileHoldsTheFixedPointCoefficients) {
    TempDir dir;
    lowPassFile(dir);
    const struct {
        std::string options;
        int coefBits;
    } rows[] = {{"--target q15", 32},
                {"--target fixed --coef-bits 12", 12},
                {"--target fixed --coef-bits 6 --scale l1", 6}};
    for (const auto& row : rows) {
        ASSERT_EQ(runCli(dir, "implement lp.flt " + row.options + " --quantised q.flt").status, 0)
            << row.options;
        const FilterCoefficients q = readFilterFile(dir.file("q.flt"), responseReader);
        ASSERT_EQ(q.kind, lowPass);
        ASSERT_EQ(q.sections.size(), 7u);
        for (const FilterSection& s : q.sections) {
            EXPECT_EQ(s.b[0], 1);
            const double v[5] = {s.a[0], s.a[1], s.a[2], s.b[1], s.b[2]};
            // The section's step is 2^-(C-1-shift) with 0 <= shift <= C - 2: every value is
            // an integer multiple of 2^-(C-1) * 2^shift, at most 2^(C-2) steps of its grid.
            bool onGrid = false;
            for (int shift = 0; shift <= row.coefBits - 2 && !onGrid; ++shift) {
                const double scale = std::ldexp(1.0, row.coefBits - 1 - shift);
                onGrid = true;
                for (double c : v) {
                    const double k = c * scale;
                    onGrid = onGrid && std::fabs(k - std::round(k)) <= 1e-6 &&
                             std::fabs(k) < std::ldexp(1.0, row.coefBits - 1);
                }
            }
            EXPECT_TRUE(onGrid) << row.options << ": " << v[0] << " " << v[3] << " " << v[4];
        }
    }
}

// 17 band-pass sections are 34 second-order ones: written, with a warning that the
// readers of 32 sections refuse the file; 16 are written without one.
TEST(CliImplement, QuantisedFileBeyondTheReadersIsWrittenWithAWarning) {
    TempDir dir;
    for (const int sections : {16, 17}) {
        std::string file = std::to_string(2 * sections) + "\r\n2\r\n";
        for (int k = 0; k < sections; ++k)
            file += "0.01 0 -0.02\r\n0 0.01\r\n";
        for (int k = 0; k < sections; ++k)
            file += "1 0 0.5\r\n0 0.0625\r\n";
        writeBytes(dir.file("bp.flt"), file);
        const auto r = runCli(dir, "implement bp.flt --quantised q.flt");
        ASSERT_EQ(r.status, 0) << r.err;
        const bool warned = r.err.find("секций второго порядка: 34; окна и команды, читающие не "
                                       "более 32 секций, его не откроют") != std::string::npos;
        EXPECT_EQ(warned, sections == 17) << r.err;
        EXPECT_EQ(readBytes(dir.file("q.flt")).substr(0, 4), std::to_string(4 * sections) + "\r\n");
    }
}

// Poles at +-j sqrt(1 - 2^-53), a radius that rounds to 1: stable by the Schur-Cohn test
// on the coefficients, which the verdict follows; the radius stays the figure shown.
TEST(CliImplement, StabilityFromTheCoefficientsNotTheRoundedRadius) {
    TempDir dir;
    writeBytes(dir.file("j.flt"), "2\r\n0\r\n1 0 0\r\n1 0 0.99999999999999989\r\n");
    writeBytes(dir.file("c.flt"), "2\r\n0\r\n1 0 0\r\n1 0 1\r\n");
    const struct {
        const char* file;
        const char* stable;
    } rows[] = {{"j.flt", "\"stable\": true"}, {"c.flt", "\"stable\": false"}};
    for (const auto& row : rows) {
        const auto r = runCli(dir, std::string("implement ") + row.file +
                                       " --target double --scale none --order file --json");
        ASSERT_EQ(r.status, 0) << row.file << r.err;
        EXPECT_NE(r.out.find(row.stable), std::string::npos) << row.file << r.out;
        EXPECT_NE(r.out.find("\"max_pole_radius\": 1,"), std::string::npos) << row.file << r.out;
    }
}

TEST(CliImplement, InputBeyondFullScaleIsSaturatedAndCounted) {
    TempDir dir;
    lowPassFile(dir);
    {
        TextWriter sig(dir.file("in.sig"));
        for (double x : {0.5, 1.0, -1.0, 1.5, -2.0, 0.25})
            writeSample(sig, x);
        sig.close();
    }
    const auto r = runCli(dir, "implement lp.flt --target q15 --simulate in.sig out.sig");
    ASSERT_EQ(r.status, 0) << r.err;
    // 1.0 and 1.5 exceed the largest q15 value 32767/32768; -1.0 is the smallest itself.
    EXPECT_NE(r.err.find("Внимание: входных отсчетов вне полной шкалы (ограничены): 3"),
              std::string::npos)
        << r.err;
    std::size_t count = 0;
    forEachSample(dir.file("out.sig"), [&](double) { ++count; });
    EXPECT_EQ(count, 6u);
}

} // namespace
} // namespace zorkan

namespace zorkan {
namespace {

// The export of fixed-point and float C says, in its header and on stderr, what the
// simulation of the same arithmetic finds; --scale l1 leaves no section able to overflow.
TEST(CliImplement, ExportWarnsOfWhatTheSimulationFinds) {
    TempDir dir;
    lowPassFile(dir);
    DesignRequest narrow;
    narrow.approximation = 2;
    narrow.f1 = 0.25;
    narrow.f2 = 0.15;
    narrow.f3 = 0.148;
    narrow.f4 = 0.252;
    narrow.da = 0.5;
    narrow.b1 = 60;
    designFilter(narrow, dir.file("bp.out"), dir.file("bp.flt"), [](const std::string&) {});
    const struct {
        std::string arguments;
        bool lowSnr, overflow;
    } rows[] = {
        {"lp.flt --type q15 --scale none", false, true},
        {"lp.flt --type q15 --scale l1", false, false},
        {"lp.flt --type q31 --scale l1", false, false},
        {"bp.flt --type q15 --scale peak", true, true},
    };
    for (const auto& row : rows) {
        // A signal-to-noise ratio below 0 dB is written only when forced.
        const std::string force = row.lowSnr ? " --force" : "";
        if (row.lowSnr) {
            const auto refused = runCli(dir, "export " + row.arguments + " --format c --output g");
            EXPECT_EQ(refused.status, 1) << row.arguments;
            EXPECT_NE(refused.err.find("меньше 0 dB"), std::string::npos) << refused.err;
            EXPECT_FALSE(std::filesystem::exists(dir.file("g.h"))) << row.arguments;
        }
        const auto r = runCli(dir, "export " + row.arguments + " --format c --output f" + force);
        ASSERT_EQ(r.status, 0) << row.arguments << r.err;
        const std::string header = readBytes(dir.file("f.h"));
        EXPECT_EQ(header.find("below 40 dB") != std::string::npos, row.lowSnr) << row.arguments;
        EXPECT_EQ(r.err.find("меньше 40 dB") != std::string::npos, row.lowSnr) << row.arguments;
        EXPECT_EQ(header.find("can overflow") != std::string::npos, row.overflow) << row.arguments;
        EXPECT_EQ(r.err.find("может переполниться") != std::string::npos, row.overflow)
            << row.arguments;
        // What implement reports for the same options.
        std::string options = row.arguments.substr(row.arguments.find("--type") + 7);
        const auto im =
            runCli(dir, "implement " + row.arguments.substr(0, row.arguments.find(' ')) +
                            " --target " + options + " --json");
        ASSERT_EQ(im.status, 0) << im.err;
        EXPECT_NE(
            im.out.find(std::string("\"overflow_possible\": ") + (row.overflow ? "true" : "false")),
            std::string::npos)
            << row.arguments << im.out;
        // The limit cycle the header states is the one implement finds: the same search,
        // trials and seed.
        const std::size_t cycle = im.out.find("\"limit_cycle\": {\"found\": true");
        if (cycle != std::string::npos) {
            const std::size_t amplitude = im.out.find("\"amplitude_lsb\": ", cycle) + 17;
            const std::size_t period = im.out.find("\"period\": ", cycle) + 10;
            const std::string stated =
                "amplitude (last bits) " +
                im.out.substr(amplitude, im.out.find(',', amplitude) - amplitude) + ", period " +
                im.out.substr(period, im.out.find_first_of(",}", period) - period);
            EXPECT_NE(header.find(stated), std::string::npos) << row.arguments << stated;
        }
    }
}

} // namespace
} // namespace zorkan
