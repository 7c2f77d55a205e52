#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <unistd.h>

#include "Source/Log/XLogPlatformSpecific.h"
#include "XLogTestLog.h"

namespace devio {
namespace {

using test::FileLine;
using test::TestLog;

TEST(LogFileTest, LineFormatFieldByField) {
    TestLog test;
    test.log().write("Win32Device", kLogDebug, "bool __cdecl devio::Win32Device::open(int)",
                     "Win32Device::open path %s", "/dev/x");
    auto lines = TestLog::with_text(test.shut_down_and_read(), "path /dev/x");
    ASSERT_EQ(lines.size(), 1u);
    const FileLine& line = lines[0];
    EXPECT_TRUE(std::regex_match(line.performance_time, std::regex(R"(\d+\.\d{6})")));
    EXPECT_TRUE(
        std::regex_match(line.wall_time, std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\.\d{3})")))
        << line.wall_time;
    EXPECT_EQ(line.process_id, std::to_string(getpid()));
    EXPECT_TRUE(std::regex_match(line.identity, std::regex(R"(<\d{5,}>\.devio\.VantorDFU)")))
        << line.identity;
    EXPECT_EQ(line.level, "3");
    EXPECT_EQ(line.tag, "-Win32Device-" + std::string(7, ' '));
    EXPECT_EQ(line.function, "Win32Device::open");
}

TEST(LogFileTest, FileNameCarriesStartTimeProcessAndNamespace) {
    TestLog test;
    const std::string name = std::filesystem::path(test.log().file().path()).filename();
    EXPECT_TRUE(std::regex_match(name, std::regex("xlog_\\d{8}_\\d{6}_" + std::to_string(getpid()) +
                                                  "_VantorDFU_devio\\.dblog")))
        << name;
}

TEST(LogFileTest, MultiLineMessagesGiveOneFileLinePerLine) {
    TestLog test;
    test.log().write("Device", kLogInfo, "devio::Device::dump", "first\nsecond");
    test.log().write("Device", kLogInfo, "devio::Device::dump", "only line\n");
    test.log().write("Device", kLogInfo, "devio::Device::dump", "%s", "");
    auto lines = test.shut_down_and_read();
    auto first = std::find_if(lines.begin(), lines.end(),
                              [](const FileLine& line) { return line.text == "first"; });
    ASSERT_NE(first, lines.end());
    ASSERT_GE(lines.end() - first, 4);
    EXPECT_EQ(first[0].function, "Device::dump");
    EXPECT_EQ(first[1].function, ">");
    EXPECT_EQ(first[1].text, "second");
    EXPECT_EQ(first[2].text, "only line");
    EXPECT_EQ(first[3].function, "Device::dump");
    EXPECT_EQ(first[3].text, "");
    EXPECT_EQ(first[3].level, "2") << "the message after the one-line one is not an empty line";
}

TEST(LogFileTest, OverLongMessageLineIsCutAndStillEndsTheLine) {
    TestLog test;
    test.log().write("Device", kLogInfo, "devio::Device::dump", "%s",
                     std::string(1023, 'z').c_str());
    test.log().write("Device", kLogInfo, "devio::Device::dump", "after");
    auto lines = test.shut_down_and_read();
    auto cut = std::find_if(lines.begin(), lines.end(),
                            [](const FileLine& line) { return line.text.starts_with("zzz"); });
    ASSERT_NE(cut, lines.end());
    EXPECT_TRUE(cut->text.ends_with("z (truncated)")) << cut->text;
    EXPECT_EQ(cut[1].text, "after");
}

// Makes a file in `folder` last written `days_ago` days and an hour ago.
void make_log_file(const std::string& folder, const std::string& name, int days_ago) {
    std::string path = folder + name;
    { std::ofstream(path) << "x\n"; }
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() -
                                               std::chrono::hours(24 * days_ago + 1));
}

TEST(LogFileTest, PurgeMeasuresAgeAgainstTheNewestFileOfTheProgram) {
    test::TempDir temp;
    const std::string folder = XLogPlatformSpecific::log_folder(temp.path() + "/");
    ASSERT_FALSE(folder.empty());
    // Written on days 1, 5 and 9 of a month long ago; the purge runs against day 9.
    make_log_file(folder, "xlog_20240101_000000_11_VantorDFU_devio.dblog", 108);
    make_log_file(folder, "xlog_20240105_000000_12_VantorDFU_devio.dblog", 104);
    make_log_file(folder, "xlog_20240109_000000_13_VantorDFU_devio.dblog", 100);
    make_log_file(folder, "xlog_20231201_000000_14_OtherTool_devio.dblog", 300);
    make_log_file(folder, "notes_VantorDFU_devio.dblog", 300);

    XLogConfig config;
    config.outputs = XLogConfig::kDebuggerOutput; // the test's own log writes no file
    TestLog test(config);
    XLogPlatformSpecific::purgeOldLogFiles(test.log(), temp.path() + "/", "VantorDFU", "devio");

    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        left.insert(entry.path().filename());
    }
    EXPECT_EQ(left, (std::set<std::string>{"xlog_20240105_000000_12_VantorDFU_devio.dblog",
                                           "xlog_20240109_000000_13_VantorDFU_devio.dblog",
                                           "xlog_20231201_000000_14_OtherTool_devio.dblog",
                                           "notes_VantorDFU_devio.dblog"}));
}

TEST(LogFileTest, PurgeLogsWhatItKeepsAndDeletes) {
    XLogConfig config;
    config.outputs = XLogConfig::kFileOutput;
    TestLog test(config);
    const std::string folder = XLogPlatformSpecific::log_folder(test.temp_path() + "/");
    make_log_file(folder, "xlog_20200101_000000_1_VantorDFU_devio.dblog", 300);
    XLogPlatformSpecific::purgeOldLogFiles(test.log(), test.temp_path() + "/", "VantorDFU",
                                           "devio");
    auto lines = test.shut_down_and_read();
    // Kept by the purge of the log's initialisation and by this one.
    EXPECT_EQ(
        TestLog::with_text(lines, "Keeping 0 day old log file " + test.log().file().path()).size(),
        2u);
    auto purged = TestLog::with_text(lines, "Purging 300 day old log file " + folder +
                                                "xlog_20200101_000000_1_VantorDFU_devio.dblog");
    ASSERT_EQ(purged.size(), 1u);
    EXPECT_EQ(purged[0].level, "4");
    EXPECT_EQ(purged[0].function, "XLogPlatformSpecific::purgeOldLogFiles");
}

TEST(LogFileTest, OverLongTemporaryPathGivesNoFolder) {
    EXPECT_EQ(XLogPlatformSpecific::log_folder("/tmp/" + std::string(290, 'a') + "/"), "");
}

} // namespace
} // namespace devio
