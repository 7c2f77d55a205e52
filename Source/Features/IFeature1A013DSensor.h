// The 3D-sensor feature 0x1A01: a motion sensor of three axes (a presenter's or a controller's),
// its mode, its calibration and the raw positions it reports.
#pragma once

#include <vector>

#include "Source/Byte.h"

namespace devio {

class IFeature1A013DSensor {
public:
    static constexpr int kFeatureNumber = 0x1A01;

    // Produced on the transport's read thread.
    class Notif1Report {
    public:
        virtual void onNotif1(const std::vector<Byte>& /*data*/) {}
        virtual ~Notif1Report() = default;
    };
    class RawXYZReport {
    public:
        virtual void onRawXYZReport(int /*x*/, int /*y*/, int /*z*/) {}
        virtual ~RawXYZReport() = default;
    };
    class Notif2Report {
    public:
        virtual void onNotif2(const std::vector<Byte>& /*data*/) {}
        virtual ~Notif2Report() = default;
    };

    virtual ~IFeature1A013DSensor() = default;

    [[nodiscard]] virtual bool GetSensorInfo(int* axes, int* range) = 0;
    [[nodiscard]] virtual bool GetMode(int* mode) = 0;
    [[nodiscard]] virtual bool SetMode(int mode) = 0;
    [[nodiscard]] virtual bool GetCalibration(int* x, int* y, int* z) = 0;
    [[nodiscard]] virtual bool StartCalibration() = 0;
};

} // namespace devio
