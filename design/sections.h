#pragma once
// The digital half of a design: each prototype pole pair (or the single real pole)
// with its zero pair becomes one section through the bilinear transformation and
// the low-pass, high-pass or band-pass frequency transformation.
#include "coefficients/filterfile.h"
#include "design/prototype.h"

#include <vector>

namespace zorkan {

// The N sections in the order of the pole table; A0 = B0 = 1, not scaled to unit gain.
std::vector<FilterSection> makeSections(const PrototypeFilter& prototype);

} // namespace zorkan
