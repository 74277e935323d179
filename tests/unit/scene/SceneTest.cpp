#include "scene/LodControl.h"
#include "scene/SceneCore.h"

#include <gtest/gtest.h>

#include <vector>

TEST(LodCoefficient, StepsOutsideTheBudgetWithinItsLimits)
{
    // veldrun: budget lodRange (5) x 5000 quads, one unit of 5000 either side left alone, limits 0.2 to 9.
    // The smaller programs: 32000 to 35000 quads, limits 0.5 to 3.
    const struct {
        bool veldrun;
        int32_t quads;
        float before, after;
    } cases[] = {{true, 20000, 1, 1},     {true, 34999, 1, 1},         {true, 35000, 1, 0.9f},
                 {true, 19999, 1, 1.1f},  {true, 0, 8.5f, 9},          {true, 99999, 0.21f, 0.2f},
                 {false, 32000, 1, 1},    {false, 35000, 1, 1},        {false, 35001, 1, 0.9f},
                 {false, 31999, 1, 1.1f}, {false, 40000, 0.52f, 0.5f}, {false, 0, 2.9f, 3}};
    for (const auto& c : cases) {
        LodControl lod{.lodCoefficient = c.before, .quadsDrawn = c.quads};
        if (c.veldrun)
            adjustLodCoefficient(lod);
        else
            adjustLodCoefficientToBand(lod.lodCoefficient, c.quads);
        EXPECT_FLOAT_EQ(lod.lodCoefficient, c.after) << c.quads;
    }
}

TEST(LodRange, FollowsTheFrameRateOnceTheCountdownRunsOut)
{
    LodControl lod;
    adjustLodRange(lod, 500.0); // off: nothing moves
    toggleAutoRangeAdjust(lod);
    std::vector<int> changes; // frames in which the range moved up, from 5 to 20
    for (int frame = 1; frame <= 300; ++frame) {
        const int before = lod.lodRange;
        adjustLodRange(lod, 200.0);
        if (lod.lodRange != before) changes.push_back(frame);
    }
    EXPECT_EQ(changes,
              (std::vector<int>{61, 72, 83, 94, 105, 116, 127, 138, 149, 160, 171, 182, 193, 204, 215}));
    // 150 is not above 150 nor 40 below 40: the rate is then tested every frame.
    for (int frame = 0; frame < 20; ++frame)
        adjustLodRange(lod, frame % 2 ? 150.0 : 40.0);
    adjustLodRange(lod, 39.0);
    EXPECT_EQ(std::pair(lod.lodRange, lod.rangeCountdown), std::pair(19, 10));
    for (int frame = 0; frame < 300; ++frame)
        adjustLodRange(lod, 30.0);
    EXPECT_EQ(lod.lodRange, 1);
    // Switching off sets 7; switching on again resumes the countdown where it stood.
    const int32_t countdown = lod.rangeCountdown;
    toggleAutoRangeAdjust(lod);
    EXPECT_EQ(std::pair(lod.autoRangeAdjust, lod.lodRange), std::pair(false, 7));
    toggleAutoRangeAdjust(lod);
    EXPECT_EQ(std::tuple(lod.autoRangeAdjust, lod.lodRange, lod.rangeCountdown),
              std::tuple(true, 7, countdown));
}

TEST(CellOf, TruncatesTowardZero)
{
    EXPECT_EQ(cellOf(3.9f), 3);
    EXPECT_EQ(cellOf(-0.5f), 0); // just off the grid names cell 0
    EXPECT_EQ(cellOf(-1.5f), -1);
}
