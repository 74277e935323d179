#include "scene/LodControl.h"

#include <gtest/gtest.h>

namespace {
LodControl afterQuads(int32_t quads, float coefficient = 1.0f)
{
    LodControl lod;
    lod.lodCoefficient = coefficient;
    lod.quadsDrawn = quads;
    adjustLodCoefficient(lod);
    return lod;
}
}  // namespace

TEST(LodCoefficient, DeadBandOfOneBudgetUnitEachSide)
{
    EXPECT_FLOAT_EQ(afterQuads(27000).lodCoefficient, 1.0f);    // q = 5
    EXPECT_FLOAT_EQ(afterQuads(20000).lodCoefficient, 1.0f);    // q = 4 = range - 1
    EXPECT_FLOAT_EQ(afterQuads(34999).lodCoefficient, 1.0f);    // q = 6 = range + 1
    EXPECT_FLOAT_EQ(afterQuads(35000).lodCoefficient, 0.9f);    // q = 7 > 6
    EXPECT_FLOAT_EQ(afterQuads(19999).lodCoefficient, 1.1f);    // q = 3 < 4
    EXPECT_FLOAT_EQ(afterQuads(0).lodCoefficient, 1.1f);
}

TEST(LodCoefficient, StaysWithinItsLimits)
{
    LodControl lod;
    lod.quadsDrawn = 1000000;
    for (int i = 0; i < 100; ++i) adjustLodCoefficient(lod);
    EXPECT_FLOAT_EQ(lod.lodCoefficient, 0.2f);
    lod.quadsDrawn = 0;
    for (int i = 0; i < 100; ++i) adjustLodCoefficient(lod);
    EXPECT_FLOAT_EQ(lod.lodCoefficient, 9.0f);
    EXPECT_FLOAT_EQ(afterQuads(0, 8.5f).lodCoefficient, 9.0f);
    EXPECT_FLOAT_EQ(afterQuads(100000, 0.21f).lodCoefficient, 0.2f);
}

TEST(LodRange, OffDoesNothing)
{
    LodControl lod;
    adjustLodRange(lod, 500.0);
    EXPECT_EQ(lod.lodRange, 5);
    EXPECT_EQ(lod.rangeCountdown, 60);
}

TEST(LodRange, HighRateClimbsOneStepEvery11FramesUpTo20)
{
    LodControl lod;
    lod.autoRangeAdjust = true;
    std::vector<int> changes;  // frame numbers where the range moved
    for (int frame = 1; frame <= 300; ++frame) {
        const int before = lod.lodRange;
        adjustLodRange(lod, 200.0);
        if (lod.lodRange != before) changes.push_back(frame);
    }
    EXPECT_EQ(lod.lodRange, 20);
    ASSERT_EQ(changes.size(), 15u);
    EXPECT_EQ(changes[0], 61);  // the countdown starts at 60
    EXPECT_EQ(changes[1], 72);
    EXPECT_EQ(changes[14], 61 + 14 * 11);
}

TEST(LodRange, LowRateFallsToOne)
{
    LodControl lod;
    lod.autoRangeAdjust = true;
    for (int frame = 0; frame < 200; ++frame) adjustLodRange(lod, 30.0);
    EXPECT_EQ(lod.lodRange, 1);
}

TEST(LodRange, MiddleRateHoldsAndIsTestedEveryFrame)
{
    LodControl lod;
    lod.autoRangeAdjust = true;
    for (int frame = 0; frame < 100; ++frame) adjustLodRange(lod, 100.0);
    EXPECT_EQ(lod.lodRange, 5);
    EXPECT_LT(lod.rangeCountdown, 0);
    adjustLodRange(lod, 151.0);  // the very next frame acts
    EXPECT_EQ(lod.lodRange, 6);
    EXPECT_EQ(lod.rangeCountdown, 10);
    for (int frame = 0; frame < 11; ++frame) adjustLodRange(lod, 150.0);  // 150 is not above 150
    EXPECT_EQ(lod.lodRange, 6);
    adjustLodRange(lod, 40.0);  // nor is 40 below 40
    EXPECT_EQ(lod.lodRange, 6);
}

TEST(LodRange, SwitchingOffSetsSevenAndOnKeepsTheRangeAndCountdown)
{
    LodControl lod;
    toggleAutoRangeAdjust(lod);
    EXPECT_TRUE(lod.autoRangeAdjust);
    EXPECT_EQ(lod.lodRange, 5);
    for (int frame = 0; frame < 30; ++frame) adjustLodRange(lod, 100.0);
    toggleAutoRangeAdjust(lod);
    EXPECT_FALSE(lod.autoRangeAdjust);
    EXPECT_EQ(lod.lodRange, 7);
    EXPECT_EQ(lod.rangeCountdown, 30);
    toggleAutoRangeAdjust(lod);  // resumes where the countdown stood
    EXPECT_EQ(lod.rangeCountdown, 30);
    EXPECT_EQ(lod.lodRange, 7);
}

TEST(LodCoefficientToBand, SmallerProgramsBand)
{
    float c = 1.0f;
    adjustLodCoefficientToBand(c, 31999);
    EXPECT_FLOAT_EQ(c, 1.1f);
    c = 1.0f;
    adjustLodCoefficientToBand(c, 32000);
    EXPECT_FLOAT_EQ(c, 1.0f);
    adjustLodCoefficientToBand(c, 35000);
    EXPECT_FLOAT_EQ(c, 1.0f);
    adjustLodCoefficientToBand(c, 36000);
    EXPECT_FLOAT_EQ(c, 0.9f);
    c = 0.52f;
    adjustLodCoefficientToBand(c, 40000);
    EXPECT_FLOAT_EQ(c, 0.5f);
    c = 2.9f;
    adjustLodCoefficientToBand(c, 0);
    EXPECT_FLOAT_EQ(c, 3.0f);
}
