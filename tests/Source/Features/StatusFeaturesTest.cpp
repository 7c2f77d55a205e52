// The battery, wireless-status, configuration-change and reset features: their requests, and the
// events they publish from the device's reports and from other programs' responses.
#include <gtest/gtest.h>

#include "Source/Features/Feature0020ConfigChange.h"
#include "Source/Features/Feature1000BatteryUnifiedLeveStatus.h"
#include "Source/Features/Feature1802DeviceReset.h"
#include "Source/Features/Feature1D4BWirelessStatus.h"
#include "Source/Rap/FeatureFactory.h"
#include "Source/System/DebugOutput.h"
#include "support/DeviceHarness.h"
#include "support/LogLines.h"

namespace devio::test {
namespace {

using Answer = FakeHardwareDevice::Answer;

constexpr Byte kIndex = 0x06;
constexpr Byte kOtherProgram = 0x3;

template <class C>
std::shared_ptr<C> install(DeviceHarness& h) {
    auto feature =
        std::dynamic_pointer_cast<C>(FeatureFactory::create(C::kFeatureNumber, kIndex, h.device));
    h.device->feature_table().put(feature);
    return feature;
}

// Records what the status features publish, on whichever thread they do.
class StatusEvents : public Subscriber<IFeature1000BatteryUnifiedLevelStatus::Report>,
                     public Subscriber<IFeature1D4BWirelessStatus::Report>,
                     public Subscriber<IFeature0020ConfigChange::ConfigReport> {
public:
    template <class Source>
    void follow(const std::shared_ptr<Source>& feature) {
        Subscriber<IFeature1000BatteryUnifiedLevelStatus::Report>::subscribe(feature, DeliverDirect,
                                                                             "StatusEvents");
        Subscriber<IFeature1D4BWirelessStatus::Report>::subscribe(feature, DeliverDirect,
                                                                  "StatusEvents");
        Subscriber<IFeature0020ConfigChange::ConfigReport>::subscribe(feature, DeliverDirect,
                                                                      "StatusEvents");
    }

    std::vector<std::vector<unsigned>> events;

private:
    void onBatteryLevelStatus(uint16_t level, uint16_t next, uint16_t status) override {
        events.push_back({level, next, status});
    }
    void onWirelessStatusEvent(bool reconnect, bool config_needed, bool powerswitch) override {
        events.push_back({reconnect, config_needed, powerswitch});
    }
    void onCookieSet(unsigned software_id, uint16_t cookie) override {
        events.push_back({software_id, cookie});
    }
};

class FeatureStatus : public testing::Test {
protected:
    FeatureStatus() { h.make_feature_based(); }

    // A report of the feature: an event (software id 0) or another program's response.
    void receive(unsigned function, unsigned software_id, std::vector<Byte> parameters) {
        rap::Report report = rap::make_feature_command(kIndex, function, software_id, parameters);
        report.resize(rap::kShortReportLength, 0);
        h.hardware->deliver(report);
        h.hardware->wait_idle();
    }

    DeviceHarness h;
    StatusEvents events;
};

TEST_F(FeatureStatus, BatteryRequestsAreDecoded) {
    auto battery = install<Feature1000BatteryUnifiedLeveStatus>(h);
    h.hardware->answer(kIndex, 0, {Answer::with({50, 20, 1})});
    h.hardware->answer(kIndex, 1,
                       {Answer::with({4, 0x02, 0x01, 0x2C, 5}), Answer::with({4, 0, 0})});
    int level = 0;
    int next = 0;
    int status = 0;
    ASSERT_TRUE(battery->GetBatteryLevelStatus(&level, &next, &status));
    EXPECT_EQ((std::vector<int>{level, next, status}), (std::vector<int>{50, 20, 1}));
    int levels = 0;
    int flags = 0;
    int life = 0;
    int critical = 0;
    ASSERT_TRUE(battery->GetBatteryCapability(&levels, &flags, &life, &critical));
    EXPECT_EQ((std::vector<int>{levels, flags, life, critical}), (std::vector<int>{4, 2, 300, 5}));
    std::size_t writes = h.hardware->write_count();
    ASSERT_TRUE(battery->GetBatteryCapability(&levels, nullptr, nullptr, nullptr));
    EXPECT_EQ(h.hardware->write_count(), writes) << "the capability is kept in the response cache";

    // Without the cache the device is asked again; its short answer is refused.
    h.device->forget();
    h.make_feature_based();
    battery = install<Feature1000BatteryUnifiedLeveStatus>(h);
    EXPECT_FALSE(battery->GetBatteryCapability(&levels, &flags, &life, &critical));
    EXPECT_EQ(last_error().code, ErrorCode::CommandResponseTooShort);
}

TEST_F(FeatureStatus, BatteryEventsArePublishedButOtherProgramsAnswersAreNot) {
    events.follow(install<Feature1000BatteryUnifiedLeveStatus>(h));
    receive(0, 0, {50, 20, 0});
    receive(0, kOtherProgram, {60, 30, 0});
    EXPECT_EQ(events.events, (std::vector<std::vector<unsigned>>{{50, 20, 0}}));
}

TEST_F(FeatureStatus, WirelessStatusEventsOfAnyFunctionArePublished) {
    events.follow(install<Feature1D4BWirelessStatus>(h));
    receive(0, 0, {1, 1, 0});
    receive(3, 0, {2, 1, 1});
    EXPECT_EQ(events.events, (std::vector<std::vector<unsigned>>{{1, 1, 0}, {0, 1, 1}}));
}

TEST_F(FeatureStatus, ShortEventsPublishNothing) {
    auto battery = install<Feature1000BatteryUnifiedLeveStatus>(h);
    events.follow(battery);
    battery->deliverFeatureReport(0, {50, 20});
    EXPECT_EQ(last_error().code, ErrorCode::CommandResponseTooShort);
    auto status = std::dynamic_pointer_cast<Feature1D4BWirelessStatus>(
        FeatureFactory::create(0x1D4B, kIndex, h.device));
    events.follow(status);
    set_last_error(ErrorCode::NoError);
    status->deliverFeatureReport(0, {1, 1});
    EXPECT_EQ(last_error().code, ErrorCode::CommandResponseTooShort);
    EXPECT_TRUE(events.events.empty());
}

TEST_F(FeatureStatus, AnotherProgramsCookieIsPublishedAndTheCookieIsAlwaysReadFromTheDevice) {
    auto config = install<Feature0020ConfigChange>(h);
    events.follow(config);
    receive(1, kOtherProgram, {0x12, 0x34, 0x00});
    receive(0, kOtherProgram, {0x56, 0x78, 0x00});
    EXPECT_EQ(events.events, (std::vector<std::vector<unsigned>>{{kOtherProgram, 0x1234}}));

    h.hardware->answer(kIndex, 0, {Answer::with({0x12, 0x34}), Answer::with({0xAB, 0xCD})});
    h.hardware->answer(kIndex, 1, {Answer::with({})});
    uint16_t cookie = 0;
    ASSERT_TRUE(config->GetCookie(&cookie));
    EXPECT_EQ(cookie, 0x1234);
    ASSERT_TRUE(config->GetCookie(&cookie));
    EXPECT_EQ(cookie, 0xABCD);
    ASSERT_TRUE(config->SetCookie(0xBEEF));
    EXPECT_EQ(rap::parameters_of(h.hardware->writes().back().report),
              (std::vector<Byte>{0xBE, 0xEF}));
}

TEST_F(FeatureStatus, AResetThatFailsIsOnlyLogged) {
    auto reset = install<Feature1802DeviceReset>(h);
    h.hardware->answer(kIndex, 0, {Answer::rap20_error(5)});
    sys::DebugOutputCapture capture;
    reset->forceDeviceReset();
    EXPECT_EQ(rap::parameters_of(h.hardware->writes().back().report), std::vector<Byte>{});
    EXPECT_EQ(count_lines(capture, "forceDeviceReset failed"), 1);
}

} // namespace
} // namespace devio::test
