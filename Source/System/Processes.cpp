#include "Source/System/Processes.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Source/System/Clock.h"
#include "Source/System/SystemError.h"

namespace devio::sys {

namespace {

int pidfd_open(int pid) {
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
}

bool pidfd_signal(int pidfd, int signal) {
    return syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0) == 0 || fail_with_errno();
}

std::string proc_file(int pid, const char* name) {
    return "/proc/" + std::to_string(pid) + "/" + name;
}

std::optional<std::string> executable_of(int pid) {
    char buffer[PATH_MAX];
    ssize_t length = readlink(proc_file(pid, "exe").c_str(), buffer, sizeof(buffer));
    if (length < 0 || length == static_cast<ssize_t>(sizeof(buffer))) {
        set_last_system_error(length < 0 ? static_cast<uint32_t>(errno) : ENAMETOOLONG);
        return std::nullopt;
    }
    std::string path(buffer, static_cast<size_t>(length));
    // An executable replaced since the start (an update, say) still names where it lives.
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.ends_with(kDeleted)) {
        path.resize(path.size() - kDeleted.size());
    }
    return path;
}

// The kernel's name for a process whose executable cannot be read (kernel threads, processes of
// other users): the executable's base name, cut to 15 characters.
std::string command_name(int pid) {
    std::ifstream file(proc_file(pid, "comm"));
    std::string name;
    std::getline(file, name);
    return name;
}

std::string base_name(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

int pid_of(const char* name) {
    int pid = 0;
    for (const char* c = name; *c != '\0'; ++c) {
        if (!std::isdigit(static_cast<unsigned char>(*c)) || pid > (INT_MAX - 9) / 10) {
            return 0;
        }
        pid = pid * 10 + (*c - '0');
    }
    return pid;
}

timespec to_timespec(std::chrono::nanoseconds duration) {
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    return timespec{static_cast<time_t>(seconds.count()),
                    static_cast<long>((duration - seconds).count())};
}

// In the detached child, between fork and exec, only async-signal-safe calls are made.
[[noreturn]] void exec_detached(const char* path, char* const argv[], int error_pipe) {
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) {
        sigaction(signal, &default_action, nullptr); // an ignored signal would survive exec
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
    }
    // Nothing of this process (lock files above all) may stay open in the program started.
    close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    execv(path, argv);
    int error = errno;
    ssize_t ignored = write(error_pipe, &error, sizeof(error));
    (void)ignored;
    _exit(127);
}

} // namespace

ProcessHandle::~ProcessHandle() {
    close(pidfd_);
}

std::optional<std::string> ProcessHandle::image_path() const {
    std::optional<std::string> path = executable_of(pid_);
    // The id may have been given to another process after ours ended; the path read is ours only
    // when our process is still there afterwards.
    if (path && !pidfd_signal(pidfd_, 0)) {
        return std::nullopt;
    }
    return path;
}

bool ProcessHandle::terminate(int64_t wait_ms) {
    if (!pidfd_signal(pidfd_, SIGTERM)) {
        return false;
    }
    if (!wait(wait_ms) && !pidfd_signal(pidfd_, SIGKILL) && last_system_error() != ESRCH) {
        return false;
    }
    return true;
}

bool ProcessHandle::wait(int64_t timeout_ms) {
    const auto deadline = Clock::deadline_after_ms(timeout_ms);
    for (;;) {
        timespec remaining{};
        const timespec* limit = nullptr;
        if (timeout_ms >= 0) {
            auto left = std::max(deadline - std::chrono::steady_clock::now(),
                                 std::chrono::steady_clock::duration::zero());
            remaining = to_timespec(left);
            limit = &remaining;
        }
        pollfd ended{pidfd_, POLLIN, 0};
        int ready = ppoll(&ended, 1, limit, nullptr);
        if (ready > 0) {
            return true;
        }
        if (ready == 0) {
            set_last_system_error(ETIMEDOUT);
            return false;
        }
        if (errno != EINTR) {
            return fail_with_errno();
        }
    }
}

bool ProcessHandle::running() const {
    pollfd ended{pidfd_, POLLIN, 0};
    int ready = poll(&ended, 1, 0);
    if (ready < 0) {
        return fail_with_errno();
    }
    return ready == 0;
}

std::optional<std::vector<ProcessEntry>> Processes::snapshot() {
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        fail_with_errno();
        return std::nullopt;
    }
    std::vector<ProcessEntry> processes;
    while (const dirent* entry = readdir(proc)) {
        int pid = pid_of(entry->d_name);
        if (pid <= 0) {
            continue;
        }
        ProcessEntry process{pid, {}, {}};
        if (std::optional<std::string> path = executable_of(pid)) {
            process.exe_name = base_name(*path);
            process.exe_path = std::move(*path);
        } else {
            process.exe_name = command_name(pid);
        }
        if (!process.exe_name.empty()) { // empty: ended while we looked
            processes.push_back(std::move(process));
        }
    }
    closedir(proc);
    return processes;
}

std::unique_ptr<ProcessHandle> Processes::open(int pid) {
    if (pid <= 0) {
        set_last_system_error(EINVAL);
        return nullptr;
    }
    int pidfd = pidfd_open(pid);
    if (pidfd < 0) {
        fail_with_errno();
        return nullptr;
    }
    // A process we could not signal could not be terminated either (another user's, say).
    if (!pidfd_signal(pidfd, 0)) {
        close(pidfd);
        return nullptr;
    }
    return std::unique_ptr<ProcessHandle>(new ProcessHandle(pid, pidfd));
}

bool Processes::shell_open(const std::string& path) {
    if (path.empty()) {
        set_last_system_error(ENOENT);
        return false;
    }
    std::string program = path;
    char* const argv[] = {program.data(), nullptr};
    int error_pipe[2];
    if (pipe2(error_pipe, O_CLOEXEC) != 0) {
        return fail_with_errno();
    }
    // Two forks: the program is the child of a child that ends at once, so it is nobody's child
    // here (never a zombie of ours) and, in its own session, outlives our terminal.
    pid_t child = fork();
    if (child == 0) {
        setsid();
        pid_t grandchild = _Fork(); // unlike fork, safe in the child of a threaded process
        if (grandchild == 0) {
            exec_detached(program.c_str(), argv, error_pipe[1]);
        }
        _exit(grandchild < 0 ? 1 : 0);
    }
    int fork_error = errno;
    close(error_pipe[1]);
    if (child < 0) {
        close(error_pipe[0]);
        set_last_system_error(static_cast<uint32_t>(fork_error));
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // The pipe closes without a word when exec succeeds; otherwise it carries exec's error.
    int exec_error = 0;
    ssize_t got = 0;
    do {
        got = read(error_pipe[0], &exec_error, sizeof(exec_error));
    } while (got < 0 && errno == EINTR);
    close(error_pipe[0]);
    if (got == static_cast<ssize_t>(sizeof(exec_error))) {
        set_last_system_error(static_cast<uint32_t>(exec_error));
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        set_last_system_error(EAGAIN); // the intermediate child could not fork
        return false;
    }
    return true;
}

} // namespace devio::sys
