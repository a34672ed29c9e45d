#pragma once
// Norms of partial cascades, the measures by which a realised cascade is scaled: the
// peak of the magnitude over frequency and the L1 and L2 norms of the impulse response
// from the input to a section's output.
#include "cascade/response.h"
#include "cascade/secondorder.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace zorkan {

// Largest magnitude of the first `count` sections over 0 <= w <= pi: a grid of
// tolerance::peakGridIntervals intervals, then a golden-section search around the best
// grid point.
long double peakGain(const std::vector<SecondOrderSection>& sections, std::size_t count);

// The grid of peakGain: tolerance::peakGridIntervals + 1 points from 0 to pi on the unit
// circle, and the peak of the first `count` sections from their magnitudes on it: the
// grid's largest, refined between its neighbours and near the pole angles of sections
// `polesFrom`..count (those before are the caller's to have refined).
const std::vector<UnitCirclePoint>& peakGrid();
long double peakOnGrid(const std::vector<SecondOrderSection>& sections, std::size_t count,
                       const std::vector<long double>& magnitudes, std::size_t polesFrom = 0);

// Scales the numerators so that the cascade's largest gain over frequency is 1. The
// scale is spread over the sections: section k gets the factor that makes the peak gain
// of sections 1..k equal to 1, so no section's output can exceed full scale for a sine
// that does not exceed it at the input. A cascade whose gain is zero or unbounded is
// left as it is, with a warning.
void normaliseGain(SecondOrderCascade& cascade);

struct ImpulseNorms {
    bool bounded = true; // false when a pole of sections 1..count is on or outside |z| = 1
    long double l1 = 0;  // sum of |h[n]|
    long double l2 = 0;  // square root of the sum of h[n]^2
    long samples = 0;    // samples summed
};

// The norms of the impulse response of the first `count` sections, computed sample by
// sample in extended precision until the tail, which decays at least as fast as n^3 r^n
// for the largest pole radius r, is below tolerance::normTail of the sums.
ImpulseNorms impulseNorms(const std::vector<SecondOrderSection>& sections, std::size_t count);

// The samples over which the norms of the cascade are summed (its largest pole radius
// decides; 0 when a pole is on or outside the unit circle).
long normSamples(const std::vector<SecondOrderSection>& sections);

// Whether the norms of the cascade are its first normSamples samples' sums and a bound of
// the rest (impulseTail): its poles are distinct and one lies so near the circle that its
// sums would run past tolerance::tailBoundFrom samples.
bool tailBounded(const std::vector<SecondOrderSection>& sections);

// Upper bounds of the sum of |h[n]| and of h[n]^2 over n >= from, for the impulse response
// h of a cascade with distinct poles p_i (none where two coincide, or one is not inside the
// circle). Past the numerators' degree h[n] = sum c_i p_i^n, with c_i the residue of the
// cascade's transfer function at p_i, so |h[n]| <= sum |c_i| |p_i|^n: summed over n the
// bounds are sum |c_i| |p_i|^from / (1 - |p_i|) and
// sum_ij |c_i| |c_j| (|p_i| |p_j|)^from / (1 - |p_i| |p_j|).
struct ImpulseTail {
    long double l1 = 0;
    long double squares = 0;
};
std::optional<ImpulseTail> impulseTail(const std::vector<SecondOrderSection>& sections, long from);

// The norms of every partial cascade at once: element k those of sections 1..k+1, from
// one pass of the impulse through the whole cascade (summed as long as the whole
// cascade's tail needs).
std::vector<ImpulseNorms> partialImpulseNorms(const std::vector<SecondOrderSection>& sections);

// Squared L2 norms (the sum of h[n]^2 over every n) in closed form, exact whatever the
// length of the impulse response's tail. The cascade's state space, transposed direct form II
// per section, has the observability Gramian Q = A^T Q A + C^T C; A is lower block
// triangular, so Q is solved once, block by block, as 2x2 Stein equations. A response
// that starts at section k puts out its first sample y0 at once and leaves the state x1;
// everything after is the free response of x1, whose energy is x1^T Q x1.
class CascadeEnergy {
  public:
    explicit CascadeEnergy(const std::vector<SecondOrderSection>& sections);
    // False when a pole is on or outside the unit circle: every energy is then unbounded.
    bool bounded() const { return bounded_; }
    // num(z) / A_k(z) (num of any degree, over section k's denominator, k from 0), then
    // sections k+1 .. of the cascade.
    long double headed(std::size_t k, std::span<const double> num) const;

  private:
    std::vector<SecondOrderSection> sections_;
    bool bounded_ = true;
    std::vector<long double> gramian_; // the 2x2 blocks Q_ij, i >= j, row after row
};

// A sum of impulse samples this long or longer stops as soon as no sample to come can change
// it: the bound of what is left is looked at every tailCheckInterval samples, with tailMargin
// to spare for the roundings of the recursion (a stable recursion's own rounding errors stay
// near the unit roundoff times its noise gain, far below 2^-16, relative to its samples).
constexpr long boundedTailFrom = 65536;
constexpr long tailCheckInterval = 4096;
constexpr long double tailMargin = 1.0L / 65536;

// The impulse run through a cascade of `count` sections for up to `samples` samples, one
// section over a block of samples at a time, each section's outputs kept for the next.
// run(k, in, out) runs section k over the samples `in`, writing its outputs to `out` unless
// it is empty (the last section's are not kept). With `checked`, keep(k) is called as section
// k ends a checkpoint's sample (every tailCheckInterval samples) and settled() when the last
// section has reached one; where it says so the run stops. The sections then stand where
// sections run one sample apart would: section k has run count - 2 - k samples beyond the
// checkpoint, and `extra` more on stopping.
template <typename Value, typename Run, typename Keep, typename Settled>
void runImpulseInBlocks(std::size_t count, long samples, bool checked, long extra, Run&& run,
                        Keep&& keep, Settled&& settled) {
    if (count == 0)
        return;
    std::vector<long> reached(count, 0);
    std::vector<std::vector<Value>> pending(count); // outputs the next section has not taken
    std::vector<Value> impulse;
    const auto advance = [&](std::size_t k, long to) {
        to = std::min(to, samples);
        const long from = reached[k];
        if (to <= from)
            return;
        const std::size_t length = static_cast<std::size_t>(to - from);
        std::span<const Value> in;
        if (k == 0) {
            impulse.assign(length, Value(0));
            if (from == 0)
                impulse[0] = 1;
            in = impulse;
        } else {
            in = std::span<const Value>(pending[k - 1]).first(length);
        }
        std::span<Value> out;
        if (k + 1 < count) {
            const std::size_t kept = pending[k].size();
            pending[k].resize(kept + length);
            out = std::span<Value>(pending[k]).subspan(kept);
        }
        // Split where the section passes a checkpoint, to keep its state there.
        for (long n = from; n < to;) {
            long end = to;
            if (checked) {
                const long next = std::max(1L, (n + tailCheckInterval - 1) / tailCheckInterval) *
                                  tailCheckInterval;
                end = std::min(end, next + 1);
            }
            const std::size_t at = static_cast<std::size_t>(n - from);
            const std::size_t span = static_cast<std::size_t>(end - n);
            run(k, in.subspan(at, span), out.empty() ? out : out.subspan(at, span));
            n = end;
            const long last = end - 1;
            if (checked && last > 0 && last % tailCheckInterval == 0)
                keep(k);
        }
        if (k > 0)
            pending[k - 1].erase(pending[k - 1].begin(),
                                 pending[k - 1].begin() + static_cast<std::ptrdiff_t>(length));
        reached[k] = to;
    };
    const long ahead = static_cast<long>(count) - 1;
    for (long c = tailCheckInterval;; c += tailCheckInterval) {
        if (c >= samples) {
            for (std::size_t k = 0; k < count; ++k)
                advance(k, samples);
            return;
        }
        for (std::size_t k = 0; k < count; ++k)
            advance(k, c + std::max(1L, ahead - static_cast<long>(k)));
        if (checked && settled()) {
            for (std::size_t k = 0; k < count; ++k)
                advance(k, c + std::max(1L, ahead + extra - static_cast<long>(k)));
            return;
        }
    }
}

// What a linear system still puts out from its state, bounded: with the state x' = A x and the
// outputs y = C x (zero input), Q = sum over m >= 0 of (A^m)^T C^T C A^m gives the energy of
// every output to come, x^T Q x, and no single output sample to come exceeds its square root.
// Q is solved once by doubling, as CascadeEnergy's Gramian.
class FreeResponseBound {
  public:
    // a: states x states, c: outputs x states, both row after row.
    FreeResponseBound(std::size_t states, std::span<const long double> a,
                      std::span<const long double> c);
    // False when Q could not be summed (a pole on or outside the circle).
    bool valid() const { return valid_; }
    // sqrt(x^T Q x): no output sample from this state on is larger in magnitude.
    long double largest(std::span<const long double> state) const;

  private:
    std::size_t states_;
    bool valid_ = true;
    std::vector<long double> gramian_; // states x states, row after row
};

// Whether a sum of magnitudes in extended precision is already final: every term still to
// come is at most `term`, and `term` (with a wide margin for the roundings of the recursion
// that produces the terms) is below half a unit of the sum's last place, so that adding it,
// rounded to nearest, leaves the sum as it is, bit for bit. A zero sum is never final.
bool sumIsFinal(long double sum, long double term);

// The squared L2 norm of the whole cascade's impulse response (infinite when unbounded).
long double squaredL2Norm(const std::vector<SecondOrderSection>& sections);

// Results of norm computations kept by the exact numbers they came from (their bits): a
// search over word lengths realises the same coefficients again and again, and a norm summed
// over millions of samples of a pole near the unit circle is worth keeping. Safe to share
// between threads; beyond `capacity` results the oldest goes.
class NormKey {
  public:
    void add(double v) { bits_.push_back(std::bit_cast<std::uint64_t>(v)); }
    void add(long v) { bits_.push_back(static_cast<std::uint64_t>(v)); }
    void add(const SecondOrderSection& s) {
        for (int i = 0; i < 3; ++i) {
            add(s.num[i]);
            add(s.den[i]);
        }
    }
    bool operator<(const NormKey& other) const { return bits_ < other.bits_; }

  private:
    std::vector<std::uint64_t> bits_;
};

template <class Value> class NormMemo {
  public:
    explicit NormMemo(std::size_t capacity) : capacity_(capacity) {}
    std::optional<Value> find(const NormKey& key) const {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto found = values_.find(key);
        if (found == values_.end())
            return std::nullopt;
        return found->second;
    }
    void store(const NormKey& key, const Value& value) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!values_.emplace(key, value).second)
            return;
        order_.push_back(key);
        if (order_.size() > capacity_) {
            values_.erase(order_.front());
            order_.pop_front();
        }
    }

  private:
    std::size_t capacity_;
    mutable std::mutex mutex_;
    std::map<NormKey, Value> values_;
    std::deque<NormKey> order_;
};

} // namespace zorkan
