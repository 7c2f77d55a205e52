// The mouse's on-board profile memory: 16 sectors of 255 bytes, 0xFF where nothing is stored.
// A sector that holds data ends with a CRC-16/CCITT-FALSE of bytes 0 to 252 in bytes 253 (high)
// and 254 (low). Reads and writes move 16-byte blocks; a write session (begin, data, end) is
// committed only when it is complete and leaves the sector either erased or with a valid CRC, so a
// broken transfer never leaves a corrupt profile behind.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "sim/RapReport.h"

namespace devio::sim {

class ProfileMemory {
public:
    static constexpr int kSectorCount = 16;
    static constexpr int kSectorSize = 255;
    static constexpr int kBlockSize = 16;
    static constexpr int kCrcOffset = 253;
    // Sectors 1 to 5 hold the factory profiles, sector 0 their directory.
    static constexpr int kFactoryProfiles = 5;

    using Sector = std::array<Byte, kSectorSize>;
    using Block = std::array<Byte, kBlockSize>;

    // WriteData progress: more bytes expected, or the session has all its bytes.
    static constexpr uint16_t kWriteMoreExpected = 1;
    static constexpr uint16_t kWriteComplete = 2;

    ProfileMemory() { restore_factory_contents(); }

    // Sectors 0 to 5 as they leave the factory, the others erased; ends a write session.
    void restore_factory_contents();
    const Sector& sector(int index) const { return sectors_[static_cast<std::size_t>(index)]; }
    // Test setup: replaces a sector with `bytes`, padded with 0xFF; false for a bad index or size.
    bool set_sector(int index, std::span<const Byte> bytes);

    // The 16 bytes from `address`; empty when the block does not lie inside a sector.
    std::optional<Block> read(int sector, int address) const;

    // A write session; each returns the RAP 2.0 error that refuses the step, or nothing.
    std::optional<rap::Rap20Error> begin_write(int sector, int address, int length);
    // Takes up to 16 bytes of the session; `progress` tells whether more are expected.
    std::optional<rap::Rap20Error> write(std::span<const Byte> data, uint16_t& progress);
    std::optional<rap::Rap20Error> end_write();

    static uint16_t crc(const Sector& sector);
    static bool holds_valid_crc(const Sector& sector);
    // The sector with its CRC stored in bytes 253 and 254.
    static Sector with_crc(Sector sector);

private:
    struct WriteSession {
        int sector;
        int address;
        int length;
        int written;
        Sector contents;
    };

    std::array<Sector, kSectorCount> sectors_{};
    std::optional<WriteSession> session_;
};

} // namespace devio::sim
