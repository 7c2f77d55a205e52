#include "Source/Features/Feature2201AdjustableDPI.h"

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetSensorCount = 0;
constexpr unsigned kGetSensorDPIList = 1;
constexpr unsigned kGetSensorDPI = 2;
constexpr unsigned kSetSensorDPI = 3;

constexpr Byte kStepMarker = 0xE0;

int word_at(const std::vector<Byte>& bytes, std::size_t at) {
    return (bytes[at] << 8) | bytes[at + 1];
}

bool echoes(const std::vector<Byte>& response, int sensor) {
    if (response[0] != static_cast<Byte>(sensor)) {
        set_last_error(ErrorCode::InvalidDeviceData);
        return false;
    }
    return true;
}

} // namespace

bool Feature2201AdjustableDPI::GetSensorCount(int* count) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetSensorCount, {}, CacheMode::Cached, 1, response)) {
        return false;
    }
    set_out(count, response[0]);
    return true;
}

bool Feature2201AdjustableDPI::GetSensorDPIList(int sensor, std::vector<int>* dpis, int* step) {
    constexpr const char* kFunction = log_location<"GetSensorDPIList">();
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetSensorDPIList, {static_cast<Byte>(sensor)}, CacheMode::Cached, 5,
                        response) ||
        !echoes(response, sensor)) {
        return false;
    }
    std::vector<int> values;
    int found_step = 0;
    for (std::size_t at = 1; at < response.size(); at += 2) {
        if (at + 1 == response.size()) {
            set_last_error(ErrorCode::InvalidDeviceData);
            return false;
        }
        int entry = word_at(response, at);
        if (entry == 0) {
            break;
        }
        if (response[at] == kStepMarker) {
            found_step = response[at + 1];
            xLogWrite(kTag, kLogInfo, kFunction,
                      "Feature2201AdjustableDPI::GetSensorDPIList: step=%d", found_step);
        } else {
            values.push_back(entry);
            xLogWrite(kTag, kLogInfo, kFunction,
                      "Feature2201AdjustableDPI::GetSensorDPIList: value=%d", entry);
        }
    }
    if (dpis != nullptr) {
        *dpis = std::move(values);
    }
    set_out(step, found_step);
    return true;
}

bool Feature2201AdjustableDPI::read_dpi(int sensor, CacheMode cache_mode, std::size_t needed,
                                        std::vector<Byte>& response) {
    return send_expecting(*this, kGetSensorDPI, {static_cast<Byte>(sensor)}, cache_mode, needed,
                          response) &&
           echoes(response, sensor);
}

bool Feature2201AdjustableDPI::GetSensorDPI(int sensor, int* dpi) {
    std::vector<Byte> response;
    if (!read_dpi(sensor, CacheMode::Uncached, 3, response)) {
        return false;
    }
    set_out(dpi, word_at(response, 1));
    return true;
}

bool Feature2201AdjustableDPI::GetDefaultDPI(int sensor, int* dpi) {
    std::vector<Byte> response;
    if (!read_dpi(sensor, CacheMode::Cached, 5, response)) {
        return false;
    }
    set_out(dpi, word_at(response, 3));
    return true;
}

bool Feature2201AdjustableDPI::SetSensorDPI(int sensor, int dpi) {
    if (!set_configured()) {
        xLogWrite(kTag, kLogInfo, log_location<"SetSensorDPI">(), "set_configured failed");
        return false;
    }
    std::vector<Byte> response;
    return sendFeatureCommand(
        kSetSensorDPI,
        {static_cast<Byte>(sensor), static_cast<Byte>(dpi >> 8), static_cast<Byte>(dpi & 0xFF)},
        response, CacheMode::Uncached);
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature2201AdjustableDPI, 2201)
