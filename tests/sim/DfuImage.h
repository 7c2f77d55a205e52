// Synthetic firmware images with the layout of the real ones: a start block whose first byte
// tells the image (0x01 application, 0x02 radio stack), a first data packet whose bytes 21 to 24
// of the image hold the length less 328, an opaque body and a last packet 03 00 ... 00.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "sim/DfuTransfer.h"

namespace devio::sim::test {

inline void set_length_field(std::vector<Byte>& image, uint32_t stored) {
    image[21] = static_cast<Byte>(stored >> 24);
    image[22] = static_cast<Byte>(stored >> 16);
    image[23] = static_cast<Byte>(stored >> 8);
    image[24] = static_cast<Byte>(stored);
}

// An image of the start block and `packets` data packets. The length field cannot express fewer
// than 328 bytes, so `packets` is at least 20.
inline std::vector<Byte> dfu_image(DfuTransfer::Image kind, uint32_t packets) {
    std::vector<Byte> image(16 * (packets + 1));
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<Byte>(i * 13 + 7 + static_cast<Byte>(kind));
    }
    const char tag[] = "QRT08_D0";
    image[0] = static_cast<Byte>(kind);
    image[1] = 0x01;
    std::fill(image.begin() + 2, image.begin() + 16, 0);
    std::copy(tag, tag + 8, image.begin() + 2);
    // The length field counts 328 bytes that the image does not carry.
    set_length_field(image, static_cast<uint32_t>(image.size()) - DfuTransfer::kLengthAdjustment);
    auto last = image.end() - 16;
    std::fill(last, image.end(), 0);
    *last = 0x03;
    return image;
}

// Packet `number` of an image (0 is the start block).
inline std::span<const Byte, 16> packet(const std::vector<Byte>& image, uint32_t number) {
    return std::span<const Byte, 16>(image.data() + 16 * number, 16);
}

} // namespace devio::sim::test
