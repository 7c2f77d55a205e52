// Feeds arbitrary answers to the gesture descriptor's chunk parser, cut into answers of up to 16
// bytes as a device sends them. It must never read past an answer, must add at most one field per
// two bytes, and what it stores must only be looked up, never trusted.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Source/Features/GestureDescriptor.h"

using devio::Byte;
using devio::GestureDescriptor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint16_t> fields;
    for (size_t at = 0; at < size; at += 16) {
        std::vector<Byte> answer(data + at, data + std::min(size, at + 16));
        size_t before = fields.size();
        Byte bad = 0;
        GestureDescriptor::Chunk chunk = GestureDescriptor::add_chunk(answer, fields, &bad);
        if (fields.size() - before > answer.size() / 2) {
            std::abort();
        }
        if (chunk != GestureDescriptor::Chunk::More) {
            break;
        }
    }
    for (int gesture : GestureDescriptor::gestures(fields)) {
        (void)GestureDescriptor::lists(fields, gesture, GestureDescriptor::kSpec, 1);
    }
    return 0;
}
