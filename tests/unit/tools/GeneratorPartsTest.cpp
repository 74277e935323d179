// Parts of the data generator whose faults the data set's own checks would not
// show: the start view's framing, seamless noise, droplet erosion and the
// edited map's plateau.

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "tools/data/Erosion.h"
#include "tools/data/Heightmaps.h"
#include "tools/data/Noise.h"

using namespace datagen;

TEST(Framing, KeepsTheFirstQuarterPeriodShiftThatReachesItsTarget)
{
    int scored = 0;
    // Scores 10 * (column + 4 * row) of the quarter-period grid: 0 for no shift.
    const auto score = [&scored](LatticeOffset o) {
        ++scored;
        return std::lround(10 * (o.u * 4 + 16 * o.v));
    };
    LatticeOffset o = frameStartView(score, 65); // first reached by column 3, row 1 (score 70)
    EXPECT_EQ(std::tuple(scored, o.u, o.v), std::tuple(8, 0.75f, 0.25f));
    scored = 0;
    o = frameStartView([&scored](LatticeOffset) { return ++scored == 6 ? 5L : 1L; }, 1000);
    EXPECT_EQ(std::tuple(scored, o.u, o.v), std::tuple(16, 0.25f, 0.25f)); // none reaches it: the best kept
}

// The landscapes repeat over the map, so framing may shift them; a seam or a
// jump at a lattice line would show as a cliff.
TEST(Noise, GradientNoiseIsContinuousAndRepeatsWithItsPeriods)
{
    for (float y : {0.3f, 2.7f})
        for (int k = 1; k < 8; ++k) {
            const float x = static_cast<float>(k);
            EXPECT_NEAR(gradientNoise(x - 1e-3f, y, 8, 4, 5), gradientNoise(x + 1e-3f, y, 8, 4, 5), 0.01f);
            EXPECT_NEAR(gradientNoise(y, x - 1e-3f, 4, 8, 5), gradientNoise(y, x + 1e-3f, 4, 8, 5), 0.01f);
            EXPECT_NEAR(gradientNoise(x + 0.5f, y, 8, 4, 5), gradientNoise(x + 8.5f, y + 4.0f, 8, 4, 5),
                        1e-5f);
        }
}

// Droplets take material from the flanks of a cone and carry it downhill or
// off the map: they never lay down more than they took up.
TEST(Erosion, DropletsCutIntoSlopesAndNeverAddMaterial)
{
    Grid g(40, 40);
    for (int i = 0; i < 40 * 40; ++i)
        g.values[i] =
            40.0f - 0.6f * std::hypot(static_cast<float>(i % 40 - 20), static_cast<float>(i / 40 - 20));
    const Grid before = g;
    hydraulicErosion(g, HydraulicParams{.droplets = 3000});
    int lowered = 0;
    for (size_t i = 0; i < g.values.size(); ++i)
        lowered += g.values[i] < before.values[i] - 1e-3f;
    EXPECT_GT(lowered, 50);
    EXPECT_LE(std::reduce(g.values.begin(), g.values.end(), 0.0),
              std::reduce(before.values.begin(), before.values.end(), 0.0) + 1e-2);
}

// The cliff programs' plateau on a ramp 60 + x: level at its centre's height
// (156) over the inner 0.65 of its radius, untouched ground from the radius on.
TEST(MapEdits, ThePlateauIsLevelInsideAndLeavesTheGroundBeyondItsRadius)
{
    Grid ramp(kMapSize, kMapSize);
    for (size_t i = 0; i < ramp.values.size(); ++i)
        ramp.values[i] = 60.0f + static_cast<float>(i % kMapSize);
    // Plateau at (96, 20) with radius 13; crater at (40, 110) with radius 10; river about row 70,
    // 3 wide: crater, river and rock field lie far from the plateau.
    const Grid g = applyEdits(ramp, MapEdits{96, 20, 13, 40, 110, 10, 70, 3});
    for (int y = 0; y < 40; ++y)
        for (int x = 76; x < 116; ++x) {
            const float d = std::hypot(static_cast<float>(x - 96), static_cast<float>(y - 20));
            if (d > 0.65f * 13 && d < 13) continue; // the blend
            EXPECT_EQ(g.at(x, y), d < 13 ? 156.0f : ramp.at(x, y)) << x << ", " << y;
        }
}
