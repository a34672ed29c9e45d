#include "purpose/allpassequaliser.h"

#include "analysis/filteranalysis.h"
#include "cascade/response.h"
#include "cascade/roots.h"
#include "common/displaynumbers.h"
#include "common/errors.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace zorkan {

namespace {

// The band's angles and the filter's delay there.
struct DelayGrid {
    std::vector<double> cosines, sines, target;
};

DelayGrid delayGrid(const FilterCoefficients& filter, double w1, double w2, int points) {
    DelayGrid g;
    for (int i = 0; i < points; ++i) {
        const double w = w1 + (w2 - w1) * i / (points - 1);
        g.cosines.push_back(std::cos(w));
        g.sines.push_back(std::sin(w));
        g.target.push_back(static_cast<double>(groupDelayAt(filter, w)));
    }
    return g;
}

// The parameters: for each section u then theta; radius R / (1 + e^-u).
using Parameters = std::vector<double>;

double radiusOf(double u, double maxRadius) {
    return maxRadius / (1 + std::exp(-u));
}

double parameterOf(double radius, double maxRadius) {
    return -std::log(maxRadius / radius - 1);
}

// x^p for p a power of two, by squaring.
double powerOfTwoPower(double x, int p) {
    for (int k = 1; k < p; k *= 2)
        x *= x;
    return x;
}

// The total delay over the grid: the filter's and each pole pair's
// (1 - r^2) (1 / |1 - r e^(j(theta - w))|^2 + 1 / |1 - r e^(-j(theta + w))|^2).
void totalDelay(const DelayGrid& g, const Parameters& x, double maxRadius,
                std::vector<double>& tau) {
    tau = g.target;
    for (std::size_t k = 0; k + 1 < x.size(); k += 2) {
        const double r = radiusOf(x[k], maxRadius);
        const double ct = std::cos(x[k + 1]), st = std::sin(x[k + 1]);
        const double one = 1 + r * r, numerator = 1 - r * r;
        for (std::size_t i = 0; i < tau.size(); ++i) {
            const double cc = g.cosines[i] * ct, ss = g.sines[i] * st;
            tau[i] += numerator * (1 / (one - 2 * r * (cc + ss)) + 1 / (one - 2 * r * (cc - ss)));
        }
    }
}

// The least p-th objective (mean |e|^p)^(1/p), e the deviation of the total delay from
// its mean, and its gradient.
double objective(const DelayGrid& g, const Parameters& x, double maxRadius, int p,
                 std::vector<double>* gradient) {
    std::vector<double> tau;
    totalDelay(g, x, maxRadius, tau);
    const double m = static_cast<double>(tau.size());
    double mean = 0;
    for (double t : tau)
        mean += t;
    mean /= m;
    double largest = 0;
    for (double& t : tau) {
        t -= mean;
        largest = std::max(largest, std::abs(t));
    }
    if (gradient)
        gradient->assign(x.size(), 0);
    if (largest == 0 || !std::isfinite(largest))
        return largest;
    double sum = 0, weightSum = 0;
    std::vector<double> weights(tau.size());
    for (std::size_t i = 0; i < tau.size(); ++i) {
        const double s = std::abs(tau[i]) / largest;
        const double sp = powerOfTwoPower(s, p);
        sum += sp;
        weights[i] = s == 0 ? 0 : std::copysign(sp / s, tau[i]);
        weightSum += weights[i];
    }
    const double meanPower = sum / m;
    const double value = largest * std::pow(meanPower, 1.0 / p);
    if (!gradient)
        return value;
    const double factor = std::pow(meanPower, 1.0 / p - 1) / m;
    const double meanWeight = weightSum / m;
    for (std::size_t k = 0; k + 1 < x.size(); k += 2) {
        const double r = radiusOf(x[k], maxRadius);
        const double drdu = r * (1 - r / maxRadius);
        const double ct = std::cos(x[k + 1]), st = std::sin(x[k + 1]);
        const double one = 1 + r * r, numerator = 1 - r * r;
        double gu = 0, gt = 0;
        for (std::size_t i = 0; i < tau.size(); ++i) {
            const double cc = g.cosines[i] * ct, ss = g.sines[i] * st;
            const double c1 = cc + ss, c2 = cc - ss; // cos(w - theta), cos(w + theta)
            const double d1 = one - 2 * r * c1, d2 = one - 2 * r * c2;
            const double q1 = 1 / d1, q2 = 1 / d2;
            // d/dr and d/dtheta of the pair's delay.
            const double dr = -2 * r * (q1 + q2) -
                              numerator * ((2 * r - 2 * c1) * q1 * q1 + (2 * r - 2 * c2) * q2 * q2);
            // d(cos(w - theta))/dtheta = sin(w - theta); d(cos(w + theta))/dtheta = -sin(w + theta)
            const double s1 = g.sines[i] * ct - g.cosines[i] * st; // sin(w - theta)
            const double s2 = g.sines[i] * ct + g.cosines[i] * st; // sin(w + theta)
            const double dt = numerator * (2 * r * s1 * q1 * q1 - 2 * r * s2 * q2 * q2);
            const double w = weights[i] - meanWeight;
            gu += w * dr;
            gt += w * dt;
        }
        (*gradient)[k] = factor * gu * drdu;
        (*gradient)[k + 1] = factor * gt;
    }
    return value;
}

// BFGS with a backtracking line search on one objective.
double minimise(const DelayGrid& g, Parameters& x, double maxRadius, int p, int iterations) {
    const std::size_t n = x.size();
    std::vector<double> grad, nextGrad, h(n * n, 0), direction(n), next(n), s(n), y(n);
    for (std::size_t i = 0; i < n; ++i)
        h[i * n + i] = 1;
    double value = objective(g, x, maxRadius, p, &grad);
    for (int iteration = 0; iteration < iterations; ++iteration) {
        double slope = 0;
        for (std::size_t i = 0; i < n; ++i) {
            double d = 0;
            for (std::size_t j = 0; j < n; ++j)
                d -= h[i * n + j] * grad[j];
            direction[i] = d;
            slope += d * grad[i];
        }
        if (!(slope < 0)) {
            // Not a descent direction: start again from the gradient.
            std::fill(h.begin(), h.end(), 0);
            for (std::size_t i = 0; i < n; ++i) {
                h[i * n + i] = 1;
                direction[i] = -grad[i];
            }
            slope = 0;
            for (std::size_t i = 0; i < n; ++i)
                slope -= grad[i] * grad[i];
            if (!(slope < 0))
                break;
        }
        double step = 1, nextValue = value;
        bool moved = false;
        for (int halving = 0; halving < 40; ++halving, step /= 2) {
            for (std::size_t i = 0; i < n; ++i)
                next[i] = x[i] + step * direction[i];
            nextValue = objective(g, next, maxRadius, p, nullptr);
            if (std::isfinite(nextValue) && nextValue <= value + 1e-4 * step * slope) {
                moved = true;
                break;
            }
        }
        if (!moved)
            break;
        objective(g, next, maxRadius, p, &nextGrad);
        double sy = 0;
        for (std::size_t i = 0; i < n; ++i) {
            s[i] = next[i] - x[i];
            y[i] = nextGrad[i] - grad[i];
            sy += s[i] * y[i];
        }
        const bool settled = value - nextValue <= 1e-13 * value;
        x = next;
        grad = nextGrad;
        value = nextValue;
        if (settled)
            break;
        if (sy > 0) {
            // H += (1 + y'Hy / s'y) ss' / s'y - (H y s' + s y' H) / s'y
            std::vector<double> hy(n, 0);
            double yhy = 0;
            for (std::size_t i = 0; i < n; ++i) {
                for (std::size_t j = 0; j < n; ++j)
                    hy[i] += h[i * n + j] * y[j];
                yhy += y[i] * hy[i];
            }
            for (std::size_t i = 0; i < n; ++i)
                for (std::size_t j = 0; j < n; ++j)
                    h[i * n + j] +=
                        (1 + yhy / sy) * s[i] * s[j] / sy - (hy[i] * s[j] + s[i] * hy[j]) / sy;
        }
    }
    return value;
}

// The largest deviation from the mean, the figure the search minimises.
double largestDeviation(const DelayGrid& g, const Parameters& x, double maxRadius) {
    std::vector<double> tau;
    totalDelay(g, x, maxRadius, tau);
    double mean = 0;
    for (double t : tau)
        mean += t;
    mean /= static_cast<double>(tau.size());
    double largest = 0;
    for (double t : tau)
        largest = std::max(largest, std::abs(t - mean));
    return largest;
}

// The objectives a start goes through: p = 2, 8, 32, 128 on the coarse grid; the best
// start then p = 128 .. 1024 on the fine one.
constexpr int coarseGridPoints = 128;
constexpr int coarsePowers[] = {2, 8, 32, 128};
constexpr int finePowers[] = {128, 512, 1024};
constexpr int iterationsPerPower = 100;
// Angles of a new section's starts, as fractions of the band, and radii.
constexpr double startFractions[] = {0.05, 0.3, 0.55, 0.8, 1.0};
constexpr double startRadii[] = {0.5, 0.85};
// How many designs of each order go on to the next; deviations this close (relative) are
// one minimum reached twice.
constexpr int searchWidth = 3;
constexpr double sameMinimum = 1e-6;

double bandDelayVariation(const FilterCoefficients& filter, const std::vector<double>& angles) {
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (double w : angles) {
        const double t = static_cast<double>(groupDelayAt(filter, w));
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    }
    return hi - lo;
}

} // namespace

void checkEqualiserRequest(const EqualiserRequest& request) {
    checkSampling(request.fd);
    if (request.order < minEqualiserOrder || request.order > maxEqualiserOrder ||
        request.order % 2 != 0)
        throw UserMessage("Порядок корректора N должен быть четным числом от " +
                          std::to_string(minEqualiserOrder) + " до " +
                          std::to_string(maxEqualiserOrder));
    if (!(request.f1 >= 0) || !(request.f2 > request.f1) || !(request.f2 < request.fd / 2))
        throw UserMessage("Полоса выравнивания F1..F2 = " + formatGeneral(request.f1, '.') + ".." +
                          formatGeneral(request.f2, '.') +
                          " должна лежать в пределах 0 <= F1 < F2 < FD/2 = " +
                          formatGeneral(request.fd / 2, '.'));
    if (!(request.maxRadius > 0) || !(request.maxRadius < 1))
        throw UserMessage("Наибольший радиус полюсов R должен быть больше 0 и меньше 1");
    checkAnalysable(request.filter);
}

DesignedSections equalisedFilter(const FilterCoefficients& filter,
                                 const DesignedSections& equaliser) {
    DesignedSections combined;
    combined.kind = filter.kind;
    combined.sections = filter.sections;
    combined.sections.insert(combined.sections.end(), equaliser.sections.begin(),
                             equaliser.sections.end());
    combined.order = static_cast<unsigned>(2 * combined.sections.size());
    return combined;
}

EqualiserResult designEqualiser(const EqualiserRequest& request,
                                const EqualiserProgress& progress) {
    checkEqualiserRequest(request);
    const double R = request.maxRadius;
    const double w1 = 2 * std::numbers::pi * request.f1 / request.fd;
    const double w2 = 2 * std::numbers::pi * request.f2 / request.fd;
    const DelayGrid coarse = delayGrid(request.filter, w1, w2, coarseGridPoints);
    const DelayGrid fine = delayGrid(request.filter, w1, w2, equaliserGridPoints);

    EqualiserResult result;
    // The filter's fall below its peak over the band.
    {
        const std::vector<FilterSection> sections = sectionsOverB0(request.filter);
        const int degree = request.filter.kind == bandPass ? 4 : 2;
        const auto gain = [&](long double w) {
            const SquaredModuli m = cascadeSquaredModuli(sections, degree, w);
            return m.denominator == 0 ? std::numeric_limits<long double>::infinity()
                                      : m.numerator / m.denominator;
        };
        long double peak = 0;
        for (int i = 0; i <= 4096; ++i)
            peak = std::max(peak, gain(std::numbers::pi_v<long double> * i / 4096));
        long double lowest = peak;
        for (int i = 0; i < equaliserGridPoints; ++i)
            lowest = std::min(lowest, gain(w1 + (w2 - w1) * i / (equaliserGridPoints - 1)));
        if (peak > 0 && std::isfinite(static_cast<double>(peak)))
            result.bandAttenuationDb = lowest > 0
                                           ? static_cast<double>(10 * std::log10(peak / lowest))
                                           : std::numeric_limits<double>::infinity();
        result.outsidePassBand = result.bandAttenuationDb > passBandDropDb;
    }

    const int sectionCount = request.order / 2;
    const int perStage = static_cast<int>(std::size(startFractions) * std::size(startRadii));
    const int total = perStage * (1 + searchWidth * (sectionCount - 1));
    int done = 0;
    // The best few designs of each order go on to the next, each with a new section.
    std::vector<Parameters> kept{Parameters{}};
    for (int stage = 1; stage <= sectionCount; ++stage) {
        // Fewer designs kept than the search's width: their starts count as done.
        if (stage > 1 && static_cast<int>(kept.size()) < searchWidth) {
            done += perStage * (searchWidth - static_cast<int>(kept.size()));
            if (progress && !progress(done, total)) {
                result.cancelled = true;
                return result;
            }
        }
        std::vector<std::pair<double, Parameters>> found;
        for (const Parameters& base : kept) {
            // Where the total delay is lowest a new pole pair helps most.
            std::vector<double> tau;
            totalDelay(coarse, base, R, tau);
            const std::size_t lowest =
                static_cast<std::size_t>(std::min_element(tau.begin(), tau.end()) - tau.begin());
            for (double fraction : startFractions) {
                for (double radius : startRadii) {
                    Parameters x = base;
                    const double angle =
                        fraction == 1.0 ? std::atan2(coarse.sines[lowest], coarse.cosines[lowest])
                                        : w1 + (w2 - w1) * fraction;
                    x.push_back(parameterOf(radius * R, R));
                    x.push_back(angle);
                    for (int p : coarsePowers)
                        minimise(coarse, x, R, p, iterationsPerPower);
                    found.emplace_back(largestDeviation(coarse, x, R), x);
                    ++done;
                    if (progress && !progress(done, total)) {
                        result.cancelled = true;
                        return result;
                    }
                }
            }
        }
        std::stable_sort(found.begin(), found.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        // Starts that ended in one minimum count once.
        kept.clear();
        double last = -1;
        for (const auto& [value, x] : found) {
            if (static_cast<int>(kept.size()) == searchWidth)
                break;
            if (last >= 0 && value - last <= sameMinimum * last)
                continue;
            kept.push_back(x);
            last = value;
        }
    }
    // The kept designs on the fine grid, the best of them taken.
    Parameters best;
    double bestValue = std::numeric_limits<double>::infinity();
    for (Parameters& x : kept) {
        for (int p : finePowers)
            minimise(fine, x, R, p, iterationsPerPower);
        const double value = largestDeviation(fine, x, R);
        if (value < bestValue) {
            bestValue = value;
            best = x;
        }
    }

    std::vector<SecondOrderSection> sections;
    for (std::size_t k = 0; k + 1 < best.size(); k += 2) {
        const double r = radiusOf(best[k], R);
        SecondOrderSection s;
        s.den[1] = -2 * r * std::cos(best[k + 1]);
        s.den[2] = r * r;
        s.num[0] = s.den[2];
        s.num[1] = s.den[1];
        s.num[2] = s.den[0];
        sections.push_back(s);
    }
    result.equaliser = fromSecondOrder(sections, static_cast<unsigned>(request.order));
    for (const SecondOrderSection& s : sections)
        result.maxRadius =
            std::max(result.maxRadius, static_cast<double>(poleRadius(s.den[1], s.den[2])));

    std::vector<double> angles;
    for (int i = 0; i < equaliserGridPoints; ++i)
        angles.push_back(w1 + (w2 - w1) * i / (equaliserGridPoints - 1));
    result.variationBefore = bandDelayVariation(request.filter, angles);
    const FilterCoefficients combined =
        coefficientsOf(equalisedFilter(request.filter, result.equaliser));
    result.variationAfter = bandDelayVariation(combined, angles);
    const FilterCoefficients alone = coefficientsOf(result.equaliser);
    double sum = 0;
    for (double w : angles)
        sum += static_cast<double>(groupDelayAt(alone, w));
    result.meanDelay = sum / static_cast<double>(angles.size());
    return result;
}

} // namespace zorkan
