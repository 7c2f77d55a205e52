#include "Source/Features/Feature1814ChangeHost.h"

#include <algorithm>

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetHostInfo = 0;
constexpr unsigned kSetCurrentHost = 1;
constexpr unsigned kGetCookies = 2;
constexpr unsigned kSetCookie = 3;
constexpr int kMaxHosts = 15;

} // namespace

bool Feature1814ChangeHost::GetHostInfo(int* host_count, int* current_host) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetHostInfo, {}, CacheMode::Uncached, 2, response)) {
        return false;
    }
    set_out(host_count, response[0]);
    set_out(current_host, response[1]);
    return true;
}

bool Feature1814ChangeHost::SetCurrentHost(int host) {
    return sendFeatureReport(kSetCurrentHost, {static_cast<Byte>(host)});
}

bool Feature1814ChangeHost::GetCookies(std::vector<int>* cookies) {
    int count = 0;
    std::vector<Byte> response;
    if (!GetHostInfo(&count, nullptr)) {
        return false;
    }
    count = std::min(count, kMaxHosts);
    if (!send_expecting(*this, kGetCookies, {}, CacheMode::Uncached,
                        static_cast<std::size_t>(count), response)) {
        return false;
    }
    if (cookies != nullptr) {
        cookies->assign(response.begin(), response.begin() + count);
    }
    return true;
}

bool Feature1814ChangeHost::SetCookie(int host, int cookie) {
    std::vector<Byte> response;
    return sendFeatureCommand(kSetCookie, {static_cast<Byte>(host), static_cast<Byte>(cookie)},
                              response, CacheMode::Uncached);
}

void Feature1814ChangeHost::onUnexpectedResponse(unsigned function, unsigned software_id,
                                                 const std::vector<Byte>& parameters) {
    if (function != kSetCookie || parameters.size() < 2) {
        return;
    }
    int host = parameters[0];
    int cookie = parameters[1];
    Producer<IFeature1814ChangeHost::CookieChange>::produce(
        [software_id, host, cookie](IFeature1814ChangeHost::CookieChange* subscriber) {
            subscriber->onCookieChange(software_id, host, cookie);
        },
        "Feature1814ChangeHost::CookieChange::onCookieChange");
}

} // namespace devio

DEVIO_REGISTER_FEATURE(Feature1814ChangeHost, 1814)
