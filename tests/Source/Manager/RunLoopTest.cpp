#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Source/Manager/CDevio.h"
#include "Source/Manager/DeviceManager.h"
#include "Source/Manager/RunLoopQueue.h"
#include "Source/System/DebugOutput.h"
#include "support/LogLines.h"
#include "support/RunLoopPump.h"

namespace devio {
namespace {

// The application's side of a queue of its own: counts announcements, answers them.
class Application : public Subscriber<IDeviceManager::RunLoopEvent> {
public:
    std::atomic<int> pending{0};

private:
    void onRunLoopEvent() override { ++pending; }
};

// A queue with its announcer and an application subscribed to it, and a log of deliveries.
class RunLoop : public ::testing::Test {
protected:
    RunLoop() { announcer.subscribe(&application, DeliverDirect); }
    ~RunLoop() override { announcer.unsubscribe(&application); }

    // An event of subscription (`subscriber`, `producer`) that logs `name` when delivered.
    QueuedEvent event(std::string name, const void* subscriber = &keys[0],
                      const void* producer = &keys[1]) {
        return QueuedEvent{[this, name] { delivered.push_back(name); }, subscriber, producer,
                           "Test::Event::onEvent"};
    }
    // Answers announcements one call each until none is pending.
    void drain() {
        while (application.pending > 0) {
            --application.pending;
            queue.call_next();
        }
    }

    static inline const int keys[4] = {};
    Producer<IDeviceManager::RunLoopEvent> announcer;
    Application application;
    RunLoopQueue queue{announcer};
    std::vector<std::string> delivered;
};

TEST_F(RunLoop, MergedAnnouncementsStillDrainTheQueueOneEventPerCall) {
    for (int i = 0; i < 10; ++i) {
        queue.enqueue(event(std::to_string(i)));
    }
    EXPECT_EQ(application.pending, 10);
    EXPECT_EQ(queue.triggers_in_flight(), 10);

    int calls = 0;
    while (application.pending.exchange(0) > 0) { // one call answers all pending announcements
        queue.call_next();
        ++calls;
        ASSERT_EQ(delivered.size(), static_cast<size_t>(calls));
    }
    EXPECT_EQ(calls, 10);
    EXPECT_EQ(delivered,
              (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(queue.size(), 0u);
}

TEST_F(RunLoop, RemovingOneSubscriptionKeepsTheOrderOfTheRest) {
    const void* a = &keys[0];
    const void* b = &keys[2];
    const void* producer = &keys[1];
    queue.enqueue(event("a1", a, producer));
    queue.enqueue(event("b1", b, producer));
    queue.enqueue(event("a2", a, producer));
    queue.enqueue(event("other producer", b, &keys[3]));
    queue.enqueue(event("b2", b, producer));

    sys::DebugOutputCapture capture;
    queue.remove(b, producer);
    EXPECT_EQ(test::count_lines(capture, "DeviceManager::remove_runloop_events discarding "
                                         "Test::Event::onEvent"),
              2);
    drain();
    EXPECT_EQ(delivered, (std::vector<std::string>{"a1", "a2", "other producer"}));
}

TEST_F(RunLoop, RemovingEverythingLogsTheCountAndEachLabel) {
    for (int i = 0; i < 5; ++i) {
        queue.enqueue(event(std::to_string(i)));
    }
    sys::DebugOutputCapture capture;
    queue.remove(nullptr, nullptr);
    EXPECT_EQ(
        test::count_lines(capture, "DeviceManager::remove_runloop_events discarding all: 5 events"),
        1);
    EXPECT_EQ(test::count_lines(capture,
                                "DeviceManager::remove_runloop_events discarding all: Test::Event"),
              5);
    EXPECT_EQ(queue.size(), 0u);
    drain(); // the announcements find the queue empty
    EXPECT_TRUE(delivered.empty());
}

TEST_F(RunLoop, EventQueuedByAHandlerComesAfterTheEarlierOnes) {
    queue.enqueue(QueuedEvent{[this] {
                                  delivered.push_back("first");
                                  queue.enqueue(event("queued by first"));
                              },
                              &keys[0], &keys[1], "Test::Event::onEvent"});
    queue.enqueue(event("second"));
    queue.enqueue(event("third"));
    drain();
    EXPECT_EQ(delivered, (std::vector<std::string>{"first", "second", "third", "queued by first"}));
}

TEST_F(RunLoop, HandlerMayRemoveEventsDuringItsDelivery) {
    queue.enqueue(QueuedEvent{[this] {
                                  delivered.push_back("first");
                                  queue.remove(&keys[2], &keys[1]);
                              },
                              &keys[0], &keys[1], "Test::Event::onEvent"});
    queue.enqueue(event("removed", &keys[2]));
    queue.enqueue(event("kept"));
    drain();
    EXPECT_EQ(delivered, (std::vector<std::string>{"first", "kept"}));
}

// A bound argument whose destructor reaches the queue again, as a device's destructor that
// unsubscribes would.
struct ReentersOnDestruction {
    RunLoopQueue* queue;
    ~ReentersOnDestruction() { queue->remove(&queue, &queue); }
};

TEST_F(RunLoop, DiscardedEventsAreDestroyedOutsideTheQueueLock) {
    auto make = [this] {
        auto bound = std::make_shared<ReentersOnDestruction>(ReentersOnDestruction{&queue});
        return QueuedEvent{[bound] {}, &keys[0], &keys[1], "Test::Event::onEvent"};
    };
    queue.enqueue(make());
    queue.remove(&keys[0], &keys[1]); // one subscription
    queue.enqueue(make());
    queue.remove(nullptr, nullptr); // everything
    queue.enqueue(make());
    drain(); // delivered, then destroyed
    queue.enqueue(make());
    queue.close();         // the manager going away
    queue.enqueue(make()); // dropped after close
    EXPECT_EQ(queue.size(), 0u);
}

TEST_F(RunLoop, ThrowingHandlerLeavesTheRemainingEventsAlone) {
    queue.enqueue(QueuedEvent{[] { throw std::runtime_error("handler failed"); }, &keys[0],
                              &keys[1], "Test::Event::onEvent"});
    queue.enqueue(event("after"));
    --application.pending;
    EXPECT_THROW(queue.call_next(), std::runtime_error);
    drain();
    EXPECT_EQ(delivered, std::vector<std::string>{"after"});
}

TEST_F(RunLoop, ClosedQueueDropsNewEventsWithoutAnnouncing) {
    queue.close();
    queue.enqueue(event("late"));
    EXPECT_EQ(application.pending, 0);
    EXPECT_EQ(queue.size(), 0u);
}

// Producers on several threads while the application's thread drains: every event arrives once,
// each producer's events in their order.
TEST_F(RunLoop, EventsOfConcurrentProducersArriveOnceEachInOrder) {
    constexpr int kProducers = 3;
    constexpr int kEvents = 300;
    std::vector<std::vector<int>> received(kProducers);
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            for (int i = 0; i < kEvents; ++i) {
                queue.enqueue(QueuedEvent{[&received, p, i] { received[p].push_back(i); }, &keys[0],
                                          &keys[1], "Test::Event::onEvent"});
            }
        });
    }
    size_t total = 0;
    while (total < static_cast<size_t>(kProducers * kEvents)) {
        ASSERT_TRUE(test::wait_for([&] { return application.pending > 0; }));
        drain();
        total = 0;
        for (const auto& list : received) {
            total += list.size();
        }
    }
    for (std::thread& producer : producers) {
        producer.join();
    }
    for (const auto& list : received) {
        ASSERT_EQ(list.size(), static_cast<size_t>(kEvents));
        for (int i = 0; i < kEvents; ++i) {
            ASSERT_EQ(list[i], i);
        }
    }
}

// The manager's RunLoopEvent producer, reached through the facade as the application does.
class RunLoopManager : public ::testing::Test {
protected:
    void TearDown() override { CDevio::instance().reset(); }
};

TEST_F(RunLoopManager, LateSubscriberGetsAnAnnouncementForEveryWaitingEvent) {
    CDevio& devio = CDevio::instance();
    ASSERT_TRUE(devio.getimpl());
    std::vector<int> delivered;
    for (int i = 1; i <= 3; ++i) {
        devio.enqueue_event_for_runloop(QueuedEvent{[&delivered, i] { delivered.push_back(i); },
                                                    &delivered, &devio, "Test::Event::onEvent"});
    }

    sys::DebugOutputCapture capture;
    test::RunLoopPump pump; // subscribing replays from inside the subscription
    ASSERT_TRUE(pump.subscribed());
    EXPECT_EQ(pump.pending(), 3);
    EXPECT_TRUE(capture.contains(
        "Subscribed to run loop after 3 events are already in the queue... delivering events now"));
    EXPECT_TRUE(capture.contains("All pre-existing events have been delivered"));

    pump.drain();
    EXPECT_EQ(delivered, (std::vector<int>{1, 2, 3}));
}

TEST_F(RunLoopManager, AnnouncementTakesDirectSubscribersOnly) {
    Application application;
    std::shared_ptr<IDeviceManager> manager = CDevio::instance();
    EXPECT_FALSE(application.subscribe(manager, DeliverViaRunLoop, "Application::RunLoopEvent"));
    EXPECT_EQ(last_error().code, ErrorCode::GeneralFailure);
    EXPECT_TRUE(application.subscribe(manager, DeliverDirect, "Application::RunLoopEvent"));
}

} // namespace
} // namespace devio
