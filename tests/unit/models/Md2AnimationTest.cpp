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
    Md2Layout s;
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

    // An index outside the table changes nothing.
    m.SetAnimation(kRow2to4(1), 5.0f);
    m.SetAnimation(1, 99.0f);
    m.SetAnimation(-1, 99.0f);
    EXPECT_EQ(m.firstFrame, 2);
    EXPECT_EQ(m.lastStepTime, 5.0f);
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
    EXPECT_EQ(m.pose[0], (Vec3{20.0f, 40.0f, 8.0f})); // blend 1: the next frame

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

    // Speed 2 halves the interval: 50 ms does not step, 51 ms does.
    m.SetAnimation(kRow2to4(1), 0.0f);
    advanceAnimation(m, 2.0f, 50.0f);
    EXPECT_EQ(m.nextFrame, 2);
    EXPECT_EQ(m.blend, 1.0f);
    advanceAnimation(m, 2.0f, 51.0f);
    EXPECT_EQ(m.nextFrame, 3);
}

TEST(Md2Animation, EndModes)
{
    const struct {
        int16_t endMode;
        std::vector<int> current;
        int next;
    } cases[] = {
        {1, {2, 3, 4, 2, 3, 4, 2}, 3},    // loop
        {3, {2, 3, 4, 4, 4, 4}, 4},       // hold
        {2, {2, 3, 4, 5, 0, 1, 2, 3}, 4}, // count on, wrap at the model's end
        {0, {2, 3, 4}, 0},                // switch to row 0
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.endMode);
        Md2Model m = framesModel(6);
        m.SetAnimation(kRow2to4(c.endMode), 0.0f);
        EXPECT_EQ(currentFramesOverSteps(m, int(c.current.size())), c.current);
        EXPECT_EQ(m.nextFrame, c.next);
    }
    // Row 0 has rate 0: no further step, however long.
    Md2Model m = framesModel(6);
    m.SetAnimation(kRow2to4(0), 0.0f);
    currentFramesOverSteps(m, 3);
    EXPECT_EQ(m.endMode, 2);
    EXPECT_EQ(m.lastStepTime, 303.0f);
    advanceAnimation(m, 1.0f, 1.0e6f);
    EXPECT_EQ(m.currentFrame, 4);
    EXPECT_EQ(m.nextFrame, 0);
    EXPECT_EQ(m.blend, 0.0f);
}

TEST(Md2Animation, RangeCheck)
{
    // Step: current 5, next 6 = num_frames, kept by mode 7, then sent to 0.
    Md2Model m = framesModel(6);
    m.SetAnimation(Md2Animation{5, 5, 10, 7}, 0.0f);
    advanceAnimation(m, 1.0f, 101.0f);
    EXPECT_EQ(m.currentFrame, 5);
    EXPECT_EQ(m.nextFrame, 0);

    // Without a step.
    Md2Model three = framesModel(3);
    three.currentFrame = 3;
    three.nextFrame = 9;
    advanceAnimation(three, 0.0f, 0.0f);
    EXPECT_EQ(three.currentFrame, 0);
    EXPECT_EQ(three.nextFrame, 0);
    three.currentFrame = 2;
    three.nextFrame = 2;
    advanceAnimation(three, 0.0f, 0.0f);
    EXPECT_EQ(three.currentFrame, 2);
    EXPECT_EQ(three.pose[0], (Vec3{20.0f, 40.0f, 8.0f}));
}

// At most one step per call, however long; no step at all with a zero, negative or NaN speed or
// a zero rate.
TEST(Md2Animation, StepsPerCall)
{
    const struct {
        int16_t rate;
        float speed, time;
        int next;
        float lastStep;
    } cases[] = {
        {10, 1.0f, 10000.0f, 3, 10000.0f},
        {10, 0.0f, 1.0e9f, 2, 0.0f},
        {0, 3.0f, 1.0e9f, 2, 0.0f},
        {10, -1.0f, 500.0f, 2, 0.0f},
        {10, std::numeric_limits<float>::quiet_NaN(), 500.0f, 2, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed);
        Md2Model m = framesModel(6);
        m.SetAnimation(Md2Animation{2, 4, c.rate, 1}, 0.0f);
        advanceAnimation(m, c.speed, c.time);
        EXPECT_EQ(m.nextFrame, c.next);
        EXPECT_EQ(m.lastStepTime, c.lastStep);
        EXPECT_EQ(m.blend, 0.0f);
    }
}

TEST(Md2Animation, ModelsWithoutFramesReadNoArray)
{
    Md2Model empty;
    empty.SetAnimation(kRow2to4(1), 0.0f);
    advanceAnimation(empty, 1.0f, 101.0f);
    EXPECT_EQ(empty.time, 101.0f);
    EXPECT_EQ(empty.currentFrame, 0);
    EXPECT_EQ(empty.nextFrame, 0);
    EXPECT_TRUE(empty.pose.empty());

    // A refused header with non-zero counts reads no array either.
    Md2Layout s;
    s.version = 7;
    s.frames = {rampFrame(0, 4)};
    Md2Model refused;
    EXPECT_FALSE(parseMd2(build(s), refused));
    EXPECT_EQ(refused.header.num_frames, 1);
    advanceAnimation(refused, 0.0f, 0.0f);
    EXPECT_EQ(renderableFrame(refused, 0.0f), -1);

    // A static model only draws frame 0 (with no frames, no GL call: no context needed) and keeps
    // its state.
    Md2Model still;
    still.isStatic = true;
    still.SetAnimation(kRow2to4(1), 5.0f);
    still.currentFrame = 3;
    still.Animate(1.0f, 1000.0f);
    EXPECT_EQ(still.time, 0.0f);
    EXPECT_EQ(still.lastStepTime, 5.0f);
    EXPECT_EQ(still.currentFrame, 3);
    EXPECT_EQ(still.nextFrame, 2);
}

TEST(Md2RenderableFrame, TruncatesAndRangeChecks)
{
    const Md2Model m = framesModel(3);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    // -0.5 truncates toward zero.
    const std::pair<float, int> cases[] = {{0.0f, 0},      {0.9f, 0},   {2.0f, 2},  {2.99f, 2},
                                           {3.0f, -1},     {-1.0f, -1}, {-0.5f, 0}, {1.0e30f, -1},
                                           {-1.0e30f, -1}, {nan, -1},   {inf, -1}};
    for (const auto& [frame, expected] : cases)
        EXPECT_EQ(renderableFrame(m, frame), expected) << frame;
}
