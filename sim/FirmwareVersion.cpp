#include "sim/FirmwareVersion.h"

#include <array>
#include <charconv>

namespace devio::sim {

namespace {

uint16_t to_bcd(unsigned value, int digits) {
    uint16_t bcd = 0;
    for (int i = 0; i < digits; ++i) {
        bcd = static_cast<uint16_t>(bcd | ((value % 10) << (4 * i)));
        value /= 10;
    }
    return bcd;
}

unsigned from_bcd(uint16_t bcd, int digits) {
    unsigned value = 0;
    for (int i = digits - 1; i >= 0; --i) {
        value = value * 10 + ((bcd >> (4 * i)) & 0x0F);
    }
    return value;
}

// A non-empty run of decimal digits with a value of at most `limit`.
std::optional<unsigned> parse_number(std::string_view text, unsigned limit) {
    if (text.empty() || text.size() > 8) {
        return std::nullopt;
    }
    unsigned value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > limit) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<FirmwareVersion> FirmwareVersion::parse(std::string_view text) {
    std::array<std::string_view, 3> parts;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::size_t dot = text.find('.');
        if ((dot == std::string_view::npos) != (i == parts.size() - 1)) {
            return std::nullopt;
        }
        parts[i] = text.substr(0, dot);
        text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    }
    auto major = parse_number(parts[0], 99);
    auto minor = parse_number(parts[1], 99);
    auto build = parse_number(parts[2], 9999);
    if (!major || !minor || !build) {
        return std::nullopt;
    }
    return from(*major, *minor, *build);
}

FirmwareVersion FirmwareVersion::from(unsigned major, unsigned minor, unsigned build) {
    return {static_cast<uint16_t>(to_bcd(major, 2) << 8 | to_bcd(minor, 2)), to_bcd(build, 4)};
}

std::string FirmwareVersion::text() const {
    return std::to_string(from_bcd(bcd_version >> 8, 2)) + "." +
           std::to_string(from_bcd(bcd_version & 0xFF, 2)) + "." +
           std::to_string(from_bcd(bcd_build, 4));
}

} // namespace devio::sim
