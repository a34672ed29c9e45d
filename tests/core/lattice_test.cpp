// The lattice-ladder: reflection coefficients against the step-down recursion done in
// exact fractions, ladder coefficients against their closed form, the f32 kernel's
// impulse response against the direct form (scipy.signal.lfilter), the q15 and q31
// kernels against the library's integer arithmetic written out (in Python, modulo 2^32 and
// 2^64 by arithmetic on unbounded integers), and the realisation's words and refusals.
#include "common/errors.h"
#include "fixedpoint/implementation.h"
#include "fixedpoint/lattice.h"
#include "fixedpoint/simulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace zorkan {
namespace {

using V = std::vector<double>;
using I = std::vector<std::int64_t>;

// Oracles: python3 fractions.Fraction, k_m = a_m[m], a_{m-1}[i] = (a_m[i] - k_m a_m[m-i]) /
// (1 - k_m^2), each k rounded once to the nearest double.
TEST(Lattice, ReflectionCoefficientsOfStableDenominators) {
    const struct {
        V den;
        V k; // k_1 .. k_N
    } rows[] = {
        {{1, -0.5, 0.25}, {-0.4, 0.25}},
        {{1, -0.625, 0.25}, {-0.5, 0.25}},
        {{1, 0.5}, {0.5}},
        {{1, -0.5, 0.25, -0.125}, {-0.4, 0.19047619047619047, -0.125}},
        {{1, -1.2, 0.9, -0.3, 0.05},
         {-0.6486870120652944, 0.6064206420642064, -0.24060150375939848, 0.05}},
    };
    for (const auto& r : rows) {
        const V k = reflectionCoefficients(r.den);
        ASSERT_EQ(k.size(), r.k.size());
        for (std::size_t m = 0; m < k.size(); ++m)
            EXPECT_EQ(k[m], r.k[m]) << "k" << m + 1 << " of order " << r.k.size();
    }
}

// A root on or outside the unit circle gives a |k| >= 1, below which nothing is defined.
TEST(Lattice, ReflectionCoefficientsOfUnstableDenominators) {
    const struct {
        V den;
        std::size_t first; // the highest m with |k_m| >= 1
        double k;
    } rows[] = {
        {{1, 0, 1.21}, 2, 1.21},       // poles at +-1.1i
        {{1, -1}, 1, -1},              // a pole at 1
        {{1, -2.5, 1}, 2, 1},          // poles 2 and 1/2: a_2[2] = 1
        {{1, 0.3, -0.2, 1.5}, 3, 1.5}, // the last coefficient beyond 1
    };
    for (const auto& r : rows) {
        const V k = reflectionCoefficients(r.den);
        ASSERT_EQ(k.size(), r.den.size() - 1);
        EXPECT_EQ(k[r.first - 1], r.k);
        for (std::size_t m = 1; m < r.first; ++m)
            EXPECT_TRUE(std::isnan(k[m - 1])) << m;
    }
}

// Step-up: A_1 = 1 - 0.5 z^-1, A_2 = A_1 + 0.25 z^-2 A_1(1/z) = 1 - 0.625 z^-1 + 0.25 z^-2.
// Ladder from the top: v_2 = c_2, v_1 = c_1 - v_2 a_2[1], v_0 = c_0 - v_1 a_1[1] - v_2 a_2[2].
TEST(Lattice, LadderCoefficientsByTheirClosedForm) {
    EXPECT_EQ(denominatorOf(V{-0.5, 0.25}), (V{1, -0.625, 0.25}));
    EXPECT_EQ(denominatorOf(V{-0.4, 0.25}), (V{1, -0.4 + -0.4 * 0.25, 0.25}));
    const struct {
        V k;
        V num;
        V v; // v_0 .. v_N
    } rows[] = {
        {{-0.5, 0.25}, {1, 2, 1}, {2.0625, 2.625, 1}},
        {{-0.5, 0.25}, {1}, {1, 0, 0}},
        {{-0.5, 0.25}, {0, 0, 1}, {0.0625, 0.625, 1}},
        {{-0.5, 0.25}, {0, 1}, {0.5, 1, 0}},
        // 1 / (1 - 0.5 z^-1 + 0.25 z^-2) with (1 + z^-1)^2: v2 = 1, v1 = 2 + 0.5,
        // v0 = 1 - 2.5 k1 - k2 = 1 + 1 - 0.25.
        {{-0.4, 0.25}, {1, 2, 1}, {1.75, 2.5, 1}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(ladderCoefficients(r.num, r.k), r.v);
        EXPECT_EQ(ladderCoefficientsOverDenominator(r.num, denominatorOf(r.k)), r.v);
        V padded = r.num;
        padded.resize(r.k.size() + 1, 0);
        EXPECT_EQ(numeratorOf(r.v, r.k), padded);
    }
}

// The impulse response of the f32 kernel on the float k and v of a filter against
// scipy.signal.lfilter(b, a, impulse) on the same constants: within what rounding the
// coefficients and the arithmetic to float gives (a few units of 2^-24 of the peak).
TEST(Lattice, FloatImpulseResponseIsTheDirectForms) {
    const struct {
        const char* name;
        V b, a, h;
    } rows[] = {
        {"(1 + z^-1)^2 / (1 - 0.5 z^-1 + 0.25 z^-2)",
         {1, 2, 1},
         {1, -0.5, 0.25},
         {1.0, 2.5, 2.0, 0.375, -0.3125, -0.25, -0.046875, 0.0390625, 0.03125, 0.005859375,
          -0.0048828125, -0.00390625, -0.000732421875, 0.0006103515625, 0.00048828125,
          9.1552734375e-05}},
        {"butter(4, 0.15)",
         {0.0017826099919254048, 0.007130439967701619, 0.010695659951552429, 0.007130439967701619,
          0.0017826099919254048},
         {1.0, -2.773682317548867, 3.019038699423853, -1.5047650514253197, 0.2879304294211401},
         {0.0017826099919254048,  0.012074833781391042,   0.03880564434673605,
          0.08099298825437447,    0.12693220753519394,    0.16246531898101652,
          0.17811602801549564,    0.17123099597173141,    0.14512569322494684,
          0.10682363073667384,    0.06453212556957494,    0.025564397427613544,
          -0.004959104318252083,  -0.024586971738882087,  -0.033337071719814426,
          -0.03306048196048564,   -0.02662310333300727,   -0.01711827960262261,
          -0.007253990641029183,  0.0010180863269462284,  0.006630539201957333,
          0.009330689316825888,   0.009483138884277063,   0.007817768128286821,
          0.005185403126436575,   0.002363823027823146,   -6.50185683550358e-05,
          -0.001764973985025231,  -0.002635220628047209,  -0.002759194343418119,
          -0.0023344458484591685, -0.0016020948555909324, -0.0007890988247939313,
          -7.025960300214955e-05, 0.0004488237190834125,  0.0007308943998608242}},
    };
    for (const auto& r : rows) {
        const V k = reflectionCoefficients(r.a);
        const V v = ladderCoefficients(r.b, k);
        const std::vector<float> kf(k.begin(), k.end()), vf(v.begin(), v.end());
        std::vector<float> state(k.size(), 0.0f);
        double peak = 0;
        for (double x : r.h)
            peak = std::max(peak, std::fabs(x));
        for (std::size_t t = 0; t < r.h.size(); ++t) {
            const float y = latticeStepF32(kf, vf, state, t == 0 ? 1.0f : 0.0f);
            EXPECT_NEAR(y, r.h[t], 16 * std::ldexp(peak, -24)) << r.name << " sample " << t;
        }
    }
}

// Oracle: the kernels' scalar code written out in Python on unbounded integers (f and g
// saturated, products shifted by floor, q15's output the low 32 bits of the sum >> 15
// saturated, q31's ladder sum reduced modulo 2^64 and the output the low 32 bits of the
// sum >> 31).
TEST(Lattice, FixedPointKernelsMatchTheirIntegerArithmetic) {
    const struct {
        const char* name;
        bool q15;
        I k; // k_1 .. k_N
        I v; // v_0 .. v_N
        I x, y;
        long long overflows; // nodes and outputs saturated, q31 outputs wrapped
    } rows[] = {
        {"q15 order 2, small input",
         true,
         {-13107, 8192},
         {16384, -8192, 4096},
         {1000, -2000, 300, 0, 0, -1, 1, 0},
         {631, -1260, 153, 47, 23, 0, -5, -3},
         0},
        {"q15 order 2, full-scale input",
         true,
         {-13107, 8192},
         {16384, -8192, 4096},
         {32767, -32768, 12345, 0, 0, -1, 1, 0},
         {20684, -18944, 6752, 531, 88, -89, -66, -11},
         2},
        {"q15 saturating nodes and output",
         true,
         {32000, -32000},
         {32767, 32767, 32767},
         {32767, 32767, -32768, -32768, 100, 0, 0, 0},
         {32765, 32767, 30533, -32070, -32768, -32768, -31853, -32768},
         8},
        {"q15 order 1, -1 ladder",
         true,
         {-20000},
         {-32768, 32767},
         {-32768, -32768, -32768, 5, -5, 0},
         {32767, 20000, 20000, -570, -336, -210},
         3},
        {"q31 order 2, small input",
         false,
         {-858993459, 536870912},
         {1073741824, -536870912, 268435456},
         {1000000, -2000000, 300000, 0, -1, 1, 0, 0},
         {631250, -1259375, 151876, 47031, 23046, -234, -5878, -2881},
         0},
        {"q31 order 2, full-scale input",
         false,
         {-858993459, 536870912},
         {1073741824, -536870912, 268435456},
         {2147483647, -2147483648LL, 123456789, 0, -1, 1, 0, 0},
         {1355599052, -1241513984, 18205210, 32598057, 27179824, 5440399, -4074757, -3397478},
         1},
        {"q31 output and accumulator wrap",
         false,
         {0, 0},
         {-2147483648LL, -2147483648LL, -2147483648LL},
         {-2147483648LL, -2147483648LL, -2147483648LL, 0, 0},
         {-2147483648LL, 0, -2147483648LL, 0, -2147483648LL},
         5},
        {"q31 saturating nodes",
         false,
         {2000000000, -2000000000},
         {2147483647, 2147483647, 2147483647},
         {2147483647, 2147483647, -2147483648LL, -2147483648LL, 7, 0},
         {2147483645, -2000000004, 1744852272, -2037780483, 1862645158, 514929215},
         7},
    };
    for (const auto& r : rows) {
        I state(r.k.size(), 0);
        long long overflows = 0;
        for (std::size_t t = 0; t < r.x.size(); ++t) {
            const std::int64_t y = r.q15 ? latticeStepQ15(r.k, r.v, state, r.x[t], overflows)
                                         : latticeStepQ31(r.k, r.v, state, r.x[t], overflows);
            EXPECT_EQ(y, r.y[t]) << r.name << " sample " << t;
        }
        EXPECT_EQ(overflows, r.overflows) << r.name;
    }
}

__extension__ typedef __int128 Wide;

Wide floorDiv(Wide v, Wide d) {
    Wide q = v / d;
    if (v % d != 0 && v < 0)
        --q;
    return q;
}

// v reduced into [-2^(bits-1), 2^(bits-1)).
Wide reduce(Wide v, int bits) {
    const Wide m = Wide{1} << bits;
    Wide r = v % m;
    if (r < 0)
        r += m;
    return r >= m / 2 ? r - m : r;
}

Wide clampWord(Wide v, int bits) {
    const Wide top = (Wide{1} << (bits - 1)) - 1;
    return v > top ? top : v < -top - 1 ? -top - 1 : v;
}

// The lattice in exact integers: the state as g_0 .. g_{N-1} of the previous sample, the
// stages from N down, products divided by 2^F with a floor, q31's products reduced to 32
// bits before the saturating sum, the ladder summed exactly and (q31) reduced modulo 2^64.
std::vector<Wide> referenceLattice(bool q15, const I& k, const I& v, const I& x) {
    const int f = q15 ? 15 : 31, word = q15 ? 16 : 32;
    const std::size_t n = k.size();
    std::vector<Wide> previous(n, 0), y;
    for (std::int64_t input : x) {
        Wide fm = input, sum = 0;
        std::vector<Wide> g(n + 1, 0);
        for (std::size_t m = n; m >= 1; --m) {
            const Wide old = previous[m - 1];
            const Wide kg = floorDiv(old * k[m - 1], Wide{1} << f);
            fm = clampWord(fm - (q15 ? kg : reduce(kg, 32)), word);
            const Wide kf = floorDiv(fm * k[m - 1], Wide{1} << f);
            g[m] = clampWord((q15 ? kf : reduce(kf, 32)) + old, word);
            sum += g[m] * v[m];
        }
        g[0] = fm;
        sum += fm * v[0];
        for (std::size_t m = 0; m < n; ++m)
            previous[m] = g[m];
        y.push_back(q15 ? clampWord(reduce(floorDiv(sum, Wide{1} << 15), 32), 16)
                        : reduce(floorDiv(reduce(sum, 64), Wide{1} << 31), 32));
    }
    return y;
}

// Random words of every size against the exact integers, orders 1 to 6, inputs at full
// scale and small: saturation of nodes and outputs and q31's wrapping all occur.
TEST(Lattice, FixedPointKernelsMatchExactIntegersOnRandomWords) {
    std::uint64_t seed = 0x243F6A8885A308D3ull;
    const auto word = [&seed](int bits) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return static_cast<std::int64_t>(seed >> (64 - bits)) - (std::int64_t{1} << (bits - 1));
    };
    for (bool q15 : {true, false})
        for (std::size_t n = 1; n <= 6; ++n)
            for (int inputBits : {q15 ? 16 : 32, q15 ? 6 : 12}) {
                const int bits = q15 ? 16 : 32;
                I k(n), v(n + 1), x(600);
                for (auto& c : k) {
                    c = word(bits);
                    if (c == -(std::int64_t{1} << (bits - 1)))
                        c += 1; // |k| < 1
                }
                for (auto& c : v)
                    c = word(bits);
                for (auto& c : x)
                    c = word(inputBits);
                const std::vector<Wide> want = referenceLattice(q15, k, v, x);
                I state(n, 0);
                long long overflows = 0;
                for (std::size_t t = 0; t < x.size(); ++t) {
                    const std::int64_t y = q15 ? latticeStepQ15(k, v, state, x[t], overflows)
                                               : latticeStepQ31(k, v, state, x[t], overflows);
                    ASSERT_EQ(y, static_cast<std::int64_t>(want[t]))
                        << (q15 ? "q15" : "q31") << " order " << n << " input bits " << inputBits
                        << " sample " << t;
                }
            }
}

FilterCoefficients literalFilter(const V& num, const V& den) {
    FilterCoefficients f;
    f.order = 2;
    f.kind = lowPass;
    FilterSection s;
    for (std::size_t i = 0; i < 3; ++i) {
        s.a[i] = i < num.size() ? num[i] : 0;
        s.b[i] = i < den.size() ? den[i] : 0;
    }
    f.sections.push_back(s);
    return f;
}

ImplementationOptions latticeOptions(Target target, Scaling scaling) {
    ImplementationOptions o;
    o.arithmetic = namedArithmetic(target);
    o.scaling = scaling;
    o.order = SectionOrder::File;
    return o;
}

// The words of 1 / (1 - 0.5 z^-1 + 0.25 z^-2), unscaled: k1 = -0.4, k2 = 0.25 rounded
// to nearest (-0.4 * 2^15 = -13107.2, -0.4 * 2^31 = -858993459.2); the ladder {1, 0, 0}
// does not fit [-1, 1) and is shrunk to the largest word. With (1 + z^-1)^2 / 4 the ladder
// 1.75 / 4, 2.5 / 4, 1 / 4 fits as it is.
TEST(Lattice, RealisationRoundsToTheKernelsWords) {
    const struct {
        Target target;
        V num;
        I k, v;
    } rows[] = {
        {Target::CmsisLatticeQ15, {1}, {-13107, 8192}, {32767, 0, 0}},
        {Target::CmsisLatticeQ31, {1}, {-858993459, 536870912}, {2147483647, 0, 0}},
        {Target::CmsisLatticeQ15, {0.25, 0.5, 0.25}, {-13107, 8192}, {14336, 20480, 8192}},
        {Target::CmsisLatticeQ31,
         {0.25, 0.5, 0.25},
         {-858993459, 536870912},
         {939524096, 1342177280, 536870912}},
    };
    for (const auto& r : rows) {
        const Implementation im =
            realise(literalFilter(r.num, {1, -0.5, 0.25}), latticeOptions(r.target, Scaling::None));
        EXPECT_EQ(im.lattice.reflectionFixed, r.k) << targetName(r.target);
        EXPECT_EQ(im.lattice.ladderFixed, r.v) << targetName(r.target);
        const double unit = r.target == Target::CmsisLatticeQ15 ? 0x1p-15 : 0x1p-31;
        for (std::size_t m = 0; m < r.k.size(); ++m)
            EXPECT_EQ(im.lattice.reflection[m], static_cast<double>(r.k[m]) * unit);
    }
    const Implementation f = realise(literalFilter({1}, {1, -0.5, 0.25}),
                                     latticeOptions(Target::CmsisLatticeF32, Scaling::None));
    EXPECT_EQ(f.lattice.reflectionSingle, (std::vector<float>{-0.4f, 0.25f}));
    EXPECT_EQ(f.lattice.ladderSingle, (std::vector<float>{1.0f, 0.0f, 0.0f}));
}

// Peak scaling makes the whole filter's largest gain 1: for (1 + z^-1)^2 / A with
// A = 1 - 0.5 z^-1 + 0.25 z^-2 it is 5.388602512436508 at w = 0.4851277552331852 (scipy:
// a grid, then minimize_scalar to 1e-14 in w), so the ladder is v / 5.388602512436508.
TEST(Lattice, PeakScalingScalesTheWholeNumerator) {
    const Implementation im = realise(literalFilter({1, 2, 1}, {1, -0.5, 0.25}),
                                      latticeOptions(Target::CmsisLatticeF32, Scaling::Peak));
    const double v[] = {1.75, 2.5, 1};
    ASSERT_EQ(im.lattice.ladderSingle.size(), 3u);
    for (std::size_t m = 0; m < 3; ++m)
        EXPECT_EQ(im.lattice.ladderSingle[m], static_cast<float>(v[m] * 0.18557687223952254)) << m;
    EXPECT_NEAR(static_cast<double>(im.gain), 0.18557687223952254, 1e-14);
}

// A denominator whose reflection coefficients are not all strictly inside (-1, 1), before
// or after the rounding to the kernel's word, is refused with the k that fails.
TEST(Lattice, RealisationRefusesReflectionCoefficientsOutsideTheUnitInterval) {
    const struct {
        V den;
        Target target;
        const char* message; // empty: accepted
    } rows[] = {
        {{1, 0, 1.21}, Target::CmsisLatticeQ15, "k2"},
        {{1, -1.9, 0.9}, Target::CmsisLatticeQ31, "k1"}, // a pole at 1: k1 = -1
        {{1, -0.5, 0.99999}, Target::CmsisLatticeQ15, "после округления до q15"},
        {{1, -0.5, 0.99999}, Target::CmsisLatticeQ31, ""},
        {{1, -0.5, 0.99999999999}, Target::CmsisLatticeQ31, "после округления до q31"},
        {{1, -0.5, 0.99999999999}, Target::CmsisLatticeF32, "после округления до float"},
        {{1, -0.5, 0.9999}, Target::CmsisLatticeF32, ""},
    };
    for (const auto& r : rows) {
        const std::string label = targetName(r.target) + " " + std::to_string(r.den[2]);
        try {
            realise(literalFilter({1}, r.den), latticeOptions(r.target, Scaling::None));
            EXPECT_STREQ(r.message, "") << label;
        } catch (const UserMessage& e) {
            const std::string text = e.what();
            EXPECT_NE(*r.message, '\0') << label << ": " << text;
            EXPECT_NE(text.find(r.message), std::string::npos) << label << ": " << text;
            EXPECT_NE(text.find("arm_iir_lattice_"), std::string::npos) << text;
        }
    }
}

// The simulator runs the realised lattice on its words (those of
// RealisationRoundsToTheKernelsWords); the outputs by the Python kernel, through a reset.
TEST(Lattice, SimulatorRunsTheRealisedLattice) {
    const Implementation im = realise(literalFilter({0.25, 0.5, 0.25}, {1, -0.5, 0.25}),
                                      latticeOptions(Target::CmsisLatticeQ15, Scaling::None));
    const I x = {32767, 32767, 32767, 32767, -32768, 0, 0, 0};
    const I y = {8191, 25394, 32767, 32767, 14744, -7620, -13722, -4956};
    Simulator sim(im);
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t t = 0; t < x.size(); ++t)
            EXPECT_EQ(sim.stepFixed(x[t]), y[t]) << "pass " << pass << " sample " << t;
        EXPECT_GT(sim.counts().overflows, 0);
        sim.reset();
    }
    // Through step(), 0.5 is the word 16384: g2 = 16384 * 8192 >> 15 = 4096,
    // g1 = floor(16384 * -13107 / 2^15) = -6554, f0 = 16384, and
    // (4096 * 8192 - 6554 * 20480 + 16384 * 14336) >> 15 = floor(134209536 / 32768) = 4095.
    EXPECT_EQ(sim.step(0.5), 4095 * 0x1p-15);
}

} // namespace
} // namespace zorkan
