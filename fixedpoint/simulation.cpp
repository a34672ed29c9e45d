#include "fixedpoint/simulation.h"

#include "cascade/response.h"
#include "fixedpoint/lattice.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace zorkan {

Simulator::Simulator(const Implementation& implementation)
    : im_(implementation), target_(implementation.options.arithmetic.target) {
    const Arithmetic& a = im_.options.arithmetic;
    dataBits_ = a.dataBits;
    lastBit_ = std::ldexp(1.0, -(dataBits_ - 1));
    top_ = (std::int64_t{1} << (dataBits_ - 1)) - 1;
    bottom_ = -(std::int64_t{1} << (dataBits_ - 1));
    for (const FixedCoefficients& f : im_.fixed)
        shifts_.push_back(a.coefBits - 1 - f.shift);
    flattenPrograms();
    lattice_ = !im_.lattice.reflection.empty();
    reset();
}

void Simulator::flattenPrograms() {
    std::size_t stateOffset = 0, floatOffset = 0;
    int widest = 0;
    for (const SectionProgram& p : im_.programs) {
        FlatSection f{nodes_.size(), p.nodes.size(), p.states,    p.residues(), p.output,
                      p.slotCount(), stateOffset,    floatOffset, p.next};
        for (const ProgramNode& n : p.nodes) {
            nodes_.push_back({terms_.size(), n.terms.size(), n.fraction, n.errorFeedback,
                              n.feedback[0], n.feedback[1]});
            for (const ProgramTerm& t : n.terms)
                terms_.push_back({t.slot, t.fixed, t.value, t.single});
        }
        stateOffset += static_cast<std::size_t>(p.states + p.residues());
        floatOffset += static_cast<std::size_t>(p.states);
        widest = std::max(widest, p.slotCount());
        sections_.push_back(std::move(f));
    }
    fixedSlots_.assign(static_cast<std::size_t>(widest), 0);
    doubleSlots_.assign(static_cast<std::size_t>(widest), 0);
    floatSlots_.assign(static_cast<std::size_t>(widest), 0);
}

void Simulator::reset() {
    const std::size_t n = im_.cascade.sections.size();
    if (lattice_) {
        const std::size_t order = im_.lattice.reflection.size();
        fixedState_.assign(order, 0);
        floatingState_.assign(order, 0.0);
        floatState_.assign(order, 0.0f);
    } else if (!sections_.empty()) {
        const FlatSection& last = sections_.back();
        const std::size_t states =
            last.stateOffset + static_cast<std::size_t>(last.states + last.residues);
        const std::size_t floating = last.floatOffset + static_cast<std::size_t>(last.states);
        fixedState_.assign(states, 0);
        floatingState_.assign(floating, 0.0);
        floatState_.assign(floating, 0.0f);
    } else {
        fixedState_.assign(4 * n, 0);
        floatingState_.assign(2 * n, 0.0);
        floatState_.assign(2 * n, 0.0f);
    }
    counts_ = {};
}

std::int64_t Simulator::stepProgramFixed(std::int64_t x) {
    const bool nearest = im_.options.arithmetic.rounding == Rounding::Nearest;
    std::int64_t* v = fixedSlots_.data();
    for (const FlatSection& s : sections_) {
        std::int64_t* state = fixedState_.data() + s.stateOffset;
        v[0] = x;
        for (int r = 0; r < s.states; ++r)
            v[1 + r] = state[r];
        std::int64_t* residue = state + s.states;
        for (std::size_t j = 0; j < s.nodeCount; ++j) {
            const FlatNode& n = nodes_[s.firstNode + j];
            std::int64_t acc = 0;
            for (std::size_t i = n.first; i < n.first + n.count; ++i)
                acc += terms_[i].fixed * v[terms_[i].slot];
            if (n.feedback)
                acc -= n.r1 * residue[0] + n.r2 * residue[1];
            const int f = n.fraction;
            // The shift of a negative number is arithmetic (floor) in C++20.
            const std::int64_t rounded =
                nearest ? (acc + (std::int64_t{1} << (f - 1))) >> f : acc >> f;
            if (n.feedback) {
                // The residue of this rounding, exactly, in units of the sum's last bit.
                residue[1] = residue[0];
                residue[0] = acc - rounded * (std::int64_t{1} << f);
                residue += 2;
            }
            // Within the data word the value is stored as it is; only beyond it is the
            // overflow rule (and its count) called.
            v[1 + s.states + static_cast<int>(j)] =
                rounded >= bottom_ && rounded <= top_ ? rounded : overflow(rounded);
        }
        for (int r = 0; r < s.states; ++r)
            state[r] = v[s.next[static_cast<std::size_t>(r)]];
        x = v[1 + s.states + s.output];
    }
    return x;
}

template <typename T> T Simulator::stepProgramFloating(T x, std::vector<T>& allStates, bool fused) {
    T* v;
    if constexpr (std::is_same_v<T, float>)
        v = floatSlots_.data();
    else
        v = doubleSlots_.data();
    for (const FlatSection& s : sections_) {
        T* state = allStates.data() + s.floatOffset;
        v[0] = x;
        for (int r = 0; r < s.states; ++r)
            v[1 + r] = state[r];
        for (std::size_t j = 0; j < s.nodeCount; ++j) {
            const FlatNode& n = nodes_[s.firstNode + j];
            const auto c = [&](std::size_t i) {
                if constexpr (std::is_same_v<T, float>)
                    return terms_[i].single;
                else
                    return terms_[i].value;
            };
            T acc;
            if (fused) {
                // From the last product back to the first, each added by one fused step.
                std::size_t i = n.first + n.count - 1;
                acc = c(i) * v[terms_[i].slot];
                while (i-- > n.first)
                    acc = std::fma(c(i), v[terms_[i].slot], acc);
            } else {
                acc = c(n.first) * v[terms_[n.first].slot];
                for (std::size_t i = n.first + 1; i < n.first + n.count; ++i) {
                    const T product = c(i) * v[terms_[i].slot];
                    acc = acc + product;
                }
            }
            v[1 + s.states + static_cast<int>(j)] = acc;
        }
        for (int r = 0; r < s.states; ++r)
            state[r] = v[s.next[static_cast<std::size_t>(r)]];
        x = v[1 + s.states + s.output];
    }
    return x;
}

std::int64_t Simulator::overflow(std::int64_t v) {
    if (v >= bottom_ && v <= top_)
        return v;
    ++counts_.overflows;
    if (im_.options.arithmetic.overflow == Overflow::Saturate)
        return v > top_ ? top_ : bottom_;
    // Two's complement: the low W bits, read as a signed number.
    const std::uint64_t modulus = std::uint64_t{1} << dataBits_;
    const std::uint64_t low = static_cast<std::uint64_t>(v) & (modulus - 1);
    return low > static_cast<std::uint64_t>(top_) ? static_cast<std::int64_t>(low - modulus)
                                                  : static_cast<std::int64_t>(low);
}

namespace {

// The low 32 bits of v as a signed number.
std::int64_t low32(std::int64_t v) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
}

// A direct-form-I section's state (x[n-1], x[n-2], y[n-1], y[n-2]) after input x gave
// output y; the output is the next section's input.
std::int64_t shiftDirectFormOne(std::int64_t* s, std::int64_t x, std::int64_t y) {
    s[1] = s[0];
    s[0] = x;
    s[3] = s[2];
    s[2] = y;
    return y;
}

} // namespace

std::int64_t Simulator::stepCmsis(std::int64_t x) {
    const bool q15 = target_ == Target::CmsisQ15;
    for (std::size_t k = 0; k < im_.fixed.size(); ++k) {
        const std::int64_t* c = im_.fixed[k].c;
        std::int64_t* s = fixedState_.data() + 4 * k;
        // The kernel's coefficients: b0, b1, b2, -a1, -a2.
        const std::int64_t p[5] = {c[0] * x, c[1] * s[0], c[2] * s[1], -c[3] * s[2], -c[4] * s[3]};
        const int f = shifts_[k];
        std::int64_t y;
        if (q15) {
            // Products of 16-bit words: the 64-bit sum is exact.
            const std::int64_t acc = p[0] + p[1] + p[2] + p[3] + p[4];
            const std::int64_t shifted = low32(acc >> f);
            y = shifted > top_ ? top_ : shifted < bottom_ ? bottom_ : shifted;
            if (y != acc >> f)
                ++counts_.overflows;
        } else {
            // The 64-bit sum wraps; the exact one, for the count, from the products' high and
            // low 32 bits apart.
            std::uint64_t acc = 0;
            std::int64_t high = 0, low = 0;
            for (std::int64_t v : p) {
                acc += static_cast<std::uint64_t>(v);
                high += v >> 32;
                low += v & 0xffffffff;
            }
            const std::int64_t wrapped = static_cast<std::int64_t>(acc);
            y = low32(wrapped >> f);
            // Within 64 bits the wrapped sum is the exact one.
            const std::int64_t exactHigh = high + (low >> 32);
            const bool in64 =
                exactHigh >= -(std::int64_t{1} << 31) && exactHigh < (std::int64_t{1} << 31);
            if (!in64 || (wrapped >> f) != y)
                ++counts_.overflows;
        }
        x = shiftDirectFormOne(s, x, y);
    }
    return x;
}

std::int64_t Simulator::stepLattice(std::int64_t x) {
    const LatticeLadder& l = im_.lattice;
    return target_ == Target::CmsisLatticeQ15
               ? latticeStepQ15(l.reflectionFixed, l.ladderFixed, fixedState_, x, counts_.overflows)
               : latticeStepQ31(l.reflectionFixed, l.ladderFixed, fixedState_, x,
                                counts_.overflows);
}

std::int64_t Simulator::stepFixed(std::int64_t x) {
    if (target_ == Target::CmsisQ15 || target_ == Target::CmsisQ31)
        return stepCmsis(x);
    if (target_ == Target::CmsisLatticeQ15 || target_ == Target::CmsisLatticeQ31)
        return stepLattice(x);
    if (!sections_.empty())
        return stepProgramFixed(x);
    const bool nearest = im_.options.arithmetic.rounding == Rounding::Nearest;
    for (std::size_t k = 0; k < im_.fixed.size(); ++k) {
        const std::int64_t* c = im_.fixed[k].c;
        std::int64_t* s = fixedState_.data() + 4 * k;
        const std::int64_t acc = c[0] * x + c[1] * s[0] + c[2] * s[1] - c[3] * s[2] - c[4] * s[3];
        const int f = shifts_[k];
        // The shift of a negative number is arithmetic (floor) in C++20.
        const std::int64_t rounded = nearest ? (acc + (std::int64_t{1} << (f - 1))) >> f : acc >> f;
        const std::int64_t y = overflow(rounded);
        x = shiftDirectFormOne(s, x, y);
    }
    return x;
}

double Simulator::step(double x) {
    switch (target_) {
    case Target::Q15:
    case Target::Q31:
    case Target::Fixed:
    case Target::CmsisQ15:
    case Target::CmsisQ31:
    case Target::CmsisLatticeQ15:
    case Target::CmsisLatticeQ31: {
        const double scaled = std::floor(x / lastBit_ + 0.5);
        std::int64_t v;
        if (!(scaled <= static_cast<double>(top_))) {
            v = top_;
            ++counts_.inputClipped;
        } else if (!(scaled >= static_cast<double>(bottom_))) {
            v = bottom_;
            ++counts_.inputClipped;
        } else {
            v = static_cast<std::int64_t>(scaled);
        }
        return static_cast<double>(stepFixed(v)) * lastBit_;
    }
    case Target::Float:
    case Target::FloatFma: {
        const bool fused = target_ == Target::FloatFma;
        if (!sections_.empty())
            return stepProgramFloating<float>(static_cast<float>(x), floatState_, fused);
        float v = static_cast<float>(x);
        for (std::size_t k = 0; k < im_.single.size(); ++k) {
            const std::array<float, 5>& c = im_.single[k];
            float* s = floatState_.data() + 2 * k;
            float y;
            if (fused) {
                y = std::fmaf(c[0], v, s[0]);
                s[0] = std::fmaf(c[1], v, std::fmaf(-c[3], y, s[1]));
                s[1] = std::fmaf(c[2], v, -(c[4] * y));
            } else {
                const float p0 = c[0] * v;
                y = p0 + s[0];
                const float p1 = c[1] * v, p3 = c[3] * y;
                const float d = p1 - p3;
                s[0] = d + s[1];
                const float p2 = c[2] * v, p4 = c[4] * y;
                s[1] = p2 - p4;
            }
            v = y;
        }
        return v;
    }
    case Target::CmsisF32: {
        float v = static_cast<float>(x);
        for (std::size_t k = 0; k < im_.single.size(); ++k) {
            const std::array<float, 5>& c = im_.single[k];
            const float na1 = -c[3], na2 = -c[4];
            float* d = floatState_.data() + 2 * k;
            const float p0 = c[0] * v;
            const float y = p0 + d[0];
            const float p1 = c[1] * v;
            const float e = p1 + d[1];
            const float p3 = na1 * y;
            d[0] = e + p3;
            const float p2 = c[2] * v, p4 = na2 * y;
            d[1] = p2 + p4;
            v = y;
        }
        return v;
    }
    case Target::CmsisLatticeF32:
        return latticeStepF32(im_.lattice.reflectionSingle, im_.lattice.ladderSingle, floatState_,
                              static_cast<float>(x));
    case Target::CmsisFirQ15:
    case Target::CmsisFirQ31:
    case Target::CmsisFirF32:
        break; // taps of a ".fir" file: fixedpoint/firimplementation.h
    case Target::Double:
        if (lattice_)
            return latticeStepDouble(im_.lattice.reflection, im_.lattice.ladder, floatingState_, x);
        if (!sections_.empty())
            return stepProgramFloating<double>(x, floatingState_, false);
        break;
    }
    for (std::size_t k = 0; k < im_.quantised.size(); ++k) {
        const SecondOrderSection& c = im_.quantised[k];
        double* s = floatingState_.data() + 2 * k;
        const double p0 = c.num[0] * x;
        const double y = p0 + s[0];
        const double p1 = c.num[1] * x, p3 = c.den[1] * y;
        const double d = p1 - p3;
        s[0] = d + s[1];
        const double p2 = c.num[2] * x, p4 = c.den[2] * y;
        s[1] = p2 - p4;
        x = y;
    }
    return x;
}

double onDataWord(const Implementation& im, double x) {
    return onDataWord(im.options.arithmetic, x);
}

double onDataWord(const Arithmetic& a, double x) {
    if (!fixedPointTarget(a.target))
        return a.target == Target::Double ? x : static_cast<double>(static_cast<float>(x));
    const double lsb = std::ldexp(1.0, -(a.dataBits - 1));
    const double top = 1 - lsb;
    const double v = std::floor(x / lsb + 0.5) * lsb;
    return v > top ? top : v < -1 ? -1.0 : v;
}

std::vector<double> noiseStimulus(const Implementation& im, double amplitude, int samples,
                                  std::uint64_t seed) {
    return noiseStimulus(im.options.arithmetic, amplitude, samples, seed);
}

std::vector<double> noiseStimulus(const Arithmetic& a, double amplitude, int samples,
                                  std::uint64_t seed) {
    NoiseGenerator random(seed);
    std::vector<double> x(static_cast<std::size_t>(samples));
    // In float for the double target too, as the float targets take it.
    const bool fixed = fixedPointTarget(a.target);
    for (double& v : x) {
        v = amplitude * random.uniform();
        v = fixed ? onDataWord(a, v) : static_cast<float>(v);
    }
    return x;
}

std::vector<double> goldenStimulus(const Implementation& im, int samples) {
    return goldenStimulus(im.options.arithmetic, samples);
}

std::vector<double> goldenStimulus(const Arithmetic& a, int samples) {
    const std::size_t n = samples > 0 ? static_cast<std::size_t>(samples) : 0;
    const std::size_t sweep = n / 2, noise = n / 4;
    const bool fixed = fixedPointTarget(a.target);
    // Full scale: the largest data word, or 1 in floating point.
    const double amplitude = fixed ? 1 - std::ldexp(1.0, -(a.dataBits - 1)) : 1;
    std::vector<double> x(n, 0.0);
    // Frequency k / (2 sweep) cycles a sample at sample k: phase pi k^2 / (2 sweep).
    const long double pi = 3.141592653589793238462643383279502884L;
    for (std::size_t k = 0; k < sweep; ++k) {
        const long double kk = static_cast<long double>(k);
        const long double phase =
            std::fmod(pi * kk * kk / (2.0L * static_cast<long double>(sweep)), 2.0L * pi);
        x[k] = onDataWord(a, amplitude * static_cast<double>(std::sin(phase)));
    }
    NoiseGenerator random(0x5A4F524B414EULL);
    for (std::size_t k = sweep; k < sweep + noise; ++k)
        x[k] = onDataWord(a, amplitude * random.uniform());
    return x;
}

Implementation doubleReference(const Implementation& im) {
    Implementation ref = im;
    ref.options.arithmetic.target = Target::Double;
    ref.fixed.clear();
    ref.single.clear();
    // A lattice's reference is the same lattice in double.
    ref.lattice.reflectionFixed.clear();
    ref.lattice.ladderFixed.clear();
    ref.lattice.reflectionSingle.clear();
    ref.lattice.ladderSingle.clear();
    return ref;
}

namespace {

// Whether every product of the node but `except` lands on the data word unrounded.
bool exactBut(const ProgramNode& n, std::size_t except) {
    const std::int64_t unit = std::int64_t{1} << n.fraction;
    for (std::size_t i = 0; i < n.terms.size(); ++i)
        if (i != except && n.terms[i].fixed % unit != 0)
            return false;
    return true;
}

// Node b's rounding mirrors node a's of the sample before (see RoundingPoint): a sums
// c times node x, b sums -c times the state that keeps x, at the same fraction.
bool mirrors(const SectionProgram& p, std::size_t a, std::size_t b) {
    const ProgramNode& na = p.nodes[a];
    const ProgramNode& nb = p.nodes[b];
    if (na.errorFeedback || nb.errorFeedback || na.fraction != nb.fraction)
        return false;
    for (std::size_t i = 0; i < na.terms.size(); ++i) {
        const int x = na.terms[i].slot;
        if (x <= p.states || na.terms[i].fixed == 0 || !exactBut(na, i))
            continue;
        for (std::size_t j = 0; j < nb.terms.size(); ++j) {
            const int state = nb.terms[j].slot;
            if (state >= 1 && state <= p.states &&
                p.next[static_cast<std::size_t>(state - 1)] == x &&
                nb.terms[j].fixed == -na.terms[i].fixed && exactBut(nb, j))
                return true;
        }
    }
    return false;
}

} // namespace

std::vector<RoundingPoint> roundingPoints(const Implementation& im) {
    std::vector<RoundingPoint> points;
    if (im.programs.empty()) {
        for (std::size_t i = 0; i < im.quantised.size(); ++i)
            points.push_back({i, {1, 0, 0, 0}, {1, 0, 0, 0}});
        return points;
    }
    const bool fixed = fixedPointTarget(im.options.arithmetic.target);
    for (std::size_t k = 0; k < im.programs.size(); ++k) {
        const SectionProgram& p = im.programs[k];
        const std::size_t nodes = p.nodes.size();
        // The pairs first, whichever of the two comes first in the program: `mirror[a]` is
        // the node whose rounding repeats a's negated, `mirrored[b]` that b's is such a
        // repeat and no source of its own.
        constexpr std::size_t none = static_cast<std::size_t>(-1);
        std::vector<std::size_t> mirror(nodes, none);
        std::vector<bool> mirrored(nodes, false);
        for (std::size_t a = 0; fixed && a < nodes; ++a)
            for (std::size_t b = 0; !mirrored[a] && b < nodes; ++b)
                if (b != a && !mirrored[b] && mirror[b] == none && mirrors(p, a, b)) {
                    mirror[a] = b;
                    mirrored[b] = true;
                    break;
                }
        for (std::size_t j = 0; j < nodes; ++j) {
            const ProgramNode& n = p.nodes[j];
            // A sum whose every product is a multiple of the data word's last bit is
            // stored without rounding.
            if (mirrored[j] || (fixed && !n.errorFeedback && exactBut(n, n.terms.size())))
                continue;
            RoundingPoint point;
            point.section = k;
            double own[3];
            injectionNumerator(p, static_cast<int>(j), own);
            std::copy(own, own + 3, point.num);
            std::copy(own, own + 3, point.meanNum);
            if (mirror[j] != none) {
                double delayed[3];
                injectionNumerator(p, static_cast<int>(mirror[j]), delayed);
                for (int i = 0; i < 3; ++i) {
                    point.num[i + 1] -= delayed[i];
                    point.meanNum[i + 1] += delayed[i];
                }
            }
            points.push_back(point);
        }
    }
    return points;
}

std::complex<long double> roundingPathAt(const std::vector<SecondOrderSection>& q,
                                         const RoundingPoint& point, long double w, bool mean) {
    const std::complex<long double> inverse = std::polar(1.0L, -w);
    const std::size_t k = point.section;
    std::complex<long double> h =
        polynomialInInverse(mean ? point.meanNum : point.num, 3, inverse) /
        polynomialInInverse(q[k].den, 2, inverse);
    for (std::size_t i = k + 1; i < q.size(); ++i)
        h *= polynomialInInverse(q[i].num, 2, inverse) / polynomialInInverse(q[i].den, 2, inverse);
    return h;
}

std::vector<double> simulate(const Implementation& implementation, const std::vector<double>& input,
                             SimulationCounts* counts) {
    Simulator sim(implementation);
    std::vector<double> out;
    out.reserve(input.size());
    for (double x : input)
        out.push_back(sim.step(x));
    if (counts)
        *counts = sim.counts();
    return out;
}

} // namespace zorkan
