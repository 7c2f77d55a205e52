#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "Source/DevioException.h"
#include "Source/LogBuffer.h"
#include "Source/System/ConfigStore.h"
#include "Source/System/Paths.h"
#include "Source/Vs2003SingletonThreadCleanup.h"
#include "Source/XLogConfig.h"
#include "Source/xLog.h"
#include "XLogTestLog.h"

namespace devio {
namespace {

TEST(ShutdownGuardTest, CallbacksRunOnceInRegistrationOrderWithLateRegistrations) {
    Vs2003SingletonThreadCleanup guard;
    std::vector<int> ran;
    guard.register_callback([&] { ran.push_back(1); });
    guard.register_callback([&] {
        ran.push_back(2);
        guard.register_callback([&] { ran.push_back(3); });
    });
    EXPECT_FALSE(guard.callbacks_ran());
    guard.run_callbacks();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(guard.callbacks_ran());
    guard.run_callbacks();
    EXPECT_EQ(ran.size(), 3u);
}

TEST(ShutdownGuardTest, AboutToJoinReturnsWhileTheGuardIsActive) {
    ASSERT_TRUE(Vs2003SingletonThreadCleanup::instance().present()); // the test environment's
    Vs2003SingletonThreadCleanup::about_to_join();
    SUCCEED();
}

// Runs `body` in a fresh process of this test program whose log uses its own configuration and
// temporary folders.
class ProcessLogTest : public testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

    static void isolate_process_log(const test::TempDir& folder) {
        setenv("XDG_CONFIG_HOME", (folder.path() + "/config").c_str(), 1);
        setenv("TMPDIR", (folder.path() + "/tmp").c_str(), 1);
        std::filesystem::create_directories(folder.path() + "/tmp");
    }
};

TEST_F(ProcessLogTest, AboutToJoinAfterTheCallbacksRanEndsTheProcessWithStatusZero) {
    test::TempDir folder;
    EXPECT_EXIT(
        {
            isolate_process_log(folder);
            Vs2003SingletonThreadCleanup::instance().run_callbacks();
            LogBuffer::shutdown(); // from now on every tag reaches the console
            Vs2003SingletonThreadCleanup::about_to_join();
            std::exit(3);
        },
        testing::ExitedWithCode(0),
        "INFO - Vs2003SingletonThreadCleanup::about_to_join joinable threads after main exited, so "
        "terminating process to avoid VS2003 runtime library crash");
}

// The child's part: logs through the process log and checks its file.
int log_through_the_process_log(const test::TempDir& folder) {
    const std::string key = XLogConfig::key_for(sys::Paths::executable_file_name());
    sys::ConfigStore::user().write_dword(key, "logginglevel", 2);
    xLogWrite("Device", kLogDebug, "devio::Device::open", "from the process log");
    LogBuffer::shutdown();
    bool found_header = false;
    bool found_line = false;
    for (const auto& entry :
         std::filesystem::directory_iterator(folder.path() + "/tmp/xlog_varkon")) {
        for (const std::string& line : test::read_lines(entry.path())) {
            found_header |= line.ends_with(" logginglevel=2 loggingoutput=6 fileLevel=4");
            found_line |= line.ends_with("\tDevice::open from the process log");
        }
    }
    return found_header && found_line ? 0 : 1;
}

TEST_F(ProcessLogTest, ProcessLogReadsTheUserStoreAndWritesTheTemporaryFolder) {
    test::TempDir folder;
    EXPECT_EXIT(
        {
            isolate_process_log(folder);
            std::exit(log_through_the_process_log(folder));
        },
        testing::ExitedWithCode(0), "");
}

TEST(XLogAssertTest, FailedAssertionLogsAndReportsTrue) {
    EXPECT_FALSE(xAssert(true, "x", "file", 1));
    EXPECT_TRUE(xAssert(false, "hMutex_ != NULL", "..\\Source\\NamedMutex", 42));
}

TEST(LastErrorTest, RecordIsPerThreadAndSetAsAWhole) {
    set_last_error(ErrorCode::CreateFileFailed, 2, "CreateFile failed");
    LastError seen_elsewhere;
    std::thread([&] { seen_elsewhere = last_error(); }).join();
    EXPECT_EQ(seen_elsewhere.code, ErrorCode::NoError);
    EXPECT_EQ(seen_elsewhere.message, nullptr);
    EXPECT_EQ(last_error().code, ErrorCode::CreateFileFailed);
    EXPECT_EQ(last_error().syserr, 2u);
    EXPECT_STREQ(last_error().message, "CreateFile failed");

    try {
        throw DevioException(ErrorCode::WindowCreationFailed, 5, "could not create window");
    } catch (const DevioException& error) {
        EXPECT_STREQ(error.what(), "could not create window");
        error.store_as_last_error();
    }
    EXPECT_EQ(last_error().code, ErrorCode::WindowCreationFailed);
    EXPECT_EQ(last_error().syserr, 5u);
}

TEST(LastErrorTest, DeviceErrorCodesMapOntoTheirRanges) {
    EXPECT_EQ(to_underlying(rap10_error(0)), 8u);
    EXPECT_EQ(to_underlying(rap10_error(12)), 20u);
    EXPECT_EQ(rap10_error(13), ErrorCode::Rap10ErrorUnknown);
    EXPECT_EQ(to_underlying(rap20_error(2)), 46u);
    EXPECT_EQ(to_underlying(rap20_error(9)), 53u);
    EXPECT_EQ(rap20_error(10), ErrorCode::Rap20ErrorUnknown);
}

} // namespace
} // namespace devio
