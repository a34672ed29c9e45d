#pragma once
// Roots written as text: comma-separated items, each a real root ("-0.5"), a pair
// R e^(+-jA) with A in radians ("0.9:1.2") or a pair at the frequency F in the unit of
// the sampling frequency FD ("0.95@50", which needs FD).
#include "cascade/rootsections.h"

#include <optional>
#include <string>
#include <vector>

namespace zorkan {

// Refuses (UserMessage, naming the item) a malformed item, a negative radius of a pair,
// R@F without FD, and F outside 0 <= F < FD / 2. A pair at angle 0 is a double real
// root. An empty text is no roots.
std::vector<SectionRoot> parseRootList(const std::string& text, std::optional<double> fd);

} // namespace zorkan
