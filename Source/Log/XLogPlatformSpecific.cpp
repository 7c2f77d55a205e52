#include "Source/Log/XLogPlatformSpecific.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include "Source/Log/XLogCore.h"
#include "Source/Log/xLog.h"
#include "Source/System/SecureFolder.h"

namespace devio {

namespace {

constexpr uint64_t k100nsPerDay = 864'000'000'000ULL;

uint64_t last_write_100ns(const struct stat& info) {
    return static_cast<uint64_t>(info.st_mtim.tv_sec) * 10'000'000ULL +
           static_cast<uint64_t>(info.st_mtim.tv_nsec) / 100;
}

} // namespace

std::string XLogPlatformSpecific::log_folder(const std::string& temp_path) {
    if (temp_path.empty() || temp_path.size() > kMaxTempPath) {
        return {};
    }
    std::string folder = temp_path;
    if (folder.back() != '/') {
        folder += '/';
    }
    folder += "xlog_varkon/";
    return sys::SecureFolder::use(folder, sys::SecureFolder::Create::WithParents) ? folder
                                                                                  : std::string();
}

std::string XLogPlatformSpecific::log_file_name(time_t start_time, uint32_t process_id,
                                                const std::string& process_name,
                                                const std::string& name_space) {
    tm local{};
    localtime_r(&start_time, &local);
    char start[32];
    std::strftime(start, sizeof(start), "%Y%m%d_%H%M%S", &local);
    return "xlog_" + std::string(start) + "_" + std::to_string(process_id) + "_" + process_name +
           "_" + name_space + ".dblog";
}

void XLogPlatformSpecific::purgeOldLogFiles(const std::string& process_name,
                                            const std::string& name_space) {
    XLogCore& log = XLogCore::process();
    purgeOldLogFiles(log, log.temp_path(), process_name, name_space);
}

void XLogPlatformSpecific::purgeOldLogFiles(XLogCore& log, const std::string& temp_path,
                                            const std::string& process_name,
                                            const std::string& name_space) {
    const char* where = "devio::XLogPlatformSpecific::purgeOldLogFiles";
    std::string folder = log_folder(temp_path);
    if (folder.empty()) {
        return;
    }
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr) {
        return;
    }
    // Entries are examined and removed relative to the folder opened here, and only regular files
    // of the program's own name pattern count: a link or anything else is never touched.
    const int folder_fd = dirfd(directory);
    const std::string pattern = "xlog_*_" + process_name + "_" + name_space + ".dblog";
    std::map<std::string, uint64_t> files;
    uint64_t newest = 0;
    while (const dirent* entry = readdir(directory)) {
        if (fnmatch(pattern.c_str(), entry->d_name, FNM_PERIOD) != 0) {
            continue;
        }
        struct stat info {};
        if (fstatat(folder_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode)) {
            continue;
        }
        uint64_t written = last_write_100ns(info);
        files.emplace(entry->d_name, written);
        newest = std::max(newest, written);
    }
    for (const auto& [name, written] : files) {
        const std::string path = folder + name;
        int age = static_cast<int>((newest - written) / k100nsPerDay);
        if (age < kPurgeAgeDays) {
            log.write("Untagged", kLogVerbose, where, "Keeping %d day old log file %s", age,
                      path.c_str());
        } else if (int removed = unlinkat(folder_fd, name.c_str(), 0), error = errno;
                   removed == 0) {
            log.write("Untagged", kLogVerbose, where, "Purging %d day old log file %s", age,
                      path.c_str());
        } else {
            log.write("Untagged", kLogWarning, where, "DeleteFile failed on %s, err=%d",
                      path.c_str(), error);
        }
    }
    closedir(directory);
}

} // namespace devio
