// The message queue of one thread: what MessageWindows keeps for each thread that owns windows.
// It holds the thread's posted messages, its window timers, the messages other threads have sent
// to its windows, and the Quit request. Internal to MessageWindows.
//
// Every member is guarded by `mutex`, which the caller holds for each call below. Only the owning
// thread waits on `wake`; whoever adds work for it (a post, a send, a timer change, the reply to
// a send of its own) calls signal(), which notifies `wake` and, once the owner has asked for it,
// makes the owner's wake descriptor readable (an event loop of another kind waits on that).
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "Source/System/MessageWindows.h"

namespace devio::sys {

class MessageQueue;
using SteadyTime = std::chrono::steady_clock::time_point;

// A message that one thread sends to a window of another and waits for. It lives in the owner's
// queue until the owner runs it; `state`, `result` and `error` are guarded by the *sender's*
// mutex, since the sender is the one waiting for them to change.
struct SentMessage {
    enum class State {
        Pending,   // queued, not yet taken by the owner
        Running,   // the owner's procedure is running it: the sender's arguments are in use
        Done,      // ran; `result` holds the procedure's answer
        Failed,    // did not run, or its procedure failed; `error` says why
        Abandoned, // the sender gave up before it ran; the owner skips it
    };

    SentMessage(const WindowMessage& message, std::shared_ptr<MessageQueue> sender)
        : message(message), sender(std::move(sender)) {}

    const WindowMessage message;
    const std::shared_ptr<MessageQueue> sender;
    State state = State::Pending;
    intptr_t result = 0;
    uint32_t error = 0;
};

class MessageQueue {
public:
    MessageQueue() = default;
    ~MessageQueue();
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    std::mutex mutex;
    std::condition_variable wake;

    // Wakes the owner: notifies `wake` and adds one to the wake descriptor, if there is one.
    void signal();
    // The owner's wake descriptor (an eventfd), made on first use; -1 when none can be made.
    int wake_fd();

    void post(const WindowMessage& message) { posted_.push_back(message); }
    void post_quit(int exit_code);

    void push_sent(std::shared_ptr<SentMessage> message) { sent_.push_back(std::move(message)); }
    // The oldest sent message, removed from the queue; null when there is none.
    std::shared_ptr<SentMessage> take_sent();
    void remove_sent(const SentMessage* message);

    // The next message to retrieve: posted messages first, then Quit, then the earliest due timer.
    // With `remove` a posted message or Quit is taken away, and a timer's expiry is consumed (its
    // next one is due a period later, so that a late owner sees one expiry, not a burst).
    bool next_message(WindowMessage* out, bool remove, SteadyTime now);
    // When the earliest timer is due; empty without timers.
    std::optional<SteadyTime> next_timer_due() const;

    // Starts or restarts a timer: its first expiry comes `period` after `now`.
    void set_timer(WindowId window, uintptr_t timer_id, std::chrono::nanoseconds period,
                   SteadyTime now);
    bool kill_timer(WindowId window, uintptr_t timer_id);

    // Forgets the window's posted messages and timers; returns the messages sent to it, which
    // can no longer run.
    std::vector<std::shared_ptr<SentMessage>> drop_window(WindowId window);
    // Forgets everything when the owning thread ends; returns the sent messages that never ran.
    std::vector<std::shared_ptr<SentMessage>> close();

private:
    struct Timer {
        WindowId window;
        uintptr_t id;
        std::chrono::nanoseconds period;
        SteadyTime due;
    };

    std::deque<WindowMessage> posted_;
    std::deque<std::shared_ptr<SentMessage>> sent_;
    std::vector<Timer> timers_;
    std::optional<int> quit_code_;
    int wake_fd_ = -1;
};

} // namespace devio::sys
