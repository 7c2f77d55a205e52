// Feature 0x00C0, DFU control of the first generation. Another program's answers to function 1
// are published as ConfigReport to the direct subscribers, one after the other in the order of
// the producer's set (by address), on the transport's read thread.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "Source/Events/Producer.h"
#include "Source/Features/IFeature00c0DFUControl.h"
#include "Source/Rap/FeatureBase.h"
#include "Source/System/ThreadAnnotations.h"

namespace devio {

class Feature00c0DFUControl : public FeatureBase<"Feature00c0DFUControl", IFeature00c0DFUControl>,
                              public Producer<IFeature00c0DFUControl::ConfigReport> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool EnterDfu() override;

protected:
    void onUnexpectedResponse(unsigned function, unsigned software_id,
                              const std::vector<Byte>& parameters) override
        DEVIO_EXCLUDES(direct_mutex_);

    // ConfigReport reaches direct subscribers only: this feature keeps their set itself.
    using Producer<IFeature::FeatureReport>::on_subscription_added;
    using Producer<IFeature::FeatureReport>::on_unsubscribe;
    void on_subscription_added(ConfigReport* subscriber, bool direct) override
        DEVIO_EXCLUDES(direct_mutex_);
    void on_unsubscribe(ConfigReport* subscriber) override DEVIO_EXCLUDES(direct_mutex_);

private:
    // Held while the handlers run, so that an unsubscribe waits for a delivery in progress.
    sys::Mutex direct_mutex_;
    std::vector<ConfigReport*> direct_ DEVIO_GUARDED_BY(direct_mutex_); // ordered by address
};

} // namespace devio
