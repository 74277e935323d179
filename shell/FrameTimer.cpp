#include "shell/FrameTimer.h"

#include "platform/Platform.h"

TimerClock TimerClock::platformClock()
{
    return {platform::QueryPerformanceFrequency, platform::QueryPerformanceCounter,
            platform::MillisecondClock};
}

void FrameTimer::initialise(TimerClock source)
{
    clock = std::move(source);
    int64_t countsPerSecond = 0;
    if (clock.frequency(countsPerSecond) && countsPerSecond > 0) {
        highResolution = true;
        frequency = countsPerSecond;
        lastCount = clock.counter();
        resolution = 1.0 / static_cast<double>(frequency);
    } else {
        highResolution = false;
        lastTick = clock.milliseconds();
        frequency = 1;
    }
    smoothedFrameRate = 85.0;
}

double FrameTimer::tick()
{
    double elapsed = 0.0;
    if (highResolution) {
        const int64_t count = clock.counter();
        elapsed = static_cast<double>(count - lastCount) * resolution;
        lastCount = count;
    } else {
        const uint32_t reading = clock.milliseconds();
        // Unsigned difference: the wrap-around of the clock still gives the true small value.
        elapsed = static_cast<uint32_t>(reading - lastTick) / 1000.0;
        lastTick = reading;
    }
    if (elapsed > 0.0) {
        const double rate = 1.0 / elapsed;
        constexpr double kEleventh = 1.0 / 11.0;
        smoothedFrameRate = (smoothedFrameRate * 10.0 + rate) * kEleventh;
    }
    return elapsed;
}
