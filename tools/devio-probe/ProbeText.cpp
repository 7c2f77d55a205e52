#include <cstdio>
#include <string>

#include "tools/devio-probe/ProbeWriters.h"

namespace devio::probe {

namespace {

void write_device(std::string& out, const ProbeDevice& device, const std::string& indent) {
    out += indent;
    if (device.slot.has_value()) {
        out += "slot " + std::to_string(*device.slot) + ": ";
    }
    out += hex_id(device.product_id) + " \"" + device.name + "\", " +
           (device.connected ? "connected" : "not connected") + ", bus type " +
           std::to_string(device.bus_type) + " (" + bus_type_name(device.bus_type) + ")\n";
    out += indent + "  path: " + device.path + "\n";
    if (!device.features.empty()) {
        out += indent + "  features:\n";
        for (const ProbeFeature& feature : device.features) {
            char line[64];
            std::snprintf(line, sizeof(line), "    index %3d  feature %s  version %d\n",
                          feature.index, hex_id(feature.number).c_str(), feature.version);
            out += indent + line;
        }
    }
    if (!device.firmware.empty()) {
        out += indent + "  firmware:\n";
        for (const ProbeFirmwareEntity& entity : device.firmware) {
            out += indent + "    entity " + std::to_string(entity.index) + ": type " +
                   std::to_string(entity.type) + " \"" + entity.prefix + "\" " + entity.formatted +
                   " (version " + entity.version + ", build " + entity.build + ")\n";
        }
    }
    for (const ProbeValue& value : device.simple_values) {
        out += indent + "  " + value.name + ": " + value.value + "\n";
    }
}

} // namespace

std::string write_text(const ProbeReport& report) {
    std::string out;
    if (report.receivers.empty() && report.devices.empty()) {
        return "No receivers or devices found.\n";
    }
    for (const ProbeReceiver& receiver : report.receivers) {
        out += "Receiver " + hex_id(receiver.product_id) + " \"" + receiver.name + "\", bus type " +
               std::to_string(receiver.bus_type) + " (" + bus_type_name(receiver.bus_type) + ")\n";
        out += "  path: " + receiver.path + "\n";
        if (receiver.paired.empty()) {
            out += "  no paired devices\n";
        }
        for (const ProbeDevice& device : receiver.paired) {
            write_device(out, device, "  ");
        }
    }
    for (const ProbeDevice& device : report.devices) {
        out += "Device ";
        write_device(out, device, "");
    }
    return out;
}

} // namespace devio::probe
