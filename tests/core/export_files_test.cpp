// Export to files: the parameter file is never written over, the C pair is replaced
// whole or not at all, and the numbers and notes of the texts against hand-worked
// values.
#include "common/errors.h"
#include "export/formats.h"

#include "clirunner.h"
#include "tempfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>

namespace zorkan {
namespace {

using testing::readBytes;
using testing::runCli;
using testing::TempDir;
using testing::writeBytes;

const char* const lowPass = "2\r\n0\r\n1 2 1\r\n1 -0.5 0.25\r\n";

std::vector<std::string> listing(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().filename() != "stderr.txt")
            names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The numbers of the lines that are no comment, in scientific notation as written.
std::vector<double> dataNumbers(const std::string& text) {
    std::vector<double> out;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t first = line.find_first_not_of(' ');
        if (first == std::string::npos ||
            std::string("#%*/").find(line[first]) != std::string::npos)
            continue;
        for (std::size_t at = 0; at < line.size(); ++at) {
            const char c = line[at];
            if (!((c >= '0' && c <= '9') || c == '-'))
                continue;
            char* end = nullptr;
            const double v = std::strtod(line.c_str() + at, &end);
            const std::size_t length = static_cast<std::size_t>(end - (line.c_str() + at));
            if (length > 0 && line.substr(at, length).find('e') != std::string::npos) {
                out.push_back(v);
                at += length;
            }
        }
    }
    return out;
}

// The rows of integers of the fixed-point coefficient table and the shifts.
std::vector<std::vector<long long>> fixedRows(const std::string& text) {
    std::vector<std::vector<long long>> rows;
    const std::size_t table = text.find("coefficients[");
    const std::size_t shifts = text.find("shifts[", table);
    if (table == std::string::npos || shifts == std::string::npos)
        return rows;
    std::istringstream lines(text.substr(table, text.find('\n', shifts) - table));
    std::string line;
    std::getline(lines, line); // the declaration
    while (std::getline(lines, line)) {
        const std::size_t open = line.find('{');
        if (open == std::string::npos)
            continue;
        std::vector<long long> row;
        std::istringstream items(line.substr(open + 1));
        std::string item;
        while (std::getline(items, item, ','))
            if (item.find_first_of("0123456789") != std::string::npos)
                row.push_back(std::atoll(item.c_str()));
        rows.push_back(row);
    }
    return rows;
}

// `export` refuses every output that is the parameter file under some name: exit code
// not 0, the reason on stderr, the parameter file's bytes as they were and no file
// written beside it (for C, neither of the pair).
TEST(ExportCli, RefusesToWriteOverTheParameterFile) {
    TempDir dir;
    writeBytes(dir.file("F.flt"), lowPass);
    writeBytes(dir.file("x.c"), lowPass); // a parameter file that a C pair would take
    writeBytes(dir.file("y.h"), lowPass);
    std::filesystem::create_directory(dir.file("sub"));
    std::filesystem::create_symlink("F.flt", dir.file("link.flt"));
    const std::vector<std::string> before = listing(dir);
    struct Row {
        std::string args;
        std::string file; // the name the refusal gives
    };
    const Row rows[] = {
        {"export F.flt --format python --output F.flt", "F.flt"},
        {"export F.flt --format sos-csv --output F.flt", "F.flt"},
        {"export F.flt --format octave --output F.flt", "F.flt"},
        {"export F.flt --format sos-csv --output sub/../F.flt", "F.flt"},
        {"export F.flt --format python --output \"$PWD/F.flt\"", "F.flt"},
        {"export F.flt --format octave --output link.flt", "link.flt"},
        {"export link.flt --format sos-csv --output F.flt", "F.flt"},
        {"export x.c --format c --output x", "x.c"},
        {"export x.c --format c --output x.c", "x.c"},
        {"export x.c --format c --type q15 --output ./x", "x.c"},
        {"export y.h --format c --output y", "y.h"},
        {"export y.h --format c --type float --output y.h", "y.h"},
    };
    for (const Row& r : rows) {
        const auto o = runCli(dir, r.args);
        EXPECT_NE(o.status, 0) << r.args;
        EXPECT_NE(o.err.find("Выходной файл " + r.file +
                             " совпадает с файлом фильтра: выберите другое имя"),
                  std::string::npos)
            << r.args << "\n"
            << o.err;
        for (const char* input : {"F.flt", "x.c", "y.h"})
            EXPECT_EQ(readBytes(dir.file(input)), lowPass) << r.args << ": " << input;
        EXPECT_EQ(listing(dir), before) << r.args;
        EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.flt"))) << r.args;
    }
    // Other names beside them are written as usual.
    ASSERT_EQ(runCli(dir, "export x.c --format c --output z").status, 0);
    EXPECT_NE(readBytes(dir.file("z.c")).find("#include \"z.h\""), std::string::npos);
}

// NAME.h and NAME.c are replaced together: where one of them cannot be written, both
// keep their old bytes and no temporary file is left.
TEST(ExportFiles, CPairIsReplacedWholeOrNotAtAll) {
    struct Row {
        const char* readOnly; // the file of the pair that may not be written
        const char* output;
    };
    const Row rows[] = {{"a.c", "a"}, {"a.h", "a"}, {"a.c", "a.c"}};
    for (const Row& r : rows) {
        TempDir dir;
        writeBytes(dir.file("f.flt"), lowPass);
        writeBytes(dir.file("a.h"), "old header");
        writeBytes(dir.file("a.c"), "old source");
        ::chmod(dir.file(r.readOnly).c_str(), 0444);
        ExportOptions o;
        o.format = ExportFormat::C;
        EXPECT_THROW(exportFilter(dir.file("f.flt"), dir.file(r.output), o), Error) << r.readOnly;
        EXPECT_EQ(readBytes(dir.file("a.h")), "old header") << r.readOnly;
        EXPECT_EQ(readBytes(dir.file("a.c")), "old source") << r.readOnly;
        EXPECT_EQ(listing(dir), (std::vector<std::string>{"a.c", "a.h", "f.flt"})) << r.readOnly;
    }
}

// The header names the order as the analysis summary counts it: over the sections, the
// highest power of z^-1 with a coefficient in the numerator or the denominator, not the
// file's order line.
TEST(ExportHeader, NamesTheOrderOfTheAnalysisSummary) {
    struct Row {
        const char* file;
        const char* expected;
    };
    const Row rows[] = {
        // Two band-pass sections of degree 4; the order line says 4.
        {"4\r\n2\r\n1 0 -2\r\n0 1\r\n1 0 -2\r\n0 1\r\n1 -0.5 0.8\r\n-0.2 0.3\r\n1 0.1 0.5\r\n"
         "0.1 0.2\r\n",
         "order 8, 2 section(s) in the file"},
        // Low-pass, the last section of first order; the order line says 6.
        {"6\r\n0\r\n1 2 1\r\n1 2 1\r\n1 1 0\r\n1 -0.5 0.25\r\n1 -0.4 0.3\r\n1 -0.5 0\r\n",
         "order 5, 3 section(s) in the file"},
        // A section that is a gain alone has degree 0.
        {"4\r\n0\r\n3 0 0\r\n1 2 1\r\n1 0 0\r\n1 -0.5 0.25\r\n", "order 2, 2 section(s)"},
        // A band-pass section of degree 3 (A4 = B4 = 0) and one of degree 4 in B alone.
        {"4\r\n2\r\n1 0 -1\r\n0 0\r\n1 0 0\r\n0 0\r\n1 -0.5 0.8\r\n-0.2 0\r\n1 0.1 0.5\r\n"
         "0.1 0.2\r\n",
         "order 7, 2 section(s)"},
    };
    TempDir dir;
    for (const Row& r : rows) {
        writeBytes(dir.file("o.flt"), r.file);
        for (const char* format : {"sos-csv", "octave", "python", "c --type q31"}) {
            const auto o = runCli(dir, std::string("export o.flt --format ") + format);
            EXPECT_EQ(o.status, 0) << r.expected << " " << format << "\n" << o.err;
            EXPECT_NE(o.out.find(r.expected), std::string::npos)
                << r.expected << " " << format << "\n"
                << o.out.substr(0, 400);
        }
    }
}

// Where a section's B0 is not 1 every format's header says that the sections are
// divided by it; the exported section is A/B0 over B/B0. A B0 of 0 has its own warning.
TEST(ExportHeader, SaysWhereB0IsNotOne) {
    struct Row {
        const char* file;
        const char* note; // in the header, or nothing
        double row2[6];   // the second section as exported
    };
    const Row rows[] = {
        {"4\r\n0\r\n1 2 1\r\n1 4 2\r\n1 -0.5 0.25\r\n2 -0.5 0.5\r\n",
         "B0 is not 1 in file section(s) 2: each is divided by its B0",
         {0.5, 2, 1, 1, -0.25, 0.25}},
        {"4\r\n0\r\n1 2 1\r\n1 4 2\r\n-4 -0.5 0.25\r\n0.5 -0.5 0.5\r\n",
         "B0 is not 1 in file section(s) 1, 2: each is divided by its B0",
         {2, 8, 4, 1, -1, 1}},
        {"4\r\n0\r\n1 2 1\r\n1 4 2\r\n1 -0.5 0.25\r\n1 -0.5 0.5\r\n", "", {1, 4, 2, 1, -0.5, 0.5}},
        {"4\r\n0\r\n1 2 1\r\n1 4 2\r\n1 -0.5 0.25\r\n0 -0.5 0.5\r\n", "", {1, 4, 2, 1, -0.5, 0.5}},
    };
    TempDir dir;
    for (const Row& r : rows) {
        writeBytes(dir.file("b.flt"), r.file);
        for (const char* format : {"sos-csv", "octave", "python", "c", "c --output pair"}) {
            const std::string args = std::string("export b.flt --format ") + format;
            const auto o = runCli(dir, args);
            ASSERT_EQ(o.status, 0) << args << "\n" << o.err;
            std::vector<std::string> texts{o.out};
            if (o.out.empty())
                texts = {readBytes(dir.file("pair.h")), readBytes(dir.file("pair.c"))};
            for (const std::string& text : texts) {
                const std::string head = text.substr(0, text.find("\n\n"));
                if (*r.note)
                    EXPECT_NE(head.find(r.note), std::string::npos) << args << "\n" << head;
                else
                    EXPECT_EQ(head.find("B0 is not 1"), std::string::npos) << args << "\n" << head;
                EXPECT_TRUE(std::all_of(head.begin(), head.end(), [](char c) {
                    return (c > 0 && c < 0x7f) || c == '\n';
                })) << args;
            }
            if (std::string(format) == "sos-csv") {
                const std::vector<double> v = dataNumbers(o.out);
                ASSERT_EQ(v.size(), 12u) << r.file;
                EXPECT_EQ(std::vector<double>(v.begin() + 6, v.end()),
                          std::vector<double>(r.row2, r.row2 + 6))
                    << r.file;
            }
        }
    }
}

// (1 + 2 z^-1 + z^-2) / (1 - 0.5 z^-1 + 0.25 z^-2): |H|^2 = 4 (1 + c)^2 / (c^2 - 1.25 c +
// 0.8125), c = cos w, peaks at c = 23/26 (w = 0.48513), not at DC, at |H| = 28 / sqrt(27);
// normalised b0 = 3 sqrt(3) / 28 = 0.18557687223952256716..., the double nearest it being
// 0.18557687223952257 (numpy: 0.18557687224057334 on a grid of 200001 points; DC alone
// would give 0.1875).
TEST(ExportNormalise, ScalesByThePeakAwayFromDc) {
    const double b0 = 0.18557687223952257;
    struct Row {
        const char* args;
        std::vector<double> expected; // the numbers of the section, as the format lists them
    };
    const Row rows[] = {
        {"--format sos-csv", {1, 2, 1, 1, -0.5, 0.25}},
        {"--format sos-csv --normalise", {b0, 2 * b0, b0, 1, -0.5, 0.25}},
        {"--format python --normalise", {b0, 2 * b0, b0, 1, -0.5, 0.25}},
        {"--format octave --normalise", {b0, 2 * b0, b0, 1, -0.5, 0.25}},
        {"--format c --normalise", {b0, 2 * b0, b0, -0.5, 0.25}},
    };
    TempDir dir;
    writeBytes(dir.file("lp.flt"), lowPass);
    for (const Row& r : rows) {
        const auto o = runCli(dir, std::string("export lp.flt ") + r.args);
        ASSERT_EQ(o.status, 0) << r.args << "\n" << o.err;
        EXPECT_EQ(dataNumbers(o.out), r.expected) << r.args;
    }
}

// C puts the sections in increasing pole radius (0.5 before sqrt(0.9)) by default, in
// fixed and in floating point alike (the implementation's default order). Unscaled,
// coefficients round(c * 2^28): both sections need shift 3 (sums 6.5 and 4.75 of
// |coefficients|, 6.5 * 2^28 + 3 < 2^31 <= 6.5 * 2^29).
TEST(ExportFixedPoint, SectionsComeOutInIncreasingPoleRadius) {
    const std::vector<long long> narrow = {268435456, 536870912, 268435456, -134217728, 67108864};
    const std::vector<long long> wide = {268435456, 536870912, 268435456, -429496730, 241591910};
    TempDir dir;
    // The more resonant section first in the file.
    writeBytes(dir.file("two.flt"), "4\r\n0\r\n1 2 1\r\n1 2 1\r\n1 -1.6 0.9\r\n1 -0.5 0.25\r\n");
    for (const char* type : {"q15", "q31"}) {
        for (const char* output : {"", " --output pair"}) {
            const auto o = runCli(
                dir, std::string("export two.flt --format c --scale none --type ") + type + output);
            ASSERT_EQ(o.status, 0) << type << "\n" << o.err;
            const std::string text = *output ? readBytes(dir.file("pair.c")) : o.out;
            EXPECT_EQ(fixedRows(text), (std::vector<std::vector<long long>>{narrow, wide, {3, 3}}))
                << type << output;
        }
    }
    const auto o = runCli(dir, "export two.flt --format c --type double --scale none");
    EXPECT_EQ(dataNumbers(o.out), (std::vector<double>{1, 2, 1, -0.5, 0.25, 1, 2, 1, -1.6, 0.9}));
    const auto file =
        runCli(dir, "export two.flt --format c --type double --scale none --order file");
    EXPECT_EQ(dataNumbers(file.out),
              (std::vector<double>{1, 2, 1, -1.6, 0.9, 1, 2, 1, -0.5, 0.25}));
}

// The code exports take the implementation's defaults (peak, ascending) unless told
// otherwise: A = 4, B = 1 -0.5 peaks at 4 / (1 - 0.5) = 8 at DC, so peak scaling gives
// b0 = 0.5, a1 = -0.5; |0.5| + |-0.5| = 1 needs shift 1 (2^31 + 3 >= 2^31), so the words
// are 0.5 * 2^30 = 536870912 and -536870912. Unscaled, 4.5 needs shift 3: 4 * 2^28 = 2^30.
TEST(ExportFixedPoint, CodeExportsScaleByPeakByDefault) {
    TempDir dir;
    writeBytes(dir.file("g.flt"), "2\r\n0\r\n4 0 0\r\n1 -0.5 0\r\n");
    const std::vector<long long> peak = {536870912, 0, 0, -536870912, 0};
    const std::vector<long long> raw = {1073741824, 0, 0, -134217728, 0};
    const struct {
        const char* options;
        std::vector<std::vector<long long>> rows;
    } rows[] = {
        {"", {peak, {1}}},
        {" --scale peak", {peak, {1}}},
        {" --normalise", {peak, {1}}},
        {" --scale none", {raw, {3}}},
    };
    for (const auto& row : rows) {
        const auto o = runCli(dir, std::string("export g.flt --format c --type q15") + row.options);
        ASSERT_EQ(o.status, 0) << row.options << o.err;
        EXPECT_EQ(fixedRows(o.out), row.rows) << row.options;
    }
}

// An implementation stuck at full scale is not written unless forced: two sections with
// poles at 0.999 (DC gain 1e6 each) unscaled in q15 sit at the rails after any noise, and
// in cmsis-q15 their coefficients quantise to an unstable filter; test
// vectors of 2 samples (one sweep sample sin(0) = 0, then silence) expect a constant 0.
TEST(ExportFixedPoint, StuckImplementationsAndIdleTestVectorsAreRefused) {
    TempDir dir;
    writeBytes(dir.file("big.flt"),
               "4\r\n0\r\n1 0 0\r\n1 0 0\r\n1 -1.998 0.998001\r\n1 -1.998 0.998001\r\n");
    writeBytes(dir.file("g.flt"), "2\r\n0\r\n4 0 0\r\n1 -0.5 0\r\n");
    const struct {
        const char* command;
        const char* message; // empty: written
        const char* file;
    } rows[] = {
        {"export big.flt --format c --type q15 --scale none --output a", "границе полной шкалы",
         "a.h"},
        // 16-bit coefficients put the poles on or outside the circle.
        {"export big.flt --format cmsis --type q15 --scale none --output b",
         "Квантованный фильтр неустойчив", "b.h"},
        {"export big.flt --format c --type q15 --scale none --output c --force", "", "c.h"},
        {"export g.flt --format c --type q15 --test-vectors 2 --output d", "постоянен", "d.h"},
        {"export g.flt --format verilog --test-vectors 2 --output e", "постоянен", "e.v"},
        {"export g.flt --format c --type q15 --test-vectors 2 --output f --force", "", "f.h"},
        {"export g.flt --format c --type q15 --test-vectors 4 --output h", "", "h.h"},
    };
    for (const auto& row : rows) {
        const auto o = runCli(dir, row.command);
        const bool written = !*row.message;
        EXPECT_EQ(o.status, written ? 0 : 1) << row.command << o.err;
        if (!written) {
            EXPECT_NE(o.err.find(row.message), std::string::npos) << row.command << o.err;
        }
        EXPECT_EQ(std::filesystem::exists(dir.file(row.file)), written) << row.command;
    }
}

} // namespace
} // namespace zorkan
