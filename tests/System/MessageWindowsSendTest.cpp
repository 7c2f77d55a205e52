// Messages sent across threads: served while the owner waits, between threads that send to each
// other, and when the sender gives up or the owner goes away.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <latch>
#include <stdexcept>
#include <thread>

#include "Source/System/Clock.h"
#include "Source/System/DebugOutput.h"
#include "Source/System/MessageWindows.h"
#include "Source/System/SystemError.h"
#include "TaskState.h"
#include "WindowThread.h"

using namespace devio::sys;
using devio::test::WindowThread;

namespace {

// A cross-thread request as the HID bus sends it: a record whose address travels in lparam.
struct Request {
    int in = 0;
    int out = 0;
    std::thread::id served_on;
};

std::optional<intptr_t> serve_request(WindowId, uint32_t message, uintptr_t, intptr_t lparam) {
    if (message != wm::User) {
        return std::nullopt;
    }
    auto* request = reinterpret_cast<Request*>(lparam);
    request->out = request->in * 2;
    request->served_on = std::this_thread::get_id();
    return 42;
}

} // namespace

TEST(MessageWindowsSendTest, SendToAWindowOfTheSameThreadRunsItAtOnce) {
    WindowId window = MessageWindows::create([](WindowId id, uint32_t message, uintptr_t wparam,
                                                intptr_t lparam) -> intptr_t {
        return message == wm::User ? static_cast<intptr_t>(wparam) + lparam
                                   : MessageWindows::default_procedure(id, message, wparam, lparam);
    });
    intptr_t result = 0;
    EXPECT_TRUE(MessageWindows::send(window, wm::User, 2, 3, 0, &result));
    EXPECT_EQ(result, 5);
    MessageWindows::destroy(window);
}

enum class OwnerWait { Get, Peek, Wait };

std::string owner_wait_name(const testing::TestParamInfo<OwnerWait>& info) {
    switch (info.param) {
    case OwnerWait::Get:
        return "InGet";
    case OwnerWait::Peek:
        return "InPeek";
    case OwnerWait::Wait:
        return "InWait";
    }
    return "";
}

class MessageWindowsSendWhileWaitingTest : public testing::TestWithParam<OwnerWait> {};

TEST_P(MessageWindowsSendWhileWaitingTest, OwnerServesTheSendOnItsOwnThread) {
    const OwnerWait mode = GetParam();
    WindowThread owner(serve_request, [mode] {
        WindowMessage message;
        if (mode == OwnerWait::Peek) {
            for (;;) {
                if (!MessageWindows::peek(&message, true)) {
                    std::this_thread::yield();
                } else if (message.message == wm::Quit) {
                    return;
                } else {
                    MessageWindows::dispatch(message);
                }
            }
        }
        if (mode == OwnerWait::Wait) {
            while (!MessageWindows::wait(-1)) {
            }
        }
        WindowThread::pump_until_quit();
    });

    Request request{21, 0, {}};
    intptr_t result = 0;
    EXPECT_TRUE(MessageWindows::send(owner.window(), wm::User, 0,
                                     reinterpret_cast<intptr_t>(&request), 5000, &result));
    EXPECT_EQ(result, 42);
    EXPECT_EQ(request.out, 42);
    EXPECT_EQ(request.served_on, owner.thread_id());
}

INSTANTIATE_TEST_SUITE_P(MessageWindows, MessageWindowsSendWhileWaitingTest,
                         testing::Values(OwnerWait::Get, OwnerWait::Peek, OwnerWait::Wait),
                         owner_wait_name);

// Neither thread gets messages before its own send returns, so each send can only be served by
// the other thread while that one is blocked in its send.
TEST(MessageWindowsSendTest, TwoThreadsSendingToEachOtherBothComplete) {
    std::latch ready(3);
    WindowId windows[2] = {0, 0};
    std::atomic<bool> sent[2] = {false, false};
    auto sender = [&](int self) {
        return [&, self] {
            ready.arrive_and_wait();
            Request request{self + 1, 0, {}};
            sent[self] = MessageWindows::send(windows[1 - self], wm::User, 0,
                                              reinterpret_cast<intptr_t>(&request), 5000) &&
                         request.out == 2 * (self + 1);
            WindowThread::pump_until_quit();
        };
    };
    WindowThread first(serve_request, sender(0));
    WindowThread second(serve_request, sender(1));
    windows[0] = first.window();
    windows[1] = second.window();
    ready.arrive_and_wait();

    EXPECT_TRUE(devio::test::wait_for([&] { return sent[0] && sent[1]; }));
}

TEST(MessageWindowsSendTest, AHandlerMaySendBackToTheThreadWaitingForIt) {
    WindowThread other(
        [](WindowId, uint32_t message, uintptr_t, intptr_t lparam) -> std::optional<intptr_t> {
            if (message != wm::User) {
                return std::nullopt;
            }
            intptr_t answer = 0;
            MessageWindows::send(static_cast<WindowId>(lparam), wm::User + 1, 0, 0, 5000, &answer);
            return 10 + answer;
        });
    WindowId callback = MessageWindows::create(
        [](WindowId id, uint32_t message, uintptr_t wparam, intptr_t lparam) -> intptr_t {
            return message == wm::User + 1
                       ? 5
                       : MessageWindows::default_procedure(id, message, wparam, lparam);
        });

    intptr_t result = 0;
    EXPECT_TRUE(MessageWindows::send(other.window(), wm::User, 0, static_cast<intptr_t>(callback),
                                     5000, &result));
    EXPECT_EQ(result, 15);
    MessageWindows::destroy(callback);
}

TEST(MessageWindowsSendTest, ASendThatTimedOutIsNeverRunLater) {
    std::latch release(1);
    std::atomic<int> runs{0};
    WindowThread owner(
        [&](WindowId, uint32_t message, uintptr_t, intptr_t lparam) -> std::optional<intptr_t> {
            if (message == wm::User) {
                ++runs;
                *reinterpret_cast<int*>(lparam) = 1;
            }
            return message == wm::User + 1 ? std::optional<intptr_t>(1) : std::nullopt;
        },
        [&] {
            release.wait(); // busy elsewhere: no messages served
            WindowThread::pump_until_quit();
        });

    {
        int record = 0; // gone when the owner gets to its queue
        EXPECT_FALSE(MessageWindows::send(owner.window(), wm::User, 0,
                                          reinterpret_cast<intptr_t>(&record), 50));
        EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ETIMEDOUT));
    }
    release.count_down();
    // Sent messages are served in order, so once this one is answered the first is behind us.
    EXPECT_TRUE(MessageWindows::send(owner.window(), wm::User + 1, 0, 0, 5000));
    owner.close();
    EXPECT_EQ(runs, 0);
}

TEST(MessageWindowsSendTest, ASendAlreadyRunningIsWaitedForPastItsTimeOut) {
    Clock::set_time_scale(0.25);
    constexpr int64_t kTimeoutMs = 1000;
    WindowThread owner(
        [](WindowId, uint32_t message, uintptr_t, intptr_t lparam) -> std::optional<intptr_t> {
            if (message != wm::User) {
                return std::nullopt;
            }
            Clock::sleep_ms(kTimeoutMs + 200); // the sender's time-out passes meanwhile
            *reinterpret_cast<int*>(lparam) = 7;
            return 3;
        });

    int record = 0;
    intptr_t result = 0;
    EXPECT_TRUE(MessageWindows::send(owner.window(), wm::User, 0,
                                     reinterpret_cast<intptr_t>(&record), kTimeoutMs, &result));
    EXPECT_EQ(record, 7);
    EXPECT_EQ(result, 3);
    Clock::set_time_scale(1.0);
}

TEST(MessageWindowsSendTest, AHandlerThatThrowsFailsTheSendAndTheOwnerGoesOn) {
    DebugOutputCapture output;
    WindowThread owner(
        [](WindowId, uint32_t message, uintptr_t, intptr_t) -> std::optional<intptr_t> {
            if (message == wm::User) {
                throw std::runtime_error("no such registration");
            }
            return message == wm::User + 1 ? std::optional<intptr_t>(1) : std::nullopt;
        });

    EXPECT_FALSE(MessageWindows::send(owner.window(), wm::User, 0, 0, 5000));
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ECANCELED));
    EXPECT_TRUE(output.contains("no such registration"));
    EXPECT_TRUE(MessageWindows::send(owner.window(), wm::User + 1, 0, 0, 5000));
}

// The owner goes away while a send to its window waits: the sender is released at once.
class MessageWindowsSendToVanishingOwnerTest : public testing::TestWithParam<bool> {};

TEST_P(MessageWindowsSendToVanishingOwnerTest, ReleasesTheSenderWithESRCH) {
    const bool destroy_window = GetParam();
    std::latch go(1);
    std::latch sender_done(1);
    std::promise<WindowId> created;
    std::thread owner([&] {
        WindowId window = MessageWindows::create(MessageWindows::default_procedure);
        created.set_value(window);
        go.wait();
        if (destroy_window) {
            MessageWindows::destroy(window);
            sender_done.wait(); // the thread lives on, without serving messages
        }
    });
    const WindowId window = created.get_future().get();

    std::promise<int> sender_tid;
    bool sent = true;
    uint32_t error = 0;
    std::thread sender([&] {
        sender_tid.set_value(gettid());
        sent = MessageWindows::send(window, wm::User, 0, 0, -1);
        error = last_system_error();
        sender_done.count_down();
    });
    ASSERT_TRUE(devio::test::wait_until_thread_sleeps(sender_tid.get_future().get()));
    go.count_down();
    sender.join();
    owner.join();

    EXPECT_FALSE(sent);
    EXPECT_EQ(error, static_cast<uint32_t>(ESRCH));
}

INSTANTIATE_TEST_SUITE_P(MessageWindows, MessageWindowsSendToVanishingOwnerTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "WindowDestroyed" : "ThreadEnded");
                         });
