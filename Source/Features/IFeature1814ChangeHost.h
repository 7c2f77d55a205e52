// The change-host feature 0x1814: a multi-host device's host channels, the one in use, the
// switch to another, and a cookie per host that software keeps to recognise its host.
#pragma once

#include <vector>

namespace devio {

class IFeature1814ChangeHost {
public:
    static constexpr int kFeatureNumber = 0x1814;

    // Another program set the cookie of a host. Produced on the transport's read thread.
    class CookieChange {
    public:
        virtual void onCookieChange(unsigned /*software_id*/, int /*host*/, int /*cookie*/) {}
        virtual ~CookieChange() = default;
    };

    virtual ~IFeature1814ChangeHost() = default;

    [[nodiscard]] virtual bool GetHostInfo(int* host_count, int* current_host) = 0;
    // Switches the device to `host`; the device leaves at once and does not answer.
    [[nodiscard]] virtual bool SetCurrentHost(int host) = 0;
    // The cookie of every host, in host order.
    [[nodiscard]] virtual bool GetCookies(std::vector<int>* cookies) = 0;
    [[nodiscard]] virtual bool SetCookie(int host, int cookie) = 0;
};

} // namespace devio
