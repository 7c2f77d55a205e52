// The gestures feature's class. The descriptor (GestureDescriptor.h) is read once, lazily, with
// function 0 and the count of fields read so far; a chunk that brings no field and does not end
// the descriptor is InvalidDeviceData, so a device that repeats itself cannot hold the reading in
// a loop, and 1000 fields without an end are InvalidDeviceData too.
//
// Layouts left open by the protocol and chosen as a device of this kind answers: 1 IsEnabled and
// 3 IsDiverted [gesture] -> [gesture, flag]; 2 EnableNow and 4 DivertNow [gesture, flag]; 5 GetSpec
// [gesture, spec], 6 ParamDefault and 7 GetParam [gesture, parameter] -> [gesture, item, value
// (16 bits)]; 8 SetParamNow [gesture, parameter, value (16 bits)]; 9 SendReport [data]. Gestures
// and items are checked against the descriptor before anything is sent. Device events of any
// function are published as GestureReport.
#pragma once

#include <mutex>
#include <optional>

#include "Source/Features/GestureDescriptor.h"
#include "Source/Features/IFeature6501Gestures.h"
#include "Source/Rap/FeatureBase.h"
#include "Source/System/ThreadAnnotations.h"

namespace devio {

class Feature6501Gestures : public FeatureBase<"Feature6501Gestures", IFeature6501Gestures>,
                            public Producer<IFeature6501Gestures::GestureReport> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetGestureInfo(int index, int* gesture, int* count) override;
    [[nodiscard]] bool IsEnabled(int gesture, bool* enabled) override;
    [[nodiscard]] bool EnableNow(int gesture, bool enable) override;
    [[nodiscard]] bool IsDiverted(int gesture, bool* diverted) override;
    [[nodiscard]] bool DivertNow(int gesture, bool divert) override;
    [[nodiscard]] bool GetSpec(int gesture, int spec, int* value) override;
    [[nodiscard]] bool ParamDefault(int gesture, int parameter, int* value) override;
    [[nodiscard]] bool GetParam(int gesture, int parameter, int* value) override;
    [[nodiscard]] bool SetParamNow(int gesture, int parameter, int value) override;
    [[nodiscard]] bool GetRawDescriptor(std::vector<uint16_t>* fields) override;
    [[nodiscard]] bool SendReport(const std::vector<Byte>& data) override;

protected:
    void onFeatureReport(int function, const std::vector<Byte>& parameters) override;

private:
    // The descriptor, read on first use.
    bool descriptor(std::vector<uint16_t>& fields) DEVIO_EXCLUDES(descriptor_mutex_);
    bool read_descriptor(std::vector<uint16_t>& fields) DEVIO_EXCLUDES(descriptor_mutex_);
    // UnknownGesture unless the descriptor lists the gesture.
    bool known_gesture(int gesture, std::vector<uint16_t>& fields);
    bool read_flag(unsigned function, int gesture, bool* flag);
    bool write_flag(const char* location, unsigned function, int gesture, bool flag);
    bool read_item(unsigned function, CacheMode cache_mode, Byte kind, int gesture, int item,
                   int* value);

    sys::Mutex descriptor_mutex_;
    std::optional<std::vector<uint16_t>> descriptor_ DEVIO_GUARDED_BY(descriptor_mutex_);
};

} // namespace devio
