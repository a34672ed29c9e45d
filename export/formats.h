#pragma once
// The one export pipeline: a filter's second-order sections as a CSV of sos rows, an
// Octave/MATLAB script, a Python module, C99 code in floating or fixed point, C99 for the
// CMSIS-DSP kernels or a Verilog-2001 module. Every text starts with a comment header and
// holds no date, so the same filter always gives the same bytes. Lines end in LF, the
// convention of those tools.
#include "cascade/norms.h"
#include "cascade/secondorder.h"
#include "fixedpoint/implementation.h"

#include <memory>
#include <optional>

#include <cstdint>
#include <string>
#include <vector>

namespace zorkan {

// Csv: the taps of a FIR filter (".fir"), one a line.
enum class ExportFormat { SosCsv, Octave, Python, C, Cmsis, Verilog, Csv };
enum class SampleType {
    Double,
    Float,
    Q15,
    Q31,
    FloatFma,
    F32,
    LatticeQ15,
    LatticeQ31,
    LatticeF32,
    FirQ15,
    FirQ31,
    FirF32
};

struct ExportOptions {
    ExportFormat format = ExportFormat::SosCsv;
    SampleType type = SampleType::Double; // C and CMSIS-DSP only
    // C, CMSIS-DSP: names of the type and the functions; Verilog: the module's name.
    std::string prefix = "zorkan_filter";
    bool normalise = false; // the same as scaling peak
    // The implementation's scaling and section order; unset: for C, CMSIS-DSP and Verilog,
    // which write an implementation, those of ImplementationOptions (what `implement` and
    // the implementation window take by default); for the plain sections of CSV, Octave
    // and Python peak when normalising, else none, in the file's order.
    std::optional<Scaling> scaling;
    std::optional<SectionOrder> order;
    // C, CMSIS-DSP and Verilog: the structure of the sections; unset, the target's own
    // (CMSIS-DSP has no other).
    std::optional<Structure> structure;
    // Writes an implementation whose figures refuse it (implementationRefusal) and test
    // vectors whose expected output is constant.
    bool force = false;
    std::string sourceName; // the parameter file, as named in the header
    // C, CMSIS-DSP and Verilog: the number of samples of the golden test vectors written
    // to NAME_test.c beside the code (NAME_tb.v beside the module), none when 0.
    int testVectors = 0;
    // Verilog: the words, rounding and overflow of the fixed-point implementation.
    Arithmetic words{Target::Fixed};
};

// The most samples of the golden test vectors.
constexpr int maximumTestVectors = 1000000;

// Parses "sos-csv", "octave", "python", "c", "cmsis", "verilog", "csv" and "double",
// "float", "float-fma", "q15", "q31", "f32", "lattice-q15", "lattice-q31", "lattice-f32",
// "fir-q15", "fir-q31", "fir-f32" (f32, the lattice and the FIR kernels' types for cmsis
// alone; cmsis takes q15, q31, f32 and the lattice types; csv and the FIR kernels' types
// are for the taps of a ".fir" file, fir/firexport.h);
// anything else is refused with a UserMessage.
ExportFormat parseExportFormat(const std::string& text);
SampleType parseSampleType(const std::string& text);
// The types of the CMSIS-DSP lattice kernels (lattice-q15, lattice-q31, lattice-f32).
bool latticeType(SampleType type);
// The extension of a format's file, with its dot: ".csv", ".m", ".py", ".v", and ".c" for
// C, whose NAME.c gives the pair NAME.h and NAME.c (only a name ending in ".h" gets the
// one-header form).
std::string exportExtension(ExportFormat format);

// The implementation's target of the options' format and type, by the target table; the
// formats of plain sections as C. None for a combination no target has (cmsis with
// double, f32 outside cmsis).
std::optional<Target> exportTarget(const ExportOptions& options);
// The format and number type that write a target's arithmetic as code.
ExportOptions exportFormatOf(Target target);
// The scaling and section order the options give (unset ones by the format's default, see
// ExportOptions).
Scaling exportScaling(const ExportOptions& options);
SectionOrder exportSectionOrder(const ExportOptions& options);
// Refuses (UserMessage) normalising together with a scaling other than peak.
void checkNormalising(const ExportOptions& options);

// A filter ready to be written: its sections and what the header says of the file.
struct ExportedFilter {
    SecondOrderCascade cascade;
    Scaling scaling = Scaling::None;
    SectionOrder sectionOrder = SectionOrder::File;
    std::uint32_t order = 0;                 // filterOrder of the file
    std::vector<std::size_t> scaledSections; // file sections (from 1) with B0 neither 1 nor 0
    // The implementation the code computes (C, CMSIS-DSP and Verilog): the simulation of
    // the test vectors runs it.
    std::shared_ptr<const Implementation> implementation;
};

// The filter the options ask for: for fixed-point C, CMSIS-DSP and Verilog the sections
// in order of pole radius (orderByPoleRadius), then normalised when asked; the cascade's
// warnings include what the simulation of the implementation finds. Every other format
// keeps the file's order, two sections in place of each band-pass section.
ExportedFilter exportedFilter(const FilterCoefficients& file, const ExportOptions& options);
// The same for a parameter file read with the frequency-response computation's rules
// (Verilog: the analysis's).
ExportedFilter exportedFilter(const std::string& sourcePath, const ExportOptions& options);

// The whole single text of the CSV, Octave and Python formats, the one-header form of C
// (static inline functions) and the Verilog module, as written to standard output or to
// one file.
std::string exportText(const ExportedFilter& filter, const ExportOptions& options);

// The files an output name gives: the name itself, except for C, where a name ending in
// ".h" gets the one-header form and any other name NAME (a trailing ".c" dropped) gets
// NAME.h and NAME.c, in that order, CMSIS-DSP, where NAME (a trailing ".c" or ".h"
// dropped) gets NAME.h and NAME.c, and Verilog, where NAME (a trailing ".v" dropped) gets
// NAME.v; with test vectors NAME_test.c (Verilog: NAME_tb.v) comes last.
std::vector<std::string> exportFiles(const std::string& outputPath, const ExportOptions& options);

// Those files with their texts.
struct ExportFile {
    std::string path;
    std::string text;
};
std::vector<ExportFile> exportFileTexts(const ExportedFilter& filter, const std::string& outputPath,
                                        const ExportOptions& options);

// Refuses (UserMessage) an output file that is the parameter file under any name.
void checkExportOutputs(const std::string& sourcePath, const std::vector<std::string>& files);

// The names of the written files and the filter written.
struct ExportResult {
    std::vector<std::string> files;
    ExportedFilter filter;
};

// Reads `sourcePath`, builds the filter (exportedFilter) and writes the files
// (exportFileTexts), none of which may be the parameter file. The texts are all made
// before anything is written, and the files are replaced together: each goes to a
// temporary file beside it first, so a failure leaves every old file as it was.
ExportResult exportFilter(const std::string& sourcePath, const std::string& outputPath,
                          ExportOptions options);

} // namespace zorkan
