#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Source/Events/Subscriber.h"
#include "Source/Events/Timer.h"
#include "Source/Log/LastError.h"
#include "Source/Manager/CDevio.h"
#include "Source/System/Clock.h"
#include "support/RunLoopPump.h"
#include "support/WaitFor.h"

namespace devio {
namespace {

using sys::Clock;

// Milliseconds on the scaled process clock.
int64_t now_ms() {
    return Clock::performance_counter() * 1000 / Clock::performance_frequency();
}

// Records each expiry with its timer id, the scaled time and the thread it came on.
class Expiries : public Subscriber<ITimer::TimerEvent> {
public:
    struct Expiry {
        int timer_id;
        int64_t at_ms;
        std::thread::id thread;
    };

    int count() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<int>(expiries_.size());
    }
    Expiry at(size_t index) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return expiries_.at(index);
    }
    bool wait_for_count(int expected) const {
        return test::wait_for([&] { return count() >= expected; });
    }

private:
    void onTimerEvent(int timer_id) override {
        std::lock_guard<std::mutex> lock(mutex_);
        expiries_.push_back({timer_id, now_ms(), std::this_thread::get_id()});
    }

    mutable std::mutex mutex_;
    std::vector<Expiry> expiries_;
};

// A timer with a direct subscriber, on a process clock running at `scale`.
class TimerTest : public ::testing::Test {
protected:
    explicit TimerTest(double scale = 0.1) : old_scale_(Clock::time_scale()) {
        Clock::set_time_scale(scale);
        EXPECT_TRUE(expiries.subscribe(timer, DeliverDirect, "Expiries::TimerEvent"));
    }
    ~TimerTest() override {
        timer->stop();
        Clock::set_time_scale(old_scale_);
    }

    double old_scale_;
    std::shared_ptr<Timer> timer = std::make_shared<Timer>(7);
    Expiries expiries;
};

class TimerExpiry : public TimerTest {};

TEST_F(TimerExpiry, StopBeforeTheExpiryCancelsTheEvent) {
    ASSERT_TRUE(timer->start(1000));
    Clock::sleep_ms(200);
    ASSERT_TRUE(timer->stop());
    // stop has joined the timer thread: nothing of that period can come any more.
    EXPECT_EQ(expiries.count(), 0);
    EXPECT_TRUE(timer->stop()); // an idle timer stops at once
}

TEST_F(TimerExpiry, ZeroAndOneMillisecondPeriodsExpireAtOnce) {
    for (int period : {0, 1}) {
        SCOPED_TRACE(period);
        const int before = expiries.count();
        const int64_t started = now_ms();
        ASSERT_TRUE(timer->start(period));
        ASSERT_TRUE(expiries.wait_for_count(before + 1));
        EXPECT_EQ(expiries.at(before).timer_id, 7);
        EXPECT_NE(expiries.at(before).thread, std::this_thread::get_id());
        // Nothing is waited for; the bound only allows for thread start-up.
        EXPECT_LT(expiries.at(before).at_ms - started, 1000);
    }
}

TEST_F(TimerExpiry, RestartWhileRunningCancelsTheOldPeriodAndBeginsAFullOne) {
    const int64_t first_start = now_ms();
    ASSERT_TRUE(timer->start(1000));
    Clock::sleep_ms(300);
    const int64_t second_start = now_ms();
    ASSERT_TRUE(timer->start(1000));
    ASSERT_TRUE(expiries.wait_for_count(1));
    EXPECT_GE(expiries.at(0).at_ms - second_start, 1000);
    EXPECT_GE(expiries.at(0).at_ms - first_start, 1300);
    // One start, one event: a new start that expires proves the old period left nothing behind.
    ASSERT_TRUE(timer->start(0));
    ASSERT_TRUE(expiries.wait_for_count(2));
    EXPECT_EQ(expiries.count(), 2);
}

// A debounced start 300 ms into a 1000 ms period is ignored (the event comes 1000 ms after the
// first start); one 600 ms in starts a new full period (the event comes at 1600 ms).
struct DebounceCase {
    int64_t delay_ms;
    bool restarts;
    int64_t expiry_ms;
};

class TimerDebounce : public TimerTest, public ::testing::WithParamInterface<DebounceCase> {
protected:
    TimerDebounce() : TimerTest(0.25) {}
};

TEST_P(TimerDebounce, KeepsTheExpiryDuringTheFirstHalfOfThePeriod) {
    const DebounceCase& c = GetParam();
    const int64_t started = now_ms();
    ASSERT_TRUE(timer->start(1000));
    Clock::sleep_ms(c.delay_ms);
    const int64_t called = now_ms();
    // The test only holds when the call really came on its side of the half-way point.
    if ((called - started < 500) != !c.restarts) {
        GTEST_SKIP() << "the test thread was delayed past the half-way point";
    }
    EXPECT_EQ(timer->start_debounced(1000), c.restarts);
    ASSERT_TRUE(expiries.wait_for_count(1));
    const int64_t expiry = expiries.at(0).at_ms - started;
    // A restart shows in the lower bound (1600 ms, not 1000). No upper bound: a loaded machine
    // delays the event without limit, and the result of start_debounced already tells whether the
    // period was kept.
    EXPECT_GE(expiry, c.expiry_ms);
    ASSERT_TRUE(timer->start(0));
    ASSERT_TRUE(expiries.wait_for_count(2));
    EXPECT_EQ(expiries.count(), 2); // the debounced call left no second event behind
}

INSTANTIATE_TEST_SUITE_P(Timer, TimerDebounce,
                         ::testing::Values(DebounceCase{300, false, 1000},
                                           DebounceCase{600, true, 1600}));

TEST_F(TimerExpiry, DebouncedStartOfAnIdleOrExpiredTimerStartsIt) {
    EXPECT_TRUE(timer->start_debounced(0));
    ASSERT_TRUE(expiries.wait_for_count(1));
    EXPECT_TRUE(timer->start_debounced(0)); // expired: a new period
    ASSERT_TRUE(expiries.wait_for_count(2));
}

// stop racing the expiry: each period yields its event before stop returns or never.
TEST_F(TimerExpiry, StopRacingTheExpiryLeavesNoEventBehind) {
    for (int round = 0; round < 200; ++round) {
        ASSERT_TRUE(timer->start(round % 3));
        if (round % 2 == 0) {
            std::this_thread::yield();
        }
        ASSERT_TRUE(timer->stop());
        const int after_stop = expiries.count();
        EXPECT_LE(after_stop, round + 1);
        // No timer thread exists now, so the count must not move until the next start.
        std::this_thread::yield();
        ASSERT_EQ(expiries.count(), after_stop);
    }
}

TEST_F(TimerExpiry, DestroyingARunningTimerCancelsItsEvent) {
    auto doomed = std::make_shared<Timer>(3);
    Expiries doomed_expiries;
    ASSERT_TRUE(doomed_expiries.subscribe(doomed, DeliverDirect, "Expiries::TimerEvent"));
    ASSERT_TRUE(doomed->start(60000));
    doomed.reset(); // joins the timer thread
    EXPECT_EQ(doomed_expiries.count(), 0);
}

TEST_F(TimerExpiry, OperationsFromTheTimersOwnHandlerAreRefused) {
    class Restarter : public Subscriber<ITimer::TimerEvent> {
    public:
        explicit Restarter(Timer& timer) : timer_(timer) {}
        std::atomic<int> calls{0};
        std::atomic<bool> refused{false};

    private:
        void onTimerEvent(int /*timer_id*/) override {
            refused = !timer_.stop() && !timer_.start(0) &&
                      last_error().code == ErrorCode::GeneralFailure;
            ++calls;
        }
        Timer& timer_;
    } restarter(*timer);
    ASSERT_TRUE(restarter.subscribe(timer, DeliverDirect, "Restarter::TimerEvent"));
    ASSERT_TRUE(timer->start(0));
    ASSERT_TRUE(test::wait_for([&] { return restarter.calls == 1; }));
    EXPECT_TRUE(restarter.refused);
    EXPECT_TRUE(timer->stop());
}

// The library's subscribers take the event through the run loop, on the application's thread.
TEST_F(TimerExpiry, RunLoopSubscriberGetsTheEventOnTheApplicationsThread) {
    test::RunLoopPump pump;
    Expiries queued;
    ASSERT_TRUE(queued.subscribe(timer, DeliverViaRunLoop, "Expiries::TimerEvent"));
    ASSERT_TRUE(timer->start(10));
    ASSERT_TRUE(pump.wait_for_pending(1));
    EXPECT_EQ(queued.count(), 0);
    pump.drain();
    ASSERT_EQ(queued.count(), 1);
    EXPECT_EQ(queued.at(0).thread, std::this_thread::get_id());
    EXPECT_EQ(queued.at(0).timer_id, 7);
    queued.unsubscribe(timer);
    CDevio::instance().reset();
}

} // namespace
} // namespace devio
