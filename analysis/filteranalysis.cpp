#include "analysis/filteranalysis.h"

#include "cascade/response.h"
#include "cascade/roots.h"
#include "cascade/secondorder.h"
#include "common/displaynumbers.h"
#include "common/errors.h"
#include "common/floatfaults.h"
#include "common/textnumbers.h"
#include "fir/firproperties.h"
#include "modelling/filtering.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zorkan {

namespace {

using real = long double;
using creal = std::complex<long double>;

constexpr real pi = 3.141592653589793238462643383279502884L;

double cleanZero(double v) {
    return v == 0 ? 0.0 : v;
}

// (-j)^m k^m: the factor the m-th derivative in omega puts on the k-th term.
creal derivativeFactor(int k, int m) {
    static const creal turns[4] = {creal(1, 0), creal(0, -1), creal(-1, 0), creal(0, 1)};
    return turns[m % 4] * std::pow(static_cast<real>(k), m);
}

// The group delay of one polynomial c0 + c1 z^-1 + ... + cd z^-d at z = e^(j omega),
// with e[k] = e^(-j omega k). With C(omega) the polynomial's value, the delay is
// Re{j C'/C}; where C vanishes (a root on the unit circle) to order m it is the limit
// Re{j C^(m+1) / ((m + 1) C^(m))}. False when the polynomial vanishes entirely.
// Values of a polynomial below `floor` of the sum of its terms' moduli count as a root
// on the unit circle.
constexpr real sectionValueFloor = 1e-15L;

bool polynomialDelay(const double* c, int d, const creal* e, real& delay,
                     real floor = sectionValueFloor) {
    // Away from a root on the unit circle, the plain formula Re{sum k c_k e_k / sum c_k e_k}.
    {
        real vr = 0, vi = 0, wr = 0, wi = 0, scale = 0;
        for (int k = 0; k <= d; ++k) {
            const real ck = c[k];
            vr += ck * e[k].real();
            vi += ck * e[k].imag();
            wr += k * ck * e[k].real();
            wi += k * ck * e[k].imag();
            scale += std::fabs(ck);
        }
        const real size = std::hypot(vr, vi);
        if (scale != 0 && size > floor * scale) {
            delay = (wr * vr + wi * vi) / (vr * vr + vi * vi);
            return true;
        }
    }
    for (int m = 0; m <= d; ++m) {
        creal value = 0;
        real scale = 0;
        for (int k = 0; k <= d; ++k) {
            value += static_cast<real>(c[k]) * derivativeFactor(k, m) * e[k];
            scale += std::fabs(static_cast<real>(c[k])) * std::pow(static_cast<real>(k), m);
        }
        if (scale == 0 || std::abs(value) <= floor * scale)
            continue;
        creal next = 0;
        for (int k = 0; k <= d; ++k)
            next += static_cast<real>(c[k]) * derivativeFactor(k, m + 1) * e[k];
        delay = (creal(0, 1) * next / (static_cast<real>(m + 1) * value)).real();
        return true;
    }
    return false;
}

std::string silentSectionMessage(int section) {
    return "Числитель секции " + std::to_string(section) +
           " равен нулю: фильтр ничего не пропускает, групповое время задержки не определено";
}

std::string listOf(const std::vector<int>& sections) {
    std::string text;
    for (int s : sections)
        text += (text.empty() ? "" : ", ") + std::to_string(s);
    return text;
}

std::string kindName(FilterKind kind) {
    switch (kind) {
    case lowPass:
        return "нижних частот";
    case highPass:
        return "верхних частот";
    case bandPass:
        return "полосовой";
    default:
        return "вид " + std::to_string(kind);
    }
}

} // namespace

int sectionDegree(const FilterCoefficients& filter) {
    return filter.kind == bandPass ? 4 : 2;
}

std::vector<FilterRoot> filterRoots(const FilterCoefficients& filter) {
    const int d = sectionDegree(filter);
    std::vector<FilterRoot> roots;
    for (std::size_t k = 0; k < filter.sections.size(); ++k) {
        for (const bool pole : {false, true}) {
            const double* c = pole ? filter.sections[k].b : filter.sections[k].a;
            for (const PolynomialRoot& found : rootsWithMultiplicity(c, d)) {
                const creal z = found.z;
                FilterRoot r;
                r.section = static_cast<int>(k) + 1;
                r.pole = pole;
                r.re = cleanZero(fp::toDouble(z.real()));
                r.im = cleanZero(fp::toDouble(z.imag()));
                r.radius = fp::toDouble(std::abs(z));
                r.angle = cleanZero(static_cast<double>(std::atan2(z.imag(), z.real())));
                r.multiplicity = found.multiplicity;
                roots.push_back(r);
            }
        }
    }
    return roots;
}

Stability stabilityOf(const FilterCoefficients& filter, const std::vector<FilterRoot>& roots) {
    Stability s;
    for (const FilterRoot& r : roots) {
        if (r.pole && (s.section == 0 || r.radius > s.maxRadius)) {
            s.maxRadius = r.radius;
            s.section = r.section;
        }
    }
    const int d = sectionDegree(filter);
    for (std::size_t k = 0; k < filter.sections.size(); ++k) {
        if (!insideUnitCircle(filter.sections[k].b, d)) {
            s.stable = false;
            s.unstableSections.push_back(static_cast<int>(k) + 1);
        }
    }
    return s;
}

long double groupDelayAt(const FilterCoefficients& filter, long double omega) {
    const int d = sectionDegree(filter);
    creal e[5];
    for (int k = 0; k <= d; ++k)
        e[k] = creal(std::cos(k * omega), -std::sin(k * omega));
    real total = 0;
    for (std::size_t k = 0; k < filter.sections.size(); ++k) {
        real numerator = 0, denominator = 0;
        if (!polynomialDelay(filter.sections[k].a, d, e, numerator))
            throw UserMessage(silentSectionMessage(static_cast<int>(k) + 1));
        if (!polynomialDelay(filter.sections[k].b, d, e, denominator))
            throwInvalidOperation();
        total += numerator - denominator;
    }
    return fp::checked(total);
}

void checkSampleCount(long long count) {
    if (count < 1 || count > maxAnalysisSamples)
        throw UserMessage("Число отсчетов должно быть от 1 до " +
                          std::to_string(maxAnalysisSamples));
}

void checkSamplingFrequency(double fd) {
    if (!(fd > 0) || !std::isfinite(fd))
        throw UserMessage("Частота дискретизации должна быть больше нуля");
}

namespace {

// The delay table of any delay function of the angle.
template <class DelayAt>
std::vector<GroupDelayRow> delayTable(DelayAt delayAt, int count, double fd) {
    checkSampleCount(count);
    checkSamplingFrequency(fd);
    std::vector<GroupDelayRow> rows(static_cast<std::size_t>(count));
    const real last = count > 1 ? count - 1 : 1;
    for (int i = 0; i < count; ++i) {
        GroupDelayRow& row = rows[i];
        row.frequency = fp::toDouble(i * static_cast<real>(fd) / (2 * last));
        const real tau = delayAt(pi * i / last);
        row.samples = cleanZero(fp::toDouble(tau));
        row.seconds = cleanZero(fp::toDouble(tau / fd));
    }
    return rows;
}

} // namespace

std::vector<GroupDelayRow> groupDelayTable(const FilterCoefficients& filter, int count, double fd) {
    return delayTable([&](real omega) { return groupDelayAt(filter, omega); }, count, fd);
}

void cascadeResponse(const FilterCoefficients& filter, int count, bool step,
                     std::vector<double>& out) {
    checkSampleCount(count);
    const std::vector<FilterSection> sections = sectionsOverB0(filter);
    std::vector<SectionState> states(sections.size());
    out.reserve(out.size() + static_cast<std::size_t>(count));
    for (int n = 0; n < count; ++n) {
        double x = step || n == 0 ? 1.0 : 0.0;
        for (std::size_t k = 0; k < states.size(); ++k)
            x = states[k].step(sections[k], x);
        out.push_back(x);
    }
}

RealGain gainAtReal(const FilterCoefficients& filter, long double z) {
    RealGain g;
    const CascadeValue v = cascadeValueAt(filter.sections, sectionDegree(filter), z);
    if (v.pole) {
        g.infinite = true;
        return g;
    }
    if (v.overflow) {
        g.overflow = true;
        g.value = std::copysign(std::numeric_limits<double>::infinity(),
                                static_cast<double>(v.value.real()));
        return g;
    }
    g.value = cleanZero(static_cast<double>(v.value.real()));
    return g;
}

namespace {

// The largest delay on [a, b] by golden-section search, for a bracket whose grid middle
// stood above both ends. Eighty steps shrink a grid bracket below the resolution of
// extended precision.
template <class DelayAt> DelayPeak goldenSectionPeak(DelayAt delayAt, real a, real b) {
    const real g = (std::sqrt(5.0L) - 1) / 2;
    real c = b - g * (b - a), d = a + g * (b - a);
    real fc = delayAt(c), fdd = delayAt(d);
    for (int i = 0; i < 80; ++i) {
        if (fc >= fdd) {
            b = d;
            d = c;
            fdd = fc;
            c = b - g * (b - a);
            fc = delayAt(c);
        } else {
            a = c;
            c = d;
            fc = fdd;
            d = a + g * (b - a);
            fdd = delayAt(d);
        }
    }
    return fc >= fdd ? DelayPeak{fc, c} : DelayPeak{fdd, d};
}

// The delay is even about 0 and about pi (real coefficients): a bracket may reach past
// either end, and the angle found is folded back into 0 .. pi.
real folded(real omega) {
    if (omega < 0)
        omega = -omega;
    if (omega > pi)
        omega = 2 * pi - omega;
    return omega;
}

template <class DelayAt> DelayPeak largestDelay(DelayAt delayAt) {
    const int last = summaryDelayPoints - 1;
    std::vector<real> grid(summaryDelayPoints);
    for (int i = 0; i <= last; ++i)
        grid[i] = delayAt(pi * i / last);
    DelayPeak best{grid[0], 0};
    std::vector<int> peaks;
    for (int i = 0; i <= last; ++i) {
        if (grid[i] > best.samples)
            best = {grid[i], pi * i / last};
        // By the evenness, the neighbour beyond an end is the one inside.
        const real left = grid[i > 0 ? i - 1 : 1];
        const real right = grid[i < last ? i + 1 : last - 1];
        if (grid[i] >= left && grid[i] >= right && (grid[i] > left || grid[i] > right))
            peaks.push_back(i);
    }
    std::sort(peaks.begin(), peaks.end(), [&](int a, int b) { return grid[a] > grid[b]; });
    if (peaks.size() > static_cast<std::size_t>(summaryRefinedPeaks))
        peaks.resize(summaryRefinedPeaks);
    // A gain below the resolution of a double is rounding, not a better peak: the angle of
    // a grid point (0 or pi for a peak at an end) stays.
    const real margin = 1e-16L * std::fabs(best.samples);
    const real gridBest = best.samples;
    for (int i : peaks) {
        const DelayPeak p = goldenSectionPeak(delayAt, pi * (i - 1) / last, pi * (i + 1) / last);
        if (p.samples > best.samples && p.samples > gridBest + margin)
            best = {p.samples, folded(p.omega)};
    }
    return best;
}

} // namespace

DelayPeak largestGroupDelay(const FilterCoefficients& filter) {
    return largestDelay([&](real omega) { return groupDelayAt(filter, omega); });
}

FilterSummary summarise(const FilterCoefficients& filter, const std::vector<FilterRoot>& roots,
                        double fd) {
    checkSamplingFrequency(fd);
    FilterSummary s;
    s.sections = static_cast<int>(filter.sections.size());
    s.kind = filter.kind;
    s.order = static_cast<int>(filterOrder(filter));
    for (std::size_t k = 0; k < filter.sections.size(); ++k) {
        const FilterSection& section = filter.sections[k];
        if (std::all_of(section.a, section.a + 5, [](double v) { return v == 0; }))
            s.silentSections.push_back(static_cast<int>(k) + 1);
        if (section.b[0] != 1)
            s.scaledSections.push_back(static_cast<int>(k) + 1);
    }
    s.stability = stabilityOf(filter, roots);
    s.dcGain = gainAtReal(filter, 1);
    s.halfGain = gainAtReal(filter, -1);
    s.delayDefined = s.silentSections.empty();
    if (s.delayDefined) {
        const DelayPeak peak = largestGroupDelay(filter);
        s.maxDelay = cleanZero(fp::toDouble(peak.samples));
        s.maxDelayFrequency = cleanZero(fp::toDouble(peak.omega * fd / (2 * pi)));
    }
    return s;
}

std::string gainText(const RealGain& g) {
    if (g.infinite)
        return " бесконечность (полюс на этой частоте)";
    if (g.overflow)
        return " по модулю больше наибольшего числа double (переполнение; полюса на этой "
               "частоте нет)";
    if (g.value == 0)
        return formatReal(0.0) + " (нуль передачи)";
    return formatReal(g.value) + " (" +
           formatReal(fp::toDouble(20 * fp::log10(std::fabs(g.value)))) + " дБ)";
}

std::string rootLine(const FilterRoot& r) {
    return std::to_string(r.section) + (r.pole ? " полюс " : " нуль ") + formatReal(r.re) + " " +
           formatReal(r.im) + " " + formatReal(r.radius) + " " + formatReal(r.angle);
}

std::vector<std::string> summaryLines(const FilterSummary& s, double fd) {
    std::vector<std::string> lines;
    lines.push_back("Фильтр " + kindName(s.kind) + ": порядок " + std::to_string(s.order) +
                    ", секций " + std::to_string(s.sections));
    const Stability& st = s.stability;
    std::string stability = st.stable ? "Фильтр устойчив" : "Фильтр неустойчив";
    stability += ": наибольший радиус полюса" + formatReal(st.maxRadius);
    if (st.section > 0)
        stability += " (секция " + std::to_string(st.section) + ")";
    if (!st.stable)
        stability +=
            "; полюса на единичной окружности или вне ее в секциях " + listOf(st.unstableSections);
    lines.push_back(stability);
    lines.push_back("Коэффициент передачи на частоте 0:" + gainText(s.dcGain));
    lines.push_back("Коэффициент передачи на частоте FD/2:" + gainText(s.halfGain));
    if (s.delayDefined)
        lines.push_back(
            "Наибольшее групповое время задержки:" + formatReal(s.maxDelay) + " отсчетов," +
            formatReal(fp::toDouble(s.maxDelay / static_cast<real>(fd))) + " с на частоте" +
            formatReal(s.maxDelayFrequency) + " (FD =" + formatReal(fd) + ")");
    else
        lines.push_back("Групповое время задержки не определено: числитель секций " +
                        listOf(s.silentSections) + " равен нулю");
    if (!s.scaledSections.empty())
        lines.push_back("Внимание: B0 не равен 1 в секциях " + listOf(s.scaledSections) +
                        "; секции берутся как A/B, как в окне частотных характеристик");
    return lines;
}

std::vector<FilterRoot> firRoots(const std::vector<double>& taps) {
    std::vector<FilterRoot> roots;
    if (taps.empty())
        return roots;
    const int degree = static_cast<int>(taps.size()) - 1;
    for (const PolynomialRoot& found : rootsWithMultiplicity(taps.data(), degree)) {
        const creal z = found.z;
        FilterRoot r;
        r.section = 1;
        r.re = cleanZero(fp::toDouble(z.real()));
        r.im = cleanZero(fp::toDouble(z.imag()));
        r.radius = fp::toDouble(std::abs(z));
        r.angle = cleanZero(static_cast<double>(std::atan2(z.imag(), z.real())));
        r.multiplicity = found.multiplicity;
        roots.push_back(r);
    }
    FilterRoot origin;
    origin.section = 1;
    origin.pole = true;
    origin.multiplicity = degree;
    roots.insert(roots.end(), static_cast<std::size_t>(degree), origin);
    return roots;
}

long double firGroupDelayAt(const std::vector<double>& taps, long double omega) {
    // Horner's scheme errs by up to 2n units of the last digit of extended precision of
    // the sum of the taps' moduli; a value within a million times that is taken as a zero
    // on the unit circle, where the limit is computed: nearer, the ratio below would be
    // that rounding divided by itself (a symmetric filter of 8192 taps showed delays of
    // 6e9 samples in its stop band).
    const real floor = std::max(sectionValueFloor, 2 * static_cast<real>(taps.size()) *
                                                       std::numeric_limits<real>::epsilon() * 1e6L);
    // Away from a zero on the unit circle, Re{W / V} with V = sum h[k] x^k and
    // W = sum k h[k] x^k at x = e^(-j omega), both by Horner's scheme.
    {
        const real xr = std::cos(omega), xi = -std::sin(omega);
        real vr = 0, vi = 0, wr = 0, wi = 0, scale = 0;
        for (std::size_t k = taps.size(); k-- > 0;) {
            const real h = taps[k];
            const real nv = vr * xr - vi * xi + h;
            vi = vr * xi + vi * xr;
            vr = nv;
            const real nw = wr * xr - wi * xi + static_cast<real>(k) * h;
            wi = wr * xi + wi * xr;
            wr = nw;
            scale += std::fabs(h);
        }
        if (scale != 0 && std::hypot(vr, vi) > floor * scale)
            return fp::checked((wr * vr + wi * vi) / (vr * vr + vi * vi));
    }
    std::vector<creal> e(taps.size());
    for (std::size_t k = 0; k < taps.size(); ++k)
        e[k] = std::polar(1.0L, -static_cast<real>(k) * omega);
    real delay = 0;
    if (taps.empty() ||
        !polynomialDelay(taps.data(), static_cast<int>(taps.size()) - 1, e.data(), delay, floor))
        throw UserMessage(
            "Все коэффициенты КИХ-фильтра равны нулю: групповое время задержки не определено");
    return fp::checked(delay);
}

std::vector<GroupDelayRow> firGroupDelayTable(const std::vector<double>& taps, int count,
                                              double fd) {
    return delayTable([&](real omega) { return firGroupDelayAt(taps, omega); }, count, fd);
}

DelayPeak largestFirGroupDelay(const std::vector<double>& taps) {
    return largestDelay([&](real omega) { return firGroupDelayAt(taps, omega); });
}

void firResponse(const std::vector<double>& taps, int count, bool step, std::vector<double>& out) {
    checkSampleCount(count);
    out.reserve(out.size() + static_cast<std::size_t>(count));
    real sum = 0;
    for (int n = 0; n < count; ++n) {
        const real h = static_cast<std::size_t>(n) < taps.size() ? taps[n] : 0;
        sum += h;
        out.push_back(cleanZero(step ? fp::toDouble(sum) : static_cast<double>(h)));
    }
}

FirSummary summariseFir(const std::vector<double>& taps, double fd) {
    checkSamplingFrequency(fd);
    FirSummary s;
    s.taps = static_cast<int>(taps.size());
    s.linearPhase = linearPhaseType(taps);
    real dc = 0, half = 0;
    for (std::size_t k = 0; k < taps.size(); ++k) {
        dc += taps[k];
        half += k % 2 == 0 ? taps[k] : -taps[k];
    }
    s.dcGain.value = cleanZero(fp::toDouble(dc));
    s.halfGain.value = cleanZero(fp::toDouble(half));
    s.delayDefined = std::any_of(taps.begin(), taps.end(), [](double h) { return h != 0; });
    if (s.delayDefined) {
        const DelayPeak peak = largestFirGroupDelay(taps);
        s.maxDelay = cleanZero(fp::toDouble(peak.samples));
        s.maxDelayFrequency = cleanZero(fp::toDouble(peak.omega * fd / (2 * pi)));
    }
    return s;
}

namespace {

std::string phaseText(int type) {
    const std::string tolerance = "коэффициенты совпадают с точностью " +
                                  formatGeneral(linearPhaseTolerance, '.') +
                                  " от наибольшего по модулю";
    switch (type) {
    case 1:
        return "Фаза линейная, тип I: коэффициенты симметричны, длина нечетная (" + tolerance + ")";
    case 2:
        return "Фаза линейная, тип II: коэффициенты симметричны, длина четная (" + tolerance + ")";
    case 3:
        return "Фаза линейная, тип III: коэффициенты антисимметричны, длина нечетная (" +
               tolerance + ")";
    case 4:
        return "Фаза линейная, тип IV: коэффициенты антисимметричны, длина четная (" + tolerance +
               ")";
    default:
        return "Фаза нелинейная: коэффициенты не симметричны и не антисимметричны";
    }
}

} // namespace

std::vector<std::string> firSummaryLines(const FirSummary& s, double fd) {
    std::vector<std::string> lines;
    lines.push_back("КИХ-фильтр: коэффициентов " + std::to_string(s.taps) + ", порядок " +
                    std::to_string(s.taps - 1));
    lines.push_back(s.taps > 1 ? "Фильтр устойчив: все полюсы (" + std::to_string(s.taps - 1) +
                                     ") в начале координат z = 0"
                               : "Фильтр устойчив: полюсов нет");
    lines.push_back(phaseText(s.linearPhase));
    lines.push_back("Коэффициент передачи на частоте 0:" + gainText(s.dcGain));
    lines.push_back("Коэффициент передачи на частоте FD/2:" + gainText(s.halfGain));
    if (s.delayDefined)
        lines.push_back(
            "Наибольшее групповое время задержки:" + formatReal(s.maxDelay) + " отсчетов," +
            formatReal(fp::toDouble(s.maxDelay / static_cast<real>(fd))) + " с на частоте" +
            formatReal(s.maxDelayFrequency) + " (FD =" + formatReal(fd) + ")");
    else
        lines.push_back("Групповое время задержки не определено: все коэффициенты равны нулю");
    return lines;
}

} // namespace zorkan
