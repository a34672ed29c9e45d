// The request read back from a design report: every approximation and kind as the
// design writes it, and refusals of files that are no report.
#include "common/errors.h"
#include "design/classicaldesign.h"
#include "design/designreport.h"
#include "fixedpoint/report.h"

#include "tempfiles.h"

#include <gtest/gtest.h>

namespace zorkan {
namespace {

using testing::TempDir;
using testing::writeBytes;

TEST(DesignReport, RequestReadsBackForEveryApproximationAndKind) {
    TempDir dir;
    const DesignRequest rows[] = {
        {1, 0.2, 0, 0, 0.25, 1.5, 30, 1, 0, 0.5, 20},
        {2, 0, 1300, 1000, 0, 0.5, 45, 8000, 0, 4000, 20},
        {3, 0.25, 0.15, 0.1, 0.3, 0.1, 60, 1, 0, 0.5, 20},
        {3, 0.3, 0.2, 0.1, 0.4, 3, 20, 2, 0, 1, 20}, // stops before the coefficients
    };
    for (const DesignRequest& r : rows) {
        designFilter(r, dir.file("1.out"), dir.file("1.flt"), {});
        const DesignRequest got = readDesignRequest(dir.file("1.out"));
        EXPECT_EQ(got.approximation, r.approximation);
        EXPECT_EQ(got.f1, r.f1);
        EXPECT_EQ(got.f2, r.f2);
        EXPECT_EQ(got.f3, r.f3);
        EXPECT_EQ(got.f4, r.f4);
        EXPECT_EQ(got.da, r.da);
        EXPECT_EQ(got.b1, r.b1);
        EXPECT_EQ(got.fd, r.fd);
    }
}

// Reports of the designs beyond the design run read back too: Chebyshev II and Bessel,
// and band-stop requests, whose two pass bands the check of the quantised filter then
// measures: the ideal band-stop filter meets its own request in double and at 24-bit
// coefficients, and misses it at 6 bits.
TEST(DesignReport, ClassicalDesignsReadBackAndBandStopRequestsAreChecked) {
    TempDir dir;
    const DesignRequest rows[] = {
        {4, 0.1, 0.4, 0.2, 0.3, 1, 40, 1, 0, 0.5, 20},   // Chebyshev II band-stop
        {2, 0.1, 0.4, 0.2, 0.3, 0.5, 50, 1, 0, 0.5, 20}, // Chebyshev I band-stop
        {5, 0.1, 0, 0, 0.3, 3, 30, 1, 0, 0.5, 20},       // Bessel low-pass
    };
    for (const DesignRequest& r : rows) {
        ClassicalDesignRequest cr;
        cr.request = r;
        ASSERT_EQ(designClassicalFilter(cr, dir.file("1.out"), dir.file("1.flt"), {}),
                  DesignOutcome::Completed);
        const DesignRequest got = readDesignRequest(dir.file("1.out"));
        EXPECT_EQ(got.approximation, r.approximation);
        EXPECT_EQ(got.f1, r.f1);
        EXPECT_EQ(got.f2, r.f2);
        EXPECT_EQ(got.f3, r.f3);
        EXPECT_EQ(got.f4, r.f4);
        if (r.f3 < r.f1)
            continue;
        const DesignBands b = designBands(bandPass, got);
        ASSERT_EQ(b.pass.size(), 2u);
        ASSERT_EQ(b.stop.size(), 1u);
        EXPECT_EQ(b.pass[0].low, 0);
        EXPECT_EQ(b.pass[0].high, 0.1);
        EXPECT_EQ(b.pass[1].low, 0.4);
        EXPECT_EQ(b.pass[1].high, 0.5);
        EXPECT_EQ(b.stop[0].low, 0.2);
        EXPECT_EQ(b.stop[0].high, 0.3);
        const FilterCoefficients filter = readFilterFile(dir.file("1.flt"), responseReader);
        struct Check {
            Target target;
            int coefBits;
            bool meets;
        };
        for (const Check check : {Check{Target::Double, 32, true}, Check{Target::Fixed, 24, true},
                                  Check{Target::Fixed, 6, false}}) {
            ImplementationOptions io;
            io.arithmetic.target = check.target;
            io.arithmetic.dataBits = 24;
            io.arithmetic.coefBits = check.coefBits;
            ReportOptions ro;
            ro.request = got;
            ro.limitCycleTrials = 1;
            ro.limitCycleSamples = 64;
            const ImplementationFigures f = implementationFigures(filter, io, ro);
            EXPECT_TRUE(f.requestGiven);
            EXPECT_EQ(f.meetsRequest, check.meets) << r.approximation << " " << check.coefBits;
        }
    }
}

TEST(DesignReport, FilesThatAreNoReportAreRefused) {
    TempDir dir;
    designFilter(DesignRequest{}, dir.file("good.out"), dir.file("good.flt"), {});
    const std::string good = testing::readBytes(dir.file("good.out"));
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    const struct {
        std::string bytes;
        std::string message;
    } rows[] = {
        {"", "не является отчетом"},
        {"4\r\n0\r\n", "не является отчетом"},
        {testing::readBytes(dir.file("good.flt")), "не является отчетом"},
        {good.substr(0, good.find("\r\n", good.find("F4")) + 2), "не является отчетом"},
        {replaced(" 1.50000000000000E+0000", " 1.5x"), "нет числа"},
        {replaced(" 2.50000000000000E-0001", " 1.00000000000000E-0001"), "введены неправильно"},
    };
    for (const auto& row : rows) {
        try {
            parseDesignRequest(row.bytes, "r.out");
            ADD_FAILURE() << "accepted: " << row.message;
        } catch (const UserMessage& e) {
            EXPECT_NE(std::string(e.what()).find(row.message), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("r.out"), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(readDesignRequest(dir.file("missing.out")), InOutError);
}

} // namespace
} // namespace zorkan
