#include "Source/Features/Feature6100TouchPadRawXY.h"

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetTouchPadInfo = 0;
constexpr unsigned kGetRawReportState = 1;
constexpr unsigned kSetRawReportState = 2;
constexpr int kDualXYEvent = 0;

int word_at(const std::vector<Byte>& bytes, std::size_t at) {
    return (bytes[at] << 8) | bytes[at + 1];
}

} // namespace

bool Feature6100TouchPadRawXY::GetTouchPadInfo(int* x_size, int* y_size) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetTouchPadInfo, {}, CacheMode::Uncached, 4, response)) {
        return false;
    }
    set_out(x_size, word_at(response, 0));
    set_out(y_size, word_at(response, 2));
    return true;
}

bool Feature6100TouchPadRawXY::GetRawReportState(int* state) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetRawReportState, {}, CacheMode::Uncached, 1, response)) {
        return false;
    }
    set_out(state, response[0]);
    return true;
}

bool Feature6100TouchPadRawXY::SetRawReportStateNow(int state) {
    if (!set_configured()) {
        xLogWrite(kTag, kLogInfo, log_location<"SetRawReportStateNow">(), "set_configured failed");
        return false;
    }
    std::vector<Byte> response;
    return sendFeatureCommand(kSetRawReportState, {static_cast<Byte>(state)}, response,
                              CacheMode::Uncached);
}

void Feature6100TouchPadRawXY::onFeatureReport(int function, const std::vector<Byte>& parameters) {
    if (function != kDualXYEvent || parameters.size() < 8) {
        return;
    }
    int x1 = word_at(parameters, 0);
    int y1 = word_at(parameters, 2);
    int x2 = word_at(parameters, 4);
    int y2 = word_at(parameters, 6);
    Producer<IFeature6100TouchPadRawXY::Report>::produce(
        [=](IFeature6100TouchPadRawXY::Report* subscriber) {
            subscriber->onDualXYData(x1, y1, x2, y2);
        },
        "Feature6100TouchPadRawXY::Report::onDualXYData");
}

void Feature6100TouchPadRawXY::onUnexpectedResponse(unsigned function, unsigned software_id,
                                                    const std::vector<Byte>& parameters) {
    if (function != kSetRawReportState || parameters.empty()) {
        return;
    }
    int state = parameters[0];
    Producer<IFeature6100TouchPadRawXY::Report>::produce(
        [software_id, state](IFeature6100TouchPadRawXY::Report* subscriber) {
            subscriber->onModeChanged(software_id, state);
        },
        "Feature6100TouchPadRawXY::Report::onModeChanged");
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature6100TouchPadRawXY, 6100)
