#pragma once
// C99 for the CMSIS-DSP biquad kernels: the coefficients in the kernel's layout, the
// state, the instance and the two functions that set it up and run it.
#include "export/ccode.h"

#include <string>

namespace zorkan {

// NAME.h and NAME.c of a CMSIS-DSP export; `headerName` is the name NAME.c includes. The
// filter must come from exportedFilter with the cmsis format (it holds the implementation).
CSources cmsisSources(const ExportedFilter& filter, const ExportOptions& options,
                      const std::string& headerName);

} // namespace zorkan
