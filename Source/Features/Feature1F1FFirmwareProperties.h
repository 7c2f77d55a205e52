// The firmware-properties feature's class. Layouts left open by the protocol and chosen as a
// device of this kind answers (16-bit values big-endian): 0: -> [count]; 1: [index] -> [index, id,
// size (16), flags], the index echoed; 2: [id, offset (16)] -> [id, data...] (the id echoed);
// 3: [id, offset (16), at most 12 bytes]; 4: [id] deletes; 5: [id] locks; 6: [id, enabled]. A
// device event of function 0 ([id, data...]) is published as Report and reaches the property
// object of that id, which the feature keeps once made (under a lock: callers and the read thread
// both reach the table).
#pragma once

#include <map>
#include <mutex>

#include "Source/Features/FirmwareProperty.h"
#include "Source/Features/IFeature1F1FFirmwareProperties.h"
#include "Source/Rap/FeatureBase.h"
#include "Source/System/ThreadAnnotations.h"

namespace devio {

class Feature1F1FFirmwareProperties
    : public FeatureBase<"Feature1F1FFirmwareProperties", IFeature1F1FFirmwareProperties>,
      public Producer<IFeature1F1FFirmwareProperties::Report> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetCount(int* count) override;
    [[nodiscard]] bool GetPropertyInfo(int index, PropertyInfo* info) override;
    [[nodiscard]] bool ReadProperty(int id, int offset, std::vector<Byte>* data) override;
    [[nodiscard]] bool WriteProperty(int id, int offset, const std::vector<Byte>& data) override;
    [[nodiscard]] bool DeleteProperty(int id) override;
    [[nodiscard]] bool LockProperty(int id) override;
    [[nodiscard]] bool SetPropertyNotifications(int id, bool enabled) override;
    std::shared_ptr<IFirmwareProperty> property(int id) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;

private:
    bool command(unsigned function, std::vector<Byte> parameters);

    sys::Mutex properties_mutex_;
    std::map<int, std::shared_ptr<FirmwareProperty>>
        properties_ DEVIO_GUARDED_BY(properties_mutex_);
};

} // namespace devio
