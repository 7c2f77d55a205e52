// The radio between a receiver and the devices paired to it. A receiver gives each paired device
// a RadioLink for its slot; the device answers and announces itself through it. Both sides are
// called on the simulator thread with the simulator lock held (see Scheduler).
#pragma once

#include <cstdint>
#include <string>

#include "sim/RapReport.h"

namespace devio::sim {

// The receiver's end of one pairing slot.
class RadioLink {
public:
    virtual ~RadioLink() = default;
    // A report of the device towards the host; the receiver puts the device index into byte 1.
    virtual void to_host(const Report& report) = 0;
    // The radio link came up or went down. `announce` false: the receiver misses the change and
    // tells the host only when asked to re-announce its devices.
    virtual void link_changed(bool established, bool announce) = 0;
};

// A wireless device as its receiver sees it.
class WirelessDevice {
public:
    virtual ~WirelessDevice() = default;
    virtual uint16_t wireless_product_id() const = 0;
    // The name the receiver stores at pairing (register 0xB5).
    virtual std::string paired_name() const = 0;
    virtual bool link_established() const = 0;
    // Pairing gives the device its link; unpairing takes it away (nullptr).
    virtual void attach(RadioLink* link) = 0;
    // A report from the host, relayed by the receiver (byte 1 holds the device index).
    virtual void from_host(const Report& report) = 0;
};

} // namespace devio::sim
