#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "tools/data/Erosion.h"
#include "tools/data/Grid.h"

using namespace datagen;

namespace {

Grid cone(int n, float slope)
{
    Grid g(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            g.at(x, y) =
                40.0f - slope * std::hypot(static_cast<float>(x - n / 2), static_cast<float>(y - n / 2));
    return g;
}

double total(const Grid& g)
{
    return std::accumulate(g.values.begin(), g.values.end(), 0.0);
}

// Sum over neighbouring pairs of how far their difference exceeds the talus.
double excessOverTalus(const Grid& g, float talus)
{
    double sum = 0;
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            if (x + 1 < g.width) sum += std::fmax(0.0f, std::fabs(g.at(x + 1, y) - g.at(x, y)) - talus);
            if (y + 1 < g.height) sum += std::fmax(0.0f, std::fabs(g.at(x, y + 1) - g.at(x, y)) - talus);
        }
    return sum;
}

} // namespace

TEST(Erosion, ThermalMovesMaterialWithoutLosingAny)
{
    Grid g = cone(32, 2.5f);
    const double before = total(g);
    const double steepBefore = excessOverTalus(g, 1.0f);
    double previous = steepBefore;
    for (int round = 0; round < 10; ++round) {
        thermalErosion(g, 1.0f, 0.5f, 5);
        const double now = excessOverTalus(g, 1.0f);
        EXPECT_LT(now, previous) << "round " << round;
        previous = now;
    }
    EXPECT_NEAR(total(g), before, 1e-2 * std::fabs(before) + 1e-3);
    EXPECT_LT(previous, 0.75 * steepBefore);
}

TEST(Erosion, ThermalLeavesSlopesBelowTalusAlone)
{
    Grid g = cone(24, 0.8f);
    const Grid before = g;
    thermalErosion(g, 1.2f, 0.5f, 10);
    EXPECT_EQ(g.values, before.values);
}

TEST(Erosion, ThermalHandWorkedPair)
{
    // Two cells 4 apart, talus 1, rate 0.5: each moves a quarter of half the excess 3.
    Grid g(2, 1);
    g.at(0, 0) = 4.0f;
    g.at(1, 0) = 0.0f;
    thermalErosion(g, 1.0f, 0.5f, 1);
    EXPECT_FLOAT_EQ(g.at(0, 0), 4.0f - 0.375f);
    EXPECT_FLOAT_EQ(g.at(1, 0), 0.375f);
}

TEST(Erosion, HydraulicLeavesAFlatGridFlat)
{
    Grid g(16, 16, 3.0f);
    HydraulicParams p;
    p.droplets = 500;
    hydraulicErosion(g, p);
    for (float v : g.values)
        EXPECT_EQ(v, 3.0f);
}

TEST(Erosion, HydraulicIsDeterministicAndCutsIntoSlopes)
{
    Grid a = cone(40, 0.6f);
    Grid b = a;
    const Grid before = a;
    HydraulicParams p;
    p.droplets = 3000;
    p.seed = 9;
    hydraulicErosion(a, p);
    hydraulicErosion(b, p);
    EXPECT_EQ(a.values, b.values);
    int lowered = 0;
    for (size_t i = 0; i < a.values.size(); ++i) {
        ASSERT_TRUE(std::isfinite(a.values[i]));
        lowered += a.values[i] < before.values[i] - 1e-3f;
    }
    EXPECT_GT(lowered, 50);
    // Sediment is only ever taken from and returned to the grid or carried off: the total can only drop.
    EXPECT_LE(total(a), total(before) + 1e-2);
}
