// A firmware version as a device reports it: a BCD version word (major in the high byte, minor in
// the low byte, two digits each) and a BCD build word (four digits). The text form is the one the
// library formats from these words, major.minor.build without leading zeros, so "8.6.27" is
// 0x0806 / 0x0027 and "8.5.9928" is 0x0805 / 0x9928.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace devio::sim {

struct FirmwareVersion {
    uint16_t bcd_version = 0;
    uint16_t bcd_build = 0;

    // Three dot-separated decimal numbers: major and minor up to 99, build up to 9999.
    static std::optional<FirmwareVersion> parse(std::string_view text);
    // From numbers that must be in the ranges above (they are cut to their last BCD digits).
    static FirmwareVersion from(unsigned major, unsigned minor, unsigned build);

    std::string text() const;
    bool operator==(const FirmwareVersion&) const = default;
};

} // namespace devio::sim
