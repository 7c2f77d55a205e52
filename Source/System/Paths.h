// Well-known folders and the executable's own identity.
#pragma once

#include <optional>
#include <string>

namespace devio::sys {

class Paths {
public:
    // $TMPDIR, else "/tmp"; always ends with '/'.
    static std::string temp_path();
    // The XDG Documents folder: $XDG_DOCUMENTS_DIR, else ~/Documents; empty when it does not exist.
    static std::optional<std::string> documents_folder();
    // The per-user configuration folder: $XDG_CONFIG_HOME/varkon, else ~/.config/varkon (not
    // created).
    static std::string config_folder();
    // The per-user data folder: $XDG_DATA_HOME/varkon, else ~/.local/share/varkon (not created).
    static std::string user_data_folder();
    // The per-user runtime folder for locks and events: $XDG_RUNTIME_DIR/devio, else
    // /tmp/devio-<uid>; created (mode 0700) when missing. Empty on failure.
    static std::string runtime_folder();
    // Full path of the running executable, and its last element (extension included).
    static std::string executable_path();
    static std::string executable_file_name();
    // Creates a folder and its missing parents; true when it exists afterwards.
    static bool ensure_directory(const std::string& path);
};

} // namespace devio::sys
