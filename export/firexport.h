#pragma once
// The export of a FIR filter (the taps of a ".fir" file): the taps as CSV, an Octave/MATLAB
// script or a Python module (b, with a = 1), C99 in double, float, q15 or q31, C99 for the
// CMSIS-DSP FIR kernels (arm_fir_init_* and arm_fir_*), or a Verilog-2001 module in the
// transposed form, with the golden test vectors of the C, CMSIS-DSP and Verilog code from
// the simulation of the same implementation (fixedpoint/firimplementation.h).
#include "export/formats.h"
#include "fir/firfile.h"
#include "fixedpoint/firimplementation.h"

#include <string>
#include <vector>

namespace zorkan {

// The samples of a block of the CMSIS-DSP kernels; the state holds numTaps + this - 1.
constexpr int firKernelBlockSize = 64;

// The implementation the options write for a ".fir" file: C double, float, q15, q31; CMSIS
// q15, q31, f32 (or fir-q15, fir-q31, fir-f32) as the kernels arm_fir_q15, _q31, _f32;
// Verilog the fixed target with the options' words; CSV, Octave and Python the taps as
// they are (double). sos-csv, the other types and the options of sections (scaling,
// section order, normalising, structure) are refused with a UserMessage.
Target firExportTarget(const ExportOptions& options);

// The clocks from a sample taken to its result on out_sample of the Verilog module: one.
constexpr int firVerilogLatency = 1;

// The files `outputPath` gives (exportFiles) with their texts.
std::vector<ExportFile> firExportFileTexts(const FirFilter& filter, const std::string& outputPath,
                                           const ExportOptions& options);
// The single text of CSV, Octave, Python, the one-header C and the Verilog module.
std::string firExportText(const FirFilter& filter, const ExportOptions& options);

// Reads the ".fir" file and writes the files (none of which may be the source), all made
// before anything is written and replaced together. Returns the files written.
std::vector<std::string> exportFirFile(const std::string& sourcePath, const std::string& outputPath,
                                       ExportOptions options);

} // namespace zorkan
