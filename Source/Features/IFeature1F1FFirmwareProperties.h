// The firmware-properties feature 0x1F1F: named pieces of data the firmware keeps (serial numbers,
// calibration blocks, user data), each reachable as a property object whose changes it announces.
#pragma once

#include <memory>
#include <vector>

#include "Source/Byte.h"

namespace devio {

// One property of the device's firmware, handed out by the feature.
class IFirmwareProperty {
public:
    // The device announced that the property changed. Produced on the transport's read thread.
    class Notification {
    public:
        virtual void onPropertyChanged(int /*property_id*/) {}
        virtual ~Notification() = default;
    };

    virtual ~IFirmwareProperty() = default;
    virtual int id() const = 0;
};

class IFeature1F1FFirmwareProperties {
public:
    static constexpr int kFeatureNumber = 0x1F1F;

    // Every property event of the device (function 0 events: [property id, data...]).
    class Report {
    public:
        virtual void onPropertyEvent(int /*property_id*/, const std::vector<Byte>& /*data*/) {}
        virtual ~Report() = default;
    };

    struct PropertyInfo {
        int id = 0;
        int size = 0;
        int flags = 0; // bit 0 readable, bit 1 writable
    };

    virtual ~IFeature1F1FFirmwareProperties() = default;

    [[nodiscard]] virtual bool GetCount(int* count) = 0;
    [[nodiscard]] virtual bool GetPropertyInfo(int index, PropertyInfo* info) = 0;
    // Up to 14 bytes of the property from `offset` on.
    [[nodiscard]] virtual bool ReadProperty(int id, int offset, std::vector<Byte>* data) = 0;
    // At most 12 bytes.
    [[nodiscard]] virtual bool WriteProperty(int id, int offset, const std::vector<Byte>& data) = 0;
    [[nodiscard]] virtual bool DeleteProperty(int id) = 0;
    [[nodiscard]] virtual bool LockProperty(int id) = 0;
    [[nodiscard]] virtual bool SetPropertyNotifications(int id, bool enabled) = 0;
    // The object of property `id`, the same one for every call.
    virtual std::shared_ptr<IFirmwareProperty> property(int id) = 0;
};

} // namespace devio
