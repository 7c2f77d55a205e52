// The checksum of an on-board profile sector: CRC-16/CCITT-FALSE (polynomial 0x1021, initial
// value 0xFFFF, most significant bit first, no reflection, no final XOR).
#pragma once

#include <cstdint>
#include <span>

namespace devio::app {

uint16_t ProfileCrc(std::span<const uint8_t> bytes);

} // namespace devio::app
