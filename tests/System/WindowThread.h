// A thread that owns one message window and pumps its messages, as the HID bus's window thread
// does: closing the window (a posted Close) destroys it, and its Destroy ends the pump. A test may
// give its own pump, which runs on the thread once the window exists.
#pragma once

#include <functional>
#include <future>
#include <optional>
#include <thread>
#include <unistd.h>

#include "Source/System/MessageWindows.h"

namespace devio::test {

class WindowThread {
public:
    // Answers a message, or leaves it to the default procedure (nullopt).
    using Handler =
        std::function<std::optional<intptr_t>(sys::WindowId, uint32_t, uintptr_t, intptr_t)>;

    using Pump = std::function<void()>;

    explicit WindowThread(Handler handler = {}, Pump pump = pump_until_quit)
        : handler_(std::move(handler)), pump_(std::move(pump)) {
        std::promise<void> started;
        auto created = started.get_future();
        thread_ = std::thread([this, &started] { run(started); });
        created.wait();
    }
    ~WindowThread() { close(); }
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    sys::WindowId window() const { return window_; }
    std::thread::id thread_id() const { return thread_id_; }
    int tid() const { return tid_; }

    // Gets and dispatches messages until the thread's Quit.
    static void pump_until_quit() {
        sys::WindowMessage message;
        while (sys::MessageWindows::get(&message)) {
            sys::MessageWindows::dispatch(message);
        }
    }

    void close() {
        if (thread_.joinable()) {
            sys::MessageWindows::post(window_, sys::wm::Close);
            thread_.join();
        }
    }

private:
    void run(std::promise<void>& started) {
        thread_id_ = std::this_thread::get_id();
        tid_ = gettid();
        window_ = sys::MessageWindows::create([this](sys::WindowId window, uint32_t message,
                                                     uintptr_t wparam, intptr_t lparam) {
            if (message == sys::wm::Destroy) {
                sys::MessageWindows::post_quit(0);
                return intptr_t{0};
            }
            if (handler_) {
                if (std::optional<intptr_t> answer = handler_(window, message, wparam, lparam)) {
                    return *answer;
                }
            }
            return sys::MessageWindows::default_procedure(window, message, wparam, lparam);
        });
        started.set_value();
        pump_();
    }

    Handler handler_;
    Pump pump_;
    std::thread thread_;
    sys::WindowId window_ = 0;
    std::thread::id thread_id_;
    int tid_ = 0;
};

} // namespace devio::test
