// The color-LED-effects feature 0x8070: the lighting zones of a device, the effects each offers
// and runs, and the lighting settings kept in non-volatile memory.
#pragma once

#include <vector>

#include "Source/Byte.h"

namespace devio {

class IFeature8070ColorLEDEffects {
public:
    static constexpr int kFeatureNumber = 0x8070;

    // A zone changed its effect on its own (function 0 events). Produced on the transport's read
    // thread.
    class Report {
    public:
        virtual void onEffectChange(int /*zone*/, int /*effect*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature8070ColorLEDEffects() = default;

    [[nodiscard]] virtual bool GetInfo(int* zone_count, int* nv_capabilities,
                                       int* ext_capabilities) = 0;
    [[nodiscard]] virtual bool GetZoneInfo(int zone, int* location, int* effect_count,
                                           int* persistency) = 0;
    [[nodiscard]] virtual bool GetZoneEffectInfo(int zone, int effect, int* effect_id,
                                                 int* capabilities, int* period) = 0;
    [[nodiscard]] virtual bool SetZoneEffect(int zone, int effect,
                                             const std::vector<Byte>& parameters) = 0;
    [[nodiscard]] virtual bool GetZoneEffect(int zone, int* effect,
                                             std::vector<Byte>* parameters) = 0;
    [[nodiscard]] virtual bool GetNvConfig(int* capabilities, int* value) = 0;
    [[nodiscard]] virtual bool SetNvConfig(int value) = 0;
    [[nodiscard]] virtual bool GetSWControl(bool* enabled) = 0;
    [[nodiscard]] virtual bool SetSWControl(bool enabled) = 0;
    [[nodiscard]] virtual bool GetEffectSyncCorrection(int* value) = 0;
    [[nodiscard]] virtual bool SetEffectSyncCorrection(int value) = 0;
    [[nodiscard]] virtual bool GetZoneBrightness(int zone, int* brightness) = 0;
    [[nodiscard]] virtual bool SetZoneBrightness(int zone, int brightness) = 0;
    [[nodiscard]] virtual bool GetIdleTimeout(int* seconds) = 0;
    [[nodiscard]] virtual bool SetIdleTimeout(int seconds) = 0;
    [[nodiscard]] virtual bool StartEffectSync() = 0;
    [[nodiscard]] virtual bool ResetToDefaults() = 0;
};

} // namespace devio
