#include "sim/VirtualHidSystem.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Source/Log/DevioException.h"
#include "Source/System/Clock.h"
#include "Source/Windows/InterfaceDetail.h"
#include "Source/Windows/WideText.h"
#include "sim/VirtualReceiver.h"
#include "support/SeamWindow.h"

namespace devio::sim {
namespace {

using test::SeamWindow;

constexpr DWORD kWaitMs = 10000; // only ends a test that would otherwise hang

// A file open on a collection with its own events and records, as the HID device uses one.
class OpenFile {
public:
    OpenFile(VirtualHidSystem& system, const std::string& path) : system_(system) {
        handle = system.CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, HANDLE{});
        read.hEvent = system.CreateEventW(nullptr, FALSE, FALSE, nullptr);
        write.hEvent = system.CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }
    ~OpenFile() {
        if (handle != INVALID_HANDLE_VALUE) {
            system_.CloseHandle(handle);
        }
        system_.CloseHandle(read.hEvent);
        system_.CloseHandle(write.hEvent);
    }

    // Starts a read; true when it is pending.
    bool start_read() {
        buffer.assign(64, 0);
        return !system_.ReadFile(handle, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr,
                                 &read) &&
               system_.GetLastError() == ERROR_IO_PENDING;
    }
    // Waits for the pending read; the report read, or empty with `error` set.
    Report finish_read(DWORD* error = nullptr) {
        DWORD length = 0;
        bool done = system_.WaitForSingleObject(read.hEvent, kWaitMs) == WAIT_OBJECT_0 &&
                    system_.GetOverlappedResult(handle, &read, &length, FALSE);
        if (error != nullptr) {
            *error = done ? ERROR_SUCCESS : system_.GetLastError();
        }
        return done ? Report(buffer.begin(), buffer.begin() + length) : Report{};
    }
    // Writes and waits for the outcome: 0 or the write's error.
    DWORD write_report(const Report& report) {
        if (!system_.WriteFile(handle, report.data(), static_cast<DWORD>(report.size()), nullptr,
                               &write) &&
            system_.GetLastError() != ERROR_IO_PENDING) {
            return system_.GetLastError();
        }
        DWORD length = 0;
        if (system_.WaitForSingleObject(write.hEvent, kWaitMs) != WAIT_OBJECT_0) {
            return WAIT_TIMEOUT;
        }
        return system_.GetOverlappedResult(handle, &write, &length, FALSE) ? ERROR_SUCCESS
                                                                           : system_.GetLastError();
    }

    HANDLE handle;
    OVERLAPPED read;
    OVERLAPPED write;
    std::vector<BYTE> buffer;

private:
    VirtualHidSystem& system_;
};

class SimHidSystem : public ::testing::Test {
protected:
    SimHidSystem() { sys::Clock::set_time_scale(0.01); }

    // A vendor collection of 20-byte reports with report id 0x11.
    static HidCollectionDescription collection(unsigned location = 1) {
        return vendor_collection(0x1234, 0x5678, 0xFF00, 2, 0x11, 20, location, 1);
    }
    static Report report(Byte first_body_byte) {
        Report r(20, 0);
        r[0] = 0x11;
        r[1] = first_body_byte;
        return r;
    }

    // The paths that a fresh enumeration of the HID class lists.
    std::vector<std::string> enumerate() {
        GUID hid_class;
        system->HidD_GetHidGuid(&hid_class);
        HDEVINFO set = system->SetupDiGetClassDevsW(&hid_class, nullptr, HWND{},
                                                    DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        std::vector<std::string> paths;
        SP_DEVICE_INTERFACE_DATA data;
        for (DWORD i = 0; system->SetupDiEnumDeviceInterfaces(set, nullptr, &hid_class, i, &data);
             ++i) {
            std::string path;
            EXPECT_EQ(read_interface_path(*system, set, &data, &path), InterfaceDetailResult::Read);
            paths.push_back(path);
        }
        EXPECT_EQ(system->GetLastError(), ERROR_NO_MORE_ITEMS);
        EXPECT_TRUE(system->SetupDiDestroyDeviceInfoList(set));
        return paths;
    }

    std::shared_ptr<VirtualHidSystem> system = std::make_shared<VirtualHidSystem>();
};

TEST_F(SimHidSystem, ReceiverAppearsAsTwoVendorCollectionsUnderOneParent) {
    Scheduler scheduler;
    VirtualReceiver receiver(scheduler, *receiver_kind('B'));
    std::vector<std::string> paths = system->plug(receiver);
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(enumerate(), paths);

    struct Expected {
        USAGE usage;
        USHORT length;
        UCHAR report_id;
    };
    std::array<Expected, 2> expected = {{{1, 7, 0x10}, {2, 20, 0x11}}};
    std::vector<std::string> parents;
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(paths[i]);
        OpenFile file(*system, paths[i]);
        ASSERT_NE(file.handle, INVALID_HANDLE_VALUE);
        HIDD_ATTRIBUTES attributes;
        ASSERT_TRUE(system->HidD_GetAttributes(file.handle, &attributes));
        EXPECT_EQ(attributes.VendorID, 0x3A7C);
        EXPECT_EQ(attributes.ProductID, 0xB402);

        PHIDP_PREPARSED_DATA data{};
        ASSERT_TRUE(system->HidD_GetPreparsedData(file.handle, &data));
        HIDP_CAPS caps;
        ASSERT_EQ(system->HidP_GetCaps(data, &caps), HIDP_STATUS_SUCCESS);
        EXPECT_EQ(caps.UsagePage, 0xFF00);
        EXPECT_EQ(caps.Usage, expected[i].usage);
        EXPECT_EQ(caps.InputReportByteLength, expected[i].length);
        EXPECT_EQ(caps.OutputReportByteLength, expected[i].length);
        EXPECT_EQ(caps.NumberOutputValueCaps + caps.NumberOutputButtonCaps, 1);
        EXPECT_EQ(caps.NumberInputValueCaps + caps.NumberInputButtonCaps, 1);
        HIDP_VALUE_CAPS value;
        USHORT count = 1;
        ASSERT_EQ(system->HidP_GetValueCaps(HidP_Output, &value, &count, data),
                  HIDP_STATUS_SUCCESS);
        EXPECT_EQ(count, 1);
        EXPECT_EQ(value.ReportID, expected[i].report_id);
        EXPECT_TRUE(system->HidD_FreePreparsedData(data));

        std::array<WCHAR, 126> product{};
        ASSERT_TRUE(system->HidD_GetProductString(file.handle, product.data(), 252));
        EXPECT_EQ(narrow(product.data()), "Tessaly Receiver");

        parents.push_back(system->setupdi_parent(system->setupdi_instance_from_path(paths[i])));
        EXPECT_EQ(system->setupdi_path_from_instance(system->setupdi_instance_from_path(paths[i])),
                  paths[i]);
    }
    EXPECT_FALSE(parents[0].empty());
    EXPECT_EQ(parents[0], parents[1]);
    EXPECT_EQ(system->open_handles(), 0u) << "every file, event, set and parsed data released";
    system->unplug(receiver);
    EXPECT_TRUE(enumerate().empty());
}

TEST_F(SimHidSystem, ReceiverAnswersOverlappedWritesThroughPendingReads) {
    Scheduler scheduler;
    VirtualReceiver receiver(scheduler, *receiver_kind('A'));
    std::vector<std::string> paths = system->plug(receiver);
    ASSERT_EQ(paths.size(), 2u);
    OpenFile file(*system, paths[0]);
    ASSERT_TRUE(file.start_read());

    Report read_register_two = rap::short_report(rap::kOwnIndex, rap::kReadShortRegister, 0x02);
    EXPECT_EQ(file.write_report(read_register_two), ERROR_SUCCESS);
    Report answer = file.finish_read();
    ASSERT_EQ(answer.size(), 7u);
    EXPECT_EQ(answer[0], 0x10);
    EXPECT_EQ(answer[2], rap::kReadShortRegister);
    EXPECT_EQ(answer[3], 0x02);

    EXPECT_EQ(file.write_report(Report(20, 0x10)), ERROR_INVALID_PARAMETER)
        << "a report that is not of the collection's output length";
    system->unplug(receiver);
}

TEST_F(SimHidSystem, ReportsArrivingWhileNoReadIsPendingAreQueuedPerFile) {
    ASSERT_TRUE(system->plug(collection()));
    OpenFile first(*system, collection().path);
    OpenFile second(*system, collection().path);
    for (Byte i = 0; i <= VirtualCollection::kInputBuffers; ++i) {
        ASSERT_TRUE(system->send_to_host(collection().path, report(i)));
    }
    EXPECT_FALSE(system->send_to_host(collection().path, Report(7, 0x11))) << "wrong length";

    for (OpenFile* file : {&first, &second}) {
        DWORD length = 0;
        file->buffer.assign(20, 0);
        ASSERT_TRUE(system->ReadFile(file->handle, file->buffer.data(), 20, &length, &file->read))
            << "completes at once from the queue";
        EXPECT_EQ(length, 20u);
        EXPECT_EQ(file->buffer[1], 1) << "the oldest report was dropped from a full queue";
    }
    std::vector<BYTE> small(19);
    EXPECT_FALSE(system->ReadFile(first.handle, small.data(), 19, nullptr, &first.read));
    EXPECT_EQ(system->GetLastError(), ERROR_INVALID_USER_BUFFER);
}

TEST_F(SimHidSystem, WriteFaultsHangOrFailWithTheChosenError) {
    ASSERT_TRUE(system->plug(collection()));
    std::vector<Report> written;
    system->set_write_handler(collection().path, [&](const Report& r) { written.push_back(r); });
    OpenFile file(*system, collection().path);

    EXPECT_EQ(file.write_report(report(1)), ERROR_SUCCESS);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0], report(1));

    struct Case {
        WriteFault fault;
        DWORD expected;
    };
    for (Case c : {Case{{WriteFault::Kind::FailAtOnce, ERROR_GEN_FAILURE}, ERROR_GEN_FAILURE},
                   Case{{WriteFault::Kind::FailOnCompletion, 1117}, 1117}}) {
        system->set_write_fault(collection().path, c.fault);
        EXPECT_EQ(file.write_report(report(2)), c.expected);
    }

    system->set_write_fault(collection().path, {WriteFault::Kind::Hang, 0});
    ASSERT_FALSE(system->WriteFile(file.handle, report(3).data(), 20, nullptr, &file.write));
    ASSERT_EQ(system->GetLastError(), ERROR_IO_PENDING);
    EXPECT_EQ(system->WaitForSingleObject(file.write.hEvent, 100), WAIT_TIMEOUT);
    EXPECT_TRUE(system->CancelIoEx(file.handle, &file.write));
    EXPECT_EQ(system->WaitForSingleObject(file.write.hEvent, 0), WAIT_OBJECT_0);
    DWORD length = 0;
    EXPECT_FALSE(system->GetOverlappedResult(file.handle, &file.write, &length, FALSE));
    EXPECT_EQ(system->GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_FALSE(system->CancelIoEx(file.handle, &file.write)) << "nothing left to cancel";
    EXPECT_EQ(written.size(), 1u) << "failed and hung writes never reach the device";
}

TEST_F(SimHidSystem, UnplugEndsPendingReadsAndIsAnnouncedToRegisteredWindows) {
    SeamWindow window(*system);
    ASSERT_NE(window.register_interface(VirtualHidSystem::kHidClass), HDEVNOTIFY{});
    ASSERT_TRUE(system->plug(collection()));
    OpenFile file(*system, collection().path);
    HDEVNOTIFY notification = window.register_handle(file.handle);
    ASSERT_NE(notification, HDEVNOTIFY{});
    ASSERT_TRUE(file.start_read());

    ASSERT_TRUE(system->unplug(collection().path));
    DWORD error = 0;
    EXPECT_TRUE(file.finish_read(&error).empty());
    EXPECT_EQ(error, ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_FALSE(file.start_read());
    EXPECT_EQ(system->GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    HIDD_ATTRIBUTES attributes;
    EXPECT_FALSE(system->HidD_GetAttributes(file.handle, &attributes));
    EXPECT_EQ(system->GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    OpenFile again(*system, collection().path);
    EXPECT_EQ(again.handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(system->GetLastError(), ERROR_FILE_NOT_FOUND);

    auto changes = window.changes(); // the send returned only once the window had handled it
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].event, DBT_DEVICEARRIVAL);
    EXPECT_EQ(changes[0].type, DBT_DEVTYP_DEVICEINTERFACE);
    EXPECT_EQ(changes[0].path, collection().path);
    EXPECT_EQ(changes[1].event, DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(changes[1].type, DBT_DEVTYP_HANDLE);
    EXPECT_EQ(changes[1].handle, file.handle);
    EXPECT_EQ(changes[1].notification, notification);
    EXPECT_EQ(changes[2].event, DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(changes[2].type, DBT_DEVTYP_DEVICEINTERFACE);
    EXPECT_EQ(changes[2].interface_class, VirtualHidSystem::kHidClass);
    EXPECT_EQ(changes[2].path, collection().path);
    EXPECT_TRUE(system->UnregisterDeviceNotification(notification));
}

TEST_F(SimHidSystem, RemovalQueryLetsHandleHoldersCloseOrRefuse) {
    ASSERT_TRUE(system->plug(collection()));
    OpenFile file(*system, collection().path);
    bool refuse = false;
    SeamWindow window(*system, [&](const SeamWindow::Change& change) -> LRESULT {
        if (change.event != DBT_DEVICEQUERYREMOVE) {
            return TRUE;
        }
        if (refuse) {
            return BROADCAST_QUERY_DENY;
        }
        system->CloseHandle(change.handle); // as the system asks the owner to
        return TRUE;
    });
    ASSERT_NE(window.register_handle(file.handle), HDEVNOTIFY{});
    ASSERT_TRUE(file.start_read());

    refuse = true;
    EXPECT_FALSE(system->query_removal(collection().path));
    refuse = false;
    EXPECT_TRUE(system->query_removal(collection().path));
    DWORD error = 0;
    EXPECT_TRUE(file.finish_read(&error).empty());
    EXPECT_EQ(error, ERROR_OPERATION_ABORTED) << "closing the handle ends its pending read";
    EXPECT_FALSE(system->CloseHandle(file.handle)) << "already closed";
    file.handle = INVALID_HANDLE_VALUE;

    std::vector<DWORD> events;
    for (const auto& change : window.changes()) {
        events.push_back(change.event);
    }
    EXPECT_EQ(events, (std::vector<DWORD>{DBT_DEVICEQUERYREMOVE, DBT_DEVICEQUERYREMOVEFAILED,
                                          DBT_DEVICEQUERYREMOVE}));
    EXPECT_EQ(system->paths().size(), 1u) << "a granted query does not remove the collection";
}

TEST_F(SimHidSystem, RefusalPathsCollectionsAndInjectedFailures) {
    HidCollectionDescription two_outputs = collection(2);
    two_outputs.outputs.push_back({0x12, true});
    two_outputs.output_length = 7;
    ASSERT_TRUE(system->plug(two_outputs));
    EXPECT_FALSE(system->plug(two_outputs)) << "path plugged already";
    OpenFile file(*system, two_outputs.path);
    PHIDP_PREPARSED_DATA data{};
    ASSERT_TRUE(system->HidD_GetPreparsedData(file.handle, &data));
    HIDP_CAPS caps;
    ASSERT_EQ(system->HidP_GetCaps(data, &caps), HIDP_STATUS_SUCCESS);
    EXPECT_EQ(caps.NumberOutputValueCaps, 1);
    EXPECT_EQ(caps.NumberOutputButtonCaps, 1);
    EXPECT_NE(caps.InputReportByteLength, caps.OutputReportByteLength);
    HIDP_BUTTON_CAPS button;
    USHORT count = 0;
    EXPECT_EQ(system->HidP_GetButtonCaps(HidP_Output, &button, &count, data),
              HIDP_STATUS_BUFFER_TOO_SMALL);
    count = 1;
    EXPECT_EQ(system->HidP_GetButtonCaps(HidP_Output, &button, &count, data), HIDP_STATUS_SUCCESS);
    EXPECT_EQ(button.ReportID, 0x12);
    system->HidD_FreePreparsedData(data);

    system->fail_next(VirtualHidSystem::Call::GetAttributes, ERROR_GEN_FAILURE);
    HIDD_ATTRIBUTES attributes;
    EXPECT_FALSE(system->HidD_GetAttributes(file.handle, &attributes));
    EXPECT_EQ(system->GetLastError(), ERROR_GEN_FAILURE);
    EXPECT_TRUE(system->HidD_GetAttributes(file.handle, &attributes)) << "the fault was one-shot";

    system->set_library_missing(Win32Library::SetupApi);
    try {
        system->SetupDiCreateDeviceInfoList(nullptr, HWND{});
        ADD_FAILURE() << "a missing library throws";
    } catch (const DevioException& e) {
        EXPECT_EQ(e.code(), ErrorCode::SystemFunctionMissing);
        EXPECT_STREQ(e.message(), "LoadLibrary setupapi.dll failed");
    }
    EXPECT_THROW(system->BluetoothGetDeviceInfo(HANDLE{}, nullptr), DevioException)
        << "the virtual machine has no Bluetooth stack";
}

} // namespace
} // namespace devio::sim
