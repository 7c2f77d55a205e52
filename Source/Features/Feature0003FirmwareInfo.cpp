#include "Source/Features/Feature0003FirmwareInfo.h"

#include <algorithm>

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/FirmwareVersionText.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/Device.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetEntityCount = 0;
constexpr unsigned kGetFwInfo = 1;
// GetEntityCount's fields need 14 parameter bytes; a short answer leaves the rest 0.
constexpr std::size_t kEntityCountBytes = 14;
constexpr std::size_t kFwInfoBytes = 16;
constexpr std::size_t kExtraDataOffset = 9;
constexpr Byte kFwTypeMask = 0x0F;

uint16_t word_at(const std::vector<Byte>& bytes, std::size_t offset) {
    return static_cast<uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
}

bool is_application_prefix(const std::string& prefix) {
    return prefix == "QRA" || prefix == "QRB" || prefix == "QRT";
}

bool is_bootloader_prefix(const std::string& prefix) {
    return prefix.rfind("BL", 0) == 0 || prefix == "BOT";
}

} // namespace

bool Feature0003FirmwareInfo::GetEntityCount(int* count, uint32_t* unitId, int* transport,
                                             int* pid1, int* pid2, int* pid3, int* extendedModelId,
                                             CacheMode cache_mode) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetEntityCount, {}, cache_mode, 1, response)) {
        return false;
    }
    response.resize(std::max(response.size(), kEntityCountBytes), 0);
    uint32_t unit = static_cast<uint32_t>(response[1]) << 24 |
                    static_cast<uint32_t>(response[2]) << 16 |
                    static_cast<uint32_t>(response[3]) << 8 | response[4];
    set_out(count, response[0]);
    set_out(unitId, unit);
    set_out(transport, word_at(response, 5));
    set_out(pid1, word_at(response, 7));
    set_out(pid2, word_at(response, 9));
    set_out(pid3, word_at(response, 11));
    set_out(extendedModelId, response[13]);
    xLogWrite(kTag, kLogInfo, log_location<"GetEntityCount">(),
              "Feature0003FirmwareInfo::GetEntityCount(*count = %d, *unitId = 0x%08x, *transport = "
              "0x%04x, pid1 = 0x%04x, pid2 = 0x%04x, pid3 = 0x%04x, extendedModelId = %d)",
              response[0], unit, word_at(response, 5), word_at(response, 7), word_at(response, 9),
              word_at(response, 11), response[13]);
    return true;
}

bool Feature0003FirmwareInfo::GetFwInfo(int entity, int* fwType, std::string* prefix,
                                        uint16_t* bcdVersion, uint16_t* bcdBuild, int* rdnf,
                                        std::vector<Byte>* extra_data, CacheMode cache_mode) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetFwInfo, {static_cast<Byte>(entity)}, cache_mode, kFwInfoBytes,
                        response)) {
        return false;
    }
    int type = response[0] & kFwTypeMask;
    std::string text(response.begin() + 1, response.begin() + 4);
    uint16_t version = word_at(response, 4);
    uint16_t build = word_at(response, 6);
    set_out(fwType, type);
    set_out(prefix, text);
    set_out(bcdVersion, version);
    set_out(bcdBuild, build);
    set_out(rdnf, response[8]);
    if (extra_data != nullptr) {
        extra_data->assign(response.begin() + kExtraDataOffset, response.begin() + kFwInfoBytes);
    }
    xLogWrite(kTag, kLogInfo, log_location<"GetFwInfo">(),
              "Feature0003FirmwareInfo::GetFwInfo(entity = %d, *fwType = %d, *prefix = %s, "
              "*bcdVersion = 0x%04x, *bcdBuild = 0x%04x, *rdnf = %d, *extra_data)",
              entity, type, text.c_str(), version, build, response[8]);
    return true;
}

bool Feature0003FirmwareInfo::GetFwInfo(int entity, int* fwType, std::string* prefix,
                                        std::string* version, std::string* build, int* rdnf,
                                        std::vector<Byte>* extra_data, CacheMode cache_mode) {
    int type = 0;
    std::string text;
    uint16_t bcdVersion = 0;
    uint16_t bcdBuild = 0;
    int flags = 0;
    bool ok =
        GetFwInfo(entity, &type, &text, &bcdVersion, &bcdBuild, &flags, extra_data, cache_mode);
    if (ok) {
        set_out(fwType, type);
        set_out(prefix, text);
        set_out(version, hex_word(bcdVersion));
        set_out(build, hex_word(bcdBuild));
        set_out(rdnf, flags);
    }
    xLogWrite(kTag, kLogInfo, log_location<"GetFwInfo">(),
              "Feature0003FirmwareInfo::GetFwInfo(entity = %d, *fwType = %d, *prefix = %s, "
              "*version = %s, *build = %s, *rdnf = %d, *extra_data)",
              entity, type, text.c_str(), hex_word(bcdVersion).c_str(), hex_word(bcdBuild).c_str(),
              flags);
    return ok;
}

bool Feature0003FirmwareInfo::find_entity(const std::function<bool(const Entity&)>& matches,
                                          Entity& found) {
    int count = 0;
    if (!GetEntityCount(&count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        CacheMode::Cached)) {
        return false;
    }
    for (int index = 0; index < count; ++index) {
        Entity entity;
        if (!GetFwInfo(index, &entity.fwType, &entity.prefix, &entity.bcdVersion, &entity.bcdBuild,
                       &entity.rdnf, &entity.extra_data, CacheMode::Cached)) {
            return false;
        }
        if (matches(entity)) {
            found = std::move(entity);
            return true;
        }
    }
    set_last_error(ErrorCode::NotPresent);
    return false;
}

bool Feature0003FirmwareInfo::GetFwVersionByKind(int kind, std::string* version_string,
                                                 uint16_t* build, uint16_t* version, int* rdnf) {
    if (version_string == nullptr) {
        set_last_error(ErrorCode::GeneralFailure, 0, "version string output missing");
        return false;
    }
    Entity entity;
    bool found = find_entity(
        [kind](const Entity& e) {
            return (kind == kApplicationKind && is_application_prefix(e.prefix)) ||
                   (kind == kBootloaderKind && is_bootloader_prefix(e.prefix));
        },
        entity);
    if (!found) {
        return false;
    }
    *version_string = formatted_firmware_version(entity.prefix, entity.bcdVersion, entity.bcdBuild);
    set_out(build, normalise_bcd(entity.bcdBuild));
    set_out(version, normalise_bcd(entity.bcdVersion));
    set_out(rdnf, entity.rdnf);
    xLogWrite(kTag, kLogInfo, log_location<"GetFwVersionByKind">(),
              "Feature0003FirmwareInfo::GetFwVersionByKind(kind = %d, *version_string = %s)", kind,
              version_string->c_str());
    return true;
}

bool Feature0003FirmwareInfo::GetFwFormattedVersion(std::string* version_string) {
    if (version_string == nullptr) {
        set_last_error(ErrorCode::GeneralFailure, 0, "version string output missing");
        return false;
    }
    Entity entity;
    if (!find_entity([](const Entity& e) { return e.fwType == kApplicationType; }, entity)) {
        return false;
    }
    *version_string = formatted_firmware_version(entity.prefix, entity.bcdVersion, entity.bcdBuild);
    xLogWrite(kTag, kLogInfo, log_location<"GetFwFormattedVersion">(),
              "Feature0003FirmwareInfo::GetFwFormattedVersion(*version_string = %s)",
              version_string->c_str());
    return true;
}

bool Feature0003FirmwareInfo::GetFwInfoByType(int type, std::string* prefix, uint16_t* bcdVersion,
                                              uint16_t* bcdBuild, int* rdnf,
                                              std::vector<Byte>* extra_data) {
    Entity entity;
    if (!find_entity([type](const Entity& e) { return e.fwType == type; }, entity)) {
        return false;
    }
    set_out(prefix, entity.prefix);
    set_out(bcdVersion, entity.bcdVersion);
    set_out(bcdBuild, entity.bcdBuild);
    set_out(rdnf, entity.rdnf);
    if (extra_data != nullptr) {
        *extra_data = entity.extra_data;
    }
    xLogWrite(kTag, kLogInfo, log_location<"GetFwInfoByType">(),
              "Feature0003FirmwareInfo::GetFwInfoByType(type = %d, *prefix = %s, *bcdVersion = "
              "0x%04x, *bcdBuild = 0x%04x, *rdnf = %d, *extra_data)",
              type, entity.prefix.c_str(), entity.bcdVersion, entity.bcdBuild, entity.rdnf);
    return true;
}

bool Feature0003FirmwareInfo::GetModelId(uint32_t* model) {
    int transport = 0;
    int pid1 = 0;
    if (!GetEntityCount(nullptr, nullptr, &transport, &pid1, nullptr, nullptr, nullptr,
                        CacheMode::Cached)) {
        return false;
    }
    uint32_t id = static_cast<uint32_t>(transport) << 16 | static_cast<uint32_t>(pid1);
    if (transport == 0) {
        std::shared_ptr<Device> owner = device();
        if (owner == nullptr) {
            set_last_error(ErrorCode::DeviceRemoved);
            return false;
        }
        id = static_cast<uint32_t>(owner->pid());
    }
    set_out(model, id);
    xLogWrite(kTag, kLogInfo, log_location<"GetModelId">(),
              "Feature0003FirmwareInfo::GetModelId(*model = %x)", id);
    return true;
}

bool Feature0003FirmwareInfo::GetExtendedModelId(int* extendedModelId, CacheMode cache_mode) {
    int extended = 0;
    if (!GetEntityCount(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &extended,
                        cache_mode)) {
        return false;
    }
    set_out(extendedModelId, extended);
    xLogWrite(kTag, kLogInfo, log_location<"GetExtendedModelId">(),
              "Feature0003FirmwareInfo::GetExtendedModelId(*extendedModelId = %x)", extended);
    return true;
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature0003FirmwareInfo, 0003)
