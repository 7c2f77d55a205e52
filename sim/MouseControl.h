// What a feature may ask of the mouse it belongs to: restarts, the radio link, events and
// follow-up actions. Called on the simulator thread with the simulator lock held.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "sim/DfuTransfer.h"
#include "sim/RapReport.h"
#include "sim/Scheduler.h"

namespace devio::sim {

class MouseControl {
public:
    virtual ~MouseControl() = default;
    // The application firmware hands over to the bootloader.
    virtual void enter_bootloader() = 0;
    // The bootloader restarts: into the application when one is installed, else into itself.
    virtual void restart_from_bootloader() = 0;
    // A transfer of the image began (the flash is being erased), or the image arrived complete.
    virtual void image_started(DfuTransfer::Image image) = 0;
    virtual void image_completed(DfuTransfer::Image image) = 0;
    virtual void lose_link_for(std::chrono::milliseconds duration) = 0;
    // The mouse loses its power and gets it back after `duration` (then it boots).
    virtual void power_off_for(std::chrono::milliseconds duration) = 0;
    // An event of the feature (software id 0), sent after `delay` unless the mouse restarts first.
    virtual void send_event(uint16_t feature, Byte function, std::vector<Byte> params,
                            Scheduler::Delay delay) = 0;
    // Runs `action` after `delay` unless the mouse restarts or loses power first.
    virtual void after(Scheduler::Delay delay, std::function<void()> action) = 0;
};

} // namespace devio::sim
