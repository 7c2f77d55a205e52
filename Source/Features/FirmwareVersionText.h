// Text forms of the firmware versions that feature 0x0003 reports as BCD words.
#pragma once

#include <cstdint>
#include <string>

namespace devio {

// A word whose four nibbles are all decimal digits stays as it is; any other is read as a number,
// limited to 9999 and rewritten as four BCD digits (0x0A05 becomes 0x2565).
uint16_t normalise_bcd(uint16_t value);
// Four upper-case hexadecimal digits, most significant first.
std::string hex_word(uint16_t value);
// "major.minor.build" in decimal without leading zeros, from normalised words; a prefix "U<digit> "
// puts its digit in front of the major number (prefix "U1 ", version 0x0512 gives major 105).
std::string formatted_firmware_version(const std::string& prefix, uint16_t bcdVersion,
                                       uint16_t bcdBuild);

} // namespace devio
