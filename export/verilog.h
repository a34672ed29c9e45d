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
#include "fixedpoint/implementation.h"

#include <string>
#include <vector>

namespace zorkan {

struct VerilogOptions {
    // The fixed-point implementation (the target is always fixed).
    ImplementationOptions implementation;
    std::string prefix = "zorkan_filter"; // the module's name
    std::string sourceName;               // the parameter file, as named in the header
    int testVectors = 0;                  // samples of the testbench; 0: no testbench
};

// The implementation the module computes: the options' scaling and order, target fixed;
// its cascade's warnings include what the simulation finds (implementationWarnings).
Implementation verilogImplementation(const FilterCoefficients& filter,
                                     const VerilogOptions& options);

// The clocks from a sample taken to its result on out_sample: one per section.
int verilogLatency(const Implementation& implementation);

// The module's text. Refuses (UserMessage) a name that is no Verilog identifier.
std::string verilogModule(const Implementation& implementation, const VerilogOptions& options);

// The testbench PREFIX_tb: the golden stimulus of `samples` samples into the module on
// every clock, each result compared with the simulation's; it prints "OK" when all
// matched, else the first differing sample with both values.
std::string verilogTestbench(const Implementation& implementation, const VerilogOptions& options,
                             int samples);

// The files an output name gives: NAME.v (a name without ".v" gets it), and with test
// vectors NAME_tb.v.
std::vector<std::string> verilogFiles(const std::string& outputPath, const VerilogOptions& options);

struct VerilogFile {
    std::string path;
    std::string text;
};
std::vector<VerilogFile> verilogFileTexts(const Implementation& implementation,
                                          const std::string& outputPath,
                                          const VerilogOptions& options);

struct VerilogResult {
    std::vector<std::string> files;
    Implementation implementation;
};

// Reads the parameter file, realises it and writes the files, none of which may be the
// parameter file; the texts are made before anything is written and the files replace
// the old ones together.
VerilogResult exportVerilog(const std::string& sourcePath, const std::string& outputPath,
                            VerilogOptions options);

} // namespace zorkan
