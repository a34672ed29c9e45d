#pragma once
// Filter parameter files (".flt"): the cascade of sections, and nothing else.
// The one module that reads and writes them.
#include "common/textnumbers.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zorkan {

// 0 low-pass, 1 high-pass, 2 band-pass.
using FilterKind = std::uint16_t;
constexpr FilterKind lowPass = 0;
constexpr FilterKind highPass = 1;
constexpr FilterKind bandPass = 2;

// H(z) = (A0 + A1 z^-1 + ... + A4 z^-4) / (B0 + B1 z^-1 + ... + B4 z^-4).
// Second-order sections (low-pass, high-pass) keep A3, A4, B3, B4 at zero.
struct FilterSection {
    double a[5] = {0, 0, 0, 0, 0};
    double b[5] = {0, 0, 0, 0, 0};
};

struct FilterCoefficients {
    std::uint32_t order = 0; // 2 x number of sections as written; readers take N = order div 2
    FilterKind kind = lowPass;
    std::vector<FilterSection> sections;
};

// How a reader decides that a section has five coefficients.
enum class FiveCoefficientRule { KindIsTwo, KindNonZero };

// The rules of one reader of the format.
struct FilterFileReader {
    unsigned orderBits; // the order is held in this many low bits (8 or 16)
    FiveCoefficientRule rule;
    std::size_t capacity;      // sections the reader holds
    bool fiveValuesInARow;     // reads A0..A4 and only then skips to the next line
    bool oddOrderReadsNothing; // an odd order loads no coefficients
    std::uint32_t orderLimit;  // an order at or above it is refused (0: none)
};

// The coefficient entry window: at most 17 sections, orders of 36 or more refused.
extern const FilterFileReader coefficientWindowReader;
// The frequency-response computation: low 8 bits of the order, 32 sections.
extern const FilterFileReader responseReader;
// The modelling window: odd orders load nothing, 30 sections.
extern const FilterFileReader modellingReader;

// Text of the coefficient window's refusal of an order of 36 or more.
extern const char* const orderMismatchMessage;

// Reads a parameter file by the given reader's rules. A file that cannot be opened,
// or a malformed number, raises the I/O error. A file announcing more sections than
// the reader holds is refused with a UserMessage before any coefficient is read.
FilterCoefficients readFilterFile(const std::string& path, const FilterFileReader& reader);
FilterCoefficients readFilterFile(TextReader& in, const FilterFileReader& reader);

// Reads a parameter file as the frequency-response computation does (low 8 bits of the
// order, five coefficients for band-pass only, up to 32 sections) and refuses what
// cannot be analysed: a file without sections and a section whose B0 is zero (its
// response would need a sample from the future), each with a Russian message.
FilterCoefficients readAnalysedFilter(const std::string& path);
FilterCoefficients readAnalysedFilter(TextReader& in);
void checkAnalysable(const FilterCoefficients& filter);

// Writes the layout of the design routine, piece by piece, into an open writer.
// Line 1: the prototype order n when even, n + 1 and a blank when odd.
void writeFilterOrderLine(TextWriter& out, unsigned prototypeOrder);
// Line 2 and the numerator and denominator blocks.
void writeFilterBody(TextWriter& out, FilterKind kind, const std::vector<FilterSection>& sections);
// One coefficient line as the design report and the parameter file show it:
// values separated by one blank, with a trailing blank when asked.
std::string coefficientLine(const double* values, int count, bool trailingBlank);

// The whole file at once, in the design routine's layout.
void writeFilterFile(const std::string& path, unsigned prototypeOrder,
                     const FilterCoefficients& filter);

} // namespace zorkan
