// The base of every feature object: its identity on the device, the sending of its functions
// through the device's command engine, the delivery of the device's events and of other programs'
// responses, and the configured and pending states it asks the device for.
//
// A plain Feature stands for a number without a class of its own; feature classes derive from it
// and from their typed interface through FeatureBase (FeatureBase.h, which says how to write one),
// and override the three hooks. Sends run on the caller's thread;
// event delivery runs on the transport's read thread.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "Source/Contracts/IFeature.h"
#include "Source/Events/Producer.h"

namespace devio {

class Feature : public IFeature,
                public Producer<IFeature::FeatureReport>,
                public std::enable_shared_from_this<Feature> {
public:
    Feature(int featureID, Byte featureIndex, std::weak_ptr<Device> device);

    // IFeature
    int featureID() const override { return featureID_; }
    [[nodiscard]] bool sendFeatureReport(unsigned function,
                                         const std::vector<Byte>& parameters) override;
    [[nodiscard]] bool sendFeatureCommand(unsigned function, const std::vector<Byte>& parameters,
                                          std::vector<Byte>& response,
                                          CacheMode cache_mode) override;
    [[nodiscard]] bool sendFeatureCommand(unsigned function, const std::vector<Byte>& parameters,
                                          std::vector<Byte>& response, CacheMode cache_mode,
                                          const rap::MatchPositions& positions) override;
    bool configured() const override { return configured_.load(); }
    bool pending() const override { return pending_.load(); }
    std::shared_ptr<Device> device() const override { return device_.lock(); }
    bool obsolete() const override { return obsolete_; }
    bool swHidden() const override { return swHidden_; }
    bool engineeringHidden() const override { return engineeringHidden_; }
    int featureIndex() const override { return featureIndex_; }
    int version() const override { return version_; }
    std::shared_ptr<IFeature> self() override { return weak_from_this().lock(); }

    // Writes the changes this feature held while the device was away; called by the device when
    // it connects. The base has none.
    [[nodiscard]] virtual bool process_pending_changes(bool /*device_configured*/) { return true; }

    // Entry points of the classification: publish the event to the subscribers, then run the
    // feature's own hook.
    void deliverFeatureReport(int function, const std::vector<Byte>& parameters);
    void deliverUnexpectedResponse(unsigned function, unsigned software_id,
                                   const std::vector<Byte>& parameters);

    // Asks the device to count this feature as configuring it, once it has agreed; called before
    // a setting is changed.
    [[nodiscard]] bool set_configured();
    // Registers this feature with the device as holding changes for the next connection. Refused
    // with FeatureChangePending while the device replays this feature's changes.
    [[nodiscard]] bool set_pending();

    // Set by feature discovery: the flags and version the device reports for the feature.
    void set_discovery_info(bool obsolete, bool swHidden, bool engineeringHidden, int version);
    // Used by the device: its configuration was lost or given back, the replay of pending changes
    // starts and ends, and the replay succeeded.
    void clear_configured() { configured_.store(false); }
    void set_processing_pending(bool processing) { processing_pending_.store(processing); }
    void clear_pending() { pending_.store(false); }

protected:
    // A device event of this feature.
    virtual void onFeatureReport(int /*function*/, const std::vector<Byte>& /*parameters*/) {}
    // Another program's response on this feature.
    virtual void onUnexpectedResponse(unsigned /*function*/, unsigned /*software_id*/,
                                      const std::vector<Byte>& /*parameters*/) {}

private:
    // The device, or empty with DeviceRemoved.
    std::shared_ptr<Device> device_or_fail() const;
    rap::Report command_for(Device& device, unsigned function,
                            const std::vector<Byte>& parameters) const;

    bool obsolete_ = false;
    bool swHidden_ = false;
    bool engineeringHidden_ = false;
    int version_ = 0;
    const int featureID_;
    const int featureIndex_;
    const std::weak_ptr<Device> device_;
    std::atomic<bool> configured_{false};
    std::atomic<bool> pending_{false};
    std::atomic<bool> processing_pending_{false};
};

} // namespace devio
