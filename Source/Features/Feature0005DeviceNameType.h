// The device-name feature's class. The name is read in chunks: the length from GetCount, then
// function 1 with the offset reached so far, each answer carrying the next bytes of the name.
//
// Left open by the protocol and chosen as a device of this kind does: a chunk ends at its first
// zero byte or at the name's length, whichever comes first (the answer is padded with zeros), and
// a chunk that brings no byte is EmptyResponse, so a device that repeats itself cannot hold the
// reading in a loop. The name, once read whole, is kept (under a lock: callers may be on any
// thread) and never read again.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "Source/Features/IFeature0005DeviceNameType.h"
#include "Source/Rap/FeatureBase.h"
#include "Source/System/ThreadAnnotations.h"

namespace devio {

class Feature0005DeviceNameType
    : public FeatureBase<"Feature0005DeviceNameType", IFeature0005DeviceNameType> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetCount(int* count) override;
    [[nodiscard]] bool GetDeviceName(std::string* name) override;
    [[nodiscard]] bool GetDeviceType(int* type) override;

private:
    bool read_name(std::string& name) DEVIO_EXCLUDES(name_mutex_);

    sys::Mutex name_mutex_;
    std::optional<std::string> name_ DEVIO_GUARDED_BY(name_mutex_);
};

} // namespace devio
