// CRC-16/CCITT-FALSE (polynomial 0x1021, initial value 0xFFFF, no reflection, no final XOR), the
// checksum of an on-board profile sector.
#pragma once

#include <cstdint>
#include <span>

namespace devio::sim {

uint16_t crc16_ccitt_false(std::span<const uint8_t> bytes);

} // namespace devio::sim
