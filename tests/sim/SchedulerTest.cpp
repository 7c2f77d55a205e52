#include "sim/Scheduler.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "Source/System/Clock.h"
#include "support/ScopedTimeScale.h"

namespace devio::sim {
namespace {

using std::chrono::milliseconds;

// Collects the names of the actions that ran, in order.
class Trace {
public:
    Scheduler::Action note(int name) {
        return [this, name] {
            std::lock_guard lock(mutex_);
            names_.push_back(name);
            changed_.notify_all();
        };
    }
    std::vector<int> wait_for(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return names_.size() >= count; });
        return names_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int> names_;
};

class SimScheduler : public ::testing::Test {
protected:
    SimScheduler() { sys::Clock::set_time_scale(0.01); }
    Trace trace;
    Scheduler scheduler;
};

TEST_F(SimScheduler, RunsActionsInTimeOrderAndTiesInPostingOrder) {
    Scheduler::Group group(scheduler);
    auto lock = group.lock(); // nothing runs before all are posted
    group.post(milliseconds(300), trace.note(4));
    group.post(milliseconds(100), trace.note(2));
    group.post(milliseconds(100), trace.note(3));
    group.post(Scheduler::Delay::zero(), trace.note(1));
    lock.unlock();
    EXPECT_EQ(trace.wait_for(4), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(SimScheduler, DelaysAreScaledByTheClock) {
    // Restored afterwards: at this scale the scaled performance counter of a machine that has
    // been up for hours no longer fits its 64 bits, and the shutdown guard's log lines read it.
    test::ScopedTimeScale scale(1e-6);
    Scheduler::Group group(scheduler);
    auto start = std::chrono::steady_clock::now();
    group.post(std::chrono::hours(1), trace.note(1)); // 3.6 ms; unscaled it would never come
    EXPECT_EQ(trace.wait_for(1), std::vector<int>{1});
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(3600));
}

TEST_F(SimScheduler, CancelDropsOnlyThePendingActionsOfItsGroup) {
    Scheduler::Group device(scheduler);
    Scheduler::Group other(scheduler);
    {
        auto lock = device.lock();
        device.post(milliseconds(100), trace.note(1));
        device.post(milliseconds(100), trace.note(2));
        other.post(milliseconds(100), trace.note(3));
        device.cancel();
        device.post(milliseconds(100), trace.note(4)); // a group stays usable
    }
    EXPECT_EQ(trace.wait_for(2), (std::vector<int>{3, 4}));
}

TEST_F(SimScheduler, AnActionMayCallWhatTakesTheSimulatorLock) {
    Scheduler::Group group(scheduler);
    group.post(Scheduler::Delay::zero(), [&] {
        auto again = group.lock(); // recursive: no deadlock
        EXPECT_TRUE(group.on_simulator_thread());
        trace.note(1)();
    });
    EXPECT_EQ(trace.wait_for(1), std::vector<int>{1});
    EXPECT_FALSE(group.on_simulator_thread());
}

TEST(SimSchedulerLifetime, AGroupOutlivingItsSchedulerPostsNothing) {
    std::optional<Scheduler> scheduler(std::in_place);
    Scheduler::Group group(*scheduler);
    bool ran = false;
    group.post(std::chrono::hours(1), [&] { ran = true; });
    scheduler.reset(); // drops the pending action
    group.post(Scheduler::Delay::zero(), [&] { ran = true; });
    group.cancel();
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace devio::sim
