// A feature of a RAP 2.0 device: one numbered capability, reached through the device's feature
// index. Every feature object implements this interface; a feature class adds its own typed
// interface (IFeature0020ConfigChange and the like), reached through the device's typed lookup
// IDevice::feature<I>().
//
// A typed feature interface names its number as `static constexpr int kFeatureNumber`.
#pragma once

#include <memory>
#include <vector>

#include "Source/Byte.h"
#include "Source/Contracts/CacheMode.h"
#include "Source/Contracts/RapReport.h"

namespace devio {

class Device;

class IFeature {
public:
    // The device's events for this feature and the responses other programs get from it. Produced
    // on the transport's read thread.
    class FeatureReport {
    public:
        virtual void onFeatureReport(int /*function*/, const std::vector<Byte>& /*parameters*/) {}
        virtual void onUnexpectedResponse(unsigned /*function*/, unsigned /*software_id*/,
                                          const std::vector<Byte>& /*parameters*/) {}
        virtual ~FeatureReport() = default;
    };

    virtual ~IFeature() = default;

    // The feature number, 0x0000 to 0xFFFF.
    virtual int featureID() const = 0;
    // Writes one function with its parameters and does not wait for an answer.
    [[nodiscard]] virtual bool sendFeatureReport(unsigned function,
                                                 const std::vector<Byte>& parameters) = 0;
    // Sends one function and waits for its answer; `response` gets the answer's parameters (3
    // bytes for a short report, 16 for a long one). CacheMode::Cached serves and fills the response
    // cache.
    [[nodiscard]] virtual bool sendFeatureCommand(unsigned function,
                                                  const std::vector<Byte>& parameters,
                                                  std::vector<Byte>& response,
                                                  CacheMode cache_mode) = 0;
    // The same, with parameter positions whose bytes the answer must repeat.
    [[nodiscard]] virtual bool sendFeatureCommand(unsigned function,
                                                  const std::vector<Byte>& parameters,
                                                  std::vector<Byte>& response, CacheMode cache_mode,
                                                  const rap::MatchPositions& positions) = 0;
    // This feature has asked the device to be configured.
    virtual bool configured() const = 0;
    // This feature holds changes to write on the next connection.
    virtual bool pending() const = 0;
    // Empty once the device is gone.
    virtual std::shared_ptr<Device> device() const = 0;
    // The flags and version from feature discovery; 0 when the feature was found by number alone.
    virtual bool obsolete() const = 0;
    virtual bool swHidden() const = 0;
    virtual bool engineeringHidden() const = 0;
    virtual int featureIndex() const = 0;
    virtual int version() const = 0;
    virtual std::shared_ptr<IFeature> self() = 0;
};

} // namespace devio
