// The process-wide generator: its sequence, its integer draw and the two noise laws.
#include "modelling/randomgenerator.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zorkan {
namespace {

class RandomGeneratorTest : public ::testing::Test {
  protected:
    void SetUp() override { setRandomSeed(0); }
};

TEST_F(RandomGeneratorTest, FirstDrawsFromProcessStart) {
    EXPECT_EQ(nextRandom(), 1.0 / 4294967296.0);
    EXPECT_EQ(randomSeed(), 1u);
    EXPECT_EQ(nextRandom(), 134775814.0 / 4294967296.0);
    EXPECT_EQ(randomSeed(), 134775814u);
}

TEST_F(RandomGeneratorTest, IntegerDrawTakesTheHighWordOfTheProduct) {
    setRandomSeed(134775814u); // next seed: 134775814 * 134775813 + 1 mod 2^32
    const std::uint32_t next = 134775814u * 134775813u + 1u;
    EXPECT_EQ(nextRandomInt(1000), static_cast<std::uint32_t>((std::uint64_t{next} * 1000) >> 32));
    EXPECT_EQ(randomSeed(), next);
    setRandomSeed(0); // seed 1 after the draw: 1 * n >> 32 is 0
    EXPECT_EQ(nextRandomInt(4294967295u), 0u);
}

TEST_F(RandomGeneratorTest, NoiseLawsShareTheSequence) {
    EXPECT_EQ(uniformNoise(), (1.0 / 4294967296.0 - 0.5) * 2.0);
    setRandomSeed(0);
    double sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += nextRandom();
    const std::uint32_t afterTwelve = randomSeed();
    setRandomSeed(0);
    EXPECT_EQ(gaussianNoise(),
              static_cast<double>((static_cast<long double>(sum) / 12 - 0.5L) * 2));
    EXPECT_EQ(randomSeed(), afterTwelve);
}

TEST_F(RandomGeneratorTest, GaussianNoiseHasTheCentralLimitSpread) {
    double sum = 0, squares = 0;
    const int n = 20000;
    for (int i = 0; i < n; ++i) {
        const double v = gaussianNoise();
        ASSERT_GE(v, -1.0);
        ASSERT_LT(v, 1.0);
        sum += v;
        squares += v * v;
    }
    EXPECT_NEAR(sum / n, 0.0, 0.005);
    EXPECT_NEAR(std::sqrt(squares / n), 1.0 / 6.0, 0.005);
}

} // namespace
} // namespace zorkan
