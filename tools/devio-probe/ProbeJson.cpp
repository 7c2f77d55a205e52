#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "tools/devio-probe/ProbeWriters.h"

namespace devio::probe {

namespace {

// Keys in the order a reader expects them, not sorted.
using json = nlohmann::ordered_json;

json device_json(const ProbeDevice& device) {
    json out = {{"slot", device.slot.has_value() ? json(*device.slot) : json(nullptr)},
                {"product_id", device.product_id},
                {"product_id_hex", hex_id(device.product_id)},
                {"name", device.name},
                {"path", device.path},
                {"connected", device.connected},
                {"bus_type", device.bus_type},
                {"bus_type_name", bus_type_name(device.bus_type)},
                {"features", json::array()},
                {"firmware", json::array()}};
    for (const ProbeFeature& feature : device.features) {
        out["features"].push_back({{"number", feature.number},
                                   {"number_hex", hex_id(feature.number)},
                                   {"index", feature.index},
                                   {"version", feature.version}});
    }
    for (const ProbeFirmwareEntity& entity : device.firmware) {
        out["firmware"].push_back({{"index", entity.index},
                                   {"type", entity.type},
                                   {"prefix", entity.prefix},
                                   {"version", entity.version},
                                   {"build", entity.build},
                                   {"formatted", entity.formatted}});
    }
    out["values"] = json::object();
    for (const ProbeValue& value : device.simple_values) {
        out["values"][value.name] = value.value;
    }
    return out;
}

} // namespace

std::string write_json(const ProbeReport& report) {
    json out = {{"receivers", json::array()}, {"devices", json::array()}};
    for (const ProbeReceiver& receiver : report.receivers) {
        json entry = {{"product_id", receiver.product_id},
                      {"product_id_hex", hex_id(receiver.product_id)},
                      {"name", receiver.name},
                      {"path", receiver.path},
                      {"bus_type", receiver.bus_type},
                      {"bus_type_name", bus_type_name(receiver.bus_type)},
                      {"paired", json::array()}};
        for (const ProbeDevice& device : receiver.paired) {
            entry["paired"].push_back(device_json(device));
        }
        out["receivers"].push_back(std::move(entry));
    }
    for (const ProbeDevice& device : report.devices) {
        out["devices"].push_back(device_json(device));
    }
    // Invalid UTF-8 in a device's name must not make the output fail.
    return out.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

} // namespace devio::probe
