#include "fixedpoint/warnings.h"

#include "common/errors.h"
#include "fixedpoint/report.h"

#include <cstdio>

namespace zorkan {

std::vector<CascadeWarning> implementationWarnings(const FilterCoefficients& file,
                                                   const ImplementationOptions& io) {
    std::vector<CascadeWarning> warnings;
    ReportOptions ro;
    ro.limitCycleTrials = 20;
    ro.limitCycleSamples = 2048;
    ImplementationFigures f;
    try {
        f = implementationFigures(file, io, ro);
    } catch (const UserMessage&) {
        return warnings; // the export itself says what does not fit
    }
    const double snr = f.analyticNoise ? f.snrAnalyticDb : f.snrSimulatedDb;
    if ((f.analyticNoise || f.simulatedNoise) && snr < 40) {
        char text[64];
        std::snprintf(text, sizeof text, "%.1f", snr);
        warnings.push_back(
            {std::string("отношение сигнал/шум реализации ") + text +
                 " dB, меньше 40 dB (zorkan-cli implement показывает подробности)",
             std::string("the simulated signal-to-noise ratio of this implementation is ") + text +
                 " dB, below 40 dB (see zorkan-cli implement)"});
    }
    // Floating point has no full scale to overflow.
    if (fixedPointTarget(io.arithmetic.target) && f.normsBounded && f.overflowPossible)
        warnings.push_back(
            {"выход секции " + std::to_string(f.worstSection) +
                 " может переполниться при входе в пределах полной шкалы (норма L1 больше 1; "
                 "--scale l1 это исключает)",
             "a full-scale input can overflow the output of section " +
                 std::to_string(f.worstSection) + " (L1 gain above 1; --scale l1 prevents it)"});
    if (f.limitCycle.found) {
        char text[96];
        std::snprintf(text, sizeof text, "%.0f, period %d", f.limitCycle.amplitude,
                      f.limitCycle.period);
        warnings.push_back(
            {"при нулевом входе найден предельный цикл: амплитуда " +
                 std::to_string(static_cast<long long>(f.limitCycle.amplitude)) +
                 " младших разрядов, период " + std::to_string(f.limitCycle.period) + " отсчетов",
             std::string("a limit cycle at zero input: amplitude (last bits) ") + text});
    }
    return warnings;
}

} // namespace zorkan
