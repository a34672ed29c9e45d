// The decisions a design request makes alone: the layout its edges form, the kind and
// section degree of its parameter file, and the bands its design is measured in.
#include "common/errors.h"
#include "design/classicaldesign.h"
#include "design/request.h"

#include "designrequests.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

using namespace zorkan;
using zorkan::testing::designRequest;

namespace {
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr std::optional<BandKind> none = std::nullopt;
} // namespace

// Strict comparisons and exact zeros: the design window takes a layout only as written,
// and the band-stop layout is the all-types window's own.
TEST(RequestLayout, KindOfTheEdges) {
    struct Row {
        const char* name;
        double f1, f2, f3, f4;
        std::optional<BandKind> kind;
        bool described; // the design window's check
    };
    const Row rows[] = {
        {"low-pass defaults", 0.2, 0, 0, 0.25, BandKind::LowPass, true},
        {"high-pass", 0, 0.25, 0.2, 0, BandKind::HighPass, true},
        {"band-pass", 0.2, 0.1, 0.05, 0.3, BandKind::BandPass, true},
        {"band-stop", 0.1, 0.4, 0.2, 0.3, BandKind::BandStop, false},
        {"low-pass with equal edges", 0.2, 0, 0, 0.2, none, false},
        {"band-pass with F3 = F2", 0.25, 0.15, 0.15, 0.3, none, false},
        {"band-pass with F1 = F4", 0.3, 0.15, 0.1, 0.3, none, false},
        {"band-pass with F3 = 0", 0.25, 0.15, 0, 0.3, BandKind::BandPass, true},
        {"low-pass with F3 not exactly zero", 0.2, 0, 1e-300, 0.25, none, false},
        {"low-pass with F2 = -0", 0.2, -0.0, 0, 0.25, BandKind::LowPass, true},
        {"low-pass below zero", -0.1, 0, 0, 0.25, BandKind::LowPass, true},
        {"high-pass with F4 not exactly zero", 0, 0.25, 0.2, 1e-12, none, false},
        {"high-pass with F3 > F2", 0, 0.2, 0.25, 0, none, false},
        {"high-pass with F3 = F2", 0, 0.2, 0.2, 0, none, false},
        {"band-stop with F1 = 0", 0, 0.4, 0.2, 0.3, none, false},
        {"band-stop with F3 = F4", 0.1, 0.4, 0.25, 0.25, none, false},
        {"band-stop with F2 = F4", 0.1, 0.3, 0.2, 0.3, none, false},
        {"band-stop with F2 at FD/2", 0.1, 0.5, 0.2, 0.3, BandKind::BandStop, false},
        {"all zero", 0, 0, 0, 0, none, false},
        {"NaN edge", notANumber, 0, 0, 0.25, none, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(toleranceLayout(r.f1, r.f2, r.f3, r.f4), r.kind);
        EXPECT_EQ(bandLayoutIsValid(r.f1, r.f2, r.f3, r.f4), r.described);
        EXPECT_EQ(requestKind(designRequest(1, r.f1, r.f2, r.f3, r.f4)),
                  r.kind.value_or(BandKind::LowPass));
    }
}

// A band-stop layout whose upper pass band starts at FD/2 has no upper pass band: the check
// of the request refuses it, while one just below FD/2 passes.
TEST(RequestLayout, BandStopNeedsF2BelowHalfTheSamplingRate) {
    ClassicalDesignRequest r;
    r.request = designRequest(1, 1000, 4000, 2000, 3000, 1, 30, 8000);
    EXPECT_THROW(checkClassicalRequest(r), UserMessage);
    r.request.f2 = 3999;
    EXPECT_NO_THROW(checkClassicalRequest(r));
}

// The parameter file's kinds are 0 low-pass, 1 high-pass and 2 for fourth-order sections
// (band-pass and band-stop alike), whose numerators and denominators have five terms.
TEST(RequestLayout, FileKindAndSectionTerms) {
    struct Row {
        BandKind kind;
        FilterKind file;
        int terms;
    };
    const Row rows[] = {
        {BandKind::LowPass, 0, 3},
        {BandKind::HighPass, 1, 3},
        {BandKind::BandPass, 2, 5},
        {BandKind::BandStop, 2, 5},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(fileKind(r.kind), r.file) << static_cast<int>(r.kind);
        EXPECT_EQ(sectionTerms(fileKind(r.kind)), r.terms) << static_cast<int>(r.kind);
    }
}

// The bands of a file's kind: kind 2 is a band-stop filter only for the band-stop layout;
// every band is clipped to [0, FD/2] and an empty one is left out.
TEST(RequestLayout, BandsOfTheFileKind) {
    using Bands = std::vector<std::pair<double, double>>;
    struct Row {
        const char* name;
        FilterKind kind;
        DesignRequest rq;
        Bands pass, stop;
    };
    const Row rows[] = {
        {"low-pass", 0, designRequest(1, 0.2, 0, 0, 0.25), {{0, 0.2}}, {{0.25, 0.5}}},
        {"high-pass", 1, designRequest(1, 0, 0.3, 0.2, 0), {{0.3, 0.5}}, {{0, 0.2}}},
        {"band-pass",
         2,
         designRequest(1, 0.3, 0.2, 0.1, 0.4),
         {{0.2, 0.3}},
         {{0, 0.1}, {0.4, 0.5}}},
        {"band-stop",
         2,
         designRequest(1, 0.1, 0.4, 0.2, 0.3),
         {{0, 0.1}, {0.4, 0.5}},
         {{0.2, 0.3}}},
        {"band-stop at FD/2",
         2,
         designRequest(1, 0.1, 0.5, 0.2, 0.3),
         {{0, 0.1}, {0.5, 0.5}},
         {{0.2, 0.3}}},
        {"stop band beyond FD/2", 0, designRequest(1, 0.2, 0, 0, 0.6), {{0, 0.2}}, {}},
        {"in hertz",
         1,
         designRequest(1, 0, 3000, 2000, 0, 1, 30, 8000),
         {{3000, 4000}},
         {{0, 2000}}},
        {"no sampling rate", 0, designRequest(1, 0.2, 0, 0, 0.25, 1, 30, 0), {}, {}},
    };
    auto asPairs = [](const std::vector<FrequencyBand>& bands) {
        Bands out;
        for (const FrequencyBand& b : bands)
            out.emplace_back(b.low, b.high);
        return out;
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const DesignBands b = designBands(r.kind, r.rq);
        EXPECT_EQ(asPairs(b.pass), r.pass);
        EXPECT_EQ(asPairs(b.stop), r.stop);
    }
}
