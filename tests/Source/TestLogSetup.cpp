// The library's INFO lines of the facade, the device manager, the run loop, the timers and the RAP
// device reach the debugger output in this test program, so that tests can check them with a
// DebugOutputCapture; no log file is written. A death-test child is left alone: it runs with the
// configuration its parent test prepared for it.
#include <fstream>
#include <iterator>
#include <string>

#include "support/PrivateLogConfiguration.h"

namespace {

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
    devio::test::use_private_log_configuration(
        [](devio::sys::ConfigStore& store, const std::string& key) {
            store.write_dword(key, "loggingoutput", devio::XLogConfig::kDebuggerOutput);
            store.write_sz(
                key, "LogTags",
                "+Devio +DeviceManager +Timer +Subscriber +Device +Timeout +Untagged +Win32Bus "
                "+Win32Device +hid +TessalyBus +TessalyDevice +RAP10Command");
        });
}

} // namespace
