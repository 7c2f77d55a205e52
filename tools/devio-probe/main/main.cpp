// devio-probe: lists the receivers and devices the devio library finds, for users and support.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "Source/Contracts/IDeviceManager.h"
#include "Source/Linux/HidrawChoice.h"
#include "Source/Log/Vs2003SingletonThreadCleanup.h"
#include "Source/Manager/CDevio.h"
#include "Source/Manager/DeviceManager.h"
#include "tools/devio-probe/FeatureValues.h"
#include "tools/devio-probe/ProbeCollector.h"
#include "tools/devio-probe/ProbeOptions.h"
#include "tools/devio-probe/ProbeWriters.h"
#include "tools/devio-probe/SimulatedWorld.h"

namespace {

using namespace devio;
using namespace devio::probe;

// Builds the library on the chosen world, collects what it finds and prints it; the exit status.
int run_probe(const ProbeOptions& options) {
    if (!options.data_dir.empty()) {
        std::error_code failure;
        std::filesystem::create_directories(options.data_dir, failure);
        if (failure) {
            std::fprintf(stderr, "devio-probe: cannot create the data directory %s: %s\n",
                         options.data_dir.c_str(), failure.message().c_str());
            return 1;
        }
    }
    // The virtual world outlives the library, which talks to it until the facade is reset.
    std::unique_ptr<SimulatedWorld> world;
    std::unique_ptr<HidrawChoice> hidraw;
    if (options.simulate) {
        world = std::make_unique<SimulatedWorld>(options.receiver_kind);
    } else {
        hidraw = std::make_unique<HidrawChoice>([](const std::string& line) {
            std::fprintf(stderr, "devio-probe: %s\n", line.c_str());
        });
    }
    CDevio& library = CDevio::instance();
    // Both items are the manager's own; a library that cannot be had shows as no devices.
    static_cast<void>(library.config_set(IDeviceManager::receivers_active, true));
    static_cast<void>(library.config_set(IDeviceManager::usb_devices_active, true));
    if (!options.data_dir.empty()) {
        library.persistent_data_directory(options.data_dir);
    }
    ProbeReport report = ProbeCollector(library.getimpl()).collect(options.wait_seconds * 1000);
    // Devices write their cache files when they go.
    library.reset();
    std::fputs((options.json ? write_json(report) : write_text(report)).c_str(), stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // The library's threads (its log's among them) stop through the guard before main returns;
    // without it they would end the process at exit with status 0 whatever main returned.
    Vs2003SingletonThreadCleanup& guard = Vs2003SingletonThreadCleanup::instance();
    guard.set_present();
    std::string error;
    std::optional<ProbeOptions> options =
        parse_options(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), &error);
    int status = 0;
    if (!options.has_value()) {
        std::fprintf(stderr, "devio-probe: %s\nTry 'devio-probe --help' for more information.\n",
                     error.c_str());
        status = 2;
    } else if (options->help) {
        std::fputs(usage_text().c_str(), stdout);
    } else if (options->features) {
        std::vector<ProbeFeatureClass> classes = feature_classes();
        std::fputs((options->json ? write_feature_classes_json(classes)
                                  : write_feature_classes_text(classes))
                       .c_str(),
                   stdout);
    } else {
        status = run_probe(*options);
    }
    guard.run_callbacks();
    return status;
}
