#include "Source/Events/Timer.h"

#include <algorithm>

#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/System/Clock.h"

namespace devio {

namespace {
// The timer whose thread this is, if any.
thread_local const Timer* t_own_timer = nullptr;
} // namespace

Timer::Timer(int timer_id) : timer_id_(timer_id) {}

Timer::~Timer() {
    std::lock_guard<std::mutex> control(control_mutex_);
    end_period();
}

bool Timer::start_debounced(int period_ms) {
    if (refuse_on_own_thread("Timer::start_debounced")) {
        return false;
    }
    std::lock_guard<std::mutex> control(control_mutex_);
    if (thread_.joinable() && std::chrono::steady_clock::now() < half_elapsed_at_) {
        return false;
    }
    start_period(period_ms);
    return true;
}

bool Timer::start(int period_ms) {
    if (refuse_on_own_thread("Timer::start")) {
        return false;
    }
    std::lock_guard<std::mutex> control(control_mutex_);
    start_period(period_ms);
    return true;
}

bool Timer::stop() {
    if (refuse_on_own_thread("Timer::stop")) {
        return false;
    }
    std::lock_guard<std::mutex> control(control_mutex_);
    end_period();
    return true;
}

bool Timer::refuse_on_own_thread(const char* operation) const {
    if (t_own_timer != this) {
        return false;
    }
    xLogWrite("Timer", kLogError, "devio::Timer::refuse_on_own_thread",
              "%s called from the timer's own event handler", operation);
    set_last_error(ErrorCode::GeneralFailure, 0, "timer operation on the timer's own thread");
    return true;
}

void Timer::start_period(int period_ms) {
    end_period();
    const int64_t half = std::max(period_ms, 0) / 2;
    half_elapsed_at_ = sys::Clock::deadline_after_ms(half);
    const TimePoint expiry = sys::Clock::deadline_after_ms(2 * half);
    cancel_ = false; // no timer thread runs now
    thread_ = std::thread([this, expiry] { run(expiry); });
}

void Timer::end_period() {
    if (!thread_.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancel_ = true;
    }
    condition_.notify_all();
    thread_.join();
}

void Timer::run(TimePoint expiry) {
    t_own_timer = this;
    std::unique_lock<std::mutex> lock(mutex_);
    if (condition_.wait_until(lock, expiry, [this] { return cancel_; })) {
        return;
    }
    produce([id = timer_id_](ITimer::TimerEvent* subscriber) { subscriber->onTimerEvent(id); },
            "Timer::TimerEvent::onTimerEvent");
}

} // namespace devio
