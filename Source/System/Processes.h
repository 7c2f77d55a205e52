// Processes of the system: snapshot, open, terminate, wait, and the shell's open.
//
// The executable name of a process is the base name of its executable (/proc/<pid>/exe).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace devio::sys {

struct ProcessEntry {
    int pid = 0;
    std::string exe_name; // base name of the executable
    std::string exe_path; // full path of the executable; empty when it cannot be read
};

// An opened process. It refers to that very process even if its id is reused later.
class ProcessHandle {
public:
    ~ProcessHandle();
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;

    int pid() const { return pid_; }
    // Full path of the executable; empty when the process has ended or cannot be read.
    std::optional<std::string> image_path() const;
    // Asks the process to end (SIGTERM); when it has not ended within `wait_ms` scaled
    // milliseconds, kills it (SIGKILL). True when the signal could be sent.
    bool terminate(int64_t wait_ms);
    // Waits until the process has ended or `timeout_ms` scaled milliseconds have passed
    // (negative: without limit); true when it has ended.
    bool wait(int64_t timeout_ms);
    bool running() const;

private:
    friend class Processes;
    ProcessHandle(int pid, int pidfd) : pid_(pid), pidfd_(pidfd) {}
    int pid_;
    int pidfd_;
};

class Processes {
public:
    // Every process that can be seen; empty on failure.
    static std::optional<std::vector<ProcessEntry>> snapshot();
    // Opens a process by id; empty when it does not exist or may not be opened.
    static std::unique_ptr<ProcessHandle> open(int pid);
    // Starts the program at `path` detached from this process (the shell's open verb).
    static bool shell_open(const std::string& path);
};

} // namespace devio::sys
