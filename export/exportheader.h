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

// The lines that name an implementation's structure, say what each section computes in it
// and what the whole costs per sample.
std::vector<std::string> structureLines(const Implementation& implementation);

// The lines of the arithmetic of an implementation written as programs of nodes (a
// structure other than the target's own): what a node sums, where it is rounded and its
// overflow handled, what is stored. `word` names the data word ("int16_t", "16 bits"),
// `sumBits` the width of the exact sums.
std::vector<std::string> programArithmeticLines(const Implementation& implementation,
                                                const std::string& word, int sumBits);

// The command whose simulation gives the same outputs as the written code.
std::string implementCommand(const Implementation& implementation, const std::string& source);

} // namespace zorkan
