// The configuration-change feature 0x0020: the 16-bit cookie that marks which program configured
// the device (0: none). The device keeps it across power cycles until its configuration is reset.
#pragma once

#include <cstdint>

namespace devio {

class IFeature0020ConfigChange {
public:
    static constexpr int kFeatureNumber = 0x0020;

    // Another program wrote a cookie. Produced on the transport's read thread.
    class ConfigReport {
    public:
        virtual void onCookieSet(unsigned /*software_id*/, uint16_t /*cookie*/) {}
        virtual ~ConfigReport() = default;
    };

    virtual ~IFeature0020ConfigChange() = default;

    // Always asked of the device, never of the response cache.
    [[nodiscard]] virtual bool GetCookie(uint16_t* cookie) = 0;
    [[nodiscard]] virtual bool SetCookie(uint16_t cookie) = 0;
};

} // namespace devio
