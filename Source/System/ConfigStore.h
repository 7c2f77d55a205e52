// The per-user configuration store, the stand-in for the per-user registry (HKEY_CURRENT_USER).
//
// One XML file per user, Paths::config_folder() + "/registry.xml". Keys are backslash-separated
// paths ("Software\Varkon\Vantor Firmware Update v28"); keys and value names keep their case but
// match without regard to it, as the registry does. Values are DWORD, SZ or BINARY. Every write
// reads the file afresh, changes it and replaces it atomically (temporary file and rename) under an
// advisory lock, so that two processes writing different values never lose each other's. A file
// that does not parse is kept aside as "registry.xml.corrupt-<time>" and the store starts empty.
// The file's folder is used only when it passes SecureFolder's check (a writer creates it, mode
// 0700): a store in a folder that another account could have prepared is neither read nor written.
//
// Failures return false or an empty result and leave an errno value in last_system_error():
// ENOENT for a missing key or value, EINVAL for a value of another type.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace devio::sys {

enum class ConfigValueType { Dword, Sz, Binary };

struct ConfigValue {
    ConfigValueType type = ConfigValueType::Dword;
    uint32_t dword = 0;
    std::string sz;
    std::vector<uint8_t> binary;
};

class ConfigStore {
public:
    // The current user's store (the file path follows $XDG_CONFIG_HOME at the time of the call).
    static ConfigStore user();
    explicit ConfigStore(std::string file);

    const std::string& file() const { return file_; }

    bool create_key(const std::string& key);
    bool key_exists(const std::string& key) const;

    std::optional<ConfigValue> read(const std::string& key, const std::string& name) const;
    std::optional<uint32_t> read_dword(const std::string& key, const std::string& name) const;
    std::optional<std::string> read_sz(const std::string& key, const std::string& name) const;
    std::optional<std::vector<uint8_t>> read_binary(const std::string& key,
                                                    const std::string& name) const;

    // Writes create the key when it is missing.
    bool write(const std::string& key, const std::string& name, const ConfigValue& value);
    bool write_dword(const std::string& key, const std::string& name, uint32_t value);
    bool write_sz(const std::string& key, const std::string& name, const std::string& value);
    bool write_binary(const std::string& key, const std::string& name,
                      const std::vector<uint8_t>& value);
    bool delete_value(const std::string& key, const std::string& name);

private:
    std::string file_;
};

} // namespace devio::sys
