#include "models/Md2Model.h"
#include "tests/unit/models/Md2Builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using namespace md2test;

namespace {

// n frames of two vertices; vertex k of frame f sits at (10f + k, 10f + 2k, 10f + 3k).
Md2Model framesModel(int n)
{
    Md2Layout s;
    for (int f = 0; f < n; ++f) {
        const uint8_t at = uint8_t(10 * f);
        s.frames.push_back(
            {.vertices = {{at, at, at, 0}, {uint8_t(at + 1), uint8_t(at + 2), uint8_t(at + 3), 1}}});
    }
    Md2Model m;
    EXPECT_TRUE(parseMd2(build(s), m));
    return m;
}

} // namespace

// Frames 2 to 4 at 10 frames per second: one interval is 100 ms at speed 1. Right after a step
// blend is 0; it reaches 1 when exactly one interval has passed, and the next call after that
// steps, once however long it has been.
TEST(Md2Animation, StepsAfterOneIntervalAndBlendsTowardsTheNextFrame)
{
    Md2Model m = framesModel(6);
    m.SetAnimation(Md2Animation{2, 4, 10, 1}, 0.0f);
    advanceAnimation(m, 1.0f, 100.0f);
    EXPECT_EQ(std::tie(m.currentFrame, m.nextFrame, m.time, m.blend), std::tuple(0, 2, 100.0f, 1.0f));
    EXPECT_EQ(m.pose[0], (Vec3{20, 20, 20}));
    advanceAnimation(m, 1.0f, 1000.0f);
    EXPECT_EQ(std::tie(m.currentFrame, m.nextFrame, m.lastStepTime), std::tuple(2, 3, 1000.0f));
    advanceAnimation(m, 1.0f, 1050.0f); // half way from frame 2 to frame 3
    EXPECT_EQ(m.blend, 0.5f);
    EXPECT_EQ(m.pose[1], (Vec3{26, 27, 28}));
    // Speed 2 halves the interval: 50 ms do not step, 51 do.
    advanceAnimation(m, 2.0f, 1050.0f);
    EXPECT_EQ(m.nextFrame, 3);
    advanceAnimation(m, 2.0f, 1051.0f);
    EXPECT_EQ(m.nextFrame, 4);
    // No step with a speed or a rate of 0.
    for (const auto& [rate, speed] : {std::pair<int16_t, float>{10, 0.0f}, {0, 3.0f}}) {
        m.SetAnimation(Md2Animation{2, 4, rate, 1}, 0.0f);
        advanceAnimation(m, speed, 1.0e9f);
        EXPECT_EQ(std::tie(m.nextFrame, m.lastStepTime, m.blend), std::tuple(2, 0.0f, 0.0f));
    }
}

// Frames 2, 3, 4 and then, by end mode: loop, hold, count on to frame 0 past the model's last
// frame, or switch to the table's only row (frame 0 held, rate 0: no step any more), which
// leaves currentFrame alone.
TEST(Md2Animation, EndModes)
{
    for (const auto& [endMode, current, next] : {std::tuple{1, std::vector{2, 3, 4, 2, 3, 4, 2}, 3},
                                                 {3, std::vector{2, 3, 4, 4, 4, 4}, 4},
                                                 {2, std::vector{2, 3, 4, 5, 0, 1, 2, 3}, 4},
                                                 {0, std::vector{2, 3, 4, 4, 4}, 0}}) {
        Md2Model m = framesModel(6);
        m.SetAnimation(Md2Animation{2, 4, 10, int16_t(endMode)}, 0.0f);
        std::vector<int> seen;
        for (size_t i = 1; i <= current.size(); ++i) {
            advanceAnimation(m, 1.0f, 101.0f * float(i));
            seen.push_back(m.currentFrame);
        }
        EXPECT_EQ(std::pair(seen, m.nextFrame), std::pair(current, next)) << endMode;
    }
}

// A model without frames reads none; a static one draws frame 0 (here none: no GL call) and keeps
// its state.
TEST(Md2Animation, ModelsWithoutFramesAndStaticModelsKeepTheirState)
{
    Md2Model empty;
    empty.SetAnimation(Md2Animation{2, 4, 10, 1}, 0.0f);
    advanceAnimation(empty, 1.0f, 101.0f);
    EXPECT_EQ(std::tie(empty.currentFrame, empty.nextFrame), std::tuple(0, 0));
    empty.isStatic = true;
    empty.currentFrame = 3;
    empty.Animate(1.0f, 1000.0f);
    EXPECT_EQ(std::tie(empty.time, empty.lastStepTime, empty.currentFrame), std::tuple(101.0f, 101.0f, 3));

    const Md2Model m = framesModel(3);
    std::vector<int> frames; // truncated toward zero, -1 outside the model's frames
    for (float frame : {0.9f, 2.99f, -0.5f, 3.0f, -1.0f, 1.0e30f, NAN})
        frames.push_back(renderableFrame(m, frame));
    EXPECT_EQ(frames, (std::vector{0, 2, 0, -1, -1, -1, -1}));
    EXPECT_EQ(renderableFrame(empty, 0.0f), -1);
}
