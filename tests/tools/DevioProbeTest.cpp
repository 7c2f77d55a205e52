// devio-probe: its options, what it collects from the library on the built-in virtual receiver and
// mouse, its text and JSON forms, and the built program with a data directory whose cache files
// answer a second run.
#include <gtest/gtest.h>

#include <map>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <rapidxml/rapidxml.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "Source/Contracts/IDeviceManager.h"
#include "Source/Manager/CDevio.h"
#include "Source/Manager/DeviceManager.h"
#include "Source/Rap/FeatureCacheFile.h"
#include "Source/Rap/FeatureFactory.h"
#include "support/ScopedTimeScale.h"
#include "support/TempDir.h"
#include "tools/devio-probe/ProbeCollector.h"
#include "tools/devio-probe/ProbeOptions.h"
#include "tools/devio-probe/ProbeWriters.h"
#include "tools/devio-probe/SimulatedWorld.h"

namespace devio::probe {
namespace {

using nlohmann::json;

TEST(DevioProbeOptions, OptionsAndTheirErrors) {
    struct Case {
        std::vector<std::string> arguments;
        bool valid;
        bool simulate = false;
        bool json = false;
        char kind = 'A';
        std::string data_dir = {};
        int wait = 5;
    };
    const std::vector<Case> cases = {
        {{}, true, false, false, 'A', "", 5},
        {{"--simulate", "--json"}, true, true, true, 'A', "", 5},
        {{"--data-dir", "/tmp/d", "--simulate"}, true, true, false, 'A', "/tmp/d", 5},
        {{"--data-dir=/tmp/e", "--receiver=c", "--wait=0"}, true, false, false, 'C', "/tmp/e", 0},
        {{"--data-dir"}, false},
        {{"--data-dir="}, false},
        {{"--receiver=I"}, false},
        {{"--receiver=AB"}, false},
        {{"--wait=-1"}, false},
        {{"--wait=3s"}, false},
        {{"--simulated"}, false},
    };
    for (const Case& c : cases) {
        std::string error;
        std::optional<ProbeOptions> options = parse_options(c.arguments, &error);
        const std::string what = ::testing::PrintToString(c.arguments);
        ASSERT_EQ(options.has_value(), c.valid) << what;
        if (!c.valid) {
            EXPECT_FALSE(error.empty()) << what;
            continue;
        }
        EXPECT_EQ(options->simulate, c.simulate) << what;
        EXPECT_EQ(options->json, c.json) << what;
        EXPECT_EQ(options->receiver_kind, c.kind) << what;
        EXPECT_EQ(options->data_dir, c.data_dir) << what;
        EXPECT_EQ(options->wait_seconds, c.wait) << what;
    }
}

// A receiver with a connected mouse and an absent second device, and a corded device.
ProbeReport sample_report() {
    ProbeDevice mouse{
        0,
        0x40A1,
        "Vantor",
        "hid/1:0",
        true,
        1,
        {{0x0000, 0, 0}, {0x0003, 2, 4}},
        {{0, 0, "QRT", "0806", "0027", "8.6.27"}, {1, 1, "BOT", "0102", "0007", "1.2.7"}},
        {{"device_name", "Orbit"}, {"dpi", "800"}}};
    ProbeDevice away{2, 0x40A2, "Other", "hid/1:2", false, 1, {}, {}, {}};
    ProbeDevice corded{std::nullopt, 0xC0A7, "Corded \"pro\"", "hid/2", true, 0, {}, {}, {}};
    return {{{0xB401, "Tessaly Receiver", "hid/1", 0, {mouse, away}}}, {corded}};
}

TEST(DevioProbeWriters, JsonCarriesEverythingAndParsesBack) {
    const json parsed = json::parse(write_json(sample_report()));
    ASSERT_EQ(parsed["receivers"].size(), 1u);
    const json& receiver = parsed["receivers"][0];
    EXPECT_EQ(receiver["product_id"], 0xB401);
    EXPECT_EQ(receiver["product_id_hex"], "0xB401");
    EXPECT_EQ(receiver["bus_type"], 0);
    ASSERT_EQ(receiver["paired"].size(), 2u);
    const json& mouse = receiver["paired"][0];
    EXPECT_EQ(mouse["slot"], 0);
    EXPECT_EQ(mouse["product_id_hex"], "0x40A1");
    EXPECT_EQ(mouse["connected"], true);
    EXPECT_EQ(mouse["bus_type"], 1);
    EXPECT_EQ(mouse["bus_type_name"], "receiver");
    ASSERT_EQ(mouse["features"].size(), 2u);
    EXPECT_EQ(mouse["features"][1],
              (json{{"number", 3}, {"number_hex", "0x0003"}, {"index", 2}, {"version", 4}}));
    ASSERT_EQ(mouse["firmware"].size(), 2u);
    EXPECT_EQ(mouse["firmware"][0], (json{{"index", 0},
                                          {"type", 0},
                                          {"prefix", "QRT"},
                                          {"version", "0806"},
                                          {"build", "0027"},
                                          {"formatted", "8.6.27"}}));
    EXPECT_EQ(mouse["values"], (json{{"device_name", "Orbit"}, {"dpi", "800"}}));
    EXPECT_EQ(receiver["paired"][1]["connected"], false);
    EXPECT_TRUE(receiver["paired"][1]["features"].empty());
    ASSERT_EQ(parsed["devices"].size(), 1u);
    EXPECT_TRUE(parsed["devices"][0]["slot"].is_null());
    EXPECT_EQ(parsed["devices"][0]["name"], "Corded \"pro\"");

    const json empty = json::parse(write_json({}));
    EXPECT_TRUE(empty["receivers"].empty());
    EXPECT_TRUE(empty["devices"].empty());
    // A name that is not UTF-8 is printed, not refused.
    ProbeReport odd;
    odd.devices.push_back({std::nullopt, 1, "bad \xff name", "p", false, 0, {}, {}, {}});
    const json parsed_odd = json::parse(write_json(odd));
    EXPECT_EQ(parsed_odd["devices"][0]["name"], "bad \xEF\xBF\xBD name") << "replaced";
}

TEST(DevioProbeWriters, TextListsReceiversTheirSlotsFeaturesAndFirmware) {
    const std::string text = write_text(sample_report());
    EXPECT_EQ(text, "Receiver 0xB401 \"Tessaly Receiver\", bus type 0 (direct HID)\n"
                    "  path: hid/1\n"
                    "  slot 0: 0x40A1 \"Vantor\", connected, bus type 1 (receiver)\n"
                    "    path: hid/1:0\n"
                    "    features:\n"
                    "      index   0  feature 0x0000  version 0\n"
                    "      index   2  feature 0x0003  version 4\n"
                    "    firmware:\n"
                    "      entity 0: type 0 \"QRT\" 8.6.27 (version 0806, build 0027)\n"
                    "      entity 1: type 1 \"BOT\" 1.2.7 (version 0102, build 0007)\n"
                    "    values:\n"
                    "      device_name: Orbit\n"
                    "      dpi: 800\n"
                    "  slot 2: 0x40A2 \"Other\", not connected, bus type 1 (receiver)\n"
                    "    path: hid/1:2\n"
                    "Device 0xC0A7 \"Corded \"pro\"\", connected, bus type 0 (direct HID)\n"
                    "  path: hid/2\n");
    EXPECT_EQ(write_text({}), "No receivers or devices found.\n");
}

TEST(DevioProbeCollector, FindsTheVirtualReceiverAndItsMouseWithFeaturesAndFirmware) {
    test::ScopedTimeScale scale(0.05);
    ProbeReport report;
    {
        SimulatedWorld world('B');
        CDevio::instance().reset();
        CDevio& library = CDevio::instance();
        EXPECT_TRUE(library.config_set(IDeviceManager::receivers_active, true));
        EXPECT_TRUE(library.config_set(IDeviceManager::usb_devices_active, true));
        report = ProbeCollector(library.getimpl()).collect(20000);
        library.reset();
    }
    ASSERT_EQ(report.receivers.size(), 1u);
    EXPECT_TRUE(report.devices.empty());
    const ProbeReceiver& receiver = report.receivers[0];
    EXPECT_EQ(receiver.product_id, 0xB402) << "the kind the world was told";
    EXPECT_EQ(receiver.bus_type, 0);
    ASSERT_EQ(receiver.paired.size(), 1u);
    const ProbeDevice& mouse = receiver.paired[0];
    EXPECT_EQ(mouse.slot, 0);
    EXPECT_EQ(mouse.product_id, 0x40A1);
    EXPECT_TRUE(mouse.connected);
    EXPECT_EQ(mouse.bus_type, 1);
    ASSERT_FALSE(mouse.features.empty());
    EXPECT_EQ(mouse.features[0].number, 0x0000);
    EXPECT_EQ(mouse.features[0].index, 0);
    bool has_firmware_info = false;
    for (const ProbeFeature& feature : mouse.features) {
        has_firmware_info = has_firmware_info || feature.number == 0x0003;
    }
    EXPECT_TRUE(has_firmware_info);
    ASSERT_FALSE(mouse.firmware.empty());
    EXPECT_EQ(mouse.firmware[0].prefix, "QRT");
    EXPECT_EQ(mouse.firmware[0].formatted, "8.6.27");
    EXPECT_EQ(mouse.firmware[0].type, 0);
    std::map<std::string, std::string> values;
    for (const ProbeValue& value : mouse.values) {
        values[value.key] = value.text;
    }
    EXPECT_EQ(values,
              (std::map<std::string, std::string>{{"device_name", "Vantor"},
                                                  {"device_type", "Mouse"},
                                                  {"dpi_list", "200 to 4000 in steps of 50"},
                                                  {"dpi", "1000"},
                                                  {"report_rate", "8 ms"}}));
}

// Runs the built program; its standard output, or nothing when it failed.
std::optional<std::string> run_probe(const std::string& arguments) {
    const std::string command = std::string("DEVIO_TIME_SCALE=0.05 ") + DEVIO_PROBE_PROGRAM + " " +
                                arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return std::nullopt;
    }
    std::string output;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0;) {
        output.append(buffer, got);
    }
    if (pclose(pipe) != 0) {
        return std::nullopt;
    }
    return output;
}

TEST(DevioProbeProgram, SimulatedJsonRunWritesTheMouseCacheFileThatASecondRunReads) {
    test::TempDir temp;
    const std::string data_dir = temp.file("data");
    std::optional<std::string> first = run_probe("--simulate --json --data-dir " + data_dir);
    ASSERT_TRUE(first.has_value());
    const json parsed = json::parse(*first);
    ASSERT_EQ(parsed["receivers"].size(), 1u);
    EXPECT_EQ(parsed["receivers"][0]["product_id"], 0xB401);
    ASSERT_EQ(parsed["receivers"][0]["paired"].size(), 1u);
    const json& mouse = parsed["receivers"][0]["paired"][0];
    EXPECT_EQ(mouse["slot"], 0);
    EXPECT_EQ(mouse["product_id"], 0x40A1);
    EXPECT_EQ(mouse["connected"], true);
    ASSERT_FALSE(mouse["firmware"].empty());
    EXPECT_EQ(mouse["firmware"][0]["prefix"], "QRT");
    EXPECT_EQ(mouse["firmware"][0]["formatted"], "8.6.27");
    EXPECT_EQ(mouse["values"]["device_name"], "Vantor");
    EXPECT_EQ(mouse["values"]["dpi_list"], "200 to 4000 in steps of 50");

    const std::string cache =
        FeatureCacheFile::specific_name(data_dir + "/", 0x40A1, mouse["path"].get<std::string>());
    ASSERT_TRUE(std::filesystem::exists(cache)) << cache;
    std::ifstream file(cache);
    std::stringstream content;
    content << file.rdbuf();
    std::string text = content.str();
    rapidxml::xml_document<> document;
    document.parse<0>(text.data());
    const rapidxml::xml_node<>* root = document.first_node("cache");
    ASSERT_NE(root, nullptr);
    ASSERT_NE(root->first_attribute("fw"), nullptr);
    EXPECT_EQ(std::string(root->first_attribute("fw")->value()).rfind("0QRT08060027", 0), 0u)
        << "the running application's fingerprint";
    ASSERT_NE(root->first_attribute("path"), nullptr);
    EXPECT_EQ(root->first_attribute("path")->value(), mouse["path"].get<std::string>());
    EXPECT_NE(root->first_node("command"), nullptr);

    EXPECT_FALSE(run_probe("--simulate --no-such-option").has_value()) << "a usage error fails";

    std::optional<std::string> second = run_probe("--simulate --json --data-dir " + data_dir);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(json::parse(*second), parsed) << "the cached answers are the device's own";
}

TEST(DevioProbeProgram, FeaturesListsEveryClassAsTextAndJson) {
    std::optional<std::string> text = run_probe("--features");
    ASSERT_TRUE(text.has_value());
    EXPECT_NE(text->find("0x0005  Feature0005DeviceNameType\n"), std::string::npos);
    EXPECT_NE(text->find("0x2201  Feature2201AdjustableDPI\n"), std::string::npos);
    std::optional<std::string> listed = run_probe("--features --json");
    ASSERT_TRUE(listed.has_value());
    const json parsed = json::parse(*listed);
    ASSERT_EQ(parsed.size(), FeatureFactory::registered_numbers().size())
        << "every registered number has a class of its own";
    bool found = false;
    for (const json& entry : parsed) {
        found = found || (entry["number"] == 0x1815 && entry["number_hex"] == "0x1815" &&
                          entry["class"] == "Feature1815HostsInfos");
    }
    EXPECT_TRUE(found);
}

} // namespace
} // namespace devio::probe
