// Feature 0x00C2, the third generation of DFU control, the one the update tool uses:
// SetDfuControl(1, 0) hands the device over to its bootloader.
#pragma once

#include <cstdint>

#include "Source/Byte.h"

namespace devio {

class IFeature00c2DFUControl {
public:
    static constexpr int kFeatureNumber = 0x00C2;

    // Declared for the family; this generation produces no event.
    class ConfigReport {
    public:
        virtual void onConfigReport(unsigned /*software_id*/, uint16_t /*value*/) {}
        virtual ~ConfigReport() = default;
    };

    virtual ~IFeature00c2DFUControl() = default;

    // `enabled` := bit 0 of the third parameter byte of the answer to function 0.
    [[nodiscard]] virtual bool GetDfuControl(bool& enabled) = 0;
    // Writes function 1 with p0, p1, two zero bytes and the "DFU" confirmation, and returns once
    // it is written: a device that restarts into its bootloader does not answer.
    [[nodiscard]] virtual bool SetDfuControl(Byte p0, Byte p1) = 0;
};

} // namespace devio
