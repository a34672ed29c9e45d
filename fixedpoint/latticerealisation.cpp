#include "fixedpoint/latticerealisation.h"

#include "cascade/norms.h"
#include "cascade/roots.h"
#include "common/errors.h"
#include "fixedpoint/lattice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace zorkan {

namespace {

using real = long double;
using Quadratic = std::array<real, 3>;

std::string shortNumber(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", v);
    return text;
}

// The quadratic factors of p, a leading zero (a delay) being the factor z^-1; `gain`
// receives its first coefficient other than zero (0: p vanishes, no factors).
std::vector<Quadratic> quadraticFactors(const std::vector<double>& p, real& gain) {
    std::size_t lead = 0;
    while (lead < p.size() && p[lead] == 0)
        ++lead;
    gain = lead < p.size() ? p[lead] : 0;
    if (lead == p.size())
        return {};
    std::vector<Quadratic> quadratic;
    std::vector<std::array<real, 2>> linear(lead, {0, 1});
    const int degree = static_cast<int>(p.size() - 1 - lead);
    if (degree > 0)
        for (const std::complex<real>& r : polynomialRoots(p.data() + lead, degree)) {
            if (r.imag() > 0)
                quadratic.push_back({1, -2 * r.real(), std::norm(r)});
            else if (r.imag() == 0)
                linear.push_back({1, -r.real()});
        }
    for (std::size_t i = 0; i < linear.size(); i += 2) {
        const auto& a = linear[i];
        if (i + 1 < linear.size()) {
            const auto& b = linear[i + 1];
            quadratic.push_back({a[0] * b[0], a[0] * b[1] + a[1] * b[0], a[1] * b[1]});
        } else {
            quadratic.push_back({a[0], a[1], 0});
        }
    }
    return quadratic;
}

std::vector<real> multiply(const std::vector<real>& a, const double* b) {
    std::vector<real> c(a.size() + 2, 0);
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = 0; j < 3; ++j)
            c[i + j] += a[i] * b[j];
    return c;
}

std::size_t degreeOf(const std::vector<real>& p) {
    std::size_t d = p.size();
    while (d > 1 && p[d - 1] == 0)
        --d;
    return d - 1;
}

void refuseUnstable(const std::string& kernel, std::size_t m, double k, const std::string& when) {
    throw UserMessage("Фильтр не реализуется решеткой " + kernel + ": коэффициент отражения k" +
                      std::to_string(m) + " всего фильтра" + (when.empty() ? "" : " " + when) +
                      " равен " + shortNumber(k) +
                      ", а решетка требует |k| < 1 (знаменатель фильтра неустойчив или на "
                      "границе устойчивости)");
}

} // namespace

std::string latticeKernelName(Target target) {
    return target == Target::CmsisLatticeQ15   ? "arm_iir_lattice_q15"
           : target == Target::CmsisLatticeQ31 ? "arm_iir_lattice_q31"
                                               : "arm_iir_lattice_f32";
}

std::vector<SecondOrderSection> sectionsOfPolynomials(const std::vector<double>& num,
                                                      const std::vector<double>& den) {
    real numGain = 0, denGain = 0;
    const std::vector<Quadratic> zeros = quadraticFactors(num, numGain);
    const std::vector<Quadratic> poles = quadraticFactors(den, denGain);
    const std::size_t count = std::max<std::size_t>({1, zeros.size(), poles.size()});
    std::vector<SecondOrderSection> sections(count);
    for (std::size_t k = 0; k < count; ++k)
        for (int i = 0; i < 3; ++i) {
            if (k < zeros.size())
                sections[k].num[i] = static_cast<double>(zeros[k][static_cast<std::size_t>(i)]);
            if (k < poles.size())
                sections[k].den[i] = static_cast<double>(poles[k][static_cast<std::size_t>(i)]);
        }
    for (double& c : sections[0].num)
        c = numGain == 0 ? 0.0 : static_cast<double>(c * numGain / denGain);
    return sections;
}

Implementation realiseLattice(const SecondOrderCascade& factored,
                              const ImplementationOptions& options) {
    Implementation im;
    im.options = options;
    im.options.arithmetic = namedArithmetic(options.arithmetic.target, options.arithmetic);
    const Target target = im.options.arithmetic.target;
    const std::string kernel = latticeKernelName(target);
    im.cascade = realisedCascade(factored, Scaling::None, options.order);

    // The whole filter: the sections multiplied out.
    std::vector<real> num{1}, den{1};
    for (const SecondOrderSection& s : im.cascade.sections) {
        num = multiply(num, s.num);
        den = multiply(den, s.den);
    }
    for (const std::vector<real>* p : {&num, &den})
        for (real c : *p)
            if (!std::isfinite(c))
                throw UserMessage("Коэффициенты фильтра бесконечны или не определены: решетку " +
                                  kernel + " не построить");
    const std::size_t order = std::max<std::size_t>(1, std::max(degreeOf(num), degreeOf(den)));
    if (order > latticeOrderLimit)
        throw UserMessage("Порядок фильтра " + std::to_string(order) + " больше " +
                          std::to_string(latticeOrderLimit) + ": ядро " + kernel +
                          " его не принимает (numStages типа uint16_t)");
    num.resize(order + 1, 0);
    den.resize(order + 1, 0);
    const std::vector<double> a(den.begin(), den.end());

    const std::vector<double> k = reflectionCoefficients(a);
    for (std::size_t m = k.size(); m >= 1; --m)
        if (!(std::fabs(k[m - 1]) < 1))
            refuseUnstable(kernel, m, k[m - 1], "");

    // The whole-filter scaling of the numerator.
    real scale = 1;
    if (options.scaling != Scaling::None) {
        const std::vector<SecondOrderSection>& s = im.cascade.sections;
        real norm = 0;
        if (options.scaling == Scaling::Peak) {
            norm = peakGain(s, s.size());
        } else {
            const ImpulseNorms n = impulseNorms(s, s.size());
            norm = n.bounded ? (options.scaling == Scaling::L1 ? n.l1 : n.l2) : 0;
        }
        if (norm > 0 && std::isfinite(norm) && std::isfinite(1 / norm)) {
            scale = 1 / norm;
            im.cascade.normalised = true;
        } else {
            im.cascade.warnings.push_back(
                {"норма импульсной характеристики не ограничена или равна нулю; коэффициенты "
                 "не масштабированы",
                 "the impulse response's norm is unbounded or zero; the coefficients are not "
                 "scaled"});
        }
    }
    std::vector<double> scaled(order + 1);
    for (std::size_t i = 0; i <= order; ++i)
        scaled[i] = static_cast<double>(num[i] * scale);
    std::vector<double> v = ladderCoefficients(scaled, k);

    LatticeLadder& l = im.lattice;
    const bool fixed = target != Target::CmsisLatticeF32;
    if (fixed) {
        const int fraction = target == Target::CmsisLatticeQ15 ? 15 : 31;
        const real unit = std::ldexp(1.0L, fraction);
        // The ladder shrunk together until its largest coefficient rounds inside the word.
        real largest = 0;
        for (double c : v)
            largest = std::max<real>(largest, std::fabs(c));
        const real limit = (unit - 1) / unit;
        if (largest > limit) {
            const real shrink = limit / largest;
            for (double& c : v)
                c = static_cast<double>(c * shrink);
            scale *= shrink;
            im.cascade.warnings.push_back({"лестничные коэффициенты решетки уменьшены в " +
                                               shortNumber(static_cast<double>(1 / shrink)) +
                                               " раза, чтобы поместиться в слово ядра (в [-1, 1))",
                                           "the ladder coefficients are divided by " +
                                               shortNumber(static_cast<double>(1 / shrink)) +
                                               " to fit the kernel's word, [-1, 1)"});
        }
        for (std::size_t m = 1; m <= order; ++m) {
            const std::int64_t q = std::llround(k[m - 1] * unit);
            if (!(std::fabs(static_cast<real>(q)) < unit))
                refuseUnstable(kernel, m, static_cast<double>(q / unit),
                               std::string("после округления до q") + std::to_string(fraction));
            l.reflectionFixed.push_back(q);
            l.reflection.push_back(static_cast<double>(q / unit));
        }
        for (double c : v) {
            const std::int64_t q = std::llround(c * unit);
            l.ladderFixed.push_back(q);
            l.ladder.push_back(static_cast<double>(q / unit));
        }
    } else {
        for (std::size_t m = 1; m <= order; ++m) {
            const float q = static_cast<float>(k[m - 1]);
            if (!(std::fabs(q) < 1))
                refuseUnstable(kernel, m, q, "после округления до float");
            l.reflectionSingle.push_back(q);
            l.reflection.push_back(q);
        }
        for (double c : v) {
            const float q = static_cast<float>(c);
            if (!std::isfinite(q))
                throw UserMessage("Лестничные коэффициенты решетки выходят за пределы чисел float");
            l.ladderSingle.push_back(q);
            l.ladder.push_back(q);
        }
    }

    // The realised filter is `scale` times the file's; the quantised one the lattice's own.
    im.gain = scale;
    for (double& c : im.cascade.sections.front().num)
        c = static_cast<double>(c * scale);
    im.quantised =
        sectionsOfPolynomials(numeratorOf(l.ladder, l.reflection), denominatorOf(l.reflection));
    return im;
}

} // namespace zorkan
