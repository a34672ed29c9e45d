// Filters for a purpose against independent oracles: scipy's iirnotch, iirpeak, iircomb
// and bilinear constants, the audio cookbook formulas and the magnitudes they promise,
// the Thiran closed form and its delay at zero frequency, the analog impulse response
// at the sampling instants.
#include "cascade/secondorder.h"
#include "common/errors.h"
#include "purpose/allpassequaliser.h"
#include "purpose/analogtransform.h"
#include "purpose/audiosections.h"
#include "purpose/fractionaldelay.h"
#include "purpose/notchcomb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

namespace zorkan {
namespace {

using std::numbers::pi;
using Poly = std::vector<long double>;

Poly times(const Poly& p, const Poly& q) {
    Poly r(p.size() + q.size() - 1, 0);
    for (std::size_t i = 0; i < p.size(); ++i)
        for (std::size_t j = 0; j < q.size(); ++j)
            r[i + j] += p[i] * q[j];
    return r;
}

// The product of the sections' numerators (A) or denominators (B) in z^-1.
Poly product(const DesignedSections& d, bool numerator) {
    Poly r{1};
    for (const FilterSection& s : d.sections) {
        const double* c = numerator ? s.a : s.b;
        r = times(r, Poly{c[0], c[1], c[2], c[3], c[4]});
    }
    return r;
}

// Compares a product with the expected coefficients; the product's further terms are 0.
void expectPolynomial(const Poly& got, const std::vector<double>& expected, double tolerance,
                      const std::string& what) {
    for (std::size_t k = 0; k < got.size(); ++k)
        EXPECT_NEAR(static_cast<double>(got[k]), k < expected.size() ? expected[k] : 0.0, tolerance)
            << what << " z^-" << k;
}

std::complex<long double> responseAt(const DesignedSections& d, long double w) {
    const std::complex<long double> z1 = std::polar(1.0L, -w);
    std::complex<long double> h = 1;
    for (const FilterSection& s : d.sections) {
        std::complex<long double> n = 0, m = 0, zk = 1;
        for (int k = 0; k < 5; ++k, zk *= z1) {
            n += static_cast<long double>(s.a[k]) * zk;
            m += static_cast<long double>(s.b[k]) * zk;
        }
        h *= n / m;
    }
    return h;
}

double gainDbAt(const DesignedSections& d, double f, double fd) {
    return static_cast<double>(20 * std::log10(std::abs(responseAt(d, 2 * pi * f / fd))));
}

TEST(PurposeNotch, MatchesScipyIirnotchAndIirpeak) {
    struct Row {
        double f0, q, fd;
        bool peak;
        std::vector<double> b, a; // scipy.signal.iirnotch / iirpeak(f0, q, fs=fd)
    };
    const Row rows[] = {
        {1000,
         30,
         48000,
         false,
         {0.9978230842745907, -1.9785731389284185, 0.9978230842745907},
         {1.0, -1.9785731389284185, 0.9956461685491813}},
        {1000,
         30,
         48000,
         true,
         {0.002176915725409345, 0.0, -0.002176915725409345},
         {1.0, -1.9785731389284185, 0.9956461685491813}},
        {0.2,
         2,
         1,
         false,
         {0.7547627247472144, -0.46646901733526003, 0.7547627247472144},
         {1.0, -0.46646901733526003, 0.5095254494944288}},
        {0.2,
         2,
         1,
         true,
         {0.2452372752527856, 0.0, -0.2452372752527856},
         {1.0, -0.46646901733526003, 0.5095254494944288}},
        {0.01,
         0.5,
         1,
         false,
         {0.9408092961815945, -1.877905647886043, 0.9408092961815945},
         {1.0, -1.877905647886043, 0.881618592363189}},
        {0.01,
         0.5,
         1,
         true,
         {0.05919070381840552, 0.0, -0.05919070381840552},
         {1.0, -1.877905647886043, 0.881618592363189}},
    };
    for (const Row& row : rows) {
        const DesignedSections d = designNotch({row.fd, row.f0, row.q, row.peak});
        ASSERT_EQ(d.sections.size(), 1u);
        EXPECT_EQ(d.order, 2u);
        expectPolynomial(product(d, true), row.b, 1e-12, "b");
        expectPolynomial(product(d, false), row.a, 1e-12, "a");
    }
}

TEST(PurposeComb, MatchesScipyIircombFromItsRoots) {
    struct Row {
        double f0, q, fd;
        bool peak, passZero;
        double b0, bN, aN; // scipy.signal.iircomb: b = [b0, 0 ..., bN], a = [1, 0 ..., aN]
    };
    const Row rows[] = {
        {100, 30, 1000, false, false, 0.9502020221489199, -0.9502020221489199, -0.9004040442978398},
        {100, 30, 1000, false, true, 0.9502020221489199, 0.9502020221489199, 0.9004040442978398},
        {100, 30, 1000, true, false, 0.04979797785108001, -0.04979797785108001, 0.90040404429784},
        {100, 30, 1000, true, true, 0.04979797785108001, 0.04979797785108001, -0.90040404429784},
        {0.25, 1.5, 1, false, false, 0.36602540378443865, -0.36602540378443865, 0.2679491924311227},
        {0.25, 1.5, 1, false, true, 0.36602540378443865, 0.36602540378443865, -0.2679491924311227},
        {0.25, 1.5, 1, true, false, 0.6339745962155612, -0.6339745962155612, -0.2679491924311224},
        {0.25, 1.5, 1, true, true, 0.6339745962155612, 0.6339745962155612, 0.2679491924311224},
    };
    for (const Row& row : rows) {
        const DesignedSections d = designComb({row.fd, row.f0, row.q, row.peak, row.passZero});
        const int n = static_cast<int>(std::lround(row.fd / row.f0));
        ASSERT_EQ(d.sections.size(), static_cast<std::size_t>(n / 2));
        EXPECT_EQ(d.order, static_cast<unsigned>(n));
        std::vector<double> b(n + 1, 0.0), a(n + 1, 0.0);
        b[0] = row.b0;
        b[n] = row.bN;
        a[0] = 1;
        a[n] = row.aN;
        expectPolynomial(product(d, true), b, 1e-12, "b");
        expectPolynomial(product(d, false), a, 1e-12, "a");
    }
}

TEST(PurposeComb, LengthMustBeAnEvenIntegerUpTo64) {
    struct Row {
        double fd, f0;
        int length; // 0: refused
    };
    const Row rows[] = {{1000, 100, 10},       {6400, 100, 64},        {1, 0.5 / 1, 0},
                        {1000, 1000.0 / 3, 0}, {1000, 1000.0 / 66, 0}, {1000, 1000.0 / 7.5, 0},
                        {1, 0.25, 4}};
    for (const Row& row : rows) {
        if (row.length == 0)
            EXPECT_THROW(combLength(row.fd, row.f0), UserMessage);
        else
            EXPECT_EQ(combLength(row.fd, row.f0), row.length);
    }
}

TEST(PurposeFractionalDelay, ClosedFormCoefficients) {
    // a_k = (-1)^k C(3,k) prod_{n=0..3} (D - 3 + n) / (D - 3 + k + n), D = 2.4.
    const std::vector<double> a = thiranDenominator(2.4, 3);
    const double expected[] = {1.0, 0.5294117647058825, -0.0481283422459893, 0.004159239453357099};
    ASSERT_EQ(a.size(), 4u);
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(a[k], expected[k], 1e-12) << k;
    const DesignedSections d = designFractionalDelay({2.4, 3});
    EXPECT_EQ(d.order, 3u);
    expectPolynomial(product(d, false), {expected[0], expected[1], expected[2], expected[3]}, 1e-12,
                     "A(z)");
    // The numerator is z^-3 A(1/z).
    expectPolynomial(product(d, true), {expected[3], expected[2], expected[1], expected[0]}, 1e-12,
                     "z^-3 A(1/z)");
}

TEST(PurposeFractionalDelay, GroupDelayAtZeroFrequencyIsTheDelay) {
    // tau(0) of z^-N A(1/z) / A(z) with A = sum a_k z^-k is N - 2 sum k a_k / sum a_k.
    struct Row {
        double delay;
        int order, expectedOrder;
    };
    const Row rows[] = {{2.4, 3, 3},   {0.7, 1, 1}, {0.3, 1, 1},  {5.5, 6, 6},
                        {10.2, 0, 10}, {3, 3, 3},   {6.49, 0, 6}, {20.8, 20, 20}};
    for (const Row& row : rows) {
        const DesignedSections d = designFractionalDelay({row.delay, row.order});
        EXPECT_EQ(d.order, static_cast<unsigned>(row.expectedOrder));
        const Poly a = product(d, false);
        long double sum = 0, weighted = 0;
        for (std::size_t k = 0; k < a.size(); ++k) {
            sum += a[k];
            weighted += k * a[k];
        }
        EXPECT_NEAR(static_cast<double>(row.expectedOrder - 2 * weighted / sum), row.delay, 1e-12)
            << row.delay;
        for (double w : {0.3, 1.1, 2.9})
            EXPECT_NEAR(static_cast<double>(std::abs(responseAt(d, w))), 1.0, 1e-12);
    }
}

TEST(PurposeFractionalDelay, IntegerDelayIsAPureDelay) {
    const DesignedSections d = designFractionalDelay({3, 3});
    expectPolynomial(product(d, false), {1}, 0, "1");
    expectPolynomial(product(d, true), {0, 0, 0, 1}, 0, "z^-3");
}

TEST(PurposeFractionalDelay, UnstableDelaysAreRefused) {
    struct Row {
        double delay;
        int order;
    };
    const Row rows[] = {{2, 3}, {1.5, 3}, {0.2, 0}, {0, 1}, {-1, 1}, {5, 65}, {4, 6}};
    for (const Row& row : rows)
        EXPECT_THROW(designFractionalDelay({row.delay, row.order}), UserMessage);
}

// The cookbook's b0..b2, a0..a2, computed here for comparison.
struct Cookbook {
    double b[3], a[3];
};

Cookbook cookbook(AudioBandType type, double f, double gainDb, double q, double fd) {
    const double w0 = 2 * pi * f / fd, c = std::cos(w0), s = std::sin(w0);
    const double A = std::pow(10, gainDb / 40);
    const double alpha = s / (2 * q);
    const double shelfAlpha = s / 2 * std::sqrt((A + 1 / A) * (1 / q - 1) + 2);
    const double k = 2 * std::sqrt(A) * shelfAlpha;
    switch (type) {
    case AudioBandType::LowPass:
        return {{(1 - c) / 2, 1 - c, (1 - c) / 2}, {1 + alpha, -2 * c, 1 - alpha}};
    case AudioBandType::HighPass:
        return {{(1 + c) / 2, -(1 + c), (1 + c) / 2}, {1 + alpha, -2 * c, 1 - alpha}};
    case AudioBandType::BandPass:
        return {{alpha, 0, -alpha}, {1 + alpha, -2 * c, 1 - alpha}};
    case AudioBandType::Notch:
        return {{1, -2 * c, 1}, {1 + alpha, -2 * c, 1 - alpha}};
    case AudioBandType::AllPass:
        return {{1 - alpha, -2 * c, 1 + alpha}, {1 + alpha, -2 * c, 1 - alpha}};
    case AudioBandType::Peak:
        return {{1 + alpha * A, -2 * c, 1 - alpha * A}, {1 + alpha / A, -2 * c, 1 - alpha / A}};
    case AudioBandType::LowShelf:
        return {
            {A * ((A + 1) - (A - 1) * c + k), 2 * A * ((A - 1) - (A + 1) * c),
             A * ((A + 1) - (A - 1) * c - k)},
            {(A + 1) + (A - 1) * c + k, -2 * ((A - 1) + (A + 1) * c), (A + 1) + (A - 1) * c - k}};
    case AudioBandType::HighShelf:
        return {
            {A * ((A + 1) + (A - 1) * c + k), -2 * A * ((A - 1) + (A + 1) * c),
             A * ((A + 1) + (A - 1) * c - k)},
            {(A + 1) - (A - 1) * c + k, 2 * ((A - 1) - (A + 1) * c), (A + 1) - (A - 1) * c - k}};
    }
    return {};
}

TEST(PurposeAudio, SectionsAreTheCookbookFormulas) {
    struct Row {
        AudioBandType type;
        double f, gain, q, fd;
    };
    const Row rows[] = {
        {AudioBandType::Peak, 1000, 6, 1, 48000},
        {AudioBandType::Peak, 5000, -12, 4, 44100},
        {AudioBandType::LowShelf, 100, -3, 1, 48000},
        {AudioBandType::LowShelf, 300, 9, 0.5, 48000},
        {AudioBandType::HighShelf, 8000, 4, 1, 48000},
        {AudioBandType::HighShelf, 3000, -6, 0.7, 32000},
        {AudioBandType::Notch, 50, 0, 10, 48000},
        {AudioBandType::BandPass, 0.1, 0, 2, 1},
        {AudioBandType::AllPass, 0.3, 0, 0.6, 1},
        {AudioBandType::LowPass, 0.05, 0, 0.7071, 1},
        {AudioBandType::HighPass, 30, 0, 0.707, 48000},
    };
    for (const Row& row : rows) {
        const SecondOrderSection s = audioSection({row.type, row.f, row.gain, row.q}, row.fd);
        const Cookbook c = cookbook(row.type, row.f, row.gain, row.q, row.fd);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(s.num[i], c.b[i] / c.a[0], 1e-12) << audioBandName(row.type) << " b" << i;
            EXPECT_NEAR(s.den[i], c.a[i] / c.a[0], 1e-12) << audioBandName(row.type) << " a" << i;
        }
    }
}

TEST(PurposeAudio, GainsTheTypesPromise) {
    // Peak: GAIN at F; shelves: GAIN at one end and 0 dB at the other, GAIN/2 at F;
    // notch: nothing at F; band-pass: 0 dB at F; all-pass: 0 dB everywhere; low-pass and
    // high-pass: 0 dB at one end.
    struct Row {
        AudioBandType type;
        double f, gain, q, fd;
        double at, expectedDb;
    };
    const double fd = 48000;
    const Row rows[] = {
        {AudioBandType::Peak, 1000, 6, 1, fd, 1000, 6},
        {AudioBandType::Peak, 2000, -9.5, 3, fd, 2000, -9.5},
        {AudioBandType::LowShelf, 200, 8, 1, fd, 0, 8},
        {AudioBandType::LowShelf, 200, 8, 1, fd, fd / 2, 0},
        {AudioBandType::LowShelf, 200, 8, 1, fd, 200, 4},
        {AudioBandType::HighShelf, 5000, -5, 0.8, fd, fd / 2, -5},
        {AudioBandType::HighShelf, 5000, -5, 0.8, fd, 0, 0},
        {AudioBandType::HighShelf, 5000, -5, 0.8, fd, 5000, -2.5},
        {AudioBandType::BandPass, 700, 0, 5, fd, 700, 0},
        {AudioBandType::AllPass, 700, 0, 5, fd, 3000, 0},
        {AudioBandType::LowPass, 700, 0, 0.7, fd, 0, 0},
        {AudioBandType::HighPass, 700, 0, 0.7, fd, fd / 2, 0},
        {AudioBandType::LowPass, 700, 0, 2, fd, 700, 20 * std::log10(2.0)},
    };
    for (const Row& row : rows) {
        const AudioEqResult r = designAudioEq({row.fd, {{row.type, row.f, row.gain, row.q}}});
        EXPECT_NEAR(gainDbAt(r.filter, row.at, row.fd), row.expectedDb, 1e-9)
            << audioBandName(row.type) << " at " << row.at;
    }
    // Nothing passes at the notch's frequency but the rounding of -2 cos w0 to a double
    // against a denominator of about sin(w0) / (2 Q) there.
    const AudioEqResult notch = designAudioEq({fd, {{AudioBandType::Notch, 1000, 0, 10}}});
    EXPECT_LT(std::abs(responseAt(notch.filter, 2 * pi * 1000 / fd)), 1e-13);
}

TEST(PurposeAudio, CascadeGainAtEachCentreIsTheSumOfTheBands) {
    const double fd = 44100;
    const AudioEqRequest request{fd,
                                 {{AudioBandType::Peak, 1000, 6, 1},
                                  {AudioBandType::LowShelf, 100, -3, 1},
                                  {AudioBandType::HighShelf, 10000, 2, 1}}};
    const AudioEqResult r = designAudioEq(request);
    ASSERT_EQ(r.filter.sections.size(), 3u);
    ASSERT_EQ(r.centreGainDb.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        double sum = 0;
        for (const AudioBand& b : request.bands) {
            const AudioEqResult one = designAudioEq({fd, {b}});
            sum += gainDbAt(one.filter, request.bands[k].frequency, fd);
        }
        EXPECT_NEAR(r.centreGainDb[k], sum, 1e-9) << k;
    }
}

TEST(PurposeAnalog, BilinearMatchesScipy) {
    struct Row {
        std::vector<double> num, den;
        double fd, prewarp;
        std::vector<double> b,
            a; // scipy.signal.bilinear(num, den, fs) (pre-warped: fs = pi F / tan(pi F / fd))
    };
    const double wc = 2 * pi * 100;
    const Row rows[] = {
        {{wc * wc},
         {1, std::sqrt(2.0) * wc, wc * wc},
         1000,
         0,
         {0.063964384855588, 0.127928769711176, 0.063964384855588},
         {1.0, -1.168260667193264, 0.42411820661561617}},
        {{wc * wc},
         {1, std::sqrt(2.0) * wc, wc * wc},
         1000,
         100,
         {0.06745527388907191, 0.13491054777814382, 0.06745527388907191},
         {1.0, -1.142980502539901, 0.4128015980961886}},
        {{2, 0, 8e4},
         {1, 30, 300, 2000},
         100,
         0,
         {0.017274886633556467, 0.017274886633556467, 0.017274886633556467, 0.017274886633556467},
         {1.0, -2.7136687540488014, 2.4558410710429714, -0.740444828330814}},
        {{2, 0, 8e4},
         {1, 30, 300, 2000},
         100,
         30,
         {0.03701955369000784, 0.06379053886095412, 0.06379053886095414, 0.03701955369000784},
         {1.0, -2.5899364066424675, 2.2392058685451084, -0.6442289572750928}},
        {{1, 0}, {1, 1}, 2, 0, {0.8, -0.8}, {1.0, -0.6}},
    };
    for (const Row& row : rows) {
        AnalogRequest request;
        request.numerator = row.num;
        request.denominator = row.den;
        request.fd = row.fd;
        request.method = row.prewarp > 0 ? AnalogMethod::Prewarp : AnalogMethod::Bilinear;
        request.prewarp = row.prewarp;
        const DesignedSections d = designFromAnalog(request);
        expectPolynomial(product(d, true), row.b, 1e-12, "b");
        expectPolynomial(product(d, false), row.a, 1e-12, "a");
    }
}

// The impulse response of the sections, sample by sample.
std::vector<long double> impulseResponse(const DesignedSections& d, int count) {
    std::vector<long double> x(count, 0);
    x[0] = 1;
    for (const FilterSection& s : d.sections) {
        std::vector<long double> y(count, 0);
        for (int n = 0; n < count; ++n) {
            long double v = 0;
            for (int k = 0; k < 5 && k <= n; ++k)
                v += s.a[k] * x[n - k] - (k > 0 ? s.b[k] * y[n - k] : 0);
            y[n] = v / s.b[0];
        }
        x = y;
    }
    return x;
}

// The impulse response of H(s) designed by impulse invariance at FD.
std::vector<long double> impulseInvariantResponse(const std::vector<double>& num,
                                                  const std::vector<double>& den, double fd,
                                                  int count) {
    AnalogRequest request;
    request.numerator = num;
    request.denominator = den;
    request.fd = fd;
    request.method = AnalogMethod::Impulse;
    return impulseResponse(designFromAnalog(request), count);
}

TEST(PurposeAnalog, ImpulseInvarianceSamplesTheAnalogImpulseResponse) {
    struct Row {
        std::vector<double> num, den;
        double fd;
        long double (*h)(long double t); // the analog impulse response, t > 0
    };
    const Row rows[] = {
        // 1 / ((s + 1)(s + 2)): e^-t - e^-2t
        {{1}, {1, 3, 2}, 1, [](long double t) { return std::exp(-t) - std::exp(-2 * t); }},
        // (s + 3) / ((s + 1)(s + 2)): 2 e^-t - e^-2t
        {{1, 3}, {1, 3, 2}, 4, [](long double t) { return 2 * std::exp(-t) - std::exp(-2 * t); }},
        // 1 / (s^2 + 0.4 s + 4): e^-0.2t sin(wd t) / wd, wd = sqrt(3.96)
        {{1},
         {1, 0.4, 4},
         10,
         [](long double t) {
             const long double wd = std::sqrt(3.96L);
             return std::exp(-0.2L * t) * std::sin(wd * t) / wd;
         }},
        // 5 / ((s + 5)(s^2 + 2 s + 10)): 5 (e^-5t / 25 + e^-t (-cos 3t + 4/3 sin 3t) / 25)
        {{5},
         {1, 7, 20, 50},
         8,
         [](long double t) {
             return 5 * (std::exp(-5 * t) / 25 +
                         std::exp(-t) * (-std::cos(3 * t) + 4.0L / 3 * std::sin(3 * t)) / 25);
         }},
    };
    for (const Row& row : rows) {
        const std::vector<long double> h = impulseInvariantResponse(row.num, row.den, row.fd, 60);
        const long double t = 1.0L / row.fd;
        // h(0+): b0 / a0 for a numerator one degree lower, else 0.
        const long double first =
            row.num.size() + 1 == row.den.size() ? row.num[0] / row.den[0] : 0;
        EXPECT_NEAR(static_cast<double>(h[0]), static_cast<double>(t * first), 1e-12);
        for (int n = 1; n < 60; ++n)
            EXPECT_NEAR(static_cast<double>(h[n]), static_cast<double>(t * row.h(n * t)), 1e-12)
                << "sample " << n << " of fd " << row.fd;
    }
}

TEST(PurposeAnalog, ImpulseInvarianceHoldsForHighOrdersWithCrowdedPoles) {
    // Poles crowded near z = 1 (FD far above them), where the partial fractions' residues
    // cancel by many digits. The oracle: T h(kT) from the residues of H(s) at the roots of
    // D(s), both in 60 digits (mpmath.polyroots, then the sum of r_i exp(p_i k T) T), and
    // the largest |T h(kT)| over k < 600. Rows: an 8th-order H(s) with clustered real
    // poles; Butterworth of order 10 (100 Hz at FD 48000) and 16 (200 Hz at 8000); a
    // Chebyshev type I of order 12 (0.5 dB, 2 kHz at 48000); 14 random poles and 10 real
    // zeros below 250 Hz at 48000 (a cluster of zeros near z = 1).
    struct Row {
        std::vector<double> num, den;
        double fd, largest;
        std::vector<double> h; // T h(kT) at k = 1, 2, 3, 5, 10, 20, 50, 100, 200, 400
    };
    const int at[] = {1, 2, 3, 5, 10, 20, 50, 100, 200, 400};
    const Row rows[] = {
        {{2.896455715273118, -3053.7519066405257, 12095613.94930216, -11175501577.634394,
          12210323930376.033, -9390532128504796.0, 1.7849926344328563e+18, -6.44764779755957e+17},
         {1.0, 3681.982365349075, 10596521.722881347, 21024290703.920315, 23784445935201.008,
          1.4944821260077266e+16, 5.081369120971959e+18, 8.490955671263625e+20,
          5.2515661970084345e+22},
         8000.0,
         0.00036205696440913975,
         {0.00017714104303746348, 4.4647853835640485e-5, -4.4193937925930305e-5,
          -0.00012151971738996081, -2.2281692356769201e-5, -1.2676026794957229e-5,
          -2.1253877056956862e-5, 3.7618716056283857e-5, -1.6085917616187697e-5,
          -6.2077689845047365e-7}},
        {{9.589560061550902e+27},
         {1.0, 4016.4968158159495, 8066123.335729828, 10617060383.903307, 10112216391670.643,
          7269404998970052.0, 3.992143016160021e+18, 1.654717122318621e+21, 4.962997637770397e+23,
          9.756327580881496e+25, 9.589560061550901e+27},
         48000.0,
         0.0042329895465933242,
         {4.0363409808656946e-25, 2.0493663917204765e-22, 7.8126787950630096e-21,
          7.6233951955546482e-19, 3.742345161363214e-16, 1.7605703656189533e-13,
          5.1891838855482604e-10, 1.7044907948797918e-7, 3.3869273856208492e-5,
          0.0019224639121955178}},
        {{3.86685444106648e+49},
         {1.0, 12820.584820274882, 82183697.56693135, 348935670524.96045, 1096479287898326.5,
          2.70046821863412e+18, 5.386910748766896e+21, 8.872325145085395e+24,
          1.2188427484346106e+28, 1.401061428797288e+31, 1.343319243567822e+34,
          1.0634039144400467e+37, 6.818350846248387e+39, 3.426446919799445e+42,
          1.2743949598390063e+45, 3.1393947856636964e+47, 3.8668544410664827e+49},
         8000.0,
         0.046084697086640784,
         {9.5014617927538482e-26, 2.8141853269465797e-21, 1.1131938140258333e-18,
          1.928398554827639e-15, 3.7412767607032534e-11, 4.0790945068823982e-7,
          0.0080884063924260566, -0.021681272236315769, 0.002500049061292831,
          9.118369373720852e-5}},
        {{2.1675826013533636e+46},
         {1.0, 14285.604822027046, 575780263.81785, 6491593436191.684, 1.2335160991817123e+17,
          1.071893663343352e+21, 1.2121589830623083e+25, 7.7340095803322755e+28,
          5.372547634404573e+32, 2.273212586840528e+36, 8.711668835227016e+39,
          1.8648464601534593e+43, 2.2960199451130296e+46},
         48000.0,
         0.067412619149150509,
         {3.5364748152800138e-18, 7.0368145198957151e-15, 5.8976702947134453e-13,
          1.51379981671515e-10, 2.4714914924563937e-7, 0.00025825607390846755, 0.062135175338733825,
          0.0012347414659320346, 0.003546510248913268, 7.6647065322655934e-5}},
        {{33412478751176.254, 2.3288466039026637e+17, 5.0600583988275675e+20, 5.592664517071339e+20,
          -1.443694610921035e+27, -1.632109718133714e+30, 1.648266938304201e+32,
          9.796004888918086e+35, 1.4025229767758198e+38, -1.8372047631918354e+41,
          -1.311582398176344e+42},
         {1.0, 13646.693243852553, 116430696.22198467, 722996739789.6025, 3400730690854008.0,
          1.2663151369428074e+19, 3.7512197732874733e+22, 8.769319377526146e+25,
          1.6225631410542386e+29, 2.3709774395597225e+32, 2.6872836820223307e+35,
          2.298117928656891e+38, 1.402554771244535e+41, 5.36491262434609e+43, 9.38065602114212e+45},
         48000.0,
         0.025194800382236279,
         {1.0123448998447874e-6, 7.8022153824013455e-6, 2.5324051071704398e-5,
          0.00010784295712009796, 0.00067595074370846452, 0.002712507654295786,
          -0.010057052538410045, 0.024980428352327084, -0.00752011870066548,
          0.0044600322214201061}},
    };
    // The partial fractions missed each of these by 0.2 to 1e14 of the largest sample.
    constexpr double tolerance = 1e-10;
    for (const Row& row : rows) {
        const std::vector<long double> h = impulseInvariantResponse(row.num, row.den, row.fd, 401);
        for (std::size_t i = 0; i < std::size(at); ++i)
            EXPECT_NEAR(static_cast<double>(h[static_cast<std::size_t>(at[i])]), row.h[i],
                        tolerance * row.largest)
                << "sample " << at[i] << " of order " << row.den.size() - 1;
    }
}

TEST(PurposeAnalog, ImpulseInvarianceRefusesWhatItCannotReproduce) {
    // 15 random poles below 200 Hz at FD 1000 and 6 real zeros: the zeros of the digital
    // numerator need more digits than extended precision keeps, and the sections would
    // miss the analog samples by some 1e-9 of the largest: refused, not written.
    AnalogRequest request;
    request.numerator = {4.013027019883188e+19,  -4.844858155160784e+21, -7.133628757994763e+23,
                         8.643010932877259e+25,  7.318085027562106e+26,  -1.483358588413395e+29,
                         -2.4407100472917307e+30};
    request.denominator = {1.0,
                           992.8423686988651,
                           592299.4520405066,
                           255651074.6615684,
                           83460550963.99387,
                           21392317874109.875,
                           4348170929827168.0,
                           6.917135663371794e+17,
                           8.491315897183168e+19,
                           7.984419997063032e+21,
                           5.713823996914514e+23,
                           3.071978634563777e+25,
                           1.2151643756286822e+27,
                           3.4474170540114885e+28,
                           6.707467106049589e+29,
                           7.26347403003605e+30};
    request.fd = 1000;
    request.method = AnalogMethod::Impulse;
    try {
        designFromAnalog(request);
        ADD_FAILURE() << "not refused";
    } catch (const UserMessage& e) {
        EXPECT_NE(std::string(e.what()).find("отличается от отсчетов h(k/FD)/FD"),
                  std::string::npos)
            << e.what();
    }
}

TEST(PurposeAnalog, MatchedTransformMapsEveryRootByTheExponential) {
    // 200 / ((s + 4)(s + 10 - j5)(s + 10 + j5)) / 125 * ... : poles e^(p / FD), three
    // zeros at -1, gain at zero frequency that of H(0) = 200 / (4 * 125) = 0.4.
    AnalogRequest request;
    request.numerator = {200};
    request.denominator = {1, 24, 205, 500};
    request.fd = 50;
    request.method = AnalogMethod::Matched;
    const DesignedSections d = designFromAnalog(request);
    const long double t = 1.0L / 50;
    const std::complex<long double> p1 = std::exp(std::complex<long double>(-10, 5) * t);
    const long double p2 = std::exp(-4 * t);
    // (1 - 2 Re p1 w + |p1|^2 w^2)(1 - p2 w) and (1 + w)^3 times the gain.
    const Poly den = times(Poly{1, -2 * p1.real(), std::norm(p1)}, Poly{1, -p2});
    expectPolynomial(product(d, false),
                     {static_cast<double>(den[0]), static_cast<double>(den[1]),
                      static_cast<double>(den[2]), static_cast<double>(den[3])},
                     1e-12, "a");
    const Poly num = product(d, true);
    const long double g = num[0];
    expectPolynomial(num,
                     {static_cast<double>(g), static_cast<double>(3 * g),
                      static_cast<double>(3 * g), static_cast<double>(g)},
                     1e-12, "b");
    EXPECT_NEAR(static_cast<double>(std::abs(responseAt(d, 0))), 0.4, 1e-12);
}

TEST(PurposeAnalog, RefusesWhatCannotBeRealised) {
    struct Row {
        std::vector<double> num, den;
        AnalogMethod method;
        bool allowUnstable;
    };
    const Row rows[] = {
        {{1, 0, 0}, {1, 1}, AnalogMethod::Bilinear, false}, // improper
        {{1}, {1, -1}, AnalogMethod::Bilinear, false},      // pole at s = 1
        {{1}, {1, 0, 1}, AnalogMethod::Bilinear, false},    // poles on the imaginary axis
        {{1}, {1, 0}, AnalogMethod::Matched, false},        // integrator
        {{1}, {0, 0}, AnalogMethod::Bilinear, false},       // no denominator
        {{0}, {1, 1}, AnalogMethod::Bilinear, false},       // no numerator
        {{1, 1}, {1, 1}, AnalogMethod::Impulse, false},     // not strictly proper
        {{1}, {1, 2, 1}, AnalogMethod::Impulse, false},     // double pole
    };
    for (const Row& row : rows) {
        AnalogRequest request;
        request.numerator = row.num;
        request.denominator = row.den;
        request.method = row.method;
        request.allowUnstable = row.allowUnstable;
        EXPECT_THROW(designFromAnalog(request), UserMessage);
    }
    AnalogRequest unstable;
    unstable.numerator = {1};
    unstable.denominator = {1, -1};
    unstable.allowUnstable = true;
    // s = 1 at FD = 1: z = (2 + 1) / (2 - 1) = 3, with the zero at -1 and gain 1 / (2 - 1).
    const DesignedSections d = designFromAnalog(unstable);
    expectPolynomial(product(d, false), {1, -3}, 1e-15, "a");
    expectPolynomial(product(d, true), {1, 1}, 1e-15, "b");
}

TEST(PurposeSections, FactorsPairEachZeroWithTheNearestPole) {
    using C = std::complex<long double>;
    // Two zero pairs on the circle at 0.5 and 2.5 rad, pole pairs of radius 0.9 at 2.4 and
    // 0.9 at 0.6 rad, and radius 0.5 at 1.5 rad with a pair of real zeros -0.5 and 0.25.
    const C z1 = std::polar(1.0L, 0.5L), z2 = std::polar(1.0L, 2.5L);
    const C p1 = std::polar(0.95L, 2.4L), p2 = std::polar(0.9L, 0.6L), p3 = std::polar(0.5L, 1.5L);
    const std::vector<C> zeros{z1, std::conj(z1), C(-0.5L), z2, std::conj(z2), C(0.25L)};
    const std::vector<C> poles{p1, std::conj(p1), p2, std::conj(p2), p3, std::conj(p3)};
    const std::vector<SecondOrderSection> s = sectionsFromRoots(zeros, 0, poles, 3);
    ASSERT_EQ(s.size(), 3u);
    // The least resonant pole pair first, then radius 0.9, then 0.95.
    const double expected[3][2][3] = {
        {{3, 3 * 0.25, 3 * -0.125}, {1, -2 * 0.5 * std::cos(1.5), 0.25}},
        {{1, -2 * std::cos(0.5), 1}, {1, -2 * 0.9 * std::cos(0.6), 0.81}},
        {{1, -2 * std::cos(2.5), 1}, {1, -2 * 0.95 * std::cos(2.4), 0.9025}},
    };
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(s[k].num[i], expected[k][0][i], 1e-15) << k << " num " << i;
            EXPECT_NEAR(s[k].den[i], expected[k][1][i], 1e-15) << k << " den " << i;
        }
}

// One resonant section, poles 0.8 e^(+-j 0.3), zeros at -1.
FilterCoefficients resonance() {
    FilterCoefficients f;
    f.order = 2;
    FilterSection s;
    s.a[0] = 1;
    s.a[1] = 2;
    s.a[2] = 1;
    s.b[0] = 1;
    s.b[1] = -2 * 0.8 * std::cos(0.3);
    s.b[2] = 0.64;
    f.sections.push_back(s);
    return f;
}

TEST(PurposeEqualiser, ProgressCountsEveryStartAndCancelStops) {
    EqualiserRequest request;
    request.filter = resonance();
    request.f2 = 0.08;
    request.order = 4;
    std::vector<int> seen;
    const EqualiserResult full = designEqualiser(request, [&](int done, int total) {
        // 5 angles x 2 radii for the first section, then for each of the 3 designs kept.
        EXPECT_EQ(total, 40);
        seen.push_back(done);
        return true;
    });
    // Every start once, rising to the total; starts of designs that came out equal to
    // others are counted together.
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 40);
    for (std::size_t k = 1; k < seen.size(); ++k)
        EXPECT_GT(seen[k], seen[k - 1]);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(seen[k], k + 1);
    EXPECT_FALSE(full.cancelled);
    EXPECT_EQ(full.equaliser.sections.size(), 2u);
    EXPECT_LT(full.variationAfter, full.variationBefore);

    int calls = 0;
    const EqualiserResult stopped = designEqualiser(request, [&](int, int) { return ++calls < 3; });
    EXPECT_EQ(calls, 3);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_TRUE(stopped.equaliser.sections.empty());
}

TEST(PurposeEqualiser, RadiusBoundHolds) {
    // A tight bound is met by every pole: r = R / (1 + e^-u) < R.
    struct Row {
        double radius;
        int order;
    };
    const Row rows[] = {{0.5, 2}, {0.7, 6}, {0.9, 4}};
    for (const Row& row : rows) {
        EqualiserRequest request;
        request.filter = resonance();
        request.f2 = 0.1;
        request.order = row.order;
        request.maxRadius = row.radius;
        const EqualiserResult r = designEqualiser(request);
        ASSERT_EQ(r.equaliser.sections.size(), static_cast<std::size_t>(row.order / 2));
        for (const FilterSection& s : r.equaliser.sections)
            EXPECT_LE(std::sqrt(s.b[2]), row.radius); // complex pair: |p|^2 = B2
        EXPECT_LE(r.maxRadius, row.radius);
    }
}

TEST(PurposeRefusals, FrequenciesAndQualities) {
    EXPECT_THROW(designNotch({1, 0.5, 2, false}), UserMessage);
    EXPECT_THROW(designNotch({1, 0.6, 2, false}), UserMessage);
    EXPECT_THROW(designNotch({1, 0, 2, false}), UserMessage);
    EXPECT_THROW(designNotch({1, -0.1, 2, true}), UserMessage);
    EXPECT_THROW(designNotch({1, 0.1, 0, false}), UserMessage);
    EXPECT_THROW(designNotch({0, 0.1, 2, false}), UserMessage);
    EXPECT_THROW(designComb({1000, 100, 1, false, false}), UserMessage);
    EXPECT_THROW(designAudioEq({48000, {{AudioBandType::Peak, 24000, 3, 1}}}), UserMessage);
    EXPECT_THROW(designAudioEq({48000, {{AudioBandType::Peak, 1000, 3, -1}}}), UserMessage);
    EXPECT_THROW(designAudioEq({48000, {}}), UserMessage);
    EXPECT_THROW(audioBandType("shelf"), UserMessage);
}

} // namespace
} // namespace zorkan
