#include "fixedpoint/warnings.h"

#include <cmath>
#include <cstdio>

namespace zorkan {

namespace {

// Below this signal-to-noise ratio (dB) an export carries a warning.
constexpr double lowSnrDb = 40;

std::string decibelText(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

std::string radiusText(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", v);
    return text;
}

} // namespace

std::vector<CascadeWarning> implementationWarnings(const ImplementationFigures& f) {
    std::vector<CascadeWarning> warnings;
    if (f.silentSection)
        warnings.push_back({"квантованный фильтр молчит: числитель секции " +
                                std::to_string(f.silentSection) + " после квантования равен нулю",
                            "the quantised filter is silent: the numerator of section " +
                                std::to_string(f.silentSection) + " quantises to zero"});
    double snr = 0;
    if (statedSnr(f, snr) && snr < lowSnrDb) {
        const std::string text = decibelText(snr);
        warnings.push_back({"отношение сигнал/шум реализации " + text +
                                " dB, меньше 40 dB (zorkan-cli implement показывает подробности)",
                            "the simulated signal-to-noise ratio of this implementation is " +
                                text + " dB, below 40 dB (see zorkan-cli implement)"});
    }
    // Floating point has no full scale to overflow. A lattice's nodes take the input as it
    // comes: no scaling of its numerator keeps them from overflowing.
    if (fixedPointTarget(f.arithmetic.target) && f.normsBounded && f.overflowPossible &&
        f.latticeStages && f.l1Gains.size() == 2) {
        const std::string where =
            f.worstSection == 2 ? "выход решетки может" : "узлы решетки f, g могут";
        const std::string gain = radiusText(f.worstSection == 2 ? f.l1Gains[1] : f.l1Gains[0]);
        warnings.push_back({where + " переполниться при входе в пределах полной шкалы (норма L1 " +
                                gain + "; вход не должен превышать 1/" + gain + " полной шкалы)",
                            std::string("a full-scale input can overflow the lattice's ") +
                                (f.worstSection == 2 ? "output" : "nodes f, g") + " (L1 gain " +
                                gain + "; keep the input below 1/" + gain + " of full scale)"});
    } else if (fixedPointTarget(f.arithmetic.target) && f.normsBounded && f.overflowPossible)
        warnings.push_back(
            {"выход секции " + std::to_string(f.worstSection) +
                 " может переполниться при входе в пределах полной шкалы (норма L1 " +
                 (f.overflowAtBound ? "без запаса на округление" : "больше 1") +
                 "; --scale l1 это исключает)",
             "a full-scale input can overflow the output of section " +
                 std::to_string(f.worstSection) + " (L1 gain " +
                 (f.overflowAtBound ? "without a margin for rounding" : "above 1") +
                 "; --scale l1 prevents it)"});
    if (f.limitCycle.found) {
        const std::string amplitude =
            std::to_string(static_cast<long long>(f.limitCycle.amplitude));
        warnings.push_back({"при нулевом входе найден предельный цикл: амплитуда " + amplitude +
                                " младших разрядов, период " + samplesText(f.limitCycle.period),
                            "a limit cycle at zero input: amplitude (last bits) " + amplitude +
                                ", period " + std::to_string(f.limitCycle.period)});
    }
    if (f.limitCycle.unsettled > 0) {
        const std::string amplitude =
            std::to_string(static_cast<long long>(f.limitCycle.unsettledAmplitude));
        const long long window = 2LL * f.limitCycle.window;
        warnings.push_back({"при нулевом входе выход не установился за " + samplesText(window) +
                                " (до " + amplitude + " младших разрядов)",
                            "the zero-input output did not settle within " +
                                std::to_string(window) + " samples (up to " + amplitude +
                                " last bits)"});
    }
    // An unstable file has its warning from the factoring already.
    if (!f.stable && f.idealPoleRadius < 1)
        warnings.push_back({"квантованный фильтр неустойчив (без квантования устойчив)",
                            "the quantised filter is unstable (stable unquantised)"});
    return warnings;
}

std::string implementationRefusal(const ImplementationFigures& f) {
    if (f.silentSection)
        return "Квантованный фильтр молчит: числитель секции " + std::to_string(f.silentSection) +
               " после квантования равен нулю, код выдавал бы одни нули";
    if (!f.stable && f.idealPoleRadius < 1)
        return "Квантованный фильтр неустойчив (наибольший радиус полюса " +
               radiusText(f.maxPoleRadius) +
               "), хотя без квантования устойчив: выход кода рос бы до границы полной шкалы";
    if (f.outputStuck)
        return "Выход моделирования реализации застревает на границе полной шкалы (на шуме "
               "или при нулевом входе, предельный цикл с амплитудой " +
               std::to_string(static_cast<long long>(f.limitCycle.amplitude)) +
               " младших разрядов): код выдавал бы насыщенный сигнал вместо "
               "отфильтрованного (выберите масштабирование)";
    double snr = 0;
    if (statedSnr(f, snr) && snr < 0)
        return "Отношение сигнал/шум реализации " + decibelText(snr) +
               " dB, меньше 0 dB: шум округления сильнее сигнала";
    return {};
}

} // namespace zorkan
