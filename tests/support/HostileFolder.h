// Folders prepared as another local account could prepare them before the library or the tool
// runs, for the tests of what they refuse to use: one row per way, with the reason that the refusal
// names. The row of another owner needs root (chown); where that fails the row is skipped.
#pragma once

#include <cerrno>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace devio::test {

enum class Hostility { SymbolicLink, WritableByAll, OwnedByAnother };

struct HostileRow {
    const char* name;
    Hostility kind;
    const char* reason; // as the refusal states it
    int error;          // the errno value of the refusal
};

inline constexpr HostileRow kHostileFolders[] = {
    {"a symbolic link to another folder", Hostility::SymbolicLink, "a symbolic link", ELOOP},
    {"a folder of mode 0777", Hostility::WritableByAll, "writable by group or others (mode 0777)",
     EACCES},
    {"a folder owned by another user", Hostility::OwnedByAnother, "owned by user 65534", EPERM},
};

// The account that owns the folder of the "another user" row (nobody).
inline constexpr uid_t kOtherUser = 65534;

// Makes `folder` (whose parent exists) hostile as `kind` says; a link points at `elsewhere`, a
// folder of the test's own that must stay empty. False when this system cannot make it.
inline bool MakeHostileFolder(const std::string& folder, Hostility kind,
                              const std::string& elsewhere) {
    switch (kind) {
    case Hostility::SymbolicLink:
        std::filesystem::create_directories(elsewhere);
        return symlink(elsewhere.c_str(), folder.c_str()) == 0;
    case Hostility::WritableByAll:
        return mkdir(folder.c_str(), 0700) == 0 && chmod(folder.c_str(), 0777) == 0;
    case Hostility::OwnedByAnother:
        return mkdir(folder.c_str(), 0700) == 0 &&
               chown(folder.c_str(), kOtherUser, kOtherUser) == 0;
    }
    return false;
}

// True when nothing has been written into `folder`, or through it when it is a link.
inline bool LeftEmpty(const std::string& folder) {
    std::error_code error;
    return std::filesystem::is_empty(folder, error) && !error;
}

} // namespace devio::test
