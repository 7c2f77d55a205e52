// The hybrid-tracking feature 0x2400: a sensor engine that mixes two tracking sources, whether it
// runs and what it reports.
#pragma once

#include <vector>

#include "Source/Byte.h"

namespace devio {

class IFeature2400HybridTracking {
public:
    static constexpr int kFeatureNumber = 0x2400;

    // Produced on the transport's read thread.
    class Report {
    public:
        // Raw data of the engine (function 0 events), as the device sends it.
        virtual void onHybridRawData(const std::vector<Byte>& /*data*/) {}
        // The engine's state changed (function 1 events).
        virtual void onHybridStateChange(int /*state*/) {}
        virtual ~Report() = default;
    };

    virtual ~IFeature2400HybridTracking() = default;

    [[nodiscard]] virtual bool IsHybridEngineEnabled(bool* enabled) = 0;
    [[nodiscard]] virtual bool EnableHybridEngine(bool enable) = 0;
    [[nodiscard]] virtual bool GetHybridReportingMode(int* mode) = 0;
    [[nodiscard]] virtual bool SetHybridReportingMode(int mode) = 0;
};

} // namespace devio
