// Parts of the data generator whose faults the data set's own checks would not
// show: the start view's framing and seamless noise.

#include <gtest/gtest.h>

#include <cmath>

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
