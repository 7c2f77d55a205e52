#include "Source/Features/Feature0020ConfigChange.h"

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetCookie = 0;
constexpr unsigned kSetCookie = 1;

} // namespace

bool Feature0020ConfigChange::GetCookie(uint16_t* cookie) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetCookie, {}, CacheMode::Uncached, 2, response)) {
        return false;
    }
    set_out(cookie, response[0] << 8 | response[1]);
    return true;
}

bool Feature0020ConfigChange::SetCookie(uint16_t cookie) {
    std::vector<Byte> response;
    return sendFeatureCommand(kSetCookie,
                              {static_cast<Byte>(cookie >> 8), static_cast<Byte>(cookie & 0xFF)},
                              response, CacheMode::Uncached);
}

void Feature0020ConfigChange::onUnexpectedResponse(unsigned function, unsigned software_id,
                                                   const std::vector<Byte>& parameters) {
    xLogWrite(kTag, kLogInfo, log_location<"onUnexpectedResponse">(),
              "Feature0020ConfigChange::onUnexpectedResponse(func=%d, swid=0x%x)",
              static_cast<int>(function), software_id);
    if (function != kSetCookie || parameters.size() < 2) {
        return;
    }
    auto cookie = static_cast<uint16_t>(parameters[0] << 8 | parameters[1]);
    Producer<IFeature0020ConfigChange::ConfigReport>::produce(
        [software_id, cookie](IFeature0020ConfigChange::ConfigReport* subscriber) {
            subscriber->onCookieSet(software_id, cookie);
        },
        "Feature0020ConfigChange::ConfigReport::onCookieSet");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature0020ConfigChange, 0020)
