#include "Source/Features/Feature8123ForceFeedback.h"

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetInfo = 0;
constexpr unsigned kResetAll = 1;
constexpr unsigned kDownloadEffect = 2;
constexpr unsigned kSetEffectState = 3;
constexpr unsigned kDestroyEffect = 4;
constexpr unsigned kAperture = 5;
constexpr unsigned kGlobalGain = 6;
constexpr unsigned kGetEffectState = 7;
constexpr unsigned kBoost = 8;
constexpr Byte kGet = 0;
constexpr Byte kSet = 1;
constexpr std::size_t kMaxEffectBytes = 14;
constexpr int kExpiredEvent = 0;

} // namespace

bool Feature8123ForceFeedback::command(unsigned function, std::vector<Byte> parameters) {
    std::vector<Byte> response;
    return sendFeatureCommand(function, parameters, response, CacheMode::Uncached);
}

bool Feature8123ForceFeedback::get_word(unsigned function, int* value) {
    std::vector<Byte> response;
    if (!send_expecting(*this, function, {kGet}, CacheMode::Uncached, 2, response)) {
        return false;
    }
    set_out(value, (response[0] << 8) | response[1]);
    return true;
}

bool Feature8123ForceFeedback::set_word(unsigned function, int value) {
    return command(function,
                   {kSet, static_cast<Byte>((value >> 8) & 0xFF), static_cast<Byte>(value & 0xFF)});
}

bool Feature8123ForceFeedback::GetInfo(int* slot_count, int* state) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetInfo, {}, CacheMode::Uncached, 2, response)) {
        return false;
    }
    set_out(slot_count, response[0]);
    set_out(state, response[1]);
    return true;
}

bool Feature8123ForceFeedback::ResetAll() {
    return command(kResetAll, {});
}

bool Feature8123ForceFeedback::DownloadEffect(const std::vector<Byte>& effect, int* effect_id) {
    if (effect.empty() || effect.size() > kMaxEffectBytes) {
        set_last_error(rap20_error(2));
        return false;
    }
    std::vector<Byte> response;
    if (!send_expecting(*this, kDownloadEffect, effect, CacheMode::Uncached, 1, response)) {
        return false;
    }
    set_out(effect_id, response[0]);
    return true;
}

bool Feature8123ForceFeedback::SetEffectState(int effect_id, int state) {
    return command(kSetEffectState, {static_cast<Byte>(effect_id), static_cast<Byte>(state)});
}

bool Feature8123ForceFeedback::DestroyEffect(int effect_id) {
    return command(kDestroyEffect, {static_cast<Byte>(effect_id)});
}

bool Feature8123ForceFeedback::GetAperture(int* degrees) {
    return get_word(kAperture, degrees);
}

bool Feature8123ForceFeedback::SetAperture(int degrees) {
    return set_word(kAperture, degrees);
}

bool Feature8123ForceFeedback::GetGlobalGain(int* gain) {
    return get_word(kGlobalGain, gain);
}

bool Feature8123ForceFeedback::SetGlobalGain(int gain) {
    return set_word(kGlobalGain, gain);
}

bool Feature8123ForceFeedback::GetEffectState(int effect_id, int* state) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetEffectState, {static_cast<Byte>(effect_id)}, CacheMode::Uncached,
                        2, response)) {
        return false;
    }
    if (response[0] != static_cast<Byte>(effect_id)) {
        set_last_error(ErrorCode::InvalidDeviceData);
        return false;
    }
    set_out(state, response[1]);
    return true;
}

bool Feature8123ForceFeedback::GetBoost(int* boost) {
    return get_word(kBoost, boost);
}

bool Feature8123ForceFeedback::SetBoost(int boost) {
    return set_word(kBoost, boost);
}

void Feature8123ForceFeedback::onFeatureReport(int function, const std::vector<Byte>& parameters) {
    if (function != kExpiredEvent) {
        return;
    }
    std::vector<int> ids;
    for (Byte id : parameters) {
        if (id == 0) {
            break;
        }
        ids.push_back(id);
    }
    Producer<IFeature8123ForceFeedback::ForceNotification>::produce(
        [ids](IFeature8123ForceFeedback::ForceNotification* subscriber) {
            subscriber->onExpiredForces(ids);
        },
        "Feature8123ForceFeedback::ForceNotification::onExpiredForces");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature8123ForceFeedback, 8123)
