#include "Source/System/NamedLock.h"

#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

#include "Source/System/Paths.h"
#include "Source/System/SecureFolder.h"
#include "Source/System/SystemError.h"

namespace devio::sys {

// One per name and process: threads of the process take turns through the mutex and condition,
// and the thread that holds it also holds the flock on the shared descriptor.
struct NamedLock::Shared {
    std::mutex mutex;
    std::condition_variable released;
    std::thread::id owner;
    int depth = 0;
    int fd = -1;

    ~Shared() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

namespace {

std::mutex g_registry_mutex;
std::map<std::string, std::weak_ptr<NamedLock::Shared>>& registry() {
    static auto* names = new std::map<std::string, std::weak_ptr<NamedLock::Shared>>();
    return *names;
}

std::string file_name_for(const std::string& name) {
    std::string safe = name;
    for (char& c : safe) {
        if (c == '/' || c == '\\') {
            c = '_';
        }
    }
    return safe;
}

std::shared_ptr<NamedLock::Shared> shared_for(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_registry_mutex);
    auto& entry = registry()[name];
    if (auto existing = entry.lock()) {
        return existing;
    }
    std::string folder = Paths::runtime_folder();
    if (folder.empty()) {
        return nullptr;
    }
    std::string path = folder + "/" + file_name_for(name) + ".lock";
    // Shared by every process that takes the lock, so opened or created, never through a link.
    int fd = SecureFolder::open_file(path, O_RDWR | O_CREAT, 0600);
    if (fd < 0) {
        fail_with_errno();
        return nullptr;
    }
    auto shared = std::make_shared<NamedLock::Shared>();
    shared->fd = fd;
    entry = shared;
    return shared;
}

bool take_file_lock(int fd, bool wait) {
    while (flock(fd, wait ? LOCK_EX : (LOCK_EX | LOCK_NB)) != 0) {
        if (errno != EINTR) {
            return fail_with_errno();
        }
    }
    return true;
}

} // namespace

NamedLock::NamedLock() = default;

NamedLock::~NamedLock() {
    while (held_ > 0 && unlock()) {
    }
}

bool NamedLock::open(const std::string& name) {
    if (shared_ != nullptr) {
        set_last_system_error(EBUSY);
        return false;
    }
    shared_ = shared_for(name);
    if (shared_ == nullptr) {
        return false;
    }
    name_ = name;
    return true;
}

bool NamedLock::is_open() const {
    return shared_ != nullptr;
}

bool NamedLock::lock() {
    if (shared_ == nullptr) {
        set_last_system_error(EBADF);
        return false;
    }
    Shared& s = *shared_;
    std::unique_lock<std::mutex> guard(s.mutex);
    auto me = std::this_thread::get_id();
    if (s.depth > 0 && s.owner == me) {
        ++s.depth;
        ++held_;
        return true;
    }
    s.released.wait(guard, [&] { return s.depth == 0; });
    // This thread now holds the process's turn; the flock waits for other processes.
    s.owner = me;
    s.depth = 1;
    guard.unlock();
    if (!take_file_lock(s.fd, true)) {
        guard.lock();
        s.depth = 0;
        s.owner = {};
        s.released.notify_one();
        return false;
    }
    ++held_;
    return true;
}

bool NamedLock::try_lock() {
    if (shared_ == nullptr) {
        set_last_system_error(EBADF);
        return false;
    }
    Shared& s = *shared_;
    std::lock_guard<std::mutex> guard(s.mutex);
    auto me = std::this_thread::get_id();
    if (s.depth > 0) {
        if (s.owner != me) {
            set_last_system_error(EWOULDBLOCK);
            return false;
        }
        ++s.depth;
        ++held_;
        return true;
    }
    if (!take_file_lock(s.fd, false)) {
        return false;
    }
    s.owner = me;
    s.depth = 1;
    ++held_;
    return true;
}

bool NamedLock::unlock() {
    if (shared_ == nullptr) {
        set_last_system_error(EBADF);
        return false;
    }
    Shared& s = *shared_;
    std::lock_guard<std::mutex> guard(s.mutex);
    if (s.depth == 0 || s.owner != std::this_thread::get_id() || held_ == 0) {
        set_last_system_error(EPERM);
        return false;
    }
    --held_;
    if (--s.depth == 0) {
        flock(s.fd, LOCK_UN);
        s.owner = {};
        s.released.notify_one();
    }
    return true;
}

} // namespace devio::sys
