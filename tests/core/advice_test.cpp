// IIR or FIR: the orders of the classical candidates against SciPy's order formulas, the
// costs and delays of the linear-phase FIR filter from its length alone, the choice of the
// cheapest, and what a too short coefficient word does.
#include "advice/advice.h"

#include "coefficients/filterfile.h"
#include "common/errors.h"
#include "design/designreport.h"
#include "fir/firfile.h"

#include "designrequests.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <map>
#include <optional>

namespace zorkan {
namespace {

using testing::designRequest;

std::map<CandidateDesign, const AdviceCandidate*> byDesign(const Advice& advice) {
    std::map<CandidateDesign, const AdviceCandidate*> found;
    for (const AdviceCandidate& c : advice.candidates)
        found[c.design] = &c;
    return found;
}

// The smallest orders of scipy.signal.buttord, cheb1ord, ellipord and cheb2ord (digital,
// edges in units of the Nyquist frequency, i.e. twice the F of the request) for the same
// requests: e.g. ellipord(0.4, 0.5, 0.5, 60) = 7.
struct OrderRow {
    double f1, f2, f3, f4, da, b1;
    int butterworth, chebyshev, elliptic, inverseChebyshev;
};
const OrderRow orderRows[] = {
    {0.2, 0, 0, 0.25, 0.5, 60, 25, 11, 7, 11},   // low-pass
    {0, 0.15, 0.1, 0, 1, 40, 12, 6, 4, 6},       // high-pass
    {0.25, 0.15, 0.1, 0.3, 1, 50, 9, 6, 4, 6},   // band-pass
    {0.1, 0.3, 0.15, 0.25, 0.5, 40, 8, 5, 4, 5}, // band-stop
};

TEST(Advice, ClassicalOrdersAreScipysSmallestOrders) {
    for (const OrderRow& r : orderRows) {
        const Advice advice =
            adviseDesigns(designRequest(1, r.f1, r.f2, r.f3, r.f4, r.da, r.b1), std::nullopt);
        const auto found = byDesign(advice);
        const std::pair<CandidateDesign, int> expected[] = {
            {CandidateDesign::Butterworth, r.butterworth},
            {CandidateDesign::Chebyshev, r.chebyshev},
            {CandidateDesign::Elliptic, r.elliptic},
            {CandidateDesign::InverseChebyshev, r.inverseChebyshev}};
        for (const auto& [design, order] : expected) {
            ASSERT_TRUE(found.count(design)) << candidateName(design) << " " << r.f1;
            EXPECT_EQ(found.at(design)->type, CandidateType::Iir);
            EXPECT_EQ(found.at(design)->order, order) << candidateName(design) << " " << r.f1;
        }
    }
}

// The request's example: the elliptic filter of order 7 is three second-order sections and
// one first-order section, 3 x 5 + 3 products in double precision; the equiripple FIR
// filter has 47 taps (SciPy's remez, every N tried: the smallest meeting both figures), 24
// products using its symmetry, 46 additions, and delays every frequency by 23 samples.
TEST(Advice, ExampleOrdersTapsAndProducts) {
    const Advice advice = adviseDesigns(designRequest(1, 0.2, 0, 0, 0.25, 0.5, 60), std::nullopt);
    const auto found = byDesign(advice);
    ASSERT_TRUE(found.count(CandidateDesign::Elliptic));
    ASSERT_TRUE(found.count(CandidateDesign::Equiripple));
    const AdviceCandidate& elliptic = *found.at(CandidateDesign::Elliptic);
    EXPECT_EQ(elliptic.order, 7);
    EXPECT_EQ(elliptic.multiplications, 18);
    const AdviceCandidate& pm = *found.at(CandidateDesign::Equiripple);
    EXPECT_EQ(pm.type, CandidateType::Fir);
    EXPECT_EQ(pm.order, 47);
    EXPECT_EQ(pm.taps.size(), 47u);
    EXPECT_EQ(pm.multiplications, 24);
    EXPECT_EQ(pm.additions, 46);
    EXPECT_EQ(pm.stateWords, 46);
    EXPECT_EQ(pm.groupDelayMin, 23.0);
    EXPECT_EQ(pm.groupDelayMax, 23.0);
    // The cheapest by products is the elliptic filter (18 < 24), the flattest delay the
    // linear-phase one (variation 0).
    EXPECT_EQ(advice.candidates[advice.cheapest].design, CandidateDesign::Elliptic);
    EXPECT_EQ(advice.candidates[advice.flattest].design, CandidateDesign::Equiripple);
}

// Every linear-phase candidate delays by (N - 1) / 2 exactly and multiplies ceil(N / 2)
// times; the minimum-phase one has no symmetric pairs (N products) and a delay that
// varies over the pass band. The cheapest candidate of each request: for the band-stop
// request the FIR filter's 18 products beat the elliptic filter's four fourth-order
// sections (8 second-order sections, 20 products).
struct FirRow {
    double f1, f2, f3, f4, da, b1;
    CandidateDesign cheapest;
};
const FirRow firRows[] = {
    {0.2, 0, 0, 0.25, 0.5, 60, CandidateDesign::Elliptic},
    {0, 0.15, 0.1, 0, 1, 40, CandidateDesign::Elliptic},
    {0.25, 0.15, 0.1, 0.3, 1, 50, CandidateDesign::Elliptic},
    {0.1, 0.3, 0.15, 0.25, 0.5, 40, CandidateDesign::Equiripple},
};

TEST(Advice, LinearPhaseDelayAndProductsFollowFromTheLength) {
    for (const FirRow& r : firRows) {
        const Advice advice =
            adviseDesigns(designRequest(1, r.f1, r.f2, r.f3, r.f4, r.da, r.b1), std::nullopt);
        const auto found = byDesign(advice);
        ASSERT_TRUE(found.count(CandidateDesign::Equiripple));
        const AdviceCandidate& pm = *found.at(CandidateDesign::Equiripple);
        const std::size_t n = pm.taps.size();
        EXPECT_EQ(pm.groupDelayMin, static_cast<double>(n - 1) / 2) << r.f1;
        EXPECT_EQ(pm.groupDelayMax, static_cast<double>(n - 1) / 2) << r.f1;
        EXPECT_EQ(pm.multiplications, static_cast<int>((n + 1) / 2)) << r.f1;
        ASSERT_TRUE(found.count(CandidateDesign::MinimumPhaseEquiripple));
        const AdviceCandidate& mp = *found.at(CandidateDesign::MinimumPhaseEquiripple);
        EXPECT_EQ(mp.multiplications, static_cast<int>(mp.taps.size())) << r.f1;
        EXPECT_LT(mp.groupDelayMin, mp.groupDelayMax) << r.f1;
        EXPECT_EQ(advice.candidates[advice.cheapest].design, r.cheapest) << r.f1;
    }
}

// Four-bit coefficients hold at most seven units of the largest tap's scale: no filter of
// such coefficients keeps 0.5 dB in the pass band and 60 dB in the stop band, so no
// candidate meets the request quantised, and the shortest word that does is longer.
TEST(Advice, FourBitCoefficientsMissTheRequest) {
    Arithmetic a = namedArithmetic(Target::Fixed);
    a.dataBits = 16;
    a.coefBits = 4;
    const Advice advice = adviseDesigns(designRequest(1, 0.2, 0, 0, 0.25, 0.5, 60), a);
    ASSERT_FALSE(advice.candidates.empty());
    for (const AdviceCandidate& c : advice.candidates) {
        ASSERT_TRUE(c.quantised.has_value()) << candidateName(c.design);
        EXPECT_FALSE(c.quantised->meetsRequest) << candidateName(c.design);
        if (c.quantised->minCoefBits) {
            EXPECT_GT(*c.quantised->minCoefBits, 4) << candidateName(c.design);
        }
    }
}

// The elliptic candidate saved is its exact design: the report gives back the request with
// the elliptic approximation (code 3), the parameter file the 7th-order cascade (three
// second-order and one first-order section); the FIR candidate is saved as its 47 taps.
TEST(Advice, SavedCandidatesAreTheirDesigns) {
    const DesignRequest rq = designRequest(1, 0.2, 0, 0, 0.25, 0.5, 60);
    const Advice advice = adviseDesigns(rq, std::nullopt);
    const auto found = byDesign(advice);
    testing::TempDir dir;
    saveCandidate(rq, *found.at(CandidateDesign::Elliptic), dir.file("e.out"), dir.file("e.flt"));
    const DesignRequest back = readDesignRequest(dir.file("e.out"));
    EXPECT_EQ(back.approximation, 3);
    EXPECT_EQ(back.da, 0.5);
    EXPECT_EQ(back.b1, 60);
    const FilterCoefficients flt = readAnalysedFilter(dir.file("e.flt"));
    EXPECT_EQ(flt.sections.size(), 4u);
    saveCandidate(rq, *found.at(CandidateDesign::Equiripple), dir.file("p.txt"), dir.file("p.fir"));
    EXPECT_EQ(readFirFile(dir.file("p.fir")).taps.size(), 47u);
    EXPECT_THROW(saveCandidate(rq, *found.at(CandidateDesign::Equiripple), dir.file("q.fir"),
                               dir.file("q.fir")),
                 UserMessage);
}

TEST(Advice, NamesAsTheCommandsSpellThem) {
    const std::pair<CandidateDesign, const char*> rows[] = {
        {CandidateDesign::Butterworth, "butterworth"},
        {CandidateDesign::Chebyshev, "chebyshev"},
        {CandidateDesign::Elliptic, "elliptic"},
        {CandidateDesign::InverseChebyshev, "chebyshev2"},
        {CandidateDesign::Bessel, "bessel"},
        {CandidateDesign::Equiripple, "pm"},
        {CandidateDesign::MinimumPhaseEquiripple, "pm-minimum-phase"}};
    for (const auto& [design, name] : rows)
        EXPECT_STREQ(candidateName(design), name);
}

} // namespace
} // namespace zorkan
