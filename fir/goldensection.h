#pragma once
// The largest value of a function on an interval near a known point: golden sections,
// with the interval's ends and the starting point compared at the close.
#include <cmath>

namespace zorkan {

// Steps narrowing the interval to its 1.4e-6th part: a peak of two grid spacings' width
// found to a millionth of a spacing, its value to far below 1e-12 of itself.
constexpr int goldenSteps = 28;

template <class Function> double goldenPeak(double a, double b, double start, Function g) {
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    double best = start, bestValue = g(start);
    auto consider = [&](double f) {
        const double v = g(f);
        if (v > bestValue) {
            best = f;
            bestValue = v;
        }
    };
    consider(a);
    consider(b);
    double lo = a, hi = b;
    double c = hi - ratio * (hi - lo), d = lo + ratio * (hi - lo);
    double gc = g(c), gd = g(d);
    for (int step = 0; step < goldenSteps; ++step) {
        if (gc > gd) {
            hi = d;
            d = c;
            gd = gc;
            c = hi - ratio * (hi - lo);
            gc = g(c);
        } else {
            lo = c;
            c = d;
            gc = gd;
            d = lo + ratio * (hi - lo);
            gd = g(d);
        }
    }
    consider(gc > gd ? c : d);
    return best;
}

} // namespace zorkan
