// The force-feedback feature 0x8123: effects (forces) downloaded into slots of a wheel or
// controller, started, stopped and destroyed, and the device's global force settings.
#pragma once

#include <vector>

#include "Source/Byte.h"

namespace devio {

class IFeature8123ForceFeedback {
public:
    static constexpr int kFeatureNumber = 0x8123;

    // Effects whose time ran out (function 0 events). Produced on the transport's read thread.
    class ForceNotification {
    public:
        virtual void onExpiredForces(const std::vector<int>& /*effect_ids*/) {}
        virtual ~ForceNotification() = default;
    };

    virtual ~IFeature8123ForceFeedback() = default;

    [[nodiscard]] virtual bool GetInfo(int* slot_count, int* state) = 0;
    [[nodiscard]] virtual bool ResetAll() = 0;
    // Downloads an effect of at most 14 bytes; the device names its id.
    [[nodiscard]] virtual bool DownloadEffect(const std::vector<Byte>& effect, int* effect_id) = 0;
    [[nodiscard]] virtual bool SetEffectState(int effect_id, int state) = 0;
    [[nodiscard]] virtual bool DestroyEffect(int effect_id) = 0;
    [[nodiscard]] virtual bool GetAperture(int* degrees) = 0;
    [[nodiscard]] virtual bool SetAperture(int degrees) = 0;
    [[nodiscard]] virtual bool GetGlobalGain(int* gain) = 0;
    [[nodiscard]] virtual bool SetGlobalGain(int gain) = 0;
    [[nodiscard]] virtual bool GetEffectState(int effect_id, int* state) = 0;
    [[nodiscard]] virtual bool GetBoost(int* boost) = 0;
    [[nodiscard]] virtual bool SetBoost(int boost) = 0;
};

} // namespace devio
