// The one export pipeline: the target table in both directions, the files each format's
// output name gives, and Verilog written through exportFilter like every other format.
#include "common/errors.h"
#include "export/formats.h"
#include "fixedpoint/implementation.h"

#include "tempfiles.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zorkan {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

// Each target with its command-line name, the export that writes it as code and, for the
// targets that fix them, the words, rounding and overflow of its description.
struct TargetCase {
    Target target;
    const char* name;
    ExportFormat format;
    SampleType type;
    bool fixesWords;
    int dataBits;
    int coefBits;
    Rounding rounding;
    Overflow overflow;
};

TEST(TargetTable, EachTargetGivesItsWordsAndExportAndBack) {
    using enum Rounding;
    using enum Overflow;
    const TargetCase cases[] = {
        {Target::Double, "double", ExportFormat::C, SampleType::Double, false, 0, 0, {}, {}},
        {Target::Float, "float", ExportFormat::C, SampleType::Float, false, 0, 0, {}, {}},
        {Target::FloatFma, "float-fma", ExportFormat::C, SampleType::FloatFma, false, 0, 0, {}, {}},
        {Target::Q15, "q15", ExportFormat::C, SampleType::Q15, true, 16, 32, Nearest, Saturate},
        {Target::Q31, "q31", ExportFormat::C, SampleType::Q31, true, 32, 32, Nearest, Saturate},
        {Target::Fixed, "fixed", ExportFormat::Verilog, SampleType::Double, false, 0, 0, {}, {}},
        {Target::CmsisQ15, "cmsis-q15", ExportFormat::Cmsis, SampleType::Q15, true, 16, 16,
         Truncate, Saturate},
        {Target::CmsisQ31, "cmsis-q31", ExportFormat::Cmsis, SampleType::Q31, true, 32, 32,
         Truncate, Wrap},
        {Target::CmsisF32, "cmsis-f32", ExportFormat::Cmsis, SampleType::F32, false, 0, 0, {}, {}},
        {Target::CmsisLatticeQ15, "cmsis-lattice-q15", ExportFormat::Cmsis, SampleType::LatticeQ15,
         true, 16, 16, Truncate, Saturate},
        {Target::CmsisLatticeQ31, "cmsis-lattice-q31", ExportFormat::Cmsis, SampleType::LatticeQ31,
         true, 32, 32, Truncate, Wrap},
        {Target::CmsisLatticeF32,
         "cmsis-lattice-f32",
         ExportFormat::Cmsis,
         SampleType::LatticeF32,
         false,
         0,
         0,
         {},
         {}},
        {Target::CmsisFirQ15, "cmsis-fir-q15", ExportFormat::Cmsis, SampleType::FirQ15, true, 16,
         16, Truncate, Saturate},
        {Target::CmsisFirQ31, "cmsis-fir-q31", ExportFormat::Cmsis, SampleType::FirQ31, true, 32,
         32, Truncate, Wrap},
        {Target::CmsisFirF32,
         "cmsis-fir-f32",
         ExportFormat::Cmsis,
         SampleType::FirF32,
         false,
         0,
         0,
         {},
         {}},
    };
    ASSERT_EQ(targetTable().size(), std::size(cases));
    // Words no target fixes, to see that the others keep them.
    const Arithmetic base{Target::Fixed, 9, 11, Truncate, Wrap};
    for (const TargetCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(targetRow(c.target).target, c.target);
        EXPECT_EQ(targetName(c.target), c.name);
        EXPECT_EQ(parseTarget(c.name), c.target);
        const Arithmetic a = namedArithmetic(c.target, base);
        EXPECT_EQ(a.target, c.target);
        EXPECT_EQ(a.dataBits, c.fixesWords ? c.dataBits : 9);
        EXPECT_EQ(a.coefBits, c.fixesWords ? c.coefBits : 11);
        EXPECT_EQ(a.rounding, c.fixesWords ? c.rounding : Truncate);
        EXPECT_EQ(a.overflow, c.fixesWords ? c.overflow : Wrap);
        const ExportOptions o = exportFormatOf(c.target);
        EXPECT_EQ(o.format, c.format);
        EXPECT_EQ(o.type, c.type);
        EXPECT_EQ(exportTarget(o), std::optional<Target>(c.target));
    }
}

TEST(TargetTable, PlainSectionsTakeTheTargetOfCAndVerilogIgnoresTheType) {
    const struct {
        ExportFormat format;
        SampleType type;
        Target target;
    } cases[] = {
        {ExportFormat::SosCsv, SampleType::Double, Target::Double},
        {ExportFormat::Octave, SampleType::Float, Target::Float},
        {ExportFormat::Python, SampleType::Q31, Target::Q31},
        {ExportFormat::Verilog, SampleType::Q15, Target::Fixed},
        {ExportFormat::Verilog, SampleType::F32, Target::Fixed},
    };
    for (const auto& c : cases) {
        ExportOptions o;
        o.format = c.format;
        o.type = c.type;
        EXPECT_EQ(exportTarget(o), std::optional<Target>(c.target)) << static_cast<int>(c.format);
    }
}

TEST(TargetTable, CombinationsWithoutATargetAreRefused) {
    const char* const cmsisOnly = "Формат cmsis принимает тип q15, q31 или f32 (секции второго "
                                  "порядка) либо lattice-q15, lattice-q31 или lattice-f32 "
                                  "(решетка всего фильтра)";
    const char* const f32Only =
        "Типы f32, lattice-q15, lattice-q31 и lattice-f32 относятся только к формату cmsis";
    const struct {
        ExportFormat format;
        SampleType type;
        const char* message;
    } cases[] = {
        {ExportFormat::Cmsis, SampleType::Double, cmsisOnly},
        {ExportFormat::Cmsis, SampleType::Float, cmsisOnly},
        {ExportFormat::Cmsis, SampleType::FloatFma, cmsisOnly},
        {ExportFormat::C, SampleType::F32, f32Only},
        {ExportFormat::SosCsv, SampleType::F32, f32Only},
        {ExportFormat::Python, SampleType::F32, f32Only},
        {ExportFormat::C, SampleType::LatticeQ15, f32Only},
        {ExportFormat::SosCsv, SampleType::LatticeF32, f32Only},
    };
    const FilterCoefficients file;
    for (const auto& c : cases) {
        ExportOptions o;
        o.format = c.format;
        o.type = c.type;
        EXPECT_EQ(exportTarget(o), std::nullopt) << c.message;
        try {
            exportedFilter(file, o);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const UserMessage& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(ExportFiles, EachFormatNamesItsFiles) {
    using V = std::vector<std::string>;
    const struct {
        ExportFormat format;
        int testVectors;
        const char* output;
        V files;
    } cases[] = {
        {ExportFormat::SosCsv, 0, "a.csv", V{"a.csv"}},
        {ExportFormat::Octave, 0, "a", V{"a"}},
        {ExportFormat::Python, 5, "x.py", V{"x.py"}},
        {ExportFormat::C, 0, "a.h", V{"a.h"}},
        {ExportFormat::C, 5, "a.h", V{"a.h", "a_test.c"}},
        {ExportFormat::C, 0, "a.c", V{"a.h", "a.c"}},
        {ExportFormat::C, 5, "a", V{"a.h", "a.c", "a_test.c"}},
        {ExportFormat::Cmsis, 0, "a.h", V{"a.h", "a.c"}},
        {ExportFormat::Cmsis, 5, "k", V{"k.h", "k.c", "k_test.c"}},
        {ExportFormat::Verilog, 0, "m", V{"m.v"}},
        {ExportFormat::Verilog, 0, "m.v", V{"m.v"}},
        {ExportFormat::Verilog, 5, "m.v", V{"m.v", "m_tb.v"}},
        {ExportFormat::Verilog, 0, "m.c", V{"m.c.v"}},
        {ExportFormat::Verilog, 0, ".v", V{".v.v"}},
    };
    for (const auto& c : cases) {
        ExportOptions o;
        o.format = c.format;
        o.testVectors = c.testVectors;
        EXPECT_EQ(exportFiles(c.output, o), c.files) << c.output;
    }
}

// One section, H = (1 + 2 z^-1 + z^-2) / (1 - 0.5 z^-1 + 0.25 z^-2), unscaled in the file's
// order with 12-bit data and 16-bit coefficients: the magnitudes add up to 4.75, so the
// shift is 3 (4.75 * 2^12 + 3 < 2^15 <= 4.75 * 2^13 + 3) and the coefficients are
// c * 2^12, in a 28-bit sum.
TEST(ExportVerilog, GoesThroughTheOnePipeline) {
    TempDir dir;
    const std::string flt = dir.file("f.flt");
    writeBytes(flt, "2\r\n0\r\n1 2 1\r\n1 -0.5 0.25\r\n");
    ExportOptions o;
    o.format = ExportFormat::Verilog;
    o.scaling = Scaling::None;
    o.order = SectionOrder::File;
    o.words.dataBits = 12;
    o.words.coefBits = 16;
    o.testVectors = 40;
    const ExportResult r = exportFilter(flt, dir.file("m"), o);
    EXPECT_EQ(r.files, (std::vector<std::string>{dir.file("m.v"), dir.file("m_tb.v")}));
    ASSERT_TRUE(r.filter.implementation);
    EXPECT_EQ(r.filter.implementation->options.arithmetic.target, Target::Fixed);
    EXPECT_EQ(r.filter.implementation->options.arithmetic.dataBits, 12);
    const std::string module = readBytes(dir.file("m.v"));
    for (const char* line : {"// source: f.flt\n", "// latency: 1 clock(s)",
                             "// Section 1: shift 3, coefficients in units of 2^-12.\n",
                             "localparam signed [27:0] S1_B0 = 28'sd4096;\n",
                             "localparam signed [27:0] S1_B1 = 28'sd8192;\n",
                             "localparam signed [27:0] S1_B2 = 28'sd4096;\n",
                             "localparam signed [27:0] S1_A1 = -28'sd2048;\n",
                             "localparam signed [27:0] S1_A2 = 28'sd1024;\n"})
        EXPECT_NE(module.find(line), std::string::npos) << line;
    const std::string bench = readBytes(dir.file("m_tb.v"));
    EXPECT_EQ(bench.rfind("`timescale 1ns / 1ps\n// ZORKAN ", 0), 0u);
    EXPECT_NE(bench.find("localparam integer SAMPLES = 40;\n"), std::string::npos);
}

} // namespace
} // namespace zorkan
