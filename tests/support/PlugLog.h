// Records a bus's plug and unplug events in order, for tests that deliver them directly on the
// test's own thread.
#pragma once

#include <memory>
#include <vector>

#include "Source/Contracts/IHardwareBus.h"
#include "Source/Events/Subscriber.h"

namespace devio::test {

class PlugLog : public Subscriber<IHardwareBus::PlugUnplug> {
public:
    struct Entry {
        bool plug;
        std::shared_ptr<IHardwareDevice> device;
    };
    std::vector<Entry> entries;
    // The standBy argument of every power change.
    std::vector<bool> power_changes;

private:
    void onPlug(std::shared_ptr<IHardwareDevice> device) override {
        entries.push_back({true, device});
    }
    void onUnplug(std::shared_ptr<IHardwareDevice> device) override {
        entries.push_back({false, device});
    }
    void onPowerChange(bool standBy) override { power_changes.push_back(standBy); }
};

} // namespace devio::test
