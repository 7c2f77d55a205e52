// RAP10Command: the receiver's RAP 1.0 register commands. Each is a short report addressed to the
// receiver itself (device index 0xFF) and goes through the receiver device's synchronous command
// path; the answer is the whole report the receiver sends back (its register value in bytes 4 to
// 6 for a short register, 4 to 19 for a long one).
#pragma once

#include <array>
#include <string>

#include "Source/Byte.h"
#include "Source/Contracts/RapReport.h"

namespace devio {

class IDevice;

class RAP10Command {
public:
    static constexpr Byte kWriteShortRegister = 0x80;
    static constexpr Byte kReadShortRegister = 0x81;
    static constexpr Byte kReadLongRegister = 0x83;
    // A register command aimed at no receiver at all.
    static constexpr ErrorCode kNullDevice = static_cast<ErrorCode>(19);

    using Value = std::array<Byte, 3>;

    // Plain register access; `receiver` must not be null. False with the command path's error.
    static bool read_short_register(IDevice& receiver, Byte reg, rap::Report& answer);
    static bool write_short_register(IDevice& receiver, Byte reg, Value value, rap::Report& answer);
    // `parameters` go into bytes 4 to 6; `positions` are those the answer must repeat.
    static bool read_long_register(IDevice& receiver, Byte reg, Value parameters,
                                   rap::Report& answer, const rap::MatchPositions& positions = {});

    // Forced arrival: the receiver re-sends a connection notification for every paired device
    // before it answers. `state` does not change the command.
    static bool set_receiver_connection_state(IDevice* receiver, int state);
    // Register 0x02: the number of connected devices (answer byte 5) and answer byte 6.
    static bool read_receiver_connection_state(IDevice* receiver, int& count, int& second_value);
    // Register 0xB5 for `slot` (0-based): the paired device's name. CommandResponseTooShort when
    // the answer is shorter than a long report's 16 first bytes.
    static bool read_receiver_paired_device_name(IDevice* receiver, int slot, std::string& name);
};

} // namespace devio
