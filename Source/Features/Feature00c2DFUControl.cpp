#include "Source/Features/Feature00c2DFUControl.h"

#include "Source/Features/DfuControlCommon.h"
#include "Source/Log/LastError.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetDfuControl = 0;
constexpr unsigned kSetDfuControl = 1;

// The command failed: GeneralFailure, keeping the command's reason as the number.
bool fail_command() {
    LastError reason = last_error();
    set_last_error(ErrorCode::GeneralFailure, to_underlying(reason.code), reason.message);
    return false;
}

} // namespace

bool Feature00c2DFUControl::GetDfuControl(bool& enabled) {
    std::vector<Byte> response;
    if (!sendFeatureCommand(kGetDfuControl, {}, response, CacheMode::Uncached)) {
        return fail_command();
    }
    if (response.size() < 3) {
        set_last_error(ErrorCode::CommandResponseTooShort);
        return false;
    }
    enabled = (response[2] & 0x01) != 0;
    return true;
}

bool Feature00c2DFUControl::SetDfuControl(Byte p0, Byte p1) {
    // Seven parameter bytes: the base sends them as a long report.
    if (!sendFeatureReport(kSetDfuControl, with_dfu_confirmation({p0, p1, 0x00, 0x00}))) {
        return fail_command();
    }
    return true;
}

void Feature00c2DFUControl::onUnexpectedResponse(unsigned function, unsigned software_id,
                                                 const std::vector<Byte>& /*parameters*/) {
    log_unexpected_dfu_control_response(kTag, function, software_id);
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature00c2DFUControl, 00c2)
