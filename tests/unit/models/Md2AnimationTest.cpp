#include "models/Md2Model.h"
#include "tests/unit/models/Md2Builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace md2test;

namespace {

// n frames of two vertices; vertex k of frame f sits at (10f + k, 20f, 4f)
// (scale 1, so every coordinate is exact).
Md2Model framesModel(int n)
{
    Md2Spec s;
    s.texCoords = {{0, 0}};
    s.triangles = {{0, 1, 0, 0, 0, 0}};
    for (int f = 0; f < n; ++f) {
        FrameSpec frame;
        frame.vertices = {
            {static_cast<uint8_t>(10 * f), static_cast<uint8_t>(20 * f), static_cast<uint8_t>(4 * f), 0},
            {static_cast<uint8_t>(10 * f + 1), static_cast<uint8_t>(20 * f), static_cast<uint8_t>(4 * f), 1}};
        s.frames.push_back(frame);
    }
    Md2Model m;
    EXPECT_TRUE(parseMd2(build(s), m));
    return m;
}

constexpr Md2Animation kRow2to4(int16_t endMode)
{
    return Md2Animation{2, 4, 10, endMode};
}

// Calls at 101 ms spacing from the row's start: each one steps.
std::vector<int> currentFramesOverSteps(Md2Model& m, int steps)
{
    std::vector<int> seen;
    for (int i = 1; i <= steps; ++i) {
        advanceAnimation(m, 1.0f, 101.0f * static_cast<float>(i));
        seen.push_back(m.currentFrame);
    }
    return seen;
}

} // namespace

TEST(Md2Animation, SetAnimationCopiesTheOnlyRow)
{
    Md2Model m = framesModel(3);
    m.currentFrame = 2;
    m.blend = 0.25f;
    m.time = 7.0f;
    m.SetAnimation(0, 42.0f);
    EXPECT_EQ(m.firstFrame, 0);
    EXPECT_EQ(m.lastFrame, 0);
    EXPECT_EQ(m.nextFrame, 0);
    EXPECT_EQ(m.framesPerSecond, 0);
    EXPECT_EQ(m.endMode, 2);
    EXPECT_EQ(m.lastStepTime, 42.0f);
    // Not touched.
    EXPECT_EQ(m.currentFrame, 2);
    EXPECT_EQ(m.blend, 0.25f);
    EXPECT_EQ(m.time, 7.0f);
}

TEST(Md2Animation, IndexOutsideTheTableChangesNothing)
{
    Md2Model m = framesModel(3);
    m.SetAnimation(kRow2to4(1), 5.0f);
    m.SetAnimation(1, 99.0f);
    m.SetAnimation(-1, 99.0f);
    EXPECT_EQ(m.firstFrame, 2);
    EXPECT_EQ(m.lastStepTime, 5.0f);
}

TEST(Md2Animation, SpeedZeroAtTimeZeroShowsFrameZero)
{
    Md2Model m = framesModel(3);
    m.SetAnimation(0, 0.0f);
    advanceAnimation(m, 0.0f, 0.0f);
    EXPECT_EQ(m.currentFrame, 0);
    EXPECT_EQ(m.nextFrame, 0);
    EXPECT_EQ(m.blend, 0.0f);
    ASSERT_EQ(m.pose.size(), 2u);
    EXPECT_EQ(m.pose[0], m.frames[0].positions[0]);
    EXPECT_EQ(m.pose[1], m.frames[0].positions[1]);
    EXPECT_EQ(m.pose[1], (Vec3{1.0f, 0.0f, 0.0f}));
}

TEST(Md2Animation, NoStepAtExactlyOneIntervalAndBlendOne)
{
    Md2Model m = framesModel(6);
    m.SetAnimation(kRow2to4(1), 0.0f);
    advanceAnimation(m, 1.0f, 100.0f);
    EXPECT_EQ(m.currentFrame, 0); // SetAnimation does not set it
    EXPECT_EQ(m.nextFrame, 2);
    EXPECT_EQ(m.lastStepTime, 0.0f);
    EXPECT_EQ(m.time, 100.0f);
    EXPECT_EQ(m.blend, 1.0f);
    // Blend 1: the pose is the next frame.
    EXPECT_EQ(m.pose[0], (Vec3{20.0f, 40.0f, 8.0f}));

    advanceAnimation(m, 1.0f, 101.0f);
    EXPECT_EQ(m.currentFrame, 2);
    EXPECT_EQ(m.nextFrame, 3);
    EXPECT_EQ(m.lastStepTime, 101.0f);
    EXPECT_EQ(m.blend, 0.0f);
    EXPECT_EQ(m.pose[1], (Vec3{21.0f, 40.0f, 8.0f}));

    // Half an interval later the pose is half way from frame 2 to frame 3.
    advanceAnimation(m, 1.0f, 151.0f);
    EXPECT_EQ(m.currentFrame, 2);
    EXPECT_FLOAT_EQ(m.blend, 0.5f);
    EXPECT_FLOAT_EQ(m.pose[0].x, 25.0f);
    EXPECT_FLOAT_EQ(m.pose[0].y, 50.0f);
    EXPECT_FLOAT_EQ(m.pose[0].z, 10.0f);
}

TEST(Md2Animation, SpeedShortensTheInterval)
{
    Md2Model m = framesModel(6);
    m.SetAnimation(kRow2to4(1), 0.0f);
    advanceAnimation(m, 2.0f, 50.0f); // interval 50: no step
    EXPECT_EQ(m.nextFrame, 2);
    EXPECT_EQ(m.blend, 1.0f);
    advanceAnimation(m, 2.0f, 51.0f);
    EXPECT_EQ(m.currentFrame, 2);
}

TEST(Md2Animation, LoopModeCyclesTheRow)
{
    Md2Model m = framesModel(6);
    m.SetAnimation(kRow2to4(1), 0.0f);
    EXPECT_EQ(currentFramesOverSteps(m, 7), (std::vector<int>{2, 3, 4, 2, 3, 4, 2}));
}

TEST(Md2Animation, HoldModeStaysOnTheLastFrame)
{
    Md2Model m = framesModel(6);
    m.SetAnimation(kRow2to4(3), 0.0f);
    EXPECT_EQ(currentFramesOverSteps(m, 6), (std::vector<int>{2, 3, 4, 4, 4, 4}));
    EXPECT_EQ(m.nextFrame, 4);
}

TEST(Md2Animation, ModeZeroSwitchesToRowZero)
{
    Md2Model m = framesModel(6);
    m.SetAnimation(kRow2to4(0), 0.0f);
    EXPECT_EQ(currentFramesOverSteps(m, 3), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(m.currentFrame, 4);
    EXPECT_EQ(m.nextFrame, 0);
    EXPECT_EQ(m.framesPerSecond, 0);
    EXPECT_EQ(m.endMode, 2);
    EXPECT_EQ(m.lastStepTime, 303.0f);
    // Rate 0: no further step, however long.
    advanceAnimation(m, 1.0f, 1.0e6f);
    EXPECT_EQ(m.currentFrame, 4);
    EXPECT_EQ(m.nextFrame, 0);
    EXPECT_EQ(m.blend, 0.0f);
}

TEST(Md2Animation, OtherModesCountOnAndWrapAtTheModelsEnd)
{
    Md2Model m = framesModel(6);
    m.SetAnimation(kRow2to4(2), 0.0f);
    EXPECT_EQ(currentFramesOverSteps(m, 8), (std::vector<int>{2, 3, 4, 5, 0, 1, 2, 3}));
}

TEST(Md2Animation, RangeCheckSendsNextFramePastTheEndToZero)
{
    Md2Model m = framesModel(6);
    m.SetAnimation(Md2Animation{5, 5, 10, 7}, 0.0f);
    advanceAnimation(m, 1.0f, 101.0f);
    // Step: current 5, next 6 = num_frames, kept by mode 7, then sent to 0.
    EXPECT_EQ(m.currentFrame, 5);
    EXPECT_EQ(m.nextFrame, 0);
}

TEST(Md2Animation, RangeCheckWithoutAStep)
{
    Md2Model m = framesModel(3);
    m.currentFrame = 3;
    m.nextFrame = 9;
    advanceAnimation(m, 0.0f, 0.0f);
    EXPECT_EQ(m.currentFrame, 0);
    EXPECT_EQ(m.nextFrame, 0);
    m.currentFrame = 2;
    m.nextFrame = 2;
    advanceAnimation(m, 0.0f, 0.0f);
    EXPECT_EQ(m.currentFrame, 2);
    EXPECT_EQ(m.pose[0], (Vec3{20.0f, 40.0f, 8.0f}));
}

TEST(Md2Animation, AtMostOneStepPerCall)
{
    Md2Model m = framesModel(6);
    m.SetAnimation(kRow2to4(1), 0.0f);
    advanceAnimation(m, 1.0f, 10000.0f); // a hundred intervals
    EXPECT_EQ(m.currentFrame, 2);
    EXPECT_EQ(m.nextFrame, 3);
    EXPECT_EQ(m.lastStepTime, 10000.0f);
}

TEST(Md2Animation, ZeroSpeedOrRateNeverSteps)
{
    Md2Model m = framesModel(6);
    m.SetAnimation(kRow2to4(1), 0.0f);
    advanceAnimation(m, 0.0f, 1.0e9f);
    EXPECT_EQ(m.nextFrame, 2);
    EXPECT_EQ(m.lastStepTime, 0.0f);
    EXPECT_EQ(m.blend, 0.0f);

    m.SetAnimation(Md2Animation{2, 4, 0, 1}, 0.0f);
    advanceAnimation(m, 3.0f, 1.0e9f);
    EXPECT_EQ(m.nextFrame, 2);
    EXPECT_EQ(m.blend, 0.0f);
}

TEST(Md2Animation, NegativeSpeedIsAHaltedClock)
{
    Md2Model m = framesModel(6);
    m.SetAnimation(kRow2to4(1), 0.0f);
    advanceAnimation(m, -1.0f, 500.0f);
    EXPECT_EQ(m.nextFrame, 2);
    EXPECT_EQ(m.blend, 0.0f);
    advanceAnimation(m, std::numeric_limits<float>::quiet_NaN(), 500.0f);
    EXPECT_EQ(m.nextFrame, 2);
    EXPECT_EQ(m.blend, 0.0f);
}

TEST(Md2Animation, ModelWithoutFramesOnlyKeepsTime)
{
    Md2Model empty;
    empty.SetAnimation(kRow2to4(1), 0.0f);
    advanceAnimation(empty, 1.0f, 101.0f);
    EXPECT_EQ(empty.time, 101.0f);
    EXPECT_EQ(empty.currentFrame, 0);
    EXPECT_EQ(empty.nextFrame, 0);
    EXPECT_TRUE(empty.pose.empty());

    // A refused header with non-zero counts reads no array either.
    Md2Spec s;
    s.version = 7;
    s.frames = {rampFrame(0, 4)};
    Md2Model refused;
    EXPECT_FALSE(parseMd2(build(s), refused));
    EXPECT_EQ(refused.header.num_frames, 1);
    advanceAnimation(refused, 0.0f, 0.0f);
    EXPECT_EQ(renderableFrame(refused, 0.0f), -1);
}

TEST(Md2Animation, StaticModelWithoutFramesKeepsItsState)
{
    // Animate on a static model only draws frame 0; with no frames that is no
    // GL call, so this runs without a context.
    Md2Model m;
    m.isStatic = true;
    m.SetAnimation(kRow2to4(1), 5.0f);
    m.currentFrame = 3;
    m.Animate(1.0f, 1000.0f);
    EXPECT_EQ(m.time, 0.0f);
    EXPECT_EQ(m.lastStepTime, 5.0f);
    EXPECT_EQ(m.currentFrame, 3);
    EXPECT_EQ(m.nextFrame, 2);
}

TEST(Md2RenderableFrame, TruncatesAndRangeChecks)
{
    Md2Model m = framesModel(3);
    EXPECT_EQ(renderableFrame(m, 0.0f), 0);
    EXPECT_EQ(renderableFrame(m, 0.9f), 0);
    EXPECT_EQ(renderableFrame(m, 2.0f), 2);
    EXPECT_EQ(renderableFrame(m, 2.99f), 2);
    EXPECT_EQ(renderableFrame(m, 3.0f), -1);
    EXPECT_EQ(renderableFrame(m, -1.0f), -1);
    EXPECT_EQ(renderableFrame(m, -0.5f), 0); // truncation toward zero
    EXPECT_EQ(renderableFrame(m, 1.0e30f), -1);
    EXPECT_EQ(renderableFrame(m, -1.0e30f), -1);
    EXPECT_EQ(renderableFrame(m, std::numeric_limits<float>::quiet_NaN()), -1);
    EXPECT_EQ(renderableFrame(m, std::numeric_limits<float>::infinity()), -1);
}
