#pragma once
// C99 code of a filter: floating point in transposed direct form II, q15 and q31 in direct
// form I on scaled integer coefficients, as one header of static inline functions or as
// the pair NAME.h and NAME.c.
#include "export/formats.h"

#include <cstdint>
#include <string>

namespace zorkan {

// The C type of a sample: double, float, int16_t, int32_t, float32_t.
const char* cTypeName(SampleType type);
bool fixedPointType(SampleType type);

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

// The one-header form.
std::string cOneHeader(const ExportedFilter& filter, const ExportOptions& options);

// C as NAME.h and NAME.c: `headerName` is the name the .c file includes.
struct CSources {
    std::string header;
    std::string source;
};
CSources exportCSources(const ExportedFilter& filter, const ExportOptions& options,
                        const std::string& headerName);

} // namespace zorkan
