// The check that every folder of the library's and the tool's own files passes before it is used,
// so that no other local account can prepare where they write or what they wait on.
//
// A folder is used only when it is a real directory (a symbolic link is refused, not followed),
// owned by the effective user and not writable by group or others, and when its parent is one in
// which no other account can rename or replace it: owned by the user or by root, and writable by
// group or others only with the sticky bit (as /tmp is). A folder the check creates is made with
// mode 0700, and so are the missing parents it makes.
//
// A refused folder fails with an errno value in last_system_error(): ELOOP a symbolic link, ENOTDIR
// not a directory, EPERM owned by another user, EACCES writable by others or in a parent that
// others may change. Each refused folder is reported once per process, with the folder and the
// reason, through the reporter: by default one line on standard error; the diagnostic log installs
// one that writes a log line. A missing folder that is not to be created fails with ENOENT and is
// not reported.
//
// Every function may be called from any thread. The reporter is called without any lock held.
#pragma once

#include <string>
#include <sys/types.h>

namespace devio::sys {

class SecureFolder {
public:
    enum class Create {
        No,          // the folder must exist
        Folder,      // make the folder itself when it is missing
        WithParents, // make it and its missing parents
    };

    // True when `folder` (a trailing '/' is allowed) may be used, after creating it as asked.
    static bool use(const std::string& folder, Create create);

    // Why `folder` may not be used ("a symbolic link", "owned by user 65534", ...); empty when it
    // may, or when it does not exist. Reports nothing.
    static std::string refusal(const std::string& folder);

    using Reporter = void (*)(const std::string& folder, const std::string& reason);
    // Installs the reporter of refused folders (nullptr: standard error); returns the previous one.
    static Reporter set_reporter(Reporter reporter);

    // Opens `path` with `flags`, never through a symbolic link in its last element and not
    // inherited by child processes. The caller has checked its folder. -1 with errno on failure.
    static int open_file(const std::string& path, int flags, mode_t mode = 0600);
};

} // namespace devio::sys
