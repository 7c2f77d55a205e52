#include "Source/Rap/NamedMutex.h"

#include <cstdint>

#include "Source/Log/xLog.h"

namespace devio {

namespace {

constexpr const char* kSourceFile = "..\\Source\\NamedMutex";

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
    return !xAssert(lock_.is_open(), "hMutex_ != NULL", kSourceFile, __LINE__) && lock_.lock();
}

bool NamedMutex::unlock() {
    return !xAssert(lock_.is_open(), "hMutex_ != NULL", kSourceFile, __LINE__) && lock_.unlock();
}

} // namespace devio
