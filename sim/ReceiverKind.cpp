#include "sim/ReceiverKind.h"

#include <array>

namespace devio::sim {

namespace {

constexpr std::array<ReceiverKind, 8> kKinds{{
    {'A', 0xB401, 6, 4},
    {'B', 0xB402, 2, 4},
    {'C', 0xB403, 2, 10},
    {'D', 0xB404, 1, 12},
    {'E', 0xB405, 7, 12},
    {'F', 0xB406, 1, 12},
    {'G', 0xB407, 1, 13},
    {'H', 0xB408, 1, 4},
}};

} // namespace

std::span<const ReceiverKind> receiver_kinds() {
    return kKinds;
}

std::optional<ReceiverKind> receiver_kind(char letter) {
    for (const auto& kind : kKinds) {
        if (kind.letter == letter) {
            return kind;
        }
    }
    return std::nullopt;
}

std::optional<ReceiverKind> receiver_kind_for_product(uint16_t product_id) {
    for (const auto& kind : kKinds) {
        if (kind.product_id == product_id) {
            return kind;
        }
    }
    return std::nullopt;
}

} // namespace devio::sim
