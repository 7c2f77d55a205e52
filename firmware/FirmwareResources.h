// The firmware images carried inside the tool, found by resource id as the tool's own resources of
// type "FIRMWARE": 2000 (image A, "QRT08_D0.dfu") and 2001 (image B, "s132_QRT08_D0.dfu").
#pragma once

#include <cstdint>
#include <span>

namespace devio::firmware {

inline constexpr uint32_t kImageAResourceId = 2000;
inline constexpr uint32_t kImageBResourceId = 2001;

// The bytes of the built-in image `id`, valid for the whole run; empty for an unknown id.
std::span<const uint8_t> FindFirmwareResource(uint32_t id);

} // namespace devio::firmware
