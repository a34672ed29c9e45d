// zorkan-cli plot --mask: the mask and the frequency axis in the unit of the report's FD,
// and a report of another kind of filter refused.
#include "clirunner.h"

#include <gtest/gtest.h>

namespace zorkan::testing {
namespace {

TEST(PlotMask, TakesTheReportsSamplingFrequencyAndRefusesAnotherKind) {
    TempDir dir;
    ASSERT_EQ(runCli(dir, "design --fd 48000 --f1 3000 --f4 4000 --da 1 --b1 40 --report "
                          "lp.out --filter lp.flt")
                  .status,
              0);
    ASSERT_EQ(runCli(dir, "design --f3 0.1 --f2 0.15 --f1 0.25 --f4 0.3 --report bp.out "
                          "--filter bp.flt")
                  .status,
              0);
    struct Row {
        const char* arguments;
        int status;
        const char* out; // its last line
        const char* err;
    };
    // The grid of 5 points runs over 0 .. FD/2: 24000 with the report's FD, 0.5 with
    // --fd 1 (the mask scaled to it); the Butterworth design meets its mask either way.
    const Row rows[] = {
        {"lp.flt --view magnitude-db --points 5 --mask lp.out --csv", 0, "24000,-inf", ""},
        {"lp.flt --view magnitude-db --points 5 --mask lp.out --fd 1 --csv", 0, "0.5,-inf", ""},
        {"lp.flt --view magnitude --points 200 --mask lp.out", 0, "; в пределах маски", ""},
        {"lp.flt --view magnitude --points 200 --mask lp.out --fd 1", 0, "; в пределах маски", ""},
        {"lp.flt --view magnitude --mask bp.out", 1, "",
         "Файл фильтра lp.flt: Требования отчета относятся к фильтру другого вида, чем фильтр "
         "файла\n"},
        {"bp.flt --view magnitude --mask lp.out", 1, "",
         "Файл фильтра bp.flt: Требования отчета относятся к фильтру другого вида, чем фильтр "
         "файла\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        const CliOutcome o = runCli(dir, std::string("plot ") + row.arguments);
        EXPECT_EQ(o.status, row.status);
        EXPECT_EQ(o.err, row.err);
        const std::string tail = row.out;
        const std::size_t end = o.out.size() - (o.out.empty() ? 0 : 1);
        EXPECT_EQ(o.out.substr(end - std::min(end, tail.size()), tail.size()), tail) << o.out;
    }
}

} // namespace
} // namespace zorkan::testing
