// The response cache's file: what a device writes (checked with another XML parser), what a
// second run makes of it, the file names, and files that are damaged or belong to other firmware.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "Source/Rap/FeatureCacheFile.h"
#include "Source/System/AtomicFile.h"
#include "Source/System/DebugOutput.h"
#include "support/HostileFolder.h"
#include "support/LogLines.h"
#include "support/Rap20Harness.h"
#include "support/TempDir.h"

namespace devio::test {
namespace {

constexpr int kProductId = 0x40A1;
const std::string kPath = "fake:/hid/1";

// Python's own XML parser reads the file and prints what it found, one item a line; a file that
// is not well-formed makes it fail.
const char* const kCheckWithPython = R"(
import re, sys, xml.etree.ElementTree as ET
data = open(sys.argv[1], 'rb').read()
assert data.startswith(b'<?xml version="1.0" encoding="utf-8"?>'), data[:60]
root = ET.fromstring(data)
assert root.tag == 'cache'
commands = root.findall('command')
assert len(root) == len(commands)
for c in commands:
    for name in ('cmd', 'rsp'):
        assert re.fullmatch('([0-9A-F]{2})+', c.get(name)), c.get(name)
        assert c.get(name)[7] == 'A', c.get(name)
cmds = [c.get('cmd') for c in commands]
assert cmds == sorted(cmds)
print(root.get('fw'))
print(root.get('path'))
print(len(commands))
)";

std::string check_with_python(const std::string& file) {
    std::string script = file + ".check.py";
    std::ofstream(script) << kCheckWithPython;
    FILE* pipe = popen(("python3 " + script + " " + file + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return "python3 did not start";
    }
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    int status = pclose(pipe);
    std::filesystem::remove(script);
    return status == 0 ? output : "python3 failed: " + output;
}

std::string read(const std::string& file) {
    std::string text;
    sys::read_file_contents(file, text);
    return text;
}

class DeviceFeatureCache : public testing::Test {
protected:
    std::string directory() const { return dir_.path() + "/"; }
    std::string specific_file(const std::string& path = kPath) const {
        return FeatureCacheFile::specific_name(directory(), kProductId, path);
    }

    // One run of a program: a device on `path` learns the data directory and all its features,
    // and goes away (writing its cache when it is dirty). Returns what it asked the device.
    std::vector<FakeRap20Device::Request> run(const std::string& path = kPath,
                                              bool generic = false) {
        return run_in(directory(), path, generic);
    }
    std::vector<FakeRap20Device::Request> run_in(const std::string& directory,
                                                 const std::string& path = kPath,
                                                 bool generic = false) {
        auto fake = std::make_shared<FakeRap20Device>(FakeHardwareDevice::Identity{.path = path});
        Rap20Harness h(fake, [generic](IDeviceManager& manager) {
            EXPECT_TRUE(manager.config_set(IDeviceManager::generic_cache, generic));
        });
        h.device->persistent_data_directory(directory);
        EXPECT_EQ(h.device->features().size(), FakeRap20Device::standard_features().size());
        return fake->requests();
    }

    TempDir dir_;
};

// A cache element with `depth` unclosed elements inside: a recursive parser's stack would not
// hold it.
std::string nested(int depth) {
    std::string text = "<cache>";
    for (int i = 0; i < depth; ++i) {
        text += "<a>";
    }
    return text;
}

bool only_the_firmware_check(const std::vector<FakeRap20Device::Request>& requests) {
    return !requests.empty() && std::all_of(requests.begin(), requests.end(),
                                            [](const auto& r) { return r.feature == 0x0003; });
}

TEST_F(DeviceFeatureCache, ASecondRunWithTheFileAsksOnlyForTheFirmwareCheck) {
    std::vector<FakeRap20Device::Request> first = run();
    EXPECT_GT(first.size(), 10u);
    EXPECT_EQ(check_with_python(specific_file()), "0QRT080600274D2\nfake:/hid/1\n11\n");

    std::vector<FakeRap20Device::Request> second = run();
    EXPECT_TRUE(only_the_firmware_check(second)) << second.size() << " requests";
}

TEST_F(DeviceFeatureCache, OneDeviceOnTwoPathsHasTwoFilesButOneGenericFile) {
    EXPECT_EQ(FeatureCacheFile::fnv1a(""), 0x811C9DC5u);
    EXPECT_EQ(FeatureCacheFile::fnv1a("a"), 0xE40C292Cu);
    EXPECT_EQ(FeatureCacheFile::fnv1a("foobar"), 0xBF9CF968u);
    EXPECT_EQ(FeatureCacheFile::specific_name("/d/", 0x40A1, "a"), "/d/40A1_E40C292C.xml");
    EXPECT_EQ(FeatureCacheFile::generic_name("/d/", 0x40A1), "/d/40A1.xml");

    run("fake:/hid/1", true);
    std::string generic = FeatureCacheFile::generic_name(directory(), kProductId);
    EXPECT_EQ(read(generic), read(specific_file("fake:/hid/1")));

    // On another path the generic file answers, and the device's own file is written.
    sys::DebugOutputCapture capture;
    EXPECT_TRUE(only_the_firmware_check(run("fake:/hid/2", true)));
    EXPECT_EQ(count_lines(capture, "file does not exist, trying generic file"), 1);
    EXPECT_NE(specific_file("fake:/hid/1"), specific_file("fake:/hid/2"));
    EXPECT_EQ(check_with_python(specific_file("fake:/hid/2")),
              "0QRT080600274D2\nfake:/hid/2\n11\n");
}

TEST_F(DeviceFeatureCache, DamagedFilesCountAsAbsentAndBrokenDigitsAreSkipped) {
    run();
    std::string good = read(specific_file());
    // The protocol question of the root, with a pair of bad digits and an odd digit at the end.
    std::string protocol_entry = R"(<command cmd="10FF001A000000" rsp="10FF00ZZ1A0402000"/>)";
    struct Case {
        const char* what;
        std::string text;
        bool protocol_cached;
    };
    const Case cases[] = {
        {"not XML", "this is <<< not XML", false},
        {"truncated", good.substr(0, good.size() / 2), false},
        {"empty", "", false},
        {"no cache element", R"(<?xml version="1.0"?><other fw="x"/>)", false},
        {"nested too deep", nested(200000), false},
        {"bad and odd digits", "<cache fw=\"0QRT080600274D2\">" + protocol_entry + "</cache>",
         true},
        {"entry without rsp", R"(<cache><command cmd="10FF001A000000"/></cache>)", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(sys::replace_file_contents(specific_file(), c.text));
        std::vector<FakeRap20Device::Request> asked = run();
        bool protocol_asked = std::any_of(asked.begin(), asked.end(), [](const auto& r) {
            return r.feature == 0x0000 && r.function == 1;
        });
        EXPECT_EQ(protocol_asked, !c.protocol_cached);
    }
}

TEST_F(DeviceFeatureCache, AFileOfOtherFirmwareIsNotLoadedAndIsRewritten) {
    std::string text = read((run(), specific_file()));
    std::string stale = text;
    stale.replace(stale.find("0QRT080600274D2"), 15, "0QRT080500114D2");
    ASSERT_TRUE(sys::replace_file_contents(specific_file(), stale));
    {
        Rap20Harness h;
        ASSERT_FALSE(h.device->features().empty()); // the fingerprint is known now
        sys::DebugOutputCapture capture;
        h.device->persistent_data_directory(directory());
        EXPECT_EQ(count_lines(capture, "cache is incorrect version (0QRT080500114D2 != "
                                       "0QRT080600274D2)... invalidating"),
                  1);
    }
    EXPECT_EQ(read(specific_file()), text);
}

// Discovery while the device is not marked connected (an inactive session): the file of the
// previous firmware must not answer for the running one.
TEST_F(DeviceFeatureCache, AFileOfOtherFirmwareDoesNotAnswerBeforeTheDeviceIsConnected) {
    run(); // firmware 8.6.27 leaves its file
    auto fake = std::make_shared<FakeRap20Device>(FakeHardwareDevice::Identity{.path = kPath},
                                                  FakeRap20Device::standard_features(),
                                                  FakeRap20Device::application(0x0806, 0x0028));
    Rap20Harness h(fake, [](IDeviceManager& manager) { manager.set_active(false); });
    ASSERT_FALSE(h.device->connected());
    h.device->persistent_data_directory(directory());
    for (int attempt = 0; attempt < 2 && h.device->fwinfo().empty(); ++attempt) {
        h.device->features();
    }
    EXPECT_EQ(h.device->fwinfo(), "0QRT080600284D2");
    EXPECT_EQ(h.device->features().size(), FakeRap20Device::standard_features().size());
}

TEST_F(DeviceFeatureCache, WithoutADirectoryOrAFingerprintNothingIsWritten) {
    {
        Rap20Harness h;
        h.device->features();
    }
    {
        Rap20Harness h;
        h.fake->answer_as_rap10(true);
        h.device->persistent_data_directory(directory());
        h.device->features();
        sys::DebugOutputCapture capture;
        h.device->perform_cache_write();
        EXPECT_EQ(count_lines(capture, ": fwinfo is empty"), 1);
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

// A data directory that another account prepared: its cache file would steer the device, so it
// is not read, nothing is written into or through it, and the log says why once.
TEST_F(DeviceFeatureCache, HostileDataDirectoryIsNeitherReadNorWritten) {
    run();
    const std::string planted = read(specific_file());
    for (const HostileRow& row : kHostileFolders) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::string data = dir.file("data");
        if (!MakeHostileFolder(data, row.kind, dir.file("elsewhere"))) {
            GTEST_LOG_(INFO) << "skipped: this system cannot make " << row.name;
            continue;
        }
        const std::string file = FeatureCacheFile::specific_name(data + "/", kProductId, kPath);
        std::ofstream(file) << planted;
        sys::DebugOutputCapture capture;
        EXPECT_FALSE(only_the_firmware_check(run_in(data + "/")));
        EXPECT_EQ(count_lines(capture, "Folder " + data + " is not used: " + row.reason), 1);
        EXPECT_EQ(read(file), planted);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data),
                                std::filesystem::directory_iterator()),
                  1);
    }
}

} // namespace
} // namespace devio::test
