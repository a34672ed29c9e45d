#pragma once
// Texts that take a filter's second-order sections to other tools: a CSV of sos rows,
// an Octave/MATLAB script, a Python module and C99 code in floating or fixed point.
// Every text starts with a comment header and holds no date, so the same filter always
// gives the same bytes. Lines end in LF, the convention of those tools.
#include "cascade/norms.h"
#include "cascade/secondorder.h"

#include <string>
#include <vector>

namespace zorkan {

enum class ExportFormat { SosCsv, Octave, Python, C };
enum class SampleType { Double, Float, Q15, Q31 };

struct ExportOptions {
    ExportFormat format = ExportFormat::SosCsv;
    SampleType type = SampleType::Double; // C only
    std::string prefix = "zorkan_filter"; // C only: names of the type and the functions
    bool normalise = false;
    std::string sourceName; // the parameter file, as named in the header
};

// Parses "sos-csv", "octave", "python", "c" and "double", "float", "q15", "q31";
// anything else is refused with a UserMessage.
ExportFormat parseExportFormat(const std::string& text);
SampleType parseSampleType(const std::string& text);
// The usual extension of a format's file, with its dot (".csv", ".m", ".py", ".h").
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

// The whole single text of the CSV, Octave and Python formats, and the one-header form
// of C (static inline functions), as written to standard output or to one file.
std::string exportText(const SecondOrderCascade& cascade, const ExportOptions& options);

// C as NAME.h and NAME.c: `headerName` is the name the .c file includes.
struct CSources {
    std::string header;
    std::string source;
};
CSources exportCSources(const SecondOrderCascade& cascade, const ExportOptions& options,
                        const std::string& headerName);

// The names of the written files and the cascade written.
struct ExportResult {
    std::vector<std::string> files;
    SecondOrderCascade cascade;
};

// Reads `sourcePath` (the frequency-response computation's rules), builds the sections,
// normalises them when asked and writes the output. For C an output ending in ".h" gets
// the one-header form; any other name NAME (a trailing ".c" dropped) gets NAME.h and
// NAME.c. Every file is written to a temporary file beside it and renamed over the
// target only when complete; the texts are all made before the first file is written.
ExportResult exportFilter(const std::string& sourcePath, const std::string& outputPath,
                          ExportOptions options);

// The cascade the options ask for: read from `sourcePath`, for fixed-point C put in
// order of pole radius (orderByPoleRadius), then normalised when asked. Every other
// format keeps the file's order, two sections in place of each band-pass section.
SecondOrderCascade exportCascade(const std::string& sourcePath, const ExportOptions& options);

} // namespace zorkan
