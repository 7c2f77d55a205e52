// Process snapshot, handles, termination and the shell's open, on copies of the helper program.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "HelperProcess.h"
#include "Source/System/Paths.h"
#include "Source/System/Processes.h"
#include "Source/System/SystemError.h"
#include "support/TempDir.h"

using namespace devio::sys;
using devio::test::HelperProcess;

namespace {

class ProcessesTest : public testing::Test {
protected:
    void SetUp() override { std::filesystem::copy_file(DEVIO_SYSTEM_HELPER, companion_path_); }

    // A process whose executable is named like the companion's, ready when returned.
    std::unique_ptr<HelperProcess> start_companion(bool ignore_sigterm = false) {
        std::vector<std::string> args{"sleep"};
        if (ignore_sigterm) {
            args.push_back("ignore-term");
        }
        auto process = std::make_unique<HelperProcess>(args, companion_path_);
        EXPECT_EQ(process->read_line(), "ready");
        return process;
    }

    devio::test::TempDir folder_;
    const std::string companion_path_ = folder_.file("Hubrix.exe");
};

int signal_that_ended(HelperProcess& process) {
    int status = process.exit_status();
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

} // namespace

TEST_F(ProcessesTest, SnapshotNamesEachProcessByItsExecutable) {
    auto companion = start_companion();

    auto processes = Processes::snapshot();

    ASSERT_TRUE(processes.has_value());
    auto find = [&](int pid) {
        return std::find_if(processes->begin(), processes->end(),
                            [pid](const ProcessEntry& entry) { return entry.pid == pid; });
    };
    auto found = find(companion->pid());
    ASSERT_NE(found, processes->end());
    EXPECT_EQ(found->exe_name, "Hubrix.exe");
    EXPECT_EQ(found->exe_path, companion_path_);
    auto self = find(getpid());
    ASSERT_NE(self, processes->end());
    EXPECT_EQ(self->exe_path, Paths::executable_path());
}

TEST_F(ProcessesTest, AnOpenedProcessGivesItsPathAndEndsOnTerminate) {
    auto companion = start_companion();
    auto handle = Processes::open(companion->pid());
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->image_path(), companion_path_);
    EXPECT_TRUE(handle->running());
    EXPECT_FALSE(handle->wait(20));
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ETIMEDOUT));

    EXPECT_TRUE(handle->terminate(1000));
    EXPECT_TRUE(handle->wait(1000));

    EXPECT_FALSE(handle->running());
    EXPECT_EQ(signal_that_ended(*companion), SIGTERM);
}

TEST_F(ProcessesTest, TerminateKillsAProcessThatIgnoresTheRequest) {
    auto stubborn = start_companion(true);
    auto handle = Processes::open(stubborn->pid());
    ASSERT_NE(handle, nullptr);

    EXPECT_TRUE(handle->terminate(100));
    EXPECT_TRUE(handle->wait(1000));

    EXPECT_EQ(signal_that_ended(*stubborn), SIGKILL);
}

TEST_F(ProcessesTest, AHandleStaysWithItsProcessAfterItHasEnded) {
    auto companion = start_companion();
    const int pid = companion->pid();
    auto handle = Processes::open(pid);
    ASSERT_NE(handle, nullptr);
    kill(pid, SIGKILL);
    companion->exit_status(); // reaped: the id is free for another process

    EXPECT_FALSE(handle->running());
    EXPECT_EQ(handle->image_path(), std::nullopt);
    EXPECT_FALSE(handle->terminate(100));
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ESRCH));
    EXPECT_EQ(Processes::open(pid), nullptr);
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ESRCH));
}

TEST_F(ProcessesTest, ShellOpenStartsTheProgramDetachedWithNothingOfOurs) {
    // A descriptor left open without close-on-exec (a lock file, say) must not reach the program.
    constexpr int kInheritable = 50;
    ASSERT_EQ(dup2(1, kInheritable), kInheritable);
    const std::string marker = folder_.file("started");
    const std::string program = folder_.file("companion.sh");
    std::ofstream(program) << "#!/bin/sh\n"
                           << "if [ -e /proc/$$/fd/" << kInheritable
                           << " ]; then fd=leaked; else fd=closed; fi\n"
                           << "echo \"$PPID $fd\" > " << marker << ".tmp\n"
                           << "mv " << marker << ".tmp " << marker << "\n";
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);

    EXPECT_TRUE(Processes::shell_open(program));
    close(kInheritable);

    ASSERT_TRUE(devio::test::wait_for([&] { return std::filesystem::exists(marker); }));
    int parent = 0;
    std::string descriptor;
    std::ifstream(marker) >> parent >> descriptor;
    EXPECT_NE(parent, getpid());
    EXPECT_EQ(descriptor, "closed");
}

TEST_F(ProcessesTest, ShellOpenReportsAProgramThatCannotStart) {
    const std::string not_executable = folder_.file("notes.txt");
    std::ofstream(not_executable) << "text\n";
    struct Case {
        std::string path;
        uint32_t error;
    };
    const Case cases[] = {
        {"", ENOENT},
        {folder_.file("missing"), ENOENT},
        {not_executable, EACCES},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(Processes::shell_open(c.path)) << c.path;
        EXPECT_EQ(last_system_error(), c.error) << c.path;
    }
}
