#include "Source/Features/Feature8310Equalizer.h"

#include <algorithm>

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetEQInfo = 0;
constexpr unsigned kGetFrequencies = 1;
constexpr unsigned kGetGains = 2;
constexpr unsigned kSetGains = 3;
constexpr unsigned kGetEQEnabled = 4;
constexpr unsigned kSetEQEnabled = 5;

constexpr std::size_t kMaxBands = 15;

} // namespace

bool Feature8310Equalizer::getEQInfo(EQInfo* info) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetEQInfo, {}, CacheMode::Cached, 3, response)) {
        return false;
    }
    if (info != nullptr) {
        *info = {response[0], response[1], response[2]};
    }
    return true;
}

bool Feature8310Equalizer::band_count(int& count) {
    EQInfo info;
    if (!getEQInfo(&info)) {
        return false;
    }
    count = std::min<int>(info.band_count, kMaxBands);
    return true;
}

bool Feature8310Equalizer::getFrequencies(int first, std::vector<int>* frequencies) {
    int bands = 0;
    std::vector<Byte> response;
    if (!band_count(bands) || !send_expecting(*this, kGetFrequencies, {static_cast<Byte>(first)},
                                              CacheMode::Cached, 1, response)) {
        return false;
    }
    if (response[0] != static_cast<Byte>(first)) {
        set_last_error(ErrorCode::InvalidDeviceData);
        return false;
    }
    std::vector<int> found;
    for (std::size_t at = 1;
         at + 1 < response.size() && first + static_cast<int>(found.size()) < bands; at += 2) {
        found.push_back((response[at] << 8) | response[at + 1]);
    }
    if (frequencies != nullptr) {
        *frequencies = std::move(found);
    }
    return true;
}

bool Feature8310Equalizer::getGains(std::vector<int>* gains) {
    int bands = 0;
    std::vector<Byte> response;
    if (!band_count(bands) || !send_expecting(*this, kGetGains, {}, CacheMode::Uncached,
                                              static_cast<std::size_t>(bands), response)) {
        return false;
    }
    if (gains != nullptr) {
        gains->clear();
        for (int band = 0; band < bands; ++band) {
            gains->push_back(static_cast<int8_t>(response[static_cast<std::size_t>(band)]));
        }
    }
    return true;
}

bool Feature8310Equalizer::setGains(const std::vector<int>& gains) {
    if (gains.empty() || gains.size() > kMaxBands) {
        set_last_error(rap20_error(2));
        return false;
    }
    if (!set_configured()) {
        xLogWrite(kTag, kLogInfo, log_location<"setGains">(), "set_configured failed");
        return false;
    }
    std::vector<Byte> parameters;
    for (int gain : gains) {
        parameters.push_back(static_cast<Byte>(static_cast<int8_t>(gain)));
    }
    std::vector<Byte> response;
    return sendFeatureCommand(kSetGains, parameters, response, CacheMode::Uncached);
}

bool Feature8310Equalizer::getEQEnabled(bool* enabled) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetEQEnabled, {}, CacheMode::Uncached, 1, response)) {
        return false;
    }
    set_out(enabled, response[0] != 0);
    return true;
}

bool Feature8310Equalizer::setEQEnabled(int enabled) {
    if (enabled != 0 && enabled != 1) {
        set_last_error(rap20_error(2));
        return false;
    }
    std::vector<Byte> response;
    return sendFeatureCommand(kSetEQEnabled, {static_cast<Byte>(enabled)}, response,
                              CacheMode::Uncached);
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature8310Equalizer, 8310)
