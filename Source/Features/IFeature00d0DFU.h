// Feature 0x00D0, the DFU transfer of a device in its bootloader: a start block, 16-byte data
// packets and a restart. Every status the device gives, as the answer to a packet or as a
// notification of its own, is published as one event, onDfuStatus.
//
// A status block is the parameter bytes of a status answer or notification: bytes 2 and 3 the
// packet number (big-endian), byte 4 the status code, the rest passed on as they came.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Source/Byte.h"

namespace devio {

class IFeature00d0DFU {
public:
    static constexpr int kFeatureNumber = 0x00D0;
    // The start block and every packet.
    static constexpr std::size_t kBlockSize = 16;

    // Status codes.
    static constexpr unsigned kStatusPacketAccepted = 1; // send the next packet
    static constexpr unsigned kStatusImageComplete = 2;  // restarting into the new firmware
    static constexpr unsigned kStatusNoAction = 3;
    static constexpr unsigned kStatusImageAccepted = 6; // restarting into the bootloader

    // The packet number of a status block; 0 when the block is too short to hold one.
    static uint32_t status_packet_number(const std::vector<Byte>& status) {
        return status.size() > 3 ? static_cast<uint32_t>(status[2] << 8 | status[3]) : 0;
    }
    // The status code of a status block; 0, which no status means, when it holds none.
    static unsigned status_code(const std::vector<Byte>& status) {
        return status.size() > 4 ? status[4] : 0;
    }
    // After the start block, a status above 3 is a failure.
    static constexpr bool IsDfuError(unsigned status) { return status > kStatusNoAction; }

    class Report {
    public:
        virtual void onDfuStatus(uint32_t /*packet_number*/, const std::vector<Byte>& /*status*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature00d0DFU() = default;

    // Sends the start block (function 4). `status` := the answer's status code, `response` (when
    // given) := the answer's parameter bytes. No onDfuStatus is produced for it.
    [[nodiscard]] virtual bool DFUStart(const std::vector<Byte>& start_block, unsigned& status,
                                        std::vector<Byte>* response) = 0;
    // `packet_number` is the last packet the device confirmed: sends `packet` as packet
    // number + 1, with the data function that number modulo 4 names, and on success produces
    // onDfuStatus(number + 1, the answer's status block).
    [[nodiscard]] virtual bool DFUSendPacket(unsigned packet_number,
                                             const std::vector<Byte>& packet) = 0;
    // Function 5 with the one parameter byte; 1 restarts the device.
    [[nodiscard]] virtual bool DFURestart(Byte parameter) = 0;
};

} // namespace devio
