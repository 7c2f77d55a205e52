#include "Source/Features/Feature1B00SpecialKeys.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetCount{0, 1, CacheMode::Cached};
constexpr Operation kGetCidInfo{1, 5, CacheMode::Cached};
constexpr int kOnKeyChange = 0;

// The control ids of a key event: 16 bits big-endian each, up to a zero id.
std::vector<int> pressed_ids(const std::vector<Byte>& p) {
    std::vector<int> ids;
    for (std::size_t at = 0; at + 1 < p.size(); at += 2) {
        unsigned id = be16(p, at);
        if (id == 0) {
            break;
        }
        ids.push_back(static_cast<int>(id));
    }
    return ids;
}

} // namespace

bool Feature1B00SpecialKeys::GetCount(int* count) {
    std::vector<Byte> r;
    if (!exchange<"GetCount">(kGetCount, {}, r)) {
        return false;
    }
    set_out(count, r[0]);
    return true;
}

bool Feature1B00SpecialKeys::GetCidInfo(int index, int* control_id, int* task_id, int* flags) {
    std::vector<Byte> r;
    if (!exchange<"GetCidInfo">(kGetCidInfo, {static_cast<Byte>(index)}, r)) {
        return false;
    }
    set_out(control_id, be16(r, 0));
    set_out(task_id, be16(r, 2));
    set_out(flags, r[4]);
    return true;
}

void Feature1B00SpecialKeys::onFeatureReport(int function, const std::vector<Byte>& p) {
    if (function != kOnKeyChange || p.size() < 2) {
        return;
    }
    std::vector<int> pressed = pressed_ids(p);
    Producer<IFeature1B00SpecialKeys::KeyReport>::produce(
        [pressed](IFeature1B00SpecialKeys::KeyReport* subscriber) {
            subscriber->onKeyChange(pressed);
        },
        "Feature1B00SpecialKeys::KeyReport::onKeyChange");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1B00SpecialKeys, 1B00)
