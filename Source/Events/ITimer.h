// ITimer: a one-shot timer that announces its expiry with the TimerEvent event. Each start yields
// at most one event, produced on a thread other than the caller's.
#pragma once

namespace devio {

class ITimer {
public:
    class TimerEvent {
    public:
        // `timer_id` tells a subscriber of several timers which one fired.
        virtual void onTimerEvent(int /*timer_id*/) {}
        virtual ~TimerEvent() = default;
    };

    virtual ~ITimer() = default;

    // Starts a new period unless the running one is still in its first half (then false and the
    // running period is left alone): repeated calls do not push the expiry back.
    virtual bool start_debounced(int period_ms) = 0;
    // Cancels the running period without an event and starts a new one.
    virtual bool start(int period_ms) = 0;
    // Cancels the running period; once this returns, no event of it can still be produced.
    virtual bool stop() = 0;
};

} // namespace devio
