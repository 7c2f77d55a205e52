// A snapshot of the virtual mouse for tests and reports: the firmware it runs, what arrived of
// each firmware image, its profile memory and its configuration cookie.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/FirmwareInventory.h"
#include "sim/ProfileMemory.h"

namespace devio::sim {

struct MouseState {
    bool powered = false;
    bool link_established = false;
    Firmware running = Firmware::Application;
    std::string running_prefix;      // "QRT" or "BOT"
    std::string running_version;     // text form, for example "8.6.27"
    std::string application_version; // the installed application firmware
    bool application_installed = true;
    bool radio_stack_updated = false;
    int restarts = 0; // boots since the mouse was made: restarts and power-ons
    // The bytes of the latest transfer of each image, start block included.
    std::vector<Byte> application_image; // image A, first byte 0x01
    bool application_image_complete = false;
    std::vector<Byte> radio_stack_image; // image B, first byte 0x02
    bool radio_stack_image_complete = false;
    std::array<ProfileMemory::Sector, ProfileMemory::kSectorCount> sectors{};
    uint16_t cookie = 0;
    uint64_t commands = 0; // requests received from the host
};

} // namespace devio::sim
