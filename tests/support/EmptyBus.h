// A bottom bus for the device manager's stack that lists nothing, or fails to enumerate when told
// to; tests that need a stack without devices choose it through BottomBusChoice.
#pragma once

#include <atomic>
#include <memory>
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
        return {};
    }
    std::atomic<int> enumerations{0};
    std::atomic<bool> failing{false};
};

} // namespace devio::test
