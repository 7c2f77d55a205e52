// Feature 0x8100, the on-board profiles. Every operation sends one function and waits for its
// answer; an answer shorter than the operation reads gives CommandResponseTooShort and leaves the
// out-parameters as they were. Failed commands are logged with the operation's name.
#pragma once

#include <memory>
#include <vector>

#include "Source/Events/Producer.h"
#include "Source/Features/IFeature8100OnboardProfiles.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature8100OnboardProfiles
    : public FeatureBase<"Feature8100OnboardProfiles", IFeature8100OnboardProfiles>,
      public Producer<IFeature8100OnboardProfiles::Report> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetOnboardProfilesInfo(OnboardProfilesInfo& info) override;
    [[nodiscard]] bool SetOnboardMode(bool onboard) override;
    [[nodiscard]] bool IsOnboardMode(bool& onboard) override;
    [[nodiscard]] bool SetActiveProfile(uint16_t profile) override;
    [[nodiscard]] bool GetActiveProfile(int& profile) override;
    [[nodiscard]] bool ReadData(uint16_t sector, uint16_t address,
                                std::vector<Byte>& data) override;
    [[nodiscard]] bool BeginWrite(uint16_t sector, uint16_t address, uint16_t length) override;
    [[nodiscard]] bool WriteData(const std::vector<Byte>& data, int& status) override;
    [[nodiscard]] bool EndWrite() override;
    [[nodiscard]] bool ExecuteMacro(uint16_t a, uint16_t b) override;
    [[nodiscard]] bool GetCRC(uint16_t sector, std::vector<Byte>& data) override;
    [[nodiscard]] bool GetActiveProfileResolution(int& index) override;
    [[nodiscard]] bool SetActiveProfileResolution(Byte index) override;

protected:
    // Function 0: a profile was activated; function 1: its resolution changed.
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;

private:
    // Sends `function`; a failure is logged as "<operation> failed" when `operation` is given.
    bool command(const char* operation, unsigned function, const std::vector<Byte>& parameters,
                 std::vector<Byte>& response);
};

} // namespace devio
