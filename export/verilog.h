#pragma once
// A filter as a synthesisable Verilog-2001 module for an FPGA: the fixed-point
// implementation (fixedpoint/) in hardware, bit for bit what its simulation computes,
// and a self-checking testbench with golden vectors from that simulation.
//
// The module takes one sample on every clock whose in_valid is high (a sample on every
// clock, or with gaps); each section is one pipeline stage whose direct form I sum of
// products, rounding and overflow rule are computed within the clock, so the result of
// a sample leaves with out_valid high as many clocks later as there are sections.
#include "export/formats.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zorkan {

// The clocks from a sample taken to its result on out_sample: one per section.
int verilogLatency(const Implementation& implementation);

// The module's text of a filter exported with the verilog format (it holds the
// implementation, target fixed). Refuses (UserMessage) a name that is no Verilog
// identifier.
std::string verilogModule(const ExportedFilter& filter, const ExportOptions& options);

// Refuses (UserMessage) a name that is no Verilog identifier or is a reserved word.
void checkModuleName(const std::string& name);
// A signed decimal constant of `bits` bits (never the most negative value).
std::string signedConstant(std::int64_t v, int bits);
// The low `bits` bits of v as an unsigned hexadecimal constant.
std::string wordConstant(std::int64_t v, int bits);
// The module's head: its ports for W-bit data (clk, rst, in_valid, in_sample, out_valid,
// out_sample) and, with saturation, the data range in the sums' `acc` bits and as a word.
std::string verilogModuleOpening(const std::string& name, int w, int acc, bool saturate);

// The testbench PREFIX_tb: the golden stimulus of `options.testVectors` samples into the
// module on every clock, each result compared with the simulation's; it prints "OK" when
// all matched, else the first differing sample with both values.
std::string verilogTestbench(const ExportedFilter& filter, const ExportOptions& options);
// The same testbench for any module with these ports: `input` and `expected` as fractions
// of full scale on the W-bit data word, `latency` the module's clocks from a sample to its
// result (options: the prefix, the source's name and the number of samples).
std::string verilogTestbenchText(const ExportOptions& options, int dataBits, int latency,
                                 const std::vector<double>& input,
                                 const std::vector<double>& expected);

} // namespace zorkan
