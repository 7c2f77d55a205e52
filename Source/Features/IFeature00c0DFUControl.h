// Feature 0x00C0, the first generation of DFU control: switches a device that runs its
// application firmware into its bootloader.
#pragma once

#include <cstdint>

namespace devio {

class IFeature00c0DFUControl {
public:
    static constexpr int kFeatureNumber = 0x00C0;

    // Another program's answer to function 1 on this feature, with that program's software id and
    // the value of its first two parameter bytes (big-endian). Delivered to direct subscribers
    // only, on the transport's read thread; run-loop subscribers receive nothing.
    class ConfigReport {
    public:
        virtual void onConfigReport(unsigned /*software_id*/, uint16_t /*value*/) {}
        virtual ~ConfigReport() = default;
    };

    virtual ~IFeature00c0DFUControl() = default;

    // Asks the device to enter its bootloader (function 0 with the "DFU" confirmation).
    [[nodiscard]] virtual bool EnterDfu() = 0;
};

} // namespace devio
