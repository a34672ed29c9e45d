#include "design/designcheck.h"

#include "cascade.h"
#include "designrequests.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace zorkan;
using zorkan::testing::cascadeMagnitude;
using zorkan::testing::decibels;
using zorkan::testing::designRequest;
using zorkan::testing::readBytes;
using zorkan::testing::TempDir;

namespace {

struct Designed {
    DesignOutcome outcome = DesignOutcome::OrderTooLarge;
    DesignedCascade cascade;
};

Designed design(const DesignRequest& rq) {
    TempDir dir;
    Designed d;
    d.outcome = designFilter(rq, dir.file("1.out"), dir.file("1.flt"), nullptr, &d.cascade);
    return d;
}

// Brute force: |H| on a uniform grid of `points` intervals per band, in double complex
// arithmetic, with the bands written out here from the request by hand.
DesignMeasurement bruteForce(const Designed& d, const DesignRequest& rq, int points) {
    const double half = rq.fd / 2;
    std::vector<std::pair<double, double>> stops;
    std::pair<double, double> pass;
    if (rq.f2 == 0) {
        pass = {0, rq.f1};
        stops = {{rq.f4, half}};
    } else if (rq.f1 == 0) {
        pass = {rq.f2, half};
        stops = {{0, rq.f3}};
    } else {
        pass = {rq.f2, rq.f1};
        stops = {{0, rq.f3}, {rq.f4, half}};
    }
    auto sweep = [&](std::pair<double, double> band, double& lo, double& hi) {
        for (int i = 0; i <= points; ++i) {
            const double f = band.first + (band.second - band.first) * i / points;
            const double m = cascadeMagnitude(d.cascade.sections, f, rq.fd);
            lo = std::min(lo, m);
            hi = std::max(hi, m);
        }
    };
    double passLow = 1e300, passHigh = 0, stopLow = 1e300, stopHigh = 0;
    sweep(pass, passLow, passHigh);
    for (auto band : stops)
        if (band.first <= band.second)
            sweep(band, stopLow, stopHigh);
    DesignMeasurement m;
    m.rippleMeasured = m.attenuationMeasured = true;
    m.ripple = decibels(passHigh / passLow);
    m.attenuation = decibels(passHigh / stopHigh);
    return m;
}

} // namespace

// Butterworth and Chebyshev designs put exactly DA at the pass-band edge and at least
// B1 at the stop-band edge; the elliptic one of the default request overshoots DA.
TEST(DesignCheck, FiguresOfKnownDesigns) {
    struct Row {
        const char* name;
        DesignRequest rq;
        double ripple; // expected, or < 0: below DA
        double minAttenuation;
    };
    const Row rows[] = {
        {"Butterworth low-pass", designRequest(1, 0.2, 0, 0, 0.25, 1.5, 30), 1.5, 30},
        {"Chebyshev low-pass", designRequest(2, 0.2, 0, 0, 0.25, 1.5, 30), 1.5, 30},
        {"Chebyshev odd high-pass", designRequest(2, 0, 2000, 1500, 0, 0.5, 40, 8000), 0.5, 40},
        {"Butterworth band-pass", designRequest(1, 0.25, 0.15, 0.1, 0.3, 1, 35), 1, 35},
        {"Chebyshev band-pass", designRequest(2, 0.25, 0.15, 0.1, 0.3, 0.2, 50), 0.2, 50},
        {"elliptic low-pass", designRequest(3, 0.2, 0, 0, 0.25, 1.5, 30), 2.07, 30},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Designed d = design(row.rq);
        ASSERT_EQ(d.outcome, DesignOutcome::Completed);
        const DesignMeasurement m = measureDesign(d.cascade, row.rq);
        ASSERT_TRUE(m.rippleMeasured && m.attenuationMeasured);
        EXPECT_NEAR(m.ripple, row.ripple, 0.005);
        EXPECT_GE(m.attenuation, row.minAttenuation - designTolerance);
        EXPECT_LT(m.attenuation, row.minAttenuation + 40); // a stop band really was measured
    }
}

// The figures against a brute-force evaluation on a very fine grid, for a sweep of
// random requests of every band type and approximation.
TEST(DesignCheck, AgreesWithBruteForceOnASweep) {
    std::mt19937 random(14);
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    int measured = 0;
    for (int trial = 0; trial < 45; ++trial) {
        const int kind = trial % 3;
        const int approximation = 1 + (trial / 3) % 3;
        const double fd = trial % 2 ? 1 : 44100;
        const double da = uniform(0.1, 3), b1 = uniform(20, 80);
        DesignRequest rq;
        if (kind == 0) {
            const double f1 = uniform(0.05, 0.4);
            rq = designRequest(approximation, f1 * fd, 0, 0, (f1 + uniform(0.02, 0.08)) * fd, da,
                               b1, fd);
        } else if (kind == 1) {
            const double f2 = uniform(0.1, 0.45);
            rq = designRequest(approximation, 0, f2 * fd, (f2 - uniform(0.02, 0.08)) * fd, 0, da,
                               b1, fd);
        } else {
            const double f2 = uniform(0.08, 0.3), f1 = f2 + uniform(0.02, 0.1);
            rq = designRequest(approximation, f1 * fd, f2 * fd, (f2 - uniform(0.02, 0.06)) * fd,
                               (f1 + uniform(0.02, 0.06)) * fd, da, b1, fd);
        }
        SCOPED_TRACE(::testing::Message() << "trial " << trial << " approximation " << approximation
                                          << " kind " << kind);
        const Designed d = design(rq);
        if (d.outcome != DesignOutcome::Completed)
            continue;
        ++measured;
        const DesignMeasurement m = measureDesign(d.cascade, rq);
        const DesignMeasurement b = bruteForce(d, rq, 100000);
        ASSERT_TRUE(m.rippleMeasured && m.attenuationMeasured);
        EXPECT_NEAR(m.ripple, b.ripple, 0.01);
        EXPECT_NEAR(m.attenuation, b.attenuation, 0.01);
        // Extremes are refined between grid points, so the ripple is never below a sampled one.
        EXPECT_GE(m.ripple, b.ripple - 1e-9);
    }
    EXPECT_GT(measured, 35);
}

TEST(DesignCheck, WarningLines) {
    struct Row {
        double ripple, attenuation;
        char separator;
        std::vector<std::string> lines;
    };
    const DesignRequest rq = designRequest(3, 0.2, 0, 0, 0.25, 1.5, 25);
    const Row rows[] = {
        {1.54, 24.96, '.', {}}, // within the tolerance of 0.05 dB
        {2.0749,
         30,
         '.',
         {"Внимание: неравномерность в полосе пропускания 2.07 dB больше заданной 1.5 dB"}},
        {1.5,
         18.335,
         ',',
         {"Внимание: затухание в полосе задерживания 18,34 dB меньше заданного 25 dB"}},
        {1.56,
         24.94,
         ',',
         {"Внимание: неравномерность в полосе пропускания 1,56 dB больше заданной 1,5 dB",
          "Внимание: затухание в полосе задерживания 24,94 dB меньше заданного 25 dB"}},
    };
    for (const Row& row : rows) {
        DesignMeasurement m;
        m.rippleMeasured = m.attenuationMeasured = true;
        m.ripple = row.ripple;
        m.attenuation = row.attenuation;
        EXPECT_EQ(designWarnings(m, rq, row.separator), row.lines) << row.ripple;
    }
    DesignMeasurement unmeasured;
    unmeasured.ripple = 9;
    EXPECT_TRUE(designWarnings(unmeasured, rq, '.').empty());
}

// Handing out the cascade changes nothing in the files or the account.
TEST(DesignCheck, FilesAreTheSameWithTheCascadeHandedOut) {
    for (int approximation = 1; approximation <= 3; ++approximation) {
        TempDir dir;
        const std::string out = dir.file("1.out"), flt = dir.file("1.flt");
        DesignRequest rq = designRequest(approximation, 0.25, 0.15, 0.1, 0.3, 1.5, 30);
        std::vector<std::string> plain, handed;
        designFilter(rq, out, flt, [&](const std::string& l) { plain.push_back(l); });
        const std::string report = readBytes(out), filter = readBytes(flt);
        DesignedCascade cascade;
        designFilter(
            rq, out, flt, [&](const std::string& l) { handed.push_back(l); }, &cascade);
        EXPECT_EQ(readBytes(out), report);
        EXPECT_EQ(readBytes(flt), filter);
        EXPECT_EQ(plain, handed);
        EXPECT_EQ(cascade.kind, bandPass);
        EXPECT_FALSE(cascade.sections.empty());
    }
}
