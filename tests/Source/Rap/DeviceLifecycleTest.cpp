// The device's lifecycle against a fake RAP 2.0 device: the configuration cookie, changes held
// while the device is away, connects close together, deactivation while the application is
// inactive, the wireless-status event, the receiver's software-present handling, shutdown and
// forget; and the button-swap feature, the library's example of a setting held while the device is
// away. Hardware events and timers reach the device through the run loop on this thread.
#include <gtest/gtest.h>

#include "Source/Contracts/BusType.h"
#include "Source/Features/IFeature2005ButtonSwapCancel.h"
#include "Source/System/Clock.h"
#include "Source/System/DebugOutput.h"
#include "support/LogLines.h"
#include "support/Rap20Harness.h"
#include "support/RunLoopPump.h"
#include "support/ScopedTimeScale.h"
#include "support/WaitFor.h"

namespace devio::test {
namespace {

using Request = FakeRap20Device::Request;

constexpr uint16_t kOtherCookie = 0x1234;

// The requests of the cookie and of the button swap, as "feature.function(parameters)".
std::vector<std::string> settings_traffic(const FakeRap20Device& fake) {
    std::vector<std::string> result;
    for (const Request& r : fake.requests()) {
        if (r.feature != 0x0020 && r.feature != 0x2005) {
            continue;
        }
        char text[64];
        int n = std::snprintf(text, sizeof text, "%04X.%u(", r.feature, r.function);
        for (std::size_t i = 0; i < r.parameters.size() && i < 2; ++i) {
            n += std::snprintf(text + n, sizeof text - n, "%s%02X", i ? " " : "", r.parameters[i]);
        }
        std::snprintf(text + n, sizeof text - n, ")");
        result.push_back(text);
    }
    return result;
}

std::string set_cookie(uint16_t cookie) {
    char text[32];
    std::snprintf(text, sizeof text, "0020.1(%02X %02X)", cookie >> 8, cookie & 0xFF);
    return text;
}

// A device on the fake with its button-swap feature, its events and the run loop.
class Lifecycle {
public:
    explicit Lifecycle(FakeHardwareDevice::Identity identity = {})
        : h(std::move(identity)), events(h.device) {
        swap = h.device->feature<IFeature2005ButtonSwapCancel>();
        feature = std::dynamic_pointer_cast<Feature>(swap);
    }

    void configure() {
        ASSERT_TRUE(swap->SetSwapModeNow(true));
        ASSERT_TRUE(h.device->configured());
    }
    // Answers the run loop until `done` (other timers may fire meanwhile).
    template <class Condition>
    bool pump_until(Condition done) {
        return wait_for([&] {
            pump.drain();
            return done();
        });
    }
    // The link goes and comes back; both events are handled.
    void reconnect() {
        h.fake->drop_link();
        pump.drain();
        h.fake->announce_connect();
        pump.drain();
    }

    Rap20Harness h;
    RunLoopPump pump;
    DeviceEvents events;
    std::shared_ptr<IFeature2005ButtonSwapCancel> swap;
    std::shared_ptr<Feature> feature;
};

TEST(DeviceCookie, TheFirstConfiguringFeatureTakesTheDeviceOverFromAnotherProgram) {
    Lifecycle l;
    l.h.fake->set_cookie(kOtherCookie);
    l.h.fake->clear_requests();
    l.h.device->drawn_cookies = {kOtherCookie};
    l.configure();
    EXPECT_EQ(settings_traffic(*l.h.fake),
              (std::vector<std::string>{"0020.0()", "0020.1(00 00)", set_cookie(kOtherCookie + 1),
                                        "2005.1(01)"}));
    EXPECT_EQ(l.h.device->cookie(), kOtherCookie + 1);
    EXPECT_EQ(l.h.device->foreign_cookie(), kOtherCookie);
    EXPECT_EQ(l.events.config_changes(), 1);
    EXPECT_TRUE(l.feature->configured());

    l.h.fake->clear_requests();
    ASSERT_TRUE(l.swap->SetSwapModeNow(false));
    EXPECT_EQ(settings_traffic(*l.h.fake), (std::vector<std::string>{"2005.1(00)"}));
}

TEST(DeviceCookie, ANewCookieIsNeverTheOtherProgramsCookie) {
    struct Case {
        uint16_t foreign;
        int drawn;
        uint16_t picked;
    };
    const Case cases[] = {
        {0, 1, 2},
        {0, 0xFFFE, 0xFFFF},
        {kOtherCookie, 0x1233, 0x1233},
        {kOtherCookie, kOtherCookie, 0x1235},
        {5, 1, 1},
        {0xFFFF, 0xFFFE, 0xFFFE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "foreign " << c.foreign << ", drawn " << c.drawn);
        Lifecycle l;
        l.h.fake->set_cookie(c.foreign);
        l.h.device->drawn_cookies = {c.drawn};
        l.configure();
        EXPECT_EQ(l.h.fake->cookie(), c.picked);
    }
}

TEST(DeviceCookie, AnotherProgramsCookieOnReconnectLosesTheConfigurationAndIsRemembered) {
    Lifecycle l;
    l.configure();
    int changes = l.events.config_changes();
    l.h.fake->set_cookie(0x4321);
    l.reconnect();
    EXPECT_EQ(l.events.connect_flags(), std::vector<bool>{false});
    EXPECT_EQ(l.events.config_changes(), changes + 1);
    EXPECT_FALSE(l.feature->configured());
    EXPECT_FALSE(l.h.device->configured());
    EXPECT_EQ(l.h.device->foreign_cookie(), 0x4321);
    EXPECT_FALSE(l.h.device->device_unowned_but_dirty());

    l.h.device->drawn_cookies = {0x4321};
    l.configure();
    EXPECT_EQ(l.h.fake->cookie(), 0x4322);
}

TEST(DeviceCookie, OurCookieKeepsTheConfigurationAndAFailedCommandLosesIt) {
    for (bool fail : {false, true}) {
        SCOPED_TRACE(fail ? "a command failed" : "nothing happened");
        Lifecycle l;
        l.configure();
        if (fail) {
            // A hard failure of the engine: the device no longer counts as ours.
            l.h.fake->fail_next(0x2005, 0, 2);
            bool swapped = false;
            EXPECT_FALSE(l.swap->GetSwapMode(&swapped));
        }
        l.reconnect();
        EXPECT_EQ(l.events.connect_flags(), std::vector<bool>{!fail});
        EXPECT_EQ(l.h.device->configured(), !fail);
        EXPECT_EQ(l.h.device->device_unowned_but_dirty(), fail);

        // Shutdown gives the device back: our cookie is cleared, and nothing is recorded after.
        uint16_t before = l.h.fake->cookie();
        EXPECT_TRUE(l.h.device->shutdown());
        EXPECT_NE(before, 0);
        EXPECT_EQ(l.h.fake->cookie(), 0);
        EXPECT_FALSE(l.h.device->device_unowned_but_dirty());
        l.feature->clear_configured();
        l.h.fake->clear_requests();
        EXPECT_TRUE(l.swap->SetSwapModeNow(true));
        EXPECT_FALSE(l.h.device->configured());
        EXPECT_EQ(settings_traffic(*l.h.fake), (std::vector<std::string>{"2005.1(01)"}));
    }
}

TEST(DeviceLifecycle, ChangesMadeWhileTheDeviceIsAwayAreWrittenBeforeTheNewCookie) {
    Lifecycle l;
    {
        ScopedTimeScale fast(kAwayScale);
        l.h.fake->drop_link();
        l.pump.drain();
        EXPECT_TRUE(l.swap->SetSwapMode(true));
        EXPECT_EQ(last_error().code, ErrorCode::NoError);
        EXPECT_TRUE(l.swap->SetSwapMode(false));
    }
    EXPECT_TRUE(l.feature->pending());
    EXPECT_TRUE(l.h.device->pending());
    EXPECT_FALSE(l.feature->configured()) << "the device was away: it is asked again";

    l.h.fake->clear_requests();
    l.h.device->drawn_cookies = {0x0BAD};
    l.h.fake->announce_connect();
    l.pump.drain();
    EXPECT_EQ(
        settings_traffic(*l.h.fake),
        (std::vector<std::string>{"0020.0()", "2005.1(01)", "2005.1(00)", set_cookie(0x0BAE)}));
    EXPECT_FALSE(l.h.fake->swap_mode());
    EXPECT_FALSE(l.feature->pending());
    EXPECT_FALSE(l.h.device->pending());
    EXPECT_TRUE(l.h.device->configured());
    EXPECT_EQ(l.events.connect_flags(), std::vector<bool>{false});

    // The next connection finds our cookie.
    l.reconnect();
    EXPECT_EQ(l.events.connect_flags(), (std::vector<bool>{false, true}));
}

// A configured device switched off behind its receiver: the write is refused as not connected.
// Away is not lost: the cookie stays ours, and the held change is written when the device returns.
TEST(DeviceLifecycle, AChangeMadeWhileAConfiguredDeviceIsAwayIsWrittenOnItsReturn) {
    ScopedTimeScale fast(0.001);
    Lifecycle l;
    l.configure();
    const uint16_t ours = l.h.fake->cookie();
    l.h.fake->fail_writes(ErrorCode::NotConnected);
    EXPECT_TRUE(l.swap->SetSwapMode(false));
    EXPECT_TRUE(l.h.device->pending());
    EXPECT_EQ(l.h.device->cookie(), ours);

    l.h.fake->fail_writes(ErrorCode::NoError);
    l.h.fake->clear_requests();
    l.reconnect();
    EXPECT_EQ(settings_traffic(*l.h.fake),
              (std::vector<std::string>{"0020.0()", "2005.1(00)", set_cookie(ours)}));
    EXPECT_FALSE(l.h.fake->swap_mode());
    EXPECT_FALSE(l.h.device->pending());
    EXPECT_TRUE(l.h.device->configured());
    EXPECT_EQ(l.events.connect_flags(), std::vector<bool>{true});
}

// A change held for the next connection does not keep a new configuration's cookie back: only a
// running replay writes the cookie after its changes.
TEST(DeviceLifecycle, ConfiguringWhileAChangeIsHeldWritesTheCookieAtOnce) {
    Lifecycle l;
    auto battery = l.h.device->feature_by_id(0x1000);
    ASSERT_NE(battery, nullptr);
    ASSERT_TRUE(l.h.device->set_pending(battery));
    l.h.device->drawn_cookies = {0x0BAD};
    l.configure();
    EXPECT_EQ(l.h.fake->cookie(), 0x0BAE); // drawn, then moved past the foreign cookie 0
}

TEST(DeviceLifecycle, ASecondConnectSoonAfterTheFirstIsHandledASecondLater) {
    ScopedTimeScale fast(0.01);
    Lifecycle l;
    l.reconnect();
    ASSERT_EQ(l.events.connects(), 1);

    l.h.fake->send_event(0x1000, 0, {50, 20, 0});
    l.h.fake->wait_idle();
    sys::Clock::sleep_ms(300);
    sys::DebugOutputCapture capture;
    int64_t second = sys::Clock::performance_counter();
    l.pump.drain();
    l.h.fake->announce_connect();
    ASSERT_TRUE(l.pump.run_one()); // the connection alone, not the timer that follows it
    EXPECT_EQ(l.events.connects(), 1);
    EXPECT_EQ(count_lines(capture, "so delaying onConnect processing"), 1);

    ASSERT_TRUE(l.pump_until([&] { return l.events.connects() == 2; }))
        << "the firmware-check timer";
    EXPECT_GE((sys::Clock::performance_counter() - second) / 1'000'000, Device::kReconnectSettleMs);
}

TEST(DeviceLifecycle, AConfiguredDeviceConnectingWhileInactiveIsGivenBackItsDefaults) {
    for (bool other_program : {false, true}) {
        SCOPED_TRACE(other_program ? "another program's cookie" : "our cookie");
        ScopedTimeScale settle(0.01); // the deactivation delay passes in 50 ms
        Lifecycle l;
        l.configure();
        uint16_t ours = l.h.device->cookie();
        {
            ScopedTimeScale fast(kAwayScale);
            l.h.fake->drop_link();
            l.pump.drain();
            l.h.manager->set_active(false);
            l.pump.drain();
        }
        if (other_program) {
            l.h.fake->set_cookie(0x7777);
        }
        int changes = l.events.config_changes();
        l.h.fake->clear_requests();
        int64_t connected = sys::Clock::performance_counter();
        l.h.fake->announce_connect();
        l.pump.drain();
        EXPECT_EQ(l.events.connects(), 0);

        // The deactivation timer's handler reads the cookie.
        ASSERT_TRUE(l.pump_until([&] { return l.h.fake->count(0x0020, 0) == 1; }));
        std::vector<FakeHardwareDevice::WriteRecord> writes = l.h.hardware->writes();
        auto first = std::find_if(writes.begin(), writes.end(),
                                  [connected](const auto& w) { return w.time >= connected; });
        ASSERT_NE(first, writes.end());
        EXPECT_GE((first->time - connected) / 1'000'000, Device::kDeactivationDelayMs);
        EXPECT_EQ(l.h.fake->cookie(), other_program ? 0x7777 : 0);
        EXPECT_EQ(l.h.device->configured(), other_program);
        EXPECT_EQ(l.feature->configured(), other_program);
        EXPECT_EQ(l.events.config_changes(), changes + (other_program ? 0 : 1));
        EXPECT_EQ(l.h.device->foreign_cookie(), other_program ? 0x7777 : 0);
        EXPECT_EQ(l.h.device->cookie(), ours) << "kept";
    }
}

TEST(DeviceLifecycle, AWirelessStatusAskingForSettingsReportsThemLostUnlessTheCookieHolds) {
    struct Case {
        const char* what;
        bool configured;
        bool config_needed;
        bool cookie_changed;
        bool reported;
    };
    const Case cases[] = {
        {"cookie changed", true, true, true, true},
        {"cookie holds", true, true, false, false},
        {"no config needed", true, false, true, false},
        {"nothing configured", false, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Lifecycle l({.bus_type = kBusTypeReceiver, .bus_index = 2});
        ASSERT_FALSE(l.h.device->features().empty()); // subscribes to the wireless status
        if (c.configured) {
            l.configure();
        }
        l.reconnect();
        if (c.cookie_changed) {
            l.h.fake->set_cookie(0x5555);
        }
        l.h.fake->send_event(0x1D4B, 0, {1, static_cast<Byte>(c.config_needed ? 1 : 0), 0});
        l.h.fake->wait_idle();
        l.pump.drain();
        EXPECT_EQ(l.events.disconnects(), c.reported ? 2 : 1);
        std::vector<bool> expected{c.configured};
        if (c.reported) {
            expected.push_back(false);
        }
        EXPECT_EQ(l.events.connect_flags(), expected);
        EXPECT_EQ(l.h.device->configured(), c.configured) << "nothing else changes";
    }
}

TEST(DeviceLifecycle, TheReceiverLearnsOfTheSoftwareAndOfSlotsWithHeldChanges) {
    {
        Lifecycle l({.bus_type = kBusTypeReceiver, .bus_index = 3});
        l.configure();
        EXPECT_EQ(l.h.fake->receiver_calls().software_present, 1);
        std::shared_ptr<IFeature> other = l.h.device->feature_by_id(0x1000);
        ASSERT_TRUE(l.h.device->set_pending(l.feature));
        ASSERT_TRUE(l.h.device->set_pending(other));
        FakeRap20Device::ReceiverCalls calls = l.h.fake->receiver_calls();
        EXPECT_EQ(calls.software_present, 1);
        EXPECT_EQ(calls.slot_flag, 1) << "only while no change was held";
        EXPECT_TRUE(l.h.device->shutdown());
        EXPECT_EQ(l.h.fake->receiver_calls().clear_software_present, 1);
        EXPECT_EQ(l.h.fake->cookie(), 0);
    } // its manager goes before the next harness resets the facade

    Lifecycle refused({.bus_type = kBusTypeReceiver, .bus_index = 4});
    refused.h.fake->fail_receiver_operations(true);
    EXPECT_FALSE(refused.swap->SetSwapModeNow(true));
    EXPECT_FALSE(refused.h.device->configured());
    EXPECT_FALSE(refused.feature->configured());
    EXPECT_FALSE(refused.h.device->set_pending(refused.feature));
    EXPECT_FALSE(refused.h.device->pending());
}

TEST(DeviceLifecycle, ShutdownLeavesADeviceThatIsAwayAlone) {
    Lifecycle l;
    l.configure();
    ScopedTimeScale fast(kAwayScale);
    l.h.fake->drop_link();
    l.pump.drain();
    std::size_t writes = l.h.hardware->write_count();
    EXPECT_TRUE(l.h.device->shutdown());
    EXPECT_EQ(l.h.hardware->write_count(), writes);
    EXPECT_FALSE(l.h.device->configured());
}

TEST(DeviceLifecycle, ForgetDropsEverythingButTheRoot) {
    Lifecycle l;
    ASSERT_FALSE(l.h.device->features().empty());
    l.configure();
    auto battery = l.h.device->feature_table().at_index(6);
    ASSERT_TRUE(battery->set_pending());
    int changes = l.events.config_changes();

    l.h.device->forget();
    EXPECT_EQ(l.h.device->feature_table().all().size(), 1u);
    EXPECT_FALSE(l.h.device->configured() || l.h.device->pending());
    EXPECT_FALSE(l.feature->configured() || battery->pending());
    EXPECT_EQ(l.events.config_changes(), changes + 1);
    l.h.fake->clear_requests();
    ASSERT_FALSE(l.h.device->features().empty());
    EXPECT_EQ(l.h.fake->count(0x0001, 0), 1) << "the cached answers went too";
}

// Another program's answers, as the device delivers them to us.
class SettingChanges : public Subscriber<IFeature2005ButtonSwapCancel::SettingChange> {
public:
    explicit SettingChanges(const std::shared_ptr<IFeature2005ButtonSwapCancel>& swap) {
        subscribe(swap, DeliverDirect, "SettingChanges");
    }
    std::vector<std::pair<unsigned, bool>> changes;

private:
    void onSettingChange(unsigned software_id, bool swap_enabled) override {
        changes.emplace_back(software_id, swap_enabled);
    }
};

TEST(FeatureButtonSwap, TheSettingIsReadAndWrittenAndOtherProgramsChangesArePublished) {
    Lifecycle l;
    SettingChanges published(l.swap);
    bool swapped = true;
    ASSERT_TRUE(l.swap->GetSwapMode(&swapped));
    EXPECT_FALSE(swapped);
    ASSERT_TRUE(l.swap->SetSwapMode(true));
    ASSERT_TRUE(l.swap->GetSwapMode(&swapped));
    EXPECT_TRUE(swapped);
    EXPECT_TRUE(l.h.fake->swap_mode());

    Byte index = static_cast<Byte>(l.feature->featureIndex());
    l.h.fake->deliver({0x10, 0xFF, index, 0x13, 0x01, 0x00, 0x00}); // another program's set
    l.h.fake->deliver({0x10, 0xFF, index, 0x03, 0x01, 0x00, 0x00}); // and its get
    l.h.fake->wait_idle();
    EXPECT_EQ(published.changes, (std::vector<std::pair<unsigned, bool>>{{3, true}}));
}

TEST(FeatureButtonSwap, HeldValuesStayUntilAllOfThemAreWritten) {
    Lifecycle l;
    {
        ScopedTimeScale fast(kAwayScale);
        l.h.fake->drop_link();
        ASSERT_TRUE(l.swap->SetSwapMode(true));
        ASSERT_TRUE(l.swap->SetSwapMode(false));
    }

    // A change while the device replays the held ones is refused, and not kept.
    l.feature->set_processing_pending(true);
    EXPECT_FALSE(l.swap->SetSwapMode(true));
    EXPECT_EQ(last_error().code, ErrorCode::FeatureChangePending);
    l.feature->set_processing_pending(false);

    l.h.fake->announce_connect();
    l.h.fake->clear_requests();
    l.h.fake->fail_next(0x2005, 1, 4);
    EXPECT_FALSE(l.feature->process_pending_changes(false));
    EXPECT_TRUE(l.feature->process_pending_changes(false));
    EXPECT_TRUE(l.feature->process_pending_changes(false));
    std::vector<std::string> traffic = settings_traffic(*l.h.fake);
    std::vector<std::string> swaps;
    std::copy_if(traffic.begin(), traffic.end(), std::back_inserter(swaps),
                 [](const std::string& r) { return r.starts_with("2005"); });
    EXPECT_EQ(swaps, (std::vector<std::string>{"2005.1(01)", "2005.1(01)", "2005.1(00)"}));
}

} // namespace
} // namespace devio::test
