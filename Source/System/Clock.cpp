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

std::atomic<double>& scale_value() {
    static std::atomic<double> scale{scale_from_environment()};
    return scale;
}

int64_t monotonic_ns() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// Unix epoch in 100-ns units since 1601-01-01.
constexpr uint64_t kEpochDifference100ns = 116444736000000000ULL;

} // namespace

double Clock::time_scale() {
    return scale_value().load(std::memory_order_relaxed);
}

void Clock::set_time_scale(double scale) {
    if (scale > 0.0) {
        scale_value().store(scale, std::memory_order_relaxed);
    }
}

int64_t Clock::performance_counter() {
    return static_cast<int64_t>(static_cast<double>(monotonic_ns()) / time_scale());
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
