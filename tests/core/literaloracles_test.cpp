// The transforms, the ".dat" signal and the noisy test signals against oracles written
// here step by step in the order of operations that fixes them (the twiddle recurrence,
// the angle (k·θ)·n, the sum order of the recursion, the noise before the harmonics,
// extended-precision sums), compared bit for bit: a different order that is just as
// accurate still changes most of the 15-digit lines in the files.
#include "modelling/randomgenerator.h"
#include "modelling/testsignals.h"
#include "spectral/fourier.h"
#include "spectral/recursive.h"
#include "spectral/spectralinput.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <utility>

namespace zorkan {
namespace {

using Points = SpectrumPoints;

// The generator, literally: seed × 134775813 + 1 modulo 2^32.
struct Lcg {
    std::uint32_t seed;
    double next() {
        seed = seed * 134775813u + 1u;
        return seed / 4294967296.0;
    }
    std::uint32_t nextInt(std::uint32_t n) {
        seed = seed * 134775813u + 1u;
        return static_cast<std::uint32_t>((std::uint64_t{seed} * n) >> 32);
    }
};

void polar(SpectrumPoint& p) {
    p.magnitude = std::sqrt(p.re * p.re + p.im * p.im);
    p.phase = p.re != 0  ? std::atan(p.im / p.re)
              : p.im > 0 ? 1.5707963267948966
              : p.im < 0 ? -1.5707963267948966
                         : 0.0;
}

void oracleFourier(Points& t) {
    for (int s = 1; s <= 10; ++s) {
        const int L = 1 << (11 - s), h = L / 2;
        const double theta = 3.141592653589793 / h, u = std::cos(theta), v = 0 - std::sin(theta);
        double wr = 1, wi = 0;
        for (int j = 0; j < h; ++j) {
            for (int k = j; k < 1024; k += L) {
                const SpectrumPoint a = t[k], b = t[k + h];
                t[k].re = a.re + b.re;
                t[k].im = a.im + b.im;
                const double tr = a.re - b.re, ti = a.im - b.im;
                t[k + h].re = tr * wr - ti * wi;
                t[k + h].im = ti * wr + tr * wi;
            }
            const double nr = wr * u - wi * v, ni = wi * u + wr * v;
            wr = nr;
            wi = ni;
        }
    }
    int j = 1;
    for (int i = 1; i <= 1023; ++i) {
        if (i < j) {
            std::swap(t[j - 1].re, t[i - 1].re);
            std::swap(t[j - 1].im, t[i - 1].im);
        }
        int m = 512;
        while (m < j) {
            j -= m;
            m /= 2;
        }
        j += m;
    }
    for (SpectrumPoint& p : t) {
        p.re = p.re * 0.001953125;
        p.im = p.im * 0.001953125;
        if (std::fabs(p.re) < 0.0001)
            p.re = 0;
        if (std::fabs(p.im) < 0.0001)
            p.im = 0;
        polar(p);
    }
}

void oracleRecursive(Points& t, double K) {
    double pr = 0, pi = 0;
    for (int n = 0; n < 1024; ++n) {
        const double a = std::cos(n * 0.006135923151542565) * K;
        const double b = std::sin(n * 0.006135923151542565) * K;
        const double yr = pr * a + t[n].re - pi * b, yi = pi * a + t[n].im + pr * b;
        t[n].re = pr = yr;
        t[n].im = pi = yi;
        polar(t[n]);
    }
}

void oracleShifted(Points& t, double K) {
    Points result{};
    for (int k = 0; k < 1024; ++k) {
        double sr = 0, si = 0;
        for (int n = 0; n < 1024; ++n) {
            const double phi = (k * 0.006135923151542565) * n, u = std::cos(phi),
                         v = -std::sin(phi);
            const double tr = t[n].re * u - t[n].im * v, ti = t[n].re * v + t[n].im * u;
            sr = n == 0 ? tr : sr * K + tr;
            si = n == 0 ? ti : si * K + ti;
        }
        result[k].re = sr;
        result[k].im = si;
    }
    for (int k = 0; k < 1024; ++k) {
        t[k] = result[k];
        polar(t[k]);
    }
}

// The first point and field that differ in their bits, or -1.
int firstDifference(const Points& a, const Points& b) {
    for (int n = 0; n < 1024; ++n) {
        const double x[] = {a[n].re, a[n].im, a[n].magnitude, a[n].phase};
        const double y[] = {b[n].re, b[n].im, b[n].magnitude, b[n].phase};
        for (int f = 0; f < 4; ++f)
            if (std::bit_cast<std::uint64_t>(x[f]) != std::bit_cast<std::uint64_t>(y[f]))
                return n * 4 + f;
    }
    return -1;
}

TEST(LiteralOracles, TransformsBitForBit) {
    Points input{};
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> value(-50, 50);
    for (SpectrumPoint& p : input) {
        p.re = value(random);
        p.im = value(random) * 0.5;
    }
    const auto inverseOracle = [](Points& t) {
        for (SpectrumPoint& p : t)
            p.im = -p.im;
        oracleFourier(t);
        for (SpectrumPoint& p : t)
            p.im = -p.im;
    };
    struct Row {
        const char* name;
        std::function<void(Points&)> program, oracle;
    };
    const Row rows[] = {
        {"fastFourier", fastFourier, oracleFourier},
        {"inverseFourier", inverseFourier, inverseOracle},
        {"recursiveSpectrum", [](Points& t) { recursiveSpectrum(t, 0.97); },
         [](Points& t) { oracleRecursive(t, 0.97); }},
        {"shiftedSpectrum", [](Points& t) { shiftedSpectrum(t, 0.98); },
         [](Points& t) { oracleShifted(t, 0.98); }},
    };
    for (const Row& r : rows) {
        Points program = input, oracle = input;
        r.program(program);
        r.oracle(oracle);
        EXPECT_EQ(firstDifference(program, oracle), -1) << r.name << " (point * 4 + field)";
    }
}

TEST(LiteralOracles, DatHarmonicsAddToTheNoiseBitForBit) {
    testing::TempDir dir;
    const char* const lines[][3] = {
        {"1.5", "10.25", "0.3"}, {"0.75", "3", "-1.2"}, {"2", "100.5", "2.5"}};
    std::string text;
    for (const auto& l : lines)
        text += std::string(l[0]) + " " + l[1] + " " + l[2] + "\r\n";
    testing::writeBytes(dir.file("s.dat"), text);
    const std::uint32_t saved = randomSeed();
    setRandomSeed(12345);
    Points program{};
    readDatInput(dir.file("s.dat"), program);

    Lcg g{12345};
    const auto noise = [&] {
        int s = 0;
        for (int i = 0; i < 4; ++i) {
            s += static_cast<int>(g.nextInt(32768));
            s -= static_cast<int>(g.nextInt(32768));
        }
        return s / 32768.0;
    };
    Points oracle{};
    for (int n = 0; n < 1024; ++n) {
        SpectrumPoint& p = oracle[n];
        p.re = noise();
        p.im = noise();
        for (const auto& l : lines) {
            const double A = std::strtod(l[0], nullptr), f = std::strtod(l[1], nullptr),
                         phi = std::strtod(l[2], nullptr);
            const double x = (f * 0.006135923151542565) * n + phi;
            p.re = p.re + A * std::cos(x);
            p.im = p.im + A * std::sin(x);
        }
        polar(p);
    }
    EXPECT_EQ(firstDifference(program, oracle), -1) << "(point * 4 + field)";
    setRandomSeed(saved);
}

TEST(LiteralOracles, NoisySinesSumInExtendedPrecision) {
    const double f = 0.0123, sigma = 0.7;
    const long double twoPi = 6.283185307179586477L;
    struct Row {
        SignalKind kind;
        std::function<double(Lcg&, long double sine)> carried;
    };
    const Row rows[] = {
        {uniformNoiseSine,
         [&](Lcg& g, long double s) {
             const double noise = (g.next() - 0.5) * 2;
             return static_cast<double>(s + static_cast<long double>(noise) * sigma);
         }},
        {gaussianNoiseSine,
         [&](Lcg& g, long double s) {
             double sum = 0;
             for (int i = 0; i < 12; ++i)
                 sum += g.next();
             // The double sum, then one rounding of the extended result.
             const double noise = static_cast<double>((sum / 12.0L - 0.5L) * 2);
             return static_cast<double>(static_cast<long double>(noise) * sigma + s);
         }},
    };
    const std::uint32_t saved = randomSeed();
    for (const Row& r : rows) {
        setRandomSeed(777);
        TestSignalBuffer program{};
        generateTestSignal(r.kind, f, sigma, program);
        Lcg g{777};
        TestSignalBuffer oracle{};
        double v = 0;
        for (int i = 1; i <= 1024; ++i) {
            oracle[i - 1] = v;
            v = r.carried(g, std::sin((twoPi * f) * static_cast<long double>(i)));
        }
        int differ = 0;
        for (int i = 0; i < 1024; ++i)
            differ +=
                std::bit_cast<std::uint64_t>(program[i]) != std::bit_cast<std::uint64_t>(oracle[i]);
        EXPECT_EQ(differ, 0) << "kind " << r.kind;
    }
    setRandomSeed(saved);
}

} // namespace
} // namespace zorkan
