#include "modelling/randomgenerator.h"

namespace zorkan {

namespace {

std::uint32_t seed = 0;

void advance() {
    seed = seed * 134775813u + 1u; // unsigned arithmetic wraps modulo 2^32
}

} // namespace

double nextRandom() {
    advance();
    return static_cast<double>(seed) * 0x1p-32;
}

std::uint32_t nextRandomInt(std::uint32_t n) {
    advance();
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(seed) * n) >> 32);
}

double uniformNoise() {
    return (nextRandom() - 0.5) * 2.0;
}

double gaussianNoise() {
    double sum = 0.0;
    for (int i = 0; i < 12; ++i)
        sum += nextRandom();
    const long double scaled = (static_cast<long double>(sum) / 12.0L - 0.5L) * 2.0L;
    return static_cast<double>(scaled);
}

std::uint32_t randomSeed() {
    return seed;
}

void setRandomSeed(std::uint32_t value) {
    seed = value;
}

} // namespace zorkan
