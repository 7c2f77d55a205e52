// The log's folder and files when another local account has prepared them: the log stays off
// files (and says why), never writes through a link, and its purge touches only its own files.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "Source/Log/XLogPlatformSpecific.h"
#include "Source/System/DebugOutput.h"
#include "Source/System/SecureFolder.h"
#include "XLogTestLog.h"
#include "support/HostileFolder.h"

namespace devio {
namespace {

constexpr const char* kWhere = "devio::Device::send";

std::vector<std::pair<std::string, std::string>> g_reports;

void Record(const std::string& folder, const std::string& reason) {
    g_reports.emplace_back(folder, reason);
}

// A log of the test's own below `temp`, writing to its file and the debugger output; the
// refused folders it reports are recorded in g_reports.
class HostileLogFolder : public ::testing::Test {
protected:
    HostileLogFolder() : previous_(sys::SecureFolder::set_reporter(&Record)) { g_reports.clear(); }
    ~HostileLogFolder() override { sys::SecureFolder::set_reporter(previous_); }

    static std::unique_ptr<XLogCore> MakeLog(const test::TempDir& temp) {
        XLogSetup setup;
        setup.config.outputs = XLogConfig::kFileOutput | XLogConfig::kDebuggerOutput;
        setup.module_path = test::TestLog::kModulePath;
        setup.temp_path = temp.path() + "/";
        return std::make_unique<XLogCore>(std::move(setup));
    }
    static std::string Text(const std::string& path) {
        std::ifstream file(path);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

private:
    sys::SecureFolder::Reporter previous_;
};

TEST_F(HostileLogFolder, RefusedFolderKeepsTheLogOffFilesAndSaysWhy) {
    for (const test::HostileRow& row : test::kHostileFolders) {
        SCOPED_TRACE(row.name);
        test::TempDir temp;
        const std::string folder = temp.file("xlog_varkon");
        if (!test::MakeHostileFolder(folder, row.kind, temp.file("elsewhere"))) {
            GTEST_LOG_(INFO) << "skipped: this system cannot make " << row.name;
            continue;
        }
        sys::DebugOutputCapture console;
        g_reports.clear();
        auto log = MakeLog(temp);
        EXPECT_TRUE(log->write("Device", kLogError, kWhere, "still logging"));
        log->buffers().shutdown();

        EXPECT_FALSE(log->file().is_open());
        EXPECT_TRUE(console.contains("ERROR - xLogInit Could not get path for log files\n"));
        EXPECT_TRUE(console.contains("still logging"));
        ASSERT_EQ(g_reports.size(), 1u);
        EXPECT_EQ(g_reports[0], std::make_pair(folder, std::string(row.reason)));
        EXPECT_TRUE(test::LeftEmpty(folder));
    }
}

// The file's name follows from the start time, the process id and name: a link planted under the
// names of the next seconds must not take the log anywhere.
TEST_F(HostileLogFolder, LinkUnderTheNextFileNameIsNotFollowed) {
    test::TempDir temp;
    const std::string folder = XLogPlatformSpecific::log_folder(temp.path() + "/");
    ASSERT_FALSE(folder.empty());
    const std::string victim = temp.file("victim");
    std::ofstream(victim) << "keep";
    const time_t now = std::time(nullptr);
    for (time_t start = now - 1; start <= now + 5; ++start) {
        const std::string name = XLogPlatformSpecific::log_file_name(
            start, static_cast<uint32_t>(getpid()), "VantorDFU", "devio");
        ASSERT_EQ(symlink(victim.c_str(), (folder + name).c_str()), 0);
    }
    sys::DebugOutputCapture console;
    auto log = MakeLog(temp);
    EXPECT_TRUE(log->write("Device", kLogError, kWhere, "still logging"));
    log->buffers().shutdown();

    EXPECT_FALSE(log->file().is_open());
    EXPECT_TRUE(console.contains("ERROR - xLogInit Could not create log file " + folder + "xlog_"));
    EXPECT_TRUE(console.contains("still logging"));
    EXPECT_EQ(Text(victim), "keep");
}

// Sets the last-write time of `path` itself (not of what a link points at) to `days_ago` days ago.
void MakeOld(const std::string& path, int days_ago) {
    timespec times[2];
    times[0].tv_sec = times[1].tv_sec = std::time(nullptr) - days_ago * 86400 - 3600;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

TEST_F(HostileLogFolder, PurgeDeletesOnlyRegularFilesOfItsPattern) {
    test::TempDir temp;
    const std::string folder = XLogPlatformSpecific::log_folder(temp.path() + "/");
    ASSERT_FALSE(folder.empty());
    const std::string victim = temp.file("victim.dblog");
    std::ofstream(victim) << "keep";
    MakeOld(victim, 300);
    const std::string newest = folder + "xlog_20240109_000000_13_VantorDFU_devio.dblog";
    const std::string old_file = folder + "xlog_20231201_000000_10_VantorDFU_devio.dblog";
    const std::string old_link = folder + "xlog_20231201_000000_11_VantorDFU_devio.dblog";
    const std::string old_folder = folder + "xlog_20231201_000000_12_VantorDFU_devio.dblog";
    std::ofstream(newest) << "x\n";
    std::ofstream(old_file) << "x\n";
    ASSERT_EQ(symlink(victim.c_str(), old_link.c_str()), 0);
    ASSERT_EQ(mkdir(old_folder.c_str(), 0700), 0);
    MakeOld(old_file, 300);
    MakeOld(old_link, 300);
    MakeOld(old_folder, 300);

    XLogConfig config;
    config.outputs = XLogConfig::kDebuggerOutput; // the test's own log writes no file
    test::TestLog test(config);
    XLogPlatformSpecific::purgeOldLogFiles(test.log(), temp.path() + "/", "VantorDFU", "devio");

    EXPECT_FALSE(std::filesystem::exists(old_file));
    EXPECT_TRUE(std::filesystem::is_symlink(old_link));
    EXPECT_TRUE(std::filesystem::is_directory(old_folder));
    EXPECT_TRUE(std::filesystem::exists(newest));
    EXPECT_EQ(Text(victim), "keep");
}

} // namespace
} // namespace devio
