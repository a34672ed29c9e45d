#pragma once
// An FIR candidate in a target arithmetic: kept apart from the FIR design, whose own
// figures share their name with the implementation's.
#include "advice/advice.h"

namespace zorkan {

QuantisedFigures quantisedFir(const std::vector<double>& taps, const Arithmetic& arithmetic,
                              const DesignRequest& request);

} // namespace zorkan
