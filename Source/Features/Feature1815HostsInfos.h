// The hosts feature's class.
//
// Layouts left open by the protocol and chosen as a multi-host device answers:
//   function 0 -> [capabilities, host count, current host]
//   function 1 [host] -> [host, status, bus type, page count, name length, name max length]
//   function 3 [host, position] -> [host, position, name bytes...] (padded with zeros)
//   function 4 [host, position, bytes...] -> nothing read
//   function 7 [host] -> [host, OS type, major, minor]
// A name chunk ends at its first zero byte or at the name's length; a chunk that brings no byte is
// EmptyResponse, which bounds the reading by the name's length whatever the device repeats. The
// names are kept per host under a lock (callers may be on any thread). A host outside 0..19 is
// refused with Rap20Error + 2 before anything is sent.
#pragma once

#include <array>
#include <mutex>
#include <optional>

#include "Source/Features/IFeature1815HostsInfos.h"
#include "Source/Rap/FeatureBase.h"
#include "Source/System/ThreadAnnotations.h"

namespace devio {

class Feature1815HostsInfos : public FeatureBase<"Feature1815HostsInfos", IFeature1815HostsInfos> {
public:
    using FeatureBase::FeatureBase;

    [[nodiscard]] bool GetFeatureInfos(int* capabilities, int* host_count,
                                       int* current_host) override;
    [[nodiscard]] bool GetHostInfos(int host, HostInfo* info) override;
    [[nodiscard]] bool GetHostFriendlyName(int host, std::string* name, bool reuse) override;
    [[nodiscard]] bool SetHostFriendlyName(int host, int position,
                                           const std::vector<Byte>& chunk) override;
    [[nodiscard]] bool GetHostOSVersion(int host, int* os_type, int* major, int* minor) override;

private:
    bool read_name(int host, std::string& name);

    sys::Mutex names_mutex_;
    std::array<std::optional<std::string>, kMaxHostIndex + 1> names_ DEVIO_GUARDED_BY(names_mutex_);
};

} // namespace devio
