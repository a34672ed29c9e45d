#include "fixedpoint/firreport.h"

#include "common/errors.h"
#include "design/designcheck.h"
#include "design/request.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace zorkan {

namespace {

constexpr double fullScaleSinePower = 0.5;
constexpr int responsePoints = 4096;      // over [0, pi], ends included
constexpr int bandPoints = 2048;          // over each band of a request, edges included
constexpr double passbandTolerance = 0.1; // dB, the shortest C without a request
constexpr long double halfPowerRatio = 0.70710678118654752440L;

// |H(e^jw)|: the phasor e^-jwk turned one step a tap, in extended precision (its error
// grows with k by a few units of 2^-64, far below the figures' digits).
long double magnitudeAt(const std::vector<double>& taps, long double w) {
    const long double c = std::cos(w), s = std::sin(w);
    long double re = 0, im = 0, pr = 1, pi = 0;
    for (double h : taps) {
        re += h * pr;
        im += h * pi;
        const long double next = pr * c + pi * s;
        pi = pi * c - pr * s;
        pr = next;
    }
    return std::hypot(re, im);
}

std::vector<long double> magnitudes(const std::vector<double>& taps) {
    std::vector<long double> m(responsePoints + 1);
    for (int i = 0; i <= responsePoints; ++i)
        m[static_cast<std::size_t>(i)] =
            magnitudeAt(taps, std::numbers::pi_v<long double> * i / responsePoints);
    return m;
}

// The largest |20 log10 |Hq / H|| where |H| is within 3 dB of its largest value.
double passbandDeviation(const std::vector<long double>& ideal,
                         const std::vector<long double>& quantised) {
    const long double peak = *std::max_element(ideal.begin(), ideal.end());
    long double worst = 0;
    for (std::size_t i = 0; i < ideal.size(); ++i)
        if (peak > 0 && ideal[i] >= peak * halfPowerRatio) {
            if (!(quantised[i] > 0))
                return INFINITY;
            worst = std::max(worst, std::fabs(20 * std::log10(quantised[i] / ideal[i])));
        }
    return static_cast<double>(worst);
}

FirBandFigures measureBands(const std::vector<double>& taps, const DesignRequest& r) {
    const DesignBands bands = designBands(fileKind(requestKind(r)), r);
    FirBandFigures f;
    long double passMax = 0, passMin = INFINITY, stopMax = 0;
    const auto sweep = [&](const FrequencyBand& b, auto&& take) {
        for (int i = 0; i <= bandPoints; ++i) {
            const long double freq =
                b.low + (b.high - b.low) * static_cast<long double>(i) / bandPoints;
            take(magnitudeAt(taps, 2 * std::numbers::pi_v<long double> * freq / r.fd));
        }
    };
    for (const FrequencyBand& b : bands.pass)
        sweep(b, [&](long double m) {
            passMax = std::max(passMax, m);
            passMin = std::min(passMin, m);
        });
    for (const FrequencyBand& b : bands.stop)
        sweep(b, [&](long double m) { stopMax = std::max(stopMax, m); });
    f.rippleMeasured = !bands.pass.empty();
    if (f.rippleMeasured)
        f.ripple = static_cast<double>(20 * std::log10(passMax / passMin));
    f.attenuationMeasured = f.rippleMeasured && !bands.stop.empty();
    if (f.attenuationMeasured)
        f.attenuation = static_cast<double>(20 * std::log10(passMax / stopMax));
    return f;
}

// Meets the request, or does as well as the file's own taps where those miss it.
bool meets(const FirBandFigures& q, const FirBandFigures& ideal, const DesignRequest& r) {
    bool ok = true;
    if (q.rippleMeasured)
        ok = ok && q.ripple <= std::max(r.da, ideal.ripple) + designTolerance;
    if (q.attenuationMeasured)
        ok = ok && q.attenuation >= std::min(r.b1, ideal.attenuation) - designTolerance;
    return ok;
}

double decibels(double power) {
    return 10 * std::log10(power);
}

struct SimulatedNoise {
    double power = 0;
    bool exact = false;
};

SimulatedNoise simulatedNoise(const FirImplementation& im, double amplitude,
                              const ReportOptions& o) {
    const std::vector<double> x = noiseStimulus(im.arithmetic, amplitude, o.noiseSamples, o.seed);
    const std::vector<double> y = simulateFir(im, x);
    const std::vector<long double> ref = exactFirOutput(im.quantised, x);
    long double sum = 0;
    for (std::size_t n = 0; n < y.size(); ++n) {
        const long double e = y[n] - ref[n];
        sum += e * e;
    }
    SimulatedNoise s;
    s.exact = sum == 0;
    s.power = static_cast<double>(sum / static_cast<long double>(y.size()));
    return s;
}

// The worst-case inputs: the data word's extremes with the signs of the taps, so that
// the N-th output is the largest sum, then, after N more, the smallest.
void worstCase(FirFigures& f, const FirImplementation& im) {
    FirSimulator sim(im);
    const std::size_t n = im.taps.size();
    const long long top = (1LL << (im.arithmetic.dataBits - 1)) - 1, bottom = -top - 1;
    const double lsb = sim.lastBit();
    long double high = 0, low = 0;
    for (int pass = 0; pass < 2; ++pass)
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t k = n - 1 - i; // this sample meets tap k at the last step
            const std::int64_t c = im.fixed[k];
            const long long x = (c > 0) == (pass == 0) ? top : c == 0 ? 0 : bottom;
            sim.stepFixed(x);
            (pass == 0 ? high : low) += static_cast<long double>(im.quantised[k]) * x * lsb;
        }
    f.worstHigh = static_cast<double>(high);
    f.worstLow = static_cast<double>(low);
    f.worstCaseOverflows = sim.counts().overflows;
    f.worstCaseSamples = static_cast<long long>(2 * n);
}

// The words checked by the search for the shortest: the taps at C bits meet the request
// (without one: stay within 0.1 dB of the file's taps where |H| is within 3 dB of its peak).
bool coefficientsSuffice(const FirFilter& filter, const Arithmetic& a,
                         const std::vector<long double>& ideal, const FirFigures& figures,
                         const ReportOptions& o) {
    FirImplementation im;
    try {
        im = realiseFir(filter, a);
    } catch (const UserMessage&) {
        return false;
    }
    if (o.request)
        return meets(measureBands(im.quantised, *o.request), figures.ideal, *o.request);
    return passbandDeviation(ideal, magnitudes(im.quantised)) <= passbandTolerance;
}

double snrOf(double peakGain, double power) {
    return decibels(fullScaleSinePower * peakGain * peakGain / power);
}

void smallestWords(FirFigures& f, const FirFilter& filter, const Arithmetic& arithmetic,
                   const std::vector<long double>& ideal, const ReportOptions& o) {
    f.smallestSearched = true;
    const Target t = arithmetic.target;
    if (t != Target::Q15 && t != Target::Q31 && t != Target::Fixed) {
        f.smallestNotApplicable = true;
        return;
    }
    // The words of the fixed target with the rules of the one chosen.
    Arithmetic a = namedArithmetic(t, arithmetic);
    a.target = Target::Fixed;
    for (int c = minimumBits; c <= maximumBits && !f.minCoefBits; ++c) {
        a.coefBits = c;
        if (coefficientsSuffice(filter, a, ideal, f, o))
            f.minCoefBits = c;
    }
    if (!f.minCoefBits)
        return;
    a.coefBits = *f.minCoefBits;
    for (int w = minimumBits; w <= maximumBits; ++w) {
        a.dataBits = w;
        const FirImplementation im = realiseFir(filter, a);
        const double l1 = f.l1Norm;
        const SimulatedNoise noise = simulatedNoise(im, l1 > 1 ? 1 / l1 : 1, o);
        const std::vector<long double> response = magnitudes(im.quantised);
        const double gain = static_cast<double>(*std::ranges::max_element(response));
        if (noise.exact || (gain > 0 && snrOf(gain, noise.power) >= o.snrTarget)) {
            f.minDataBits = w;
            return;
        }
    }
}

std::string number(double v) {
    return figureNumber(v);
}

} // namespace

namespace {

// The one rounding's error, from the output step q = 2^-(W-1) and the number M of residues
// the accumulator can leave below it: its mean square and its mean.
struct RoundingError {
    long double meanSquare = 0;
    long double mean = 0;
};

RoundingError roundingError(const FirImplementation& im) {
    if (!fixedPointTarget(im.arithmetic.target))
        return {};
    const int f = im.fraction;
    int zeros = f; // of the largest power of two dividing every tap, at most f
    for (std::int64_t c : im.fixed)
        if (c != 0)
            zeros =
                std::min(zeros, static_cast<int>(std::countr_zero(static_cast<std::uint64_t>(c))));
    const long double q = std::ldexp(1.0L, -(im.arithmetic.dataBits - 1));
    const long double m = std::ldexp(1.0L, f - zeros);
    if (m == 1)
        return {};
    const long double d = q / m;
    if (im.arithmetic.rounding == Rounding::Nearest)
        return {q * q / 12 + d * d / 6, d / 2};
    return {d * d * (m - 1) * (2 * m - 1) / 6, -(m - 1) * d / 2};
}

} // namespace

double firRoundingNoise(const FirImplementation& im) {
    return static_cast<double>(roundingError(im).meanSquare);
}

double firRoundingMean(const FirImplementation& im) {
    return static_cast<double>(roundingError(im).mean);
}

FirFigures firFigures(const FirFilter& filter, const Arithmetic& arithmetic,
                      const ReportOptions& o) {
    const FirImplementation im = realiseFir(filter, arithmetic);
    FirFigures f;
    f.arithmetic = im.arithmetic;
    f.taps = im.taps.size();
    f.fraction = im.fraction;
    const bool fixed = fixedPointTarget(im.arithmetic.target);

    for (std::size_t k = 0; k < im.taps.size(); ++k) {
        f.largestTapError = std::max(f.largestTapError, std::fabs(im.quantised[k] - im.taps[k]));
        f.l1Norm += std::fabs(im.quantised[k]);
    }
    const std::vector<long double> ideal = magnitudes(im.taps);
    const std::vector<long double> quantised = magnitudes(im.quantised);
    f.passbandDeviation = passbandDeviation(ideal, quantised);
    f.peakGain = static_cast<double>(*std::ranges::max_element(quantised));
    if (o.request) {
        f.requestGiven = true;
        f.ideal = measureBands(im.taps, *o.request);
        f.measured = measureBands(im.quantised, *o.request);
        f.meetsRequest = meets(f.measured, f.ideal, *o.request);
    }

    if (fixed) {
        worstCase(f, im);
        f.overflowPossible = f.worstCaseOverflows > 0;
        f.analyticNoise = true;
        f.noiseAnalyticPower = firRoundingNoise(im);
        f.noiseAnalyticDbfs = decibels(f.noiseAnalyticPower / fullScaleSinePower);
        f.snrAnalyticDb = snrOf(f.peakGain, f.noiseAnalyticPower);
    }
    f.noiseAmplitude = f.l1Norm > 1 ? 1 / f.l1Norm : 1;
    const SimulatedNoise noise = simulatedNoise(im, f.noiseAmplitude, o);
    f.noiselessSimulation = noise.exact;
    f.noiseSimulatedPower = noise.power;
    f.noiseSimulatedDbfs = decibels(noise.power / fullScaleSinePower);
    f.snrSimulatedDb = snrOf(f.peakGain, noise.power);
    if (o.smallestWords)
        smallestWords(f, filter, arithmetic, ideal, o);
    return f;
}

std::vector<std::string> firFigureLines(const FirFigures& f) {
    std::vector<std::string> lines;
    lines.push_back("Реализация КИХ-фильтра: " + arithmeticText(f.arithmetic) + "; отводов " +
                    std::to_string(f.taps) + "; один точный накопитель по всем отводам" +
                    (fixedPointTarget(f.arithmetic.target) ? " и одно округление выхода" : ""));
    if (fixedPointTarget(f.arithmetic.target))
        lines.push_back("Отводы: целые числа, умноженные на 2^-" + std::to_string(f.fraction));
    lines.push_back("Наибольшая ошибка квантования отвода:" + number(f.largestTapError));
    lines.push_back("Наибольшее отклонение АЧХ от неквантованной в полосе пропускания (АЧХ не "
                    "ниже -3 dB от наибольшей):" +
                    number(f.passbandDeviation) + " dB");
    if (f.requestGiven) {
        std::string t = "Требования ";
        t += f.meetsRequest ? "выполнены" : "не выполнены";
        if (f.measured.rippleMeasured)
            t += ": неравномерность" + number(f.measured.ripple) + " dB";
        if (f.measured.attenuationMeasured)
            t += ", затухание" + number(f.measured.attenuation) + " dB";
        if (f.ideal.rippleMeasured)
            t += " (без квантования" + number(f.ideal.ripple) + " dB" +
                 (f.ideal.attenuationMeasured ? "," + number(f.ideal.attenuation) + " dB" : "") +
                 ")";
        lines.push_back(t);
    }
    lines.push_back("Норма L1 импульсной характеристики (сумма модулей отводов):" +
                    number(f.l1Norm));
    if (fixedPointTarget(f.arithmetic.target)) {
        const std::string worst = "наихудший вход дал суммы" + number(f.worstHigh) + " и" +
                                  number(f.worstLow) +
                                  ", переполнений: " + std::to_string(f.worstCaseOverflows) +
                                  " на " + samplesText(f.worstCaseSamples);
        lines.push_back(f.overflowPossible
                            ? "Внимание: переполнение возможно при входе в пределах полной "
                              "шкалы; " +
                                  worst
                            : "Переполнение при входе в пределах полной шкалы невозможно; " +
                                  worst);
    }
    if (f.analyticNoise)
        lines.push_back(
            "Шум округления расчетный (одно округление выхода):" + number(f.noiseAnalyticDbfs) +
            " dB полной шкалы, сигнал/шум" + number(f.snrAnalyticDb) + " dB");
    if (f.noiselessSimulation)
        lines.push_back("Шум округления по моделированию: выход совпал с точным");
    else
        lines.push_back("Шум округления по моделированию:" + number(f.noiseSimulatedDbfs) +
                        " dB полной шкалы, сигнал/шум" + number(f.snrSimulatedDb) + " dB");
    lines.push_back("Предельных циклов у КИХ-фильтра нет: обратной связи нет, при нулевом входе "
                    "выход через N отсчетов равен нулю");
    if (f.smallestSearched) {
        if (f.smallestNotApplicable)
            lines.push_back("Наименьшие длины слов ищутся только для q15, q31 и fixed: у "
                            "арифметики " +
                            targetName(f.arithmetic.target) + " слова заданы");
        else
            lines.push_back(
                "Наименьшая длина коэффициентов C: " +
                (f.minCoefBits ? std::to_string(*f.minCoefBits) + " бит" : "не найдена") +
                "; наименьшая длина данных W: " +
                (f.minDataBits ? std::to_string(*f.minDataBits) + " бит" : "не найдена"));
    }
    return lines;
}

std::string firFiguresJson(const FirFigures& f) {
    const bool fixed = fixedPointTarget(f.arithmetic.target);
    const auto optional = [](const std::optional<int>& v) {
        return v ? std::to_string(*v) : std::string("null");
    };
    std::string j =
        "{\"filter\": \"fir\", \"target\": " + jsonString(targetName(f.arithmetic.target));
    j += ", \"taps\": " + std::to_string(f.taps);
    j += ", \"data_bits\": " + (fixed ? std::to_string(f.arithmetic.dataBits) : "null");
    j += ", \"coef_bits\": " + (fixed ? std::to_string(f.arithmetic.coefBits) : "null");
    j += ", \"coef_fraction\": " + (fixed ? std::to_string(f.fraction) : "null");
    j += ", \"largest_tap_error\": " + jsonNumber(f.largestTapError);
    j += ", \"passband_deviation_db\": " + jsonNumber(f.passbandDeviation);
    if (f.requestGiven) {
        j += ", \"ripple_db\": " +
             (f.measured.rippleMeasured ? jsonNumber(f.measured.ripple) : "null");
        j += ", \"attenuation_db\": " +
             (f.measured.attenuationMeasured ? jsonNumber(f.measured.attenuation) : "null");
        j += ", \"ideal_ripple_db\": " +
             (f.ideal.rippleMeasured ? jsonNumber(f.ideal.ripple) : "null");
        j += ", \"ideal_attenuation_db\": " +
             (f.ideal.attenuationMeasured ? jsonNumber(f.ideal.attenuation) : "null");
        j += ", \"meets_request\": " + jsonBool(f.meetsRequest);
    }
    j += ", \"l1_norm\": " + jsonNumber(f.l1Norm);
    j += ", \"overflow_possible\": " + jsonBool(f.overflowPossible);
    if (fixed) {
        j += ", \"worst_case_high\": " + jsonNumber(f.worstHigh);
        j += ", \"worst_case_low\": " + jsonNumber(f.worstLow);
        j += ", \"worst_case_overflows\": " + std::to_string(f.worstCaseOverflows);
    }
    j += ", \"peak_gain\": " + jsonNumber(f.peakGain);
    j += ", \"noise_analytic_power\": " +
         (f.analyticNoise ? jsonNumber(f.noiseAnalyticPower) : "null");
    j += ", \"noise_analytic_dbfs\": " +
         (f.analyticNoise ? jsonNumber(f.noiseAnalyticDbfs) : "null");
    j += ", \"snr_analytic_db\": " + (f.analyticNoise ? jsonNumber(f.snrAnalyticDb) : "null");
    j += ", \"noise_simulated_power\": " + jsonNumber(f.noiseSimulatedPower);
    j += ", \"noise_simulated_dbfs\": " + jsonNumber(f.noiseSimulatedDbfs);
    j += ", \"snr_simulated_db\": " + jsonNumber(f.snrSimulatedDb);
    j += ", \"limit_cycles\": false";
    if (f.smallestSearched) {
        j += ", \"min_coef_bits\": " + optional(f.minCoefBits);
        j += ", \"min_data_bits\": " + optional(f.minDataBits);
    }
    return j + "}";
}

} // namespace zorkan
