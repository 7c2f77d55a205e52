// The firmware-information feature's class: the raw requests, and the formatted versions built
// from them by walking the device's entities (answered from the response cache after the first
// time).
#pragma once

#include <functional>

#include "Source/Features/IFeature0003FirmwareInfo.h"
#include "Source/Rap/FeatureBase.h"

namespace devio {

class Feature0003FirmwareInfo
    : public FeatureBase<"Feature0003FirmwareInfo", IFeature0003FirmwareInfo> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetEntityCount(int* count, uint32_t* unitId, int* transport, int* pid1,
                                      int* pid2, int* pid3, int* extendedModelId,
                                      CacheMode cache_mode) override;
    [[nodiscard]] bool GetFwInfo(int entity, int* fwType, std::string* prefix, std::string* version,
                                 std::string* build, int* rdnf, std::vector<Byte>* extra_data,
                                 CacheMode cache_mode) override;
    [[nodiscard]] bool GetFwInfo(int entity, int* fwType, std::string* prefix, uint16_t* bcdVersion,
                                 uint16_t* bcdBuild, int* rdnf, std::vector<Byte>* extra_data,
                                 CacheMode cache_mode) override;
    [[nodiscard]] bool GetFwVersionByKind(int kind, std::string* version_string, uint16_t* build,
                                          uint16_t* version, int* rdnf) override;
    [[nodiscard]] bool GetFwFormattedVersion(std::string* version_string) override;
    [[nodiscard]] bool GetFwInfoByType(int type, std::string* prefix, uint16_t* bcdVersion,
                                       uint16_t* bcdBuild, int* rdnf,
                                       std::vector<Byte>* extra_data) override;
    [[nodiscard]] bool GetModelId(uint32_t* model) override;
    [[nodiscard]] bool GetExtendedModelId(int* extendedModelId, CacheMode cache_mode) override;

private:
    struct Entity {
        int fwType = 0;
        std::string prefix;
        uint16_t bcdVersion = 0;
        uint16_t bcdBuild = 0;
        int rdnf = 0;
        std::vector<Byte> extra_data;
    };
    // The first entity that `matches`, asked with the response cache; NotPresent when none does.
    bool find_entity(const std::function<bool(const Entity&)>& matches, Entity& found);
};

} // namespace devio
