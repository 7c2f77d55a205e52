// The fingerprint of the device's running firmware, and the firmware check that notices when the
// device came back with other firmware than the one its features and cached answers belong to.
#include "Source/Rap/Device.h"

#include <cstdio>

#include "Source/Features/IFeature0003FirmwareInfo.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/Feature.h"
#include "Source/Rap/FeatureCacheFile.h"

namespace devio {

namespace {

constexpr const char* kTag = "Device";
constexpr const char* kReadFwinfo = "devio::Device::read_fwinfo";
constexpr const char* kDoFwcheck = "devio::Device::do_fwcheck";
// The fingerprint of a device without feature 0x0003.
constexpr const char* kNotPresent = "NotPresent";
// rdnf bit 0 marks the entity that is running.
constexpr int kRunningBit = 0x01;

// fwType, prefix, version and build; the prefix comes from the device, so it is made printable.
std::string short_fingerprint(int type, const std::string& prefix, const std::string& version,
                              const std::string& build) {
    return std::to_string(type) + FeatureCacheFile::printable(prefix) + version + build;
}

} // namespace

std::string Device::fwinfo() const {
    sys::MutexLock lock(discovery_mutex_);
    return fwinfo_;
}

void Device::set_fwinfo(std::string fingerprint) {
    sys::MutexLock lock(discovery_mutex_);
    fwinfo_ = std::move(fingerprint);
}

std::optional<std::string> Device::fingerprint_of_running_entity(IFeature0003FirmwareInfo& info,
                                                                 int count, uint32_t unit_id,
                                                                 CacheMode cache_mode) {
    // The entity found last time first, then all of them in order.
    int remembered = firmware_entity_.load();
    std::vector<int> order;
    if (remembered < count) {
        order.push_back(remembered);
    }
    for (int entity = 0; entity < count; ++entity) {
        if (entity != remembered) {
            order.push_back(entity);
        }
    }
    for (int entity : order) {
        int type = 0;
        int rdnf = 0;
        std::string prefix;
        std::string version;
        std::string build;
        if (!info.GetFwInfo(entity, &type, &prefix, &version, &build, &rdnf, nullptr, cache_mode)) {
            return std::string();
        }
        if ((rdnf & kRunningBit) != 0) {
            firmware_entity_.store(entity);
            char unit[16];
            std::snprintf(unit, sizeof unit, "%X", unit_id);
            return short_fingerprint(type, prefix, version, build) + unit;
        }
    }
    return std::nullopt;
}

std::string Device::read_fwinfo(bool cached) {
    xLogWrite(kTag, kLogInfo, kReadFwinfo, "read_fwinfo enter, cached=%d", cached ? 1 : 0);
    std::shared_ptr<IFeature0003FirmwareInfo> info = feature<IFeature0003FirmwareInfo>();
    if (info == nullptr) {
        if (last_error().code == ErrorCode::NotPresent) {
            xLogWrite(kTag, kLogInfo, kReadFwinfo, "read_fwinfo returning NotPresent");
            return kNotPresent;
        }
        xLogWrite(kTag, kLogInfo, kReadFwinfo, "read_fwinfo returning error=%d", last_error_code());
        return std::string();
    }
    CacheMode cache_mode = cached ? CacheMode::Cached : CacheMode::Uncached;
    if (dynamic_cast<Feature&>(*info).version() != 0) {
        int count = 0;
        uint32_t unit_id = 0;
        if (!info->GetEntityCount(&count, &unit_id, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  cache_mode)) {
            xLogWrite(kTag, kLogInfo, kReadFwinfo, "read_fwinfo returning error=%d",
                      last_error_code());
            return std::string();
        }
        std::optional<std::string> found =
            fingerprint_of_running_entity(*info, count, unit_id, cache_mode);
        if (found.has_value() && found->empty()) {
            xLogWrite(kTag, kLogInfo, kReadFwinfo, "read_fwinfo returning error=%d",
                      last_error_code());
            return std::string();
        }
        if (found.has_value()) {
            xLogWrite(kTag, kLogInfo, kReadFwinfo, "read_fwinfo returning %s", found->c_str());
            return *found;
        }
    }
    int type = 0;
    std::string prefix;
    std::string version;
    std::string build;
    if (!info->GetFwInfo(0, &type, &prefix, &version, &build, nullptr, nullptr, cache_mode)) {
        xLogWrite(kTag, kLogInfo, kReadFwinfo, "read_fwinfo returning error=%d", last_error_code());
        return std::string();
    }
    std::string fingerprint = short_fingerprint(type, prefix, version, build);
    xLogWrite(kTag, kLogInfo, kReadFwinfo, "read_fwinfo returning %s", fingerprint.c_str());
    return fingerprint;
}

bool Device::load_fwinfo(bool had_cache) {
    if (!fwinfo().empty()) {
        return true;
    }
    std::string fingerprint = read_fwinfo(true);
    if (fingerprint.empty()) {
        return false;
    }
    set_fwinfo(std::move(fingerprint));
    if (had_cache) {
        // The fingerprint came from a file and may be stale.
        firmware_check_needed_.store(true);
    }
    // A fingerprint read from the device itself needs no check before the device is connected;
    // one that came from a cache file may be another firmware's, and no cached answer is served
    // until the running firmware has confirmed it.
    if (!had_cache && !connected()) {
        return true;
    }
    if (!do_fwcheck()) {
        xLogWrite(kTag, kLogInfo, "devio::Device::load_fwinfo",
                  "load_fwinfo failing (do_fwcheck failed)");
        return false;
    }
    return true;
}

bool Device::do_fwcheck() {
    xLogWrite(kTag, kLogInfo, kDoFwcheck, "do_fwcheck entry");
    std::string known = fwinfo();
    if (known.empty()) {
        xLogWrite(kTag, kLogInfo, kDoFwcheck,
                  "do_fwcheck exit, true, skipping check due to initial fwinfo not read yet");
        return true;
    }
    // The check's own requests may ask for a check again.
    if (fw_check_in_progress_.exchange(true)) {
        xLogWrite(kTag, kLogInfo, kDoFwcheck,
                  "do_fwcheck exit, true, skipping check due to being recursively called");
        return true;
    }
    std::string fresh = read_fwinfo(false);
    if (fresh.empty()) {
        xLogWrite(kTag, kLogInfo, kDoFwcheck, "do_fwcheck error reading fw info, err=%d",
                  last_error_code());
        // The feature may have moved with new firmware: ask the root again.
        if (load_feature(IFeature0003FirmwareInfo::kFeatureNumber, CacheMode::Uncached) ==
            nullptr) {
            xLogWrite(kTag, kLogInfo, kDoFwcheck,
                      "do_fwcheck exit, false, error loading 0x0003 feature, err=%d",
                      last_error_code());
            fw_check_in_progress_.store(false);
            return false;
        }
        fresh = read_fwinfo(false);
    }
    fw_check_in_progress_.store(false);
    if (fresh.empty()) {
        xLogWrite(kTag, kLogInfo, kDoFwcheck,
                  "do_fwcheck exit, false, error reading fw info, err=%d", last_error_code());
        return false;
    }
    firmware_check_needed_.store(false);
    if (fresh == known) {
        xLogWrite(kTag, kLogInfo, kDoFwcheck, "do_fwcheck exit, true, fw version matched (%s)",
                  fresh.c_str());
        return true;
    }
    xLogWrite(kTag, kLogInfo, kDoFwcheck,
              "do_fwcheck exit, false, FwVersionChanged (old=%s new=%s)", known.c_str(),
              fresh.c_str());
    forget();
    set_fwinfo(std::string());
    cache_dirty_.store(true);
    std::shared_ptr<IDevice> self = weak_from_this().lock();
    Producer<IDevice::Connect>::produce(
        [self](IDevice::Connect* subscriber) { subscriber->onFirmwareChanged(self); },
        "Device::Connect::onFirmwareChanged");
    set_last_error(ErrorCode::FwVersionChanged);
    return false;
}

} // namespace devio
