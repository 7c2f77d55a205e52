#include "sim/Features/DfuTransferFeature.h"

namespace devio::sim {

namespace {

constexpr Byte kStart = 4;
constexpr Byte kRestart = 5;
constexpr Byte kRestartParameter = 1;

DfuTransfer::Packet packet_of(const FeatureRequest& request) {
    return DfuTransfer::Packet(request.params.data(), DfuTransfer::kPacketSize);
}

} // namespace

std::optional<DfuFaults::AtPacket> DfuFaults::take(DfuTransfer::Image image, uint32_t packet) {
    for (auto it = at_packets.begin(); it != at_packets.end(); ++it) {
        if (it->image == image && it->packet == packet) {
            AtPacket fault = *it;
            at_packets.erase(it);
            return fault;
        }
    }
    return std::nullopt;
}

std::optional<FeatureAnswer> DfuTransferFeature::fault_answer(const DfuFaults::AtPacket& fault,
                                                              uint32_t packet) {
    using Kind = DfuFaults::AtPacket::Kind;
    switch (fault.kind) {
    case Kind::DropLink:
        control_.lose_link_for(fault.duration);
        return FeatureAnswer::silent();
    case Kind::PowerOff:
        control_.power_off_for(fault.duration);
        return FeatureAnswer::silent();
    case Kind::BadStatus:
        return FeatureAnswer::ok(status_block(packet, fault.status));
    case Kind::LoseAnswer:
    case Kind::LateAnswer:
        break;
    }
    return std::nullopt;
}

FeatureAnswer DfuTransferFeature::take_with(const std::optional<DfuFaults::AtPacket>& fault,
                                            FeatureAnswer answer) {
    using Kind = DfuFaults::AtPacket::Kind;
    if (fault && fault->kind == Kind::LoseAnswer) {
        FeatureAnswer lost = FeatureAnswer::silent();
        lost.then = std::move(answer.then);
        return lost;
    }
    if (fault && fault->kind == Kind::LateAnswer) {
        answer.extra_delay = fault->duration;
    }
    return answer;
}

std::vector<Byte> DfuTransferFeature::status_block(uint32_t packet, Byte status) {
    return {0, 0, static_cast<Byte>(packet >> 8), static_cast<Byte>(packet & 0xFF), status};
}

FeatureAnswer DfuTransferFeature::handle(const FeatureRequest& request) {
    if (request.function < kStart) {
        return data(request);
    }
    if (request.function == kStart) {
        return start(request);
    }
    if (request.function == kRestart) {
        return restart_request(request);
    }
    return FeatureAnswer::fail(rap::Rap20Error::InvalidFunction);
}

FeatureAnswer DfuTransferFeature::start(const FeatureRequest& request) {
    if (request.param_count < DfuTransfer::kPacketSize) {
        return FeatureAnswer::fail(rap::Rap20Error::InvalidArgument);
    }
    std::optional<DfuFaults::AtPacket> fault =
        faults_.take(static_cast<DfuTransfer::Image>(request.params[0]), 0);
    if (fault) {
        if (auto answer = fault_answer(*fault, 0)) {
            return std::move(*answer);
        }
    }
    DfuTransfer::Step step = transfer_.start(packet_of(request));
    if (step.status == DfuTransfer::kBusy) {
        control_.image_started(*transfer_.image_in_progress());
        // Once the flash is erased the device asks for packet 1 on its own.
        control_.after(erase_time_, [this] {
            transfer_.erase_done();
            control_.send_event(kNumber, 0, status_block(0, DfuTransfer::kPacketAccepted),
                                Scheduler::Delay::zero());
        });
    }
    return take_with(fault, FeatureAnswer::ok(status_block(step.packet, step.status)));
}

FeatureAnswer DfuTransferFeature::data(const FeatureRequest& request) {
    if (request.param_count < DfuTransfer::kPacketSize) {
        return FeatureAnswer::fail(rap::Rap20Error::InvalidArgument);
    }
    uint32_t next = transfer_.next_packet();
    bool expected = next != 0 && request.function == next % 4;
    std::optional<DfuFaults::AtPacket> fault;
    if (expected) {
        fault = faults_.take(*transfer_.image_in_progress(), next);
    }
    if (fault) {
        if (auto answer = fault_answer(*fault, next)) {
            return std::move(*answer);
        }
    }
    if (expected && faults_.link_drop && faults_.link_drop->packet == next) {
        auto duration = faults_.link_drop->duration;
        faults_.link_drop.reset();
        control_.lose_link_for(duration);
        return FeatureAnswer::silent();
    }
    if (expected && faults_.bad_status && faults_.bad_status->packet == next) {
        Byte status = faults_.bad_status->status;
        bool spurious = faults_.bad_status->spurious;
        faults_.bad_status.reset();
        if (!spurious) {
            return FeatureAnswer::ok(status_block(next, status));
        }
        control_.send_event(kNumber, 0, status_block(next, status), Scheduler::Delay::zero());
    }
    DfuTransfer::Step step = transfer_.packet(request.function, packet_of(request));
    if (step.finished) {
        control_.image_completed(*transfer_.image_in_progress());
    }
    return take_with(fault, FeatureAnswer::ok(status_block(step.packet, step.status)));
}

FeatureAnswer DfuTransferFeature::restart_request(const FeatureRequest& request) {
    if (request.params[0] != kRestartParameter) {
        return FeatureAnswer::fail(rap::Rap20Error::InvalidArgument);
    }
    return FeatureAnswer::ok({kRestartParameter}).followed_by([this] {
        control_.restart_from_bootloader();
    });
}

} // namespace devio::sim
