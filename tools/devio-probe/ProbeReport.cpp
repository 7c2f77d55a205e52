#include "tools/devio-probe/ProbeReport.h"

#include <cstdio>

#include "Source/Contracts/BusType.h"

namespace devio::probe {

const char* bus_type_name(int bus_type) {
    switch (bus_type) {
    case kBusTypeDirectHid:
        return "direct HID";
    case kBusTypeReceiver:
        return "receiver";
    case kBusTypeBluetoothClassic:
        return "Bluetooth";
    case kBusTypeBleHid:
        return "Bluetooth low energy, HID";
    case kBusTypeBleGatt:
        return "Bluetooth low energy, GATT";
    default:
        return "unknown";
    }
}

std::string hex_id(int value) {
    char text[8];
    std::snprintf(text, sizeof(text), "0x%04X", static_cast<unsigned>(value) & 0xFFFFu);
    return text;
}

} // namespace devio::probe
