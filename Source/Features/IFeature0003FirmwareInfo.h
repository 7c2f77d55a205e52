// The firmware-information feature 0x0003: the device's firmware entities (application,
// bootloader, hardware) with their versions, and its model identity.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Source/Byte.h"
#include "Source/Contracts/CacheMode.h"

namespace devio {

class IFeature0003FirmwareInfo {
public:
    static constexpr int kFeatureNumber = 0x0003;

    // Entity kinds of GetFwVersionByKind.
    static constexpr int kApplicationKind = 0;
    static constexpr int kBootloaderKind = 1;
    // fwType of the main application firmware.
    static constexpr int kApplicationType = 0;

    virtual ~IFeature0003FirmwareInfo() = default;

    [[nodiscard]] virtual bool GetEntityCount(int* count, uint32_t* unitId, int* transport,
                                              int* pid1, int* pid2, int* pid3, int* extendedModelId,
                                              CacheMode cache_mode) = 0;
    // One entity, with version and build as four upper-case hexadecimal digits each.
    [[nodiscard]] virtual bool GetFwInfo(int entity, int* fwType, std::string* prefix,
                                         std::string* version, std::string* build, int* rdnf,
                                         std::vector<Byte>* extra_data, CacheMode cache_mode) = 0;
    // One entity, with version and build as the device's BCD words.
    [[nodiscard]] virtual bool GetFwInfo(int entity, int* fwType, std::string* prefix,
                                         uint16_t* bcdVersion, uint16_t* bcdBuild, int* rdnf,
                                         std::vector<Byte>* extra_data, CacheMode cache_mode) = 0;
    // "major.minor.build" of the first application (kind 0) or bootloader (kind 1) entity, with
    // its normalised build and version words. The version string must be given.
    [[nodiscard]] virtual bool GetFwVersionByKind(int kind, std::string* version_string,
                                                  uint16_t* build, uint16_t* version,
                                                  int* rdnf) = 0;
    // "major.minor.build" of the main application firmware (the first entity of type 0).
    [[nodiscard]] virtual bool GetFwFormattedVersion(std::string* version_string) = 0;
    // The raw information of the first entity of `type`.
    [[nodiscard]] virtual bool GetFwInfoByType(int type, std::string* prefix, uint16_t* bcdVersion,
                                               uint16_t* bcdBuild, int* rdnf,
                                               std::vector<Byte>* extra_data) = 0;
    // Transport and first product id, or the hardware device's product id when the device
    // reports no transport.
    [[nodiscard]] virtual bool GetModelId(uint32_t* model) = 0;
    [[nodiscard]] virtual bool GetExtendedModelId(int* extendedModelId, CacheMode cache_mode) = 0;
};

} // namespace devio
