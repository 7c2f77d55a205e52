// Processes of the system: snapshot, open, terminate, wait, and the shell's open.
//
// The executable name of a process is the base name of its executable (/proc/<pid>/exe). Every
// operation may be called from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace devio::sys {

struct ProcessEntry {
    int pid = 0;
    std::string exe_name; // base name of the executable; when that cannot be read (kernel
                          // threads, other users' processes), the kernel's command name,
                          // which is the same cut to 15 characters
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
    // milliseconds, kills it (SIGKILL) and returns without waiting further. True when the
    // signals could be sent; false with ESRCH when the process is gone.
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
    // Opens a process by id; empty when it does not exist (ESRCH) or may not be opened, that is
    // signalled, by this process (EPERM).
    static std::unique_ptr<ProcessHandle> open(int pid);
    // Starts the program at `path` detached from this process (the shell's open verb): in a
    // session of its own, not a child of ours, with standard streams on /dev/null and none of
    // our other descriptors. False with exec's error (ENOENT, EACCES, ...) when it cannot start.
    static bool shell_open(const std::string& path);
};

} // namespace devio::sys
