#include "Source/Features/Feature1F1FFirmwareProperties.h"

#include <algorithm>

#include "Source/Features/FeatureRequest.h"
#include "Source/Features/OutParam.h"
#include "Source/Log/LastError.h"
#include "Source/Rap/FeatureRegistration.h"

namespace devio {

namespace {

constexpr unsigned kGetCount = 0;
constexpr unsigned kGetPropertyInfo = 1;
constexpr unsigned kReadProperty = 2;
constexpr unsigned kWriteProperty = 3;
constexpr unsigned kDeleteProperty = 4;
constexpr unsigned kLockProperty = 5;
constexpr unsigned kSetNotifications = 6;
constexpr std::size_t kMaxWrite = 12;
constexpr int kPropertyEvent = 0;

} // namespace

bool Feature1F1FFirmwareProperties::command(unsigned function, std::vector<Byte> parameters) {
    std::vector<Byte> response;
    return sendFeatureCommand(function, parameters, response, CacheMode::Uncached);
}

bool Feature1F1FFirmwareProperties::GetCount(int* count) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetCount, {}, CacheMode::Uncached, 1, response)) {
        return false;
    }
    set_out(count, response[0]);
    return true;
}

bool Feature1F1FFirmwareProperties::GetPropertyInfo(int index, PropertyInfo* info) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kGetPropertyInfo, {static_cast<Byte>(index)}, CacheMode::Uncached, 5,
                        response)) {
        return false;
    }
    if (response[0] != static_cast<Byte>(index)) {
        set_last_error(ErrorCode::InvalidDeviceData);
        return false;
    }
    if (info != nullptr) {
        *info = {response[1], (response[2] << 8) | response[3], response[4]};
    }
    return true;
}

bool Feature1F1FFirmwareProperties::ReadProperty(int id, int offset, std::vector<Byte>* data) {
    std::vector<Byte> response;
    if (!send_expecting(*this, kReadProperty,
                        {static_cast<Byte>(id), static_cast<Byte>(offset >> 8),
                         static_cast<Byte>(offset & 0xFF)},
                        CacheMode::Uncached, 1, response)) {
        return false;
    }
    if (response[0] != static_cast<Byte>(id)) {
        set_last_error(ErrorCode::InvalidDeviceData);
        return false;
    }
    if (data != nullptr) {
        data->assign(response.begin() + 1, response.end());
    }
    return true;
}

bool Feature1F1FFirmwareProperties::WriteProperty(int id, int offset,
                                                  const std::vector<Byte>& data) {
    if (data.empty() || data.size() > kMaxWrite) {
        set_last_error(rap20_error(2));
        return false;
    }
    std::vector<Byte> request(3 + data.size());
    request[0] = static_cast<Byte>(id);
    request[1] = static_cast<Byte>(offset >> 8);
    request[2] = static_cast<Byte>(offset & 0xFF);
    std::copy(data.begin(), data.end(), request.begin() + 3);
    return command(kWriteProperty, std::move(request));
}

bool Feature1F1FFirmwareProperties::DeleteProperty(int id) {
    return command(kDeleteProperty, {static_cast<Byte>(id)});
}

bool Feature1F1FFirmwareProperties::LockProperty(int id) {
    return command(kLockProperty, {static_cast<Byte>(id)});
}

bool Feature1F1FFirmwareProperties::SetPropertyNotifications(int id, bool enabled) {
    return command(kSetNotifications, {static_cast<Byte>(id), static_cast<Byte>(enabled ? 1 : 0)});
}

std::shared_ptr<IFirmwareProperty> Feature1F1FFirmwareProperties::property(int id) {
    sys::MutexLock lock(properties_mutex_);
    std::shared_ptr<FirmwareProperty>& kept = properties_[id];
    if (kept == nullptr) {
        kept = std::make_shared<FirmwareProperty>(id);
    }
    return kept;
}

void Feature1F1FFirmwareProperties::onFeatureReport(int function,
                                                    const std::vector<Byte>& parameters) {
    if (function != kPropertyEvent || parameters.empty()) {
        return;
    }
    int id = parameters[0];
    std::vector<Byte> data(parameters.begin() + 1, parameters.end());
    Producer<IFeature1F1FFirmwareProperties::Report>::produce(
        [id, data](IFeature1F1FFirmwareProperties::Report* subscriber) {
            subscriber->onPropertyEvent(id, data);
        },
        "Feature1F1FFirmwareProperties::Report::onPropertyEvent");
    std::shared_ptr<FirmwareProperty> changed;
    {
        sys::MutexLock lock(properties_mutex_);
        auto found = properties_.find(id);
        if (found != properties_.end()) {
            changed = found->second;
        }
    }
    if (changed != nullptr) {
        changed->announce_change();
    }
}

} // namespace devio

DEVIO_FEATURE_MODULE(Feature1F1FFirmwareProperties, 1F1F)
