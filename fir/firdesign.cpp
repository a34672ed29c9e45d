#include "fir/firdesign.h"

#include "fir/firproperties.h"

#include "common/displaynumbers.h"
#include "common/errors.h"
#include "common/json.h"
#include "fir/firfile.h"
#include "fir/goldensection.h"
#include "fir/kaiser.h"
#include "fir/leastsquares.h"
#include "fir/minimumphase.h"
#include "fir/remez.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <map>
#include <numbers>

namespace zorkan {

namespace {

constexpr double pi = std::numbers::pi;
// A figure within this many dB beyond its bound still meets it (rounding).
constexpr double meetSlack = 1e-9;
// A half-band filter's stop edge given with its pass edge is FD/2 - pass within this
// fraction of FD.
constexpr double halfBandEdgeTolerance = 1e-9;
// Kaiser's estimate of the equiripple length: (-20 log10 sqrt(dp ds) - 13) / (14.6 df) + 1.
constexpr double estimateOffset = 13;
constexpr double estimateSlope = 14.6;
// A request whose estimate is beyond this many times maxFirTaps is refused unsearched.
constexpr double hopelessEstimate = 2;
// Where the search for a differentiator without a transition band starts.
constexpr std::size_t fullBandStart = 16;
// Decimals of the figures in dB in the report.
constexpr int decibelDecimals = 3;

struct EdgeLayout {
    const char* name;
    std::size_t pass;
    std::size_t stopMin, stopMax;
    const char* order; // the edges in increasing frequency
};

EdgeLayout layoutOf(FirBandType type) {
    switch (type) {
    case FirBandType::LowPass:
        return {"lowpass", 1, 1, 1, "pass F < stop F"};
    case FirBandType::HighPass:
        return {"highpass", 1, 1, 1, "stop F < pass F"};
    case FirBandType::BandPass:
        return {"bandpass", 2, 2, 2, "stop F1 < pass F1 < pass F2 < stop F2"};
    case FirBandType::BandStop:
        return {"bandstop", 2, 2, 2, "pass F1 < stop F1 < stop F2 < pass F2"};
    case FirBandType::HalfBand:
        return {"halfband", 1, 0, 1, "pass F < FD/4, stop F = FD/2 - pass F"};
    case FirBandType::Hilbert:
        return {"hilbert", 2, 0, 0, "pass F1 < pass F2"};
    default:
        return {"differentiator", 1, 0, 1, "pass F < stop F"};
    }
}

std::string plain(double v) {
    return formatGeneral(v, '.');
}

std::string countText(std::size_t n, const char* what) {
    if (n == 0)
        return std::string("без ") + what;
    return std::string(n == 1 ? "одна" : "две") + " " + what;
}

// The edges in increasing frequency, each marked pass (true) or stop.
std::vector<std::pair<double, bool>> orderedEdges(const FirRequest& rq) {
    const auto& p = rq.pass;
    const auto& s = rq.stop;
    switch (rq.type) {
    case FirBandType::LowPass:
        return {{p[0], true}, {s[0], false}};
    case FirBandType::HighPass:
        return {{s[0], false}, {p[0], true}};
    case FirBandType::BandPass:
        return {{s[0], false}, {p[0], true}, {p[1], true}, {s[1], false}};
    case FirBandType::BandStop:
        return {{p[0], true}, {s[0], false}, {s[1], false}, {p[1], true}};
    case FirBandType::HalfBand:
        return {{p[0], true}, {rq.fd / 2 - p[0], false}};
    case FirBandType::Hilbert:
        return {{p[0], true}, {p[1], true}};
    default:
        if (s.empty())
            return {{p[0], true}};
        return {{p[0], true}, {s[0], false}};
    }
}

// The bands of a request in cycles per sample, pass bands marked.
struct Plan {
    std::vector<FirBand> bands;
    std::vector<bool> pass;
    FirSymmetry symmetry = FirSymmetry::Even;
    double transition = 0; // the narrowest transition band, cycles per sample
    std::vector<PassInterval> kaiserPass;
    double unitFrequency = 0;
};

Plan planOf(const FirRequest& rq) {
    Plan plan;
    const double dp = passDeviation(rq.ripple);
    const double ds = stopDeviation(rq.attenuation);
    std::vector<double> p, s;
    for (double v : rq.pass)
        p.push_back(v / rq.fd);
    for (double v : rq.stop)
        s.push_back(v / rq.fd);
    auto add = [&](double lo, double hi, bool pass) {
        FirBand b;
        b.lo = lo;
        b.hi = hi;
        b.gain = pass ? 1 : 0;
        b.weight = pass ? 1 : dp / ds;
        plan.bands.push_back(b);
        plan.pass.push_back(pass);
    };
    switch (rq.type) {
    case FirBandType::LowPass:
        add(0, p[0], true);
        add(s[0], 0.5, false);
        plan.transition = s[0] - p[0];
        plan.kaiserPass = {{0, (p[0] + s[0]) / 2}};
        break;
    case FirBandType::HighPass:
        add(0, s[0], false);
        add(p[0], 0.5, true);
        plan.transition = p[0] - s[0];
        plan.kaiserPass = {{(s[0] + p[0]) / 2, 0.5}};
        plan.unitFrequency = 0.5;
        break;
    case FirBandType::BandPass:
        add(0, s[0], false);
        add(p[0], p[1], true);
        add(s[1], 0.5, false);
        plan.transition = std::min(p[0] - s[0], s[1] - p[1]);
        plan.kaiserPass = {{(s[0] + p[0]) / 2, (p[1] + s[1]) / 2}};
        plan.unitFrequency = (plan.kaiserPass[0].lo + plan.kaiserPass[0].hi) / 2;
        break;
    case FirBandType::BandStop:
        add(0, p[0], true);
        add(s[0], s[1], false);
        add(p[1], 0.5, true);
        plan.transition = std::min(s[0] - p[0], p[1] - s[1]);
        plan.kaiserPass = {{0, (p[0] + s[0]) / 2}, {(s[1] + p[1]) / 2, 0.5}};
        break;
    case FirBandType::HalfBand:
        add(0, p[0], true);
        add(0.5 - p[0], 0.5, false);
        plan.transition = 0.5 - 2 * p[0];
        plan.kaiserPass = {{0, 0.25}};
        break;
    case FirBandType::Hilbert:
        add(p[0], p[1], true);
        plan.symmetry = FirSymmetry::Odd;
        plan.transition = p[1] < 0.5 ? 2 * std::min(p[0], 0.5 - p[1]) : 2 * p[0];
        break;
    case FirBandType::Differentiator:
        add(0, p[0], true);
        plan.bands[0].gain = 2 * pi;
        plan.bands[0].proportional = true;
        if (!s.empty()) {
            add(s[0], 0.5, false);
            plan.transition = s[0] - p[0];
        } else if (p[0] < 0.5) {
            plan.transition = 0.5 - p[0];
        }
        plan.symmetry = FirSymmetry::Odd;
        break;
    }
    if (!rq.weights.empty())
        for (std::size_t b = 0; b < plan.bands.size(); ++b)
            plan.bands[b].weight = rq.weights[b];
    return plan;
}

[[noreturn]] void tooLong() {
    throw UserMessage("Требованиям нужно больше " + std::to_string(maxFirTaps) +
                      " коэффициентов: расширьте переходные полосы или ослабьте DA и B1");
}

// |H(f)| of any taps by Horner's rule in z^-1 = e^(-j 2 pi f); of exactly symmetric or
// antisymmetric taps as |A(f)|, A summed over half the taps by Clenshaw's recurrence.
class Magnitude {
  public:
    explicit Magnitude(const std::vector<double>& h) : h_(h) {
        const std::size_t n = h.size();
        bool symmetric = n > 0, antisymmetric = n > 0;
        for (std::size_t i = 0; i < n; ++i) {
            symmetric = symmetric && h[i] == h[n - 1 - i];
            antisymmetric = antisymmetric && h[i] == -h[n - 1 - i];
        }
        if (!symmetric && !antisymmetric)
            return;
        type_ = symmetric ? (n % 2 == 1 ? 1 : 2) : (n % 2 == 1 ? 3 : 4);
        const std::size_t m = n / 2;
        // The amplitude's coefficients b_k, k = 1 .. m (type I: b_0 too, at index 0).
        half_.assign(m + 1, 0.0);
        if (type_ == 1)
            half_[0] = h[m];
        for (std::size_t k = 1; k <= m; ++k)
            half_[k] = 2 * (type_ == 1 ? h[m + k] : h[m - k]);
    }

    double operator()(double f) const {
        if (type_ == 0) {
            const std::complex<double> back = std::polar(1.0, -2 * pi * f);
            std::complex<double> sum = 0;
            for (std::size_t n = h_.size(); n-- > 0;)
                sum = sum * back + h_[n];
            return std::abs(sum);
        }
        // sum b_k F_k with F_(k+1) = alpha F_k - F_(k-1) is u_1 F_1 - u_2 F_0.
        const bool halfSteps = type_ == 2 || type_ == 4;
        const double angle = (halfSteps ? pi : 2 * pi) * f;
        const double alpha = 2 * std::cos(halfSteps ? 2 * angle : angle);
        double u1 = 0, u2 = 0;
        for (std::size_t k = half_.size() - 1; k >= 1; --k) {
            const double u = half_[k] + alpha * u1 - u2;
            u2 = u1;
            u1 = u;
        }
        switch (type_) {
        case 1: // F_k = cos(k angle): b_0 + u_1 cos(angle) - u_2
            return std::abs(half_[0] + u1 * std::cos(angle) - u2);
        case 2: // F_k = cos((2k - 1) angle), F_0 = F_1 = cos(angle)
            return std::abs(std::cos(angle) * (u1 - u2));
        case 3: // F_k = sin(k angle), F_0 = 0
            return std::abs(std::sin(angle) * u1);
        default: // F_k = sin((2k - 1) angle), F_0 = -F_1
            return std::abs(std::sin(angle) * (u1 + u2));
        }
    }

  private:
    const std::vector<double>& h_;
    int type_ = 0;
    std::vector<double> half_;
};

// The largest value of v over the band's grid, each local maximum refined.
template <class Function>
double bandPeak(double lo, double hi, double spacing, Function v, std::size_t& points) {
    const std::size_t n =
        hi > lo ? static_cast<std::size_t>(std::ceil((hi - lo) / spacing)) + 1 : 1;
    points += n;
    std::vector<double> f(n), values(n);
    for (std::size_t j = 0; j < n; ++j) {
        f[j] = n == 1
                   ? lo
                   : (j + 1 == n
                          ? hi
                          : lo + (hi - lo) * static_cast<double>(j) / static_cast<double>(n - 1));
        values[j] = v(f[j]);
    }
    double best = -HUGE_VAL;
    for (std::size_t j = 0; j < n; ++j) {
        const bool left = j == 0 || values[j] >= values[j - 1];
        const bool right = j + 1 == n || values[j] >= values[j + 1];
        if (!left || !right)
            continue;
        const double a = j == 0 ? f[j] : f[j - 1];
        const double b = j + 1 == n ? f[j] : f[j + 1];
        best = std::max(best, v(goldenPeak(a, b, f[j], v)));
    }
    return best;
}

double groupDelay(const std::vector<double>& h, double f) {
    const std::complex<double> back = std::polar(1.0, -2 * pi * f);
    std::complex<double> sum = 0, weighted = 0;
    for (std::size_t n = h.size(); n-- > 0;) {
        sum = sum * back + h[n];
        weighted = weighted * back + static_cast<double>(n) * h[n];
    }
    return (weighted / sum).real();
}

// The linear-phase request whose design, lifted by its stop-band ripple ds', is the square
// of the minimum-phase filter's magnitude: |G|^2 = (A + ds') / (1 + ds') has the ratio
// 10^(DA/10) in the pass bands and 2 ds' / (1 + ds') = deltaS^2 in the stop bands.
FirRequest prototypeOf(const FirRequest& rq) {
    FirRequest prototype = rq;
    const double ds = stopDeviation(rq.attenuation);
    const double dsLifted = ds * ds / (2 - ds * ds);
    const double ratio = std::pow(10.0, rq.ripple / 10);
    const double dpLifted = (ratio - 1) * (1 + dsLifted) / (ratio + 1);
    prototype.ripple = 20 * std::log10((1 + dpLifted) / (1 - dpLifted));
    prototype.attenuation = -20 * std::log10(dsLifted);
    return prototype;
}

// One length tried by the search, kept so that no length is designed twice.
struct Trial {
    bool designed = false;
    std::vector<double> taps;
    FirDesignFigures figures;
    double beta = 0;
};

class Designer {
  public:
    Designer(const FirRequest& rq, const FirOptions& options)
        : rq_(rq), options_(options), plan_(planOf(rq)) {
        if (options.minimumPhase)
            prototypePlan_ = planOf(prototypeOf(rq));
    }

    const Plan& plan() const { return plan_; }

    Trial& trial(std::size_t n) {
        Trial& t = trials_[n];
        if (t.designed)
            return t;
        t.designed = true;
        try {
            t.taps = options_.minimumPhase ? minimumPhase(n) : linearPhase(n, plan_);
            t.figures = measureFir(t.taps, rq_);
        } catch (const UserMessage&) {
            if (!searching_)
                throw;
            t.figures.meets = false;
        }
        return t;
    }
    bool meets(std::size_t n) { return trial(n).figures.meets; }
    void searching(bool on) { searching_ = on; }
    double beta() const { return beta_; }
    void setBeta(double b) { beta_ = b; }

  private:
    std::vector<double> linearPhase(std::size_t n, const Plan& plan) const {
        const double fp = plan.bands.front().hi;
        switch (options_.method) {
        case FirMethod::Equiripple:
            if (rq_.type == FirBandType::HalfBand)
                return halfBand(
                    n, designEquiripple((n + 1) / 2, FirSymmetry::Even, {{0, 2 * fp, 1, 1, false}})
                           .taps);
            return designEquiripple(n, plan.symmetry, plan.bands).taps;
        case FirMethod::LeastSquares:
            if (rq_.type == FirBandType::HalfBand)
                return halfBand(n, designLeastSquares((n + 1) / 2, FirSymmetry::Even,
                                                      {{0, 2 * fp, 1, 1, false}}));
            return designLeastSquares(n, plan.symmetry, plan.bands);
        default: {
            std::vector<double> h = kaiserDesign(n, beta_, plan.kaiserPass, plan.unitFrequency);
            if (rq_.type == FirBandType::HalfBand) {
                // The ideal half-band response vanishes at every even distance from the middle.
                const std::size_t middle = n / 2;
                for (std::size_t i = 0; i < n; ++i)
                    if (i != middle && (middle > i ? middle - i : i - middle) % 2 == 0)
                        h[i] = 0;
            }
            return h;
        }
        }
    }

    // H(z) = 1/2 z^-(2m-1) + 1/2 G(z^2) from the type II filter G of 2m taps that passes
    // twice the pass band: its taps at even places, the middle 1/2, the rest exactly 0.
    static std::vector<double> halfBand(std::size_t n, const std::vector<double>& g) {
        std::vector<double> h(n, 0.0);
        for (std::size_t k = 0; k < g.size(); ++k)
            h[2 * k] = g[k] / 2;
        h[n / 2] = 0.5;
        return h;
    }

    std::vector<double> minimumPhase(std::size_t k) const {
        const std::size_t n = 2 * k - 1;
        const EquirippleDesign d = designEquiripple(n, FirSymmetry::Even, prototypePlan_.bands);
        double stopWeight = HUGE_VAL;
        for (std::size_t b = 0; b < prototypePlan_.bands.size(); ++b)
            if (!prototypePlan_.pass[b])
                stopWeight = std::min(stopWeight, prototypePlan_.bands[b].weight);
        return minimumPhaseFactor(d.taps, d.deviation / stopWeight);
    }

    const FirRequest& rq_;
    const FirOptions& options_;
    Plan plan_;
    Plan prototypePlan_;
    std::map<std::size_t, Trial> trials_;
    bool searching_ = false;
    double beta_ = 0;
};

// The lengths first, first + step, ... up to maxFirTaps.
struct Lengths {
    std::size_t first = 1;
    std::size_t step = 1;

    std::size_t last() const { return first + (maxFirTaps - first) / step * step; }
    std::size_t onOrAbove(std::size_t n) const {
        if (n <= first)
            return first;
        return std::min(last(), first + (n - first + step - 1) / step * step);
    }
};

// The smallest length of the progression that meets, from `start` outwards: doubling
// steps until the answer is bracketed, then halving. 0 when even the longest fails.
std::size_t smallestMeeting(Designer& d, const Lengths& lengths, std::size_t start) {
    std::int64_t hi = 0, lo = 0;
    const auto step = static_cast<std::int64_t>(lengths.step);
    const auto first = static_cast<std::int64_t>(lengths.first);
    std::size_t n = lengths.onOrAbove(start);
    if (d.meets(n)) {
        hi = static_cast<std::int64_t>(n);
        std::int64_t s = step;
        while (true) {
            lo = hi - s;
            if (lo < first) {
                lo = first - step; // below the first length: taken as failing
                break;
            }
            if (!d.meets(static_cast<std::size_t>(lo)))
                break;
            hi = lo;
            s *= 2;
        }
    } else {
        lo = static_cast<std::int64_t>(n);
        std::int64_t s = step;
        const auto last = static_cast<std::int64_t>(lengths.last());
        while (true) {
            hi = lo + s;
            if (hi >= last) {
                hi = last;
                if (lo >= last || !d.meets(static_cast<std::size_t>(last)))
                    return 0;
                break;
            }
            if (d.meets(static_cast<std::size_t>(hi)))
                break;
            lo = hi;
            s *= 2;
        }
    }
    while (hi - lo > step) {
        const std::int64_t mid = lo + (hi - lo) / step / 2 * step;
        if (d.meets(static_cast<std::size_t>(mid)))
            hi = mid;
        else
            lo = mid;
    }
    return static_cast<std::size_t>(hi);
}

bool reachesHalf(double edge, double fd) {
    return edge >= fd / 2;
}

// The lengths a design of the request may have: the first progression searched, and
// another one (of the other parity) when both suit the band type.
std::vector<Lengths> lengthsOf(const FirRequest& rq, const FirOptions& options) {
    if (options.minimumPhase)
        return {{2, 1}};
    switch (rq.type) {
    case FirBandType::LowPass:
    case FirBandType::BandPass:
        return {{3, 2}, {2, 2}};
    case FirBandType::HighPass:
    case FirBandType::BandStop:
        return {{3, 2}};
    case FirBandType::HalfBand:
        return {{3, 4}};
    case FirBandType::Hilbert:
        if (reachesHalf(rq.pass[1], rq.fd))
            return {{2, 2}};
        return {{3, 2}, {2, 2}};
    default:
        if (rq.stop.empty() && reachesHalf(rq.pass[0], rq.fd))
            return {{2, 2}};
        return {{3, 2}, {2, 2}};
    }
}

bool lengthAllowed(std::size_t n, const std::vector<Lengths>& lengths) {
    for (const Lengths& l : lengths)
        if (n >= l.first && (n - l.first) % l.step == 0)
            return true;
    return false;
}

std::string lengthRule(const FirRequest& rq, const FirOptions& options) {
    if (options.minimumPhase)
        return "не меньше 2";
    switch (rq.type) {
    case FirBandType::HighPass:
    case FirBandType::BandStop:
        return "нечетным, не меньше 3 (тип I: четное N дает нуль на FD/2)";
    case FirBandType::HalfBand:
        return "вида 4m - 1 (3, 7, 11, ...)";
    case FirBandType::Hilbert:
    case FirBandType::Differentiator:
        if (lengthsOf(rq, options).size() == 1)
            return "четным, не меньше 2 (тип IV: нечетное N дает нуль на FD/2)";
        return "не меньше 2";
    default:
        return "не меньше 2";
    }
}

std::string decibels(double v) {
    if (!std::isfinite(v))
        return v > 0 ? "бесконечность" : "-бесконечность";
    return formatFixed(v, generalDigits, decibelDecimals, '.');
}

const char* romanType(int type) {
    switch (type) {
    case 1:
        return "I";
    case 2:
        return "II";
    case 3:
        return "III";
    case 4:
        return "IV";
    default:
        return "";
    }
}

const char* bandTitle(FirBandType type) {
    switch (type) {
    case FirBandType::LowPass:
        return "фильтр нижних частот";
    case FirBandType::HighPass:
        return "фильтр верхних частот";
    case FirBandType::BandPass:
        return "полосовой фильтр";
    case FirBandType::BandStop:
        return "режекторный фильтр";
    case FirBandType::HalfBand:
        return "полуполосный фильтр";
    case FirBandType::Hilbert:
        return "преобразователь Гильберта";
    default:
        return "дифференциатор";
    }
}

const char* methodTitle(FirMethod method) {
    switch (method) {
    case FirMethod::Equiripple:
        return "равноволновый (Паркс - Макклеллан, замены Ремеза)";
    case FirMethod::LeastSquares:
        return "наименьших квадратов";
    default:
        return "окно Кайзера";
    }
}

} // namespace

double passDeviation(double rippleDb) {
    const double r = std::pow(10.0, rippleDb / 20);
    return (r - 1) / (r + 1);
}

double stopDeviation(double attenuationDb) {
    return std::pow(10.0, -attenuationDb / 20);
}

const char* firBandName(FirBandType type) {
    return layoutOf(type).name;
}

const char* firMethodName(FirMethod method) {
    switch (method) {
    case FirMethod::Equiripple:
        return "pm";
    case FirMethod::LeastSquares:
        return "ls";
    default:
        return "kaiser";
    }
}

void checkFirRequest(const FirRequest& rq) {
    if (!(rq.fd > 0) || !std::isfinite(rq.fd))
        throw UserMessage("Частота дискретизации FD должна быть больше 0");
    if (!(rq.ripple > 0) || !std::isfinite(rq.ripple))
        throw UserMessage("Неравномерность DA должна быть больше 0 dB");
    if (!(rq.attenuation > 0) || !std::isfinite(rq.attenuation))
        throw UserMessage("Затухание B1 должно быть больше 0 dB");
    const EdgeLayout layout = layoutOf(rq.type);
    if (rq.pass.size() != layout.pass || rq.stop.size() < layout.stopMin ||
        rq.stop.size() > layout.stopMax) {
        std::string stops = layout.stopMin == layout.stopMax
                                ? countText(layout.stopMin, "граница полосы задерживания")
                                : "не больше одной границы полосы задерживания";
        throw UserMessage(std::string("Для ") + layout.name + " задаются " +
                          countText(layout.pass, "граница полосы пропускания") + " (--pass) и " +
                          stops + " (--stop)");
    }
    const double half = rq.fd / 2;
    const bool upperMayBeHalf = rq.type == FirBandType::Hilbert ||
                                (rq.type == FirBandType::Differentiator && rq.stop.empty());
    for (const auto* edges : {&rq.pass, &rq.stop})
        for (double v : *edges) {
            const bool inside = v > 0 && (v < half || (upperMayBeHalf && v == half));
            if (!inside || !std::isfinite(v))
                throw UserMessage("Граничная частота " + plain(v) +
                                  " вне допустимых: нужно больше 0 и меньше FD/2 = " + plain(half));
        }
    if (rq.type == FirBandType::HalfBand) {
        if (!(rq.pass[0] < rq.fd / 4))
            throw UserMessage("У полуполосного фильтра граница полосы пропускания должна быть "
                              "меньше FD/4 = " +
                              plain(rq.fd / 4));
        if (!rq.stop.empty() &&
            std::abs(rq.stop[0] - (half - rq.pass[0])) > halfBandEdgeTolerance * rq.fd)
            throw UserMessage("У полуполосного фильтра граница полосы задерживания равна FD/2 "
                              "минус граница полосы пропускания: " +
                              plain(half - rq.pass[0]));
    }
    const auto edges = orderedEdges(rq);
    for (std::size_t i = 1; i < edges.size(); ++i) {
        if (edges[i].first == edges[i - 1].first && edges[i].second != edges[i - 1].second)
            throw UserMessage("Переходная полоса нулевой ширины: граница полосы пропускания "
                              "совпадает с границей полосы задерживания (" +
                              plain(edges[i].first) + ")");
        if (!(edges[i].first > edges[i - 1].first))
            throw UserMessage(std::string("Границы полос не по порядку: для ") + layout.name +
                              " нужно " + layout.order);
    }
    const std::size_t bands = planOf(rq).bands.size();
    if (!rq.weights.empty()) {
        if (rq.weights.size() != bands)
            throw UserMessage("Весов (--weights) должно быть столько, сколько полос: " +
                              std::to_string(bands));
        for (double w : rq.weights)
            if (!(w > 0) || !std::isfinite(w))
                throw UserMessage("Вес полосы " + plain(w) + " должен быть больше 0");
    }
}

FirDesignFigures measureFir(const std::vector<double>& taps, const FirRequest& request) {
    checkFirRequest(request);
    const Plan plan = planOf(request);
    FirDesignFigures out;
    // 16 points per tap over the bands together.
    double covered = 0;
    for (const FirBand& band : plan.bands)
        covered += band.hi - band.lo;
    const double spacing = covered / (static_cast<double>(measureDensity) *
                                      static_cast<double>(std::max<std::size_t>(taps.size(), 1)));
    const Magnitude evaluate(taps);
    double largestRatio = -HUGE_VAL, smallestRatio = HUGE_VAL, largestStop = -HUGE_VAL;
    out.hasStopBand = false;
    for (std::size_t b = 0; b < plan.bands.size(); ++b) {
        const FirBand& band = plan.bands[b];
        auto magnitude = [&](double f) { return evaluate(f); };
        if (!plan.pass[b]) {
            out.hasStopBand = true;
            largestStop = std::max(largestStop,
                                   bandPeak(band.lo, band.hi, spacing, magnitude, out.gridPoints));
            continue;
        }
        // The ratio to the desired gain has its limit at 0 Hz in a proportional band.
        const double lo = band.proportional && band.lo == 0 ? spacing : band.lo;
        auto ratio = [&](double f) { return magnitude(f) / band.desired(f); };
        auto inverse = [&](double f) { return -ratio(f); };
        largestRatio =
            std::max(largestRatio, bandPeak(lo, band.hi, spacing, ratio, out.gridPoints));
        std::size_t again = 0;
        smallestRatio = std::min(smallestRatio, -bandPeak(lo, band.hi, spacing, inverse, again));
    }
    out.rippleDb = smallestRatio > 0 ? 20 * std::log10(largestRatio / smallestRatio) : HUGE_VAL;
    out.attenuationDb = out.hasStopBand ? -20 * std::log10(largestStop) : 0;
    out.meets = out.rippleDb <= request.ripple + meetSlack &&
                (!out.hasStopBand || out.attenuationDb >= request.attenuation - meetSlack);
    return out;
}

std::size_t estimatedFirTaps(const FirRequest& rq) {
    checkFirRequest(rq);
    const Plan plan = planOf(rq);
    double dp = passDeviation(rq.ripple);
    double ds = stopDeviation(rq.attenuation);
    if (rq.type == FirBandType::Hilbert ||
        (rq.type == FirBandType::Differentiator && rq.stop.empty()))
        ds = dp;
    if (rq.type == FirBandType::HalfBand)
        dp = ds = std::min(dp, ds);
    if (!(plan.transition > 0))
        return fullBandStart;
    const double n = (-20 * std::log10(std::sqrt(dp * ds)) - estimateOffset) /
                         (estimateSlope * plan.transition) +
                     1;
    if (!(n < hopelessEstimate * static_cast<double>(maxFirTaps)))
        return hopelessEstimate * maxFirTaps + 1;
    return static_cast<std::size_t>(std::max(1.0, std::ceil(n)));
}

FirDesign designFir(const FirRequest& rq, const FirOptions& options) {
    checkFirRequest(rq);
    const bool antisymmetric =
        rq.type == FirBandType::Hilbert || rq.type == FirBandType::Differentiator;
    if (options.method == FirMethod::Kaiser && antisymmetric)
        throw UserMessage("Метод kaiser рассчитывает lowpass, highpass, bandpass, bandstop и "
                          "halfband; для hilbert и differentiator выберите pm или ls");
    if (options.minimumPhase && (options.method != FirMethod::Equiripple || antisymmetric ||
                                 rq.type == FirBandType::HalfBand))
        throw UserMessage("Минимально-фазовый фильтр (--minimum-phase) рассчитывается из "
                          "равноволнового (pm) lowpass, highpass, bandpass или bandstop");
    if (options.beta && options.method != FirMethod::Kaiser)
        throw UserMessage("Параметр beta относится только к методу kaiser");
    if (options.beta && !(*options.beta >= 0 && std::isfinite(*options.beta)))
        throw UserMessage("Параметр окна Кайзера beta должен быть не меньше 0");
    const std::vector<Lengths> lengths = lengthsOf(rq, options);
    if (options.taps != 0) {
        if (options.taps > maxFirTaps)
            throw UserMessage("Число коэффициентов должно быть не больше " +
                              std::to_string(maxFirTaps));
        if (!lengthAllowed(options.taps, lengths))
            throw UserMessage(std::string("Для ") + firBandName(rq.type) +
                              " число коэффициентов должно быть " + lengthRule(rq, options));
    }

    Designer designer(rq, options);
    FirDesign out;
    out.method = options.method;
    out.minimumPhase = options.minimumPhase;
    for (const FirBand& b : designer.plan().bands)
        out.weights.push_back(b.weight);
    // Kaiser's window and the half-band construction take no weights.
    if (options.method == FirMethod::Kaiser || rq.type == FirBandType::HalfBand)
        out.weights.clear();
    std::size_t n = options.taps;
    if (options.method == FirMethod::Kaiser) {
        const double a = std::max(rq.attenuation, -20 * std::log10(passDeviation(rq.ripple)));
        designer.setBeta(options.beta ? *options.beta : kaiserBeta(a));
        out.beta = designer.beta();
        if (n == 0) {
            const std::size_t formula = kaiserTaps(a, designer.plan().transition);
            if (formula > maxFirTaps + 1)
                tooLong();
            n = 0;
            for (const Lengths& l : lengths) {
                const std::size_t fit = l.onOrAbove(formula);
                if (fit >= formula && (n == 0 || fit < n))
                    n = fit;
            }
            if (n == 0)
                tooLong();
            out.estimatedTaps = formula;
        }
    } else if (n == 0) {
        out.searched = true;
        // A minimum-phase filter starts from half its prototype's estimate.
        std::size_t estimate = estimatedFirTaps(options.minimumPhase ? prototypeOf(rq) : rq);
        if (estimate > maxFirTaps * hopelessEstimate)
            tooLong();
        if (options.minimumPhase)
            estimate = (estimate + 1) / 2;
        out.estimatedTaps = estimate;
        designer.searching(true);
        std::size_t best = smallestMeeting(designer, lengths.front(), estimate);
        if (lengths.size() > 1) {
            const Lengths& other = lengths[1];
            const std::size_t below = best != 0 ? best - 1 : other.last();
            if (below >= other.first && designer.meets(below)) {
                const std::size_t found = smallestMeeting(designer, other, below);
                if (found != 0 && (best == 0 || found < best))
                    best = found;
            }
        }
        designer.searching(false);
        if (best == 0)
            tooLong();
        n = best;
    }
    const Trial& t = designer.trial(n);
    out.taps = t.taps;
    out.figures = t.figures;
    out.linearPhaseType = options.minimumPhase ? 0 : linearPhaseType(out.taps);
    if (options.minimumPhase) {
        const Plan& plan = designer.plan();
        double reference = 0;
        for (std::size_t b = 0; b < plan.bands.size(); ++b)
            if (plan.pass[b]) {
                reference = plan.bands[b].lo == 0     ? 0
                            : plan.bands[b].hi == 0.5 ? 0.5
                                                      : (plan.bands[b].lo + plan.bands[b].hi) / 2;
                break;
            }
        out.delaySamples = groupDelay(out.taps, reference);
    } else {
        out.delaySamples = (static_cast<double>(out.taps.size()) - 1) / 2;
    }
    return out;
}

FirDesign smallestEquiripple(const FirRequest& request) {
    return designFir(request, {});
}

FirDesign smallestMinimumPhase(const FirRequest& request) {
    FirOptions options;
    options.minimumPhase = true;
    return designFir(request, options);
}

std::vector<std::string> firReportLines(const FirRequest& rq, const FirDesign& d) {
    std::vector<std::string> lines;
    lines.push_back(std::string("Расчет КИХ-фильтра: ") + bandTitle(rq.type) + ", метод " +
                    methodTitle(d.method));
    lines.push_back(" частота дискретизации FD = " + plain(rq.fd));
    const Plan plan = planOf(rq);
    std::string bands;
    for (std::size_t b = 0; b < plan.bands.size(); ++b) {
        bands += bands.empty() ? " " : ", ";
        bands += plan.pass[b] ? "полоса пропускания " : "полоса задерживания ";
        bands += plain(plan.bands[b].lo * rq.fd) + " - " + plain(plan.bands[b].hi * rq.fd);
        if (plan.bands[b].proportional)
            bands += " (усиление 2 pi f / FD)";
    }
    lines.push_back(bands);
    std::string wanted = " требования: неравномерность DA = " + plain(rq.ripple) + " dB";
    if (std::find(plan.pass.begin(), plan.pass.end(), false) != plan.pass.end())
        wanted += ", затухание B1 = " + plain(rq.attenuation) + " dB";
    lines.push_back(wanted);
    if (!d.weights.empty()) {
        std::string w = " веса полос:";
        for (std::size_t i = 0; i < d.weights.size(); ++i)
            w += (i == 0 ? " " : ", ") + formatGeneral(d.weights[i], '.', 6);
        lines.push_back(w);
    }
    if (d.method == FirMethod::Kaiser)
        lines.push_back(" окно Кайзера: beta = " + formatGeneral(d.beta, '.', 10));
    std::string count = " число коэффициентов N = " + std::to_string(d.taps.size());
    if (d.searched)
        count += " (наименьшее, выполняющее требования; начальная оценка " +
                 std::to_string(d.estimatedTaps) + ")";
    else if (d.estimatedTaps != 0)
        count += " (по формуле Кайзера)";
    else
        count += " (задано)";
    lines.push_back(count);
    if (d.minimumPhase) {
        lines.push_back(" фаза минимальная: АЧХ равноволнового фильтра линейной фазы из " +
                        std::to_string(2 * d.taps.size() - 1) +
                        " коэффициентов, нули на единичной окружности и внутри нее");
        lines.push_back(" групповая задержка в середине первой полосы пропускания " +
                        formatFixed(d.delaySamples, generalDigits, decibelDecimals, '.') +
                        " отсчета (у фильтра линейной фазы была бы " +
                        plain(static_cast<double>(d.taps.size() - 1)) + ")");
    } else if (d.linearPhaseType != 0) {
        lines.push_back(std::string(" фаза линейная, тип ") + romanType(d.linearPhaseType) +
                        "; задержка (N - 1)/2 = " + plain(d.delaySamples) + " отсчета");
    } else {
        lines.push_back(" фаза нелинейная");
    }
    std::string achieved = " достигнутая неравномерность " + decibels(d.figures.rippleDb) + " dB";
    if (d.figures.hasStopBand)
        achieved += ", затухание " + decibels(d.figures.attenuationDb) + " dB";
    achieved += " (на сетке из " + std::to_string(d.figures.gridPoints) + " точек, " +
                std::to_string(measureDensity) + " на коэффициент)";
    lines.push_back(achieved);
    lines.push_back(d.figures.meets ? " требования выполнены" : " требования не выполнены");
    return lines;
}

std::string firReportJson(const FirRequest& rq, const FirDesign& d) {
    std::string j = "{\"taps\": " + std::to_string(d.taps.size());
    j += ", \"method\": " + jsonString(firMethodName(d.method));
    j += ", \"band\": " + jsonString(firBandName(rq.type));
    j += ", \"fd\": " + jsonNumber(rq.fd);
    j += ", \"minimum_phase\": " + jsonBool(d.minimumPhase);
    j += ", \"linear_phase_type\": " +
         (d.linearPhaseType != 0 ? std::to_string(d.linearPhaseType) : std::string("null"));
    j += ", \"delay_samples\": " + jsonNumber(d.delaySamples);
    j += ", \"ripple_db\": " + jsonNumber(d.figures.rippleDb);
    j += ", \"attenuation_db\": " +
         (d.figures.hasStopBand ? jsonNumber(d.figures.attenuationDb) : std::string("null"));
    j += ", \"requested_ripple_db\": " + jsonNumber(rq.ripple);
    j += ", \"requested_attenuation_db\": " + jsonNumber(rq.attenuation);
    j += ", \"meets_request\": " + jsonBool(d.figures.meets);
    j += ", \"searched\": " + jsonBool(d.searched);
    j += ", \"estimated_taps\": " +
         (d.estimatedTaps != 0 ? std::to_string(d.estimatedTaps) : std::string("null"));
    j +=
        ", \"beta\": " + (d.method == FirMethod::Kaiser ? jsonNumber(d.beta) : std::string("null"));
    j += ", \"grid_points\": " + std::to_string(d.figures.gridPoints);
    j += ", \"weights\": [";
    for (std::size_t i = 0; i < d.weights.size(); ++i)
        j += (i == 0 ? "" : ", ") + jsonNumber(d.weights[i]);
    j += "], \"coefficients\": [";
    for (std::size_t i = 0; i < d.taps.size(); ++i)
        j += (i == 0 ? "" : ", ") + jsonNumber(d.taps[i]);
    j += "]}";
    return j;
}

} // namespace zorkan
