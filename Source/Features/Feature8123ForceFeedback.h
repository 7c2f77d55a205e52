// The force-feedback feature's class. Layouts left open by the protocol and chosen as a device of
// this kind answers (16-bit values big-endian): 0: -> [slot count, state]; 1 resets all effects;
// 2: [effect, at most 14 bytes] -> [effect id]; 3: [id, state]; 4: [id]; 5: [0] -> [aperture
// (16)] (GetAperture), [1, aperture (16)] (SetAperture); 6: the same for the global gain; 7: [id]
// -> [id, state], the id echoed; 8: the same as 5 for the boost. Events of function 0 carry the
// ids of expired effects, ended by 0.
#pragma once

#include "Source/Features/IFeature8123ForceFeedback.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature8123ForceFeedback
    : public FeatureBase<"Feature8123ForceFeedback", IFeature8123ForceFeedback>,
      public Producer<IFeature8123ForceFeedback::ForceNotification> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetInfo(int* slot_count, int* state) override;
    [[nodiscard]] bool ResetAll() override;
    [[nodiscard]] bool DownloadEffect(const std::vector<Byte>& effect, int* effect_id) override;
    [[nodiscard]] bool SetEffectState(int effect_id, int state) override;
    [[nodiscard]] bool DestroyEffect(int effect_id) override;
    [[nodiscard]] bool GetAperture(int* degrees) override;
    [[nodiscard]] bool SetAperture(int degrees) override;
    [[nodiscard]] bool GetGlobalGain(int* gain) override;
    [[nodiscard]] bool SetGlobalGain(int gain) override;
    [[nodiscard]] bool GetEffectState(int effect_id, int* state) override;
    [[nodiscard]] bool GetBoost(int* boost) override;
    [[nodiscard]] bool SetBoost(int boost) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;

private:
    bool get_word(unsigned function, int* value);
    bool set_word(unsigned function, int value);
    bool command(unsigned function, std::vector<Byte> parameters);
};

} // namespace devio
