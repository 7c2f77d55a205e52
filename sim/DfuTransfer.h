// The bootloader's side of a firmware transfer: a 16-byte start block, then 16-byte packets whose
// function numbers rotate ((n) mod 4 for packet n), each confirmed with a status. The image length
// is read from bytes 21 to 24 of the image (big-endian) plus 328. The bytes of the latest transfer
// of each image are kept, so that what arrived can be compared with what was sent.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/RapReport.h"

namespace devio::sim {

class DfuTransfer {
public:
    // Byte 0 of an image tells which one it is.
    enum class Image : Byte { Application = 0x01, RadioStack = 0x02 };

    // Status codes (byte 4 of a status block).
    static constexpr Byte kPacketAccepted = 1;
    static constexpr Byte kApplicationComplete = 2; // the device restarts into the new firmware
    static constexpr Byte kBusy = 3;                // flash being erased: wait for status 1
    static constexpr Byte kBadStartBlock = 4;
    static constexpr Byte kWrongSequence = 5;      // a packet at the wrong offset, or no transfer
    static constexpr Byte kRadioStackComplete = 6; // the device restarts into the bootloader
    static constexpr Byte kWriteFailed = 7;
    static constexpr Byte kBadLength = 8;

    static constexpr uint32_t kLengthAdjustment = 328;
    static constexpr std::size_t kPacketSize = 16;
    // Packet numbers are 16 bits wide in a status block.
    static constexpr std::size_t kMaxImageSize = 0xFFFF * kPacketSize;

    using Packet = std::span<const Byte, kPacketSize>;

    struct Step {
        Byte status;
        uint32_t packet;       // the packet the status is about (0 for the start block)
        bool finished = false; // this packet completed the image
    };

    // Begins the image of the block's first byte again. Answers kBusy: the erase follows, and
    // packets are taken once erase_done has been called.
    Step start(Packet block);
    void erase_done();
    Step packet(Byte function, Packet data);
    // The device restarts: the transfer in progress is gone, the bytes received stay.
    void end_session() { session_.reset(); }

    // The number of the packet the device waits for, 0 without a transfer that takes packets.
    uint32_t next_packet() const;
    std::optional<Image> image_in_progress() const;
    const std::vector<Byte>& received(Image image) const { return record(image).bytes; }
    bool complete(Image image) const { return record(image).complete; }

private:
    struct Record {
        std::vector<Byte> bytes;
        bool complete = false;
    };
    struct Session {
        Image image;
        bool erasing = true;
        bool done = false;
        uint32_t next = 1;
        std::size_t expected_length = 0; // known after packet 1
        std::array<Byte, kPacketSize> last{};
    };

    Record& record(Image image) {
        return image == Image::Application ? application_ : radio_stack_;
    }
    const Record& record(Image image) const {
        return image == Image::Application ? application_ : radio_stack_;
    }
    Step accept(Packet data);

    Record application_;
    Record radio_stack_;
    std::optional<Session> session_;
};

} // namespace devio::sim
