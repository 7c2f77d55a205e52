#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "Source/Events/Producer.h"
#include "Source/Events/Subscriber.h"
#include "Source/Log/LastError.h"
#include "Source/Manager/CDevio.h"
#include "Source/Manager/DeviceManager.h"
#include "Source/System/DebugOutput.h"
#include "support/LogLines.h"
#include "support/RunLoopPump.h"
#include "support/ScopedTimeScale.h"

namespace devio {
namespace {

struct Payload {};

class IBeeper {
public:
    class Beep {
    public:
        virtual void onBeep(std::shared_ptr<Payload> /*payload*/) {}
        virtual ~Beep() = default;
    };
    virtual ~IBeeper() = default;
};

class Beeper : public IBeeper, public Producer<IBeeper::Beep> {
public:
    void beep(std::shared_ptr<Payload> payload) {
        produce([payload](Beep* subscriber) { subscriber->onBeep(payload); },
                "Beeper::Beep::onBeep");
    }
};

class BeepCount : public Subscriber<IBeeper::Beep> {
public:
    std::atomic<int> beeps{0};

private:
    void onBeep(std::shared_ptr<Payload> /*payload*/) override { ++beeps; }
};

class CDevioFacade : public ::testing::Test {
protected:
    void SetUp() override { devio.reset(); }
    void TearDown() override { devio.reset(); }

    CDevio& devio = CDevio::instance();
    std::shared_ptr<Beeper> beeper = std::make_shared<Beeper>();
};

TEST_F(CDevioFacade, FirstOperationThatNeedsAManagerMakesItOnce) {
    sys::DebugOutputCapture capture;
    const int chosen = devio.swid();
    EXPECT_TRUE(devio.is_active());
    EXPECT_EQ(devio.swid(), chosen);
    EXPECT_EQ(devio.getimpl(), devio.getimpl());
    EXPECT_EQ(test::count_lines(capture, "CDevio::getimpl creating cdevio DeviceManager"), 1);
}

TEST_F(CDevioFacade, WithoutAManagerRunLoopTrafficIsDroppedAndNoManagerIsMade) {
    BeepCount count;
    ASSERT_TRUE(count.subscribe(beeper, DeliverViaRunLoop, "BeepCount::Beep"));
    auto payload = std::make_shared<Payload>();
    std::weak_ptr<Payload> watch = payload;

    sys::DebugOutputCapture capture;
    beeper->beep(std::move(payload));
    EXPECT_TRUE(watch.expired()); // the dropped event let go of what it carried
    EXPECT_TRUE(capture.contains("skipping CDevio::enqueue_event_for_runloop"));

    devio.call_event_from_runloop();
    count.unsubscribe(beeper);
    EXPECT_TRUE(capture.contains("skipping CDevio::remove_runloop_events"));
    devio.report_unreported_error("test");
    EXPECT_TRUE(capture.contains("skipping CDevio::report_unreported_error"));
    IDeviceManager::ArrivalRemoval arrivals;
    devio.manual_unsubscribe(&arrivals);
    EXPECT_TRUE(capture.contains("skipping CDevio::manual_unsubscribe"));

    EXPECT_EQ(count.beeps, 0);
    EXPECT_FALSE(capture.contains("creating cdevio DeviceManager"));
}

TEST_F(CDevioFacade, ResetDiscardsQueuedEventsBeforeReleasingTheManager) {
    BeepCount count;
    ASSERT_TRUE(count.subscribe(beeper, DeliverViaRunLoop, "BeepCount::Beep"));
    std::weak_ptr<DeviceManager> old_manager;
    std::weak_ptr<Payload> watch;
    {
        // The pump holds the manager through the reset, which waits for it to its bound.
        test::ScopedTimeScale fast(0.01);
        test::RunLoopPump pump;
        old_manager = devio.getimpl();
        auto payload = std::make_shared<Payload>();
        watch = payload;
        beeper->beep(std::move(payload));
        ASSERT_EQ(pump.pending(), 1);

        devio.reset();
        EXPECT_TRUE(watch.expired());
        pump.drain(); // the facade has no manager to deliver from
    }
    EXPECT_TRUE(old_manager.expired());
    EXPECT_EQ(count.beeps, 0);

    // The next call makes a new manager, whose queue is empty.
    test::RunLoopPump pump;
    EXPECT_EQ(pump.pending(), 0);
    beeper->beep(nullptr);
    pump.drain();
    EXPECT_EQ(count.beeps, 1);
}

TEST(CDevioShutdown, ShutDownFacadeRefusesToMakeAManager) {
    CDevio facade; // a facade of its own: shutting it down leaves the process's facade alone
    std::weak_ptr<DeviceManager> manager = facade.getimpl();
    facade.shutdown();
    EXPECT_TRUE(manager.expired());

    sys::DebugOutputCapture capture;
    set_last_error(ErrorCode::NoError);
    EXPECT_TRUE(facade.devices().empty());
    EXPECT_EQ(last_error().code, ErrorCode::Unavailable);
    EXPECT_EQ(to_underlying(last_error().code), 72u);
    EXPECT_TRUE(capture.contains("CDevio::getimpl retuning nullptr due to shutdown"));

    bool value = true;
    EXPECT_EQ(facade.swid(), 15);
    EXPECT_FALSE(facade.is_active());
    EXPECT_FALSE(facade.config_get(IDeviceManager::ble_monitor, &value));
    EXPECT_FALSE(facade.config_set(IDeviceManager::receivers_active, true));
    EXPECT_FALSE(facade.connectToHardwareBusses());
    IDeviceManager::ArrivalRemoval arrivals;
    EXPECT_FALSE(facade.manual_subscribe(&arrivals, DeliverDirect));
    EXPECT_EQ(std::shared_ptr<IDeviceManager>(facade), nullptr);
    EXPECT_EQ(facade.getimpl(), nullptr);
}

// A library thread that outlives the facade's shutdown gets no manager and its own LastError.
TEST(CDevioShutdown, CallsFromAnotherThreadAfterShutdownFindNoManager) {
    CDevio facade;
    ASSERT_NE(facade.getimpl(), nullptr);
    facade.shutdown();
    ErrorCode code = ErrorCode::NoError;
    std::size_t listed = 1;
    std::thread late([&] {
        listed = facade.devices().size();
        code = last_error().code;
        facade.report_unreported_error("late thread");
        facade.call_event_from_runloop();
    });
    late.join();
    EXPECT_EQ(listed, 0u);
    EXPECT_EQ(to_underlying(code), 72u);
    EXPECT_EQ(facade.getimpl(), nullptr);
}

// Producers and the application keep calling while the facade is reset under them: each call
// holds its own reference, so no manager dies under a running call.
TEST_F(CDevioFacade, ResetWhileOtherThreadsProduceAndDrain) {
    BeepCount count;
    ASSERT_TRUE(count.subscribe(beeper, DeliverViaRunLoop, "BeepCount::Beep"));
    std::atomic<bool> stop{false};
    std::atomic<int> produced{0};
    // Productions the producer may still make; a few per round keep the queue short.
    std::atomic<int> allowance{0};
    std::thread producer([&] {
        while (!stop) {
            if (allowance > 0) {
                --allowance;
                beeper->beep(nullptr);
                ++produced;
            } else {
                std::this_thread::yield();
            }
        }
    });
    std::thread application([&] {
        while (!stop) {
            devio.call_event_from_runloop();
        }
    });
    for (int round = 0; round < 100; ++round) {
        ASSERT_TRUE(devio.getimpl());
        allowance = 10;
        ASSERT_TRUE(test::wait_for([&] { return allowance <= 5; }));
        devio.reset(); // while the producer is still at it
    }
    stop = true;
    producer.join();
    application.join();
    EXPECT_LE(count.beeps, produced);
}

} // namespace
} // namespace devio
