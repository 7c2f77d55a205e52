#include <gtest/gtest.h>

#include "Source/Contracts/BusType.h"
#include "Source/System/Clock.h"
#include "support/DeviceHarness.h"
#include "support/ScopedTimeScale.h"

namespace devio::test {
namespace {

using Type = IDevice::ReportType;

constexpr Byte kFeatureIndex = 0x05;

// What a feature object receives from the classification.
class FeatureReports : public Subscriber<IFeature::FeatureReport> {
public:
    struct Received {
        bool event;
        unsigned function;
        unsigned software_id;
        std::vector<Byte> parameters;
    };

    explicit FeatureReports(const std::shared_ptr<Feature>& feature) {
        subscribe(feature, DeliverDirect, "FeatureReports");
    }
    std::vector<Received> received() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }

private:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.push_back({true, static_cast<unsigned>(function), 0, parameters});
    }
    void onUnexpectedResponse(unsigned function, unsigned software_id,
                              const std::vector<Byte>& parameters) override {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.push_back({false, function, software_id, parameters});
    }

    mutable std::mutex mutex_;
    std::vector<Received> received_;
};

// Reports that arrive while no command waits.
TEST(DeviceClassification, ReportsWithoutAPendingCommand) {
    struct Case {
        const char* what;
        bool feature_based;
        rap::Report report;
        Type expected;
        bool set_own_index = false;
    };
    const Case cases[] = {
        {"empty", false, {}, Type::Unhandled},
        {"one byte", false, {0x10}, Type::Unhandled},
        {"six bytes", true, {0x10, 0xFF, kFeatureIndex, 0x10, 0x00, 0x00}, Type::Unhandled},
        {"receiver notification about device 3",
         false,
         {0x10, 0x03, 0x41, 0x04, 0xA1, 0x40, 0x00},
         Type::Notification},
        {"lock-state notification is not one of the four",
         false,
         {0x10, 0x00, 0x4A, 0x01, 0x00, 0x00, 0x00},
         Type::Unhandled},
        {"another device index",
         true,
         {0x10, 0x02, kFeatureIndex, 0x1C, 0x00, 0x00, 0x00},
         Type::Unhandled},
        {"feature report before any feature is known",
         false,
         {0x10, 0xFF, kFeatureIndex, 0x1C, 0x00, 0x00, 0x00},
         Type::Unhandled},
        {"root answer before any feature is known",
         false,
         {0x10, 0xFF, 0x00, 0x1C, 4, 2, 0x33},
         Type::OtherSoftwareResponse},
        {"register answer of the receiver itself",
         false,
         {0x10, 0x00, 0x81, 0x02, 0x00, 0x01, 0x00},
         Type::OtherSoftwareResponse},
        {"event of a known feature",
         true,
         {0x10, 0xFF, kFeatureIndex, 0x10, 0x07, 0x08, 0x09},
         Type::Notification},
        {"event behind a receiver",
         true,
         {0x10, 0x02, kFeatureIndex, 0x10, 0x07, 0x08, 0x09},
         Type::Notification,
         true},
        {"event of an index the device did not list",
         true,
         {0x10, 0xFF, 0x06, 0x10, 0, 0, 0},
         Type::OtherSoftwareResponse},
        {"another program's response",
         true,
         {0x11, 0xFF, kFeatureIndex, 0x23, 0x01, 0x02, 0x03},
         Type::OtherSoftwareResponse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeviceHarness h;
        if (c.feature_based) {
            h.make_feature_based();
            h.add_feature(0x1D4B, kFeatureIndex);
        }
        DeviceEvents events(h.device);
        h.hardware->deliver(c.report, c.set_own_index);
        h.hardware->wait_idle();
        EXPECT_EQ(events.report_types(), std::vector<Type>{c.expected});
    }
}

TEST(DeviceClassification, FeaturesReceiveTheirEventsAndOtherProgramsResponses) {
    DeviceHarness h;
    h.make_feature_based();
    FeatureReports reports(h.add_feature(0x1D4B, kFeatureIndex));

    h.hardware->deliver({0x10, 0xFF, kFeatureIndex, 0x10, 0x07, 0x08, 0x09});
    h.hardware->deliver({0x11, 0xFF, kFeatureIndex, 0x23, 0x01, 0x02, 0x03, 0x04});
    h.hardware->wait_idle();

    std::vector<FeatureReports::Received> received = reports.received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_TRUE(received[0].event);
    EXPECT_EQ(received[0].function, 1u);
    EXPECT_EQ(received[0].parameters, (std::vector<Byte>{0x07, 0x08, 0x09}));
    EXPECT_FALSE(received[1].event);
    EXPECT_EQ(received[1].function, 2u);
    EXPECT_EQ(received[1].software_id, 3u);
    EXPECT_EQ(received[1].parameters, (std::vector<Byte>{0x01, 0x02, 0x03, 0x04}));
}

TEST(DeviceClassification, TheLastReportTimeFollowsEveryReportShortOnesIncluded) {
    DeviceHarness h;
    // A device that has had no report counts from tick 0; the check below tells the two apart only
    // once the clock has left it.
    while (sys::Clock::tick_count_ms() == 0) {
        sys::Clock::sleep_ms(1);
    }
    uint64_t before_report = sys::Clock::tick_count_ms();
    h.hardware->deliver({0x10, 0xFF});
    h.hardware->wait_idle();
    uint64_t since = h.device->milliseconds_since_last_report();
    // The short report was taken at or after before_report, however long the delivery took.
    EXPECT_LE(since, sys::Clock::tick_count_ms() - before_report);
}

// Reports that arrive while a command waits for its answer: the fake device answers the command
// with the case's report.
TEST(DeviceClassification, ReportsWhileACommandWaits) {
    struct Case {
        const char* what;
        int bus_type;
        rap::Report command;
        rap::MatchPositions positions;
        rap::Report report;
        Type expected;
        ErrorCode result; // NoError: the command succeeds
        uint32_t detail = 0;
    };
    const Case cases[] = {
        {"answer",
         kBusTypeDirectHid,
         {0x10, 0xFF, kFeatureIndex, 0x1C, 0x01},
         {},
         {0x10, 0xFF, kFeatureIndex, 0x1C, 0x01, 0x02, 0x03},
         Type::CommandResponse,
         ErrorCode::NoError},
        {"answer behind a receiver, with the device's own index",
         kBusTypeReceiver,
         {0x10, 0xFF, kFeatureIndex, 0x1C, 0x01},
         {},
         {0x10, 0xFF, kFeatureIndex, 0x1C, 0x01, 0x02, 0x03},
         Type::CommandResponse,
         ErrorCode::NoError},
        {"RAP 2.0 error answer",
         kBusTypeDirectHid,
         {0x10, 0xFF, 0x05, 0x1A, 0x00, 0x00, 0x00},
         {},
         {0x10, 0xFF, 0xFF, 0x05, 0x1A, 0x02, 0x00},
         Type::CommandResponse,
         static_cast<ErrorCode>(46),
         2},
        {"RAP 1.0 error answer of the receiver as index 0",
         kBusTypeDirectHid,
         {0x10, 0xFF, 0x81, 0x02, 0x00, 0x00, 0x00},
         {},
         {0x10, 0x00, 0x8F, 0x81, 0x02, 0x03, 0x00},
         Type::CommandResponse,
         static_cast<ErrorCode>(11),
         3},
        {"echoed parameter differs",
         kBusTypeDirectHid,
         {0x10, 0xFF, 0x00, 0x1C, 0x00, 0x00, 0x5C},
         {2},
         {0x10, 0xFF, 0x00, 0x1C, 0x04, 0x02, 0x5D},
         Type::OtherSoftwareResponse,
         ErrorCode::NoResponse},
        {"another function",
         kBusTypeDirectHid,
         {0x10, 0xFF, kFeatureIndex, 0x1C, 0x01},
         {},
         {0x10, 0xFF, kFeatureIndex, 0x2C, 0x01, 0x00, 0x00},
         Type::OtherSoftwareResponse,
         ErrorCode::NoResponse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A command that is answered never waits for its time-out; one that is not does.
        ScopedTimeScale scale(c.expected == Type::CommandResponse ? 1.0 : 0.001);
        DeviceHarness h({.bus_type = c.bus_type, .bus_index = 2});
        h.make_feature_based();
        h.add_feature(0x1D4B, kFeatureIndex);
        DeviceEvents events(h.device);
        bool behind_receiver = c.bus_type == kBusTypeReceiver;
        h.hardware->set_responder([&c, behind_receiver](const rap::Report&) {
            rap::Report report = c.report;
            if (behind_receiver) {
                report[1] = 0x02;
            }
            return std::vector<rap::Report>{report};
        });

        rap::Report response;
        bool sent = h.device->sendSynchronousCommandWithoutRetry(c.command, response, c.positions);
        h.hardware->wait_idle();
        EXPECT_EQ(events.report_types(), std::vector<Type>{c.expected});
        EXPECT_EQ(sent, c.result == ErrorCode::NoError);
        if (sent) {
            EXPECT_EQ(response, c.report);
        } else {
            EXPECT_EQ(last_error().code, c.result);
            EXPECT_EQ(last_error().syserr, c.detail);
        }
    }
}

// Another program checking the protocol (GetProtocolVersion with ping 0) says nothing about
// software ids, even with ours: no conflict, so no ping before the next command.
TEST(DeviceClassification, AnotherProgramsProtocolCheckIsIgnored) {
    DeviceHarness h;
    h.make_feature_based();
    h.hardware->answer(kFeatureIndex, 1, {FakeHardwareDevice::Answer::with({0x01})});
    DeviceEvents events(h.device);
    rap::Report response;
    ASSERT_TRUE(h.device->sendSynchronousCommand({0x10, 0xFF, kFeatureIndex, 0x1C}, response,
                                                 CacheMode::Uncached, {}));

    h.hardware->deliver({0x10, 0xFF, 0x00, 0x1C, 0x04, 0x02, 0x00});
    h.hardware->wait_idle();
    EXPECT_EQ(events.report_types().back(), Type::OtherSoftwareResponse);

    ASSERT_TRUE(h.device->sendSynchronousCommand({0x10, 0xFF, kFeatureIndex, 0x1C}, response,
                                                 CacheMode::Uncached, {}));
    EXPECT_EQ(h.hardware->write_count(), 2u);
    EXPECT_EQ(h.device->swid(), 12u);
}

} // namespace
} // namespace devio::test
