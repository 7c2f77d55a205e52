// A RAP device as the library's users see it: a device attached directly or behind a receiver,
// with its identity, its features, its command engine and its configuration state.
//
// Events (produced by the Device):
// - Report: every report the hardware device delivers, with its classification; on the
//   transport's read thread.
// - WriteReport: every write of the hardware device, and every failed command exchange.
// - Connect: connection, disconnection and a changed firmware.
// - ConfigChange: the set of configured features or the configuration state changed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Source/Byte.h"
#include "Source/Contracts/IFeature.h"
#include "Source/Contracts/RapReport.h"
#include "Source/Log/ErrorCode.h"
#include "Source/Log/LastError.h"

namespace devio {

class IDeviceManager;
class IHardwareBus;

class IDevice {
public:
    // How the classification treated an incoming report.
    enum class ReportType {
        // Too short, addressed to another device index, or a notification of a device that has
        // no feature table yet.
        Unhandled = 0,
        // Completed this device's pending synchronous command.
        CommandResponse = 1,
        // A response that belongs to another program, or an unexpected one.
        OtherSoftwareResponse = 2,
        // A RAP 1.0 notification, or a RAP 2.0 event (software id 0) of a known feature.
        Notification = 3,
    };

    class Report {
    public:
        // `syserr` and `size` are those of the hardware device's Read event.
        virtual void onReport(const std::vector<Byte>& /*report*/, unsigned /*syserr*/,
                              unsigned /*size*/, ReportType /*type*/) {}
        virtual ~Report() = default;
    };

    class WriteReport {
    public:
        // A failed exchange comes with an empty report and its code; `number` is the system error
        // (for a software-id conflict, the current software id).
        virtual void onWriteReport(const std::vector<Byte>& /*report*/, ErrorCode /*code*/,
                                   unsigned /*number*/) {}
        virtual ~WriteReport() = default;
    };

    class Connect {
    public:
        virtual void onConnect(std::shared_ptr<IDevice> /*device*/,
                               bool /*device_configured_by_us*/) {}
        virtual void onDisconnect(std::shared_ptr<IDevice> /*device*/) {}
        virtual void onFirmwareChanged(std::shared_ptr<IDevice> /*device*/) {}
        virtual ~Connect() = default;
    };

    class ConfigChange {
    public:
        virtual void onConfigChange() {}
        virtual ~ConfigChange() = default;
    };

    virtual void initDevice(std::shared_ptr<IDeviceManager> manager) = 0;
    virtual void uninitDevice() = 0;
    virtual ~IDevice() = default;
    virtual bool connected() = 0;
    virtual bool removed() const = 0;
    // Both the hardware device's bus type (kBusType values).
    virtual int busType() const = 0;
    virtual int transportType() const = 0;
    virtual int busIndex() const = 0;
    // Empty when the bus is gone.
    virtual std::shared_ptr<IHardwareBus> bus() const = 0;
    virtual std::string path() const = 0;
    virtual int pid() const = 0;
    virtual std::string name() const = 0;
    // The software id of this program's requests; 0 while none has been chosen.
    virtual unsigned swid() const = 0;
    virtual int slotByte() const = 0;
    // Called by a feature before it changes a setting of the device.
    [[nodiscard]] virtual bool set_configured(std::shared_ptr<IFeature> feature) = 0;
    virtual bool configured() const = 0;
    // Called by a feature that holds a change to write on the next connection.
    [[nodiscard]] virtual bool set_pending(std::shared_ptr<IFeature> feature) = 0;
    virtual bool pending() const = 0;
    [[nodiscard]] virtual bool shutdown() = 0;
    // Drops every feature but the root, the configured and pending lists and the response cache.
    virtual void forget() = 0;
    virtual std::weak_ptr<IDeviceManager> manager() const = 0;
    // The feature with that number; empty with the reason in LastError (NotPresent when the
    // device lacks it).
    virtual std::shared_ptr<IFeature> feature_by_id(int number) = 0;
    virtual std::vector<std::shared_ptr<IFeature>> features() = 0;
    // Writes a report; with `awaits_response` the device first makes sure it reads the answers.
    [[nodiscard]] virtual bool sendCommand(const std::vector<Byte>& report,
                                           bool awaits_response) = 0;
    // One command and its whole response report, with pings and retries. CacheMode::Cached serves
    // and fills the response cache. `positions` are the parameter bytes the response must repeat.
    [[nodiscard]] virtual bool sendSynchronousCommand(const std::vector<Byte>& command,
                                                      std::vector<Byte>& response,
                                                      CacheMode cache_mode,
                                                      const rap::MatchPositions& positions) = 0;
    // Ends this object's use of the command engine: a waiting command and every later one fail
    // with Abandoned.
    virtual void abandon() = 0;
    [[nodiscard]] virtual bool retry_load_feature_root() = 0;
    virtual int extendedValue() const = 0;
    virtual void confirm_configuration() = 0;

    // The feature that implements interface I (which names its kFeatureNumber). Empty when the
    // device lacks it (its error stands) or when the feature found is of another class
    // (GeneralFailure, "cannot cast feature to proper type").
    template <class I>
    std::shared_ptr<I> feature() {
        std::shared_ptr<IFeature> found = feature_by_id(I::kFeatureNumber);
        if (found == nullptr) {
            return nullptr;
        }
        std::shared_ptr<I> typed = std::dynamic_pointer_cast<I>(found);
        if (typed == nullptr) {
            set_last_error(ErrorCode::GeneralFailure, 0, "cannot cast feature to proper type");
        }
        return typed;
    }
};

} // namespace devio
