#include "common/cp1251.h"
#include "common/errors.h"
#include "common/textnumbers.h"
#include "design/designrun.h"

#include "tempfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

using namespace zorkan;
using zorkan::testing::readBytes;
using zorkan::testing::TempDir;

namespace {

// Splits CR LF text into lines; fails the test on a bare LF.
std::vector<std::string> crlfLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "last line without CR LF";
        if (end == std::string::npos)
            break;
        std::string line = bytes.substr(start, end - start);
        EXPECT_EQ(line.find('\n'), std::string::npos);
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

struct DesignResult {
    std::vector<std::string> account;
    std::vector<std::string> report; // decoded to UTF-8
    std::vector<std::string> filter;
    std::string error;
    DesignOutcome outcome = DesignOutcome::Completed;
};

DesignResult run(const DesignRequest& rq) {
    TempDir dir;
    DesignResult r;
    try {
        r.outcome = designFilter(rq, dir.file("1.out"), dir.file("1.flt"),
                                 [&](const std::string& line) { r.account.push_back(line); });
    } catch (const Error& e) {
        r.error = e.what();
    }
    for (auto& line : crlfLines(readBytes(dir.file("1.out"))))
        r.report.push_back(fromCp1251(line));
    r.filter = crlfLines(readBytes(dir.file("1.flt")));
    return r;
}

std::string num(double v) {
    return formatReal(v);
}

// The value column of a table row: its last 23 characters.
double rowValue(const std::string& row) {
    return std::stod(row.substr(row.size() - 23));
}

const std::vector<std::string> requirementLines = {
    " Требования: ",
    " частота дискретизации = " + num(1),
    " неравномерность в dB  = " + num(1.5),
    " гарантированное затухание в dB = " + num(30),
    " значения частот F1,F2,F3,F4 = ",
    " " + num(0) + " " + num(0) + " " + num(0.2) + " " + num(0.25),
};

std::size_t indexOf(const std::vector<std::string>& lines, const std::string& line) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == line)
            return i;
    return lines.size();
}

} // namespace

TEST(DesignRun, DefaultRequestAccountAndParameterFile) {
    TempDir dir;
    std::vector<std::string> account;
    const std::string out = dir.file("1.out"), flt = dir.file("1.flt");
    ASSERT_EQ(designFilter(DesignRequest{}, out, flt,
                           [&](const std::string& line) { account.push_back(line); }),
              DesignOutcome::Completed);
    const std::vector<std::string> expected = {
        "Аппроксимация Баттерворта",
        "Порядок фильтра13",
        "Результаты расчета в файле" + out,
        " - коэффициенты фильтра",
        " - ФЧХ фильтра",
        " - АЧХ фильтра",
        "Параметры фильтра в файле " + flt,
        "Анализ частотных характеристик фильтра",
    };
    EXPECT_EQ(account, expected);

    auto filter = crlfLines(readBytes(flt));
    ASSERT_EQ(filter.size(), 2u + 2 * 7);
    EXPECT_EQ(filter[0], "14 ");
    EXPECT_EQ(filter[1], "0 ");
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(filter[2 + k], num(1) + " " + num(2) + " " + num(1) + " ");
    EXPECT_EQ(filter[8], num(1) + " " + num(1) + " " + num(0) + " ");
    EXPECT_EQ(filter[9].substr(0, 38), num(1) + " -4.98120396558");
    EXPECT_EQ(filter[15].size(), 3 * 24u);
}

TEST(DesignRun, DefaultReportLayout) {
    DesignResult r = run(DesignRequest{});
    ASSERT_EQ(r.error, "");
    ASSERT_GE(r.report.size(), requirementLines.size());
    for (std::size_t i = 0; i < requirementLines.size(); ++i)
        EXPECT_EQ(r.report[i], requirementLines[i]);
    EXPECT_EQ(r.report[6], " аппроксимация Баттерворта ");
    EXPECT_EQ(r.report[7], "          Результаты расчета ");
    EXPECT_EQ(r.report[8], " порядок ФНЧ -ПРОТОТИПА 13");
    EXPECT_EQ(r.report[9], " значения полюсов  ");
    // Six conjugate pairs, then the single real pole.
    for (int k = 0; k < 6; ++k) {
        const std::string& line = r.report[10 + k];
        ASSERT_EQ(line.size(), 4 * 23u + 2);
        EXPECT_EQ(line.substr(0, 23), line.substr(48, 23)); // PRe twice
        EXPECT_EQ(line[71], '-');                           // then -PIm
        EXPECT_EQ(line.substr(25, 22), line.substr(72));
    }
    EXPECT_EQ(r.report[16].size(), 23u);
    EXPECT_EQ(r.report[17], " значения коэффициентов цифрового фильтра ");
    EXPECT_EQ(r.report[18], "  числителя: A0, A1, A2");
    EXPECT_EQ(r.report[19], num(1) + " " + num(2) + " " + num(1)); // no trailing blank
    EXPECT_EQ(r.report[26], "знаменателя: B0, B1, B2");

    const std::size_t phase = indexOf(r.report, "Фазо-частотная характеристика");
    const std::size_t magnitude = indexOf(r.report, "Амплитудно-частотная характеристика");
    ASSERT_EQ(phase, 34u);
    ASSERT_EQ(magnitude, phase + 3 + 21);
    EXPECT_EQ(r.report.size(), magnitude + 3 + 21);
    for (std::size_t table : {phase, magnitude}) {
        EXPECT_EQ(r.report[table + 1], "частота от" + num(0) + " до " + num(0.5));
        EXPECT_EQ(r.report[table + 2], "количество отсчетов 20");
        for (int i = 0; i <= 20; ++i) {
            const std::string& row = r.report[table + 3 + i];
            std::string prefix = std::to_string(i) + "  " + num(0.025 * i) + "  ";
            EXPECT_EQ(row.substr(0, prefix.size()), prefix) << row;
            EXPECT_EQ(row.size(), prefix.size() + 23);
        }
    }
    EXPECT_EQ(r.report[magnitude + 3], "0  " + num(0) + "  " + num(1));
    EXPECT_EQ(r.report[phase + 3], "0  " + num(0) + "  " + num(0));
}

TEST(DesignRun, ReportIsCp1251) {
    TempDir dir;
    designFilter(DesignRequest{}, dir.file("r.out"), dir.file("r.flt"), nullptr);
    std::string bytes = readBytes(dir.file("r.out"));
    EXPECT_EQ(bytes.substr(0, 15), " \xD2\xF0\xE5\xE1\xEE\xE2\xE0\xED\xE8\xFF: \r\n");
}

TEST(DesignRun, BandPassParameterFileAndReference) {
    DesignRequest rq;
    rq.approximation = 3;
    rq.f1 = 0.25;
    rq.f2 = 0.15;
    rq.f3 = 0.1;
    rq.f4 = 0.3;
    rq.ff1 = 0.1;
    rq.ff2 = 0.3;
    rq.np = 4; // rows at 0.1, 0.15, 0.2, 0.25, 0.3
    DesignResult r = run(rq);
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.filter.size(), 2u + 4 * 2);
    EXPECT_EQ(r.filter[0], "4 ");
    EXPECT_EQ(r.filter[1], "2 ");
    EXPECT_EQ(r.filter[3].size(), 2 * 23u + 1); // A3 A4, no trailing blank
    EXPECT_EQ(r.filter[5], num(0) + " " + num(0));
    EXPECT_EQ(r.account[2], "Частота нулевого всплеска = бесконечности");
    EXPECT_NE(indexOf(r.report, " частота нулевого всплеска = бесконечности"), r.report.size());
    EXPECT_NE(indexOf(r.report, "  числителя: A0, A1, A2, A3, A4"), r.report.size());
    EXPECT_NE(indexOf(r.report, "знаменателя: B0, B1, B2, B3,  B4"), r.report.size());
    // Magnitude relative to the arithmetic centre 0.2: exactly 1 there, equal at the edges.
    const std::size_t m = indexOf(r.report, "Амплитудно-частотная характеристика");
    ASSERT_LT(m + 7, r.report.size());
    EXPECT_EQ(r.report[m + 5], "2  " + num(0.2) + "  " + num(1));
    double lower = rowValue(r.report[m + 4]);
    double upper = rowValue(r.report[m + 6]);
    EXPECT_NEAR(lower, upper, 1e-12);
}

TEST(DesignRun, HighPassLastNumeratorLine) {
    DesignRequest rq;
    rq.f1 = 0;
    rq.f2 = 0.25;
    rq.f3 = 0.2;
    rq.f4 = 0;
    DesignResult r = run(rq);
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.filter.size(), 16u);
    EXPECT_EQ(r.filter[1], "1 ");
    EXPECT_EQ(r.filter[8], num(1) + " " + num(-1) + " " + num(0) + " ");
    EXPECT_EQ(r.filter[8],
              " 1.00000000000000E+0000 -1.00000000000000E+0000  0.00000000000000E+0000 ");
}

TEST(DesignRun, EvenOrderWritesTheOrderAlone) {
    DesignRequest rq;
    rq.approximation = 2; // Chebyshev, order 6
    DesignResult r = run(rq);
    EXPECT_EQ(r.filter[0], "6");
    EXPECT_EQ(r.filter.size(), 2u + 2 * 3);
    EXPECT_EQ(r.account[1], "Порядок фильтра6");
    EXPECT_EQ(indexOf(r.report, " значения нулей  "), r.report.size());
}

TEST(DesignRun, ChebyshevEvenOrderRipplesBetweenOneAndOne) {
    DesignRequest rq;
    rq.approximation = 2;
    rq.ff1 = 0;
    rq.ff2 = 0.2;
    rq.np = 8;
    DesignResult r = run(rq);
    const std::size_t m = indexOf(r.report, "Амплитудно-частотная характеристика");
    ASSERT_LT(m + 11, r.report.size());
    EXPECT_EQ(r.report[m + 3], "0  " + num(0) + "  " + num(1));
    EXPECT_NEAR(rowValue(r.report[m + 11]), 1.0, 1e-12); // at F1 = 0.2
    // An even order starts at the bottom of its ripple: in between, up to +1.5 dB.
    double peak = 0;
    for (int i = 1; i < 8; ++i) {
        double v = rowValue(r.report[m + 3 + i]);
        EXPECT_GE(v, 1.0 - 1e-12);
        peak = std::max(peak, v);
    }
    EXPECT_LE(peak, std::pow(10.0, 1.5 / 20) + 1e-9);
    EXPECT_GT(peak, 1.1);
}

TEST(DesignRun, OverLimitOrderEndsNormally) {
    DesignRequest rq;
    rq.da = 3;
    rq.b1 = 1; // Butterworth with attenuation below ripple: order wraps to a huge value
    DesignResult r = run(rq);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.outcome, DesignOutcome::OrderTooLarge);
    EXPECT_TRUE(r.filter.empty());
    ASSERT_EQ(r.report.size(), 10u);
    EXPECT_EQ(r.report[6], " аппроксимация Баттерворта ");
    EXPECT_EQ(r.report[9], "Большой порядок фильтра - ВЫХОД");
    ASSERT_EQ(r.account.size(), 3u);
    EXPECT_EQ(r.account[2], "Большой порядок фильтра - ВЫХОД");

    DesignRequest narrow; // a real order above 64
    narrow.f4 = 0.2005;
    narrow.b1 = 80;
    DesignResult n = run(narrow);
    EXPECT_EQ(n.outcome, DesignOutcome::OrderTooLarge);
    EXPECT_TRUE(n.filter.empty());
    EXPECT_GT(std::stoi(n.report[8].substr(std::string(" порядок ФНЧ -ПРОТОТИПА ").size())), 64);
}

// A fault stops the run where it happens; the files keep exactly the complete lines
// written before it and the account keeps its lines.
TEST(DesignRun, FaultsLeaveTheLinesWrittenBeforeThem) {
    struct Row {
        const char* name;
        DesignRequest rq;
        const char* message;
        std::size_t reportLines;
        std::size_t filterLines;
        std::size_t accountLines;
    };
    DesignRequest noRipple;
    noRipple.da = 0;
    DesignRequest noPoints;
    noPoints.np = 0;
    DesignRequest bandPassFromZero;
    bandPassFromZero.f1 = 0.25;
    bandPassFromZero.f2 = 0.15;
    bandPassFromZero.f3 = 0;
    bandPassFromZero.f4 = 0.3;
    DesignRequest noSampling;
    noSampling.fd = 0;
    DesignRequest chebyshevInverted;
    chebyshevInverted.approximation = 2;
    chebyshevInverted.f1 = 0.25;
    chebyshevInverted.f4 = 0.2;
    DesignRequest hugeAttenuation;
    hugeAttenuation.b1 = 100000; // 10^(B1/10) is beyond even extended precision
    const Row rows[] = {
        {"B1 = 100000", hugeAttenuation, "Floating point overflow", 7, 0, 1},
        // Requirements (6) and the approximation line; the estimate divides by EPS2 = 0.
        {"DA = 0", noRipple, "Floating point division by zero", 7, 0, 1},
        {"band-pass F3 = 0", bandPassFromZero, "Floating point division by zero", 7, 0, 1},
        {"FD = 0", noSampling, "Floating point division by zero", 6, 0, 0},
        {"Chebyshev WS < 1", chebyshevInverted, "Invalid floating point operation", 7, 0, 1},
        // The parameter file is complete; the phase table stops at its first row, 0/0.
        {"NP = 0", noPoints, "Invalid floating point operation", 34 + 3, 16, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DesignResult r = run(row.rq);
        EXPECT_EQ(r.error, row.message);
        EXPECT_EQ(r.report.size(), row.reportLines);
        EXPECT_EQ(r.filter.size(), row.filterLines);
        EXPECT_EQ(r.account.size(), row.accountLines);
    }
}

TEST(DesignRun, FilesThatCannotBeCreated) {
    TempDir dir;
    const std::string missing = dir.file("no/such/folder/x");
    std::vector<std::string> account;
    auto sink = [&](const std::string& line) { account.push_back(line); };
    try {
        designFilter(DesignRequest{}, dir.file("1.out"), missing, sink);
        ADD_FAILURE() << "no error";
    } catch (const InOutError& e) {
        EXPECT_STREQ(e.what(), "I/O error 3");
    }
    // The report was created first and stays empty; nothing reached the account.
    EXPECT_EQ(readBytes(dir.file("1.out")), "");
    EXPECT_TRUE(account.empty());
    EXPECT_THROW(designFilter(DesignRequest{}, missing, dir.file("1.flt"), sink), InOutError);
}

TEST(DesignRun, SameRequestSameBytes) {
    TempDir dir;
    DesignRequest rq;
    rq.approximation = 3;
    designFilter(rq, dir.file("a.out"), dir.file("a.flt"), nullptr);
    designFilter(rq, dir.file("b.out"), dir.file("b.flt"), nullptr);
    EXPECT_EQ(readBytes(dir.file("a.flt")), readBytes(dir.file("b.flt")));
    // Paths never enter the files, so the reports are identical too.
    EXPECT_EQ(readBytes(dir.file("a.out")), readBytes(dir.file("b.out")));
}

TEST(DesignRun, BandLayoutCheck) {
    struct Row {
        double f1, f2, f3, f4;
        bool valid;
    };
    const Row rows[] = {
        {0.2, 0, 0, 0.25, true},        // low-pass defaults
        {0.2, 0.1, 0.05, 0.3, true},    // band-pass
        {0, 0.25, 0.2, 0, true},        // high-pass
        {0.2, 0, 0, 0.2, false},        // equal edges
        {0.2, 0, 0.0001, 0.25, false},  // low-pass needs an exact zero F3
        {0.25, 0.15, 0, 0.3, true},     // band-pass with F3 = 0 passes
        {0.25, 0.15, 0.15, 0.3, false}, // F3 = F2
        {0, 0.2, 0.25, 0, false},       // high-pass with F3 > F2
    };
    for (const Row& r : rows)
        EXPECT_EQ(bandLayoutIsValid(r.f1, r.f2, r.f3, r.f4), r.valid)
            << r.f1 << " " << r.f2 << " " << r.f3 << " " << r.f4;
}
