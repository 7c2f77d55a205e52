#include "Source/Features/Feature2121HiResWheel.h"

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetWheelCapability = 0;
constexpr unsigned kGetWheelMode = 1;
constexpr unsigned kSetWheelMode = 2;
constexpr unsigned kGetRatchetSwitchState = 3;
constexpr unsigned kGetAnalyticsData = 4;
constexpr unsigned kSetAnalyticsMode = 5;

constexpr int kWheelEvent = 0;
constexpr int kRatchetEvent = 1;

bool bit(Byte byte, int n) {
    return (byte & (1 << n)) != 0;
}

int16_t signed_word(const std::vector<Byte>& bytes, std::size_t at) {
    return static_cast<int16_t>((bytes[at] << 8) | bytes[at + 1]);
}

} // namespace

bool Feature2121HiResWheel::GetWheelCapability(int* multiplier, bool* has_switch,
                                               bool* has_invert) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetWheelCapability, {}, CacheMode::Cached, 2, response)) {
        return false;
    }
    set_out(multiplier, response[0]);
    set_out(has_switch, bit(response[1], 3));
    set_out(has_invert, bit(response[1], 2));
    return true;
}

bool Feature2121HiResWheel::GetWheelMode(bool* target, bool* resolution, bool* invert) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetWheelMode, {}, CacheMode::Uncached, 1, response)) {
        return false;
    }
    set_out(target, bit(response[0], 0));
    set_out(resolution, bit(response[0], 1));
    set_out(invert, bit(response[0], 2));
    return true;
}

bool Feature2121HiResWheel::SetWheelMode(bool target, bool resolution, bool invert) {
    if (!set_configured()) {
        xLogWrite(kTag, kLogInfo, log_location<"SetWheelMode">(), "set_configured failed");
        return false;
    }
    Byte mode = static_cast<Byte>((target ? 1 : 0) | (resolution ? 2 : 0) | (invert ? 4 : 0));
    std::vector<Byte> response;
    return send_expecting(*this, kSetWheelMode, {mode}, CacheMode::Uncached, 1, response);
}

bool Feature2121HiResWheel::GetRatchetSwitchState(bool* ratchet) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetRatchetSwitchState, {}, CacheMode::Uncached, 1, response)) {
        return false;
    }
    set_out(ratchet, bit(response[0], 0));
    return true;
}

bool Feature2121HiResWheel::GetAnalyticsData(int* rotations_up, int* rotations_down) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetAnalyticsData, {}, CacheMode::Uncached, 4, response)) {
        return false;
    }
    set_out(rotations_up, (response[0] << 8) | response[1]);
    set_out(rotations_down, (response[2] << 8) | response[3]);
    return true;
}

bool Feature2121HiResWheel::SetAnalyticsMode(bool enabled) {
    std::vector<Byte> response;
    return sendFeatureCommand(kSetAnalyticsMode, {static_cast<Byte>(enabled ? 1 : 0)}, response,
                              CacheMode::Uncached);
}

void Feature2121HiResWheel::onFeatureReport(int function, const std::vector<Byte>& parameters) {
    if (function == kWheelEvent && parameters.size() >= 5) {
        bool high_resolution = bit(parameters[0], 4);
        int periods = parameters[0] & 0x0F;
        int16_t movement1 = signed_word(parameters, 1);
        int16_t movement2 = signed_word(parameters, 3);
        Producer<IFeature2121HiResWheel::Report>::produce(
            [=](IFeature2121HiResWheel::Report* subscriber) {
                subscriber->onWheelMovement(high_resolution, periods, movement1, movement2);
            },
            "Feature2121HiResWheel::Report::onWheelMovement");
    } else if (function == kRatchetEvent && !parameters.empty()) {
        bool ratchet = bit(parameters[0], 0);
        Producer<IFeature2121HiResWheel::RatchetSwitch>::produce(
            [ratchet](IFeature2121HiResWheel::RatchetSwitch* subscriber) {
                subscriber->onRatchetSwitch(ratchet);
            },
            "Feature2121HiResWheel::RatchetSwitch::onRatchetSwitch");
    }
}

void Feature2121HiResWheel::onUnexpectedResponse(unsigned function, unsigned software_id,
                                                 const std::vector<Byte>& parameters) {
    if (function != kSetWheelMode || parameters.size() < 3) {
        return;
    }
    bool target = bit(parameters[0], 0);
    bool resolution = bit(parameters[0], 1);
    bool invert = bit(parameters[0], 2);
    int byte1 = parameters[1];
    int byte2 = parameters[2];
    Producer<IFeature2121HiResWheel::SettingChange>::produce(
        [=](IFeature2121HiResWheel::SettingChange* subscriber) {
            subscriber->onSettingChange(software_id, target, resolution, invert, byte1, byte2);
        },
        "Feature2121HiResWheel::SettingChange::onSettingChange");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature2121HiResWheel, 2121)
