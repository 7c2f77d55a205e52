#include "Source/Features/Feature4220LockKeyState.h"

#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

// Function, answer bytes read, cache mode, configures.
constexpr Operation kGetLockState{0, 1};
constexpr int kOnLockKeyChange = 0;

} // namespace

bool Feature4220LockKeyState::GetLockState(int* locks) {
    std::vector<Byte> r;
    if (!exchange<"GetLockState">(kGetLockState, {}, r)) {
        return false;
    }
    set_out(locks, r[0]);
    return true;
}

void Feature4220LockKeyState::onFeatureReport(int function, const std::vector<Byte>& p) {
    if (function != kOnLockKeyChange || p.size() < 1) {
        return;
    }
    int locks = p[0];
    Producer<IFeature4220LockKeyState::Report>::produce(
        [locks](IFeature4220LockKeyState::Report* subscriber) {
            subscriber->onLockKeyChange(locks);
        },
        "Feature4220LockKeyState::Report::onLockKeyChange");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature4220LockKeyState, 4220)
