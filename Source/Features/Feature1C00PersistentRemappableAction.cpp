#include "Source/Features/Feature1C00PersistentRemappableAction.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetCount{0, 1};
constexpr Operation kGetCidInfo{1, 3};
constexpr Operation kGetRemapping{2, 2};
constexpr Operation kSetRemapping{3, 0};

} // namespace

bool Feature1C00PersistentRemappableAction::GetCount(int* count) {
    std::vector<Byte> r;
    if (!exchange<"GetCount">(kGetCount, {}, r)) {
        return false;
    }
    set_out(count, r[0]);
    return true;
}

bool Feature1C00PersistentRemappableAction::GetCidInfo(int index, int* control_id, int* flags) {
    std::vector<Byte> r;
    if (!exchange<"GetCidInfo">(kGetCidInfo, {static_cast<Byte>(index)}, r)) {
        return false;
    }
    set_out(control_id, be16(r, 0));
    set_out(flags, r[2]);
    return true;
}

bool Feature1C00PersistentRemappableAction::GetRemapping(int control_id, int* action) {
    std::vector<Byte> r;
    if (!exchange<"GetRemapping">(kGetRemapping, be16_bytes(static_cast<unsigned>(control_id)),
                                  r)) {
        return false;
    }
    set_out(action, be16(r, 0));
    return true;
}

bool Feature1C00PersistentRemappableAction::SetRemapping(int control_id, int action) {
    return exchange<"SetRemapping">(kSetRemapping,
                                    joined(be16_bytes(static_cast<unsigned>(control_id)),
                                           be16_bytes(static_cast<unsigned>(action))));
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1C00PersistentRemappableAction, 1C00)
