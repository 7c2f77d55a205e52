#include "Source/Windows/Win32Device.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Win32Harness.h"
#include "support/WaitFor.h"

namespace devio {
namespace {

using sim::HidCollectionDescription;
using sim::VirtualHidSystem;
using sim::WriteFault;
using test::DeviceRecorder;
using test::WrittenReports;

class Win32DeviceTest : public test::Win32Fixture {};

TEST_F(Win32DeviceTest, WritesArePaddedToTheCollectionAndCarryItsReportId) {
    std::shared_ptr<Win32Device> device = open_device(rap_collection(2));
    WrittenReports written;
    system->set_write_handler(rap_collection(2).path, written.handler());
    DeviceRecorder recorder;
    recorder.listen(device, false);

    std::vector<Byte> padded(20, 0);
    padded[0] = 0x11;
    padded[1] = 0xFF;
    padded[2] = 0x81;
    struct Case {
        std::vector<Byte> report;
        ErrorCode code;
        std::vector<Byte> event_report;
    };
    std::vector<Case> cases = {
        {{0x10, 0xFF, 0x81, 0, 0, 0, 0}, ErrorCode::NoError, padded},
        {std::vector<Byte>(21, 0x11), ErrorCode::WriteExceedsCollectionSize, {}},
        {{}, ErrorCode::WriteTooShort, {}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(device->write(cases[i].report, false), cases[i].code == ErrorCode::NoError);
        if (cases[i].code != ErrorCode::NoError) {
            EXPECT_EQ(last_error().code, cases[i].code);
        }
        auto events = recorder.writes();
        ASSERT_EQ(events.size(), i + 1) << "one Write event per write";
        EXPECT_EQ(events[i].code, cases[i].code);
        EXPECT_EQ(events[i].report, cases[i].event_report);
    }
    EXPECT_EQ(written.reports(), (std::vector<sim::Report>{padded}));
}

TEST_F(Win32DeviceTest, AcceptsOnlyTheMakersRapCollections) {
    struct Case {
        const char* what;
        uint16_t vendor_id;
        uint16_t usage_page;
        uint16_t usage;
        ErrorCode code;
        int bit;    // when accepted
        int needed; // when accepted
    };
    const Case cases[] = {
        {"short RAP collection", Win32Device::kVarkonVendorId, 0xFF00, 1, ErrorCode::NoError, 1, 3},
        {"piece 2 of 2 and 4", Win32Device::kVarkonVendorId, 0xFF43, 0x0602, ErrorCode::NoError, 2,
         6},
        {"two piece bits", Win32Device::kVarkonVendorId, 0xFF43, 0x0603,
         ErrorCode::UnsupportedCollection, 0, 0},
        {"bit outside the mask", Win32Device::kVarkonVendorId, 0xFF43, 0x0401,
         ErrorCode::UnsupportedCollection, 0, 0},
        {"other usage on the RAP page", Win32Device::kVarkonVendorId, 0xFF00, 3,
         ErrorCode::UnsupportedCollection, 0, 0},
        {"not a vendor page", Win32Device::kVarkonVendorId, 0x0001, 2,
         ErrorCode::NotVendorUsagePage, 0, 0},
        {"another maker", 0x1234, 0xFF00, 2, ErrorCode::ForeignDevice, 0, 0},
    };
    unsigned location = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HidCollectionDescription description = sim::vendor_collection(
            c.vendor_id, 0x5678, c.usage_page, c.usage, 0x11, 20, location++, 1);
        ASSERT_TRUE(system->plug(description));
        std::shared_ptr<Win32Device> device = device_for(description.path);
        EXPECT_EQ(device->open(), c.code == ErrorCode::NoError);
        if (c.code != ErrorCode::NoError) {
            EXPECT_EQ(last_error().code, c.code);
            continue;
        }
        EXPECT_EQ(device->collection_bit(), c.bit);
        EXPECT_EQ(device->collections_needed(), c.needed);
        EXPECT_EQ(device->group_key(), description.parent_instance);
        device->close();
    }
    EXPECT_EQ(last_error().syserr, 0x5678u) << "a foreign device reports its product ID";

    HidCollectionDescription two_outputs = rap_collection(2, 20);
    two_outputs.outputs.push_back({0x12, true});
    HidCollectionDescription unequal = rap_collection(2, 21);
    unequal.input_length = 7;
    for (const HidCollectionDescription& description : {two_outputs, unequal}) {
        ASSERT_TRUE(system->plug(description));
        EXPECT_FALSE(device_for(description.path)->open());
        EXPECT_EQ(last_error().code, ErrorCode::UnsupportedCollection);
    }
    EXPECT_EQ(system->open_handles(), 0u) << "refused collections leave nothing open";
}

TEST_F(Win32DeviceTest, TheLongCollectionOfOneProductIsWholeByItself) {
    HidCollectionDescription description =
        rap_collection(2, 1, Win32Device::kSelfSufficientProductId);
    std::shared_ptr<Win32Device> device = open_device(description);
    EXPECT_EQ(device->collection_bit(), 2);
    EXPECT_EQ(device->collections_needed(), 2);
    EXPECT_EQ(device->group_key(), description.path);
    EXPECT_EQ(device->collection_size(), 20);
    EXPECT_EQ(device->pid(), Win32Device::kSelfSufficientProductId);
    EXPECT_EQ(device->name(), "Test Receiver");
}

TEST_F(Win32DeviceTest, AFailedOpenLeavesTheDeviceClosedAndTheNextOpenStartsAfresh) {
    struct Case {
        VirtualHidSystem::Call call;
        ErrorCode code;
        uint32_t syserr;
    };
    const Case cases[] = {
        {VirtualHidSystem::Call::CreateFile, ErrorCode::CreateFileFailed, ERROR_ACCESS_DENIED},
        {VirtualHidSystem::Call::GetAttributes, ErrorCode::GetAttributesFailed, ERROR_GEN_FAILURE},
        {VirtualHidSystem::Call::GetPreparsedData, ErrorCode::GetPreparsedDataFailed,
         ERROR_GEN_FAILURE},
        {VirtualHidSystem::Call::GetCaps, ErrorCode::GetCapsFailed, 0},
        {VirtualHidSystem::Call::GetValueCaps, ErrorCode::GetCapsFailed, ERROR_GEN_FAILURE},
        {VirtualHidSystem::Call::RegisterDeviceNotification, ErrorCode::RegisterNotificationFailed,
         ERROR_GEN_FAILURE},
    };
    ASSERT_TRUE(system->plug(rap_collection(2)));
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.call));
        std::shared_ptr<Win32Device> device = device_for(rap_collection(2).path);
        system->fail_next(c.call, c.syserr == 0 ? ERROR_GEN_FAILURE : c.syserr);
        EXPECT_FALSE(device->open());
        EXPECT_EQ(last_error().code, c.code);
        EXPECT_EQ(last_error().syserr, c.syserr);
        EXPECT_EQ(system->open_handles(), 0u);
        EXPECT_EQ(system->open_files(rap_collection(2).path), 0u);
        EXPECT_TRUE(device->open());
        device->close();
    }
    EXPECT_FALSE(device_for("")->open());
    EXPECT_EQ(last_error().code, ErrorCode::NoDevicePath);

    system->fail_next(VirtualHidSystem::Call::GetProductString, ERROR_GEN_FAILURE);
    std::shared_ptr<Win32Device> nameless = device_for(rap_collection(2).path);
    EXPECT_TRUE(nameless->open()) << "a missing product string does not fail the open";
    EXPECT_EQ(nameless->name(), "");
}

TEST_F(Win32DeviceTest, ReadsReachSubscribersAndBlockingWritesNeedAnotherThread) {
    std::shared_ptr<Win32Device> device = open_device(rap_collection(2));
    EXPECT_FALSE(device->write({0x11, 0xFF}, true)) << "no read thread yet";
    EXPECT_EQ(last_error().code, ErrorCode::CannotPerformWriteWithoutReadThreadRunning);

    std::atomic<bool> blocking_written{true};
    std::atomic<bool> plain_written{false};
    std::atomic<ErrorCode> blocking_error{ErrorCode::NoError};
    DeviceRecorder recorder;
    recorder.on_read = [&](const DeviceRecorder::ReadEvent&) {
        blocking_written = device->write({0x11, 0xFF, 0x01}, true);
        blocking_error = last_error().code;
        plain_written = device->write({0x11, 0xFF, 0x02}, false);
    };
    recorder.listen(device);
    sim::Report report(20, 0x11);
    ASSERT_TRUE(system->send_to_host(rap_collection(2).path, report));
    DeviceRecorder::ReadEvent read = recorder.read(1);
    EXPECT_EQ(read.report, report);
    EXPECT_EQ(read.syserr, 0u);
    EXPECT_EQ(read.size, 20u);
    EXPECT_FALSE(blocking_written);
    EXPECT_EQ(blocking_error.load(), ErrorCode::CannotPerformBlockingWriteOnReadThread);
    EXPECT_TRUE(plain_written);
    EXPECT_TRUE(device->write({0x11, 0xFF, 0x03}, true)) << "from another thread while reading";
}

TEST_F(Win32DeviceTest, WriteFaultsEndInTheirCodes) {
    std::shared_ptr<Win32Device> device = open_device(rap_collection(2));
    DeviceRecorder recorder;
    recorder.listen(device, false);
    test::ScopedTimeScale scale_down(0.01); // the hanging write's time-out elapses
    struct Case {
        WriteFault fault;
        ErrorCode code;
        uint32_t syserr;
    };
    const Case cases[] = {
        {{WriteFault::Kind::Hang, 0}, ErrorCode::WriteTimeout, 0},
        {{WriteFault::Kind::FailAtOnce, ERROR_INVALID_PARAMETER},
         ErrorCode::WriteError,
         ERROR_INVALID_PARAMETER},
        {{WriteFault::Kind::FailOnCompletion, ERROR_GEN_FAILURE},
         ErrorCode::DeviceNotFunctioning,
         ERROR_GEN_FAILURE},
        {{WriteFault::Kind::None, 0}, ErrorCode::NoError, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(to_underlying(c.code));
        system->set_write_fault(rap_collection(2).path, c.fault);
        EXPECT_EQ(device->write({0x11, 0xFF, 0x81}, false), c.code == ErrorCode::NoError);
        auto event = recorder.writes().back();
        EXPECT_EQ(event.code, c.code);
        EXPECT_EQ(event.syserr, c.syserr);
        EXPECT_EQ(event.report.size(), 20u) << "the transfer was tried";
    }
}

TEST_F(Win32DeviceTest, UnplugWhileReadingEndsTheReadThreadAndIsAnnouncedOnce) {
    test::PlugRecorder plugs;
    ASSERT_TRUE(plugs.subscribe(bus, DeliverDirect, "test"));
    std::shared_ptr<Win32Device> device = open_device(rap_collection(2));
    DeviceRecorder recorder;
    recorder.listen(device);
    ASSERT_TRUE(test::wait_for([&] { return system->pending_reads(rap_collection(2).path) == 1; }));

    ASSERT_TRUE(system->unplug(rap_collection(2).path));
    DeviceRecorder::ReadEvent read = recorder.read(1);
    EXPECT_TRUE(read.report.empty());
    EXPECT_EQ(read.syserr, ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(read.size, 0u);
    // Both the read thread and the removal message report the path; it is announced once.
    EXPECT_EQ(plugs.unplugs_of(rap_collection(2).path), 1);
    EXPECT_FALSE(device->open());
    EXPECT_EQ(last_error().code, ErrorCode::DeviceRemoved);
    EXPECT_FALSE(device->write({0x11}, false));
    EXPECT_EQ(recorder.writes().back().code, ErrorCode::DeviceRemoved);
    EXPECT_EQ(recorder.read_count(), 1u);
    device->close();
    EXPECT_EQ(system->open_handles(), 0u);
}

TEST_F(Win32DeviceTest, ReadHandlerMayCloseOrDropItsDevice) {
    std::shared_ptr<Win32Device> device = open_device(rap_collection(2));
    DeviceRecorder closer;
    closer.on_read = [&](const DeviceRecorder::ReadEvent&) { device->close(); };
    closer.listen(device);
    ASSERT_TRUE(system->send_to_host(rap_collection(2).path, sim::Report(20, 0x11)));
    closer.read(1);
    EXPECT_TRUE(test::wait_for([&] { return system->open_handles() == 0; }));
    EXPECT_EQ(closer.read_count(), 1u);

    // The handler drops the last reference: the device dies on its own read thread.
    std::shared_ptr<Win32Device> dropped = open_device(rap_collection(2, 2));
    std::atomic<bool> dropped_in_handler{false};
    auto dropper = std::make_unique<DeviceRecorder>();
    dropper->on_read = [&](const DeviceRecorder::ReadEvent&) {
        dropped.reset();
        dropped_in_handler = true;
    };
    dropper->listen(dropped);
    ASSERT_TRUE(system->send_to_host(rap_collection(2, 2).path, sim::Report(20, 0x11)));
    EXPECT_TRUE(test::wait_for([&] { return dropped_in_handler && system->open_handles() == 0; }));
}

} // namespace
} // namespace devio
