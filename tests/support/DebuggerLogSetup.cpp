// The diagnostic log of a test program that brings no log configuration of its own (a
// TestLogSetup.cpp in its folder): a per-user store of its own, removed at exit, with the log on
// the debugger output only, at its default levels (errors and warnings). No log file is written,
// so the log starts no thread of its own: the feature modules log before main, and a program that
// only lists its tests runs no shutdown guard that would end such a thread.
#include "support/PrivateLogConfiguration.h"

namespace {

__attribute__((constructor(101))) void prepare_debugger_log_configuration() {
    devio::test::use_private_log_configuration(
        [](devio::sys::ConfigStore& store, const std::string& key) {
            store.write_dword(key, "loggingoutput", devio::XLogConfig::kDebuggerOutput);
        });
}

} // namespace
