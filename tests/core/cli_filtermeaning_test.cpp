// One meaning of a parameter file for the tools that realise a filter: a hand-made file
// with B0 = 2 is analysed, exported, heard and implemented as H(z) = A(z) / B(z), and
// each of them says that B0 is not 1.
#include "clirunner.h"
#include "soundfiles.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

namespace zorkan {
namespace {

using testing::readBytes;
using testing::readSound;
using testing::runCli;
using testing::TempDir;
using testing::writeBytes;
using testing::writeSoundDoubles;

std::vector<double> numbersOf(const std::string& text) {
    std::istringstream in(text);
    std::vector<double> v;
    double x;
    while (in >> x)
        v.push_back(x);
    return v;
}

// (1 + 0.5 z^-1) / (2 - 0.5 z^-1) = (0.5 + 0.25 z^-1) / (1 - 0.25 z^-1): h[0] = 0.5 and
// h[n] = 0.375 * 0.25^(n-1); taken with B0 = 1 it would be 1, 1, 0.5, 0.25, ...
TEST(FilterMeaning, AnalyseExportFilterSoundAndImplementAgreeWhenB0IsNotOne) {
    TempDir dir;
    writeBytes(dir.file("b0.flt"), "2\r\n0\r\n1 0.5 0\r\n2 -0.5 0\r\n");
    constexpr int n = 12;
    std::vector<double> h(n);
    h[0] = 0.5;
    for (int k = 1; k < n; ++k)
        h[k] = 0.375 * std::pow(0.25, k - 1);

    const auto analysed = runCli(dir, "analyse b0.flt --impulse " + std::to_string(n));
    ASSERT_EQ(analysed.status, 0) << analysed.err;
    const std::vector<double> impulse = numbersOf(analysed.out);
    ASSERT_EQ(impulse.size(), static_cast<std::size_t>(n));
    const auto summary = runCli(dir, "analyse b0.flt");
    EXPECT_NE(summary.out.find("B0 не равен 1"), std::string::npos) << summary.out;

    const auto exported = runCli(dir, "export b0.flt --format sos-csv");
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_NE(exported.out.find("B0 is not 1"), std::string::npos);
    std::string row = exported.out.substr(exported.out.rfind('#'));
    row = row.substr(row.find('\n') + 1);
    for (char& c : row)
        if (c == ',')
            c = ' ';
    const std::vector<double> sos = numbersOf(row);
    ASSERT_EQ(sos.size(), 6u);
    // The exported section's impulse response, by its own recursion.
    std::vector<double> fromExport(n);
    double x1 = 0, y1 = 0, y2 = 0, x2 = 0;
    for (int k = 0; k < n; ++k) {
        const double x = k == 0 ? 1 : 0;
        const double y = sos[0] * x + sos[1] * x1 + sos[2] * x2 - sos[4] * y1 - sos[5] * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        fromExport[k] = y;
    }

    std::vector<double> pulse(n, 0.0);
    pulse[0] = 0.5;
    ASSERT_TRUE(
        writeSoundDoubles(dir.file("in.wav"), SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 8000, 1, pulse));
    const auto heard = runCli(dir, "filter-sound b0.flt in.wav out.wav");
    ASSERT_EQ(heard.status, 0) << heard.err;
    EXPECT_NE((heard.out + heard.err).find("B0 не равен 1"), std::string::npos)
        << heard.out << heard.err;
    const auto sound = readSound(dir.file("out.wav"));
    ASSERT_EQ(sound.samples.size(), static_cast<std::size_t>(n));

    std::string signal;
    for (double v : pulse)
        signal += v == 0 ? " 0.00000000000000E+0000\r\n" : " 5.00000000000000E-0001\r\n";
    writeBytes(dir.file("in.sig"), signal);
    const auto implemented = runCli(
        dir,
        "implement b0.flt --target double --scale none --order file --simulate in.sig out.sig");
    ASSERT_EQ(implemented.status, 0) << implemented.err;
    EXPECT_NE(implemented.err.find("B0 не равен 1"), std::string::npos) << implemented.err;
    const std::vector<double> simulated = numbersOf(readBytes(dir.file("out.sig")));
    ASSERT_EQ(simulated.size(), static_cast<std::size_t>(n));

    for (int k = 0; k < n; ++k) {
        EXPECT_NEAR(impulse[k], h[k], 1e-15 * h[0]) << "analyse " << k;
        EXPECT_EQ(fromExport[k], h[k]) << "export " << k;
        EXPECT_EQ(sound.samples[k], 0.5 * h[k]) << "filter-sound " << k;
        EXPECT_NEAR(simulated[k], 0.5 * h[k], 1e-15 * h[0]) << "implement " << k;
    }
}

} // namespace
} // namespace zorkan
