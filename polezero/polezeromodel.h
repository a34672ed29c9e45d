#pragma once
// What the pole-zero editor edits: the poles and zeros of a filter (real roots and
// conjugate pairs, each with its multiplicity), the rule that fixes its gain, and the
// filter they make as ordered second-order sections.
#include "cascade/rootsections.h"
#include "coefficients/filterfile.h"
#include "polezero/polegrid.h"

#include <optional>
#include <vector>

namespace zorkan {

// g = `value` (Fixed); or g such that |H| = `value` at `frequency` (in the unit of FD) or
// at the largest |H| over frequency (AtPeak).
enum class GainKind { Fixed, AtFrequency, AtPeak };
struct GainRule {
    GainKind kind = GainKind::AtPeak;
    double value = 1;
    double frequency = 0;
};

enum class RootSet { Zeros, Poles };

class PoleZeroModel {
  public:
    double fd = 1;
    GainRule gain;

    const std::vector<SectionRoot>& roots(RootSet set) const {
        return set == RootSet::Zeros ? zeros_ : poles_;
    }
    // A root or a pair (a pair of negative radius is the pair it means); a multiplicity
    // below 1 is refused. Returns its index.
    std::size_t add(RootSet set, SectionRoot root);
    void remove(RootSet set, std::size_t index);
    // Moves a root; a real root dragged off the axis becomes a pair and back.
    void move(RootSet set, std::size_t index, std::complex<double> z);
    void setMultiplicity(RootSet set, std::size_t index, int multiplicity);

    // The gain g of H(z) = g prod (1 - z_k z^-1) / prod (1 - p_k z^-1) the rule gives.
    // Refused (UserMessage) where the rule cannot hold: |H| zero or unbounded at the
    // frequency, a pole on or outside the unit circle for the peak, a frequency outside
    // 0..FD/2.
    double gainFactor() const;
    // The same with the peak of |H| at unit gain given for the rule AtPeak (an estimate
    // from curves already drawn) instead of searched for.
    double gainFactor(double unitPeak) const;
    // The sections by the one factoring rule, g in the first.
    std::vector<SecondOrderSection> sections() const;
    // As a parameter file holds them (low-pass kind, B0 = 1).
    FilterCoefficients filter() const;

    // The roots of stored sections (a ".flt"'s, factored as every tool factors it); the
    // gain rule becomes the gain the sections have.
    static PoleZeroModel fromSections(const std::vector<SecondOrderSection>& sections, double fd);

  private:
    double factorFor(std::optional<long double> unitPeak) const;
    std::vector<SectionRoot>& list(RootSet set) { return set == RootSet::Zeros ? zeros_ : poles_; }
    std::vector<SectionRoot> zeros_, poles_;
};

} // namespace zorkan
