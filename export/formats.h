#pragma once
// Texts that take a filter's second-order sections to other tools: a CSV of sos rows,
// an Octave/MATLAB script, a Python module and C99 code in floating or fixed point.
// Every text starts with a comment header and holds no date, so the same filter always
// gives the same bytes. Lines end in LF, the convention of those tools.
#include "cascade/norms.h"
#include "cascade/secondorder.h"
#include "fixedpoint/implementation.h"

#include <memory>
#include <optional>

#include <cstdint>
#include <string>
#include <vector>

namespace zorkan {

enum class ExportFormat { SosCsv, Octave, Python, C, Cmsis };
enum class SampleType { Double, Float, Q15, Q31, FloatFma, F32 };

struct ExportOptions {
    ExportFormat format = ExportFormat::SosCsv;
    SampleType type = SampleType::Double; // C only
    std::string prefix = "zorkan_filter"; // C only: names of the type and the functions
    bool normalise = false;               // the same as scaling peak
    // The implementation's scaling and section order; unset: peak when normalising, else
    // none; for fixed-point C ascending pole radius, else the file's order.
    std::optional<Scaling> scaling;
    std::optional<SectionOrder> order;
    std::string sourceName; // the parameter file, as named in the header
    // C and CMSIS-DSP: the number of samples of the golden test vectors written to
    // NAME_test.c beside the code, none when 0.
    int testVectors = 0;
};

// The most samples of the golden test vectors.
constexpr int maximumTestVectors = 1000000;

// Parses "sos-csv", "octave", "python", "c", "cmsis" and "double", "float", "float-fma",
// "q15", "q31", "f32" (f32 for cmsis alone; cmsis takes q15, q31 and f32);
// anything else is refused with a UserMessage.
ExportFormat parseExportFormat(const std::string& text);
SampleType parseSampleType(const std::string& text);
// The extension of a format's file, with its dot: ".csv", ".m", ".py", and ".c" for C,
// whose NAME.c gives the pair NAME.h and NAME.c (only a name ending in ".h" gets the
// one-header form).
std::string exportExtension(ExportFormat format);

// Fixed-point coefficients of one section for q15 and q31: num0, num1, num2, den1, den2
// as round(c * 2^(31 - shift)), where shift is the smallest s >= 0 with
// (|num0| + |num1| + |num2| + |den1| + |den2|) * 2^(31 - s) + 3 < 2^31: the rounded
// coefficients fit, and every product sum fits in 64 bits.
struct FixedSection {
    std::int32_t c[5] = {0, 0, 0, 0, 0};
    int shift = 0;
};
// Refuses (UserMessage) a section whose coefficients need a shift above 31.
FixedSection fixedSection(const SecondOrderSection& s, std::size_t index);

// A filter ready to be written: its sections and what the header says of the file.
struct ExportedFilter {
    SecondOrderCascade cascade;
    Scaling scaling = Scaling::None;
    SectionOrder sectionOrder = SectionOrder::file;
    std::uint32_t order = 0;                 // filterOrder of the file
    std::vector<std::size_t> scaledSections; // file sections (from 1) with B0 neither 1 nor 0
    // The implementation the code computes (C and CMSIS-DSP): the simulation of the test
    // vectors runs it.
    std::shared_ptr<const Implementation> implementation;
};

// The lines of the comment header every export starts with.
std::vector<std::string> exportHeaderLines(const ExportedFilter& filter,
                                           const ExportOptions& options);
// The implementation's target of a C or CMSIS-DSP export.
Target exportTarget(const ExportOptions& options);

// The filter the options ask for: for fixed-point C the sections in order of pole
// radius (orderByPoleRadius), then normalised when asked. Every other format keeps the
// file's order, two sections in place of each band-pass section.
ExportedFilter exportedFilter(const FilterCoefficients& file, const ExportOptions& options);
// The same for a parameter file read with the frequency-response computation's rules.
ExportedFilter exportedFilter(const std::string& sourcePath, const ExportOptions& options);

// The whole single text of the CSV, Octave and Python formats, and the one-header form
// of C (static inline functions), as written to standard output or to one file.
std::string exportText(const ExportedFilter& filter, const ExportOptions& options);

// C as NAME.h and NAME.c: `headerName` is the name the .c file includes.
struct CSources {
    std::string header;
    std::string source;
};
CSources exportCSources(const ExportedFilter& filter, const ExportOptions& options,
                        const std::string& headerName);

// The files an output name gives: the name itself, except for C, where a name ending in
// ".h" gets the one-header form and any other name NAME (a trailing ".c" dropped) gets
// NAME.h and NAME.c, in that order, and CMSIS-DSP, where NAME (a trailing ".c" or ".h"
// dropped) gets NAME.h and NAME.c; with test vectors NAME_test.c comes last.
std::vector<std::string> exportFiles(const std::string& outputPath, const ExportOptions& options);

// Those files with their texts.
struct ExportFile {
    std::string path;
    std::string text;
};
std::vector<ExportFile> exportFileTexts(const ExportedFilter& filter, const std::string& outputPath,
                                        const ExportOptions& options);

// What the simulation of an implementation finds that a user must know before the code
// goes into a device: a simulated signal-to-noise ratio below 40 dB, a section output a
// full-scale input can overflow (fixed point), a limit cycle at zero input. Nothing when
// the implementation cannot be realised (the export says why).
std::vector<CascadeWarning> implementationWarnings(const FilterCoefficients& file,
                                                   const ImplementationOptions& options);

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
