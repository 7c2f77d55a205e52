// The integration tests run whole transfers: their diagnostic log goes to the debugger output
// only, with its default levels (errors and warnings), under a per-user store of their own, so
// that no log file grows with every packet and no user setting is touched.
#include "support/PrivateLogConfiguration.h"

namespace {

__attribute__((constructor(101))) void prepare_integration_log_configuration() {
    devio::test::use_private_log_configuration(
        [](devio::sys::ConfigStore& store, const std::string& key) {
            store.write_dword(key, "loggingoutput", devio::XLogConfig::kDebuggerOutput);
        });
}

} // namespace
