// The class of feature 0x0007. Its operations, and the layouts chosen for what the device
// documents only by name, are described in IFeature0007DeviceFriendlyName.h.
#pragma once

#include "Source/Features/GetSetFeature.h"
#include "Source/Features/IFeature0007DeviceFriendlyName.h"

namespace devio {

class Feature0007DeviceFriendlyName
    : public GetSetFeature<"Feature0007DeviceFriendlyName", IFeature0007DeviceFriendlyName> {
public:
    using GetSetFeature::GetSetFeature;

    [[nodiscard]] bool GetFriendlyNameLen(int* length, int* max_length,
                                          int* default_length) override;
    [[nodiscard]] bool GetFriendlyName(int position, std::string* chunk) override;
    [[nodiscard]] bool GetDefaultFriendlyName(int position, std::string* chunk) override;
    [[nodiscard]] bool SetFriendlyName(int position, const std::string& chunk,
                                       int* length) override;
    [[nodiscard]] bool ResetFriendlyName(int* length) override;
};

} // namespace devio
