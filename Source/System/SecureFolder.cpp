#include "Source/System/SecureFolder.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "Source/System/SystemError.h"

namespace devio::sys {

namespace {

// Outcome of one look at a folder: 0 usable, ENOENT missing, otherwise refused with the reason.
struct Verdict {
    int error = 0;
    std::string reason;
};

std::atomic<SecureFolder::Reporter> g_reporter{nullptr};

std::mutex g_reported_mutex;
// Folders already reported; guarded by g_reported_mutex. Never destroyed, so that a folder checked
// while static objects are torn down still finds it.
std::set<std::string>& reported() {
    static auto* folders = new std::set<std::string>();
    return *folders;
}

std::string without_trailing_slashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string parent_of(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof(text), "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

constexpr mode_t kWritableByOthers = S_IWGRP | S_IWOTH;

// The parent decides who may rename or replace the folder: it must let nobody else do so.
Verdict check_parent(const std::string& folder) {
    const std::string parent = parent_of(folder);
    struct stat info {};
    if (stat(parent.c_str(), &info) != 0) {
        return {errno, "its parent " + parent + " cannot be examined"};
    }
    if (info.st_uid != geteuid() && info.st_uid != 0) {
        return {EACCES, "in " + parent + ", which belongs to user " + std::to_string(info.st_uid)};
    }
    if ((info.st_mode & kWritableByOthers) != 0 && (info.st_mode & S_ISVTX) == 0) {
        return {EACCES,
                "in " + parent + ", which others may change (mode " + octal(info.st_mode) + ")"};
    }
    return {};
}

Verdict check(const std::string& folder) {
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0) {
        if (errno == ENOENT) {
            return {ENOENT, {}};
        }
        return {errno, "cannot be examined (errno " + std::to_string(errno) + ")"};
    }
    if (S_ISLNK(info.st_mode)) {
        return {ELOOP, "a symbolic link"};
    }
    if (!S_ISDIR(info.st_mode)) {
        return {ENOTDIR, "not a directory"};
    }
    if (info.st_uid != geteuid()) {
        return {EPERM, "owned by user " + std::to_string(info.st_uid)};
    }
    if ((info.st_mode & kWritableByOthers) != 0) {
        return {EACCES, "writable by group or others (mode " + octal(info.st_mode) + ")"};
    }
    return check_parent(folder);
}

// Makes the missing parents of `folder`, each with mode 0700; they are checked as parents later.
void make_parents(const std::string& folder) {
    const std::string parent = parent_of(folder);
    if (parent == folder || parent == "." || parent == "/") {
        return;
    }
    struct stat info {};
    if (stat(parent.c_str(), &info) == 0) {
        return;
    }
    make_parents(parent);
    mkdir(parent.c_str(), 0700);
}

void report_to_standard_error(const std::string& folder, const std::string& reason) {
    std::fprintf(stderr, "devio: folder %s is not used: %s\n", folder.c_str(), reason.c_str());
}

void report_once(const std::string& folder, const std::string& reason) {
    {
        std::lock_guard<std::mutex> lock(g_reported_mutex);
        if (!reported().insert(folder).second) {
            return;
        }
    }
    SecureFolder::Reporter reporter = g_reporter.load();
    (reporter != nullptr ? reporter : report_to_standard_error)(folder, reason);
}

} // namespace

bool SecureFolder::use(const std::string& folder_path, Create create) {
    if (folder_path.empty()) {
        set_last_system_error(ENOENT);
        return false;
    }
    const std::string folder = without_trailing_slashes(folder_path);
    Verdict verdict = check(folder);
    if (verdict.error == ENOENT && create != Create::No) {
        if (create == Create::WithParents) {
            make_parents(folder);
        }
        // Made by us with 0700, or (EEXIST) by a racing process: the check below decides.
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            return fail_with_errno();
        }
        verdict = check(folder);
    }
    if (verdict.error == 0) {
        return true;
    }
    if (verdict.error != ENOENT) {
        report_once(folder, verdict.reason);
    }
    set_last_system_error(static_cast<uint32_t>(verdict.error));
    return false;
}

std::string SecureFolder::refusal(const std::string& folder) {
    return check(without_trailing_slashes(folder)).reason;
}

SecureFolder::Reporter SecureFolder::set_reporter(Reporter reporter) {
    return g_reporter.exchange(reporter);
}

int SecureFolder::open_file(const std::string& path, int flags, mode_t mode) {
    return ::open(path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode);
}

} // namespace devio::sys
