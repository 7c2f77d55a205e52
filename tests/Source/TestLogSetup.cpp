// The library's INFO lines of the facade, the device manager, the run loop and the timers reach
// the debugger output in this test program, so that tests can check them with a
// DebugOutputCapture. The program's own per-user store lives in a temporary folder.
//
// The log reads its configuration once, at the first line of the process, and the facade logs
// during static initialisation; so the store is prepared by a constructor that runs before every
// static initialiser of the program.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Source/System/ConfigStore.h"
#include "Source/System/Paths.h"
#include "Source/XLogConfig.h"

namespace {

std::string& config_home() {
    static auto* path = new std::string();
    return *path;
}

__attribute__((constructor(101))) void prepare_test_log_configuration() {
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
