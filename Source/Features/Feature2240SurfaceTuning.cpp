#include "Source/Features/Feature2240SurfaceTuning.h"

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetCapabilities = 0;
constexpr unsigned kGetSurfaceMode = 1;
constexpr unsigned kSetSurfaceMode = 2;
constexpr unsigned kStartShutterCalibration = 3;
constexpr unsigned kStartSqualCalibration = 4;
constexpr unsigned kGetCalibrationData = 5;
constexpr unsigned kResetCalibration = 6;
constexpr int kShutterDoneEvent = 0;
constexpr int kSqualDoneEvent = 1;

} // namespace

bool Feature2240SurfaceTuning::read_byte(unsigned function, int* value) {
    std::vector<Byte> response;
    if (!send_expecting(*this, function, {}, CacheMode::Uncached, 1, response)) {
        return false;
    }
    set_out(value, response[0]);
    return true;
}

bool Feature2240SurfaceTuning::command(unsigned function, std::vector<Byte> parameters) {
    std::vector<Byte> response;
    return sendFeatureCommand(function, parameters, response, CacheMode::Uncached);
}

bool Feature2240SurfaceTuning::GetCapabilities(int* capabilities) {
    return read_byte(kGetCapabilities, capabilities);
}

bool Feature2240SurfaceTuning::GetSurfaceMode(int* mode) {
    return read_byte(kGetSurfaceMode, mode);
}

bool Feature2240SurfaceTuning::SetSurfaceMode(int mode) {
    if (!set_configured()) {
        xLogWrite(kTag, kLogInfo, log_location<"SetSurfaceMode">(), "set_configured failed");
        return false;
    }
    return command(kSetSurfaceMode, {static_cast<Byte>(mode)});
}

bool Feature2240SurfaceTuning::StartShutterCalibration() {
    return command(kStartShutterCalibration, {});
}

bool Feature2240SurfaceTuning::StartSqualCalibration() {
    return command(kStartSqualCalibration, {});
}

bool Feature2240SurfaceTuning::GetCalibrationData(int slot, int* shutter, int* squal) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetCalibrationData, {static_cast<Byte>(slot)}, CacheMode::Uncached,
                        5, response)) {
        return false;
    }
    if (response[0] != static_cast<Byte>(slot)) {
        set_last_error(ErrorCode::InvalidDeviceData);
        return false;
    }
    set_out(shutter, (response[1] << 8) | response[2]);
    set_out(squal, (response[3] << 8) | response[4]);
    return true;
}

bool Feature2240SurfaceTuning::ResetCalibration() {
    return command(kResetCalibration, {});
}

void Feature2240SurfaceTuning::onFeatureReport(int function, const std::vector<Byte>& parameters) {
    if (parameters.empty()) {
        return;
    }
    int result = parameters[0];
    if (function == kShutterDoneEvent) {
        Producer<IFeature2240SurfaceTuning::Report>::produce(
            [result](IFeature2240SurfaceTuning::Report* subscriber) {
                subscriber->onShutterCalibrationDone(result);
            },
            "Feature2240SurfaceTuning::Report::onShutterCalibrationDone");
    } else if (function == kSqualDoneEvent) {
        Producer<IFeature2240SurfaceTuning::Report>::produce(
            [result](IFeature2240SurfaceTuning::Report* subscriber) {
                subscriber->onSqualCalibrationDone(result);
            },
            "Feature2240SurfaceTuning::Report::onSqualCalibrationDone");
    }
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature2240SurfaceTuning, 2240)
