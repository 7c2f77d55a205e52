// The LED-control feature's class. Every operation logs its failures (level 3) as
// "Feature1300LEDControl::<operation> failed", "... response too short" or "... has invalid
// index"; an index below 0 is refused before anything is sent. The LED information is logged
// with its type, capability and non-volatile capability names.
#pragma once

#include <string>

#include "Source/Features/IFeature1300LEDControl.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature1300LEDControl : public FeatureBase<"Feature1300LEDControl", IFeature1300LEDControl> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetLEDCount(int* count) override;
    [[nodiscard]] bool GetLEDInfo(int index, LEDInfo* info) override;
    [[nodiscard]] bool HasSWControl(int* flag) override;
    [[nodiscard]] bool SetSWControl(int value) override;
    [[nodiscard]] bool GetLEDState(int index, int* mode) override;
    [[nodiscard]] bool GetLEDStateAdditionalInfo(int index, int* mode, int* value, bool* has_extra,
                                                 int* extra) override;
    [[nodiscard]] bool SetLEDState(int index, int a, int b, int c, int d) override;
    [[nodiscard]] bool GetNvConfig(int index, int* value) override;
    [[nodiscard]] bool SetNvConfig(int index, int value) override;

    // "LED[%d]: type=... physicalLEDs=... capabilities=( ...) nvCapabilities=...", as logged.
    static std::string describe(const LEDInfo& info);

private:
    // One exchange with the operation's log lines: `operation` names it, `needed` is the number
    // of answer bytes it reads (0: no response-too-short line).
    bool exchange(const char* location, const char* operation, unsigned function,
                  std::vector<Byte> parameters, std::size_t needed, std::vector<Byte>& response);
    // False, with Rap20Error + 2 and the has-invalid-index line, for a negative index.
    bool check_index(const char* location, const char* operation, int index);
};

} // namespace devio
