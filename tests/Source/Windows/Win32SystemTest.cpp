#include "Source/Windows/Win32System.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "Source/Log/DevioException.h"
#include "Source/System/Clock.h"
#include "Source/Windows/Win32SystemChoice.h"
#include "support/SeamWindow.h"

namespace devio {
namespace {

class Win32SystemTest : public ::testing::Test {
protected:
    Win32SystemTest() { sys::Clock::set_time_scale(0.01); }
    ~Win32SystemTest() override {
        for (HANDLE event : events_) {
            system.CloseHandle(event);
        }
    }

    HANDLE event(bool manual_reset, bool signalled = false) {
        HANDLE made = system.CreateEventW(nullptr, manual_reset, signalled, nullptr);
        events_.push_back(made);
        return made;
    }

    Win32System system;

private:
    std::vector<HANDLE> events_;
};

TEST_F(Win32SystemTest, AutoResetEventsAreConsumedByTheWaitTheySatisfy) {
    HANDLE automatic = event(false, true);
    HANDLE manual = event(true, true);
    EXPECT_EQ(system.WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_EQ(system.WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
    EXPECT_EQ(system.WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(system.WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(system.ResetEvent(manual));
    EXPECT_EQ(system.WaitForSingleObject(manual, 100), WAIT_TIMEOUT) << "a scaled time-out";
}

TEST_F(Win32SystemTest, WaitForMultipleObjectsReportsTheFirstSignalledOrWaitsForAll) {
    HANDLE events[3] = {event(false), event(false, true), event(false, true)};
    EXPECT_EQ(system.WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(system.WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 2)
        << "only the reported event was consumed";
    EXPECT_EQ(system.WaitForMultipleObjects(3, events, TRUE, 0), WAIT_TIMEOUT);

    std::thread setter([&] {
        for (HANDLE e : events) {
            system.SetEvent(e);
        }
    });
    EXPECT_EQ(system.WaitForMultipleObjects(3, events, TRUE, INFINITE), WAIT_OBJECT_0);
    setter.join();
    EXPECT_EQ(system.WaitForMultipleObjects(3, events, FALSE, 0), WAIT_TIMEOUT)
        << "a satisfied wait for all consumes all";

    HANDLE closed = system.CreateEventW(nullptr, FALSE, TRUE, nullptr);
    ASSERT_TRUE(system.CloseHandle(closed));
    EXPECT_FALSE(system.CloseHandle(closed));
    EXPECT_EQ(system.WaitForSingleObject(closed, 0), WAIT_FAILED);
    EXPECT_EQ(system.GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(Win32SystemTest, WindowsAnswerSentMessagesOnTheirOwnThread) {
    std::atomic<std::thread::id> ran_on;
    test::SeamWindow window(system, [&](const test::SeamWindow::Change& change) -> LRESULT {
        ran_on = std::this_thread::get_id();
        return change.event == 0x7777 ? 42 : 0;
    });
    ASSERT_NE(window.window(), HWND{});
    DWORD_PTR answer = 0;
    EXPECT_NE(system.SendMessageTimeoutW(window.window(), WM_DEVICECHANGE, 0x7777, 0, SMTO_BLOCK,
                                         5000, &answer),
              0);
    EXPECT_EQ(answer, 42u);
    EXPECT_EQ(ran_on.load(), window.thread_id());
    EXPECT_EQ(window.changes().size(), 1u);

    window.close();
    EXPECT_EQ(system.SendMessageTimeoutW(window.window(), WM_DEVICECHANGE, 0, 0, SMTO_BLOCK, 5000,
                                         &answer),
              0);
    EXPECT_EQ(system.GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(Win32SystemTest, WithoutDeviceLibrariesDeviceCallsFailAsTheLoaderReports) {
    GUID hid_class;
    try {
        system.HidD_GetHidGuid(&hid_class);
        ADD_FAILURE() << "hid.dll is not on this platform";
    } catch (const DevioException& e) {
        EXPECT_EQ(e.code(), ErrorCode::SystemFunctionMissing);
        EXPECT_STREQ(e.message(), "LoadLibrary hid.dll failed");
    }
    EXPECT_THROW(system.CM_Get_Parent(nullptr, 0, 0), DevioException);
    EXPECT_EQ(system.CreateFileW(u"\\\\?\\hid#x", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OVERLAPPED, HANDLE{}),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(system.GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(system.setupdi_instance_from_path("\\\\?\\hid#x"), "") << "helpers do not throw";

    test::SeamWindow window(system);
    HANDLE not_a_file = event(false);
    EXPECT_EQ(window.register_handle(not_a_file), HDEVNOTIFY{});
    EXPECT_EQ(system.GetLastError(), ERROR_INVALID_HANDLE);
    HDEVNOTIFY interface = window.register_interface(GUID_BTHPORT_DEVICE_INTERFACE);
    EXPECT_NE(interface, HDEVNOTIFY{});
    EXPECT_EQ(system.device_notifications(), 1u);
    EXPECT_TRUE(system.UnregisterDeviceNotification(interface));
    EXPECT_FALSE(system.UnregisterDeviceNotification(interface));
}

TEST(Win32SystemChoiceTest, BussesGetTheChosenSystemOrThePlatformsOwn) {
    auto chosen = std::make_shared<Win32System>();
    Win32SystemChoice::choose([chosen] { return chosen; });
    EXPECT_EQ(Win32SystemChoice::make(), chosen);
    Win32SystemChoice::choose({});
    std::shared_ptr<Win32System> own = Win32SystemChoice::make();
    ASSERT_NE(own, nullptr);
    EXPECT_NE(own, chosen);
}

} // namespace
} // namespace devio
