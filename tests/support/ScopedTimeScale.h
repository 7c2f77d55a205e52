// Sets the process clock's time scale for one test and restores the previous one at the end.
#pragma once

#include "Source/System/Clock.h"

namespace devio::test {

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
