#include "firmware/FirmwareResources.h"

// Defined in the assembled FirmwareImages.S.
extern "C" {
extern const uint8_t vantor_firmware_2000_begin[];
extern const uint8_t vantor_firmware_2000_end[];
extern const uint8_t vantor_firmware_2001_begin[];
extern const uint8_t vantor_firmware_2001_end[];
}

namespace devio::firmware {

std::span<const uint8_t> FindFirmwareResource(uint32_t id) {
    switch (id) {
    case kImageAResourceId:
        return {vantor_firmware_2000_begin, vantor_firmware_2000_end};
    case kImageBResourceId:
        return {vantor_firmware_2001_begin, vantor_firmware_2001_end};
    default:
        return {};
    }
}

} // namespace devio::firmware
