#include "Source/Features/Feature00c1DFUControl.h"

#include "Source/Features/DfuControlCommon.h"
#include "Source/Log/LastError.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetDfuControl = 0;
constexpr unsigned kSetDfuControl = 1;

} // namespace

Feature00c1DFUControl::Feature00c1DFUControl(Byte index, std::weak_ptr<Device> device)
    : Feature(kFeatureNumber, index, std::move(device)) {}

bool Feature00c1DFUControl::GetDfuControl(int& value) {
    std::vector<Byte> response;
    if (!sendFeatureCommand(kGetDfuControl, {}, response, 0)) {
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
    return sendFeatureCommand(kSetDfuControl, with_dfu_confirmation({p0, p1, p2, p3}), response, 0);
}

void Feature00c1DFUControl::onUnexpectedResponse(unsigned function, unsigned software_id,
                                                 const std::vector<Byte>& /*parameters*/) {
    log_unexpected_dfu_control_response("Feature00c1DFUControl", function, software_id);
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature00c1DFUControl, 00c1, 0x00C1)
