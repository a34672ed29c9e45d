#pragma once
// C99 for the CMSIS-DSP biquad kernels: the coefficients in the kernel's layout, the
// state, the instance and the two functions that set it up and run it.
#include "export/formats.h"

#include <string>

namespace zorkan {

// NAME.h and NAME.c of a CMSIS-DSP export; `headerName` is the name NAME.c includes. The
// filter must come from exportedFilter with the cmsis format (it holds the implementation).
CSources cmsisSources(const ExportedFilter& filter, const ExportOptions& options,
                      const std::string& headerName);

// Printable ASCII of a name for a comment or an #include (no '*', no quote).
std::string exportAsciiName(const std::string& name);
// Refuses (UserMessage) a prefix that is not a C identifier.
void checkExportPrefix(const std::string& prefix);
std::string upperName(std::string s);

} // namespace zorkan
