// Axis ranges a chart can show: refused when infinite or narrower than double resolves,
// kept finite at the largest doubles.
#include "charts/characteristicschart.h"
#include "charts/chart.h"
#include "clirunner.h"
#include "common/errors.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

namespace zorkan::testing {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

TEST(ChartRanges, TicksOfRangesNoAxisShowsAreRefusedWithTheirEnds) {
    struct Row {
        AxisRange range;
        const char* message;
    };
    const Row rows[] = {
        {{1e-3, inf, true}, "Диапазон оси от 0.001 до INF нельзя показать: он не конечен"},
        {{0, inf, false}, "Диапазон оси от 0 до INF нельзя показать: он не конечен"},
        {{-inf, 0, false}, "Диапазон оси от -INF до 0 нельзя показать: он не конечен"},
        {{-1.7e308, 1.7e308, false},
         "Диапазон оси от -1.7e+308 до 1.7e+308 нельзя показать: он не конечен"},
        {{0, 0.5, true},
         "Диапазон логарифмической оси от 0 до 0.5 нельзя показать: его концы должны быть "
         "больше нуля"},
        {{0.5, 0.5, false},
         "Диапазон оси от 0.5 до 0.5 нельзя показать: начало должно быть меньше конца, а "
         "диапазон - шире 1E-12 его значений"},
        {{0.5, 0.25, false},
         "Диапазон оси от 0.5 до 0.25 нельзя показать: начало должно быть меньше конца, а "
         "диапазон - шире 1E-12 его значений"},
        {{1000, 1000.0000000001, false},
         "Диапазон оси от 1000 до 1000.0000000001 нельзя показать: начало должно быть меньше "
         "конца, а диапазон - шире 1E-12 его значений"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        EXPECT_FALSE(drawableAxis(row.range));
        try {
            niceTicks(row.range, 8);
            ADD_FAILURE() << "not refused";
        } catch (const UserMessage& e) {
            EXPECT_STREQ(e.what(), row.message);
        }
    }
    // Just wider than the limit: five ticks 1e-12 apart from 1 to 1 + 4e-12.
    const AxisTicks t = niceTicks({1, 1 + 4.5e-12, false}, 5);
    EXPECT_EQ(t.step, 1e-12);
    ASSERT_EQ(t.values.size(), 5u);
    for (std::size_t k = 0; k < t.values.size(); ++k)
        EXPECT_EQ(t.values[k], (1e12 + static_cast<double>(k)) * 1e-12);
}

// |H| from 0 to 1.76e308 (A = 8.8e307 8.8e307 0): the 5 % margins would pass the largest
// double; they shrink to 0.999 of what keeps the span finite, (max/2 - 8.8e307) * 0.999.
TEST(ChartRanges, ValuesNearTheLargestDoubleGiveAFiniteRange) {
    ChartCurves curves;
    curves.frequencies = {0, 0.25, 0.5};
    curves.values = {{1.76e308, 1.2445e308, 0}};
    const AxisRange y = valueRange(curves, 0, 0.5);
    EXPECT_EQ(y.low, -1.882772086372672e+306);
    EXPECT_EQ(y.high, 1.7788277208637267e+308);
    EXPECT_TRUE(drawableAxis(y));
    const AxisTicks t = niceTicks(y, 10);
    EXPECT_EQ(t.step, 2e307);
    ASSERT_EQ(t.values.size(), 9u);
    EXPECT_EQ(t.values.front(), 0);
    EXPECT_EQ(t.values.back(), 8 * 2e307);
}

// zorkan-cli plot through these ranges, bounded in time and memory so that a loop
// shows as a failure.
TEST(ChartRanges, PlotRefusesANarrowViewAndDrawsHugeValues) {
    TempDir dir;
    writeBytes(dir.file("big.flt"), "2\r\n0\r\n8.8e307 8.8e307 0\r\n1 0 0\r\n");
    writeBytes(dir.file("lp.flt"), "2\r\n0\r\n1 1 0\r\n1 -0.5 0\r\n");
    // AddressSanitizer reserves terabytes of address space for its shadow, so under it only
    // the time bounds the run.
#if defined(__SANITIZE_ADDRESS__)
    const std::string memoryLimit;
#else
    const std::string memoryLimit = "ulimit -v 2000000 && ";
#endif
    const auto plot = [&](const std::string& arguments) {
        const std::string line = "cd '" + dir.path().string() + "' && " + memoryLimit +
                                 "timeout 20 '" ZORKAN_CLI_PATH "' plot " + arguments +
                                 " > out.txt 2> err.txt";
        const int status = std::system(line.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(plot("lp.flt --view magnitude --fmin 0.1 --fmax 0.10000000000000002 --points 2 "
                   "--picture x.svg"),
              1);
    EXPECT_EQ(readBytes(dir.file("err.txt")),
              "Диапазон оси от 0.1 до 0.10000000000000002 нельзя показать: начало должно быть "
              "меньше конца, а диапазон - шире 1E-12 его значений\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "x.svg"));

    ASSERT_EQ(plot("big.flt --view magnitude --picture big.svg"), 0)
        << readBytes(dir.file("err.txt"));
    const std::string svg = readBytes(dir.file("big.svg"));
    for (const char* label : {">0<", ">2e+307<", ">1.6e+308<"})
        EXPECT_NE(svg.find(label), std::string::npos) << label;
    EXPECT_EQ(svg.find(">1.8e+308<"), std::string::npos);
}

} // namespace
} // namespace zorkan::testing
