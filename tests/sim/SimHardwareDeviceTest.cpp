// The simulator as hardware devices of the library: the receiver as one HID device, and a device
// paired to it.
#include <gtest/gtest.h>

#include "Source/Contracts/BusType.h"
#include "Source/Log/LastError.h"
#include "sim/PairedHardwareDevice.h"
#include "sim/ReceiverHardwareDevice.h"
#include "sim/VirtualMouse.h"
#include "support/HardwareEvents.h"
#include "support/ScopedTimeScale.h"

namespace devio::sim {
namespace {

using test::HardwareEvents;

constexpr Byte kMouseIndex = 1;

class SimHardwareDevice : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(receiver.pair(mouse), kMouseIndex); }
    void TearDown() override { hardware->unplug(); }

    test::ScopedTimeScale scale{0.01};
    Scheduler scheduler;
    VirtualReceiver receiver{scheduler, *receiver_kind('A')};
    std::shared_ptr<VirtualMouse> mouse = std::make_shared<VirtualMouse>(scheduler);
    std::shared_ptr<ReceiverHardwareDevice> hardware = ReceiverHardwareDevice::create(receiver);
};

// Reading register 0x02: the receiver answers with the number of paired devices in byte 5.
const Report kReadDeviceCount{0x10, 0xFF, 0x81, 0x02};

TEST_F(SimHardwareDevice, TheReceiverIsOneHidDeviceWithItsOwnIdentity) {
    EXPECT_EQ(hardware->bus_type(), kBusTypeDirectHid);
    EXPECT_EQ(hardware->pid(), 0xB401);
    EXPECT_EQ(hardware->path(), "sim:/hid/receiver-b401");
    EXPECT_EQ(hardware->name(), "Tessaly Receiver");
    EXPECT_EQ(hardware->collection_size(), 20);
    EXPECT_TRUE(hardware->connected());
    EXPECT_EQ(ReceiverHardwareDevice::create(receiver, "sim:/hid/7")->path(), "sim:/hid/7");
}

TEST_F(SimHardwareDevice, WritesAreRoutedByLengthAndPaddedLikeAHidCollection) {
    struct Case {
        std::size_t length;
        ErrorCode code;
        Byte report_id;
        std::size_t written;
    };
    const Case cases[] = {
        {4, ErrorCode::NoError, 0x10, 7},
        {7, ErrorCode::NoError, 0x10, 7},
        {8, ErrorCode::NoError, 0x11, 20},
        {20, ErrorCode::NoError, 0x11, 20},
        {21, ErrorCode::WriteExceedsCollectionSize, 0, 0},
        {0, ErrorCode::WriteTooShort, 0, 0},
    };
    HardwareEvents events(hardware);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << " bytes");
        // A register read that no receiver knows, with its id byte set for the other collection.
        Report report(c.length, 0x5A);
        if (!report.empty()) {
            report[0] = c.length <= 7 ? 0x11 : 0x10;
        }
        std::size_t before = events.writes().size();
        EXPECT_EQ(hardware->write(report, false), c.code == ErrorCode::NoError);
        std::vector<HardwareEvents::Write> writes = events.writes();
        ASSERT_EQ(writes.size(), before + 1) << "one Write event per write";
        const HardwareEvents::Write& write = writes.back();
        EXPECT_EQ(write.code, c.code);
        ASSERT_EQ(write.report.size(), c.written);
        if (c.code != ErrorCode::NoError) {
            EXPECT_EQ(last_error().code, c.code);
            continue;
        }
        EXPECT_EQ(write.report[0], c.report_id);
        EXPECT_TRUE(std::equal(report.begin() + 1, report.end(), write.report.begin() + 1));
        EXPECT_TRUE(std::all_of(write.report.begin() + static_cast<std::ptrdiff_t>(c.length),
                                write.report.end(), [](Byte b) { return b == 0; }));
    }
}

TEST_F(SimHardwareDevice, AnswersArriveOnTheDevicesReadThreadWithTheirCollectionsSize) {
    HardwareEvents events(hardware);
    ASSERT_TRUE(hardware->open());
    ASSERT_TRUE(hardware->write(kReadDeviceCount, true));
    HardwareEvents::Read answer = events.wait_read(
        [](const HardwareEvents::Read& r) { return r.report.size() > 2 && r.report[2] == 0x81; });
    EXPECT_EQ(answer.report, (Report{0x10, 0xFF, 0x81, 0x02, 0x00, 0x01, 0x00}));
    EXPECT_EQ(answer.size, 7u);
    EXPECT_EQ(answer.syserr, 0u);
    EXPECT_FALSE(answer.set_own_index);
    EXPECT_NE(answer.thread, std::this_thread::get_id());

    // Reading the slot bytes: a long register, answered on the long collection.
    ASSERT_TRUE(hardware->write({0x10, 0xFF, 0x83, 0xB3}, true));
    HardwareEvents::Read slots = events.wait_read(
        [](const HardwareEvents::Read& r) { return r.report.size() > 2 && r.report[2] == 0x83; });
    EXPECT_EQ(slots.report.size(), 20u);
    EXPECT_EQ(slots.size, 20u);
}

TEST_F(SimHardwareDevice, ABlockingWriteNeedsTheReadThreadAndIsRefusedOnIt) {
    EXPECT_FALSE(hardware->write(kReadDeviceCount, true));
    EXPECT_EQ(last_error().code, ErrorCode::CannotPerformWriteWithoutReadThreadRunning);

    std::vector<ErrorCode> inside; // written by the read thread, read after the wait
    std::vector<bool> sent;
    HardwareEvents events(hardware, [&](const HardwareEvents::Read& read) {
        if (read.report.size() > 3 && read.report[3] == 0x02 && inside.empty()) {
            sent.push_back(hardware->write(kReadDeviceCount, true));
            inside.push_back(last_error().code);
            sent.push_back(hardware->write({0x10, 0xFF, 0x81, 0x00}, false));
        }
    });
    ASSERT_TRUE(hardware->open());
    ASSERT_TRUE(hardware->write(kReadDeviceCount, false));
    // The non-blocking write from inside the handler is answered: register 0x00.
    events.wait_read([](const HardwareEvents::Read& r) {
        return r.report.size() > 3 && r.report[2] == 0x81 && r.report[3] == 0x00;
    });
    ASSERT_EQ(sent, (std::vector<bool>{false, true}));
    EXPECT_EQ(inside[0], ErrorCode::CannotPerformBlockingWriteOnReadThread);
}

TEST_F(SimHardwareDevice, UnpluggingEndsItLikeAVanishedDevice) {
    HardwareEvents events(hardware);
    ASSERT_TRUE(hardware->open());
    hardware->unplug();
    std::vector<HardwareEvents::Read> reads = events.reads();
    ASSERT_EQ(reads.size(), 1u) << "delivered by the time unplug returns";
    EXPECT_TRUE(reads[0].report.empty());
    EXPECT_EQ(reads[0].syserr, 1167u);
    EXPECT_EQ(reads[0].size, 0u);

    EXPECT_FALSE(hardware->open());
    EXPECT_EQ(last_error().code, ErrorCode::DeviceRemoved);
    EXPECT_FALSE(hardware->write(kReadDeviceCount, false));
    EXPECT_EQ(last_error().code, ErrorCode::DeviceRemoved);
    EXPECT_EQ(events.writes().back().code, ErrorCode::DeviceRemoved);
    EXPECT_FALSE(hardware->verify_connection_following_timeout());
}

TEST_F(SimHardwareDevice, APairedDevicesReportsCarryItsIndex) {
    auto paired = PairedHardwareDevice::attach(hardware, kMouseIndex);
    EXPECT_TRUE(paired->connected());
    EXPECT_EQ(paired->pid(), 0x40A1);
    EXPECT_EQ(paired->bus_type(), kBusTypeReceiver);
    EXPECT_EQ(paired->bus_index(), kMouseIndex);
    EXPECT_EQ(paired->path(), hardware->path() + ":0");

    HardwareEvents events(paired);
    // A ping of the mouse's root feature, built for the device itself (index 0xFF).
    ASSERT_TRUE(paired->write({0x10, 0xFF, 0x00, 0x1C, 0x00, 0x00, 0x5A}, true));
    ASSERT_EQ(events.writes().size(), 1u);
    EXPECT_EQ(events.writes()[0].report, (Report{0x10, kMouseIndex, 0x00, 0x1C, 0x00, 0x00, 0x5A}));
    HardwareEvents::Read answer =
        events.wait_read([](const HardwareEvents::Read& r) { return r.report.size() == 20; });
    EXPECT_EQ(answer.report[1], kMouseIndex);
    EXPECT_EQ(answer.report[3], 0x1C);
    EXPECT_EQ(answer.report[6], 0x5A) << "the mouse answered the ping";
    EXPECT_TRUE(answer.set_own_index);
    EXPECT_EQ(answer.size, 20u);

    auto empty_slot = PairedHardwareDevice::attach(hardware, 2);
    EXPECT_FALSE(empty_slot->connected());
    EXPECT_EQ(empty_slot->pid(), 0);
}

TEST_F(SimHardwareDevice, APairedDeviceIsConnectedWhileTheReceiverSaysSo) {
    auto paired = PairedHardwareDevice::attach(hardware, kMouseIndex);
    HardwareEvents events(paired);

    mouse->set_power(false);
    ASSERT_TRUE(events.wait_links(0, 1));
    EXPECT_FALSE(paired->connected());
    EXPECT_FALSE(paired->write({0x10, 0xFF, 0x00, 0x1C}, false));
    EXPECT_EQ(last_error().code, ErrorCode::NotConnected);
    EXPECT_FALSE(paired->verify_connection_following_timeout());

    mouse->set_power(true);
    ASSERT_TRUE(events.wait_links(1, 1));
    EXPECT_TRUE(paired->connected());
    // The receiver's connection notifications are not the device's reports.
    for (const HardwareEvents::Read& read : events.reads()) {
        EXPECT_NE(read.report[2], 0x41);
    }
    EXPECT_FALSE(paired->verify_connection_following_timeout()) << "no write since the link-down";
    EXPECT_TRUE(paired->write({0x10, 0xFF, 0x00, 0x1C}, false));
    EXPECT_TRUE(paired->verify_connection_following_timeout());

    hardware->unplug();
    EXPECT_EQ(events.disconnects(), 2);
    EXPECT_FALSE(paired->connected());
}

} // namespace
} // namespace devio::sim
