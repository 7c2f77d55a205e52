#include "Source/Windows/DeviceNotifications.h"

#include <utility>
#include <vector>

#include "Source/System/MessageWindows.h"
#include "Source/Windows/WindowHandle.h"

namespace devio {
namespace {

// Sends one device-change message; true unless the window refused it.
bool send(HWND window, DWORD event, const DEV_BROADCAST_HDR& record) {
    intptr_t answer = 0;
    bool delivered = sys::MessageWindows::send(window_id_of(window), WM_DEVICECHANGE, event,
                                               reinterpret_cast<intptr_t>(&record),
                                               DeviceNotifications::kSendTimeoutMs, &answer);
    return !delivered || answer != BROADCAST_QUERY_DENY;
}

} // namespace

HDEVNOTIFY DeviceNotifications::add(Registration registration) {
    std::lock_guard lock(mutex_);
    HDEVNOTIFY notification{++last_};
    registrations_.emplace(notification, std::move(registration));
    return notification;
}

bool DeviceNotifications::remove(HDEVNOTIFY notification) {
    std::lock_guard lock(mutex_);
    return registrations_.erase(notification) == 1;
}

std::size_t DeviceNotifications::size() const {
    std::lock_guard lock(mutex_);
    return registrations_.size();
}

void DeviceNotifications::send_interface_change(DWORD event, const GUID& interface_class,
                                                const std::u16string& path) {
    std::vector<HWND> windows;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [notification, registration] : registrations_) {
            if (registration.type == DBT_DEVTYP_DEVICEINTERFACE &&
                registration.interface_class == interface_class) {
                windows.push_back(registration.window);
            }
        }
    }
    DEV_BROADCAST_DEVICEINTERFACE_W record;
    record.dbch_size = sizeof(record);
    record.dbch_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    record.dbcc_classguid = interface_class;
    record.dbcc_name = path.c_str();
    for (HWND window : windows) {
        send(window, event, record);
    }
}

bool DeviceNotifications::send_handle_change(DWORD event, const std::string& device) {
    std::vector<std::pair<HDEVNOTIFY, Registration>> targets;
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : registrations_) {
            if (entry.second.type == DBT_DEVTYP_HANDLE && entry.second.device == device) {
                targets.push_back(entry);
            }
        }
    }
    bool granted = true;
    for (const auto& [notification, registration] : targets) {
        DEV_BROADCAST_HANDLE record;
        record.dbch_size = sizeof(record);
        record.dbch_devicetype = DBT_DEVTYP_HANDLE;
        record.dbch_handle = registration.file;
        record.dbch_hdevnotify = notification;
        granted = send(registration.window, event, record) && granted;
    }
    return granted;
}

} // namespace devio
