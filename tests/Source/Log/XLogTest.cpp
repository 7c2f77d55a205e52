#include <gtest/gtest.h>

#include <filesystem>

#include "Source/System/DebugOutput.h"
#include "XLogTestLog.h"

namespace devio {
namespace {

using test::FileLine;
using test::TestLog;

const char* const kWhere = "devio::DeviceManager::makeDevice";

XLogConfig with_tags(const char* log_tags) {
    XLogConfig config;
    config.apply_tag_switches(log_tags);
    return config;
}

TEST(XLogTest, DefaultsSendWarningsToDebuggerAndFileAndInfoToFileOnly) {
    sys::DebugOutputCapture console;
    TestLog test;
    EXPECT_TRUE(test.log().write("Device", kLogWarning, kWhere, "warned %d", 1));
    EXPECT_TRUE(test.log().write("Device", kLogInfo, kWhere, "informed"));
    EXPECT_TRUE(console.contains("WARNING - DeviceManager::makeDevice warned 1\n"));
    EXPECT_FALSE(console.contains("informed"));
    auto lines = test.shut_down_and_read();
    EXPECT_EQ(TestLog::with_text(lines, "warned 1").size(), 1u);
    EXPECT_EQ(TestLog::with_text(lines, "informed").size(), 1u);
}

TEST(XLogTest, EnabledTagReachesTheConsoleUpToTheTagLevel) {
    sys::DebugOutputCapture console;
    TestLog test(with_tags("+Device"));
    test.log().write("Device", kLogInfo, kWhere, "device info");
    test.log().write("Device", kLogVerbose, kWhere, "device verbose");
    test.log().write("Other", kLogInfo, kWhere, "other info");
    EXPECT_TRUE(console.contains("INFO - DeviceManager::makeDevice device info\n"));
    EXPECT_FALSE(console.contains("device verbose"));
    EXPECT_TRUE(console.contains("other info")) << "a LogTags value turns all-tags-off off";
}

TEST(XLogTest, AllTagsOffAfterTheTagWasEnabledEnablesNothing) {
    sys::DebugOutputCapture console;
    TestLog test(with_tags("+Device -*"));
    test.log().write("Device", kLogInfo, kWhere, "device info");
    EXPECT_FALSE(console.contains("device info"));
}

TEST(XLogTest, DisabledTagIsFilteredOnlyAboveTheConsoleLevel) {
    sys::DebugOutputCapture console;
    XLogConfig config = with_tags("-Device");
    TestLog test(config);
    test.log().write("Device", kLogWarning, kWhere, "device warning");
    test.log().write("Device", kLogInfo, kWhere, "device info");
    test.log().write("Other", kLogInfo, kWhere, "other info");
    EXPECT_TRUE(console.contains("device warning"));
    EXPECT_FALSE(console.contains("device info"));
    EXPECT_TRUE(console.contains("other info"));
}

TEST(XLogTest, MessageOwnTagFiltersPrintsAndFillsTheTagColumn) {
    sys::DebugOutputCapture console;
    TestLog test(with_tags("-* +api"));
    test.log().write("DeviceManager", kLogInfo, kWhere, "-api- enter");
    test.log().write("api", kLogInfo, kWhere, "-other- hidden");
    EXPECT_TRUE(console.contains("INFO - DeviceManager::makeDevice -api- enter\n"));
    EXPECT_FALSE(console.contains("hidden")) << "the message's own tag replaces the argument";
    auto lines = TestLog::with_text(test.shut_down_and_read(), "enter");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].tag, "-api-" + std::string(15, ' '));
    EXPECT_EQ(lines[0].function, "DeviceManager::makeDevice");
}

TEST(XLogTest, OutputBitsSelectTheOutputs) {
    sys::DebugOutputCapture console;
    XLogConfig config;
    config.outputs = XLogConfig::kStandardOutput;
    TestLog test(config);
    testing::internal::CaptureStdout();
    test.log().write("Device", kLogError, kWhere, "to standard output");
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "ERROR - DeviceManager::makeDevice to standard output\n");
    EXPECT_FALSE(console.contains("to standard output"));
    EXPECT_TRUE(test.log().file().path().empty()) << "no file without its output bit";
}

TEST(XLogTest, DisabledLogCreatesNothingAndAlwaysSucceeds) {
    sys::DebugOutputCapture console;
    XLogConfig config;
    config.enabled = false;
    TestLog test(config);
    EXPECT_TRUE(test.log().write("Device", kLogError, kWhere, "nothing"));
    EXPECT_TRUE(console.texts().empty());
    EXPECT_FALSE(std::filesystem::exists(test.temp_path() + "/xlog_varkon"));
    EXPECT_EQ(test.log().buffers().capacity().entries, 0u) << "no buffer, no log thread";
}

TEST(XLogTest, HeaderDescribesTheProcessAndTheSettings) {
    sys::DebugOutputCapture console;
    TestLog test(with_tags("-* +Device -Win32Device"));
    const std::string path = test.log().file().path();
    EXPECT_EQ(std::filesystem::path(path).parent_path().filename(), "xlog_varkon");
    auto lines = test.shut_down_and_read();
    ASSERT_GE(lines.size(), 7u);
    std::vector<std::string> texts;
    for (const FileLine& line : lines) {
        texts.push_back(line.text);
        if (texts.size() <= 7) {
            EXPECT_EQ(line.function, "xLogInit") << line.text;
            EXPECT_EQ(line.level, "2");
        }
    }
    EXPECT_EQ(texts[0], std::string(40, '-'));
    EXPECT_EQ(texts[2],
              "procname=VantorDFU namespace=devio logginglevel=1 loggingoutput=6 fileLevel=4");
    EXPECT_EQ(texts[3], "defaultEnabled=1, defaultOutput=6, defaultLevel=1, defaultFileLevel=4");
    EXPECT_EQ(texts[4], "logfile=" + path);
    EXPECT_EQ(texts[5], std::string("exe=") + TestLog::kModulePath);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "tags= -* +Device -Win32Device"), texts.end());
    // The key lines pass the console filter as if the console level were 2.
    EXPECT_TRUE(console.contains("INFO - xLogInit procname=VantorDFU"));
    EXPECT_TRUE(console.contains("INFO - xLogInit logfile="));
    EXPECT_FALSE(console.contains("exe="));
}

TEST(XLogTest, FolderThatCannotBeMadeLeavesTheConsoleWorking) {
    sys::DebugOutputCapture console;
    test::TempDir folder;
    {
        std::ofstream blocker(folder.file("xlog_varkon")); // a file where the folder should be
    }
    XLogSetup setup;
    setup.module_path = "/x/tool";
    setup.temp_path = folder.path() + "/";
    XLogCore log(std::move(setup));
    EXPECT_TRUE(console.contains("ERROR - xLogInit Could not get path for log files\n"));
    EXPECT_TRUE(log.write("Device", kLogWarning, kWhere, "still here"));
    EXPECT_TRUE(console.contains("still here"));
}

TEST(XLogTest, ProcessNameKeepsLettersAndDigitsBeforeTheFirstDot) {
    EXPECT_EQ(XLogCore::process_name_of("/opt/v/Vantor-DFU_2.v28.exe"), "VantorDFU2");
    EXPECT_EQ(XLogCore::process_name_of("tool"), "tool");
    EXPECT_EQ(XLogCore::process_name_of("/a/abcdefghijklmnopqrstuvwxyz"), "abcdefghijklmnopqrs");
}

} // namespace
} // namespace devio
