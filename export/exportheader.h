#pragma once
// The comment header of the CSV, Octave, Python, C and CMSIS-DSP exports: the program,
// the source, the filter and how its sections are written.
#include "export/formats.h"

#include <string>
#include <vector>

namespace zorkan {

// The lines of the header, the cascade's warnings last.
std::vector<std::string> exportHeaderLines(const ExportedFilter& filter,
                                           const ExportOptions& options);

} // namespace zorkan
