// The tool's built-in virtual world (--simulate): a virtual receiver of kind A with the virtual
// mouse paired in its first slot, plugged into a virtual HID system that becomes the Windows HID
// bus's system of this process. Built once, before the library starts, and kept until the library
// has shut down; the mouse's final state can be written as a JSON record (--simulate-report).
//
// The default mouse runs 8.6.27 with one custom profile in sector 6 (so the profile question is
// asked) and a valid factory profile in sector 1, whose exchanged entries differ from each other.
#pragma once

#include <memory>
#include <string>

#include "sim/FirmwareVersion.h"
#include "sim/MouseState.h"
#include "sim/Scheduler.h"
#include "sim/VirtualHidSystem.h"
#include "sim/VirtualMouse.h"
#include "sim/VirtualReceiver.h"

namespace devio::app {

class CSimulatedWorld {
public:
    static sim::MouseOptions DefaultMouse(sim::FirmwareVersion application);

    // Builds the world, selects its HID system for the busses made from now on and plugs the
    // receiver. `customProfile`: whether sector 6 holds a custom profile; `receiverKind`: 'A' to
    // 'H'.
    explicit CSimulatedWorld(sim::MouseOptions options, bool customProfile = true,
                             char receiverKind = 'A');
    // Unplugs the receiver and gives the busses the platform's system again. The library must
    // have let go of the virtual collections by then.
    ~CSimulatedWorld();
    CSimulatedWorld(const CSimulatedWorld&) = delete;
    CSimulatedWorld& operator=(const CSimulatedWorld&) = delete;

    sim::VirtualMouse& Mouse() { return *m_mouse; }
    sim::VirtualReceiver& Receiver() { return m_receiver; }
    sim::VirtualHidSystem& System() { return *m_system; }

    // The mouse's state as a JSON record: its running firmware and version, for each image the
    // bytes received and their SHA-256, profile sector 1 at start and now, and sectors 6 to 15.
    std::string Report() const;
    // Writes Report() to `path`; false (with errno) when the file cannot be written.
    bool WriteReport(const std::string& path) const;

private:
    sim::Scheduler m_scheduler;
    sim::VirtualReceiver m_receiver;
    std::shared_ptr<sim::VirtualMouse> m_mouse;
    std::shared_ptr<sim::VirtualHidSystem> m_system;
    sim::ProfileMemory::Sector m_sector1AtStart{};
};

} // namespace devio::app
