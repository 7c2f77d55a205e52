// The gesture feature 0x6500: gestures by id, each on or off and possibly reported to software
// instead of acted on.
// Layouts (this library's choice): function 0, for a gesture index, answers the gesture count, the
// id at that index and its flags; it never changes for a firmware and is kept in the response
// cache. Function 1 is not used. The other operations take a gesture id; the event carries a
// gesture id and its data.
#pragma once

#include <vector>

#include "Source/Byte.h"

namespace devio {

class IFeature6500Gestures {
public:
    static constexpr int kFeatureNumber = 0x6500;

    // A diverted gesture happened (event function 0). Produced on the transport's read thread.
    class Report {
    public:
        virtual void onGesture(int /*gesture_id*/, const std::vector<Byte>& /*data*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature6500Gestures() = default;

    [[nodiscard]] virtual bool GetGestureIDInfo(int index, int* count, int* gesture_id,
                                                int* flags) = 0;
    [[nodiscard]] virtual bool IsEnabled(int gesture_id, bool* enabled) = 0;
    [[nodiscard]] virtual bool Enable(int gesture_id, bool enabled) = 0;
    [[nodiscard]] virtual bool IsDiverted(int gesture_id, bool* diverted) = 0;
    [[nodiscard]] virtual bool Divert(int gesture_id, bool diverted) = 0;
};

} // namespace devio
