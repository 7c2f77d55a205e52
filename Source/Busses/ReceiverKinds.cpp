#include "Source/Busses/ReceiverKinds.h"

namespace devio {

namespace {

constexpr ReceiverKind kKinds[] = {
    {0xB401, 6, 4},  {0xB402, 2, 4},  {0xB403, 2, 10}, {0xB404, 1, 12},
    {0xB405, 7, 12}, {0xB406, 1, 12}, {0xB407, 1, 13}, {0xB408, 1, 4},
};

constexpr int kListedReceivers[] = {0xB402, 0xB403};

} // namespace

std::optional<ReceiverKind> receiver_kind(int product_id) {
    for (const ReceiverKind& kind : kKinds) {
        if (kind.product_id == product_id) {
            return kind;
        }
    }
    return std::nullopt;
}

bool is_listed_receiver_product(int product_id) {
    for (int listed : kListedReceivers) {
        if (listed == product_id) {
            return true;
        }
    }
    return false;
}

} // namespace devio
