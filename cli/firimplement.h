#pragma once
// zorkan-cli implement and export of a ".fir" file (the taps of a FIR filter).
#include "cli/options.h"

#include <string>
#include <vector>

namespace zorkan::cli {

// implement F.fir: the options already parsed, `simulation` the input and output files of
// --simulate (empty: none).
int runFirImplement(const Arguments& args, const std::vector<std::string>& simulation);

} // namespace zorkan::cli
