#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "Source/Rap/NamedMutex.h"
#include "Source/System/DebugOutput.h"
#include "Source/System/NamedLock.h"
#include "Source/System/Paths.h"
#include "support/DeviceHarness.h"
#include "support/ScopedTimeScale.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

extern char** environ;

namespace devio::test {
namespace {

constexpr const char* kJournalVariable = "DEVIO_TEST_COMMAND_JOURNAL";
constexpr int kCommands = 60;

// Appends "<mark> <pid>" to the journal shared by both processes; O_APPEND keeps lines whole.
void journal(const std::string& path, char mark) {
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    std::string line = std::string(1, mark) + " " + std::to_string(::getpid()) + "\n";
    (void)!::write(fd, line.data(), line.size());
    ::close(fd);
}

// Sends commands to a fake device that journals each write and each answer's delivery, and takes
// a little time to answer, so that an exchange of the other process would land inside ours if the
// named mutex let it.
bool send_journalled_commands(const std::string& path) {
    DeviceHarness h;
    h.make_feature_based();
    h.hardware->on_write([&path](const rap::Report&) { journal(path, 'B'); });
    h.hardware->on_deliver([&path](const rap::Report&) { journal(path, 'E'); });
    h.hardware->set_responder([](const rap::Report& request) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return std::vector<rap::Report>{FakeHardwareDevice::response_to(request, {0x01})};
    });
    for (int i = 0; i < kCommands; ++i) {
        rap::Report response;
        if (!h.device->sendSynchronousCommandWithoutRetry({0x10, 0xFF, 0x00, 0x1C, 0x00}, response,
                                                          {})) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> lines_of(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The other process of the test below.
TEST(DeviceNamedMutexChild, DISABLED_SendsJournalledCommands) {
    const char* path = std::getenv(kJournalVariable);
    if (path == nullptr) {
        GTEST_SKIP() << "runs only as the other process of the named-mutex test";
    }
    EXPECT_TRUE(send_journalled_commands(path));
}

TEST(DeviceNamedMutex, CommandsOfTwoProcessesToOneDeviceNeverInterleave) {
    TempDir dir;
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path().c_str());
    const std::string path = dir.file("journal");
    ScopedEnv journal_path(kJournalVariable, path.c_str());

    std::string executable = sys::Paths::executable_path();
    std::string filter = "--gtest_filter=DeviceNamedMutexChild.DISABLED_SendsJournalledCommands";
    std::string also = "--gtest_also_run_disabled_tests";
    char* arguments[] = {executable.data(), filter.data(), also.data(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, executable.c_str(), nullptr, nullptr, arguments, environ), 0);

    // Start once the other process is sending, so that the two really overlap.
    ASSERT_TRUE(wait_for([&] { return !lines_of(path).empty(); }, std::chrono::seconds(30)));
    EXPECT_TRUE(send_journalled_commands(path));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;

    std::vector<std::string> lines = lines_of(path);
    ASSERT_EQ(lines.size(), 4u * kCommands);
    std::string own = std::to_string(::getpid());
    int own_exchanges = 0;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        ASSERT_EQ(lines[i][0], 'B') << "line " << i;
        ASSERT_EQ(lines[i + 1], "E" + lines[i].substr(1)) << "exchange at line " << i;
        own_exchanges += lines[i].substr(2) == own ? 1 : 0;
    }
    EXPECT_EQ(own_exchanges, kCommands);
}

TEST(DeviceNamedMutex, ANameIsChosenByHowTheDeviceIsReached) {
    struct Case {
        int pid;
        int bus_type;
        const char* name;
    };
    const Case cases[] = {
        {0x40A1, 0, "devio_0x40a1"},  {0xC0A7, 0, "devio_0xc0a7"},  {0x40A1, 1, "VarkonTessaly"},
        {0xB401, 0, "VarkonTessaly"}, {0xB403, 0, "VarkonTessaly"}, {0xB404, 0, "devio_0xb404"},
    };
    for (const Case& c : cases) {
        sys::DebugOutputCapture log;
        DeviceHarness h({.pid = c.pid, .bus_type = c.bus_type});
        EXPECT_TRUE(log.contains(std::string("Mutex name: ") + c.name + "\n"))
            << std::hex << c.pid << " bus type " << c.bus_type;
    }
}

// Another program that hangs while it holds the mutex: the command waits its bound, logs it and
// fails with Unavailable; once the holder lets go, commands run again.
TEST(DeviceNamedMutex, ACommandGivesUpOnAHolderThatNeverLetsGo) {
    TempDir dir;
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path().c_str());
    ScopedTimeScale fast(0.01);
    DeviceHarness h;
    h.make_feature_based();
    h.hardware->set_responder([](const rap::Report& request) {
        return std::vector<rap::Report>{FakeHardwareDevice::response_to(request, {0x01})};
    });
    sys::NamedLock other;
    ASSERT_TRUE(other.open("devio_0x40a1"));
    std::atomic<bool> held{false};
    std::atomic<bool> release{false};
    std::thread holder([&] {
        held = other.lock();
        wait_for([&] { return release.load(); }, std::chrono::seconds(30));
        other.unlock();
    });
    ASSERT_TRUE(wait_for([&] { return held.load(); }));
    sys::DebugOutputCapture log;
    std::atomic<bool> done{false};
    bool sent = true;
    LastError error;
    std::thread command([&] {
        rap::Report response;
        sent = h.device->sendSynchronousCommandWithoutRetry({0x10, 0xFF, 0x00, 0x1C, 0x00},
                                                            response, {});
        error = last_error();
        done = true;
    });
    const bool gave_up = wait_for([&] { return done.load(); });
    release = true;
    command.join();
    holder.join();
    EXPECT_TRUE(gave_up) << "the command waited without a bound";
    EXPECT_FALSE(sent);
    EXPECT_EQ(error.code, ErrorCode::Unavailable);
    EXPECT_TRUE(log.contains("Mutex devio_0x40a1 still held by another program after 10000 ms"));
    EXPECT_EQ(h.hardware->write_count(), 0u);

    rap::Report response;
    EXPECT_TRUE(
        h.device->sendSynchronousCommandWithoutRetry({0x10, 0xFF, 0x00, 0x1C, 0x00}, response, {}));
}

TEST(DeviceNamedMutex, AMutexWithoutANameAssertsAndRefuses) {
    sys::DebugOutputCapture log;
    NamedMutex mutex;
    EXPECT_FALSE(mutex.lock());
    EXPECT_FALSE(mutex.unlock());
    EXPECT_TRUE(log.contains("ASSERT FAILURE! Expression: hMutex_ != NULL"));
}

} // namespace
} // namespace devio::test
