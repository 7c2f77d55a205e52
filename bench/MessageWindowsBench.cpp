// Costs of the message-window layer on the paths the library and the tool use most: a posted
// message, the zero-delay timer that pumps the run loop (one library event per expiry), and a
// blocking send to a window of another thread (the HID bus's cross-thread requests).
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "Source/System/MessageWindows.h"

using namespace devio::sys;

namespace {

WindowId make_window() {
    return MessageWindows::create(
        [](WindowId window, uint32_t message, uintptr_t wparam, intptr_t lparam) -> intptr_t {
            if (message == wm::Timer) {
                MessageWindows::kill_timer(window, wparam);
                return 0;
            }
            if (message == wm::Destroy) {
                MessageWindows::post_quit(0);
                return 0;
            }
            return MessageWindows::default_procedure(window, message, wparam, lparam);
        });
}

void BM_PostGetDispatch(benchmark::State& state) {
    WindowId window = make_window();
    WindowMessage message;
    for (auto _ : state) {
        MessageWindows::post(window, wm::User);
        MessageWindows::get(&message);
        benchmark::DoNotOptimize(MessageWindows::dispatch(message));
    }
    MessageWindows::destroy(window);
}
BENCHMARK(BM_PostGetDispatch);

void BM_ZeroDelayTimerCycle(benchmark::State& state) {
    WindowId window = make_window();
    WindowMessage message;
    for (auto _ : state) {
        MessageWindows::set_timer(window, 0xABCDABCD, 0);
        MessageWindows::get(&message);
        MessageWindows::dispatch(message);
    }
    MessageWindows::destroy(window);
}
BENCHMARK(BM_ZeroDelayTimerCycle);

void BM_SendToAnotherThread(benchmark::State& state) {
    std::promise<WindowId> created;
    std::thread owner([&] {
        created.set_value(make_window());
        WindowMessage message;
        while (MessageWindows::get(&message)) {
            MessageWindows::dispatch(message);
        }
    });
    const WindowId window = created.get_future().get();
    for (auto _ : state) {
        benchmark::DoNotOptimize(MessageWindows::send(window, wm::User, 0, 0, 5000));
    }
    MessageWindows::post(window, wm::Close);
    owner.join();
}
BENCHMARK(BM_SendToAnotherThread)->UseRealTime();

// The reference for the send: the bare round trip of a request between two threads through a
// mutex and condition variables, which is the least a blocking cross-thread call costs.
void BM_ReferenceConditionRoundTrip(benchmark::State& state) {
    std::mutex mutex;
    std::condition_variable request_ready, answer_ready;
    bool requested = false, answered = false, stop = false;
    std::thread server([&] {
        std::unique_lock lock(mutex);
        for (;;) {
            request_ready.wait(lock, [&] { return requested || stop; });
            if (stop) {
                return;
            }
            requested = false;
            answered = true;
            answer_ready.notify_one();
        }
    });
    for (auto _ : state) {
        std::unique_lock lock(mutex);
        requested = true;
        request_ready.notify_one();
        answer_ready.wait(lock, [&] { return answered; });
        answered = false;
    }
    {
        std::lock_guard lock(mutex);
        stop = true;
    }
    request_ready.notify_one();
    server.join();
}
BENCHMARK(BM_ReferenceConditionRoundTrip)->UseRealTime();

} // namespace
