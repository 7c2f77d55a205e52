#include "Source/Features/Feature1815HostsInfos.h"

#include <algorithm>

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetFeatureInfos = 0;
constexpr unsigned kGetHostInfos = 1;
constexpr unsigned kGetHostFriendlyName = 3;
constexpr unsigned kSetHostFriendlyName = 4;
constexpr unsigned kGetHostOSVersion = 7;

// The header bytes of a name chunk: host and position.
constexpr std::size_t kChunkHeader = 2;

bool valid_host(int host) {
    if (host < 0 || host > IFeature1815HostsInfos::kMaxHostIndex) {
        set_last_error(rap20_error(2));
        return false;
    }
    return true;
}

} // namespace

bool Feature1815HostsInfos::GetFeatureInfos(int* capabilities, int* host_count, int* current_host) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetFeatureInfos, {}, CacheMode::Uncached, 3, response)) {
        return false;
    }
    set_out(capabilities, response[0]);
    set_out(host_count, response[1]);
    set_out(current_host, response[2]);
    return true;
}

bool Feature1815HostsInfos::GetHostInfos(int host, HostInfo* info) {
    std::vector<Byte> response;
    if (!valid_host(host) || !send_expecting(*this, kGetHostInfos, {static_cast<Byte>(host)},
                                             CacheMode::Uncached, 6, response)) {
        return false;
    }
    if (info != nullptr) {
        *info = {response[1], response[2], response[3], response[4], response[5]};
    }
    return true;
}

bool Feature1815HostsInfos::GetHostFriendlyName(int host, std::string* name, bool reuse) {
    if (!valid_host(host)) {
        return false;
    }
    sys::MutexLock lock(names_mutex_);
    std::optional<std::string>& kept = names_[static_cast<std::size_t>(host)];
    if (!kept || !reuse) {
        std::string read;
        if (!read_name(host, read)) {
            return false;
        }
        kept = std::move(read);
    }
    if (name != nullptr) {
        *name = *kept;
    }
    return true;
}

bool Feature1815HostsInfos::read_name(int host, std::string& name) {
    HostInfo info;
    if (!GetHostInfos(host, &info)) {
        return false;
    }
    // Every pass adds at least one byte, so the length (at most 255) bounds the requests.
    while (static_cast<int>(name.size()) < info.name_length) {
        std::vector<Byte> chunk;
        if (!send_expecting(*this, kGetHostFriendlyName,
                            {static_cast<Byte>(host), static_cast<Byte>(name.size())},
                            CacheMode::Uncached, kChunkHeader, chunk)) {
            return false;
        }
        std::size_t wanted = static_cast<std::size_t>(info.name_length) - name.size();
        auto first = chunk.begin() + kChunkHeader;
        auto end = std::find(first, chunk.end(), Byte{0});
        std::size_t got = std::min(wanted, static_cast<std::size_t>(end - first));
        if (got == 0) {
            set_last_error(ErrorCode::EmptyResponse);
            return false;
        }
        name.append(first, first + static_cast<std::ptrdiff_t>(got));
    }
    return true;
}

bool Feature1815HostsInfos::SetHostFriendlyName(int host, int position,
                                                const std::vector<Byte>& chunk) {
    if (!valid_host(host)) {
        return false;
    }
    if (chunk.empty() || chunk.size() > kMaxNameChunk || position < 0 || position > 0xFF) {
        set_last_error(rap20_error(2));
        return false;
    }
    std::vector<Byte> parameters(kChunkHeader + chunk.size());
    parameters[0] = static_cast<Byte>(host);
    parameters[1] = static_cast<Byte>(position);
    std::copy(chunk.begin(), chunk.end(), parameters.begin() + kChunkHeader);
    std::vector<Byte> response;
    if (!sendFeatureCommand(kSetHostFriendlyName, parameters, response, CacheMode::Uncached)) {
        return false;
    }
    // The name changes on the device: read it again next time.
    sys::MutexLock lock(names_mutex_);
    names_[static_cast<std::size_t>(host)].reset();
    return true;
}

bool Feature1815HostsInfos::GetHostOSVersion(int host, int* os_type, int* major, int* minor) {
    std::vector<Byte> response;
    if (!valid_host(host) || !send_expecting(*this, kGetHostOSVersion, {static_cast<Byte>(host)},
                                             CacheMode::Uncached, 4, response)) {
        return false;
    }
    set_out(os_type, response[1]);
    set_out(major, response[2]);
    set_out(minor, response[3]);
    return true;
}

} // namespace devio

DEVIO_REGISTER_FEATURE(Feature1815HostsInfos, 1815)
