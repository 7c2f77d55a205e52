// The device-notification registrations of one Win32System, and the device-change broadcasts that
// reach the windows registered. A window registers either for every interface of a class or for
// the device behind one of its open files; the broadcast for a device goes to the registrations
// made for its files even after a file was closed, as the system keeps them until they are
// unregistered.
//
// Broadcasts are sent, not posted: the record they point to lives only during the send, and the
// sender learns each window's answer (a refused removal query). Every operation is thread-safe;
// the sends run without the registry's mutex held.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <string>

#include "Source/Windows/Win32Types.h"

namespace devio {

class DeviceNotifications {
public:
    // How long a broadcast waits for one window (scaled by the process clock).
    static constexpr int64_t kSendTimeoutMs = 5000;

    struct Registration {
        HWND window{};
        DWORD type = 0;       // DBT_DEVTYP_DEVICEINTERFACE or DBT_DEVTYP_HANDLE
        GUID interface_class; // for interface registrations
        HANDLE file{};        // for handle registrations: the file registered
        std::string device;   // for handle registrations: the implementation's name of its device
    };

    HDEVNOTIFY add(Registration registration);
    bool remove(HDEVNOTIFY notification);
    std::size_t size() const;

    // Sends `event` with an interface record for `path` to the windows registered for the class.
    void send_interface_change(DWORD event, const GUID& interface_class,
                               const std::u16string& path);
    // Sends `event` with a handle record to every registration for `device`. False when a window
    // refused it (BROADCAST_QUERY_DENY).
    bool send_handle_change(DWORD event, const std::string& device);

private:
    mutable std::mutex mutex_;
    std::map<HDEVNOTIFY, Registration> registrations_;
    uint32_t last_ = 0;
};

} // namespace devio
