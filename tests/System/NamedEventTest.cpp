// Named events within this process and across processes (the helper program plays the other one).
#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <vector>

#include "HelperProcess.h"
#include "Source/System/Clock.h"
#include "Source/System/NamedEvent.h"
#include "Source/System/SystemError.h"
#include "support/TempDir.h"

using namespace devio::sys;
using devio::test::HelperProcess;

namespace {

class NamedEventTest : public testing::Test {
protected:
    devio::test::TempDir runtime_;
    devio::test::ScopedEnv runtime_env_{"XDG_RUNTIME_DIR", runtime_.path().c_str()};
    const std::string name_ = "Global\\Hubrix_1.00_GlobalShutdown";
};

} // namespace

TEST_F(NamedEventTest, OpenFailsWhileNoEventOfThatNameExists) {
    EXPECT_EQ(NamedEvent::open(name_), nullptr);
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ENOENT));
}

TEST_F(NamedEventTest, OnlyOneLiveEventOfANameCanBeCreated) {
    auto first = NamedEvent::create(name_);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(NamedEvent::create(name_), nullptr);
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(EEXIST));

    first.reset();
    EXPECT_NE(NamedEvent::create(name_), nullptr);
}

TEST_F(NamedEventTest, CreatorAndOpenersShareOneManualResetState) {
    auto creator = NamedEvent::create(name_);
    auto opener = NamedEvent::open(name_);
    ASSERT_NE(creator, nullptr);
    ASSERT_NE(opener, nullptr);
    EXPECT_FALSE(creator->is_set());

    EXPECT_TRUE(opener->set());
    EXPECT_TRUE(creator->is_set());
    EXPECT_TRUE(creator->wait(0));
    EXPECT_TRUE(creator->wait(0)); // a wait does not reset it

    EXPECT_TRUE(creator->reset());
    EXPECT_FALSE(opener->is_set());
}

TEST_F(NamedEventTest, TheNameEndsWithItsCreator) {
    auto creator = NamedEvent::create(name_);
    auto opener = NamedEvent::open(name_);
    ASSERT_NE(opener, nullptr);

    creator.reset();

    EXPECT_EQ(NamedEvent::open(name_), nullptr);
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ENOENT));
    EXPECT_TRUE(opener->set()); // an open handle stays usable
    EXPECT_TRUE(opener->is_set());
    auto successor = NamedEvent::create(name_);
    ASSERT_NE(successor, nullptr);
    EXPECT_FALSE(successor->is_set());
}

TEST_F(NamedEventTest, WaitTimesOutOnTheScaledClock) {
    Clock::set_time_scale(0.1);
    auto event = NamedEvent::create(name_);
    const uint64_t start = Clock::tick_count_ms();

    EXPECT_FALSE(event->wait(200));

    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ETIMEDOUT));
    EXPECT_GE(Clock::tick_count_ms() - start + 1, 200u);
    Clock::set_time_scale(1.0);
}

TEST_F(NamedEventTest, SetWakesEveryWaitingThread) {
    auto creator = NamedEvent::create(name_);
    constexpr int kWaiters = 3;
    constexpr int64_t kWaitBoundMs = 20000;
    std::vector<std::promise<int>> tids(kWaiters);
    std::vector<std::future<bool>> woken;
    for (auto& tid : tids) {
        woken.push_back(std::async(std::launch::async, [this, &tid] {
            auto event = NamedEvent::open(name_);
            tid.set_value(gettid());
            return event && event->wait(kWaitBoundMs);
        }));
    }
    for (auto& tid : tids) {
        ASSERT_TRUE(devio::test::wait_until_thread_sleeps(tid.get_future().get()));
    }

    creator->set();

    // Woken by the set, long before their own time-out could end the wait.
    for (auto& waiter : woken) {
        ASSERT_EQ(waiter.wait_for(std::chrono::milliseconds(kWaitBoundMs / 2)),
                  std::future_status::ready);
        EXPECT_TRUE(waiter.get());
    }
}

TEST_F(NamedEventTest, SetWakesAWaiterInAnotherProcess) {
    auto creator = NamedEvent::create(name_);
    HelperProcess waiter({"event-wait", name_, "-1"});
    ASSERT_EQ(waiter.read_line(), "ready");
    ASSERT_TRUE(waiter.wait_until_sleeping());

    creator->set();

    ASSERT_TRUE(devio::test::wait_for([&] { return waiter.has_exited(); }));
    int status = waiter.exit_status();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(NamedEventTest, AnotherProcessOpensAndSetsAnEventCreatedHere) {
    auto creator = NamedEvent::create(name_);
    HelperProcess setter({"event-set", name_});

    int status = setter.exit_status();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(creator->is_set());
}

TEST_F(NamedEventTest, ACreatorThatDiedLeavesNoEventToOpen) {
    HelperProcess creator({"event-create", name_});
    ASSERT_EQ(creator.read_line(), "ready");
    EXPECT_NE(NamedEvent::open(name_), nullptr);

    kill(creator.pid(), SIGKILL);
    creator.exit_status();

    EXPECT_EQ(NamedEvent::open(name_), nullptr);
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ENOENT));
    EXPECT_NE(NamedEvent::create(name_), nullptr); // what it left behind is no obstacle
}
