// Collects what the library's device manager finds into a ProbeReport: it builds the manager's
// stack, answers the run loop on the calling thread until no device has arrived for a while (or
// the wait is over), and then asks every connected device for its features and firmware entities.
#pragma once

#include <memory>

#include "tools/devio-probe/ProbeReport.h"

namespace devio {
class IDevice;
class IDeviceManager;
} // namespace devio

namespace devio::probe {

class ProbeCollector {
public:
    // How long no arrival must come before the devices count as complete (scaled milliseconds).
    static constexpr int kQuietMs = 1000;

    explicit ProbeCollector(std::shared_ptr<IDeviceManager> manager);

    // Waits at most `wait_ms` (scaled) for devices, then collects them. Runs on the application's
    // thread: it answers the run loop.
    ProbeReport collect(int wait_ms);

    // One device's entry; the features and firmware are asked only when it is connected.
    static ProbeDevice describe(IDevice& device);

private:
    void wait_for_devices(int wait_ms);

    std::shared_ptr<IDeviceManager> manager_;
};

} // namespace devio::probe
