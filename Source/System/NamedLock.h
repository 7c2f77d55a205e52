// A cross-process named mutex, the stand-in for the platform's named mutex.
//
// A lock file "<runtime folder>/<name>.lock" (Paths::runtime_folder, checked by SecureFolder; the
// file is never opened through a symbolic link) held with flock: exclusive across processes and
// threads, and released by the kernel when a holder dies. Like the platform's mutex it belongs to
// a thread and may be taken again by the thread that holds it (each lock needs its unlock).
// Characters of the name that cannot be in a file name ('/' and '\\') become '_'.
#pragma once

#include <memory>
#include <string>

namespace devio::sys {

class NamedLock {
public:
    NamedLock();
    ~NamedLock();
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;

    // Opens (creating as needed) the lock of that name; not taken.
    bool open(const std::string& name);
    bool is_open() const;
    const std::string& name() const { return name_; }

    // Waits without limit. False only when the lock is not open or the lock file fails.
    bool lock();
    // Takes the lock if nobody else holds it.
    bool try_lock();
    // Releases one level of the calling thread's hold; false when it does not hold it.
    bool unlock();

    struct Shared;

private:
    std::string name_;
    std::shared_ptr<Shared> shared_;
    int held_ = 0; // levels this object holds, released by the destructor
};

} // namespace devio::sys
