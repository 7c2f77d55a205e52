#include "Source/Features/Feature0001FeatureSet.h"

#include <algorithm>

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetCount = 0;
constexpr unsigned kGetFeatureID = 1;
constexpr std::size_t kFeatureIdBytes = 4;

} // namespace

bool Feature0001FeatureSet::GetCount(int* count) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetCount, {}, CacheMode::Cached, 1, response)) {
        return false;
    }
    set_out(count, response[0]);
    xLogWrite(kTag, kLogInfo, log_location<"GetCount">(),
              "Feature0001FeatureSet::GetCount(* count = %d)", response[0]);
    return true;
}

bool Feature0001FeatureSet::GetFeatureID(int featureIndex, int* featureID, bool* engineeringHidden,
                                         bool* swHidden, bool* obsolete, int* version) {
    std::vector<Byte> response;
    if (!sendFeatureCommand(kGetFeatureID, {static_cast<Byte>(featureIndex)}, response,
                            CacheMode::Cached)) {
        return false;
    }
    response.resize(std::max(response.size(), kFeatureIdBytes), 0);
    int id = response[0] << 8 | response[1];
    FeatureFlags flags = FeatureFlags::from(response[2]);
    set_out(featureID, id);
    set_out(engineeringHidden, flags.engineering);
    set_out(swHidden, flags.hidden);
    set_out(obsolete, flags.obsolete);
    set_out(version, response[3]);
    xLogWrite(kTag, kLogInfo, log_location<"GetFeatureID">(),
              "Feature0001FeatureSet::GetFeatureID(featureIndex = %d, *featureID = 0x%08x, "
              "*engineeringHidden = %d, *swHidden = %d, *obsolete = %d, *version = %d)",
              featureIndex, static_cast<unsigned>(id), flags.engineering, flags.hidden,
              flags.obsolete, response[3]);
    return true;
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature0001FeatureSet, 0001)
