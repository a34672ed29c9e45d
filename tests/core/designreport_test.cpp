// The request read back from a design report: every approximation and kind as the
// design writes it, and refusals of files that are no report.
#include "common/errors.h"
#include "design/designreport.h"

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
