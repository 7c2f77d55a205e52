// What the special-keys features 0x1B03 and 0x1B04 share: the control-id records they read and
// write, and the decoding of their key reports.
//
// Layouts left open by the protocol and chosen as a keyboard or mouse of this kind answers:
//   GetCtrlIdInfo [index] -> [control id (16 bits), task id (16 bits), flags]
//   GetCtrlIdReporting [control id (16 bits)] -> [control id (16 bits), flags, remapped (16 bits)]
//   SetCtrlIdReporting [control id (16 bits), flags, remapped (16 bits)] -> the same
//   key event (function 0): up to 8 control ids (16 bits each) held down, ended by 0
// All 16-bit values big-endian.
#pragma once

#include <vector>

#include "Source/Byte.h"

namespace devio {

struct CtrlIdReporting {
    int control_id = 0;
    int flags = 0;
    int remapped = 0;

    std::vector<Byte> bytes() const {
        return {static_cast<Byte>(control_id >> 8), static_cast<Byte>(control_id & 0xFF),
                static_cast<Byte>(flags), static_cast<Byte>(remapped >> 8),
                static_cast<Byte>(remapped & 0xFF)};
    }
    static CtrlIdReporting from(const std::vector<Byte>& r) {
        return {(r[0] << 8) | r[1], r[2], (r[3] << 8) | r[4]};
    }
    bool operator==(const CtrlIdReporting&) const = default;
};

// The number of bytes a reporting record takes.
inline constexpr std::size_t kCtrlIdReportingBytes = 5;

// The control ids of a key event: 16-bit entries up to the first 0 or the end of the event.
inline std::vector<int> pressed_control_ids(const std::vector<Byte>& parameters) {
    std::vector<int> ids;
    for (std::size_t at = 0; at + 1 < parameters.size(); at += 2) {
        int id = (parameters[at] << 8) | parameters[at + 1];
        if (id == 0) {
            break;
        }
        ids.push_back(id);
    }
    return ids;
}

} // namespace devio
