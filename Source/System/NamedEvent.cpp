#include "Source/System/NamedEvent.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <linux/futex.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "Source/System/Clock.h"
#include "Source/System/Paths.h"
#include "Source/System/SecureFolder.h"
#include "Source/System/SystemError.h"

// An event is a small file "<runtime folder>/<name>.event" that every holder maps shared. Its
// state word doubles as a futex, so waiters in any process sleep in the kernel until a setter
// wakes them. The creator holds a write lock (an open-file-description lock) on the file for its
// whole life; the kernel drops that lock when the creator dies, which is how openers and later
// creators tell a live event from one left behind. The creator builds the file unnamed and links
// it under its name only once it is complete and locked, so nobody ever opens a half-made event
// (the runtime folder must be on a file system with unnamed files: tmpfs, ext4, xfs, btrfs).

namespace devio::sys {

namespace {

constexpr uint32_t kMagic = 0x56454444; // "DDEV" in the file, marks a file made here

struct EventFile {
    uint32_t magic;
    uint32_t state; // 0 reset, 1 set; the futex word
};

std::string event_path(const std::string& name) {
    if (name.empty()) {
        set_last_system_error(EINVAL);
        return {};
    }
    std::string folder = Paths::runtime_folder();
    if (folder.empty()) {
        return {};
    }
    std::string file = name;
    for (char& c : file) {
        if (c == '/' || c == '\\') {
            c = '_';
        }
    }
    return folder + "/" + file + ".event";
}

struct flock whole_file(short type) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    return range;
}

bool try_lock_exclusive(int fd) {
    struct flock range = whole_file(F_WRLCK);
    return fcntl(fd, F_OFD_SETLK, &range) == 0;
}

// True when some other open file (the creator's) holds the event's lock. Only asks: the caller
// takes no lock, so concurrent openers never disturb each other or the creator.
bool creator_alive(int fd) {
    struct flock range = whole_file(F_WRLCK);
    return fcntl(fd, F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
}

bool same_file(int fd, const std::string& path) {
    struct stat opened {
    }, named{};
    return fstat(fd, &opened) == 0 && lstat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Removes the file at `path` when its creator has died; false when the event there is alive.
// Whoever removes a file holds its lock and checks that the name still refers to it, so two
// processes cleaning up at once never remove a live successor.
bool remove_if_abandoned(const std::string& path) {
    int fd = SecureFolder::open_file(path, O_RDWR);
    if (fd < 0) {
        return errno == ENOENT; // gone meanwhile: try again
    }
    bool abandoned = try_lock_exclusive(fd);
    if (abandoned && same_file(fd, path)) {
        unlink(path.c_str());
    }
    close(fd);
    return abandoned;
}

EventFile* map_event(int fd) {
    void* mapped = mmap(nullptr, sizeof(EventFile), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED) {
        fail_with_errno();
        return nullptr;
    }
    return static_cast<EventFile*>(mapped);
}

long futex(uint32_t* word, int operation, uint32_t value, const timespec* timeout) {
    return syscall(SYS_futex, word, operation, value, timeout, nullptr, 0);
}

timespec to_timespec(std::chrono::nanoseconds duration) {
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    return timespec{static_cast<time_t>(seconds.count()),
                    static_cast<long>((duration - seconds).count())};
}

} // namespace

struct NamedEvent::State {
    int fd = -1;
    EventFile* file = nullptr;
    std::string created_path; // set for the creator, who removes the name at its end

    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() {
        if (!created_path.empty() && same_file(fd, created_path)) {
            unlink(created_path.c_str());
        }
        if (file != nullptr) {
            munmap(file, sizeof(EventFile));
        }
        if (fd >= 0) {
            close(fd); // releases the creator's lock
        }
    }

    std::atomic_ref<uint32_t> word() const { return std::atomic_ref<uint32_t>(file->state); }
};

NamedEvent::NamedEvent(std::unique_ptr<State> state) : state_(std::move(state)) {}

NamedEvent::~NamedEvent() = default;

std::unique_ptr<NamedEvent> NamedEvent::create(const std::string& name) {
    const std::string path = event_path(name);
    if (path.empty()) {
        return nullptr;
    }
    auto state = std::make_unique<State>();
    const std::string folder = path.substr(0, path.rfind('/'));
    state->fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (state->fd < 0 || ftruncate(state->fd, sizeof(EventFile)) != 0) {
        fail_with_errno();
        return nullptr;
    }
    state->file = map_event(state->fd);
    if (state->file == nullptr) {
        return nullptr;
    }
    state->file->magic = kMagic;
    state->file->state = 0;
    if (!try_lock_exclusive(state->fd)) {
        fail_with_errno();
        return nullptr;
    }
    const std::string unnamed = "/proc/self/fd/" + std::to_string(state->fd);
    // A few rounds: each failed link means an abandoned file was in the way and is gone now, or
    // that another creator raced for the name.
    for (int round = 0; round < 4; ++round) {
        if (linkat(AT_FDCWD, unnamed.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            state->created_path = path;
            return std::unique_ptr<NamedEvent>(new NamedEvent(std::move(state)));
        }
        if (errno != EEXIST) {
            fail_with_errno();
            return nullptr;
        }
        if (!remove_if_abandoned(path)) {
            break;
        }
    }
    set_last_system_error(EEXIST);
    return nullptr;
}

std::unique_ptr<NamedEvent> NamedEvent::open(const std::string& name) {
    const std::string path = event_path(name);
    if (path.empty()) {
        return nullptr;
    }
    auto state = std::make_unique<State>();
    state->fd = SecureFolder::open_file(path, O_RDWR);
    if (state->fd < 0) {
        fail_with_errno();
        return nullptr;
    }
    if (!creator_alive(state->fd)) {
        set_last_system_error(ENOENT); // left behind by a creator that died
        return nullptr;
    }
    struct stat info {};
    if (fstat(state->fd, &info) != 0 || info.st_size < static_cast<off_t>(sizeof(EventFile))) {
        set_last_system_error(EINVAL);
        return nullptr;
    }
    state->file = map_event(state->fd);
    if (state->file == nullptr) {
        return nullptr;
    }
    if (state->file->magic != kMagic) {
        set_last_system_error(EINVAL);
        return nullptr;
    }
    return std::unique_ptr<NamedEvent>(new NamedEvent(std::move(state)));
}

bool NamedEvent::set() {
    state_->word().store(1, std::memory_order_release);
    futex(&state_->file->state, FUTEX_WAKE, INT_MAX, nullptr);
    return true;
}

bool NamedEvent::reset() {
    state_->word().store(0, std::memory_order_release);
    return true;
}

bool NamedEvent::is_set() const {
    return state_->word().load(std::memory_order_acquire) != 0;
}

bool NamedEvent::wait(int64_t timeout_ms) {
    const auto deadline = Clock::deadline_after_ms(timeout_ms);
    while (!is_set()) {
        timespec remaining{};
        const timespec* limit = nullptr;
        if (timeout_ms >= 0) {
            auto left = deadline - std::chrono::steady_clock::now();
            if (left <= std::chrono::nanoseconds::zero()) {
                set_last_system_error(ETIMEDOUT);
                return false;
            }
            remaining = to_timespec(left);
            limit = &remaining;
        }
        // Sleeps only while the word still reads 0, so a set between the check and the call is
        // never missed.
        if (futex(&state_->file->state, FUTEX_WAIT, 0, limit) != 0 && errno != EAGAIN &&
            errno != EINTR && errno != ETIMEDOUT) {
            return fail_with_errno();
        }
    }
    return true;
}

} // namespace devio::sys
