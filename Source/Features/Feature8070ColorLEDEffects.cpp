#include "Source/Features/Feature8070ColorLEDEffects.h"

#include <algorithm>

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

enum Function : unsigned {
    kGetInfo = 0,
    kGetZoneInfo = 1,
    kGetZoneEffectInfo = 2,
    kSetZoneEffect = 3,
    kGetZoneEffect = 4,
    kNvConfig = 5,
    kSWControl = 6,
    kGetEffectSyncCorrection = 7,
    kSetEffectSyncCorrection = 8,
    kGetZoneBrightness = 9,
    kSetZoneBrightness = 10,
    kGetIdleTimeout = 11,
    kSetIdleTimeout = 12,
    kStartEffectSync = 13,
    kResetToDefaults = 14,
};

constexpr Byte kGet = 0;
constexpr Byte kSet = 1;
constexpr std::size_t kMaxEffectParameters = 10;
constexpr int kEffectEvent = 0;

int word_at(const std::vector<Byte>& bytes, std::size_t at) {
    return (bytes[at] << 8) | bytes[at + 1];
}

std::vector<Byte> word(int value) {
    return {static_cast<Byte>((value >> 8) & 0xFF), static_cast<Byte>(value & 0xFF)};
}

} // namespace

bool Feature8070ColorLEDEffects::read(unsigned function, std::vector<Byte> parameters,
                                      std::size_t needed, std::vector<Byte>& response) {
    return send_expecting(*this, function, parameters, CacheMode::Uncached, needed, response);
}

bool Feature8070ColorLEDEffects::write(unsigned function, std::vector<Byte> parameters) {
    std::vector<Byte> response;
    return sendFeatureCommand(function, parameters, response, CacheMode::Uncached);
}

bool Feature8070ColorLEDEffects::valid_zone(int zone) {
    if (zone_count_.load() < 0 && !GetInfo(nullptr, nullptr, nullptr)) {
        return false;
    }
    if (zone < 0 || zone >= zone_count_.load()) {
        xLogWrite(kTag, kLogDebug, log_location<"valid_zone">(),
                  "Feature8070ColorLEDEffects zone %d has invalid index", zone);
        set_last_error(rap20_error(2));
        return false;
    }
    return true;
}

bool Feature8070ColorLEDEffects::zone_read(unsigned function, int zone, std::vector<Byte> more,
                                           std::size_t needed, std::vector<Byte>& response) {
    if (!valid_zone(zone)) {
        return false;
    }
    more.insert(more.begin(), static_cast<Byte>(zone));
    if (!read(function, std::move(more), needed, response)) {
        return false;
    }
    if (response[0] != static_cast<Byte>(zone)) {
        set_last_error(ErrorCode::InvalidDeviceData);
        return false;
    }
    return true;
}

bool Feature8070ColorLEDEffects::GetInfo(int* zone_count, int* nv_capabilities,
                                         int* ext_capabilities) {
    std::vector<Byte> response;
    if (!read(kGetInfo, {}, 3, response)) {
        return false;
    }
    zone_count_.store(response[0]);
    set_out(zone_count, response[0]);
    set_out(nv_capabilities, response[1]);
    set_out(ext_capabilities, response[2]);
    return true;
}

bool Feature8070ColorLEDEffects::GetZoneInfo(int zone, int* location, int* effect_count,
                                             int* persistency) {
    std::vector<Byte> response;
    if (!zone_read(kGetZoneInfo, zone, {}, 5, response)) {
        return false;
    }
    set_out(location, word_at(response, 1));
    set_out(effect_count, response[3]);
    set_out(persistency, response[4]);
    return true;
}

bool Feature8070ColorLEDEffects::GetZoneEffectInfo(int zone, int effect, int* effect_id,
                                                   int* capabilities, int* period) {
    std::vector<Byte> response;
    if (!zone_read(kGetZoneEffectInfo, zone, {static_cast<Byte>(effect)}, 8, response)) {
        return false;
    }
    set_out(effect_id, word_at(response, 2));
    set_out(capabilities, word_at(response, 4));
    set_out(period, word_at(response, 6));
    return true;
}

bool Feature8070ColorLEDEffects::SetZoneEffect(int zone, int effect,
                                               const std::vector<Byte>& parameters) {
    if (!valid_zone(zone)) {
        return false;
    }
    if (parameters.size() > kMaxEffectParameters) {
        set_last_error(rap20_error(2));
        return false;
    }
    if (!set_configured()) {
        xLogWrite(kTag, kLogInfo, log_location<"SetZoneEffect">(), "set_configured failed");
        return false;
    }
    std::vector<Byte> request(2 + parameters.size());
    request[0] = static_cast<Byte>(zone);
    request[1] = static_cast<Byte>(effect);
    std::copy(parameters.begin(), parameters.end(), request.begin() + 2);
    return write(kSetZoneEffect, std::move(request));
}

bool Feature8070ColorLEDEffects::GetZoneEffect(int zone, int* effect,
                                               std::vector<Byte>* parameters) {
    std::vector<Byte> response;
    if (!zone_read(kGetZoneEffect, zone, {}, 2, response)) {
        return false;
    }
    set_out(effect, response[1]);
    if (parameters != nullptr) {
        parameters->assign(response.begin() + 2, response.end());
    }
    return true;
}

bool Feature8070ColorLEDEffects::GetNvConfig(int* capabilities, int* value) {
    std::vector<Byte> response;
    if (!read(kNvConfig, {kGet}, 3, response)) {
        return false;
    }
    set_out(capabilities, response[1]);
    set_out(value, response[2]);
    return true;
}

bool Feature8070ColorLEDEffects::SetNvConfig(int value) {
    return write(kNvConfig, {kSet, 0, static_cast<Byte>(value)});
}

bool Feature8070ColorLEDEffects::GetSWControl(bool* enabled) {
    std::vector<Byte> response;
    if (!read(kSWControl, {kGet}, 2, response)) {
        return false;
    }
    set_out(enabled, response[1] != 0);
    return true;
}

bool Feature8070ColorLEDEffects::SetSWControl(bool enabled) {
    return write(kSWControl, {kSet, static_cast<Byte>(enabled ? 1 : 0)});
}

bool Feature8070ColorLEDEffects::GetEffectSyncCorrection(int* value) {
    std::vector<Byte> response;
    if (!read(kGetEffectSyncCorrection, {}, 2, response)) {
        return false;
    }
    set_out(value, word_at(response, 0));
    return true;
}

bool Feature8070ColorLEDEffects::SetEffectSyncCorrection(int value) {
    return write(kSetEffectSyncCorrection, word(value));
}

bool Feature8070ColorLEDEffects::GetZoneBrightness(int zone, int* brightness) {
    std::vector<Byte> response;
    if (!zone_read(kGetZoneBrightness, zone, {}, 2, response)) {
        return false;
    }
    set_out(brightness, response[1]);
    return true;
}

bool Feature8070ColorLEDEffects::SetZoneBrightness(int zone, int brightness) {
    return valid_zone(zone) &&
           write(kSetZoneBrightness, {static_cast<Byte>(zone), static_cast<Byte>(brightness)});
}

bool Feature8070ColorLEDEffects::GetIdleTimeout(int* seconds) {
    std::vector<Byte> response;
    if (!read(kGetIdleTimeout, {}, 2, response)) {
        return false;
    }
    set_out(seconds, word_at(response, 0));
    return true;
}

bool Feature8070ColorLEDEffects::SetIdleTimeout(int seconds) {
    return write(kSetIdleTimeout, word(seconds));
}

bool Feature8070ColorLEDEffects::StartEffectSync() {
    return write(kStartEffectSync, {});
}

bool Feature8070ColorLEDEffects::ResetToDefaults() {
    return write(kResetToDefaults, {});
}

void Feature8070ColorLEDEffects::onFeatureReport(int function,
                                                 const std::vector<Byte>& parameters) {
    if (function != kEffectEvent || parameters.size() < 2) {
        return;
    }
    int zone = parameters[0];
    int effect = parameters[1];
    Producer<IFeature8070ColorLEDEffects::Report>::produce(
        [zone, effect](IFeature8070ColorLEDEffects::Report* subscriber) {
            subscriber->onEffectChange(zone, effect);
        },
        "Feature8070ColorLEDEffects::Report::onEffectChange");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature8070ColorLEDEffects, 8070)
