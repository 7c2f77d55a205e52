// A hardware bus that lives beside the HID bus and learns of device changes from it: the HID bus
// hands it every device-change message that its window receives.
#pragma once

#include "Source/Contracts/IHardwareBus.h"

// The platform's device-broadcast header, declared with the other system types in Source/Windows.
struct DEV_BROADCAST_HDR;

namespace devio {

class IHardwareSecondaryBus : public IHardwareBus {
public:
    // `event` is the message's event code; `header` may be null.
    virtual void process_wm_devicechange(unsigned /*event*/, const DEV_BROADCAST_HDR* /*header*/) {}
};

} // namespace devio
