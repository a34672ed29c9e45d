#pragma once
// The judgement of an implementation's report figures that goes into every export.
#include "fixedpoint/implementation.h"

#include <vector>

namespace zorkan {

// What the simulation of an implementation finds that a user must know before the code
// goes into a device: a simulated signal-to-noise ratio below 40 dB, a section output a
// full-scale input can overflow (fixed point), a limit cycle at zero input. Nothing when
// the implementation cannot be realised (the export says why).
std::vector<CascadeWarning> implementationWarnings(const FilterCoefficients& file,
                                                   const ImplementationOptions& options);

} // namespace zorkan
