// Second-order sections of a stored filter: factoring of fourth-order sections,
// pairing, ordering and the stability warning.
#include "cascade/secondorder.h"

#include "cascade/roots.h"
#include "common/errors.h"
#include "common/textnumbers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace zorkan {

namespace {

using cplx = std::complex<long double>;

// A factor of up to second order in w = z^-1: c[0] + c[1] w + c[2] w^2.
struct Quadratic {
    long double c[3] = {1, 0, 0};
};

// Residuals of c0 (1 + p1 w + p2 w^2)(1 + q1 w + q2 w^2) against c, relative to c0.
void factorResiduals(const long double t[5], const long double x[4], long double r[4]) {
    r[0] = x[0] + x[2] - t[1];
    r[1] = x[1] + x[0] * x[2] + x[3] - t[2];
    r[2] = x[0] * x[3] + x[1] * x[2] - t[3];
    r[3] = x[1] * x[3] - t[4];
}

long double residualSize(const long double r[4]) {
    return std::abs(r[0]) + std::abs(r[1]) + std::abs(r[2]) + std::abs(r[3]);
}

// Newton's method on the coefficients of two factors with constant term 1, so that
// their product matches the polynomial to the last digits even where roots found from
// the companion matrix are blurred by multiplicity. A step is kept only when it lowers
// the residual; multiple roots make the system singular at the solution, where the
// steps still converge, if only linearly.
void refineFactors(const double c[5], Quadratic& p, Quadratic& q) {
    if (p.c[0] != 1 || q.c[0] != 1)
        return;
    long double t[5];
    for (int i = 0; i < 5; ++i)
        t[i] = static_cast<long double>(c[i]) / c[0];
    long double x[4] = {p.c[1], p.c[2], q.c[1], q.c[2]};
    long double r[4];
    factorResiduals(t, x, r);
    long double size = residualSize(r);
    for (int iteration = 0; iteration < 200 && size > 0; ++iteration) {
        // Jacobian rows of the four residuals by p1, p2, q1, q2, with -r beside them.
        long double m[4][5] = {{1, 0, 1, 0, -r[0]},
                               {x[2], 1, x[0], 1, -r[1]},
                               {x[3], x[2], x[1], x[0], -r[2]},
                               {0, x[3], 0, x[1], -r[3]}};
        bool singular = false;
        for (int col = 0; col < 4 && !singular; ++col) {
            int pivot = col;
            for (int row = col + 1; row < 4; ++row)
                if (std::abs(m[row][col]) > std::abs(m[pivot][col]))
                    pivot = row;
            if (m[pivot][col] == 0) {
                singular = true;
                break;
            }
            std::swap(m[col], m[pivot]);
            for (int row = col + 1; row < 4; ++row) {
                const long double factor = m[row][col] / m[col][col];
                for (int k = col; k < 5; ++k)
                    m[row][k] -= factor * m[col][k];
            }
        }
        if (singular)
            break;
        long double step[4];
        for (int row = 3; row >= 0; --row) {
            long double v = m[row][4];
            for (int k = row + 1; k < 4; ++k)
                v -= m[row][k] * step[k];
            step[row] = v / m[row][row];
        }
        // Damped: near a multiple root the full step may overshoot.
        long double next[4], rn[4], nextSize = size;
        for (int halving = 0; halving < 40 && !(nextSize < size); ++halving) {
            const long double scale = std::ldexp(1.0L, -halving);
            for (int i = 0; i < 4; ++i)
                next[i] = x[i] + scale * step[i];
            factorResiduals(t, next, rn);
            nextSize = residualSize(rn);
        }
        if (!(nextSize < size))
            break;
        std::copy(next, next + 4, x);
        std::copy(rn, rn + 4, r);
        size = nextSize;
    }
    p.c[1] = x[0];
    p.c[2] = x[1];
    q.c[1] = x[2];
    q.c[2] = x[3];
}

// Two factors of c[0] + ... + c[4] w^4; the leading coefficient is not included.
struct QuarticFactors {
    Quadratic q[2];
    long double lead = 0; // the lowest-power nonzero coefficient
    bool zero = false;
};

QuarticFactors factorQuarticLong(const double c[5]) {
    QuarticFactors f;
    int low = -1, high = -1;
    for (int i = 0; i <= 4; ++i) {
        if (c[i] != 0) {
            if (low < 0)
                low = i;
            high = i;
        }
    }
    if (low < 0) {
        f.zero = true;
        return f;
    }
    f.lead = c[low];
    // c[low] + ... + c[high] w^(high-low) = c[low] * product of (1 - z w) over the roots z
    // of c[low] z^(high-low) + ... + c[high].
    const std::vector<PolynomialRoot> roots =
        high > low ? rootsWithMultiplicity(c + low, high - low) : std::vector<PolynomialRoot>{};

    std::vector<cplx> found;
    for (const PolynomialRoot& r : roots)
        found.push_back(r.z);
    std::vector<Quadratic> quadratics;
    for (const RootFactor& factor : rootFactors(found, low)) {
        Quadratic q;
        std::copy(factor.c, factor.c + 3, q.c);
        quadratics.push_back(q);
    }
    for (std::size_t k = 0; k < quadratics.size() && k < 2; ++k)
        f.q[k] = quadratics[k];
    if (low == 0)
        refineFactors(c, f.q[0], f.q[1]);
    return f;
}

// The root of a factor that stands for it when numerators are matched with denominators:
// the one farthest from the origin, in the upper half-plane. None for a constant.
cplx representativeRoot(const Quadratic& q) {
    // Roots z of c0 z^2 + c1 z + c2 (for c0 = 1: the poles or zeros of the factor).
    if (q.c[0] == 0)
        return cplx(0);
    const QuadraticRoots r = quadraticRoots(q.c[0], q.c[1], q.c[2]);
    return r.first.imag() < 0 ? std::conj(r.first) : r.first;
}

cplx representativeRoot(const RootFactor& f) {
    return representativeRoot(Quadratic{{f.c[0], f.c[1], f.c[2]}});
}

void store(const Quadratic& q, long double scale, double out[3]) {
    for (int i = 0; i < 3; ++i)
        out[i] = static_cast<double>(q.c[i] * scale);
}

std::string number(long double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6Lg", v);
    return text;
}

} // namespace

std::vector<RootFactor> rootFactors(const std::vector<std::complex<long double>>& roots,
                                    int delays) {
    // Conjugate pairs stay together (the root finder gives exact conjugates).
    std::vector<RootFactor> factors;
    std::vector<long double> reals;
    for (const cplx& z : roots) {
        if (z.imag() == 0) {
            reals.push_back(z.real());
        } else if (z.imag() > 0) {
            RootFactor q;
            q.c[1] = -2 * z.real();
            q.c[2] = std::norm(z);
            q.degree = 2;
            factors.push_back(q);
        }
    }
    std::sort(reals.begin(), reals.end());
    std::vector<RootFactor> linears;
    std::size_t i = 0, j = reals.size();
    while (j - i >= 2) {
        RootFactor q;
        q.c[1] = -(reals[i] + reals[j - 1]);
        q.c[2] = reals[i] * reals[j - 1];
        q.degree = 2;
        factors.push_back(q);
        ++i;
        --j;
    }
    if (j > i) {
        RootFactor l;
        l.c[1] = -reals[i];
        l.degree = 1;
        linears.push_back(l);
    }
    for (int d = 0; d < delays; ++d) {
        RootFactor delay;
        delay.c[0] = 0;
        delay.c[1] = 1;
        delay.degree = 1;
        linears.push_back(delay);
    }
    for (std::size_t k = 0; k + 1 < linears.size(); k += 2) {
        const RootFactor& p = linears[k];
        const RootFactor& q = linears[k + 1];
        RootFactor r;
        r.c[0] = p.c[0] * q.c[0];
        r.c[1] = p.c[0] * q.c[1] + p.c[1] * q.c[0];
        r.c[2] = p.c[0] * q.c[2] + p.c[1] * q.c[1] + p.c[2] * q.c[0];
        r.degree = 2;
        factors.push_back(r);
    }
    if (linears.size() % 2 == 1)
        factors.push_back(linears.back());
    return factors;
}

std::vector<SecondOrderSection>
sectionsFromRoots(const std::vector<std::complex<long double>>& zeros, int zeroDelays,
                  const std::vector<std::complex<long double>>& poles, long double gain) {
    return sectionsFromFactors(rootFactors(zeros, zeroDelays), rootFactors(poles, 0), gain);
}

std::vector<SecondOrderSection> sectionsFromFactors(const std::vector<RootFactor>& zeroFactors,
                                                    std::vector<RootFactor> poleFactors,
                                                    long double gain) {
    std::stable_sort(poleFactors.begin(), poleFactors.end(),
                     [](const RootFactor& a, const RootFactor& b) {
                         return std::abs(representativeRoot(a)) < std::abs(representativeRoot(b));
                     });
    // Sections without poles come first; the pole factors follow, the least resonant
    // first, and the most resonant chooses its zeros first.
    const std::size_t count = std::max(poleFactors.size(), zeroFactors.size());
    const std::size_t withoutPoles = count - poleFactors.size();
    std::vector<SecondOrderSection> sections(count);
    for (std::size_t k = 0; k < poleFactors.size(); ++k)
        for (int i = 0; i < 3; ++i)
            sections[withoutPoles + k].den[i] = static_cast<double>(poleFactors[k].c[i]);
    std::vector<bool> taken(zeroFactors.size(), false);
    for (std::size_t k = count; k-- > 0;) {
        const cplx pole =
            k >= withoutPoles ? representativeRoot(poleFactors[k - withoutPoles]) : cplx(0);
        std::size_t best = zeroFactors.size();
        for (std::size_t m = 0; m < zeroFactors.size(); ++m) {
            if (taken[m])
                continue;
            if (best == zeroFactors.size() ||
                std::abs(representativeRoot(zeroFactors[m]) - pole) <
                    std::abs(representativeRoot(zeroFactors[best]) - pole))
                best = m;
        }
        if (best == zeroFactors.size())
            continue;
        taken[best] = true;
        for (int i = 0; i < 3; ++i)
            sections[k].num[i] = static_cast<double>(zeroFactors[best].c[i]);
    }
    if (!sections.empty())
        for (double& v : sections.front().num)
            v = static_cast<double>(v * gain);
    return sections;
}

std::vector<FilterSection> sectionsOverB0(const FilterCoefficients& filter) {
    std::vector<FilterSection> sections = filter.sections;
    for (std::size_t k = 0; k < sections.size(); ++k) {
        FilterSection& s = sections[k];
        const double b0 = s.b[0] == 0 ? 1.0 : s.b[0];
        for (int i = 0; i < 5; ++i) {
            const bool finite = std::isfinite(s.a[i]) && std::isfinite(s.b[i]);
            s.a[i] /= b0;
            s.b[i] /= b0;
            if (finite && (!std::isfinite(s.a[i]) || !std::isfinite(s.b[i])))
                throw UserMessage("В секции " + std::to_string(k + 1) +
                                  " коэффициент B0 =" + formatReal(b0) +
                                  " слишком мал: после деления на него коэффициенты секции "
                                  "выходят за пределы представимых чисел");
        }
        s.b[0] = 1;
    }
    return sections;
}

std::uint32_t filterOrder(const FilterCoefficients& filter) {
    std::uint32_t order = 0;
    for (const FilterSection& s : filter.sections) {
        int degree = 0;
        for (int m = 0; m < 5; ++m)
            if (s.a[m] != 0 || s.b[m] != 0)
                degree = m;
        order += static_cast<std::uint32_t>(degree);
    }
    return order;
}

std::vector<int> sectionsScaledByB0(const FilterCoefficients& filter) {
    std::vector<int> scaled;
    for (std::size_t k = 0; k < filter.sections.size(); ++k)
        if (filter.sections[k].b[0] != 1 && filter.sections[k].b[0] != 0)
            scaled.push_back(static_cast<int>(k) + 1);
    return scaled;
}

SecondOrderCascade secondOrderSections(const FilterCoefficients& filter) {
    SecondOrderCascade cascade;
    cascade.kind = filter.kind;
    cascade.order = filter.order;
    cascade.fileSections = filter.sections.size();
    const bool fourthOrder = filter.kind == bandPass;

    for (std::size_t k = 0; k < filter.sections.size(); ++k) {
        const FilterSection& raw = filter.sections[k];
        for (int i = 0; i < 5; ++i) {
            if (!std::isfinite(raw.a[i]) || !std::isfinite(raw.b[i]))
                throw UserMessage("Коэффициент секции " + std::to_string(k + 1) +
                                  " не является конечным числом");
        }
        if (raw.b[0] == 0)
            cascade.warnings.push_back(
                {"в секции " + std::to_string(k + 1) +
                     " коэффициент B0 равен нулю; он принят равным 1, как при фильтрации",
                 "section " + std::to_string(k + 1) +
                     ": B0 = 0 taken as 1, as ZORKAN's filtering engine does"});
        const FilterSection s = sectionsOverB0({filter.order, filter.kind, {raw}})[0];
        if (!fourthOrder) {
            SecondOrderSection sos;
            for (int i = 0; i < 3; ++i) {
                sos.num[i] = s.a[i];
                sos.den[i] = s.b[i];
            }
            cascade.sections.push_back(sos);
            continue;
        }
        QuarticFactors num = factorQuarticLong(s.a);
        QuarticFactors den = factorQuarticLong(s.b);
        // The pole pair nearer the origin first.
        if (poleRadius(den.q[1].c[1], den.q[1].c[2]) < poleRadius(den.q[0].c[1], den.q[0].c[2]))
            std::swap(den.q[0], den.q[1]);
        // Each zero pair with the pole pair nearest to it.
        if (!num.zero) {
            const cplx n0 = representativeRoot(num.q[0]), n1 = representativeRoot(num.q[1]);
            const cplx d0 = representativeRoot(den.q[0]), d1 = representativeRoot(den.q[1]);
            if (std::abs(n0 - d1) + std::abs(n1 - d0) < std::abs(n0 - d0) + std::abs(n1 - d1))
                std::swap(num.q[0], num.q[1]);
        }
        SecondOrderSection first, second;
        if (num.zero) {
            first.num[0] = 0;
        } else {
            store(num.q[0], num.lead, first.num);
            store(num.q[1], 1, second.num);
        }
        store(den.q[0], 1, first.den);
        store(den.q[1], 1, second.den);
        cascade.sections.push_back(first);
        cascade.sections.push_back(second);
    }

    if (cascade.sections.empty()) {
        cascade.sections.push_back(SecondOrderSection{});
        cascade.warnings.push_back(
            {"в файле нет секций; выведена одна секция, пропускающая сигнал без изменений",
             "the file holds no sections; one section that passes the signal is written"});
    }

    // The unstable section with the largest pole radius is named.
    long double worstRadius = 0;
    std::size_t worstSection = 0;
    bool unstable = false;
    bool zero = false;
    for (std::size_t k = 0; k < cascade.sections.size(); ++k) {
        const SecondOrderSection& s = cascade.sections[k];
        const long double r = sectionPoleRadius(s);
        if (!sectionStable(s) && (!unstable || r > worstRadius)) {
            unstable = true;
            worstRadius = r;
            worstSection = k;
        }
        if (s.num[0] == 0 && s.num[1] == 0 && s.num[2] == 0)
            zero = true;
    }
    if (unstable)
        cascade.warnings.push_back(
            {"фильтр неустойчив: полюс секции " + std::to_string(worstSection + 1) +
                 " лежит вне единичной окружности (|z| = " + number(worstRadius) + ")",
             "UNSTABLE: a pole of section " + std::to_string(worstSection + 1) +
                 " lies on or outside the unit circle (|z| = " + number(worstRadius) + ")"});
    if (zero)
        cascade.warnings.push_back(
            {"числитель одной из секций равен нулю: выход фильтра тождественно равен нулю",
             "a numerator is zero: the filter's output is identically zero"});
    return cascade;
}

long double sectionPoleRadius(const SecondOrderSection& s) {
    return poleRadius(s.den[1] / s.den[0], s.den[2] / s.den[0]);
}

bool sectionStable(const SecondOrderSection& s) {
    return insideUnitCircle(s.den, 2);
}

bool cascadeStable(const std::vector<SecondOrderSection>& sections) {
    return std::all_of(sections.begin(), sections.end(), sectionStable);
}

void orderSections(SecondOrderCascade& cascade, SectionOrder order) {
    if (order == SectionOrder::File)
        return;
    const bool ascending = order == SectionOrder::Ascending;
    std::stable_sort(cascade.sections.begin(), cascade.sections.end(),
                     [ascending](const SecondOrderSection& p, const SecondOrderSection& q) {
                         const long double rp = sectionPoleRadius(p), rq = sectionPoleRadius(q);
                         return ascending ? rp < rq : rp > rq;
                     });
}

void orderByPoleRadius(SecondOrderCascade& cascade) {
    orderSections(cascade, SectionOrder::Ascending);
}

SecondOrderCascade secondOrderSections(const std::string& path) {
    return secondOrderSections(readFilterFile(path, responseReader));
}

} // namespace zorkan
