#include "Source/Rap/NamedMutex.h"

#include <cstdint>

#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/System/Clock.h"

namespace devio {

namespace {

constexpr const char* kSourceFile = "..\\Source\\NamedMutex";
// How long lock waits for another holder (scaled milliseconds), and its pause between tries.
constexpr int kWaitMs = 10000;
constexpr int kPauseMs = 5;

} // namespace

NamedMutex::~NamedMutex() {
    if (lock_.is_open()) {
        // The lock has no handle number of its own; its object's address identifies it.
        xLogWrite("Untagged", kLogDebug, "devio::NamedMutex::~NamedMutex",
                  "closed handle 0x%08x (hMutex)",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(&lock_)));
    }
}

bool NamedMutex::init(const std::string& name) {
    xLogWrite("Untagged", kLogDebug, "devio::NamedMutex::init", "Mutex name: %s", name.c_str());
    return lock_.open(name);
}

bool NamedMutex::lock() {
    if (xAssert(lock_.is_open(), "hMutex_ != NULL", kSourceFile, __LINE__)) {
        return false;
    }
    // The file lock cannot wait with a bound, so the wait is a series of attempts; a holder that
    // releases between two of them is outwaited by at most one pause.
    const uint64_t deadline = sys::Clock::tick_count_ms() + kWaitMs;
    for (;;) {
        if (lock_.try_lock()) {
            return true;
        }
        if (sys::Clock::tick_count_ms() >= deadline) {
            break;
        }
        sys::Clock::sleep_ms(kPauseMs);
    }
    xLogWrite("Untagged", kLogError, "devio::NamedMutex::lock",
              "Mutex %s still held by another program after %d ms, giving up", name().c_str(),
              static_cast<int>(kWaitMs));
    set_last_error(ErrorCode::Unavailable, 0, "the command mutex is held by another program");
    return false;
}

bool NamedMutex::unlock() {
    return !xAssert(lock_.is_open(), "hMutex_ != NULL", kSourceFile, __LINE__) && lock_.unlock();
}

} // namespace devio
