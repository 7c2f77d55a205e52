// The firmware a virtual mouse carries (application, bootloader, hardware revision) and which of
// them runs, as its firmware-information feature reports them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/FirmwareVersion.h"
#include "sim/RapReport.h"

namespace devio::sim {

enum class Firmware { Application, Bootloader };

struct FirmwareEntity {
    Byte type; // 0 application, 1 bootloader, 2 hardware
    std::array<char, 3> prefix;
    FirmwareVersion version;
    bool running;
};

struct FirmwareInventory {
    FirmwareVersion application;
    FirmwareVersion bootloader;
    FirmwareVersion hardware;
    Firmware running = Firmware::Application;
    uint32_t unit_id = 0;
    uint16_t transport = 0;
    uint16_t model_id = 0;

    std::vector<FirmwareEntity> entities() const {
        return {
            {0, {'Q', 'R', 'T'}, application, running == Firmware::Application},
            {1, {'B', 'O', 'T'}, bootloader, running == Firmware::Bootloader},
            {2, {'H', 'W', 'R'}, hardware, false},
        };
    }
    FirmwareEntity running_entity() const {
        return entities()[running == Firmware::Application ? 0 : 1];
    }
};

} // namespace devio::sim
