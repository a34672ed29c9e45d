#pragma once
// The pole pairs a second-order section of a structure can realise with C-bit
// coefficients: the grid of positions, its count and its largest gap.
//
// The coefficient format of each structure (integers of C bits, two's complement):
//   df1, df2, df2t, ef  a1, a2 (the denominator 1 + a1 z^-1 + a2 z^-2): multiples of
//                       2^-(C-2) in [-2, 2); the pair r e^(+-j theta) has a2 = r^2,
//                       a1 = -2 r cos theta
//   normal              alpha = r cos theta, beta = r sin theta: multiples of 2^-(C-1)
//                       in [-1, 1)
//   lattice             k1, k2: multiples of 2^-(C-1) in (-1, 1); a2 = k2,
//                       a1 = k1 (1 + k2)
//   optimal             none of its own: its coefficients depend on the zeros too
// A position is the member of a complex pair above the real axis (0 < theta < pi)
// strictly inside the unit circle.
#include "fixedpoint/structures.h"

#include <complex>
#include <cstdint>
#include <functional>

namespace zorkan {

// Coefficient words the grids are made for.
constexpr int gridMinimumBits = 4;
constexpr int gridMaximumBits = 20;

// Radii r0..r1 and angles theta0..theta1 (radians) of the positions counted.
struct GridRegion {
    double r0 = 0, r1 = 1;
    double theta0 = 0, theta1 = 3.14159265358979323846;
};

// Refuses (UserMessage) a word out of gridMinimumBits..gridMaximumBits.
void checkGridBits(std::int64_t coefBits);
// Refuses (UserMessage) a word out of gridMinimumBits..gridMaximumBits, the optimal
// structure, and a region out of order (not 0 <= r0 < r1 <= 1 and 0 <= theta0 <
// theta1 <= pi).
void checkGridRequest(Structure structure, int coefBits, const GridRegion& region);

// The largest gap is the largest distance from a position in the region to its nearest
// other position in the region (0 when there are fewer than two).
struct PoleGridFigures {
    std::int64_t count = 0;
    double largestGap = 0;
};
PoleGridFigures poleGridFigures(Structure structure, int coefBits, const GridRegion& region);

// Every position in the region, row by row (rows of equal a2, beta or k2, from the
// smallest), along each row from the left.
void forEachGridPoint(Structure structure, int coefBits, const GridRegion& region,
                      const std::function<void(std::complex<double>)>& point);

// The position nearest to the pole pair p (its member above the axis) when its
// coefficients are rounded to the structure's format (nearest, halves away from zero,
// held inside the range): a complex pair, or two real poles (`pair` false, `z` the one
// nearer to p); `distance` from p.
struct QuantisedPole {
    std::complex<double> z;
    bool pair = true;
    double distance = 0;
};
QuantisedPole quantisedPole(Structure structure, int coefBits, std::complex<double> p);

} // namespace zorkan
