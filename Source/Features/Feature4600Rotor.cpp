#include "Source/Features/Feature4600Rotor.h"

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetInfo = 0;
constexpr unsigned kGetMode = 1;
constexpr unsigned kSetMode = 2;
constexpr int kRotorEvent = 0;
constexpr std::size_t kModeChangeBytes = 5;

} // namespace

bool Feature4600Rotor::GetInfo(int* rotor_count, int* capabilities) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetInfo, {}, CacheMode::Cached, 2, response)) {
        return false;
    }
    set_out(rotor_count, response[0]);
    set_out(capabilities, response[1]);
    return true;
}

bool Feature4600Rotor::GetMode(int rotor, int* mode) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetMode, {static_cast<Byte>(rotor)}, CacheMode::Uncached, 2,
                        response)) {
        return false;
    }
    set_out(mode, response[1]);
    return true;
}

bool Feature4600Rotor::SetMode(int rotor, int mode) {
    if (!set_configured()) {
        xLogWrite(kTag, kLogInfo, log_location<"SetMode">(), "set_configured failed");
        return false;
    }
    std::vector<Byte> response;
    return sendFeatureCommand(kSetMode, {static_cast<Byte>(rotor), static_cast<Byte>(mode)},
                              response, CacheMode::Uncached);
}

void Feature4600Rotor::onFeatureReport(int function, const std::vector<Byte>& parameters) {
    if (function != kRotorEvent || parameters.size() < 4) {
        return;
    }
    int rotor = parameters[0];
    int steps = static_cast<int16_t>((parameters[1] << 8) | parameters[2]);
    bool pressed = parameters[3] != 0;
    Producer<IFeature4600Rotor::RotorEvent>::produce(
        [rotor, steps, pressed](IFeature4600Rotor::RotorEvent* subscriber) {
            subscriber->onRotorEvent(rotor, steps, pressed);
        },
        "Feature4600Rotor::RotorEvent::onRotorEvent");
}

void Feature4600Rotor::onUnexpectedResponse(unsigned function, unsigned software_id,
                                            const std::vector<Byte>& parameters) {
    if (function != kSetMode || parameters.size() < kModeChangeBytes) {
        return;
    }
    std::vector<Byte> bytes(parameters.begin(),
                            parameters.begin() + static_cast<std::ptrdiff_t>(kModeChangeBytes));
    Producer<IFeature4600Rotor::RotorEvent>::produce(
        [software_id, bytes](IFeature4600Rotor::RotorEvent* subscriber) {
            subscriber->onModeChanged(software_id, bytes);
        },
        "Feature4600Rotor::RotorEvent::onModeChanged");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature4600Rotor, 4600)
