#pragma once
// The judgement of an implementation's report figures that goes into every export.
#include "fixedpoint/report.h"

#include <string>
#include <vector>

namespace zorkan {

// What the simulation of an implementation finds that a user must know before the code
// goes into a device: a quantised filter that is silent, a simulated signal-to-noise ratio
// below 40 dB, a section output a full-scale input can overflow (fixed point), a limit
// cycle at zero input. The figures are the report's own (implementationFigures with the
// default ReportOptions), so that every export states what `implement` states.
std::vector<CascadeWarning> implementationWarnings(const ImplementationFigures& figures);

// Why an implementation must not be exported without being asked to: its quantised filter
// is silent, or unstable where the file's filter is stable, its simulated output sticks at
// full scale, or its signal-to-noise ratio is below 0 dB. Empty when none of these holds.
std::string implementationRefusal(const ImplementationFigures& figures);

} // namespace zorkan
