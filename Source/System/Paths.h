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
    // The per-user state folder: $XDG_STATE_HOME/varkon, else ~/.local/state/varkon (not created).
    static std::string user_state_folder();
    // The folder below which the diagnostic log keeps its folder, ending with '/': $TMPDIR when
    // the user sets it, else the per-user state folder, so that the log never lands in a folder
    // that all users share.
    static std::string log_temp_path();
    // The per-user runtime folder for locks and events: $XDG_RUNTIME_DIR/devio, else
    // /tmp/devio-<uid>; created (mode 0700) when missing and used only when it passes
    // SecureFolder's check. Empty on failure (the reason in last_system_error()).
    static std::string runtime_folder();
    // Full path of the running executable, and its last element (extension included).
    static std::string executable_path();
    static std::string executable_file_name();
    // Creates a folder and its missing parents; true when it exists afterwards.
    static bool ensure_directory(const std::string& path);
};

} // namespace devio::sys
