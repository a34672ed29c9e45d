#include "common/axissteps.h"

#include <cmath>
#include <initializer_list>

namespace zorkan {

double niceStep(double rough, NiceRounding rounding) {
    if (!(rough > 0) || !std::isfinite(rough))
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    if (rounding == NiceRounding::Nearest) {
        const double n = rough / power;
        return (n < 1.5 ? 1 : n < 3 ? 2 : n < 7 ? 5 : 10) * power;
    }
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= rough * (1 - 1e-12))
            return m * power;
    return 10 * power;
}

} // namespace zorkan
