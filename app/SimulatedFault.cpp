#include "app/SimulatedFault.h"

#include <array>

#include "app/SimulatedWorld.h"

namespace devio::app {

namespace {

using Kind = SimulatedFault::Kind;

struct KindInfo {
    Kind kind;
    std::string_view name;
    bool placed;
    std::optional<int> defaultValue; // empty: takes no VALUE
};

constexpr std::array<KindInfo, 7> kKinds = {{
    {Kind::DropLink, "drop-link", true, 2000},
    {Kind::LoseAnswer, "lose-answer", true, std::nullopt},
    {Kind::LateAnswer, "late-answer", true, 1000},
    {Kind::BadStatus, "bad-status", true, 7},
    {Kind::PowerOff, "power-off", true, 3000},
    {Kind::NoBootloaderAnnounce, "no-bootloader-announce", false, std::nullopt},
    {Kind::OtherProgram, "other-program", false, std::nullopt},
}};

constexpr int kMaxMilliseconds = 600000;
constexpr uint32_t kMaxPacket = 0xFFFF;
// The request another program repeats: the battery status, every 50 ms.
constexpr std::chrono::milliseconds kOtherProgramPeriod{50};

std::optional<long> Decimal(std::string_view text, long max) {
    if (text.empty() || text.size() > 9) {
        return std::nullopt;
    }
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value <= max ? std::optional<long>(value) : std::nullopt;
}

bool IsBadStatus(long status) {
    return status == 0 || status == 4 || status == 5 || (status >= 7 && status <= 255);
}

const KindInfo& InfoOf(Kind kind) {
    for (const KindInfo& info : kKinds) {
        if (info.kind == kind) {
            return info;
        }
    }
    return kKinds[0];
}

} // namespace

std::optional<SimulatedFault> SimulatedFault::Parse(std::string_view spec, std::string& error) {
    size_t at = spec.find('@');
    std::string_view name = spec.substr(0, at);
    const KindInfo* info = nullptr;
    for (const KindInfo& candidate : kKinds) {
        if (candidate.name == name) {
            info = &candidate;
        }
    }
    if (info == nullptr) {
        error = "unknown fault \"" + std::string(name) +
                "\" (drop-link, lose-answer, late-answer, bad-status, power-off, "
                "no-bootloader-announce, other-program)";
        return std::nullopt;
    }
    SimulatedFault fault;
    fault.kind = info->kind;
    if (!info->placed) {
        if (at != std::string_view::npos) {
            error = std::string(name) + " takes no place";
            return std::nullopt;
        }
        return fault;
    }
    if (at == std::string_view::npos) {
        error =
            std::string(name) + " needs a place: " + std::string(name) + "@IMAGE:PACKET[:VALUE]";
        return std::nullopt;
    }
    std::string_view place = spec.substr(at + 1);
    if (place.size() < 3 || (place[0] != 'A' && place[0] != 'B') || place[1] != ':') {
        error = "the place of " + std::string(name) + " is IMAGE:PACKET with IMAGE A or B, not \"" +
                std::string(place) + "\"";
        return std::nullopt;
    }
    fault.image = place[0] == 'A' ? sim::DfuTransfer::Image::Application
                                  : sim::DfuTransfer::Image::RadioStack;
    std::string_view rest = place.substr(2);
    size_t colon = rest.find(':');
    std::optional<long> packet = Decimal(rest.substr(0, colon), kMaxPacket);
    if (!packet || *packet < 1) {
        error = "the packet of " + std::string(name) + " is a number from 1 to 65535, not \"" +
                std::string(rest.substr(0, colon)) + "\"";
        return std::nullopt;
    }
    fault.packet = static_cast<uint32_t>(*packet);
    std::optional<long> value = info->defaultValue;
    if (colon != std::string_view::npos) {
        if (!info->defaultValue) {
            error = std::string(name) + " takes no value";
            return std::nullopt;
        }
        value = Decimal(rest.substr(colon + 1), kMaxMilliseconds);
        bool valid = value && (fault.kind != Kind::BadStatus || IsBadStatus(*value));
        if (!valid) {
            error = fault.kind == Kind::BadStatus
                        ? "the value of bad-status is a status code 0, 4, 5 or 7 to 255, not \"" +
                              std::string(rest.substr(colon + 1)) + "\""
                        : "the value of " + std::string(name) +
                              " is a number of milliseconds from 0 to 600000, not \"" +
                              std::string(rest.substr(colon + 1)) + "\"";
            return std::nullopt;
        }
    }
    long chosen = value.value_or(0);
    if (fault.kind == Kind::BadStatus) {
        fault.status = static_cast<uint8_t>(chosen);
    } else {
        fault.duration = std::chrono::milliseconds(chosen);
    }
    return fault;
}

std::string SimulatedFault::Text() const {
    const KindInfo& info = InfoOf(kind);
    std::string text(info.name);
    if (!info.placed) {
        return text;
    }
    text += std::string("@") + (image == sim::DfuTransfer::Image::Application ? "A" : "B") + ":" +
            std::to_string(packet);
    if (kind == Kind::BadStatus) {
        text += ":" + std::to_string(status);
    } else if (info.defaultValue) {
        text += ":" + std::to_string(duration.count());
    }
    return text;
}

void SimulatedFault::ApplyTo(CSimulatedWorld& world) const {
    using At = sim::DfuFaults::AtPacket;
    sim::VirtualMouse& mouse = world.Mouse();
    auto at = [&](At::Kind atKind) {
        At fault{atKind, image, packet - 1, duration, status};
        mouse.add_packet_fault(fault);
    };
    switch (kind) {
    case Kind::DropLink:
        at(At::Kind::DropLink);
        break;
    case Kind::LoseAnswer:
        at(At::Kind::LoseAnswer);
        break;
    case Kind::LateAnswer:
        at(At::Kind::LateAnswer);
        break;
    case Kind::BadStatus:
        at(At::Kind::BadStatus);
        break;
    case Kind::PowerOff:
        at(At::Kind::PowerOff);
        break;
    case Kind::NoBootloaderAnnounce:
        mouse.hide_bootloader_return(true);
        break;
    case Kind::OtherProgram:
        mouse.start_other_program(sim::OtherProgramRequest{}, kOtherProgramPeriod);
        break;
    }
}

} // namespace devio::app
