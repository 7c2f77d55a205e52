#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <thread>

#include "Source/Log/DevioException.h"
#include "Source/Log/LogBuffer.h"
#include "Source/Log/Vs2003SingletonThreadCleanup.h"
#include "Source/Log/XLogConfig.h"
#include "Source/Log/xLog.h"
#include "Source/System/ConfigStore.h"
#include "Source/System/Paths.h"
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

// Tests that run in a fresh process of this test program, whose log uses configuration and
// temporary folders of its own (the child inherits the environment set here).
class ProcessLogTest : public testing::Test {
protected:
    // Exit status of a child that ran to its end; the guard's about_to_join exits with 0.
    static constexpr int kRanToEnd = 7;

    // The child runs this constructor again: it takes the folder that its parent made.
    ProcessLogTest()
        : folder_(std::getenv(kFolderVariable) != nullptr ? std::getenv(kFolderVariable)
                                                          : made_.emplace().path()),
          folder_env_(kFolderVariable, folder_.c_str()),
          config_env_("XDG_CONFIG_HOME", (folder_ + "/config").c_str()),
          temp_env_("TMPDIR", (folder_ + "/tmp").c_str()) {
        std::filesystem::create_directories(folder_ + "/tmp");
        GTEST_FLAG_SET(death_test_style, "threadsafe");
    }

    bool child_logged(const std::string& ending) const {
        const std::string folder = folder_ + "/tmp/xlog_varkon";
        if (!std::filesystem::is_directory(folder)) {
            return false;
        }
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            for (const std::string& line : test::read_lines(entry.path())) {
                if (line.ends_with(ending)) {
                    return true;
                }
            }
        }
        return false;
    }

    static constexpr const char* kFolderVariable = "DEVIO_PROCESS_LOG_TEST_FOLDER";
    std::optional<test::TempDir> made_; // the parent's
    std::string folder_;
    test::ScopedEnv folder_env_;
    test::ScopedEnv config_env_;
    test::ScopedEnv temp_env_;
};

TEST_F(ProcessLogTest, ProcessLogReadsTheUserStoreAndWritesTheTemporaryFolder) {
    const std::string key = XLogConfig::key_for(sys::Paths::executable_file_name());
    ASSERT_TRUE(sys::ConfigStore::user().write_dword(key, "logginglevel", 2));
    EXPECT_EXIT(
        {
            xLogWrite("Device", kLogDebug, "devio::Device::open", "from the process log");
            LogBuffer::shutdown();
            std::exit(kRanToEnd);
        },
        testing::ExitedWithCode(kRanToEnd), "");
    EXPECT_TRUE(child_logged(" logginglevel=2 loggingoutput=6 fileLevel=4"));
    EXPECT_TRUE(child_logged("\tDevice::open from the process log"));
    EXPECT_TRUE(child_logged("\tLogBuffer::shutdown joining log thread"));
    EXPECT_TRUE(
        child_logged("\tLogBuffer::shutdown logging is now direct to file, all tags enabled"));
}

TEST_F(ProcessLogTest, AboutToJoinAfterTheCallbacksRanEndsTheProcess) {
    EXPECT_EXIT(
        {
            xLogWrite("Device", kLogInfo, "devio::Device::open", "starts the log thread");
            Vs2003SingletonThreadCleanup::instance().set_present();
            Vs2003SingletonThreadCleanup::instance().run_callbacks(); // shuts the log down
            Vs2003SingletonThreadCleanup::about_to_join();
            std::exit(kRanToEnd);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_TRUE(child_logged("\tVs2003SingletonThreadCleanup::about_to_join joinable threads after "
                             "main exited, so terminating process to avoid VS2003 runtime library "
                             "crash"));
    EXPECT_FALSE(child_logged("you should have put a Vs2003SingletonThreadCleanup guard object in "
                              "main()"));
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
