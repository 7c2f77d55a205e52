// The process clock: performance counter, wall time and every wait of the library and the tool.
//
// All waits, sleeps and elapsed-time measurements go through here so that the process-wide time
// scale (DEVIO_TIME_SCALE, default 1) shortens them in tests: with a scale of 0.01 a 3 s wait takes
// 30 ms and the performance counter runs 100 times faster, so that measured durations keep their
// meaning. Wall time is never scaled.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace devio::sys {

class Clock {
public:
    // The time scale: read from DEVIO_TIME_SCALE on first use; a missing, unparsable or
    // non-positive value counts as 1.
    static double time_scale();
    // Replaces the time scale of the process (tests). Values <= 0 are ignored.
    static void set_time_scale(double scale);

    // Scaled monotonic counter and its frequency (counts per second, always 10^9).
    static int64_t performance_counter();
    static int64_t performance_frequency() { return 1'000'000'000; }
    // Scaled monotonic milliseconds (the tick count).
    static uint64_t tick_count_ms();

    // Wall time, unscaled: 100-ns units since 1601-01-01 UTC, and microseconds since 1970.
    static uint64_t system_time_100ns();
    static uint64_t wall_time_us();

    // Sleeps for the scaled duration of `ms` milliseconds.
    static void sleep_ms(int64_t ms);

    // The real steady-clock point at which `ms` scaled milliseconds from now have passed.
    static std::chrono::steady_clock::time_point deadline_after_ms(int64_t ms);

    // Waits on `cv` until `done()` holds or `ms` scaled milliseconds have passed; returns done().
    template <class Predicate>
    static bool wait_for(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                         int64_t ms, Predicate done) {
        return cv.wait_until(lock, deadline_after_ms(ms), done);
    }
};

} // namespace devio::sys
