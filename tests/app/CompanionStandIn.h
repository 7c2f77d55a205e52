// The companion stand-in as the tests run it: a child process of the test, started from a copy of
// the stand-in program under a chosen file name, and ready once it holds the shutdown event.
#pragma once

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "Source/System/NamedEvent.h"
#include "Source/System/Processes.h"
#include "app/Companion.h"
#include "support/WaitFor.h"

extern char** environ;

namespace devio::test {

// The parent of a process and whether it has ended (a zombie); 0 when it cannot be read.
inline int LiveParentOf(int pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(file, stat);
    size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 4 > stat.size() || stat[close + 2] == 'Z') {
        return 0;
    }
    return std::stoi(stat.substr(close + 4));
}

// Only this test's live stand-ins count as the companion, so that tests running side by side
// never see, or terminate, each other's.
inline bool IsOwnLiveChild(const sys::ProcessEntry& process) {
    return LiveParentOf(process.pid) == getpid();
}

// Makes the test the subreaper of the processes its children start, so that a companion started
// detached (the shell's open) is collected by the test.
inline bool AdoptDetachedCompanions() {
    return prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
}

// Waits (bounded) until the stand-in at `path`, started detached, holds the shutdown event, then
// sets it and collects the stand-in as it ends. True when it started and ended with status 0.
inline bool StopDetachedCompanion(const std::string& path) {
    std::unique_ptr<sys::NamedEvent> shutdown;
    int pid = 0;
    bool started = wait_for([&] {
        shutdown = sys::NamedEvent::open(std::string(app::kCompanionShutdownEvent));
        for (const sys::ProcessEntry& process :
             sys::Processes::snapshot().value_or(std::vector<sys::ProcessEntry>{})) {
            pid = process.exe_path == path ? process.pid : pid;
        }
        return shutdown != nullptr && pid != 0;
    });
    if (!started) {
        return false;
    }
    shutdown->set();
    // Only this process: other orphans (a sanitizer's helper, say) may come to the test too.
    int status = 0;
    return wait_for([&] { return waitpid(pid, &status, WNOHANG) == pid; }) && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

class CompanionStandIn {
public:
    // Copies the stand-in program to `path` (a file name such as ".../Hubrix.exe") and starts it.
    CompanionStandIn(const std::string& path, bool stubborn) : path_(path) {
        std::filesystem::copy_file(HUBRIX_STAND_IN, path,
                                   std::filesystem::copy_options::overwrite_existing);
        int out[2];
        if (pipe(out) != 0) {
            ADD_FAILURE() << "pipe: " << errno;
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::string program = path;
        std::string flag = "--stubborn";
        std::vector<char*> argv{program.data()};
        if (stubborn) {
            argv.push_back(flag.data());
        }
        argv.push_back(nullptr);
        int spawned = posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        if (spawned != 0) {
            ADD_FAILURE() << "posix_spawn " << path << ": " << spawned;
            pid_ = 0;
        } else {
            char ready[6] = {};
            ssize_t got = read(out[0], ready, sizeof(ready));
            EXPECT_EQ(std::string(ready, got > 0 ? static_cast<size_t>(got) : 0), "ready\n");
        }
        close(out[0]);
    }
    ~CompanionStandIn() {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status_, 0);
        }
    }
    CompanionStandIn(const CompanionStandIn&) = delete;
    CompanionStandIn& operator=(const CompanionStandIn&) = delete;

    const std::string& path() const { return path_; }

    // Waits (bounded) until the process has ended and collects its status; true when it ended.
    bool WaitEnded() {
        if (pid_ <= 0) {
            return false;
        }
        wait_for([this] {
            reaped_ = reaped_ || waitpid(pid_, &status_, WNOHANG) == pid_;
            return reaped_;
        });
        return reaped_;
    }
    bool KilledBy(int signal) const { return WIFSIGNALED(status_) && WTERMSIG(status_) == signal; }
    bool ExitedWith(int code) const { return WIFEXITED(status_) && WEXITSTATUS(status_) == code; }

private:
    std::string path_;
    pid_t pid_ = 0;
    int status_ = 0;
    bool reaped_ = false;
};

} // namespace devio::test
