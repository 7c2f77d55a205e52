// The library's INFO lines of the facade, the device manager, the run loop and the timers reach
// the debugger output in this test program, so that tests can check them with a
// DebugOutputCapture. The program's own per-user store lives in a temporary folder.
//
// The log reads its configuration once, at the first line of the process, and the facade logs
// during static initialisation; so the store is prepared by a constructor that runs before every
// static initialiser of the program. A death-test child is left alone: it runs with the
// configuration its parent test prepared for it.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "Source/System/ConfigStore.h"
#include "Source/System/Paths.h"
#include "Source/XLogConfig.h"

namespace {

std::string& config_home() {
    static auto* path = new std::string();
    return *path;
}

bool is_death_test_child() {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string arguments((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
    return arguments.find("--gtest_internal_run_death_test") != std::string::npos;
}

__attribute__((constructor(101))) void prepare_test_log_configuration() {
    if (is_death_test_child()) {
        return;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "devio-log-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return;
    }
    config_home() = pattern;
    setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
    devio::sys::ConfigStore store = devio::sys::ConfigStore::user();
    const std::string key = devio::XLogConfig::key_for(devio::sys::Paths::executable_file_name());
    store.write_dword(key, "loggingoutput", devio::XLogConfig::kDebuggerOutput);
    store.write_sz(key, "LogTags", "+Devio +DeviceManager +Timer +Subscriber");
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(config_home(), ignored);
    });
}

} // namespace
