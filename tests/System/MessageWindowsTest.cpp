// Windows, posted messages, nested loops and window timers.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "Source/System/Clock.h"
#include "Source/System/MessageWindows.h"
#include "Source/System/SystemError.h"
#include "WindowThread.h"
#include "support/WaitFor.h"

using namespace devio::sys;
using devio::test::WindowThread;

namespace {

// A window of the test's own thread that records the messages its procedure receives.
class RecordingWindow {
public:
    explicit RecordingWindow(intptr_t nc_create_answer = 1, intptr_t create_answer = 0) {
        id = MessageWindows::create(
            [=, this](WindowId window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
                seen.push_back(message);
                if (message == wm::NcCreate) {
                    return nc_create_answer;
                }
                if (message == wm::Create) {
                    return create_answer;
                }
                return MessageWindows::default_procedure(window, message, wparam, lparam);
            });
    }
    ~RecordingWindow() { MessageWindows::destroy(id); }

    WindowId id = 0;
    std::vector<uint32_t> seen;
};

// Dispatches every message that is waiting, as the dialog does between steps of a long check.
void dispatch_waiting() {
    WindowMessage message;
    while (MessageWindows::peek(&message, true)) {
        MessageWindows::dispatch(message);
    }
}

} // namespace

TEST(MessageWindowsTest, CreateRunsNcCreateAndCreateWithTheParameterBeforeReturning) {
    int parameter = 0;
    intptr_t data_seen_in_create = 0;
    std::vector<uint32_t> seen;
    WindowId window = MessageWindows::create(
        [&](WindowId id, uint32_t message, uintptr_t wparam, intptr_t lparam) {
            seen.push_back(message);
            if (message == wm::NcCreate) {
                EXPECT_EQ(lparam, reinterpret_cast<intptr_t>(&parameter));
                MessageWindows::set_user_data(id, lparam);
            } else if (message == wm::Create) {
                data_seen_in_create = MessageWindows::user_data(id);
            }
            return MessageWindows::default_procedure(id, message, wparam, lparam);
        },
        &parameter);

    ASSERT_NE(window, 0u);
    EXPECT_EQ(seen, (std::vector<uint32_t>{wm::NcCreate, wm::Create}));
    EXPECT_EQ(data_seen_in_create, reinterpret_cast<intptr_t>(&parameter));
    EXPECT_TRUE(MessageWindows::destroy(window));
    EXPECT_EQ(seen.back(), wm::Destroy);
    EXPECT_FALSE(MessageWindows::exists(window));
}

TEST(MessageWindowsTest, CreateFailsWhenTheProcedureRefusesTheWindow) {
    struct Case {
        intptr_t nc_create_answer;
        intptr_t create_answer;
        std::vector<uint32_t> expected;
    };
    const Case cases[] = {
        {0, 0, {wm::NcCreate}},
        {1, -1, {wm::NcCreate, wm::Create, wm::Destroy}},
    };
    for (const Case& c : cases) {
        RecordingWindow window(c.nc_create_answer, c.create_answer);
        EXPECT_EQ(window.id, 0u);
        EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ECANCELED));
        EXPECT_EQ(window.seen, c.expected);
    }
}

TEST(MessageWindowsTest, PostedMessagesArriveInOrderAndQuitAfterThem) {
    RecordingWindow window;
    MessageWindows::post(window.id, wm::User, 1);
    MessageWindows::post_quit(7);
    MessageWindows::post(window.id, wm::User, 2, -2);

    WindowMessage message;
    ASSERT_TRUE(MessageWindows::peek(&message, false));
    EXPECT_EQ(message.wparam, 1u); // still there after a look
    ASSERT_TRUE(MessageWindows::get(&message));
    EXPECT_EQ(message.wparam, 1u);
    ASSERT_TRUE(MessageWindows::get(&message));
    EXPECT_EQ(message.window, window.id);
    EXPECT_EQ(message.message, wm::User);
    EXPECT_EQ(message.wparam, 2u);
    EXPECT_EQ(message.lparam, -2);
    EXPECT_FALSE(MessageWindows::get(&message));
    EXPECT_EQ(message.message, wm::Quit);
    EXPECT_EQ(message.wparam, 7u);
    EXPECT_FALSE(MessageWindows::peek(&message, true));
}

TEST(MessageWindowsTest, PostedCloseDestroysTheWindowAndEndsItsThreadsLoop) {
    std::vector<uint32_t> seen; // read after the thread has ended
    WindowThread owner([&](WindowId, uint32_t message, uintptr_t, intptr_t) {
        seen.push_back(message);
        return std::nullopt;
    });
    const WindowId window = owner.window();
    MessageWindows::post(window, wm::User);

    owner.close(); // returns once the thread's loop has seen Quit

    EXPECT_FALSE(MessageWindows::exists(window));
    EXPECT_EQ(seen, (std::vector<uint32_t>{wm::NcCreate, wm::Create, wm::User, wm::Close}));
}

TEST(MessageWindowsTest, WindowsEndWithTheirThread) {
    WindowId window = 0;
    std::thread([&] { window = MessageWindows::create(MessageWindows::default_procedure); }).join();
    ASSERT_NE(window, 0u);

    EXPECT_FALSE(MessageWindows::exists(window));
    EXPECT_FALSE(MessageWindows::post(window, wm::User));
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ESRCH));
    set_last_system_error(0);
    EXPECT_FALSE(MessageWindows::send(window, wm::User, 0, 0, 5000));
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ESRCH));
    set_last_system_error(0);
    EXPECT_FALSE(MessageWindows::set_timer(window, 1, 10));
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ESRCH));
}

TEST(MessageWindowsTest, DestroyDropsTheWindowsQueuedMessagesAndTimers) {
    RecordingWindow kept;
    WindowId doomed = MessageWindows::create(MessageWindows::default_procedure);
    MessageWindows::post(doomed, wm::User);
    MessageWindows::set_timer(doomed, 1, 0);
    MessageWindows::post(kept.id, wm::User + 1);

    ASSERT_TRUE(MessageWindows::destroy(doomed));

    WindowMessage message;
    ASSERT_TRUE(MessageWindows::peek(&message, true));
    EXPECT_EQ(message.window, kept.id);
    EXPECT_FALSE(MessageWindows::peek(&message, true));
    EXPECT_FALSE(MessageWindows::destroy(doomed));
}

TEST(MessageWindowsTest, OnlyTheOwningThreadDestroysOrDispatchesToAWindow) {
    std::atomic<int> handled{0};
    WindowThread owner(
        [&](WindowId, uint32_t message, uintptr_t, intptr_t) -> std::optional<intptr_t> {
            if (message == wm::User) {
                ++handled;
                return 1;
            }
            return std::nullopt;
        });

    EXPECT_FALSE(MessageWindows::destroy(owner.window()));
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(EPERM));
    EXPECT_EQ(MessageWindows::dispatch(WindowMessage{owner.window(), wm::User, 0, 0}), 0);
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(EPERM));
    owner.close();
    EXPECT_EQ(handled, 0);
}

TEST(MessageWindowsTest, NestedLoopInsideAHandlerDeliversMessagesAndTimers) {
    std::vector<std::string> log;
    bool inner_done = false;
    WindowId window = MessageWindows::create(
        [&](WindowId id, uint32_t message, uintptr_t wparam, intptr_t lparam) -> intptr_t {
            switch (message) {
            case wm::User: { // a message box: its own loop until it is answered
                log.push_back("outer");
                MessageWindows::post(id, wm::User + 1);
                MessageWindows::set_timer(id, 9, 0);
                WindowMessage nested;
                while (!inner_done && MessageWindows::get(&nested)) {
                    MessageWindows::dispatch(nested);
                }
                log.push_back("nested loop ended");
                return 0;
            }
            case wm::User + 1:
                log.push_back("inner");
                return 0;
            case wm::Timer:
                MessageWindows::kill_timer(id, wparam);
                log.push_back("timer");
                inner_done = true;
                return 0;
            default:
                return MessageWindows::default_procedure(id, message, wparam, lparam);
            }
        });
    MessageWindows::post(window, wm::User);

    dispatch_waiting();

    EXPECT_EQ(log, (std::vector<std::string>{"outer", "inner", "timer", "nested loop ended"}));
    MessageWindows::destroy(window);
}

class MessageWindowsTimerTest : public testing::Test {
protected:
    void SetUp() override {
        Clock::set_time_scale(0.05);
        window_ = MessageWindows::create(MessageWindows::default_procedure);
    }
    void TearDown() override {
        MessageWindows::destroy(window_);
        Clock::set_time_scale(1.0);
    }

    WindowMessage next() {
        WindowMessage message;
        EXPECT_TRUE(MessageWindows::get(&message));
        return message;
    }

    WindowId window_ = 0;
};

TEST_F(MessageWindowsTimerTest, RepeatsOnItsPeriodUntilKilled) {
    const uint64_t start = Clock::tick_count_ms();
    ASSERT_TRUE(MessageWindows::set_timer(window_, 5, 100));
    for (int expiry = 1; expiry <= 3; ++expiry) {
        WindowMessage message = next();
        EXPECT_EQ(message.window, window_);
        EXPECT_EQ(message.message, wm::Timer);
        EXPECT_EQ(message.wparam, 5u);
        EXPECT_GE(Clock::tick_count_ms() - start + 1, 100u * expiry);
    }

    EXPECT_TRUE(MessageWindows::kill_timer(window_, 5));
    EXPECT_FALSE(MessageWindows::wait(300));
    EXPECT_FALSE(MessageWindows::kill_timer(window_, 5));
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ENOENT));
}

TEST_F(MessageWindowsTimerTest, SettingAnExistingIdRestartsItsPeriod) {
    MessageWindows::set_timer(window_, 1, 200);
    Clock::sleep_ms(100);
    const uint64_t restart = Clock::tick_count_ms();
    MessageWindows::set_timer(window_, 1, 200);

    EXPECT_EQ(next().wparam, 1u);
    EXPECT_GE(Clock::tick_count_ms() - restart + 1, 200u);
}

TEST_F(MessageWindowsTimerTest, AnOverdueTimerHasOneExpiryWaiting) {
    Clock::set_time_scale(
        1.0); // a real period, so that the next beat cannot come between two looks
    MessageWindows::set_timer(window_, 3, 50);
    Clock::sleep_ms(300); // six periods pass unseen

    WindowMessage message;
    ASSERT_TRUE(MessageWindows::peek(&message, true));
    EXPECT_EQ(message.message, wm::Timer);
    EXPECT_FALSE(MessageWindows::peek(&message, true));
    EXPECT_EQ(next().wparam, 3u); // and the timer goes on
}

TEST_F(MessageWindowsTimerTest, PostedMessagesComeBeforeExpiries) {
    MessageWindows::set_timer(window_, 2, 0);
    MessageWindows::post(window_, wm::User);

    EXPECT_EQ(next().message, wm::User);
    EXPECT_EQ(next().message, wm::Timer);
}

TEST_F(MessageWindowsTimerTest, KillingDropsAnExpiryNotYetRetrieved) {
    MessageWindows::set_timer(window_, 2, 0);
    ASSERT_TRUE(MessageWindows::wait(0)); // the expiry is waiting
    MessageWindows::kill_timer(window_, 2);

    WindowMessage message;
    EXPECT_FALSE(MessageWindows::peek(&message, true));
}

TEST_F(MessageWindowsTimerTest, ZeroDelayTimerArmedByAnotherThreadWakesTheOwner) {
    constexpr uintptr_t kPump = 0xABCDABCD;
    std::atomic<int> expiries{0};
    std::thread::id handled_on;
    WindowThread owner([&](WindowId window, uint32_t message, uintptr_t wparam,
                           intptr_t) -> std::optional<intptr_t> {
        if (message != wm::Timer) {
            return std::nullopt;
        }
        MessageWindows::kill_timer(window, wparam);
        handled_on = std::this_thread::get_id();
        ++expiries;
        return 0;
    });

    std::thread producer([&] { MessageWindows::set_timer(owner.window(), kPump, 0); });
    producer.join();
    ASSERT_TRUE(devio::test::wait_for([&] { return expiries == 1; }));
    owner.close();

    EXPECT_EQ(expiries, 1);
    EXPECT_EQ(handled_on, owner.thread_id());
}

namespace {

// True when `fd` becomes readable within `timeout_ms` real milliseconds; reads it empty then.
bool readable(int fd, int timeout_ms) {
    pollfd waiting{fd, POLLIN, 0};
    if (::poll(&waiting, 1, timeout_ms) != 1) {
        return false;
    }
    uint64_t count = 0;
    return ::read(fd, &count, sizeof count) == static_cast<ssize_t>(sizeof count) && count > 0;
}

} // namespace

// The descriptor that a foreign event loop (the desktop window's) waits on instead of get.
TEST_F(MessageWindowsTimerTest, WakeDescriptorTurnsReadableForEveryKindOfNewWork) {
    const int fd = MessageWindows::wake_fd();
    ASSERT_GE(fd, 0);
    EXPECT_EQ(MessageWindows::wake_fd(), fd);
    EXPECT_TRUE(readable(fd, 0)); // readable on return: what waits already is not missed
    EXPECT_FALSE(readable(fd, 0));

    std::thread([&] { MessageWindows::post(window_, wm::User); }).join();
    EXPECT_TRUE(readable(fd, 0));
    dispatch_waiting();

    // A send from another thread wakes the owner, which serves it when it looks at its queue.
    std::atomic<bool> sent{false};
    std::thread sender([&] { sent = MessageWindows::send(window_, wm::User + 1, 0, 0, -1); });
    EXPECT_TRUE(readable(fd, 5000));
    dispatch_waiting();
    sender.join();
    EXPECT_TRUE(sent);

    EXPECT_FALSE(MessageWindows::ms_to_next_timer().has_value());
    MessageWindows::set_timer(window_, 4, 1000); // 50 real ms at the fixture's scale
    EXPECT_TRUE(readable(fd, 0));
    std::optional<int64_t> left = MessageWindows::ms_to_next_timer();
    ASSERT_TRUE(left.has_value());
    EXPECT_LE(*left, 50);
    EXPECT_FALSE(readable(fd, 0));
    // Nothing signals an expiry: the loop waits for ms_to_next_timer and then finds it due.
    WindowMessage message;
    ASSERT_TRUE(MessageWindows::wait(-1));
    EXPECT_EQ(MessageWindows::ms_to_next_timer().value_or(-1), 0);
    ASSERT_TRUE(MessageWindows::peek(&message, true));
    EXPECT_EQ(message.message, wm::Timer);
    MessageWindows::kill_timer(window_, 4);
    EXPECT_TRUE(readable(fd, 0));
}
