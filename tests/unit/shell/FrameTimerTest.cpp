#include "shell/FrameTimer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A clock the test moves by hand.
struct FakeClock {
    bool hasCounter = true;
    int64_t countsPerSecond = 1000000;
    int64_t count = 0;
    uint32_t milliseconds = 0;

    TimerClock source()
    {
        return {[this](int64_t& f) {
                    f = countsPerSecond;
                    return hasCounter;
                },
                [this] { return count; }, [this] { return milliseconds; }};
    }
};

}  // namespace

TEST(FrameTimer, InitialisesAt85WithCounter)
{
    FakeClock clock;
    clock.count = 500;
    FrameTimer timer;
    timer.initialise(clock.source());
    EXPECT_TRUE(timer.highResolution);
    EXPECT_EQ(timer.frequency, 1000000);
    EXPECT_EQ(timer.lastCount, 500);
    EXPECT_DOUBLE_EQ(timer.resolution, 1e-6);
    EXPECT_DOUBLE_EQ(timer.smoothedFrameRate, 85.0);
}

TEST(FrameTimer, EachTickMovesOneEleventhTowardsTheInstantRate)
{
    FakeClock clock;
    FrameTimer timer;
    timer.initialise(clock.source());
    clock.count += 10000;  // 10 ms: 100 frames per second
    EXPECT_DOUBLE_EQ(timer.tick(), 0.01);
    EXPECT_NEAR(timer.smoothedFrameRate, (85.0 * 10 + 100.0) / 11, 1e-9);
}

TEST(FrameTimer, LongStartUpShows77OnTheFirstFrame)
{
    FakeClock clock;
    FrameTimer timer;
    timer.initialise(clock.source());
    clock.count += 200000;  // 0.2 s of loading
    timer.tick();
    EXPECT_EQ(static_cast<int>(timer.smoothedFrameRate), 77);
}

TEST(FrameTimer, ConvergesOnTheTrueRate)
{
    FakeClock clock;
    FrameTimer timer;
    timer.initialise(clock.source());
    for (int i = 0; i < 50; ++i) {
        clock.count += 5000;  // 200 frames per second
        timer.tick();
    }
    // After 50 frames about 99 per cent of the way from 85 to 200.
    EXPECT_NEAR(timer.smoothedFrameRate, 200.0 - 115.0 * std::pow(10.0 / 11.0, 50), 1e-6);
    EXPECT_GT(timer.smoothedFrameRate, 198.0);
}

TEST(FrameTimer, MillisecondFallbackSurvivesWrapAround)
{
    FakeClock clock;
    clock.hasCounter = false;
    clock.milliseconds = 0xFFFFFFF0u;
    FrameTimer timer;
    timer.initialise(clock.source());
    EXPECT_FALSE(timer.highResolution);
    EXPECT_EQ(timer.frequency, 1);
    clock.milliseconds = 0x0000000Au;  // 26 ms later, past the wrap
    EXPECT_DOUBLE_EQ(timer.tick(), 0.026);
    EXPECT_NEAR(timer.smoothedFrameRate, (850.0 + 1.0 / 0.026) / 11, 1e-9);
}

TEST(FrameTimer, ZeroElapsedKeepsTheRateFinite)
{
    FakeClock clock;
    FrameTimer timer;
    timer.initialise(clock.source());
    clock.count += 10000;
    timer.tick();
    const double before = timer.smoothedFrameRate;
    EXPECT_EQ(timer.tick(), 0.0);
    EXPECT_TRUE(std::isfinite(timer.smoothedFrameRate));
    EXPECT_EQ(timer.smoothedFrameRate, before);
}
