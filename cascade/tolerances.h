#pragma once
// The tolerances of the section mathematics, each with the reason for its value. They
// are the only places where two computed numbers are taken for one.

namespace zorkan::tolerance {

// Approximations of roots this close, relative to the larger modulus, are examined as
// one possible multiple root, and then at 1/10, 1/100 ... of it down to
// clusterDistanceSmallest. Loose on purpose: a group is taken as a multiple root only
// when the polynomial's derivatives confirm it (multipleRootResidual), so distinct close
// roots, such as four roots 1/256 apart, stay distinct.
constexpr long double clusterDistance = 1e-2L;
constexpr long double clusterDistanceSmallest = 1e-9L;

// A group of m approximations is an m-fold root at a when the polynomial and its first
// m - 1 derivatives vanish at a to this fraction of the sum of their terms' moduli: the
// size of a change in the last digits of the coefficients as a parameter file stores
// them (16 significant digits, with the rounding of a design's arithmetic before it).
// Distinct roots d apart (relative) pass only when d^m is below it: for a double root
// d < 6e-8, for a fourfold one d < 2.5e-4, where the product of the factors still
// reproduces the polynomial to this fraction.
constexpr long double multipleRootResidual = 4e-15L;

// A real or imaginary part of a root smaller than this against the root's modulus is
// what is left of a zero by the arithmetic of extended precision (8 units of its last
// digit): it is set to zero.
constexpr long double partNoise = 8 * 1.0842021724855044340e-19L;

// The iterations of the simultaneous root refinement stop when every correction is below
// this against the root's modulus (4 units of the last digit of extended precision).
constexpr long double refinementStep = 4 * 1.0842021724855044340e-19L;

// Refined roots whose product reproduces each coefficient of the monic polynomial to
// this fraction of the sum of the moduli of its terms (a few units of the last digit of
// extended precision) are taken; others are refined again from other starting points.
constexpr long double productResidual = 1e-17L;

// Roots placed together as a multiple root must reproduce the monic polynomial to this
// fraction (measured as above), or as well as the separate roots do.
constexpr long double mergedProductResidual = 1e-13L;

// Roots of different sections closer than this, against the larger of 1 and the root's
// modulus, are one place in the z-plane: drawn as one mark with the count of roots there
// (the double zeros at -1 of every section of a low-pass design come out equal to the
// last digits, not always to the last bit).
constexpr double samePlace = 1e-9;

// The peak of a cascade's magnitude over frequency: the grid on 0..pi, refined by a
// golden-section search around its best point.
constexpr int peakGridIntervals = 16384;

// The impulse response's L1 and L2 norms are summed until the tail can add no more
// than this fraction (the last digits of a double), or up to normSamplesLimit samples.
constexpr long double normTail = 1e-18L;
constexpr long normSamplesLimit = 10'000'000;

// A pole whose sums would run past tailBoundFrom samples (1 - r below about 8e-5), and past
// normSamplesLimit into billions of samples further in: the norms are then the sums of the
// first tailBoundFrom samples and an upper bound of the rest from the partial fractions of
// the response. Where the range begins the rest is below normTail (the bound changes nothing);
// at 1 - r = 1e-5 it is e^-10 of the slow resonance's part, at 4e-6 e^-4, and the bound, at
// most pi/2 over the tail of one resonance, adds at most a few hundredths of a decibel; nearer
// the circle it is what keeps the norm a bound at all.
constexpr long tailBoundFrom = 1'000'000;

// The partial fractions need distinct poles: poles of the cascade closer than this,
// relative to their modulus, are taken for a multiple pole, and the norms are summed to
// normSamplesLimit instead. The poles of a high-order elliptic design crowd the band edge
// a few 1e-9 apart, each residue's factors then lose about 1e-19 / 1e-9 of their value.
constexpr long double distinctPoles = 1e-11L;

// The bound of the tail is raised by this fraction for the roundings of the residues (up to
// 1e-19 / distinctPoles in each of two dozen factors) and of r^n (the million samples of
// the exponent times the last digit of extended precision).
constexpr long double tailBoundMargin = 1e-6L;

} // namespace zorkan::tolerance
