// The maker's receivers: which product IDs are receivers, and for each of the eight kinds the
// number of pairing slots and the protocol-type byte its connection notifications carry.
#pragma once

#include <optional>

#include "Source/Byte.h"

namespace devio {

inline constexpr int kVarkonVendorId = 0x3A7C;
// The block of the maker's product IDs that the acceptance rule treats as receivers.
inline constexpr int kReceiverProductIdFirst = 0xB400;
inline constexpr int kReceiverProductIdLast = 0xB4FF;

struct ReceiverKind {
    int product_id;
    int slots;
    Byte protocol_type;
};

constexpr bool in_receiver_product_id_range(int product_id) {
    return product_id >= kReceiverProductIdFirst && product_id <= kReceiverProductIdLast;
}

// The kind of one of the eight receivers (A to H); empty for any other product ID.
std::optional<ReceiverKind> receiver_kind(int product_id);
// Receivers B and C.
bool is_listed_receiver_product(int product_id);

} // namespace devio
