// The gesture descriptor of feature 0x6501: a list of 16-bit fields the device hands out in
// chunks, and what the gesture class looks up in it.
//
// Field layout, left open by the protocol and chosen as a device of this kind describes itself:
// high byte 0x80 starts a gesture (low byte: its id), 0x81 names a parameter of the gesture
// before it, 0x82 one of its spec items. A field whose high byte is 0x00 ends the chunk (the next
// is asked from the count read so far), 0x01 ends the descriptor; neither is stored. A single
// byte left at the end of an answer is an incomplete field, allowed only as 0x00 or 0x01.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Source/Byte.h"

namespace devio {

struct GestureDescriptor {
    static constexpr std::size_t kMaxFields = 1000;
    static constexpr Byte kEndOfChunk = 0x00;
    static constexpr Byte kEndOfDescriptor = 0x01;
    static constexpr Byte kGesture = 0x80;
    static constexpr Byte kParameter = 0x81;
    static constexpr Byte kSpec = 0x82;

    enum class Chunk {
        More,     // ask for the next chunk
        Complete, // the descriptor is whole
        Invalid,  // an incomplete field of another kind; `bad_byte` holds its byte
    };

    // Appends the fields of one answer. Never reads past `answer`.
    static Chunk add_chunk(const std::vector<Byte>& answer, std::vector<uint16_t>& fields,
                           Byte* bad_byte);

    // The gesture ids, in descriptor order.
    static std::vector<int> gestures(const std::vector<uint16_t>& fields);
    // Whether the descriptor lists `item` of `kind` (kParameter or kSpec) for `gesture`.
    static bool lists(const std::vector<uint16_t>& fields, int gesture, Byte kind, int item);
};

} // namespace devio
