#pragma once
// The plain second-order sections: a CSV of sos rows, an Octave/MATLAB script and a Python
// module, every number with 17 significant digits.
#include "export/formats.h"

#include <string>

namespace zorkan {

// The text of the CSV, Octave or Python format of `options`.
std::string sosText(const ExportedFilter& filter, const ExportOptions& options);

} // namespace zorkan
