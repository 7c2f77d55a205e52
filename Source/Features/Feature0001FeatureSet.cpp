#include "Source/Features/Feature0001FeatureSet.h"

#include <algorithm>

#include "Source/FeatureRegistration.h"
#include "Source/Features/OutParam.h"
#include "Source/LastError.h"
#include "Source/xLog.h"

namespace devio {

namespace {

constexpr const char* kTag = "Feature0001FeatureSet";
constexpr unsigned kGetCount = 0;
constexpr unsigned kGetFeatureID = 1;
constexpr int kCached = 1;
constexpr Byte kObsoleteBit = 0x80;
constexpr Byte kSwHiddenBit = 0x40;
constexpr Byte kEngineeringHiddenBit = 0x20;

} // namespace

bool Feature0001FeatureSet::GetCount(int* count) {
    std::vector<Byte> response;
    if (!sendFeatureCommand(kGetCount, {}, response, kCached)) {
        return false;
    }
    if (response.empty()) {
        set_last_error(ErrorCode::CommandResponseTooShort);
        return false;
    }
    set_out(count, response[0]);
    xLogWrite(kTag, kLogInfo, "devio::Feature0001FeatureSet::GetCount",
              "Feature0001FeatureSet::GetCount(* count = %d)", response[0]);
    return true;
}

bool Feature0001FeatureSet::GetFeatureID(int featureIndex, int* featureID, bool* engineeringHidden,
                                         bool* swHidden, bool* obsolete, int* version) {
    std::vector<Byte> response;
    if (!sendFeatureCommand(kGetFeatureID, {static_cast<Byte>(featureIndex)}, response, kCached)) {
        return false;
    }
    response.resize(std::max<std::size_t>(response.size(), 4), 0);
    int id = response[0] << 8 | response[1];
    Byte flags = response[2];
    set_out(featureID, id);
    set_out(engineeringHidden, (flags & kEngineeringHiddenBit) != 0);
    set_out(swHidden, (flags & kSwHiddenBit) != 0);
    set_out(obsolete, (flags & kObsoleteBit) != 0);
    set_out(version, response[3]);
    xLogWrite(kTag, kLogInfo, "devio::Feature0001FeatureSet::GetFeatureID",
              "Feature0001FeatureSet::GetFeatureID(featureIndex = %d, *featureID = 0x%08x, "
              "*engineeringHidden = %d, *swHidden = %d, *obsolete = %d, *version = %d)",
              featureIndex, static_cast<unsigned>(id), (flags & kEngineeringHiddenBit) != 0,
              (flags & kSwHiddenBit) != 0, (flags & kObsoleteBit) != 0, response[3]);
    return true;
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature0001FeatureSet, 0001, 0x0001)
