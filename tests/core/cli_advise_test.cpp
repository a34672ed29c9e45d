// zorkan-cli advise from outside: the request read from a design report, the JSON keys and
// the cheapest index, and refusals of bad input with exit code 1.
#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <string>

namespace zorkan {
namespace {

using testing::runCli;
using testing::TempDir;
using testing::writeBytes;

const char* const exampleDesign =
    "design --exact --approx elliptic --f1 0.2 --f4 0.25 --da 0.5 --b1 60 --report r.out "
    "--filter r.flt";

// The report of an exact elliptic design gives the request: the candidates come in the
// order of the approximations' codes and then the FIR filters, every key present; the
// fewest products are the elliptic filter's (index 2: Butterworth and Chebyshev precede).
TEST(CliAdvise, ReadsTheRequestFromADesignReport) {
    TempDir dir;
    ASSERT_EQ(runCli(dir, exampleDesign).status, 0);
    const auto r = runCli(dir, "advise r.out --json");
    ASSERT_EQ(r.status, 0) << r.err;
    const char* const keys[] = {"\"candidates\": [",
                                "\"type\": \"iir\"",
                                "\"type\": \"fir\"",
                                "\"approximation\": \"elliptic\"",
                                "\"approximation\": \"pm\"",
                                "\"approximation\": \"pm-minimum-phase\"",
                                "\"order\": 47",
                                "\"order\": 7",
                                "\"multiplications\": 24",
                                "\"multiplications\": 18",
                                "\"additions\": ",
                                "\"state_words\": ",
                                "\"group_delay_min\": 23,",
                                "\"group_delay_max\": 23,",
                                "\"cheapest\": 2"};
    for (const char* key : keys)
        EXPECT_NE(r.out.find(key), std::string::npos) << key << "\n" << r.out;
    // Without a target no quantised figures are given.
    EXPECT_EQ(r.out.find("meets_request_quantised"), std::string::npos);
    EXPECT_LT(r.out.find("\"approximation\": \"butterworth\""),
              r.out.find("\"approximation\": \"elliptic\""));
    EXPECT_LT(r.out.find("\"approximation\": \"elliptic\""),
              r.out.find("\"approximation\": \"pm\""));
}

TEST(CliAdvise, TargetAddsTheQuantisedKeys) {
    TempDir dir;
    const auto r = runCli(dir, "advise --f1 0.2 --f4 0.25 --da 0.5 --b1 60 --target fixed "
                               "--data-bits 16 --coef-bits 24 --json");
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* key : {"\"target\": \"fixed\"",
                            "\"meets_request_quantised\": ", "\"snr_db\": ", "\"min_coef_bits\": "})
        EXPECT_NE(r.out.find(key), std::string::npos) << key << "\n" << r.out;
}

struct BadInput {
    const char* arguments;
    const char* message;
};

TEST(CliAdvise, RefusesBadInput) {
    TempDir dir;
    writeBytes(dir.file("notes.out"), "просто текст\r\n");
    const BadInput rows[] = {
        {"notes.out", "notes.out"},
        {"missing.out", "missing.out"},
        {"--target fixed", "Для арифметики fixed укажите длины слов --data-bits и --coef-bits"},
        {"--target fixed --data-bits 16", "укажите длины слов"},
        {"--target q15 --coef-bits 16", "относятся только к арифметике fixed"},
        {"--data-bits 16", "задаются только с --target fixed"},
        {"--target cmsis-q15", "Неизвестная арифметика 'cmsis-q15'"},
        {"--f1 0.3 --f4 0.25", "Параметры F1,F2,F3,F4 введены неправильно"},
        {"--da 0", "DA"},
        {"r.out extra.out", "Лишний аргумент: extra.out"},
    };
    for (const BadInput& row : rows) {
        const auto r = runCli(dir, std::string("advise ") + row.arguments);
        EXPECT_EQ(r.status, 1) << row.arguments;
        EXPECT_TRUE(r.out.empty()) << row.arguments;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << row.arguments << ": " << r.err;
    }
}

TEST(CliAdvise, HelpStatesTheDefaults) {
    TempDir dir;
    const auto r = runCli(dir, "advise --help");
    ASSERT_EQ(r.status, 0);
    for (const char* text : {"--f1 X", "по умолчанию 0.2", "по умолчанию 0.25", "по умолчанию 1.5",
                             "по умолчанию 30", "по умолчанию 1\n", "по умолчанию нет"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text;
}

} // namespace
} // namespace zorkan
