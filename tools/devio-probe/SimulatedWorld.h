// The built-in virtual world of --simulate: a virtual receiver of the chosen kind with the virtual
// mouse paired to it, plugged into a virtual HID system that the process's Windows HID busses get.
// Made before the library's device manager and destroyed after it.
#pragma once

#include <memory>

#include "sim/Scheduler.h"
#include "sim/VirtualHidSystem.h"
#include "sim/VirtualMouse.h"
#include "sim/VirtualReceiver.h"

namespace devio::probe {

class SimulatedWorld {
public:
    // `receiver_kind` is 'A' to 'H'.
    explicit SimulatedWorld(char receiver_kind);
    // Unplugs the receiver and gives the process its own system back.
    ~SimulatedWorld();
    SimulatedWorld(const SimulatedWorld&) = delete;
    SimulatedWorld& operator=(const SimulatedWorld&) = delete;

private:
    sim::Scheduler scheduler_;
    sim::VirtualReceiver receiver_;
    std::shared_ptr<sim::VirtualMouse> mouse_;
    std::shared_ptr<sim::VirtualHidSystem> system_;
};

} // namespace devio::probe
