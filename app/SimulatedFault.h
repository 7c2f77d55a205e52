// A fault of the built-in virtual mouse, chosen on the command line (--simulate-fault=SPEC), so
// that support can reproduce a failure seen in the field and scripts can check the tool against
// the simulator's fault switches.
//
// Grammar of SPEC:
//   KIND@IMAGE:PACKET[:VALUE]   a fault at one packet of one image
//   no-bootloader-announce      the bootloader's return is announced only after a forced arrival
//   other-program               another program talks to the mouse throughout (its own software id)
// IMAGE is A (the application image, sent second) or B (the radio-stack image, sent first); PACKET
// counts the image's 16-byte packets from 1, the start block being packet 1. KIND and VALUE:
//   drop-link    the radio link is lost at the packet for VALUE ms (default 2000)
//   lose-answer  the packet is taken, its answer is lost (no VALUE)
//   late-answer  the packet is taken, its answer comes VALUE ms late (default 1000)
//   bad-status   the packet is refused with status VALUE (default 7; 0, 4, 5 or 7 to 255)
//   power-off    the mouse loses its power at the packet, back after VALUE ms (default 3000)
// Milliseconds range from 0 to 600000.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "sim/Features/DfuTransferFeature.h"

namespace devio::app {

class CSimulatedWorld;

struct SimulatedFault {
    enum class Kind {
        DropLink,
        LoseAnswer,
        LateAnswer,
        BadStatus,
        PowerOff,
        NoBootloaderAnnounce,
        OtherProgram,
    };
    Kind kind = Kind::DropLink;
    sim::DfuTransfer::Image image = sim::DfuTransfer::Image::RadioStack;
    uint32_t packet = 0; // from 1; 0 for the kinds without a place
    std::chrono::milliseconds duration{0};
    uint8_t status = 0;

    // The fault of `spec`; empty with the reason in `error` when it cannot be read.
    static std::optional<SimulatedFault> Parse(std::string_view spec, std::string& error);
    // Switches the fault on in the world's mouse.
    void ApplyTo(CSimulatedWorld& world) const;
    // The spec in its normal form (defaults written out).
    std::string Text() const;
};

} // namespace devio::app
