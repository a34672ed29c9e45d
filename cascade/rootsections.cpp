// Roots to second-order sections and back.
#include "cascade/rootsections.h"

#include "cascade/roots.h"
#include "common/errors.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace zorkan {

namespace {

// 1 + c1 w + c2 w^2 in w = z^-1, with the root that stands for it when zeros are matched
// with poles and the largest modulus of its roots.
struct RootFactor {
    long double c1 = 0, c2 = 0;
    std::complex<long double> representative;
    long double radius = 0;
};

std::vector<RootFactor> factorsOf(const std::vector<SectionRoot>& roots) {
    std::vector<RootFactor> factors;
    std::vector<long double> reals;
    for (const SectionRoot& r : roots) {
        for (int m = 0; m < r.multiplicity; ++m) {
            if (!r.pair()) {
                reals.push_back(r.radius);
                continue;
            }
            RootFactor f;
            f.c1 = -2 * r.radius * std::cos(r.angle);
            f.c2 = static_cast<long double>(r.radius) * r.radius;
            f.representative = r.z();
            f.radius = r.radius;
            factors.push_back(f);
        }
    }
    std::sort(reals.begin(), reals.end());
    std::size_t i = 0, j = reals.size();
    for (; j - i >= 2; ++i, --j) {
        const long double a = reals[i], b = reals[j - 1];
        RootFactor f;
        f.c1 = -(a + b);
        f.c2 = a * b;
        f.representative = std::abs(a) > std::abs(b) ? a : b;
        f.radius = std::max(std::abs(a), std::abs(b));
        factors.push_back(f);
    }
    if (j > i) {
        RootFactor f;
        f.c1 = -reals[i];
        f.representative = reals[i];
        f.radius = std::abs(reals[i]);
        factors.push_back(f);
    }
    return factors;
}

void store(const RootFactor& f, double out[3]) {
    out[0] = 1;
    out[1] = static_cast<double>(f.c1);
    out[2] = static_cast<double>(f.c2);
}

// The roots of c0 + c1 w + c2 w^2 (c0 != 0) as factors (1 - z w), added to `roots`.
void addRoots(const double c[3], std::vector<SectionRoot>& roots) {
    const int degree = c[2] != 0 ? 2 : c[1] != 0 ? 1 : 0;
    const auto add = [&roots](std::complex<double> z) {
        if (z.imag() < 0)
            return; // the pair is kept by its member above the axis
        const SectionRoot root = SectionRoot::at(z);
        for (SectionRoot& r : roots)
            if (r.radius == root.radius && r.angle == root.angle) {
                ++r.multiplicity;
                return;
            }
        roots.push_back(root);
    };
    if (degree == 1) {
        add(-c[1] / c[0]);
    } else if (degree == 2) {
        const QuadraticRoots q = quadraticRoots(c[0], c[1], c[2]);
        const std::complex<double> first(static_cast<double>(q.first.real()),
                                         static_cast<double>(q.first.imag()));
        const std::complex<double> second(static_cast<double>(q.second.real()),
                                          static_cast<double>(q.second.imag()));
        add(first);
        if (first.imag() == 0)
            add(second);
    }
}

} // namespace

SectionRoot SectionRoot::at(std::complex<double> z, int multiplicity) {
    if (z.imag() == 0)
        return {z.real(), 0, multiplicity};
    return {std::abs(z), std::abs(std::arg(z)), multiplicity};
}

std::vector<SecondOrderSection> sectionsFromRoots(const std::vector<SectionRoot>& zeros,
                                                  const std::vector<SectionRoot>& poles,
                                                  double gain) {
    std::vector<RootFactor> zeroFactors = factorsOf(zeros);
    std::vector<RootFactor> poleFactors = factorsOf(poles);
    std::stable_sort(poleFactors.begin(), poleFactors.end(),
                     [](const RootFactor& p, const RootFactor& q) { return p.radius > q.radius; });

    SecondOrderCascade cascade;
    std::vector<bool> taken(zeroFactors.size(), false);
    for (const RootFactor& pole : poleFactors) {
        SecondOrderSection s;
        store(pole, s.den);
        std::size_t nearest = zeroFactors.size();
        for (std::size_t k = 0; k < zeroFactors.size(); ++k)
            if (!taken[k] &&
                (nearest == zeroFactors.size() ||
                 std::abs(zeroFactors[k].representative - pole.representative) <
                     std::abs(zeroFactors[nearest].representative - pole.representative)))
                nearest = k;
        if (nearest < zeroFactors.size()) {
            taken[nearest] = true;
            store(zeroFactors[nearest], s.num);
        }
        cascade.sections.push_back(s);
    }
    for (std::size_t k = 0; k < zeroFactors.size(); ++k)
        if (!taken[k]) {
            SecondOrderSection s;
            store(zeroFactors[k], s.num);
            cascade.sections.push_back(s);
        }
    if (cascade.sections.empty())
        cascade.sections.push_back(SecondOrderSection{});
    orderSections(cascade, SectionOrder::Ascending);
    for (double& c : cascade.sections.front().num)
        c *= gain;
    return cascade.sections;
}

CascadeRoots rootsOfSections(const std::vector<SecondOrderSection>& sections) {
    CascadeRoots roots;
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const SecondOrderSection& s = sections[k];
        if (s.num[0] == 0 || s.den[0] == 0)
            throw UserMessage("Секция " + std::to_string(k + 1) +
                              " начинается с задержки (первый коэффициент числителя или "
                              "знаменателя равен нулю): ее нельзя задать нулями и полюсами");
        roots.gain *= s.num[0] / s.den[0];
        addRoots(s.num, roots.zeros);
        addRoots(s.den, roots.poles);
    }
    return roots;
}

} // namespace zorkan
