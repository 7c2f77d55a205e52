#include "Source/Features/Feature1A013DSensor.h"

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetSensorInfo = 0;
constexpr unsigned kGetMode = 1;
constexpr unsigned kSetMode = 2;
constexpr unsigned kGetCalibration = 3;
constexpr unsigned kStartCalibration = 4;
constexpr int kNotif1Event = 0;
constexpr int kRawXYZEvent = 1;
constexpr int kNotif2Event = 2;

int signed_word(const std::vector<Byte>& bytes, std::size_t at) {
    return static_cast<int16_t>((bytes[at] << 8) | bytes[at + 1]);
}

} // namespace

bool Feature1A013DSensor::GetSensorInfo(int* axes, int* range) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetSensorInfo, {}, CacheMode::Uncached, 3, response)) {
        return false;
    }
    set_out(axes, response[0]);
    set_out(range, (response[1] << 8) | response[2]);
    return true;
}

bool Feature1A013DSensor::GetMode(int* mode) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetMode, {}, CacheMode::Uncached, 1, response)) {
        return false;
    }
    set_out(mode, response[0]);
    return true;
}

bool Feature1A013DSensor::SetMode(int mode) {
    std::vector<Byte> response;
    return sendFeatureCommand(kSetMode, {static_cast<Byte>(mode)}, response, CacheMode::Uncached);
}

bool Feature1A013DSensor::GetCalibration(int* x, int* y, int* z) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetCalibration, {}, CacheMode::Uncached, 6, response)) {
        return false;
    }
    set_out(x, signed_word(response, 0));
    set_out(y, signed_word(response, 2));
    set_out(z, signed_word(response, 4));
    return true;
}

bool Feature1A013DSensor::StartCalibration() {
    std::vector<Byte> response;
    return sendFeatureCommand(kStartCalibration, {}, response, CacheMode::Uncached);
}

void Feature1A013DSensor::onFeatureReport(int function, const std::vector<Byte>& parameters) {
    if (function == kNotif1Event) {
        Producer<IFeature1A013DSensor::Notif1Report>::produce(
            [parameters](IFeature1A013DSensor::Notif1Report* subscriber) {
                subscriber->onNotif1(parameters);
            },
            "Feature1A013DSensor::Notif1Report::onNotif1");
    } else if (function == kRawXYZEvent && parameters.size() >= 6) {
        int x = signed_word(parameters, 0);
        int y = signed_word(parameters, 2);
        int z = signed_word(parameters, 4);
        Producer<IFeature1A013DSensor::RawXYZReport>::produce(
            [x, y, z](IFeature1A013DSensor::RawXYZReport* subscriber) {
                subscriber->onRawXYZReport(x, y, z);
            },
            "Feature1A013DSensor::RawXYZReport::onRawXYZReport");
    } else if (function == kNotif2Event) {
        Producer<IFeature1A013DSensor::Notif2Report>::produce(
            [parameters](IFeature1A013DSensor::Notif2Report* subscriber) {
                subscriber->onNotif2(parameters);
            },
            "Feature1A013DSensor::Notif2Report::onNotif2");
    }
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1A013DSensor, 1A01)
