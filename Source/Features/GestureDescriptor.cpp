#include "Source/Features/GestureDescriptor.h"

namespace devio {

GestureDescriptor::Chunk GestureDescriptor::add_chunk(const std::vector<Byte>& answer,
                                                      std::vector<uint16_t>& fields,
                                                      Byte* bad_byte) {
    for (std::size_t at = 0; at < answer.size(); at += 2) {
        Byte high = answer[at];
        bool incomplete = at + 1 == answer.size();
        if (high == kEndOfChunk) {
            return Chunk::More;
        }
        if (high == kEndOfDescriptor) {
            return Chunk::Complete;
        }
        if (incomplete) {
            if (bad_byte != nullptr) {
                *bad_byte = high;
            }
            return Chunk::Invalid;
        }
        fields.push_back(static_cast<uint16_t>((high << 8) | answer[at + 1]));
    }
    return Chunk::More;
}

std::vector<int> GestureDescriptor::gestures(const std::vector<uint16_t>& fields) {
    std::vector<int> ids;
    for (uint16_t field : fields) {
        if ((field >> 8) == kGesture) {
            ids.push_back(field & 0xFF);
        }
    }
    return ids;
}

bool GestureDescriptor::lists(const std::vector<uint16_t>& fields, int gesture, Byte kind,
                              int item) {
    bool in_gesture = false;
    for (uint16_t field : fields) {
        int high = field >> 8;
        int low = field & 0xFF;
        if (high == kGesture) {
            in_gesture = low == gesture;
        } else if (in_gesture && high == kind && low == item) {
            return true;
        }
    }
    return false;
}

} // namespace devio
