#pragma once
// Golden test vectors: a C program that runs the exported filter over the golden stimulus
// and compares every output with what the simulation of the same implementation computed.
#include "export/formats.h"

#include <string>

namespace zorkan {

// NAME_test.c for `options.testVectors` samples; `headerName` is the exported header it
// includes. It prints "OK" and returns 0 when every output equals the expected one, else
// prints the first differing index with both values and returns 1.
// Refuses (UserMessage) golden test vectors whose expected output is one constant (a
// silent or saturated implementation would pass them), unless `options.force`.
void checkGoldenOutputVaries(const ExportedFilter& filter, const ExportOptions& options);

std::string testVectorsSource(const ExportedFilter& filter, const ExportOptions& options,
                              const std::string& headerName);

} // namespace zorkan
