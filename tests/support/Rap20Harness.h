// A RAP device on a FakeRap20Device, initialised like every harness device; `fake` is the model
// the device talks to.
#pragma once

#include <memory>

#include "support/DeviceHarness.h"
#include "support/FakeRap20Device.h"

namespace devio::test {

class Rap20Harness : public DeviceHarness {
public:
    // `configure` sets the manager up before the device is initialised with it.
    explicit Rap20Harness(
        std::shared_ptr<FakeRap20Device> model = std::make_shared<FakeRap20Device>(),
        const std::function<void(IDeviceManager&)>& configure = {})
        : DeviceHarness(model, configure), fake(std::move(model)) {}
    explicit Rap20Harness(FakeHardwareDevice::Identity identity)
        : Rap20Harness(std::make_shared<FakeRap20Device>(std::move(identity))) {}

    std::shared_ptr<FakeRap20Device> fake;
};

} // namespace devio::test
