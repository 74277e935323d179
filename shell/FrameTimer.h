#pragma once

#include <cstdint>
#include <functional>

// Where the timer reads time; tests inject their own clocks.
struct TimerClock {
    std::function<bool(int64_t&)> frequency; // false: no high-resolution counter
    std::function<int64_t()> counter;
    std::function<uint32_t()> milliseconds; // 32-bit, wraps around

    static TimerClock platformClock();
};

// Time between frames and an exponentially smoothed frame rate.
struct FrameTimer {
    bool highResolution = false;
    int64_t frequency = 0;        // counts per second; 1 on the millisecond clock
    double resolution = 0.0;      // seconds per count
    uint32_t lastTick = 0;        // millisecond clock at the previous tick
    int64_t lastCount = 0;        // counter at the previous tick
    double smoothedFrameRate = 0; // frames per second; 85 after initialise
    TimerClock clock;

    void initialise(TimerClock source = TimerClock::platformClock());
    // Seconds since the previous tick. A tick with no measurable time leaves
    // the smoothed rate alone instead of making it infinite.
    double tick();
};
