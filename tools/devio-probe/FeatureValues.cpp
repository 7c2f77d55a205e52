#include "tools/devio-probe/FeatureValues.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <typeinfo>

#include "Source/Contracts/IDevice.h"
#include "Source/Features/IFeature0005DeviceNameType.h"
#include "Source/Features/IFeature1815HostsInfos.h"
#include "Source/Features/IFeature2201AdjustableDPI.h"
#include "Source/Rap/Feature.h"
#include "Source/Rap/FeatureFactory.h"

namespace devio::probe {

namespace {

void add_name(IDevice& device, std::vector<ProbeValue>& values) {
    auto names = device.feature<IFeature0005DeviceNameType>();
    std::string name;
    int type = 0;
    if (names != nullptr && names->GetDeviceName(&name)) {
        values.push_back({"device_name", name});
    }
    if (names != nullptr && names->GetDeviceType(&type)) {
        values.push_back({"device_type", device_type_name(type)});
    }
}

void add_dpi(IDevice& device, std::vector<ProbeValue>& values) {
    auto dpi = device.feature<IFeature2201AdjustableDPI>();
    int sensors = 0;
    if (dpi == nullptr || !dpi->GetSensorCount(&sensors)) {
        return;
    }
    for (int sensor = 0; sensor < sensors; ++sensor) {
        std::string prefix = sensors > 1 ? "sensor_" + std::to_string(sensor) + "_" : "";
        std::vector<int> list;
        int step = 0;
        if (dpi->GetSensorDPIList(sensor, &list, &step)) {
            std::string text;
            for (std::size_t i = 0; i < list.size(); ++i) {
                text += (i == 0 ? "" : (step != 0 ? " to " : ", ")) + std::to_string(list[i]);
            }
            if (step != 0) {
                text += " in steps of " + std::to_string(step);
            }
            values.push_back({prefix + "dpi_list", text});
        }
        int current = 0;
        if (dpi->GetSensorDPI(sensor, &current)) {
            values.push_back({prefix + "dpi", std::to_string(current)});
        }
    }
}

void add_hosts(IDevice& device, std::vector<ProbeValue>& values) {
    auto hosts = device.feature<IFeature1815HostsInfos>();
    int count = 0;
    int current = 0;
    if (hosts == nullptr || !hosts->GetFeatureInfos(nullptr, &count, &current)) {
        return;
    }
    values.push_back({"current_host", std::to_string(current)});
    for (int host = 0; host < count && host <= IFeature1815HostsInfos::kMaxHostIndex; ++host) {
        IFeature1815HostsInfos::HostInfo info;
        if (!hosts->GetHostInfos(host, &info) || info.status == 0) {
            continue;
        }
        std::string name;
        if (!hosts->GetHostFriendlyName(host, &name, true)) {
            name = "(name unreadable)";
        }
        values.push_back({"host_" + std::to_string(host), name});
    }
}

// The class name of a feature object, without its namespace.
std::string class_name_of(const Feature& feature) {
    const char* mangled = typeid(feature).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    std::string name = status == 0 && demangled ? demangled.get() : mangled;
    std::size_t colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

} // namespace

void add_feature_values(IDevice& device, std::vector<ProbeValue>& values) {
    add_name(device, values);
    add_dpi(device, values);
    add_hosts(device, values);
}

std::vector<ProbeFeatureClass> feature_classes() {
    std::vector<ProbeFeatureClass> classes;
    for (int number : FeatureFactory::registered_numbers()) {
        std::shared_ptr<Feature> feature = FeatureFactory::create(number, 0, {});
        const Feature* made = feature.get();
        if (made != nullptr && typeid(*made) != typeid(Feature)) {
            classes.push_back({number, class_name_of(*feature)});
        }
    }
    return classes;
}

std::string write_feature_classes_text(const std::vector<ProbeFeatureClass>& classes) {
    std::string out;
    for (const ProbeFeatureClass& entry : classes) {
        out += hex_id(entry.number) + "  " + entry.name + "\n";
    }
    return out;
}

std::string write_feature_classes_json(const std::vector<ProbeFeatureClass>& classes) {
    nlohmann::ordered_json out = nlohmann::ordered_json::array();
    for (const ProbeFeatureClass& entry : classes) {
        out.push_back({{"number", entry.number},
                       {"number_hex", hex_id(entry.number)},
                       {"class", entry.name}});
    }
    return out.dump(2) + "\n";
}

} // namespace devio::probe
