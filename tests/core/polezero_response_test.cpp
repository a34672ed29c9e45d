// The response the pole-zero editor draws, taken from the roots in double: against
// constants computed with mpmath (50 digits; the group delay as the derivative of the
// continuous phase), against the roots' factors multiplied out in extended precision and
// the closed form of each root's delay for a filter of 20 sections, and at the roots on the
// circle.
#include "polezero/rootresponse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <vector>

namespace zorkan {
namespace {

struct Expected {
    double w, decibels, phase, delay;
};

// |a - b| within `tolerance`, relative to |b| when that is above 1.
void expectNear(double got, double expected, double tolerance, const char* what, double w) {
    EXPECT_LE(std::fabs(got - expected), tolerance * std::max(1.0, std::fabs(expected)))
        << what << " at w = " << w << ": " << got << " instead of " << expected;
}

void checkRows(const std::vector<SectionRoot>& zeros, const std::vector<SectionRoot>& poles,
               double gain, const std::vector<Expected>& rows) {
    std::vector<double> angles;
    for (const Expected& row : rows)
        angles.push_back(row.w);
    const RootResponse r = rootResponse(zeros, poles, gain, angles);
    ASSERT_EQ(r.magnitudeDb.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        expectNear(r.magnitudeDb[i], rows[i].decibels, 1e-12, "20 log10 |H|", rows[i].w);
        expectNear(r.phase[i], rows[i].phase, 1e-12, "arg H", rows[i].w);
        expectNear(r.groupDelay[i], rows[i].delay, 1e-12, "group delay", rows[i].w);
    }
}

TEST(RootResponse, OnePolePairAgreesWithItsClosedForm) {
    // 1 / ((1 - p z^-1)(1 - conj(p) z^-1)), p = 0.9 e^(j 1).
    checkRows({}, {{0.9, 1.0, 1}}, 1,
              {
                  {0.0, 1.5407615927156702, 0, -0.77312236802972599},
                  {0.5, 4.1160942971334747, 0.35316104326532445, -0.53112880781972992},
                  {1.0, 15.919188007495389, -0.53701483481435412, 8.5371229436420393},
                  {1.2, 8.8059881459156614, -1.4317090706169911, 1.1037208877788205},
                  {2.0, -4.78296615385077, -1.0418152727218549, -0.86011342309988209},
                  {3.0, -8.832522278269517, -0.13189374450048321, -0.93106786881263087},
              });
}

TEST(RootResponse, RealRootsPairsMultiplicitiesAndANegativeGain) {
    // Zeros: the pair e^(+-j 0.7) on the circle and -0.5; poles: 0.95 e^(+-j 0.6), 0.3
    // twice and -0.8; g = -0.8.
    checkRows({{1, 0.7, 1}, {-0.5, 0, 1}}, {{0.95, 0.6, 1}, {0.3, 0, 2}, {-0.8, 0, 1}}, -0.8,
              {
                  {0.1, 5.6458638521293489, 3.0374205156832584, 1.0503733248952145},
                  {0.6, 7.864683331672095, 1.2337607583397626, 19.950191498898468},
                  {0.65, -1.3282282932412515, 0.43961043317647768, 10.402995862027558},
                  {1.0, -2.7824937571111376, 2.8265619933997764, 0.39528376118452135},
                  {2.5, -4.7706690756413584, -2.9459480905273633, -0.72134128834023161},
                  {3.1, 1.4792190630676756, -3.036883224236551, 2.4214389071271328},
              });
}

TEST(RootResponse, RootsOnTheCircle) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Row {
        const char* what;
        std::vector<SectionRoot> zeros, poles;
        double gain, w;
        double decibels; // exact: +-inf, or a closed form
        double delay;
    };
    // A root on the circle delays by 1/2 at every frequency, the limit at the root itself;
    // (1 - z^-1)(1 + z^-1) = 1 - z^-2 has |H| = 2 |sin w|; a zero pair on the circle
    // e^(+-j a) has |H| = 2 |cos w - cos a|.
    const std::vector<Row> rows = {
        {"a zero at 1, at w = 0", {{1, 0, 1}}, {}, 1, 0, -inf, 0.5},
        {"a pole at 1, at w = 0", {}, {{1, 0, 1}}, 1, 0, inf, -0.5},
        {"zeros at 1 and -1",
         {{1, 0, 1}, {-1, 0, 1}},
         {},
         1,
         0.3,
         20 * std::log10(2 * std::sin(0.3)),
         1},
        {"a double zero at 1",
         {{1, 0, 2}},
         {},
         1,
         2.0,
         20 * std::log10(4 * std::sin(1.0) * std::sin(1.0)),
         1},
        {"a zero pair on the circle",
         {{1, 2.0, 1}},
         {},
         1,
         0.5,
         20 * std::log10(2 * (std::cos(0.5) - std::cos(2.0))),
         1},
        {"a zero gain", {{0.5, 1.0, 1}}, {}, 0, 0.5, -inf, 0},
    };
    for (const Row& row : rows) {
        const RootResponse r = rootResponse(row.zeros, row.poles, row.gain, {row.w});
        if (std::isinf(row.decibels)) {
            EXPECT_EQ(r.magnitudeDb[0], row.decibels) << row.what;
        } else {
            EXPECT_NEAR(r.magnitudeDb[0], row.decibels, 1e-13) << row.what;
        }
        if (row.decibels == inf) {
            EXPECT_TRUE(std::isnan(r.phase[0])) << row.what;
        }
        if (row.gain != 0) {
            EXPECT_NEAR(r.groupDelay[0], row.delay, 1e-14) << row.what;
        }
    }
}

// The factors (1 - z e^(-j w)) multiplied out in extended precision, and the group delay
// of each root r e^(j a): (r^2 - r cos(w - a)) / (1 - 2 r cos(w - a) + r^2), exactly 1/2
// for r = 1 away from the root (the numerator is half the denominator).
struct ExtendedResponse {
    long double decibels, phase, delay;
};
long double rootDelay(std::complex<long double> z, long double w) {
    const long double r = std::abs(z), c = std::cos(w - std::arg(z));
    return (r * r - r * c) / (1 - 2 * r * c + r * r);
}
ExtendedResponse extendedResponse(const std::vector<std::complex<long double>>& zeros,
                                  const std::vector<std::complex<long double>>& poles,
                                  long double gain, long double w) {
    const std::complex<long double> e = std::polar(1.0L, -w);
    std::complex<long double> h = gain;
    long double delay = 0;
    for (const auto& z : zeros) {
        h *= 1.0L - z * e;
        delay += rootDelay(z, w);
    }
    for (const auto& p : poles) {
        h /= 1.0L - p * e;
        delay -= rootDelay(p, w);
    }
    return {20 * std::log10(std::abs(h)), std::arg(h), delay};
}

TEST(RootResponse, TwentySectionsAgreeWithTheFactorsInExtendedPrecision) {
    // The editor's drawing case: 20 pole pairs inside the circle, 20 zero pairs on it,
    // over 4000 frequencies from 0 to pi.
    constexpr int pairs = 20, points = 4000;
    std::vector<SectionRoot> zeros, poles;
    std::vector<std::complex<long double>> z, p;
    const auto both = [](std::vector<std::complex<long double>>& to, long double r, long double a) {
        to.push_back(std::polar(r, a));
        to.push_back(std::polar(r, -a));
    };
    for (int k = 0; k < pairs; ++k) {
        const double pa = std::numbers::pi * (k + 0.5) / pairs;
        const double za = std::numbers::pi * (k + 0.25) / pairs;
        const double pr = 0.5 + 0.02 * k;
        poles.push_back({pr, pa, 1});
        zeros.push_back({1, za, 1});
        both(p, pr, pa);
        both(z, 1, za);
    }
    const double gain = 0.37;
    std::vector<double> angles;
    for (int i = 0; i < points; ++i)
        angles.push_back(std::numbers::pi * i / (points - 1));
    const RootResponse r = rootResponse(zeros, poles, gain, angles);
    for (std::size_t i = 0; i < angles.size(); ++i) {
        const ExtendedResponse x = extendedResponse(z, p, gain, angles[i]);
        expectNear(r.magnitudeDb[i], static_cast<double>(x.decibels), 1e-10, "20 log10 |H|",
                   angles[i]);
        // Phases compared around the circle.
        const double turn =
            std::remainder(r.phase[i] - static_cast<double>(x.phase), 2 * std::numbers::pi);
        EXPECT_LE(std::fabs(turn), 1e-11) << "arg H at w = " << angles[i];
        expectNear(r.groupDelay[i], static_cast<double>(x.delay), 1e-11, "group delay", angles[i]);
    }
}

// The peak a drag normalises by, from 4000 samples of the response refined on the exact
// |H|, against closed forms evaluated with mpmath (50 digits): 1 / ((1 - r^2) sin a) for a
// pole pair r e^(+-j a) whose peak lies inside the band (one narrower than the samples'
// step among them), |H(1)| = 1 / (1 - 2 r cos a + r^2) for one whose peak is at 0, |H| = 2
// at the end of a real pole of 0.5 or -0.5; and, where a resonance narrower than the
// samples' step lies between two of them while the samples' largest is elsewhere, the
// maximum mpmath finds as the root of d log|H| / dw.
TEST(RootResponse, TheRefinedPeakOfTheCurveIsTheTruePeak) {
    constexpr int samples = 4000;
    std::vector<double> angles(samples);
    for (int k = 0; k < samples; ++k)
        angles[static_cast<std::size_t>(k)] = k * std::numbers::pi / (samples - 1);
    angles.back() = std::numbers::pi;
    // Halfway between the samples 3182 and 3183.
    const double between = 2.5001546936858006;
    struct Row {
        const char* name;
        std::vector<SectionRoot> zeros, poles;
        double decibels;
    };
    const std::vector<Row> rows{
        {"pair 0.9 at 1", {}, {{0.9, 1.0, 1}}, 15.924145072153332719},
        {"pair 0.99 at 0.3", {}, {{0.99, 0.3, 1}}, 44.611194835718484847},
        {"pair 0.99999 at 2.5", {}, {{0.99999, 2.5, 1}}, 98.438564696939383301},
        {"pair 0.5 at 0.3", {}, {{0.5, 0.3, 1}}, 10.613472817922002078},
        {"pole 0.5", {}, {{0.5, 0, 1}}, 6.0205999132796239043},
        {"pole -0.5", {}, {{-0.5, 0, 1}}, 6.0205999132796239043},
        {"narrow between samples",
         {{0.995, between, 1}},
         {{0.97, 0.8, 1}, {0.999999, between, 1}},
         64.688973864066444389},
    };
    for (const Row& row : rows) {
        const RootResponse curve = rootResponse(row.zeros, row.poles, 1, angles);
        const double peak = rootPeakDb(row.zeros, row.poles, angles, curve.magnitudeDb);
        // To the rounding of the last digit.
        EXPECT_NEAR(peak, row.decibels,
                    2 * std::numeric_limits<double>::epsilon() * std::fabs(row.decibels))
            << row.name;
    }
}

} // namespace
} // namespace zorkan
