// The button-swap feature's class, the library's example of a setting that is held while the
// device is away: the held values are written in order when the device connects again
// (process_pending_changes).
//
// The held values are appended on the caller's thread and replayed by the device's connect
// handling on the application's thread; they have a lock of their own.
#pragma once

#include <mutex>
#include <vector>

#include "Source/Features/IFeature2005ButtonSwapCancel.h"
#include "Source/Rap/FeatureBase.h"
#include "Source/System/ThreadAnnotations.h"

namespace devio {

class Feature2005ButtonSwapCancel
    : public FeatureBase<"Feature2005ButtonSwapCancel", IFeature2005ButtonSwapCancel>,
      public Producer<IFeature2005ButtonSwapCancel::SettingChange> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetSwapMode(bool* swap_enabled) override;
    [[nodiscard]] bool SetSwapMode(bool swap_enabled) override DEVIO_EXCLUDES(pending_mutex_);
    [[nodiscard]] bool SetSwapModeNow(bool swap_enabled) override;

    [[nodiscard]] bool process_pending_changes(bool device_configured) override
        DEVIO_EXCLUDES(pending_mutex_);

protected:
    void onUnexpectedResponse(unsigned function, unsigned software_id,
                              const std::vector<Byte>& parameters) override;

private:
    sys::Mutex pending_mutex_;
    std::vector<bool> pending_values_ DEVIO_GUARDED_BY(pending_mutex_);
};

} // namespace devio
