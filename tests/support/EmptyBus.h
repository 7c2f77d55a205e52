// A bottom bus for the device manager's stack that lists nothing, or fails to enumerate when told
// to; tests that need a stack without devices choose it through BottomBusChoice. `quiet` devices
// are listed by devices() but never announced, as a receiver's forced-arrival enumeration finds
// them.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "Source/Contracts/IHardwareBus.h"
#include "Source/Events/Producer.h"
#include "Source/Log/LastError.h"

namespace devio::test {

class EmptyBus : public IHardwareBus, public Producer<IHardwareBus::PlugUnplug> {
public:
    std::vector<std::shared_ptr<IHardwareDevice>> devices() override {
        ++enumerations;
        if (failing) {
            set_last_error(ErrorCode::DeviceEnumerationFailed);
        }
        std::lock_guard<std::mutex> lock(mutex_);
        return quiet_;
    }
    void set_quiet(std::vector<std::shared_ptr<IHardwareDevice>> devices) {
        std::lock_guard<std::mutex> lock(mutex_);
        quiet_ = std::move(devices);
    }
    std::atomic<int> enumerations{0};
    std::atomic<bool> failing{false};

private:
    std::mutex mutex_;
    std::vector<std::shared_ptr<IHardwareDevice>> quiet_; // guarded by mutex_
};

} // namespace devio::test
