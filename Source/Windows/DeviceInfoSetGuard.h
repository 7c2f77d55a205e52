// Destroys a device-information set on every way out of the code that made it.
#pragma once

#include <functional>
#include <utility>

#include "Source/Log/DevioException.h"
#include "Source/Windows/SetupApiTypes.h"
#include "Source/Windows/Win32System.h"

namespace devio {

class DeviceInfoSetGuard {
public:
    // `destroying` runs first (a log line of the caller's).
    DeviceInfoSetGuard(Win32System& system, HDEVINFO set, std::function<void()> destroying = {})
        : system_(system), set_(set), destroying_(std::move(destroying)) {}
    ~DeviceInfoSetGuard() {
        if (destroying_) {
            destroying_();
        }
        try {
            system_.SetupDiDestroyDeviceInfoList(set_);
        } catch (const DevioException&) {
            // The library that made the set is there; nothing else to release.
        }
    }
    DeviceInfoSetGuard(const DeviceInfoSetGuard&) = delete;
    DeviceInfoSetGuard& operator=(const DeviceInfoSetGuard&) = delete;

private:
    Win32System& system_;
    HDEVINFO set_;
    std::function<void()> destroying_;
};

} // namespace devio
