#include "sim/Features/FirmwareInfoFeature.h"

namespace devio::sim {

namespace {

Byte high(uint16_t value) {
    return static_cast<Byte>(value >> 8);
}
Byte low(uint16_t value) {
    return static_cast<Byte>(value & 0xFF);
}

} // namespace

FeatureAnswer FirmwareInfoFeature::handle(const FeatureRequest& request) {
    auto entities = inventory_.entities();
    switch (request.function) {
    case 0: { // GetEntityCount
        uint32_t unit = inventory_.unit_id;
        return FeatureAnswer::ok({static_cast<Byte>(entities.size()), static_cast<Byte>(unit >> 24),
                                  static_cast<Byte>(unit >> 16), static_cast<Byte>(unit >> 8),
                                  static_cast<Byte>(unit), high(inventory_.transport),
                                  low(inventory_.transport), high(inventory_.model_id),
                                  low(inventory_.model_id), 0, 0, 0, 0, 0});
    }
    case 1: { // GetFwInfo
        std::size_t entity = request.params[0];
        if (entity >= entities.size()) {
            return FeatureAnswer::fail(rap::Rap20Error::OutOfRange);
        }
        const FirmwareEntity& e = entities[entity];
        return FeatureAnswer::ok({e.type, static_cast<Byte>(e.prefix[0]),
                                  static_cast<Byte>(e.prefix[1]), static_cast<Byte>(e.prefix[2]),
                                  high(e.version.bcd_version), low(e.version.bcd_version),
                                  high(e.version.bcd_build), low(e.version.bcd_build),
                                  static_cast<Byte>(e.running ? 1 : 0), 0, 0, 0, 0, 0, 0, 0});
    }
    default:
        return FeatureAnswer::fail(rap::Rap20Error::InvalidFunction);
    }
}

} // namespace devio::sim
