#include "common/errors.h"
#include "design/prototype.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zorkan;
using enum zorkan::Approximation;

namespace {

PrototypeFilter design(Approximation approximation, BandEdges edges, double da = 1.5,
                       double b1 = 30, double fd = 1, bool* withinLimit = nullptr) {
    PrototypeFilter p;
    bool ok = designPrototype(approximation, edges, da, b1, fd, p);
    if (withinLimit)
        *withinLimit = ok;
    return p;
}

const BandEdges defaultLowPass{0.2, 0, 0, 0.25};
const BandEdges mirroredHighPass{0, 0.25, 0.2, 0};
const BandEdges bandPassEdges{0.25, 0.15, 0.1, 0.3};

} // namespace

TEST(Prototype, DefaultLowPassMapping) {
    PrototypeFilter p = design(Butterworth, defaultLowPass);
    EXPECT_EQ(fileKind(p.band), lowPass);
    EXPECT_NEAR(p.kw, 1.376382, 5e-7);
    EXPECT_NEAR(p.ws, 1.376382, 5e-7);
    EXPECT_NEAR(p.eps2, 0.412538, 5e-7);
}

TEST(Prototype, OrdersOfTheWorkedRequests) {
    struct Row {
        const char* name;
        BandEdges edges;
        Approximation approximation;
        double estimate; // 0 where only the order is known
        int n;
        int sections;
        FilterKind kind;
    };
    const Row rows[] = {
        {"lp butterworth", defaultLowPass, Butterworth, 12.196, 13, 7, lowPass},
        {"lp chebyshev", defaultLowPass, Chebyshev, 5.447, 6, 3, lowPass},
        {"lp elliptic", defaultLowPass, Elliptic, 3.450, 4, 2, lowPass},
        {"hp butterworth", mirroredHighPass, Butterworth, 12.196, 13, 7, highPass},
        {"hp chebyshev", mirroredHighPass, Chebyshev, 5.447, 6, 3, highPass},
        {"hp elliptic", mirroredHighPass, Elliptic, 3.450, 4, 2, highPass},
        {"bp butterworth", bandPassEdges, Butterworth, 0, 6, 3, bandPass},
        {"bp chebyshev", bandPassEdges, Chebyshev, 0, 4, 2, bandPass},
        {"bp elliptic", bandPassEdges, Elliptic, 0, 3, 2, bandPass},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        bool ok = false;
        PrototypeFilter p = design(r.approximation, r.edges, 1.5, 30, 1, &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(fileKind(p.band), r.kind);
        if (r.estimate != 0) {
            EXPECT_NEAR(p.estimate, r.estimate, 1e-3);
        }
        EXPECT_EQ(p.n, r.n);
        EXPECT_EQ(p.sections, r.sections);
    }
}

TEST(Prototype, OrderIsTheCeilingOfTheEstimate) {
    EXPECT_EQ(prototypeOrder(5.0), 5);
    EXPECT_EQ(prototypeOrder(5.000001), 6);
    EXPECT_EQ(prototypeOrder(4.5), 5); // a half rounds to even first, then goes up
    EXPECT_EQ(prototypeOrder(0.2), 1);
    // A negative estimate wraps around the unsigned 16-bit order.
    EXPECT_EQ(prototypeOrder(-0.5), 65535);
    EXPECT_EQ(sectionCount(13), 7);
    EXPECT_EQ(sectionCount(14), 7);
    EXPECT_EQ(sectionCount(0), 0);
}

TEST(Prototype, ButterworthWithAttenuationBelowRippleIsOverLimit) {
    bool ok = true;
    PrototypeFilter p = design(Butterworth, defaultLowPass, 3, 1, 1, &ok);
    EXPECT_FALSE(ok);
    EXPECT_GT(p.sections, maxSections);
    for (int k = 1; k <= maxSections; ++k)
        EXPECT_EQ(p.pRe[k], 0.0); // no pole computed
}

TEST(Prototype, PolesOfTheDefaultButterworth) {
    PrototypeFilter p = design(Butterworth, defaultLowPass);
    const double r = 1 / std::pow(p.eps2, 0.5 / 13);
    for (int k = 1; k <= 7; ++k) {
        const double theta = (2.0 * k - 1) / 2 / 13 * M_PI;
        EXPECT_NEAR(p.pRe[k], -std::sin(theta) * r, 1e-14);
        if (k < 7) {
            EXPECT_NEAR(p.pIm[k], std::cos(theta) * r, 1e-14);
        }
    }
    EXPECT_EQ(p.pIm[7], 0.0); // the single real pole of the odd order, exactly zero
}

// Invariants over many requests: poles in the left half plane, the real pole last
// and only for odd orders, elliptic zeros beyond the stop-band edge.
TEST(Prototype, InvariantsOverASweep) {
    for (Approximation approximation : {Butterworth, Chebyshev, Elliptic})
        for (double f4 : {0.22, 0.25, 0.3, 0.4})
            for (double b1 : {20.0, 40.0, 60.0}) {
                SCOPED_TRACE(testing::Message()
                             << approximationCode(approximation) << " " << f4 << " " << b1);
                bool ok = false;
                PrototypeFilter p = design(approximation, {0.2, 0, 0, f4}, 1.0, b1, 1, &ok);
                ASSERT_TRUE(ok);
                const bool odd = p.n % 2 != 0;
                for (int k = 1; k <= p.sections; ++k) {
                    EXPECT_LE(p.pRe[k], 0.0);
                    EXPECT_EQ(p.pIm[k] == 0, odd && k == p.sections) << "k=" << k;
                }
                if (approximation == Elliptic) {
                    EXPECT_EQ(p.zeroPairs, p.n / 2);
                    for (int i = 1; i <= p.zeroPairs; ++i)
                        EXPECT_GE(p.zero[i], p.ws);
                }
            }
}

TEST(Prototype, FaultsStopTheComputation) {
    struct Row {
        const char* name;
        Approximation approximation;
        BandEdges edges;
        double da, b1, fd;
        const char* message;
    };
    const Row rows[] = {
        {"ripple zero", Butterworth, defaultLowPass, 0, 30, 1, "Floating point division by zero"},
        {"chebyshev ws below one",
         Chebyshev,
         {0.25, 0, 0, 0.2},
         1.5,
         30,
         1,
         "Invalid floating point operation"},
        {"elliptic ws below one",
         Elliptic,
         {0.25, 0, 0, 0.2},
         1.5,
         30,
         1,
         "Invalid floating point operation"},
        {"band-pass f3 zero",
         Butterworth,
         {0.25, 0.15, 0, 0.3},
         1.5,
         30,
         1,
         "Floating point division by zero"},
        {"sampling zero", Butterworth, defaultLowPass, 1.5, 30, 0,
         "Floating point division by zero"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        PrototypeFilter p;
        try {
            designPrototype(r.approximation, r.edges, r.da, r.b1, r.fd, p);
            ADD_FAILURE() << "no fault";
        } catch (const FloatError& e) {
            EXPECT_STREQ(e.what(), r.message);
        }
    }
}

TEST(Prototype, UnitStopEdgeAndZeroOrderFault) {
    // WS = 1 makes the Butterworth estimate divide by log10(1) = 0.
    EXPECT_THROW(
        {
            try {
                orderEstimate(Butterworth, 1.0, 0.412538, 30);
            } catch (const FloatError& e) {
                EXPECT_STREQ(e.what(), "Floating point division by zero");
                throw;
            }
        },
        FloatError);
    // Order 0 reaches the division by n when the poles are computed.
    for (Approximation approximation : {Butterworth, Chebyshev, Elliptic}) {
        PrototypeFilter p;
        p.approximation = approximation;
        p.ws = 1.376382;
        p.eps2 = 0.412538;
        EXPECT_THROW(computePoles(p, 1.5), FloatError) << approximationCode(approximation);
    }
}

TEST(Prototype, OddEllipticHasTheRealPoleLast) {
    PrototypeFilter p = design(Elliptic, bandPassEdges);
    ASSERT_EQ(p.n, 3);
    EXPECT_EQ(p.zeroPairs, 1);
    EXPECT_EQ(p.pIm[2], 0.0);
    EXPECT_LT(p.pRe[2], 0.0);
    EXPECT_LT(p.pIm[1], 0.0); // elliptic imaginary parts come out negative
}
