// A system-wide mutex known by name, which serialises the commands of every program that talks to
// the same receiver or device. Locking waits 10 s (scaled) at most, then fails: a hung holder stops
// no command for longer. The thread that holds it may take it again (each lock needs its unlock).
#pragma once

#include <string>

#include "Source/System/NamedLock.h"

namespace devio {

class NamedMutex {
public:
    NamedMutex() = default;
    // Releases a hold that is still taken and closes the mutex.
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Creates (or opens) the mutex of that name, not taken. False when it cannot be created.
    bool init(const std::string& name);
    bool is_open() const { return lock_.is_open(); }
    const std::string& name() const { return lock_.name(); }

    // Both assert that the mutex was created; false when it was not (lock: or held by another).
    bool lock();
    bool unlock();

private:
    // Releases the holds still taken when it is destroyed.
    sys::NamedLock lock_;
};

} // namespace devio
