// The request read back from a design report: every approximation and kind as the
// design writes it, and refusals of files that are no report.
#include "common/cp1251.h"
#include "common/errors.h"
#include "design/classicaldesign.h"
#include "design/designreport.h"
#include "fixedpoint/report.h"

#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

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

// A report of an order design is the request its approximation fixes. An elliptic one
// has DA up to its edges and B1 from its stop edges, where scipy.signal.ellip (same order,
// DA, B1, edges in units of FD / 2) first reaches B1 below the pass band (scipy.optimize
// .brentq to 1e-15): 0.10722154498113556 for ellip(5, 1.5, 30, 0.2); 0.0836399739026037 and
// 0.22928511225134507 for ellip(4, 1, 40, [0.2, 0.4], 'bandpass'). The others fix one
// figure only, and the message names what the request lacks.
TEST(DesignReport, OrderDesignReportsAreTheRequestTheirApproximationFixes) {
    struct Row {
        Approximation approximation;
        int order;
        BandKind band;
        double edge1, edge2, da, b1;
        double f1, f2, f3, f4;
        const char* lacks; // nullptr: read as a request
    };
    const Row rows[] = {
        {Approximation::Elliptic, 5, BandKind::LowPass, 0.1, 0, 1.5, 30, 0.1, 0, 0,
         0.10722154498113556, nullptr},
        {Approximation::Elliptic, 4, BandKind::BandPass, 0.1, 0.2, 1, 40, 0.2, 0.1,
         0.0836399739026037, 0.22928511225134507, nullptr},
        {Approximation::Butterworth, 6, BandKind::LowPass, 0.1, 0, 1.5, 30, 0, 0, 0, 0,
         "аппроксимация задает только уровень -3 dB на граничной частоте: нет границы полосы "
         "задерживания и затухания B1 в ней"},
        {Approximation::Chebyshev, 6, BandKind::HighPass, 0.1, 0, 1.5, 30, 0, 0, 0, 0,
         "аппроксимация задает только неравномерность DA до граничной частоты: нет границы "
         "полосы задерживания и затухания B1 в ней"},
        {Approximation::InverseChebyshev, 6, BandKind::BandStop, 0.1, 0.2, 1.5, 30, 0, 0, 0, 0,
         "аппроксимация задает только затухание B1 от граничной частоты: нет границы полосы "
         "пропускания и неравномерности DA в ней"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.order);
        TempDir dir;
        ClassicalDesignRequest cr;
        cr.request.approximation = approximationCode(row.approximation);
        cr.request.da = row.da;
        cr.request.b1 = row.b1;
        cr.byOrder = true;
        cr.order = row.order;
        cr.band = row.band;
        cr.edge1 = row.edge1;
        cr.edge2 = row.edge2;
        ASSERT_EQ(designClassicalFilter(cr, dir.file("1.out"), dir.file("1.flt"), {}),
                  DesignOutcome::Completed);
        if (row.lacks) {
            try {
                readDesignRequest(dir.file("1.out"));
                ADD_FAILURE() << "read";
            } catch (const UserMessage& e) {
                EXPECT_EQ(std::string(e.what()),
                          "Отчет " + dir.file("1.out") + " - расчет по порядку: " + row.lacks);
            }
            continue;
        }
        const DesignRequest got = readDesignRequest(dir.file("1.out"));
        EXPECT_EQ(got.approximation, cr.request.approximation);
        EXPECT_EQ(got.da, row.da);
        EXPECT_EQ(got.b1, row.b1);
        EXPECT_EQ(got.fd, 1);
        EXPECT_NEAR(got.f1, row.f1, 1e-12);
        EXPECT_NEAR(got.f2, row.f2, 1e-12);
        EXPECT_NEAR(got.f3, row.f3, 1e-9);
        EXPECT_NEAR(got.f4, row.f4, 1e-9);
    }
}

// The zeros of an elliptic order design are printed under their heading, +-jZ a line:
// scipy.signal.ellipap(5, 1.5, 30) has its zeros at +-1.0968914328390529j and
// +-1.4188308990592486j.
TEST(DesignReport, EllipticOrderDesignsPrintTheirZeros) {
    TempDir dir;
    ClassicalDesignRequest cr;
    cr.request.approximation = approximationCode(Approximation::Elliptic);
    cr.request.da = 1.5;
    cr.request.b1 = 30;
    cr.byOrder = true;
    cr.order = 5;
    cr.band = BandKind::LowPass;
    cr.edge1 = 0.1;
    ASSERT_EQ(designClassicalFilter(cr, dir.file("1.out"), dir.file("1.flt"), {}),
              DesignOutcome::Completed);
    const std::string report = testing::readBytes(dir.file("1.out"));
    const std::string from = " частота нулевого всплеска = бесконечности\r\n";
    const std::string heading = toCp1251(from);
    const std::size_t start = report.find(heading);
    ASSERT_NE(start, std::string::npos);
    std::istringstream lines(report.substr(start + heading.size()));
    const double expected[] = {1.0968914328390529, 1.4188308990592486};
    for (double z : expected) {
        std::string line;
        std::getline(lines, line);
        double re1 = 1, im1 = 0, re2 = 1, im2 = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf %lf %lf %lf", &re1, &im1, &re2, &im2), 4) << line;
        EXPECT_EQ(re1, 0);
        EXPECT_EQ(re2, 0);
        EXPECT_NEAR(im1, z, 1e-13);
        EXPECT_NEAR(im2, -z, 1e-13);
    }
    std::string next;
    std::getline(lines, next);
    EXPECT_EQ(next, toCp1251(" значения полюсов  \r"));
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
