#include "Source/Features/Feature00c1DFUControl.h"

#include "Source/Features/DfuControlCommon.h"
#include "Source/Log/LastError.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetDfuControl = 0;
constexpr unsigned kSetDfuControl = 1;

} // namespace

bool Feature00c1DFUControl::GetDfuControl(int& value) {
    std::vector<Byte> response;
    if (!sendFeatureCommand(kGetDfuControl, {}, response, CacheMode::Uncached)) {
        return false;
    }
    if (response.size() < 2) {
        set_last_error(ErrorCode::CommandResponseTooShort);
        return false;
    }
    value = response[1];
    return true;
}

bool Feature00c1DFUControl::SetDfuControl(Byte p0, Byte p1, Byte p2, Byte p3) {
    std::vector<Byte> response;
    return sendFeatureCommand(kSetDfuControl, with_dfu_confirmation({p0, p1, p2, p3}), response,
                              CacheMode::Uncached);
}

void Feature00c1DFUControl::onUnexpectedResponse(unsigned function, unsigned software_id,
                                                 const std::vector<Byte>& /*parameters*/) {
    log_unexpected_dfu_control_response(kTag, function, software_id);
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature00c1DFUControl, 00c1)
