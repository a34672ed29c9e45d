#pragma once
// The request a design report (".out") begins with: the sampling frequency, the ripple
// DA, the attenuation B1, the four edges and the approximation, so that a later tool can
// check a filter against the request it was designed for.
#include "design/request.h"

#include <string>
#include <string_view>

namespace zorkan {

// Reads the request from the report's first lines (CP1251): the lines
// " частота дискретизации = FD", " неравномерность в dB  = DA",
// " гарантированное затухание в dB = B1", " значения частот F1,F2,F3,F4 = " followed by
// a line of F3, F2, F1 and F4 (the order the report writes them in), then the
// approximation's name. Anything else (not a design report, a value missing or not a
// number, edges that form no layout, FD not above zero) is refused with a UserMessage
// naming the file.
DesignRequest readDesignRequest(const std::string& path);
DesignRequest parseDesignRequest(std::string_view bytes, const std::string& name);

} // namespace zorkan
