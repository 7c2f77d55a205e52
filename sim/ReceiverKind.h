// The eight kinds of receiver: product ID, number of pairing slots and the protocol type that
// their connection notifications carry.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "sim/RapReport.h"

namespace devio::sim {

inline constexpr uint16_t kVarkonVendorId = 0x3A7C;

struct ReceiverKind {
    char letter;         // 'A' to 'H'
    uint16_t product_id; // 0xB401 to 0xB408
    int slots;           // pairing slots, device indexes 1 to slots
    Byte protocol_type;  // byte 3 of the connection notification
};

// All eight kinds, receiver A first.
std::span<const ReceiverKind> receiver_kinds();
// The kind with the given letter ('A' to 'H') or product ID.
std::optional<ReceiverKind> receiver_kind(char letter);
std::optional<ReceiverKind> receiver_kind_for_product(uint16_t product_id);

} // namespace devio::sim
