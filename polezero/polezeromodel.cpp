#include "polezero/polezeromodel.h"

#include "cascade/norms.h"
#include "cascade/response.h"
#include "common/errors.h"

#include <cmath>
#include <numbers>

namespace zorkan {

namespace {

// A magnitude this small (-240 dB) is a zero on the circle whose angle rounding moved.
constexpr long double silentMagnitude = 1e-12L;

SectionRoot checked(SectionRoot root) {
    if (root.multiplicity < 1)
        throw UserMessage("Кратность корня должна быть не меньше 1");
    if (root.pair() && root.radius < 0)
        root = {-root.radius, std::numbers::pi - root.angle, root.multiplicity};
    return root;
}

} // namespace

std::size_t PoleZeroModel::add(RootSet set, SectionRoot root) {
    list(set).push_back(checked(root));
    return list(set).size() - 1;
}

void PoleZeroModel::remove(RootSet set, std::size_t index) {
    std::vector<SectionRoot>& l = list(set);
    l.erase(l.begin() + static_cast<std::ptrdiff_t>(index));
}

void PoleZeroModel::move(RootSet set, std::size_t index, std::complex<double> z) {
    SectionRoot& root = list(set).at(index);
    root = SectionRoot::at(z, root.multiplicity);
}

void PoleZeroModel::setMultiplicity(RootSet set, std::size_t index, int multiplicity) {
    if (multiplicity < 1)
        throw UserMessage("Кратность корня должна быть не меньше 1");
    list(set).at(index).multiplicity = multiplicity;
}

double PoleZeroModel::gainFactor() const {
    return factorFor(std::nullopt);
}

double PoleZeroModel::gainFactor(double unitPeak) const {
    return factorFor(unitPeak);
}

double PoleZeroModel::factorFor(std::optional<long double> unitPeak) const {
    if (gain.kind == GainKind::Fixed)
        return gain.value;
    const std::vector<SecondOrderSection> unit = sectionsFromRoots(zeros_, poles_, 1);
    long double magnitude;
    if (gain.kind == GainKind::AtPeak) {
        if (!cascadeStable(unit))
            throw UserMessage("Полюс на единичной окружности или вне ее: наибольшее усиление "
                              "не ограничено, нормировать по нему нельзя");
        magnitude = unitPeak ? *unitPeak : peakGain(unit, unit.size());
    } else {
        if (!(gain.frequency >= 0 && gain.frequency <= fd / 2))
            throw UserMessage("Частота нормировки должна лежать от 0 до FD/2");
        magnitude = cascadeMagnitude(unit, unit.size(),
                                     2 * std::numbers::pi_v<long double> * gain.frequency / fd);
    }
    if (!(magnitude > silentMagnitude) || !std::isfinite(static_cast<double>(magnitude)))
        throw UserMessage("На частоте нормировки |H| равен нулю или не ограничен: "
                          "задайте другую частоту");
    return static_cast<double>(gain.value / magnitude);
}

std::vector<SecondOrderSection> PoleZeroModel::sections() const {
    return sectionsFromRoots(zeros_, poles_, gainFactor());
}

FilterCoefficients PoleZeroModel::filter() const {
    FilterCoefficients f;
    f.kind = lowPass;
    for (const SecondOrderSection& s : sections()) {
        FilterSection fs;
        for (int i = 0; i < 3; ++i) {
            fs.a[i] = s.num[i];
            fs.b[i] = s.den[i];
        }
        f.sections.push_back(fs);
    }
    f.order = static_cast<std::uint32_t>(2 * f.sections.size());
    return f;
}

PoleZeroModel PoleZeroModel::fromSections(const std::vector<SecondOrderSection>& sections,
                                          double fd) {
    const CascadeRoots roots = rootsOfSections(sections);
    PoleZeroModel model;
    model.fd = fd;
    model.zeros_ = roots.zeros;
    model.poles_ = roots.poles;
    model.gain = {GainKind::Fixed, roots.gain, 0};
    return model;
}

} // namespace zorkan
