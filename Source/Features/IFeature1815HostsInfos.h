// The hosts feature 0x1815: the hosts (computers) a multi-host device is paired with, their
// names and their operating systems.
#pragma once

#include <string>
#include <vector>

#include "Source/Byte.h"

namespace devio {

class IFeature1815HostsInfos {
public:
    static constexpr int kFeatureNumber = 0x1815;
    // Hosts are numbered 0 to kMaxHostIndex.
    static constexpr int kMaxHostIndex = 19;
    // The most name bytes one write carries.
    static constexpr std::size_t kMaxNameChunk = 14;

    struct HostInfo {
        int status = 0; // 0 empty slot, 1 paired
        int bus_type = 0;
        int page_count = 0;
        int name_length = 0;
        int name_max_length = 0;
    };

    virtual ~IFeature1815HostsInfos() = default;

    [[nodiscard]] virtual bool GetFeatureInfos(int* capabilities, int* host_count,
                                               int* current_host) = 0;
    [[nodiscard]] virtual bool GetHostInfos(int host, HostInfo* info) = 0;
    // The host's name, read in chunks; kept per host and handed out again unless `reuse` is
    // false.
    [[nodiscard]] virtual bool GetHostFriendlyName(int host, std::string* name, bool reuse) = 0;
    // Writes at most kMaxNameChunk bytes of the host's name from `position` on.
    [[nodiscard]] virtual bool SetHostFriendlyName(int host, int position,
                                                   const std::vector<Byte>& chunk) = 0;
    [[nodiscard]] virtual bool GetHostOSVersion(int host, int* os_type, int* major, int* minor) = 0;
};

} // namespace devio
