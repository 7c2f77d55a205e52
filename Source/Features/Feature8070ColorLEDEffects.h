// The color-LED-effects feature's class.
//
// Every operation on a zone refuses a zone below 0 or not below the zone count (read with GetInfo
// when not yet known) with Rap20Error + 2 before anything is sent, and every answer about a zone
// must echo it (else InvalidDeviceData). Layouts left open by the protocol and chosen as a device
// of this kind answers (function: request -> answer read; 16-bit values big-endian):
//   0: -> [zone count, nv capabilities, ext capabilities]
//   1: [zone] -> [zone, location (16), effect count, persistency] (more than 4 bytes)
//   2: [zone, effect] -> [zone, effect, effect id (16), capabilities (16), period (16)]
//   3: [zone, effect, up to 10 parameter bytes], after set_configured
//   4: [zone] -> [zone, effect, parameters...]
//   5: [0] -> [0, capabilities, value] (GetNvConfig); [1, 0, value] (SetNvConfig)
//   6: [0] -> [0, enabled] (GetSWControl); [1, enabled] (SetSWControl)
//   7: -> [correction (16)]; 8: [correction (16)]
//   9: [zone] -> [zone, brightness]; 10: [zone, brightness]
//   11: -> [seconds (16)]; 12: [seconds (16)]; 13: start effect sync; 14: reset to defaults
//   event 0: [zone, effect]
#pragma once

#include <atomic>

#include "Source/Features/IFeature8070ColorLEDEffects.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature8070ColorLEDEffects
    : public FeatureBase<"Feature8070ColorLEDEffects", IFeature8070ColorLEDEffects>,
      public Producer<IFeature8070ColorLEDEffects::Report> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetInfo(int* zone_count, int* nv_capabilities,
                               int* ext_capabilities) override;
    [[nodiscard]] bool GetZoneInfo(int zone, int* location, int* effect_count,
                                   int* persistency) override;
    [[nodiscard]] bool GetZoneEffectInfo(int zone, int effect, int* effect_id, int* capabilities,
                                         int* period) override;
    [[nodiscard]] bool SetZoneEffect(int zone, int effect,
                                     const std::vector<Byte>& parameters) override;
    [[nodiscard]] bool GetZoneEffect(int zone, int* effect, std::vector<Byte>* parameters) override;
    [[nodiscard]] bool GetNvConfig(int* capabilities, int* value) override;
    [[nodiscard]] bool SetNvConfig(int value) override;
    [[nodiscard]] bool GetSWControl(bool* enabled) override;
    [[nodiscard]] bool SetSWControl(bool enabled) override;
    [[nodiscard]] bool GetEffectSyncCorrection(int* value) override;
    [[nodiscard]] bool SetEffectSyncCorrection(int value) override;
    [[nodiscard]] bool GetZoneBrightness(int zone, int* brightness) override;
    [[nodiscard]] bool SetZoneBrightness(int zone, int brightness) override;
    [[nodiscard]] bool GetIdleTimeout(int* seconds) override;
    [[nodiscard]] bool SetIdleTimeout(int seconds) override;
    [[nodiscard]] bool StartEffectSync() override;
    [[nodiscard]] bool ResetToDefaults() override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;

private:
    // Refuses a zone outside the known zone count.
    bool valid_zone(int zone);
    // Function `function` for `zone` (and `more` parameters); the answer must hold `needed` bytes
    // and echo the zone.
    bool zone_read(unsigned function, int zone, std::vector<Byte> more, std::size_t needed,
                   std::vector<Byte>& response);
    bool read(unsigned function, std::vector<Byte> parameters, std::size_t needed,
              std::vector<Byte>& response);
    bool write(unsigned function, std::vector<Byte> parameters);

    std::atomic<int> zone_count_{-1};
};

} // namespace devio
