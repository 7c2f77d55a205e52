#include "Source/Features/Feature00c0DFUControl.h"

#include <algorithm>
#include <functional>

#include "Source/Features/DfuControlCommon.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kEnterDfu = 0;
// Another program's answers to this function carry the control value.
constexpr unsigned kConfigFunction = 1;

} // namespace

bool Feature00c0DFUControl::EnterDfu() {
    std::vector<Byte> response;
    return sendFeatureCommand(kEnterDfu, with_dfu_confirmation({}), response, CacheMode::Uncached);
}

void Feature00c0DFUControl::onUnexpectedResponse(unsigned function, unsigned software_id,
                                                 const std::vector<Byte>& parameters) {
    log_unexpected_dfu_control_response(kTag, function, software_id);
    if (function != kConfigFunction || parameters.size() < 2) {
        return;
    }
    auto value = static_cast<uint16_t>(parameters[0] << 8 | parameters[1]);
    sys::MutexLock lock(direct_mutex_);
    for (ConfigReport* subscriber : direct_) {
        subscriber->onConfigReport(software_id, value);
    }
}

void Feature00c0DFUControl::on_subscription_added(ConfigReport* subscriber, bool direct) {
    if (!direct) {
        return;
    }
    sys::MutexLock lock(direct_mutex_);
    auto at =
        std::lower_bound(direct_.begin(), direct_.end(), subscriber, std::less<ConfigReport*>());
    if (at == direct_.end() || *at != subscriber) {
        direct_.insert(at, subscriber);
    }
}

void Feature00c0DFUControl::on_unsubscribe(ConfigReport* subscriber) {
    sys::MutexLock lock(direct_mutex_);
    direct_.erase(std::remove(direct_.begin(), direct_.end(), subscriber), direct_.end());
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature00c0DFUControl, 00c0)
