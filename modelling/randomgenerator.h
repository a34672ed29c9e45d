#pragma once
// The one process-wide random generator: a linear congruential sequence that starts at
// seed 0 when the process starts and is never reseeded, so every run draws the same
// numbers. Modelling noise and spectral noise draw from it in turn.
#include <cstdint>

namespace zorkan {

// seed := seed * 134775813 + 1 (mod 2^32); returns seed / 2^32, in [0, 1).
double nextRandom();

// Advances the seed the same way and returns the upper 32 bits of seed * n, in [0, n).
std::uint32_t nextRandomInt(std::uint32_t n);

// (nextRandom - 0.5) * 2: uniform in [-1, 1); one draw.
double uniformNoise();

// Central-limit noise of twelve draws: the double sum of twelve nextRandom values,
// then (sum / 12 - 0.5) * 2 rounded to double once. In [-1, 1), deviation 1/6.
double gaussianNoise();

// The current seed. Setting it is for tests and for tools that replay a position of the
// sequence; the program itself never reseeds.
std::uint32_t randomSeed();
void setRandomSeed(std::uint32_t seed);

} // namespace zorkan
