#pragma once
// zorkan-cli implement and export of a ".fir" file (the taps of a FIR filter).
#include "cli/options.h"
#include "fixedpoint/simulation.h"

#include <functional>

#include <string>
#include <vector>

namespace zorkan::cli {

// implement F.fir: the options already parsed, `simulation` the input and output files of
// --simulate (empty: none).
// Runs `run` on the samples of the signal file `input` and writes its output to the signal
// file `output` (replaced only when complete); warns of inputs clipped to full scale.
SimulationCounts simulateSignalFile(
    const std::string& input, const std::string& output,
    const std::function<std::vector<double>(const std::vector<double>&, SimulationCounts*)>& run);

int runFirImplement(const Arguments& args, const std::vector<std::string>& simulation);

} // namespace zorkan::cli
