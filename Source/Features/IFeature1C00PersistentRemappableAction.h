// The persistent-remapping feature 0x1C00: actions the device itself performs for its controls,
// kept across restarts.
// Layouts (this library's choice): the number of remappable controls; per index a control id (16
// bits big-endian) and a flags byte; per control id its action (16 bits big-endian).
#pragma once

namespace devio {

class IFeature1C00PersistentRemappableAction {
public:
    static constexpr int kFeatureNumber = 0x1C00;

    virtual ~IFeature1C00PersistentRemappableAction() = default;

    [[nodiscard]] virtual bool GetCount(int* count) = 0;
    [[nodiscard]] virtual bool GetCidInfo(int index, int* control_id, int* flags) = 0;
    [[nodiscard]] virtual bool GetRemapping(int control_id, int* action) = 0;
    [[nodiscard]] virtual bool SetRemapping(int control_id, int action) = 0;
};

} // namespace devio
