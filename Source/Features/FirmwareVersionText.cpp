#include "Source/Features/FirmwareVersionText.h"

#include <algorithm>
#include <cctype>

namespace devio {

namespace {

bool is_bcd(uint16_t value) {
    for (int shift = 0; shift < 16; shift += 4) {
        if (((value >> shift) & 0xF) > 9) {
            return false;
        }
    }
    return true;
}

// Decimal digits without leading zeros ("0" for all zeros).
std::string without_leading_zeros(const std::string& digits) {
    std::size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? "0" : digits.substr(first);
}

} // namespace

uint16_t normalise_bcd(uint16_t value) {
    if (is_bcd(value)) {
        return value;
    }
    unsigned number = std::min<unsigned>(value, 9999);
    return static_cast<uint16_t>((number / 1000) << 12 | (number / 100 % 10) << 8 |
                                 (number / 10 % 10) << 4 | (number % 10));
}

std::string hex_word(uint16_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(4, '0');
    for (int i = 0; i < 4; ++i) {
        text[static_cast<std::size_t>(i)] = kDigits[(value >> (12 - 4 * i)) & 0xF];
    }
    return text;
}

std::string formatted_firmware_version(const std::string& prefix, uint16_t bcdVersion,
                                       uint16_t bcdBuild) {
    std::string version = hex_word(normalise_bcd(bcdVersion));
    std::string major = version.substr(0, 2);
    std::string minor = version.substr(2, 2);
    if (prefix.size() == 3 && prefix[0] == 'U' && prefix[2] == ' ' &&
        std::isdigit(static_cast<unsigned char>(prefix[1])) != 0) {
        major.insert(major.begin(), prefix[1]);
    }
    return without_leading_zeros(major) + "." + without_leading_zeros(minor) + "." +
           without_leading_zeros(hex_word(normalise_bcd(bcdBuild)));
}

} // namespace devio
