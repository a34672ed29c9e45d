#pragma once
// Golden test vectors: a C program that runs the exported filter over the golden stimulus
// and compares every output with what the simulation of the same implementation computed.
#include "export/formats.h"

#include <functional>
#include <string>
#include <vector>

namespace zorkan {

// NAME_test.c for `options.testVectors` samples; `headerName` is the exported header it
// includes. It prints "OK" and returns 0 when every output equals the expected one, else
// prints the first differing index with both values and returns 1.
// Refuses (UserMessage) golden test vectors whose expected output is one constant (a
// silent or saturated implementation would pass them), unless `options.force`.
void checkGoldenOutputVaries(const ExportedFilter& filter, const ExportOptions& options);

std::string testVectorsSource(const ExportedFilter& filter, const ExportOptions& options,
                              const std::string& headerName);

// The same program for any exported code with the C or CMSIS-DSP interface (PREFIX_reset
// and PREFIX_block, or PREFIX_init and PREFIX_process): the stimulus `x` as the arithmetic
// takes it, and `step`, the simulation of one sample (fractions of full scale).
std::string goldenVectorsProgram(const ExportOptions& options, const Arithmetic& arithmetic,
                                 const std::string& headerName, const std::vector<double>& x,
                                 const std::function<double(double)>& step);

} // namespace zorkan
