#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Source/Events/Producer.h"
#include "Source/Events/Subscriber.h"
#include "Source/Log/LastError.h"
#include "Source/Manager/BottomBusChoice.h"
#include "Source/Manager/CDevio.h"
#include "Source/Manager/DeviceManager.h"
#include "Source/System/DebugOutput.h"
#include "support/EmptyBus.h"
#include "support/LogLines.h"
#include "support/RunLoopPump.h"
#include "support/WaitFor.h"

namespace devio {
namespace {

// Stands for a device that an event hands out.
struct Token {};

class IPinger {
public:
    class Ping {
    public:
        virtual void onPing(int /*n*/) {}
        virtual void onToken(std::shared_ptr<Token> /*token*/) {}
        virtual ~Ping() = default;
    };
    virtual ~IPinger() = default;
};

class Pinger : public IPinger, public Producer<IPinger::Ping> {
public:
    void ping(int n) {
        produce([n](Ping* subscriber) { subscriber->onPing(n); }, "Pinger::Ping::onPing");
    }
    void token(std::shared_ptr<Token> token) {
        produce([token](Ping* subscriber) { subscriber->onToken(token); }, "Pinger::Ping::onToken");
    }

    std::atomic<int> on_subscribe_calls{0};
    std::atomic<int> added_calls{0};
    std::atomic<int> unsubscribe_calls{0};
    std::atomic<bool> refuse{false};

protected:
    bool on_subscribe(Ping* /*subscriber*/) override {
        ++on_subscribe_calls;
        if (refuse) {
            set_last_error(ErrorCode::BusNotActive, 7, "bus not started");
            return false;
        }
        return true;
    }
    void on_subscription_added(Ping* /*subscriber*/, bool /*direct*/) override { ++added_calls; }
    void on_unsubscribe(Ping* /*subscriber*/) override { ++unsubscribe_calls; }
};

// Declares the event but does not produce it.
class Mute : public IPinger {};

class PingLog : public Subscriber<IPinger::Ping> {
public:
    std::vector<int> pings() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return pings_;
    }
    std::vector<std::thread::id> threads() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return threads_;
    }
    std::shared_ptr<Token> token;

private:
    void onPing(int n) override {
        std::lock_guard<std::mutex> lock(mutex_);
        pings_.push_back(n);
        threads_.push_back(std::this_thread::get_id());
    }
    void onToken(std::shared_ptr<Token> received) override { token = std::move(received); }

    mutable std::mutex mutex_;
    std::vector<int> pings_;
    std::vector<std::thread::id> threads_;
};

// Every test leaves the process's facade without a manager.
class EventModel : public ::testing::Test {
protected:
    void TearDown() override { CDevio::instance().reset(); }

    std::shared_ptr<Pinger> pinger = std::make_shared<Pinger>();
};

class EventModelDelivery : public EventModel, public ::testing::WithParamInterface<int> {};

TEST_P(EventModelDelivery, SubscribingTwiceAddsOnceAndRunsTheHooksOnce) {
    test::RunLoopPump pump;
    PingLog log;
    EXPECT_TRUE(log.subscribe(pinger, GetParam(), "PingLog::Ping"));
    EXPECT_TRUE(log.subscribe(pinger, GetParam(), "PingLog::Ping"));
    // The producer itself also recognises a subscriber it already has.
    EXPECT_TRUE(pinger->subscribe(&log, GetParam()));
    EXPECT_EQ(pinger->on_subscribe_calls, 1);
    EXPECT_EQ(pinger->added_calls, 1);
    EXPECT_EQ(pinger->subscriber_count(), 1u);

    pinger->ping(1);
    pump.drain();
    EXPECT_EQ(log.pings(), std::vector<int>{1});
}

INSTANTIATE_TEST_SUITE_P(EventModel, EventModelDelivery,
                         ::testing::Values(DeliverDirect, DeliverViaRunLoop));

TEST_F(EventModel, SubscribingThroughANonProducerFailsWithTheCastError) {
    PingLog log;
    set_last_error(ErrorCode::NoError);
    EXPECT_FALSE(log.subscribe(std::make_shared<Mute>(), DeliverDirect, "PingLog::Ping"));
    EXPECT_EQ(last_error().code, ErrorCode::SubscribeCastFailed);
    EXPECT_EQ(to_underlying(last_error().code), 43u);
    EXPECT_EQ(last_error().syserr, 0u);
    EXPECT_STREQ(last_error().message, "dynamic pointer cast in subscribe failed");
    // Unsubscribing through it is ignored.
    log.unsubscribe(std::make_shared<Mute>());
}

TEST_F(EventModel, RefusedOrInvalidSubscriptionsAddNothing) {
    PingLog log;
    pinger->refuse = true;
    EXPECT_FALSE(log.subscribe(pinger, DeliverDirect, "PingLog::Ping"));
    EXPECT_EQ(last_error().code, ErrorCode::BusNotActive); // the hook's reason stands
    EXPECT_EQ(last_error().syserr, 7u);

    EXPECT_FALSE(log.subscribe(pinger, 2, "PingLog::Ping"));
    EXPECT_EQ(last_error().code, ErrorCode::GeneralFailure);
    EXPECT_EQ(pinger->subscriber_count(), 0u);

    // Nothing was recorded, so a later subscription goes to the producer again.
    pinger->refuse = false;
    EXPECT_TRUE(log.subscribe(pinger, DeliverDirect, "PingLog::Ping"));
    EXPECT_EQ(pinger->subscriber_count(), 1u);
    EXPECT_EQ(pinger->on_subscribe_calls, 2);
}

TEST_F(EventModel, DirectRunsOnTheProducingThreadRunLoopOnlyWhenTheApplicationRunsTheQueue) {
    test::RunLoopPump pump;
    PingLog direct;
    PingLog queued;
    ASSERT_TRUE(direct.subscribe(pinger, DeliverDirect, "direct"));
    ASSERT_TRUE(queued.subscribe(pinger, DeliverViaRunLoop, "queued"));

    std::thread::id producing_thread;
    std::thread producer([&] {
        producing_thread = std::this_thread::get_id();
        pinger->ping(1);
        pinger->ping(2);
    });
    producer.join();

    EXPECT_EQ(direct.pings(), (std::vector<int>{1, 2}));
    EXPECT_EQ(direct.threads(), (std::vector<std::thread::id>{producing_thread, producing_thread}));
    EXPECT_TRUE(queued.pings().empty());
    EXPECT_EQ(pump.pending(), 2);

    pump.drain();
    EXPECT_EQ(queued.pings(), (std::vector<int>{1, 2}));
    EXPECT_EQ(queued.threads(), (std::vector<std::thread::id>{std::this_thread::get_id(),
                                                              std::this_thread::get_id()}));
}

TEST_F(EventModel, ProducingWithoutSubscribersQueuesNothing) {
    test::RunLoopPump pump;
    pinger->ping(1);
    EXPECT_EQ(pump.pending(), 0);
    EXPECT_EQ(CDevio::instance().getimpl()->runloop().size(), 0u);
}

TEST_F(EventModel, RunLoopSubscriberLeavingLosesItsQueuedEventsOnly) {
    test::RunLoopPump pump;
    PingLog leaving;
    PingLog staying;
    ASSERT_TRUE(leaving.subscribe(pinger, DeliverViaRunLoop, "leaving"));
    ASSERT_TRUE(staying.subscribe(pinger, DeliverViaRunLoop, "staying"));
    for (int n = 1; n <= 3; ++n) {
        pinger->ping(n);
    }

    sys::DebugOutputCapture capture;
    leaving.unsubscribe(pinger);
    EXPECT_EQ(pinger->unsubscribe_calls, 1);
    EXPECT_EQ(test::count_lines(
                  capture, "DeviceManager::remove_runloop_events discarding Pinger::Ping::onPing"),
              3);

    pump.drain();
    EXPECT_TRUE(leaving.pings().empty());
    EXPECT_EQ(staying.pings(), (std::vector<int>{1, 2, 3}));
}

TEST_F(EventModel, DestroyedSubscriberLeavesEveryProducer) {
    test::RunLoopPump pump;
    auto other = std::make_shared<Pinger>();
    {
        PingLog log;
        ASSERT_TRUE(log.subscribe(pinger, DeliverDirect, "first"));
        ASSERT_TRUE(log.subscribe(other, DeliverViaRunLoop, "second"));
        other->ping(1); // queued for a subscriber that is about to die
    }
    EXPECT_EQ(pinger->subscriber_count(), 0u);
    EXPECT_EQ(other->subscriber_count(), 0u);
    EXPECT_EQ(pinger->unsubscribe_calls, 1);
    EXPECT_EQ(other->unsubscribe_calls, 1);
    pump.drain(); // its event was discarded: nothing is delivered to freed memory
    EXPECT_EQ(CDevio::instance().getimpl()->runloop().size(), 0u);
}

TEST_F(EventModel, QueuedEventKeepsItsDeviceAliveUntilDelivered) {
    test::RunLoopPump pump;
    PingLog log;
    ASSERT_TRUE(log.subscribe(pinger, DeliverViaRunLoop, "PingLog::Ping"));
    auto device = std::make_shared<Token>();
    std::weak_ptr<Token> watch = device;
    pinger->token(std::move(device)); // the bus lets go of it at once
    pinger.reset();                   // and the producer is gone too

    EXPECT_FALSE(watch.expired());
    pump.drain();
    EXPECT_EQ(log.token, watch.lock());
    log.token.reset();
    EXPECT_TRUE(watch.expired()); // the delivered event let go of it
}

TEST_F(EventModel, DiscardedEventReleasesItsDevice) {
    test::RunLoopPump pump;
    PingLog log;
    ASSERT_TRUE(log.subscribe(pinger, DeliverViaRunLoop, "PingLog::Ping"));
    auto device = std::make_shared<Token>();
    std::weak_ptr<Token> watch = device;
    pinger->token(std::move(device));
    log.unsubscribe(pinger);
    EXPECT_TRUE(watch.expired());
}

// A device-like object with two event interfaces, and a consumer of both.
class IGadget {
public:
    class Read {
    public:
        virtual void onRead(std::vector<uint8_t> /*report*/) {}
        virtual ~Read() = default;
    };
    class Write {
    public:
        virtual void onWrite(int /*code*/) {}
        virtual ~Write() = default;
    };
    virtual ~IGadget() = default;
};

class Gadget : public IGadget, public Producer<IGadget::Read>, public Producer<IGadget::Write> {
public:
    void read(std::vector<uint8_t> report) {
        Producer<Read>::produce([report](Read* subscriber) { subscriber->onRead(report); },
                                "Gadget::Read::onRead");
    }
    void write(int code) {
        Producer<Write>::produce([code](Write* subscriber) { subscriber->onWrite(code); },
                                 "Gadget::Write::onWrite");
    }
};

class GadgetUser : public Subscriber<IGadget::Read>, public Subscriber<IGadget::Write> {
public:
    std::vector<std::vector<uint8_t>> reads;
    std::vector<int> writes;

private:
    void onRead(std::vector<uint8_t> report) override { reads.push_back(std::move(report)); }
    void onWrite(int code) override { writes.push_back(code); }
};

TEST_F(EventModel, OneObjectWithSeveralBasesKeepsItsSubscriptionsApart) {
    test::RunLoopPump pump;
    auto gadget = std::make_shared<Gadget>();
    std::shared_ptr<IGadget> source = gadget;
    GadgetUser user;
    ASSERT_TRUE(user.Subscriber<IGadget::Read>::subscribe(source, DeliverViaRunLoop, "read"));
    ASSERT_TRUE(user.Subscriber<IGadget::Write>::subscribe(source, DeliverViaRunLoop, "write"));
    gadget->read({1, 2});
    gadget->write(5);
    gadget->read({3});

    user.Subscriber<IGadget::Read>::unsubscribe(source);
    pump.drain();
    EXPECT_TRUE(user.reads.empty());
    EXPECT_EQ(user.writes, std::vector<int>{5});
    EXPECT_EQ(gadget->Producer<IGadget::Write>::subscriber_count(), 1u);
}

TEST_F(EventModel, ManualSubscriptionReachesTheManagersArrivals) {
    struct Arrivals : IDeviceManager::ArrivalRemoval {
        int arrivals = 0;
        void onDeviceArrival(std::shared_ptr<IDevice> /*device*/) override { ++arrivals; }
    } arrivals;
    BottomBusChoice::choose(
        [](std::weak_ptr<IDeviceManager>) { return std::make_shared<test::EmptyBus>(); });
    CDevio& devio = CDevio::instance();
    ASSERT_TRUE(devio.manual_subscribe(&arrivals, DeliverDirect));
    std::shared_ptr<DeviceManager> manager = devio.getimpl();
    manager->Producer<IDeviceManager::ArrivalRemoval>::produce(
        [](IDeviceManager::ArrivalRemoval* subscriber) { subscriber->onDeviceArrival(nullptr); },
        "DeviceManager::ArrivalRemoval::onDeviceArrival");
    EXPECT_EQ(arrivals.arrivals, 1);
    devio.manual_unsubscribe(&arrivals);
    EXPECT_EQ(manager->Producer<IDeviceManager::ArrivalRemoval>::subscriber_count(), 0u);
    BottomBusChoice::choose({});
}

// A read thread producing while the application's thread subscribes, unsubscribes and drains.
// Once unsubscribe has returned, a subscriber must get no further call of either kind.
TEST_F(EventModel, ProducingThreadOverlapsSubscriptionChangesAndDraining) {
    class Checked : public Subscriber<IPinger::Ping> {
    public:
        std::atomic<bool> subscribed{false};
        std::atomic<int> calls{0};
        std::atomic<int> late_calls{0};

    private:
        void onPing(int /*n*/) override {
            ++calls;
            if (!subscribed) {
                ++late_calls;
            }
        }
    };

    test::RunLoopPump pump;
    Checked direct;
    Checked queued;
    std::atomic<bool> stop{false};
    // Productions the reader may still make; a few per round keep the queue short.
    std::atomic<int> allowance{0};
    std::thread reader([&] {
        for (int n = 0; !stop; ++n) {
            if (allowance > 0) {
                --allowance;
                pinger->ping(n);
            } else {
                std::this_thread::yield();
            }
        }
    });

    for (int round = 0; round < 300; ++round) {
        allowance = 6;
        direct.subscribed = true;
        ASSERT_TRUE(direct.subscribe(pinger, DeliverDirect, "direct"));
        queued.subscribed = true;
        ASSERT_TRUE(queued.subscribe(pinger, DeliverViaRunLoop, "queued"));
        // Half of the round's productions have been made; the rest overlap the unsubscribing.
        ASSERT_TRUE(test::wait_for([&] { return allowance <= 3; }));
        pump.run_one();
        direct.unsubscribe(pinger);
        direct.subscribed = false;
        queued.unsubscribe(pinger);
        queued.subscribed = false;
        pump.drain();
    }
    stop = true;
    reader.join();
    pump.drain();

    EXPECT_GT(direct.calls, 0);
    EXPECT_GT(queued.calls, 0);
    EXPECT_EQ(direct.late_calls, 0);
    EXPECT_EQ(queued.late_calls, 0);
}

} // namespace
} // namespace devio
