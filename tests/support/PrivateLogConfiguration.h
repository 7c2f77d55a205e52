// Gives a test or benchmark program a per-user store of its own, in a temporary folder removed at
// exit, holding the diagnostic log's values for this executable. The log reads its configuration
// at the first line of the process, and the facade logs during static initialisation, so call this
// from a constructor that runs before every static initialiser:
// `__attribute__((constructor(101)))`.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "Source/Log/XLogConfig.h"
#include "Source/System/ConfigStore.h"
#include "Source/System/Paths.h"

namespace devio::test {

// `write(store, key)` stores the log values under `key`. False when no folder could be made.
template <class Write>
bool use_private_log_configuration(Write write) {
    static auto* folder = new std::string();
    std::string pattern = (std::filesystem::temp_directory_path() / "devio-log-XXXXXX").string();
    if (!folder->empty() || mkdtemp(pattern.data()) == nullptr) {
        return false;
    }
    *folder = pattern;
    setenv("XDG_CONFIG_HOME", folder->c_str(), 1);
    sys::ConfigStore store = sys::ConfigStore::user();
    write(store, XLogConfig::key_for(sys::Paths::executable_file_name()));
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(*folder, ignored);
    });
    return true;
}

} // namespace devio::test
