// The response cache's file: read when the device learns its data directory, written by the
// cache-write timer after new answers and when a device with unsaved answers goes away.
#include "Source/Rap/Device.h"

#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureCacheFile.h"
#include "Source/System/AtomicFile.h"
#include "Source/System/SecureFolder.h"
#include "Source/System/SystemError.h"

namespace devio {

namespace {

constexpr const char* kTag = "Device";
constexpr const char* kCacheRead = "devio::Device::perform_cache_read";
constexpr const char* kCacheWrite = "devio::Device::perform_cache_write";

// The data directory holds the cache only when it passes SecureFolder's check (which reports a
// refused one once): answers read from a folder that another account prepared would steer the
// device, and files written there could be redirected.
bool usable_directory(const std::string& directory, const char* where) {
    if (sys::SecureFolder::use(directory, sys::SecureFolder::Create::No)) {
        return true;
    }
    xLogWrite(kTag, kLogInfo, where, "data cache dir %s is not used, error %u", directory.c_str(),
              static_cast<unsigned>(sys::last_system_error()));
    return false;
}

} // namespace

std::string Device::data_directory() const {
    sys::MutexLock lock(discovery_mutex_);
    return data_directory_;
}

void Device::persistent_data_directory(const std::string& directory) {
    xLogWrite(kTag, kLogInfo, "devio::Device::persistent_data_directory",
              "Device::persistent_data_directory(%s)", directory.c_str());
    if (directory.empty()) {
        return;
    }
    {
        sys::MutexLock lock(discovery_mutex_);
        data_directory_ = directory;
    }
    perform_cache_read();
}

void Device::perform_cache_write() {
    cache_dirty_.store(false);
    std::string directory = data_directory();
    if (directory.empty()) {
        xLogWrite(kTag, kLogInfo, kCacheWrite, "perform_cache_write: feature cache path is empty");
        return;
    }
    std::string fingerprint = fwinfo();
    if (fingerprint.empty()) {
        xLogWrite(kTag, kLogInfo, kCacheWrite, "perform_cache_write: fwinfo is empty");
        return;
    }
    if (!usable_directory(directory, kCacheWrite)) {
        return;
    }
    std::string text = FeatureCacheFile::render({fingerprint, path(), cache_.entries()});
    std::string specific = FeatureCacheFile::specific_name(directory, pid(), path());
    if (sys::replace_file_contents(specific, text)) {
        xLogWrite(kTag, kLogInfo, kCacheWrite, "wrote feature cache to file %s", specific.c_str());
    }
    if (generic_cache_) {
        std::string generic = FeatureCacheFile::generic_name(directory, pid());
        if (sys::replace_file_contents(generic, text)) {
            xLogWrite(kTag, kLogInfo, kCacheWrite, "wrote feature cache to generic file %s",
                      generic.c_str());
        }
    }
}

void Device::perform_cache_read() {
    std::string directory = data_directory();
    xLogWrite(kTag, kLogInfo, kCacheRead, "Device::perform_cache_read enter persistent_path=%s",
              directory.c_str());
    if (directory.empty()) {
        xLogWrite(kTag, kLogInfo, kCacheRead, "data cache dir is empty");
        return;
    }
    if (!usable_directory(directory, kCacheRead)) {
        return;
    }
    std::string specific = FeatureCacheFile::specific_name(directory, pid(), path());
    xLogWrite(kTag, kLogInfo, kCacheRead, "Device::perform_cache_read reading file %s",
              specific.c_str());
    std::string text;
    if (!sys::read_file_contents(specific, text)) {
        if (!generic_cache_) {
            xLogWrite(kTag, kLogInfo, kCacheRead, "cache file does not exist");
            return;
        }
        std::string generic = FeatureCacheFile::generic_name(directory, pid());
        xLogWrite(kTag, kLogInfo, kCacheRead, "file does not exist, trying generic file %s",
                  generic.c_str());
        if (!sys::read_file_contents(generic, text)) {
            xLogWrite(kTag, kLogInfo, kCacheRead, "generic file does not exist either");
            return;
        }
        // This device's own file is written later.
        cache_dirty_.store(true);
    }
    std::optional<FeatureCacheFile::Contents> contents = FeatureCacheFile::parse(std::move(text));
    if (!contents.has_value()) {
        xLogWrite(kTag, kLogInfo, kCacheRead, "cache file is not readable, ignoring it");
        return;
    }
    std::string fingerprint = fwinfo();
    if (!fingerprint.empty() && fingerprint != contents->fw) {
        xLogWrite(kTag, kLogInfo, kCacheRead,
                  "cache is incorrect version (%s != %s)... invalidating", contents->fw.c_str(),
                  fingerprint.c_str());
        cache_dirty_.store(true);
        return;
    }
    // Answers already in memory are newer than the file's.
    for (const auto& [command, response] : contents->entries) {
        cache_.insert(command, response);
    }
    xLogWrite(kTag, kLogInfo, kCacheRead, "Device::perform_cache_read exit");
}

} // namespace devio
