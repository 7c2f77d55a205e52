#include "Source/System/Paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Source/System/SecureFolder.h"
#include "Source/System/SystemError.h"

namespace devio::sys {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string home_folder() {
    std::string home = environment("HOME");
    if (!home.empty()) {
        return home;
    }
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/";
}

bool is_directory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string xdg_folder(const char* variable, const char* fallback_below_home) {
    std::string base = environment(variable);
    if (base.empty()) {
        base = home_folder() + "/" + fallback_below_home;
    }
    return base + "/varkon";
}

} // namespace

std::string Paths::temp_path() {
    std::string path = environment("TMPDIR");
    if (path.empty()) {
        path = "/tmp";
    }
    if (path.back() != '/') {
        path += '/';
    }
    return path;
}

std::optional<std::string> Paths::documents_folder() {
    std::string path = environment("XDG_DOCUMENTS_DIR");
    if (path.empty()) {
        path = home_folder() + "/Documents";
    }
    if (!is_directory(path)) {
        set_last_system_error(ENOENT);
        return std::nullopt;
    }
    return path;
}

std::string Paths::config_folder() {
    return xdg_folder("XDG_CONFIG_HOME", ".config");
}

std::string Paths::user_data_folder() {
    return xdg_folder("XDG_DATA_HOME", ".local/share");
}

std::string Paths::user_state_folder() {
    return xdg_folder("XDG_STATE_HOME", ".local/state");
}

std::string Paths::log_temp_path() {
    if (!environment("TMPDIR").empty()) {
        return temp_path();
    }
    return user_state_folder() + "/";
}

std::string Paths::runtime_folder() {
    std::string base = environment("XDG_RUNTIME_DIR");
    std::string path = base.empty() ? "/tmp/devio-" + std::to_string(geteuid()) : base + "/devio";
    if (!SecureFolder::use(path, SecureFolder::Create::Folder)) {
        return {};
    }
    return path;
}

std::string Paths::executable_path() {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0) {
        fail_with_errno();
        return {};
    }
    return std::string(buffer, static_cast<size_t>(length));
}

std::string Paths::executable_file_name() {
    std::string path = executable_path();
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool Paths::ensure_directory(const std::string& path) {
    if (path.empty()) {
        set_last_system_error(ENOENT);
        return false;
    }
    if (is_directory(path)) {
        return true;
    }
    size_t slash = path.find_last_of('/', path.size() >= 2 ? path.size() - 2 : 0);
    if (slash != std::string::npos && slash > 0 && !ensure_directory(path.substr(0, slash))) {
        return false;
    }
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
        return fail_with_errno();
    }
    return is_directory(path) || fail_with_errno();
}

} // namespace devio::sys
