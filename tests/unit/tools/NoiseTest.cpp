#include <gtest/gtest.h>

#include <cmath>

#include "tools/data/Noise.h"
#include "tools/data/Random.h"

using namespace datagen;

TEST(Noise, GradientNoiseIsZeroOnLatticePoints)
{
    for (int y = -3; y < 5; ++y)
        for (int x = -3; x < 5; ++x)
            EXPECT_FLOAT_EQ(gradientNoise(static_cast<float>(x), static_cast<float>(y), 4, 4, 9), 0.0f);
}

TEST(Noise, GradientNoiseRepeatsWithItsPeriods)
{
    Random r(3);
    for (int i = 0; i < 500; ++i) {
        const float x = static_cast<float>(r.range(0.0, 5.0));
        const float y = static_cast<float>(r.range(0.0, 3.0));
        const float n = gradientNoise(x, y, 5, 3, 77);
        EXPECT_NEAR(gradientNoise(x + 5.0f, y, 5, 3, 77), n, 1e-4f);
        EXPECT_NEAR(gradientNoise(x, y + 3.0f, 5, 3, 77), n, 1e-4f);
        EXPECT_NEAR(gradientNoise(x - 10.0f, y - 6.0f, 5, 3, 77), n, 1e-4f);
        EXPECT_LE(std::fabs(n), 1.0f);
    }
}

TEST(Noise, GradientNoiseVariesAndDependsOnSeed)
{
    int differ = 0;
    float lo = 1, hi = -1;
    for (int i = 0; i < 200; ++i) {
        const float x = 0.37f + 0.13f * static_cast<float>(i);
        const float a = gradientNoise(x, 0.5f, 64, 64, 1);
        differ += a != gradientNoise(x, 0.5f, 64, 64, 2);
        lo = std::fmin(lo, a);
        hi = std::fmax(hi, a);
    }
    EXPECT_GT(differ, 150);
    EXPECT_GT(hi - lo, 0.5f);
}

TEST(Noise, CellularNoiseRepeatsAndOrdersDistances)
{
    Random r(4);
    for (int i = 0; i < 300; ++i) {
        const float x = static_cast<float>(r.range(0.0, 6.0));
        const float y = static_cast<float>(r.range(0.0, 2.0));
        const CellularDistances a = cellularNoise(x, y, 6, 2, 5);
        const CellularDistances b = cellularNoise(x + 6.0f, y + 2.0f, 6, 2, 5);
        EXPECT_NEAR(a.nearest, b.nearest, 1e-4f);
        EXPECT_NEAR(a.second, b.second, 1e-4f);
        EXPECT_EQ(a.nearestId, b.nearestId);
        EXPECT_LE(a.nearest, a.second);
        // A point of the own cell is never farther than the cell's diagonal.
        EXPECT_LT(a.nearest, 1.5f);
    }
}

TEST(Noise, FractalSumsTileOverTheUnitSquare)
{
    const FractalParams p{3, 2, 5, 0.5f, 11};
    Random r(5);
    for (int i = 0; i < 200; ++i) {
        const float u = static_cast<float>(r.uniform());
        const float v = static_cast<float>(r.uniform());
        EXPECT_NEAR(fractalNoise(u + 1.0f, v, p), fractalNoise(u, v, p), 1e-3f);
        EXPECT_NEAR(ridgedNoise(u, v + 1.0f, p), ridgedNoise(u, v, p), 1e-3f);
        const float rn = ridgedNoise(u, v, p);
        EXPECT_GE(rn, 0.0f);
        EXPECT_LE(rn, 1.0f);
    }
}

TEST(Random, SameSeedSameSequenceAndUniformRange)
{
    Random a(42), b(42), c(43);
    int same = 0;
    for (int i = 0; i < 1000; ++i) {
        const double x = a.uniform();
        EXPECT_EQ(x, b.uniform());
        same += x == c.uniform();
        EXPECT_GE(x, 0.0);
        EXPECT_LT(x, 1.0);
    }
    EXPECT_EQ(same, 0);
    // SplitMix64's published first output for seed 0.
    EXPECT_EQ(Random(0).next(), 0xE220A8397B1DCDAFull);
}
