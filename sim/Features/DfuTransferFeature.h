// Feature 0x00D0 of the virtual mouse's bootloader: the start block (function 4), the data
// packets (functions 0 to 3, rotating) and DFURestart (function 5). Every packet is answered with
// a status block: bytes 2 and 3 the packet number, byte 4 the status.
#pragma once

#include <chrono>
#include <optional>
#include <vector>

#include "sim/DfuTransfer.h"
#include "sim/MouseControl.h"
#include "sim/VirtualFeature.h"

namespace devio::sim {

// One-shot transfer faults, each for the packet with the given number.
struct DfuFaults {
    struct BadStatus {
        uint32_t packet;
        Byte status;
        // The bad status comes as an extra event and the packet is taken all the same.
        bool spurious = false;
    };
    struct LinkDrop {
        uint32_t packet;
        std::chrono::milliseconds duration;
    };
    std::optional<BadStatus> bad_status;
    std::optional<LinkDrop> link_drop;

    // A fault at one packet of one image, each taken once. Packet 0 is the start block.
    struct AtPacket {
        enum class Kind {
            DropLink,   // the link is lost for `duration`; the packet is not answered
            LoseAnswer, // the packet is taken, its answer is lost
            LateAnswer, // the packet is taken, its answer comes `duration` late
            BadStatus,  // the packet is refused with `status`
            PowerOff,   // the power is lost, back after `duration`; the packet is lost
        };
        Kind kind;
        DfuTransfer::Image image;
        uint32_t packet;
        std::chrono::milliseconds duration{0};
        Byte status = DfuTransfer::kWriteFailed;
    };
    std::vector<AtPacket> at_packets;
    // Takes the fault planned for this packet, if there is one.
    std::optional<AtPacket> take(DfuTransfer::Image image, uint32_t packet);
};

class DfuTransferFeature final : public VirtualFeature {
public:
    static constexpr uint16_t kNumber = 0x00D0;

    DfuTransferFeature(DfuTransfer& transfer, DfuFaults& faults, MouseControl& control,
                       Scheduler::Delay erase_time)
        : transfer_(transfer), faults_(faults), control_(control), erase_time_(erase_time) {}

    uint16_t number() const override { return kNumber; }
    FeatureAnswer handle(const FeatureRequest& request) override;

    static std::vector<Byte> status_block(uint32_t packet, Byte status);

private:
    FeatureAnswer start(const FeatureRequest& request);
    FeatureAnswer data(const FeatureRequest& request);
    FeatureAnswer restart_request(const FeatureRequest& request);
    // The answer of a packet with a fault at it; empty when the fault lets the packet be taken.
    std::optional<FeatureAnswer> fault_answer(const DfuFaults::AtPacket& fault, uint32_t packet);
    // The packet is taken, and `fault` shapes its answer.
    FeatureAnswer take_with(const std::optional<DfuFaults::AtPacket>& fault, FeatureAnswer answer);

    DfuTransfer& transfer_;
    DfuFaults& faults_;
    MouseControl& control_;
    Scheduler::Delay erase_time_;
};

} // namespace devio::sim
