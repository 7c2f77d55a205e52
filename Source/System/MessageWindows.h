// Message windows: per-thread message queues with window procedures, the stand-in for the
// platform's windowing messages. The Windows HID bus's hidden window and the tool's dialog sit on
// this layer.
//
// A window belongs to the thread that creates it, and its procedure only ever runs on that
// thread. Posted messages and timer expiries are queued for that thread and reach the procedure
// when the thread gets and dispatches them. A sent message is run by the owning thread while it
// waits in get, peek or wait, or while it is itself blocked in a send (so two threads sending to
// each other do not deadlock), or directly when the sender is the owner; the sender blocks until
// it has run or the time-out passes. When a thread ends, its windows are gone: posting or sending
// to them fails with ESRCH, and senders still waiting for them are released with ESRCH.
//
// Timers follow the platform: a timer repeats until it is killed, setting an existing id restarts
// it, and an expiry is queued at most once until it is retrieved. All times are scaled by Clock.
// Posting, sending and timers work from any thread; creating, destroying and dispatching only on
// the owner's. An exception thrown by a procedure passes through to the caller of the operation
// that ran it, except while it runs a message sent by another thread: then it is written to the
// debugger output and that send fails with ECANCELED.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace devio::sys {

using WindowId = uint64_t; // 0 is no window

namespace wm {
constexpr uint32_t Null = 0x0000;
constexpr uint32_t Create = 0x0001;
constexpr uint32_t Destroy = 0x0002;
constexpr uint32_t Close = 0x0010;
constexpr uint32_t Quit = 0x0012;
constexpr uint32_t NcCreate = 0x0081;
constexpr uint32_t KeyDown = 0x0100;
constexpr uint32_t Char = 0x0102;
constexpr uint32_t Command = 0x0111;
constexpr uint32_t Timer = 0x0113;
constexpr uint32_t PowerBroadcast = 0x0218;
constexpr uint32_t DeviceChange = 0x0219;
constexpr uint32_t User = 0x0400;
} // namespace wm

struct WindowMessage {
    WindowId window = 0;
    uint32_t message = wm::Null;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
};

using WindowProcedure = std::function<intptr_t(WindowId, uint32_t, uintptr_t, intptr_t)>;

class MessageWindows {
public:
    // Creates a window owned by the calling thread. The procedure receives NcCreate and then
    // Create, both with lparam = create_param, before create returns; when NcCreate returns 0 the
    // window is not created, and when Create returns -1 it is destroyed again: 0 is returned,
    // with ECANCELED.
    static WindowId create(WindowProcedure procedure, void* create_param = nullptr);
    // Destroys a window of the calling thread: its procedure receives Destroy, its timers and
    // queued messages are dropped. False for another thread's window (EPERM) or an unknown one
    // (ESRCH).
    static bool destroy(WindowId window);
    static bool exists(WindowId window);

    static bool post(WindowId window, uint32_t message, uintptr_t wparam = 0, intptr_t lparam = 0);
    // Queues Quit for the calling thread: its next get returns false.
    static void post_quit(int exit_code);
    // Runs the message on the window's thread and waits up to `timeout_ms` (negative: without
    // limit). False with ETIMEDOUT on time-out, ESRCH when the window or its thread is gone.
    // A message that the owner has not begun when the time-out passes is dropped, never run
    // later, so the sender may free its arguments at once. One that the owner has begun is
    // waited for to its end, whatever the time-out, because its arguments are in use, and counts
    // as delivered.
    static bool send(WindowId window, uint32_t message, uintptr_t wparam, intptr_t lparam,
                     int64_t timeout_ms, intptr_t* result = nullptr);

    // Waits for the next message of the calling thread; false when it is Quit (wparam holds the
    // exit code).
    static bool get(WindowMessage* out);
    // Takes (remove) or looks at the next message without waiting; false when there is none.
    static bool peek(WindowMessage* out, bool remove);
    // Waits up to `timeout_ms` until a message is waiting; true when one is.
    static bool wait(int64_t timeout_ms);
    // For an event loop of another kind that serves the calling thread's windows: a descriptor
    // (owned here, closed when the thread ends) that becomes readable whenever work is added for
    // the thread (a post, a send, a timer change) and stays so until it is read (8 bytes). It is
    // readable on return, so that what waits already is not missed. -1 when none can be made.
    // The loop reads it, then takes and dispatches with peek until none is left, and waits again
    // on the descriptor or ms_to_next_timer, whichever comes first.
    static int wake_fd();
    // Real milliseconds until the calling thread's earliest timer is due (0: due now); empty
    // without timers.
    static std::optional<int64_t> ms_to_next_timer();
    // Calls the procedure of the message's window; 0 when the window is gone (ESRCH) or belongs
    // to another thread (EPERM).
    static intptr_t dispatch(const WindowMessage& message);

    // Starts the window's timer `timer_id`, or restarts it when it exists: the next expiry comes
    // `period_ms` scaled milliseconds from now (0: at the owner's next look at its queue).
    static bool set_timer(WindowId window, uintptr_t timer_id, uint32_t period_ms);
    // Stops the timer; an expiry not yet retrieved goes with it. False with ENOENT for an
    // unknown timer.
    static bool kill_timer(WindowId window, uintptr_t timer_id);

    // What a procedure does with messages it does not handle: NcCreate accepts the window (1),
    // Close destroys it, anything else gives 0.
    static intptr_t default_procedure(WindowId window, uint32_t message, uintptr_t wparam,
                                      intptr_t lparam);

    // One value per window for its owner's use (the platform's user data).
    static bool set_user_data(WindowId window, intptr_t value);
    static intptr_t user_data(WindowId window);
};

} // namespace devio::sys
