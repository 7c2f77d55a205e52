#include "Source/Features/Feature0000Root.h"

#include <algorithm>

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetFeature = 0;
constexpr unsigned kGetProtocolVersion = 1;
constexpr std::size_t kPingPosition = 2;
constexpr std::size_t kAnswerBytes = 3;

} // namespace

bool Feature0000Root::GetFeature(int featureId, int* featureIndex, bool* obsolete, bool* hidden,
                                 bool* engineering, int* version, CacheMode cache_mode) {
    std::vector<Byte> response;
    if (!sendFeatureCommand(
            kGetFeature, {static_cast<Byte>(featureId >> 8), static_cast<Byte>(featureId & 0xFF)},
            response, cache_mode)) {
        return false;
    }
    response.resize(std::max(response.size(), kAnswerBytes), 0);
    FeatureFlags flags = FeatureFlags::from(response[1]);
    set_out(featureIndex, response[0]);
    set_out(obsolete, flags.obsolete);
    set_out(hidden, flags.hidden);
    set_out(engineering, flags.engineering);
    set_out(version, response[2]);
    xLogWrite(kTag, kLogInfo, log_location<"GetFeature">(),
              "Feature0000Root::GetFeature(featureId = 0x%08x, *featureIndex = %d, *obsolete = %d, "
              "*hidden = %d, *engineering = %d, *version = %d)",
              static_cast<unsigned>(featureId), response[0], flags.obsolete, flags.hidden,
              flags.engineering, response[2]);
    return true;
}

bool Feature0000Root::GetProtocolVersion(int ping_sent, int* protocol, int* targetsw,
                                         int* ping_received) {
    std::vector<Byte> response;
    // Only the plain protocol question is worth caching: a ping must reach the device.
    CacheMode cache_mode = ping_sent == 0 ? CacheMode::Cached : CacheMode::Uncached;
    if (!send_expecting(*this, kGetProtocolVersion, {0x00, 0x00, static_cast<Byte>(ping_sent)},
                        cache_mode, kAnswerBytes, response)) {
        return false;
    }
    set_out(protocol, response[0]);
    set_out(targetsw, response[1]);
    set_out(ping_received, response[2]);
    xLogWrite(kTag, kLogInfo, log_location<"GetProtocolVersion">(),
              "Feature0000Root::GetProtocolVersion(ping_sent = %d, *protocol = %d, *targetsw = %d, "
              "*ping_received = %d",
              ping_sent, response[0], response[1], response[2]);
    return true;
}

bool Feature0000Root::TargetSw(int* protocol, int* targetsw) {
    std::optional<Target> known;
    {
        sys::MutexLock lock(target_mutex_);
        known = target_;
    }
    if (!known.has_value()) {
        Target asked{};
        if (!GetProtocolVersion(0, &asked.protocol, &asked.targetsw, nullptr)) {
            return false;
        }
        sys::MutexLock lock(target_mutex_);
        target_ = asked;
        known = asked;
    }
    set_out(protocol, known->protocol);
    set_out(targetsw, known->targetsw);
    xLogWrite(kTag, kLogInfo, log_location<"TargetSw">(),
              "Feature0000Root::TargetSw(*protocol = %d, *targetsw = %d", known->protocol,
              known->targetsw);
    return true;
}

bool Feature0000Root::Ping(int value) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetProtocolVersion, {0x00, 0x00, static_cast<Byte>(value)},
                        CacheMode::Uncached, kAnswerBytes, response, {kPingPosition})) {
        return false;
    }
    if (response[kPingPosition] != static_cast<Byte>(value)) {
        set_last_error(ErrorCode::PingMismatch);
        return false;
    }
    xLogWrite(kTag, kLogInfo, log_location<"Ping">(), "Feature0000Root::Ping(%d)", value);
    return true;
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature0000Root, 0000)
