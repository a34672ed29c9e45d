// The emulation of the CMSIS-DSP biquad kernels against oracles written from the
// library's documented arithmetic: exact integers for q15 and q31 (a 128-bit sum, floor
// division, reduction modulo 2^32 and 2^64 by arithmetic), and for f32 each product and
// sum done in double and rounded to float once, which is the correctly rounded float
// operation, in the kernel's order.
#include "common/errors.h"
#include "fixedpoint/implementation.h"
#include "fixedpoint/simulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace zorkan {
namespace {

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

struct Random {
    std::uint64_t s;
    std::int64_t word(int bits) { // uniform over a signed word
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<std::int64_t>(s >> (64 - bits)) - (std::int64_t{1} << (bits - 1));
    }
};

// An implementation of the given kernel coefficients b0, b1, b2, -a1, -a2 per stage.
Implementation kernelImplementation(Target target, int postShift,
                                    const std::vector<std::array<std::int64_t, 5>>& stages) {
    Implementation im;
    im.options.arithmetic = namedArithmetic(target);
    for (const auto& k : stages) {
        FixedCoefficients f;
        f.shift = postShift;
        f.c[0] = k[0];
        f.c[1] = k[1];
        f.c[2] = k[2];
        f.c[3] = -k[3];
        f.c[4] = -k[4];
        im.fixed.push_back(f);
        im.cascade.sections.push_back({});
    }
    return im;
}

struct KernelCase {
    const char* label;
    Target target;
    int postShift;
    int coefBits; // random coefficients of this many bits (sign included)
    int inputBits;
};

TEST(CmsisEmulation, FixedPointKernelsEqualTheDocumentedArithmetic) {
    const KernelCase cases[] = {
        {"q15 postShift 0, full-scale", Target::CmsisQ15, 0, 16, 16},
        {"q15 postShift 1", Target::CmsisQ15, 1, 16, 16},
        {"q15 postShift 3, small input", Target::CmsisQ15, 3, 16, 8},
        {"q15 postShift 14", Target::CmsisQ15, 14, 16, 16},
        {"q31 postShift 0, full-scale", Target::CmsisQ31, 0, 32, 32},
        {"q31 postShift 2", Target::CmsisQ31, 2, 32, 32},
        {"q31 postShift 30", Target::CmsisQ31, 30, 32, 24},
        {"q31 small coefficients, no wrap", Target::CmsisQ31, 1, 20, 32},
    };
    Random random{0x1234567887654321ull};
    for (const KernelCase& c : cases) {
        const bool q15 = c.target == Target::CmsisQ15;
        std::vector<std::array<std::int64_t, 5>> k(3);
        for (auto& stage : k)
            for (std::int64_t& v : stage)
                v = random.word(c.coefBits);
        const Implementation im = kernelImplementation(c.target, c.postShift, k);
        Simulator sim(im);
        std::vector<std::array<Wide, 4>> state(3, {0, 0, 0, 0});
        int saturatedHigh = 0, saturatedLow = 0, wrapped32 = 0;
        for (int n = 0; n < 4000; ++n) {
            Wide x = random.word(c.inputBits);
            const std::int64_t input = static_cast<std::int64_t>(x);
            for (std::size_t s = 0; s < 3; ++s) {
                auto& st = state[s];
                const Wide sum = k[s][0] * x + k[s][1] * st[0] + k[s][2] * st[1] + k[s][3] * st[2] +
                                 k[s][4] * st[3];
                Wide y;
                if (q15) {
                    const Wide shifted = floorDiv(sum, Wide{1} << (15 - c.postShift));
                    const Wide low = reduce(shifted, 32);
                    y = low > 32767 ? 32767 : low < -32768 ? -32768 : low;
                    saturatedHigh += y == 32767 && low > 32767;
                    saturatedLow += y == -32768 && low < -32768;
                } else {
                    const Wide acc = reduce(sum, 64);
                    const Wide shifted = floorDiv(acc, Wide{1} << (31 - c.postShift));
                    y = reduce(shifted, 32);
                    wrapped32 += y != shifted;
                }
                st[1] = st[0];
                st[0] = x;
                st[3] = st[2];
                st[2] = y;
                x = y;
            }
            const std::int64_t got = sim.stepFixed(input);
            ASSERT_EQ(got, static_cast<std::int64_t>(x)) << c.label << " sample " << n;
        }
        // The rows reach the behaviours they are there for.
        const std::string label = c.label;
        if (q15 && c.inputBits == 16) {
            EXPECT_GT(saturatedHigh, 0) << label;
            EXPECT_GT(saturatedLow, 0) << label;
        }
        if (!q15 && c.coefBits == 32) {
            EXPECT_GT(wrapped32, 0) << label;
            EXPECT_GT(sim.counts().overflows, 0) << label;
        }
        // A wrap of the 64-bit sum never shows in the output (the kept bits f .. f + 31 lie
        // below bit 64); the oracle wraps it all the same.
    }
}

// Saturation and wrap at the edges, worked by hand: one stage b0 = 0.5 (q15 16384, q31
// 2^30) with postShift 2, a gain of 2.
TEST(CmsisEmulation, EdgesOfTheWordByHand) {
    const struct {
        Target target;
        std::int64_t b0, x, y;
    } rows[] = {
        {Target::CmsisQ15, 16384, 16383, 32766},
        {Target::CmsisQ15, 16384, 16384, 32767},             // 32768 saturates
        {Target::CmsisQ15, 16384, -16384, -32768},           // fits exactly
        {Target::CmsisQ15, 16384, -16385, -32768},           // -32770 saturates
        {Target::CmsisQ15, -1, 1, -1},                       // -1 / 2^14 truncates to -1, not 0
        {Target::CmsisQ31, 1 << 30, 1 << 30, -2147483648LL}, // 2^31 wraps to -2^31
        {Target::CmsisQ31, 1 << 30, -(1 << 30) - 1, 2147483646},
        {Target::CmsisQ31, -1, 1, -1},
    };
    for (const auto& r : rows) {
        const Implementation im = kernelImplementation(r.target, 2, {{r.b0, 0, 0, 0, 0}});
        Simulator sim(im);
        EXPECT_EQ(sim.stepFixed(r.x), r.y) << targetName(r.target) << " x " << r.x;
    }
}

// With postShift 14 the sum shifted by 1 can leave 32 bits before it is saturated: the
// kernel then saturates the low 32 bits. Kernel coefficients b = -32768, -a = 32767 and the
// input -32768 give at the third sample 3 2^30 + 2 32767^2 = 5368578050, shifted
// 2684289025, whose low 32 bits are -1610678271: -32768, not 32767.
TEST(CmsisEmulation, Q15SaturatesTheLow32BitsOfTheShiftedSum) {
    const Implementation im =
        kernelImplementation(Target::CmsisQ15, 14, {{-32768, -32768, -32768, 32767, 32767}});
    Simulator sim(im);
    EXPECT_EQ(sim.stepFixed(-32768), 32767);
    EXPECT_EQ(sim.stepFixed(-32768), 32767);
    EXPECT_EQ(sim.stepFixed(-32768), -32768);
}

float product(float a, float b) {
    return static_cast<float>(static_cast<double>(a) * b);
}
float sum(float a, float b) {
    return static_cast<float>(static_cast<double>(a) + b);
}

TEST(CmsisEmulation, F32KernelKeepsItsOrderOfOperations) {
    Random random{0x9e3779b97f4a7c15ull};
    auto uniform = [&random] { return static_cast<float>(random.word(24)) / 8388608.0f; };
    Implementation im;
    im.options.arithmetic.target = Target::CmsisF32;
    Implementation plain;
    plain.options.arithmetic.target = Target::Float;
    for (int s = 0; s < 2; ++s) {
        // b0, b1, b2, a1, a2 of a stable section: poles of radius 0.9.
        const float a1 = -1.8f * std::cos(0.3f + s), a2 = 0.81f;
        const std::array<float, 5> c = {uniform(), uniform(), uniform(), a1, a2};
        im.single.push_back(c);
        plain.single.push_back(c);
        im.cascade.sections.push_back({});
        plain.cascade.sections.push_back({});
    }
    Simulator sim(im), other(plain);
    std::vector<std::array<float, 2>> d(2, {0.0f, 0.0f});
    int orderMatters = 0;
    for (int n = 0; n < 20000; ++n) {
        float x = uniform();
        const float input = x;
        for (std::size_t s = 0; s < 2; ++s) {
            const std::array<float, 5>& c = im.single[s];
            const float na1 = -c[3], na2 = -c[4];
            const float y = sum(product(c[0], x), d[s][0]);
            d[s][0] = sum(sum(product(c[1], x), d[s][1]), product(na1, y));
            d[s][1] = sum(product(c[2], x), product(na2, y));
            x = y;
        }
        const double got = sim.step(input);
        ASSERT_EQ(got, static_cast<double>(x)) << "sample " << n;
        // ZORKAN's float target adds (b1 x - a1 y) + d2: another order, other last bits.
        orderMatters += other.step(input) != got;
    }
    EXPECT_GT(orderMatters, 0);
}

// One postShift for the cascade, the smallest that rounds every b0, b1, b2, -a1, -a2 into
// [-1, 1); halves round away from zero.
TEST(CmsisEmulation, PostShiftAndRoundingOfTheCoefficients) {
    const struct {
        Target target;
        double b0, a1; // of the second section; the first is b0 = 0.25, a1 = -0.5
        int postShift;
        std::int64_t kernelB0, kernelNegA1; // of the second section
    } rows[] = {
        {Target::CmsisQ15, 0.5, 0.25, 0, 16384, -8192},
        // -a1 = 1 does not fit [-1, 1): postShift 1.
        {Target::CmsisQ15, 0.5, -1, 1, 8192, 16384},
        // a1 = 1: -a1 = -1 fits.
        {Target::CmsisQ15, 0.5, 1, 0, 16384, -32768},
        // 3.0000152587890625 = 3 + 2^-16: times 2^13, 24576.125 -> 24576.
        {Target::CmsisQ15, 3.0000152587890625, 0.1, 2, 24576, -819},
        // 0.99999 * 32768 = 32767.67 rounds to 32768: postShift 1.
        {Target::CmsisQ15, 0.99999, 0, 1, 16384, 0},
        {Target::CmsisQ31, 0.5, 0.25, 0, 1073741824, -536870912},
        {Target::CmsisQ31, 5, 0, 3, 1342177280, 0},
        // Half a unit: 2^-32 at postShift 0 is 0.5 of 2^-31, away from zero: 1.
        {Target::CmsisQ31, 2.3283064365386963e-10, 0, 0, 1, 0},
    };
    for (const auto& r : rows) {
        FilterCoefficients f;
        f.order = 4;
        f.sections.resize(2);
        f.sections[0].a[0] = 0.25;
        f.sections[0].b[0] = 1;
        f.sections[0].b[1] = -0.5;
        f.sections[1].a[0] = r.b0;
        f.sections[1].b[0] = 1;
        f.sections[1].b[1] = r.a1;
        ImplementationOptions o;
        o.arithmetic.target = r.target;
        o.scaling = Scaling::None;
        o.order = SectionOrder::File;
        const Implementation im = realise(f, o);
        ASSERT_EQ(im.fixed.size(), 2u);
        const std::string label = targetName(r.target) + " b0 " + std::to_string(r.b0);
        EXPECT_EQ(im.fixed[0].shift, r.postShift) << label;
        EXPECT_EQ(im.fixed[1].shift, r.postShift) << label;
        EXPECT_EQ(im.fixed[1].c[0], r.kernelB0) << label;
        EXPECT_EQ(-im.fixed[1].c[3], r.kernelNegA1) << label;
    }
}

TEST(CmsisEmulation, PostShiftAboveTheKernelsLimitIsRefused) {
    const struct {
        Target target;
        double b0;
        bool refused;
    } rows[] = {
        {Target::CmsisQ15, 16383, false}, // postShift 14
        {Target::CmsisQ15, 16384, true},  // would need 15
        {Target::CmsisQ31, 1073741823, false},
        {Target::CmsisQ31, 1073741824, true}, // would need 31
    };
    for (const auto& r : rows) {
        FilterCoefficients f;
        f.order = 2;
        f.sections.resize(1);
        f.sections[0].a[0] = r.b0;
        f.sections[0].b[0] = 1;
        ImplementationOptions o;
        o.arithmetic.target = r.target;
        o.scaling = Scaling::None;
        if (!r.refused) {
            EXPECT_NO_THROW(realise(f, o)) << r.b0;
            continue;
        }
        try {
            realise(f, o);
            ADD_FAILURE() << r.b0 << " accepted";
        } catch (const UserMessage& e) {
            EXPECT_NE(std::string(e.what()).find("postShift"), std::string::npos) << e.what();
        }
    }
}

} // namespace
} // namespace zorkan
