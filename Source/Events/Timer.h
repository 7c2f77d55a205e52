// Timer: the library's one-shot timer. Every start runs a thread of its own that waits for the
// period on the process clock (so the time scale shortens it) and then produces
// onTimerEvent(timer id) with the label "Timer::TimerEvent::onTimerEvent". The expiry comes after
// twice half the period: the period itself when it is even, one millisecond less when it is odd.
//
// start, start_debounced and stop may be called from any thread but the timer's own (a direct
// subscriber's handler runs there and gets false with GeneralFailure); they are serialised. The
// event is produced with the timer's mutex held, so stop waits for a production in progress.
// Destroying the timer stops it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "Source/Events/ITimer.h"
#include "Source/Events/Producer.h"

namespace devio {

class Timer : public ITimer, public Producer<ITimer::TimerEvent> {
public:
    explicit Timer(int timer_id);
    ~Timer() override;

    bool start_debounced(int period_ms) override;
    bool start(int period_ms) override;
    bool stop() override;

    int timer_id() const { return timer_id_; }

private:
    using TimePoint = std::chrono::steady_clock::time_point;

    // False with GeneralFailure when called from this timer's own thread.
    bool refuse_on_own_thread(const char* operation) const;
    void start_period(int period_ms);
    void end_period();
    void run(TimePoint expiry);

    const int timer_id_;
    // Serialises start, start_debounced and stop; never taken by the timer thread.
    std::mutex control_mutex_;
    std::thread thread_;
    // When the first half of the current period has passed.
    TimePoint half_elapsed_at_{};
    // Guards cancel_ and the event production.
    std::mutex mutex_;
    std::condition_variable condition_;
    bool cancel_ = false;
};

} // namespace devio
