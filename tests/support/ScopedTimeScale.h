// Sets the process clock's time scale for one test and restores the previous one at the end.
#pragma once

#include "Source/System/Clock.h"

namespace devio::test {

// The scale for the part of a test where a device is away and every exchange is meant to time out:
// a 3-second response time-out passes in 3 ms. Only that part runs at it; exchanges that must be
// answered run at a scale whose time-outs a loaded machine cannot overrun by chance.
constexpr double kAwayScale = 0.001;

class ScopedTimeScale {
public:
    explicit ScopedTimeScale(double scale) : previous_(sys::Clock::time_scale()) {
        sys::Clock::set_time_scale(scale);
    }
    ~ScopedTimeScale() { sys::Clock::set_time_scale(previous_); }
    ScopedTimeScale(const ScopedTimeScale&) = delete;
    ScopedTimeScale& operator=(const ScopedTimeScale&) = delete;

private:
    double previous_;
};

} // namespace devio::test
