// Roots to second-order sections and back.
#include "cascade/rootsections.h"

#include "cascade/roots.h"
#include "common/errors.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace zorkan {

namespace {

// The factors of the roots by the one factoring rule: a pair's factor
// 1 - 2 r cos(A) w + r^2 w^2 from its polar form (exactly 1 for r^2 on the unit circle),
// the real roots sorted and paired by rootFactors.
std::vector<RootFactor> factorsOf(const std::vector<SectionRoot>& roots) {
    std::vector<RootFactor> factors;
    std::vector<std::complex<long double>> reals;
    for (const SectionRoot& r : roots)
        for (int m = 0; m < r.multiplicity; ++m) {
            if (!r.pair()) {
                reals.emplace_back(r.radius);
                continue;
            }
            RootFactor f;
            f.c[1] = -2 * static_cast<long double>(r.radius) * std::cos(r.angle);
            f.c[2] = static_cast<long double>(r.radius) * r.radius;
            f.degree = 2;
            factors.push_back(f);
        }
    const std::vector<RootFactor> paired = rootFactors(reals, 0);
    factors.insert(factors.end(), paired.begin(), paired.end());
    return factors;
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
    std::vector<SecondOrderSection> sections =
        sectionsFromFactors(factorsOf(zeros), factorsOf(poles), gain);
    if (sections.empty()) {
        sections.emplace_back();
        sections.front().num[0] = gain;
    }
    return sections;
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
