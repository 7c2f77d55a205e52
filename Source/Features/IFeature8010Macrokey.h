// The macro-key feature 0x8010: the device's macro keys and their presses.
// Layouts (this library's choice): the number of keys and, per index, a control id (16 bits big-
// endian) and a flags byte, both kept in the response cache; reporting to software is switched with
// one byte; the event carries the pressed keys as a bit mask.
#pragma once

namespace devio {

class IFeature8010Macrokey {
public:
    static constexpr int kFeatureNumber = 0x8010;

    // The pressed macro keys changed (event function 0). Produced on the transport's read thread.
    class Report {
    public:
        virtual void onMacroKey(int /*pressed*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature8010Macrokey() = default;

    [[nodiscard]] virtual bool GetCount(int* count) = 0;
    [[nodiscard]] virtual bool GetKeyInfo(int index, int* control_id, int* flags) = 0;
    [[nodiscard]] virtual bool SetReporting(bool reporting) = 0;
};

} // namespace devio
