// zorkan-cli implement with the CMSIS-DSP lattice targets: the report and its JSON name the
// lattice, mark the computed noise not applicable, and the lattice's output norm is the
// whole filter's (the same filter realised as a cascade in double gives it).
#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace zorkan {
namespace {

using testing::runCli;
using testing::TempDir;

// The number after "key": in a JSON text; the n-th of an array after "key": [.
double jsonNumber(const std::string& json, const std::string& key, int index = -1) {
    std::size_t at = json.find("\"" + key + "\": ");
    EXPECT_NE(at, std::string::npos) << key;
    at += key.size() + 4;
    if (index >= 0) {
        ++at;
        for (int i = 0; i < index; ++i)
            at = json.find(", ", at) + 2;
    }
    return std::stod(json.substr(at));
}

TEST(CliLattice, ImplementReportsTheLatticeFigures) {
    TempDir dir;
    ASSERT_EQ(runCli(dir, "design --approx 3 --f1 0.1 --f4 0.13 --da 0.5 --b1 60 --filter lp.flt "
                          "--report lp.out")
                  .status,
              0);
    // Order 7: an elliptic low-pass of three second-order sections and one first-order.
    const auto cascade = runCli(dir, "implement lp.flt --target double --scale peak --json");
    ASSERT_EQ(cascade.status, 0) << cascade.err;
    const double wholeL1 = jsonNumber(cascade.out, "l1_gains", 3);
    const struct {
        const char* target;
        bool fixed;
        double tolerance; // relative, of the output's L1 norm: the rounding of k and v
    } rows[] = {
        {"cmsis-lattice-q15", true, 2e-2},
        {"cmsis-lattice-q31", true, 1e-6},
        {"cmsis-lattice-f32", false, 1e-4},
    };
    for (const auto& r : rows) {
        const auto text = runCli(dir, std::string("implement lp.flt --target ") + r.target);
        ASSERT_EQ(text.status, 0) << r.target << text.err;
        EXPECT_NE(text.out.find("решетка всего фильтра порядка 7"), std::string::npos) << text.out;
        EXPECT_NE(text.out.find("Квантованный фильтр устойчив"), std::string::npos) << text.out;
        EXPECT_NE(text.out.find("Выход решетки: норма L1"), std::string::npos) << text.out;
        EXPECT_EQ(text.out.find("Секция 1: норма L1"), std::string::npos) << text.out;
        EXPECT_EQ(text.out.find("не применим к решетке") != std::string::npos, r.fixed) << text.out;
        EXPECT_EQ(text.out.find("Предельные циклы") != std::string::npos ||
                      text.out.find("предельный цикл") != std::string::npos,
                  r.fixed)
            << text.out;

        const auto json = runCli(dir, std::string("implement lp.flt --target ") + r.target +
                                          " --json --min-bits");
        ASSERT_EQ(json.status, 0) << r.target << json.err;
        EXPECT_EQ(jsonNumber(json.out, "lattice_stages"), 7) << json.out;
        EXPECT_NE(json.out.find("\"stable\": true"), std::string::npos) << json.out;
        EXPECT_NE(json.out.find("\"noise_analytic_dbfs\": null"), std::string::npos) << json.out;
        EXPECT_EQ(json.out.find("\"min_coef_bits\""), std::string::npos) << json.out;
        EXPECT_EQ(json.out.find("\"noise_simulated_dbfs\": null"), std::string::npos) << json.out;
        const double outputL1 = jsonNumber(json.out, "l1_gains", 1);
        EXPECT_NEAR(outputL1, wholeL1, r.tolerance * wholeL1) << r.target;
        // A node of the lattice carries more than the output (the denominator's gain).
        EXPECT_GT(jsonNumber(json.out, "l1_gains", 0), outputL1) << r.target;
    }
}

// The export warns of what the lattice's figures find: its nodes, not a section, overflow on
// a full-scale input (their L1 norm, in the report, above 1), and says below what input.
TEST(CliLattice, ExportWarnsOfTheLatticesNodes) {
    TempDir dir;
    ASSERT_EQ(runCli(dir, "design --approx 3 --f1 0.1 --f4 0.13 --da 0.5 --b1 60 --filter lp.flt "
                          "--report lp.out")
                  .status,
              0);
    for (const char* type : {"lattice-q15", "lattice-q31"}) {
        const auto json =
            runCli(dir, std::string("implement lp.flt --target cmsis-") + type + " --json");
        ASSERT_EQ(json.status, 0) << json.err;
        const double nodes = jsonNumber(json.out, "l1_gains", 0);
        ASSERT_GT(nodes, 1) << json.out;
        const auto r =
            runCli(dir, std::string("export lp.flt --format cmsis --type ") + type + " --output f");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("узлы решетки f, g могут переполниться"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("секции"), std::string::npos) << r.err;
        const std::string header = testing::readBytes(dir.file("f.h"));
        char gain[32];
        std::snprintf(gain, sizeof gain, "%.9g", nodes);
        EXPECT_NE(
            header.find(std::string("can overflow the lattice's nodes f, g (L1 gain ") + gain),
            std::string::npos)
            << header;
    }
}

} // namespace
} // namespace zorkan
