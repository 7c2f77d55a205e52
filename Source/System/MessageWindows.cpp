#include "Source/System/MessageWindows.h"

#include <cerrno>
#include <exception>
#include <mutex>
#include <string>
#include <unordered_map>

#include "Source/System/Clock.h"
#include "Source/System/DebugOutput.h"
#include "Source/System/MessageQueue.h"
#include "Source/System/SystemError.h"

namespace devio::sys {

namespace {

using Procedure = std::shared_ptr<const WindowProcedure>;
using Orphans = std::vector<std::shared_ptr<SentMessage>>;

struct Window {
    std::shared_ptr<MessageQueue> owner;
    // Shared so that a procedure stays alive while it runs, even when it destroys its window.
    Procedure procedure;
    intptr_t user_data = 0;
    bool destroying = false;
};

// Every window of the process. Its mutex is taken before any queue's mutex, never after, and is
// never held while a procedure runs.
struct Registry {
    std::mutex mutex;
    std::unordered_map<WindowId, Window> windows;
    WindowId last_id = 0;

    Window* find(WindowId id) {
        auto found = windows.find(id);
        return found == windows.end() ? nullptr : &found->second;
    }
};

Registry& registry() {
    // Never destroyed: threads may still end, and drop their windows, while the process exits.
    static Registry* instance = new Registry;
    return *instance;
}

void finish(SentMessage& message, SentMessage::State state, intptr_t result = 0,
            uint32_t error = ESRCH) {
    std::lock_guard lock(message.sender->mutex);
    message.state = state;
    message.result = result;
    message.error = error;
    message.sender->signal();
}

void fail_all(const Orphans& orphans) {
    for (const auto& message : orphans) {
        finish(*message, SentMessage::State::Failed);
    }
}

// A thread's windows end with it: senders still waiting for them are released with ESRCH.
void end_thread(const std::shared_ptr<MessageQueue>& queue) {
    Orphans orphans;
    {
        Registry& windows = registry();
        std::lock_guard registry_lock(windows.mutex);
        std::erase_if(windows.windows,
                      [&](const auto& entry) { return entry.second.owner == queue; });
        std::lock_guard queue_lock(queue->mutex);
        orphans = queue->close();
    }
    fail_all(orphans);
}

class ThreadQueue {
public:
    ThreadQueue() = default;
    ~ThreadQueue() { end_thread(queue_); }
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    const std::shared_ptr<MessageQueue>& queue() const { return queue_; }

private:
    std::shared_ptr<MessageQueue> queue_ = std::make_shared<MessageQueue>();
};

const std::shared_ptr<MessageQueue>& this_thread_queue() {
    thread_local ThreadQueue queue;
    return queue.queue();
}

// Runs `action` on the window under the registry's lock; false with ESRCH for an unknown window.
template <class Action>
bool with_window(WindowId id, Action action) {
    Registry& windows = registry();
    std::lock_guard lock(windows.mutex);
    Window* window = windows.find(id);
    if (window == nullptr) {
        set_last_system_error(ESRCH);
        return false;
    }
    action(*window);
    return true;
}

// Runs `action` on the queue of the window's owner, under both locks, and wakes the owner.
template <class Action>
bool with_owner_queue(WindowId id, Action action) {
    return with_window(id, [&](Window& window) {
        const std::shared_ptr<MessageQueue>& owner = window.owner;
        std::lock_guard queue_lock(owner->mutex);
        action(owner);
        owner->signal();
    });
}

// Runs `action` on a window of the calling thread; false (ESRCH or EPERM) for any other.
template <class Action>
bool with_own_window(WindowId id, Action action) {
    bool own = false;
    bool known = with_window(id, [&](Window& window) {
        own = window.owner == this_thread_queue();
        if (own) {
            action(window);
        }
    });
    if (known && !own) {
        set_last_system_error(EPERM);
    }
    return own;
}

// The procedure of a window of the calling thread; null for any other.
Procedure own_procedure(WindowId id) {
    Procedure procedure;
    with_own_window(id, [&](Window& window) { procedure = window.procedure; });
    return procedure;
}

// Runs a message that another thread sent, unless its sender has given up on it meanwhile.
void run_sent(SentMessage& message) {
    {
        std::lock_guard lock(message.sender->mutex);
        if (message.state != SentMessage::State::Pending) {
            return;
        }
        message.state = SentMessage::State::Running;
    }
    Procedure procedure = own_procedure(message.message.window);
    if (!procedure) {
        finish(message, SentMessage::State::Failed);
        return;
    }
    const WindowMessage& m = message.message;
    intptr_t result = 0;
    try {
        result = (*procedure)(m.window, m.message, m.wparam, m.lparam);
    } catch (const std::exception& error) {
        // Nobody here could handle it, and the sender waits on another thread: report it there.
        DebugOutput::write("MessageWindows: procedure failed on a sent message: " +
                           std::string(error.what()) + "\n");
        finish(message, SentMessage::State::Failed, 0, ECANCELED);
        return;
    } catch (...) {
        DebugOutput::write("MessageWindows: procedure failed on a sent message\n");
        finish(message, SentMessage::State::Failed, 0, ECANCELED);
        return;
    }
    finish(message, SentMessage::State::Done, result);
}

// Runs the oldest message sent to the calling thread, if any, with `lock` (on its queue) released
// meanwhile.
bool serve_one_sent(MessageQueue& queue, std::unique_lock<std::mutex>& lock) {
    std::shared_ptr<SentMessage> message = queue.take_sent();
    if (!message) {
        return false;
    }
    lock.unlock();
    run_sent(*message);
    lock.lock();
    return true;
}

// Serves sent messages until a message is waiting (true, `out` holds it) or `deadline` passes.
bool await_message(const std::optional<SteadyTime>& deadline, WindowMessage* out, bool remove) {
    MessageQueue& queue = *this_thread_queue();
    std::unique_lock lock(queue.mutex);
    for (;;) {
        if (serve_one_sent(queue, lock)) {
            continue;
        }
        const SteadyTime now = std::chrono::steady_clock::now();
        if (queue.next_message(out, remove, now)) {
            return true;
        }
        if (deadline && now >= *deadline) {
            return false;
        }
        std::optional<SteadyTime> until = queue.next_timer_due();
        if (deadline && (!until || *deadline < *until)) {
            until = deadline;
        }
        if (until) {
            queue.wake.wait_until(lock, *until);
        } else {
            queue.wake.wait(lock);
        }
    }
}

// Waits for the owner to run `message`, serving what is sent to the calling thread meanwhile.
// Once the owner has started it, the sender waits for the end whatever the deadline: the
// procedure may be using the sender's arguments (a record behind lparam, say).
bool await_reply(SentMessage& message, MessageQueue& target,
                 const std::optional<SteadyTime>& deadline, intptr_t* result) {
    MessageQueue& queue = *this_thread_queue();
    std::unique_lock lock(queue.mutex);
    for (;;) {
        if (message.state == SentMessage::State::Done) {
            if (result != nullptr) {
                *result = message.result;
            }
            return true;
        }
        if (message.state == SentMessage::State::Failed) {
            set_last_system_error(message.error);
            return false;
        }
        if (serve_one_sent(queue, lock)) {
            continue;
        }
        const bool pending = message.state == SentMessage::State::Pending;
        if (pending && deadline && std::chrono::steady_clock::now() >= *deadline) {
            message.state = SentMessage::State::Abandoned;
            lock.unlock();
            std::lock_guard target_lock(target.mutex);
            target.remove_sent(&message);
            set_last_system_error(ETIMEDOUT);
            return false;
        }
        if (pending && deadline) {
            queue.wake.wait_until(lock, *deadline);
        } else {
            queue.wake.wait(lock);
        }
    }
}

// Removes a window of the calling thread with everything queued for it.
void forget_window(WindowId id) {
    Orphans orphans;
    {
        Registry& windows = registry();
        std::lock_guard registry_lock(windows.mutex);
        windows.windows.erase(id);
        std::lock_guard queue_lock(this_thread_queue()->mutex);
        orphans = this_thread_queue()->drop_window(id);
    }
    fail_all(orphans);
}

std::optional<SteadyTime> deadline_from(int64_t timeout_ms) {
    if (timeout_ms < 0) {
        return std::nullopt;
    }
    return Clock::deadline_after_ms(timeout_ms);
}

} // namespace

WindowId MessageWindows::create(WindowProcedure procedure, void* create_param) {
    if (!procedure) {
        set_last_system_error(EINVAL);
        return 0;
    }
    WindowId id = 0;
    {
        Registry& windows = registry();
        std::lock_guard lock(windows.mutex);
        id = ++windows.last_id;
        windows.windows.emplace(
            id, Window{this_thread_queue(),
                       std::make_shared<const WindowProcedure>(std::move(procedure)), 0, false});
    }
    Procedure own = own_procedure(id);
    const auto param = reinterpret_cast<intptr_t>(create_param);
    if ((*own)(id, wm::NcCreate, 0, param) == 0) {
        forget_window(id);
        set_last_system_error(ECANCELED);
        return 0;
    }
    if ((*own)(id, wm::Create, 0, param) == -1) {
        destroy(id);
        set_last_system_error(ECANCELED);
        return 0;
    }
    return id;
}

bool MessageWindows::destroy(WindowId id) {
    Procedure procedure;
    bool destroying = false;
    if (!with_own_window(id, [&](Window& window) {
            destroying = window.destroying;
            window.destroying = true;
            procedure = window.procedure;
        })) {
        return false;
    }
    if (destroying) {
        return true; // a Destroy handler that destroys its window again
    }
    (*procedure)(id, wm::Destroy, 0, 0);
    forget_window(id);
    return true;
}

bool MessageWindows::exists(WindowId id) {
    Registry& windows = registry();
    std::lock_guard lock(windows.mutex);
    return windows.find(id) != nullptr;
}

bool MessageWindows::post(WindowId window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    return with_owner_queue(window, [&](const std::shared_ptr<MessageQueue>& owner) {
        owner->post(WindowMessage{window, message, wparam, lparam});
    });
}

void MessageWindows::post_quit(int exit_code) {
    MessageQueue& queue = *this_thread_queue();
    std::lock_guard lock(queue.mutex);
    queue.post_quit(exit_code);
    queue.signal();
}

bool MessageWindows::send(WindowId window, uint32_t message, uintptr_t wparam, intptr_t lparam,
                          int64_t timeout_ms, intptr_t* result) {
    const std::optional<SteadyTime> deadline = deadline_from(timeout_ms);
    const std::shared_ptr<MessageQueue>& self = this_thread_queue();
    const WindowMessage sent{window, message, wparam, lparam};
    std::shared_ptr<SentMessage> queued;
    std::shared_ptr<MessageQueue> target;
    if (!with_owner_queue(window, [&](const std::shared_ptr<MessageQueue>& owner) {
            target = owner;
            if (owner != self) {
                queued = std::make_shared<SentMessage>(sent, self);
                owner->push_sent(queued);
            }
        })) {
        return false;
    }
    if (queued) {
        return await_reply(*queued, *target, deadline, result);
    }
    Procedure procedure = own_procedure(window);
    if (!procedure) {
        return false;
    }
    intptr_t answer = (*procedure)(window, message, wparam, lparam);
    if (result != nullptr) {
        *result = answer;
    }
    return true;
}

bool MessageWindows::get(WindowMessage* out) {
    await_message(std::nullopt, out, true);
    return out->message != wm::Quit;
}

bool MessageWindows::peek(WindowMessage* out, bool remove) {
    return await_message(std::chrono::steady_clock::now(), out, remove);
}

bool MessageWindows::wait(int64_t timeout_ms) {
    WindowMessage ignored;
    return await_message(deadline_from(timeout_ms), &ignored, false);
}

int MessageWindows::wake_fd() {
    MessageQueue& queue = *this_thread_queue();
    std::lock_guard lock(queue.mutex);
    const int fd = queue.wake_fd();
    if (fd < 0) {
        set_last_system_error(static_cast<uint32_t>(errno));
        return -1;
    }
    // Whatever waits already must not be missed by a loop that starts waiting on it now.
    queue.signal();
    return fd;
}

std::optional<int64_t> MessageWindows::ms_to_next_timer() {
    MessageQueue& queue = *this_thread_queue();
    std::lock_guard lock(queue.mutex);
    std::optional<SteadyTime> due = queue.next_timer_due();
    if (!due) {
        return std::nullopt;
    }
    const auto left = *due - std::chrono::steady_clock::now();
    if (left <= std::chrono::nanoseconds(0)) {
        return 0;
    }
    // Rounded up, so that a loop woken then finds the timer due.
    return std::chrono::ceil<std::chrono::milliseconds>(left).count();
}

intptr_t MessageWindows::dispatch(const WindowMessage& message) {
    Procedure procedure = own_procedure(message.window);
    if (!procedure) {
        return 0;
    }
    return (*procedure)(message.window, message.message, message.wparam, message.lparam);
}

bool MessageWindows::set_timer(WindowId window, uintptr_t timer_id, uint32_t period_ms) {
    const SteadyTime now = std::chrono::steady_clock::now();
    const auto period = Clock::deadline_after_ms(period_ms) - now;
    return with_owner_queue(window, [&](const std::shared_ptr<MessageQueue>& owner) {
        owner->set_timer(window, timer_id, period, now);
    });
}

bool MessageWindows::kill_timer(WindowId window, uintptr_t timer_id) {
    bool killed = false;
    if (!with_owner_queue(window, [&](const std::shared_ptr<MessageQueue>& owner) {
            killed = owner->kill_timer(window, timer_id);
        })) {
        return false;
    }
    if (!killed) {
        set_last_system_error(ENOENT);
    }
    return killed;
}

intptr_t MessageWindows::default_procedure(WindowId window, uint32_t message, uintptr_t, intptr_t) {
    switch (message) {
    case wm::NcCreate:
        return 1;
    case wm::Close:
        destroy(window);
        return 0;
    default:
        return 0;
    }
}

bool MessageWindows::set_user_data(WindowId id, intptr_t value) {
    return with_window(id, [&](Window& window) { window.user_data = value; });
}

intptr_t MessageWindows::user_data(WindowId id) {
    intptr_t value = 0;
    with_window(id, [&](Window& window) { value = window.user_data; });
    return value;
}

} // namespace devio::sys
