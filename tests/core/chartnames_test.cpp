// Pictures and tables that every reader parses: file names in another encoding or with
// the separators of the format, and markers at values that are no number.
#include "charts/chart.h"
#include "charts/chartpictures.h"
#include "clirunner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace zorkan::testing {
namespace {

const char* const zeroPole = "2\r\n0\r\n1 1 0\r\n1 -0.5 0\r\n";

int shell(const TempDir& dir, const std::string& command) {
    const int status = std::system(("cd '" + dir.path().string() + "' && " + command).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Python's XML parser reads the picture and prints the legend's texts, each name as
// bytes.decode("utf-8", errors="replace") of the file name gives it.
TEST(ChartNames, SvgOfFileNamesInAnyEncodingIsWellFormed) {
    struct Row {
        std::string file;   // bytes on disk
        std::string legend; // the text the SVG shows
    };
    const Row rows[] = {
        {"a\xFF\xFE"
         "b.flt",
         "a\xEF\xBF\xBD\xEF\xBF\xBD"
         "b.flt"},
        {"\xCF\xE5\xF0\xE2\xFB\xE9.flt", // "Первый" in CP1251
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.flt"},
        {"\xD1\x84\xD0\xB2\xD1\x87 <&>\".flt", "\xD1\x84\xD0\xB2\xD1\x87 <&>\".flt"},
        {"\xEF\xBF\xBF.flt", "\xEF\xBF\xBD.flt"}, // U+FFFF, which XML does not allow
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        TempDir dir;
        writeBytes(dir.file(row.file), zeroPole);
        writeBytes(dir.file("name.txt"), row.file);
        ASSERT_EQ(shell(dir, "'" ZORKAN_CLI_PATH "' plot \"$(cat name.txt)\" --view magnitude-db "
                             "--picture x.svg > /dev/null 2> err.txt"),
                  0)
            << readBytes(dir.file("err.txt"));
        ASSERT_EQ(shell(dir, "python3 -c \"import sys, xml.dom.minidom as m; "
                             "d = m.parse('x.svg'); "
                             "sys.stdout.buffer.write(d.getElementsByTagName('text')[-1]"
                             ".firstChild.data.encode())\" > legend.txt 2> err.txt"),
                  0)
            << readBytes(dir.file("err.txt"));
        EXPECT_EQ(readBytes(dir.file("legend.txt")), row.legend);
    }
}

// RFC 4180: a name with a comma or a quote is quoted, its quotes doubled; Python's csv
// reader gives back the names and three fields in every row.
TEST(ChartNames, CsvHeaderQuotesNamesWithSeparators) {
    TempDir dir;
    writeBytes(dir.file("a,b.flt"), zeroPole);
    writeBytes(dir.file("q\"x.flt"), zeroPole);
    const CliOutcome o = runCli(dir, "plot 'a,b.flt' 'q\"x.flt' --view magnitude --points 5 --csv");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out.substr(0, o.out.find('\n')), "f,\"a,b.flt\",\"q\"\"x.flt\"");
    writeBytes(dir.file("t.csv"), o.out);
    ASSERT_EQ(shell(dir, "python3 -c \"import csv; r = list(csv.reader(open('t.csv'))); "
                         "print(r[0][1], r[0][2], len(r), set(len(x) for x in r))\" > p.txt"),
              0);
    EXPECT_EQ(readBytes(dir.file("p.txt")), "a,b.flt q\"x.flt 6 {3}\n");
}

// A marker or a forbidden region at NaN is left out of every picture; the others stay.
TEST(ChartNames, NoNonFiniteNumberReachesAPicture) {
    Chart chart;
    chart.xAxis = {0, 0.5, false};
    chart.yAxis = {-50, 10, false};
    chart.curves.push_back({"c", curveColor(0), {0, 0.25, 0.5}, {0, -20, std::nan("")}, {}});
    chart.markers = {{std::nan("")}, {0.25}, {HUGE_VAL}};
    chart.forbidden = {{std::nan(""), 0.3, -10.0, std::nullopt}, {0.4, 0.5, std::nullopt, -30.0}};
    const std::string svg = chartSvg(chart);
    const std::string pdf = chartPdf(chart);
    for (const std::string* picture : {&svg, &pdf})
        for (const char* word : {"nan", "inf", "NAN", "INF"})
            EXPECT_EQ(picture->find(word), std::string::npos) << word;
    // The plot area of 800 x 500 spans x 72..784 and y 28..456: the marker at 0.25 is the
    // second, at x = 72 + 0.5 * 712 = 428; the region from 0.4 starts at 72 + 0.8 * 712.
    EXPECT_NE(svg.find("<line x1=\"428\" y1=\"28\" x2=\"428\" y2=\"456\""), std::string::npos);
    EXPECT_NE(svg.find(">2</text>"), std::string::npos);
    EXPECT_EQ(svg.find(">1</text>"), std::string::npos);
    EXPECT_EQ(svg.find(">3</text>"), std::string::npos);
    EXPECT_NE(svg.find("<rect x=\"641.6\""), std::string::npos);
}

} // namespace
} // namespace zorkan::testing
