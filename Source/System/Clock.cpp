#include "Source/System/Clock.h"

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace devio::sys {

namespace {

double scale_from_environment() {
    const char* text = std::getenv("DEVIO_TIME_SCALE");
    if (text == nullptr || *text == '\0') {
        return 1.0;
    }
    char* end = nullptr;
    double value = std::strtod(text, &end);
    if (end == text || !(value > 0.0)) {
        return 1.0;
    }
    return value;
}

int64_t monotonic_ns() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// The scaled counter runs from an anchor: counter = anchor_counter + (real - anchor_real) / scale.
// A change of scale starts a new time base at the current counter value, so the counter never
// jumps back. Time bases are immutable and never freed (scales change only in tests); each keeps
// the one it replaced reachable.
struct TimeBase {
    double scale;
    int64_t anchor_real_ns;
    int64_t anchor_counter;
    const TimeBase* previous;

    int64_t counter_at(int64_t real_ns) const {
        double scaled = static_cast<double>(real_ns - anchor_real_ns) / scale;
        constexpr double kMax = 9.0e18; // saturate rather than overflow
        return anchor_counter + static_cast<int64_t>(scaled < kMax ? scaled : kMax);
    }
};

std::atomic<const TimeBase*>& time_base() {
    static std::atomic<const TimeBase*> base{
        new TimeBase{scale_from_environment(), monotonic_ns(), 0, nullptr}};
    return base;
}

// Unix epoch in 100-ns units since 1601-01-01.
constexpr uint64_t kEpochDifference100ns = 116444736000000000ULL;

} // namespace

double Clock::time_scale() {
    return time_base().load(std::memory_order_acquire)->scale;
}

void Clock::set_time_scale(double scale) {
    if (!(scale > 0.0)) {
        return;
    }
    const TimeBase* current = time_base().load(std::memory_order_acquire);
    while (true) {
        int64_t now = monotonic_ns();
        const auto* next = new TimeBase{scale, now, current->counter_at(now), current};
        if (time_base().compare_exchange_weak(current, next, std::memory_order_acq_rel)) {
            return;
        }
        delete next;
    }
}

int64_t Clock::performance_counter() {
    return time_base().load(std::memory_order_acquire)->counter_at(monotonic_ns());
}

uint64_t Clock::tick_count_ms() {
    return static_cast<uint64_t>(performance_counter() / 1'000'000);
}

uint64_t Clock::system_time_100ns() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 10'000'000ULL +
           static_cast<uint64_t>(ts.tv_nsec) / 100 + kEpochDifference100ns;
}

uint64_t Clock::wall_time_us() {
    return (system_time_100ns() - kEpochDifference100ns) / 10;
}

void Clock::sleep_ms(int64_t ms) {
    if (ms > 0) {
        std::this_thread::sleep_until(deadline_after_ms(ms));
    }
}

std::chrono::steady_clock::time_point Clock::deadline_after_ms(int64_t ms) {
    auto now = std::chrono::steady_clock::now();
    if (ms <= 0) {
        return now;
    }
    double real_ns = static_cast<double>(ms) * 1'000'000.0 * time_scale();
    constexpr double kMaxNs = 100.0 * 365 * 24 * 3600 * 1e9; // a century is "without limit"
    if (real_ns > kMaxNs) {
        real_ns = kMaxNs;
    }
    return now + std::chrono::nanoseconds(static_cast<int64_t>(real_ns));
}

} // namespace devio::sys
