// One property of the firmware-properties feature: its id, and the producer of its change
// notifications, which the feature fires when the device announces the property.
#pragma once

#include "Source/Events/Producer.h"
#include "Source/Features/IFeature1F1FFirmwareProperties.h"

namespace devio {

class FirmwareProperty : public IFirmwareProperty,
                         public Producer<IFirmwareProperty::Notification> {
public:
    explicit FirmwareProperty(int id) : id_(id) {}
    int id() const override { return id_; }

    // Runs on the transport's read thread.
    void announce_change() {
        int id = id_;
        produce(
            [id](IFirmwareProperty::Notification* subscriber) {
                subscriber->onPropertyChanged(id);
            },
            "FirmwareProperty::Notification::onPropertyChanged");
    }

private:
    const int id_;
};

} // namespace devio
