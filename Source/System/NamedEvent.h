// A cross-process named event, the stand-in for the platform's named event.
//
// Only its creator makes it; opening succeeds only while the event exists (its creator holds it
// open); setting it wakes every waiter, in any process. The event is manual-reset: it stays set
// until reset. It lives in the runtime folder of Paths; characters of the name that cannot be in a
// file name ('/' and '\\') become '_'. A creator that dies takes its event with it: the name can
// no longer be opened, and a new creator may take it. Handles already open stay usable and keep
// their shared state. Every operation may be called from any thread; a wait sleeps until
// a set from any process wakes it, or until its time-out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace devio::sys {

class NamedEvent {
public:
    // Creates the event (not set). Empty with EEXIST when a live event of that name exists, EINVAL
    // for an empty name.
    static std::unique_ptr<NamedEvent> create(const std::string& name);
    // Opens an existing event. Empty with ENOENT when none exists.
    static std::unique_ptr<NamedEvent> open(const std::string& name);

    ~NamedEvent();
    NamedEvent(const NamedEvent&) = delete;
    NamedEvent& operator=(const NamedEvent&) = delete;

    bool set();
    bool reset();
    bool is_set() const;
    // Waits until the event is set or `timeout_ms` scaled milliseconds have passed (negative:
    // without limit); true when it is set, false with ETIMEDOUT when the time ran out.
    bool wait(int64_t timeout_ms);

    struct State;

private:
    explicit NamedEvent(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

} // namespace devio::sys
