#include <thread>

#include <gtest/gtest.h>

#include "Source/Contracts/BusType.h"
#include "Source/System/Clock.h"
#include "Source/System/DebugOutput.h"
#include "support/DeviceHarness.h"
#include "support/RunLoopPump.h"
#include "support/ScopedTimeScale.h"
#include "support/WaitFor.h"

namespace devio::test {
namespace {

using Answer = FakeHardwareDevice::Answer;

constexpr Byte kFeatureIndex = 0x05;
// Feature index 5, function 1, software id 12 (the harness's default), two parameter bytes.
const rap::Report kCommand{0x10, 0xFF, kFeatureIndex, 0x1C, 0x01, 0x02};

// Scaled milliseconds between two writes.
int64_t scaled_ms(const FakeHardwareDevice::WriteRecord& from,
                  const FakeHardwareDevice::WriteRecord& to) {
    return (to.time - from.time) / 1'000'000;
}

bool is_ping(const rap::Report& report) {
    return report.size() == 7 && report[2] == 0x00 && rap::function_of(report[3]) == 1 &&
           report[6] >= 0x10;
}

ErrorCode code() {
    return last_error().code;
}

TEST(DeviceCommandEngine, AnAnsweredCommandReturnsTheWholeResponse) {
    DeviceHarness h;
    h.make_feature_based();
    h.hardware->answer(kFeatureIndex, 1, {Answer::with({0x07, 0x08, 0x09})});

    rap::Report response;
    ASSERT_TRUE(h.device->sendSynchronousCommand(kCommand, response, CacheMode::Uncached, {}));
    EXPECT_EQ(response, (rap::Report{0x10, 0xFF, kFeatureIndex, 0x1C, 0x07, 0x08, 0x09}));
    ASSERT_EQ(h.hardware->write_count(), 1u);
    EXPECT_EQ(h.hardware->writes()[0].report, kCommand);
}

TEST(DeviceCommandEngine, TheFirstCommandMakesTheDeviceReadItsHardwareDevice) {
    CDevio::instance().reset();
    std::shared_ptr<IDeviceManager> manager = CDevio::instance();
    auto hardware = std::make_shared<FakeHardwareDevice>();
    auto device = std::make_shared<Device>(manager, hardware);
    device->initDevice(manager);
    hardware->answer(0x00, 1, {Answer::with({4, 2, 0})});

    rap::Report response;
    EXPECT_TRUE(device->sendSynchronousCommand({0x10, 0xFF, 0x00, 0x1C, 0x00, 0x00, 0x00}, response,
                                               CacheMode::Uncached, {}));
    EXPECT_TRUE(device->connected());
    device->uninitDevice();
}

// A device that never answers: directly attached it is asked 11 times (the command, then ten
// pings with growing delays before them); behind a receiver or over Bluetooth it is quarantined
// at the start of attempt 5 instead.
TEST(DeviceCommandEngine, ASilentDeviceIsRetriedOrQuarantinedByBusType) {
    struct Case {
        int bus_type;
        ErrorCode expected;
        std::size_t writes;
        int disconnects;
        bool cookie_cleared;
    };
    const Case cases[] = {
        {kBusTypeDirectHid, ErrorCode::NoResponse, 11, 0, true},
        {kBusTypeReceiver, ErrorCode::NotConnected, 5, 1, false},
        {kBusTypeBluetoothClassic, ErrorCode::NotConnected, 5, 1, false},
        {kBusTypeBleGatt, ErrorCode::NotConnected, 5, 1, false},
    };
    ScopedTimeScale fast(0.0005);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "bus type " << c.bus_type);
        DeviceHarness h({.bus_type = c.bus_type, .bus_index = 2});
        h.make_feature_based();
        h.hardware->go_silent();
        h.device->cookie_.store(0x1234);
        DeviceEvents events(h.device);

        rap::Report response;
        EXPECT_FALSE(h.device->sendSynchronousCommand(kCommand, response, CacheMode::Uncached, {}));
        EXPECT_EQ(code(), c.expected);
        std::vector<FakeHardwareDevice::WriteRecord> writes = h.hardware->writes();
        ASSERT_EQ(writes.size(), c.writes);
        EXPECT_EQ(writes[0].report, kCommand);
        for (std::size_t attempt = 1; attempt < writes.size(); ++attempt) {
            EXPECT_TRUE(is_ping(writes[attempt].report)) << "attempt " << attempt;
            // The previous exchange's time-out, then the delay before the ping.
            EXPECT_GE(scaled_ms(writes[attempt - 1], writes[attempt]),
                      Device::kResponseTimeoutMs + (10 << attempt) - 1)
                << "attempt " << attempt;
        }
        EXPECT_EQ(events.disconnects(), c.disconnects);
        EXPECT_EQ(h.device->cookie() == 0, c.cookie_cleared);
        EXPECT_EQ(h.device->quarantined(), c.expected == ErrorCode::NotConnected);
    }
}

TEST(DeviceCommandEngine, AQuarantinedDeviceIsRefusedAtOnceUntilItConnectsAgain) {
    ScopedTimeScale fast(0.0005);
    DeviceHarness h({.bus_type = kBusTypeReceiver, .bus_index = 3});
    h.hardware->go_silent();
    rap::Report response;
    ASSERT_FALSE(h.device->sendSynchronousCommand(kCommand, response, CacheMode::Uncached, {}));
    ASSERT_EQ(h.hardware->write_count(), 5u) << "without features nothing is pinged";

    EXPECT_FALSE(h.device->sendSynchronousCommand(kCommand, response, CacheMode::Uncached, {}));
    EXPECT_EQ(code(), ErrorCode::NotConnected);
    EXPECT_EQ(h.hardware->write_count(), 5u);

    // The device's connection comes through the run loop, on this thread.
    RunLoopPump pump;
    h.hardware->announce_connect();
    ASSERT_TRUE(pump.run_one());
    EXPECT_FALSE(h.device->quarantined());
    EXPECT_FALSE(h.device->sendSynchronousCommandWithoutRetry(kCommand, response, {}));
    EXPECT_EQ(h.hardware->write_count(), 6u);
}

TEST(DeviceCommandEngine, ADeviceThatKeepsSendingReportsIsNeverQuarantined) {
    // Long enough for the first report to arrive before attempt 5 starts.
    ScopedTimeScale fast(0.01);
    DeviceHarness h({.bus_type = kBusTypeReceiver, .bus_index = 1});
    // Too short to answer anything, but the device is alive.
    h.hardware->set_responder([](const rap::Report&) {
        return std::vector<rap::Report>{{0x10, 0x01, 0x00, 0x00, 0x00, 0x00}};
    });
    rap::Report response;
    EXPECT_FALSE(h.device->sendSynchronousCommand(kCommand, response, CacheMode::Uncached, {}));
    EXPECT_EQ(code(), ErrorCode::NoResponse);
    EXPECT_EQ(h.hardware->write_count(), 11u);
    EXPECT_FALSE(h.device->quarantined());
}

TEST(DeviceCommandEngine, ErrorAnswersAreRetriedWhenSoftAndReturnedAtOnceWhenHard) {
    struct Case {
        Byte device_code;
        bool succeeds;
        std::vector<bool> pings; // per write, whether it is a ping
    };
    const Case cases[] = {
        // Busy: ping, then the command again.
        {8, true, {false, true, false}},
        // Invalid argument: no retry, Rap20Error + 2 with the raw code as detail.
        {2, false, {false}},
    };
    ScopedTimeScale fast(0.2);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "device error " << int(c.device_code));
        DeviceHarness h;
        h.make_feature_based();
        h.device->cookie_.store(0x4321);
        h.hardware->answer(kFeatureIndex, 1,
                           {Answer::rap20_error(c.device_code), Answer::with({0x01})});

        rap::Report response;
        EXPECT_EQ(h.device->sendSynchronousCommand(kCommand, response, CacheMode::Uncached, {}),
                  c.succeeds);
        std::vector<FakeHardwareDevice::WriteRecord> writes = h.hardware->writes();
        ASSERT_EQ(writes.size(), c.pings.size());
        for (std::size_t i = 0; i < writes.size(); ++i) {
            EXPECT_EQ(is_ping(writes[i].report), c.pings[i]) << "write " << i;
        }
        if (!c.succeeds) {
            EXPECT_EQ(code(), static_cast<ErrorCode>(46));
            EXPECT_EQ(last_error().syserr, 2u);
            EXPECT_EQ(h.device->cookie(), 0) << "a hard failure clears the cookie";
        } else {
            EXPECT_EQ(h.device->cookie(), 0x4321);
        }
    }
}

TEST(DeviceCommandEngine, TheCacheSharesOneEntryAcrossSoftwareIdsAndNeverHoldsRegisterCommands) {
    DeviceHarness h;
    h.make_feature_based();
    h.hardware->answer(kFeatureIndex, 1, {Answer::with({0x2A})});
    rap::Report response;

    const rap::Report with_id_3{0x10, 0xFF, kFeatureIndex, 0x13, 0x01};
    ASSERT_TRUE(h.device->sendSynchronousCommand(with_id_3, response, CacheMode::Cached, {}));
    ASSERT_EQ(h.hardware->write_count(), 1u);
    EXPECT_EQ(h.hardware->writes()[0].report[3], 0x1C) << "sent with the current id";

    const rap::Report with_id_7{0x10, 0xFF, kFeatureIndex, 0x17, 0x01};
    response.clear();
    ASSERT_TRUE(h.device->sendSynchronousCommand(with_id_7, response, CacheMode::Cached, {}));
    EXPECT_EQ(h.hardware->write_count(), 1u);
    EXPECT_EQ(response, (rap::Report{0x10, 0xFF, kFeatureIndex, 0x1C, 0x2A, 0x00, 0x00}))
        << "cached answers carry the current software id";

    // Another parameter is another entry; cache mode 0 always asks the device.
    ASSERT_TRUE(h.device->sendSynchronousCommand({0x10, 0xFF, kFeatureIndex, 0x13, 0x02}, response,
                                                 CacheMode::Cached, {}));
    ASSERT_TRUE(h.device->sendSynchronousCommand(with_id_3, response, CacheMode::Uncached, {}));
    EXPECT_EQ(h.hardware->write_count(), 3u);

    // A register read is never looked up nor stored.
    h.hardware->set_responder([](const rap::Report& request) {
        return std::vector<rap::Report>{FakeHardwareDevice::response_to(request, {0x00, 0x01})};
    });
    const rap::Report register_read{0x10, 0xFF, 0x83, 0xB5, 0x20};
    ASSERT_TRUE(h.device->sendSynchronousCommand(register_read, response, CacheMode::Cached, {}));
    ASSERT_TRUE(h.device->sendSynchronousCommand(register_read, response, CacheMode::Cached, {}));
    EXPECT_EQ(h.hardware->write_count(), 5u);
}

// Another program's response carrying our software id makes the next ping choose a new one, and
// the command and its answer then carry it.
TEST(DeviceCommandEngine, AnotherProgramUsingOurSoftwareIdMakesTheNextPingSwitchIt) {
    DeviceHarness h;
    h.make_feature_based();
    h.hardware->answer(kFeatureIndex, 1, {Answer::with({0x55})});
    rap::Report response;
    ASSERT_TRUE(h.device->sendSynchronousCommand(kCommand, response, CacheMode::Uncached, {}));
    ASSERT_EQ(h.device->swid(), 12u);

    h.hardware->deliver({0x11, 0xFF, kFeatureIndex, 0x2C, 0x01, 0x00, 0x00});
    h.hardware->wait_idle();

    ASSERT_TRUE(h.device->sendSynchronousCommand(kCommand, response, CacheMode::Uncached, {}));
    std::vector<FakeHardwareDevice::WriteRecord> writes = h.hardware->writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_TRUE(is_ping(writes[1].report));
    EXPECT_EQ(rap::software_id_of(writes[1].report[3]), 15u) << "never seen from others";
    EXPECT_EQ(rap::software_id_of(writes[2].report[3]), 15u);
    EXPECT_EQ(rap::software_id_of(response[3]), 15u);
    EXPECT_EQ(h.device->swid(), 15u);
}

// A receiver that answers each command with the answer to the one before: the late answer ends
// the wait at once, the command is tried again, and from then on every exchange is followed by a
// GetProtocolVersion request that flushes the stale answer, until the device connects again.
TEST(DeviceCommandEngine, TheBrbWorkaroundRetriesAtOnceAndFlushesUntilTheNextConnect) {
    DeviceHarness h({.bus_type = kBusTypeReceiver, .bus_index = 2});
    h.make_feature_based();
    const rap::Report a{0x10, 0xFF, kFeatureIndex, 0x1C, 0x01};
    const rap::Report b{0x10, 0xFF, kFeatureIndex, 0x2C, 0x02};
    int b_writes = 0;
    h.hardware->set_responder([&](const rap::Report& request) -> std::vector<rap::Report> {
        if (request[2] == 0x00) {
            // Pings, and the flush request with ping byte 0.
            return {FakeHardwareDevice::response_to(request, {4, 2, request[6]})};
        }
        if (request[3] == b[3] && ++b_writes == 1) {
            return {FakeHardwareDevice::response_to(a, {0x0A})};
        }
        if (request[3] == b[3]) {
            return {FakeHardwareDevice::response_to(b, {0x0B})};
        }
        return {};
    });
    rap::Report response;
    {
        ScopedTimeScale fast(0.001);
        ASSERT_FALSE(h.device->sendSynchronousCommandWithoutRetry(a, response, {}));
    }
    ScopedTimeScale answered(0.2);
    ASSERT_TRUE(h.device->sendSynchronousCommand(b, response, CacheMode::Uncached, {}));
    EXPECT_EQ(rap::parameters_of(response)[0], 0x0B);

    const rap::Report flush{0x00, 0x00, 0x00, 0x1C, 0x00, 0x00, 0x00};
    std::vector<rap::Report> written;
    for (const FakeHardwareDevice::WriteRecord& w : h.hardware->writes()) {
        written.push_back(w.report);
    }
    ASSERT_EQ(written.size(), 6u);
    EXPECT_EQ(written[1], b);
    EXPECT_TRUE(is_ping(written[2]));
    EXPECT_EQ(written[3], flush);
    EXPECT_EQ(written[4], b);
    EXPECT_EQ(written[5], flush);

    RunLoopPump pump;
    h.hardware->drop_link();
    h.hardware->announce_connect();
    pump.drain();
    ASSERT_TRUE(h.device->sendSynchronousCommand(b, response, CacheMode::Uncached, {}));
    EXPECT_EQ(h.hardware->write_count(), 7u) << "no flush after the connect";
}

TEST(DeviceCommandEngine, AbandonEndsAWaitingCommandAndRefusesEveryLaterOne) {
    // A wait that only abandon can end within the test's life.
    ScopedTimeScale slow(1000);
    DeviceHarness h;
    h.hardware->go_silent();
    bool sent = true;
    ErrorCode failure = ErrorCode::NoError;
    std::thread sender([&] {
        rap::Report response;
        sent = h.device->sendSynchronousCommand(kCommand, response, CacheMode::Uncached, {});
        failure = code();
    });
    ASSERT_TRUE(wait_for([&] { return h.hardware->write_count() == 1; }));
    h.device->abandon();
    sender.join();
    EXPECT_FALSE(sent);
    EXPECT_EQ(failure, ErrorCode::Abandoned);

    rap::Report response;
    EXPECT_FALSE(h.device->sendSynchronousCommand(kCommand, response, CacheMode::Uncached, {}));
    EXPECT_EQ(code(), ErrorCode::Abandoned);
    EXPECT_EQ(h.hardware->write_count(), 1u);
}

TEST(DeviceCommandEngine, FailedExchangesArePublishedAsWriteReportFailures) {
    ScopedTimeScale fast(0.0005);
    DeviceHarness h;
    DeviceEvents events(h.device);
    sys::DebugOutputCapture log;
    rap::Report response;

    h.hardware->fail_writes(ErrorCode::WriteError);
    EXPECT_FALSE(h.device->sendSynchronousCommand(kCommand, response, CacheMode::Uncached, {}));
    EXPECT_EQ(code(), ErrorCode::WriteError) << "a failed write is a hard error";
    EXPECT_TRUE(
        log.contains("Device::sendSynchronousCommandWithoutRetry () - sendCommand failed!"));
    EXPECT_TRUE(log.contains("Device::sendCommand () - hwdev->write() failed, errcode = 40!"));

    h.hardware->drop_link();
    EXPECT_FALSE(h.device->sendSynchronousCommandWithoutRetry(kCommand, response, {}));
    EXPECT_EQ(code(), ErrorCode::NotConnected);
    EXPECT_TRUE(log.contains(
        "Device::sendSynchronousCommandWithoutRetry () - not connected after timeout!"));

    std::vector<DeviceEvents::Write> writes = events.writes();
    ASSERT_GE(writes.size(), 2u);
    // The hardware device's own failed writes (WriteError) come through as well.
    EXPECT_EQ(writes.back().code, ErrorCode::NotConnected);
    EXPECT_TRUE(writes.back().report.empty());
    EXPECT_EQ(writes.back().number, 0u);
}

TEST(DeviceCommandEngine, ATimeOutOfAConnectedDeviceIsNoResponseWithItsTimingLine) {
    ScopedTimeScale fast(0.0005);
    DeviceHarness h;
    h.hardware->go_silent();
    sys::DebugOutputCapture log;
    rap::Report response;
    EXPECT_FALSE(h.device->sendSynchronousCommandWithoutRetry(kCommand, response, {}));
    EXPECT_EQ(code(), ErrorCode::NoResponse);
    EXPECT_TRUE(
        log.contains("ERROR - Device::sendSynchronousCommandWithoutRetry () - no response!"));
    EXPECT_TRUE(
        log.contains("WARNING - Device::sendSynchronousCommandWithoutRetry timeout, no response "
                     "after "));
    EXPECT_TRUE(log.contains(" ms, timeout was 3000 ms"));
}

TEST(DeviceCommandEngine, ARemovedDeviceSendsNothing) {
    DeviceHarness h;
    h.device->uninitDevice();
    rap::Report response;
    EXPECT_FALSE(h.device->sendSynchronousCommand(kCommand, response, CacheMode::Uncached, {}));
    EXPECT_EQ(code(), ErrorCode::DeviceRemoved);
    EXPECT_EQ(h.hardware->write_count(), 0u);
}

} // namespace
} // namespace devio::test
