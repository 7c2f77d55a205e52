// Win32Bus: the bottom bus of the device stack. It lists the HID interfaces present, makes a
// Win32Device for each, and announces arrivals and removals as PlugUnplug events. Device-change
// and power messages reach it through a hidden window that a thread of its own creates and pumps;
// that thread also owns every device-notification registration, which other threads request
// through a synchronous message. The bus keeps the file handles of open devices under handle
// notifications, so that it can close a handle when the system asks to remove the device.
//
// Threads: the window thread runs the window procedure, every registration, the PlugUnplug
// events of system messages and the power events; devices() and the handle operations may be
// called from any thread; devices' read threads report lost devices. lazyStart is serialised by
// the start mutex, the tracked handles have a mutex of their own, the window handle is atomic.
// Exceptions stay inside: every public operation returns an empty result or false with the
// reason in the thread's LastError.
#pragma once

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Source/Contracts/IBluetoothBus.h"
#include "Source/Contracts/IHardwareBus.h"
#include "Source/Contracts/IHardwareSecondaryBus.h"
#include "Source/Events/Producer.h"
#include "Source/Log/LastError.h"
#include "Source/Windows/Win32Types.h"

namespace devio {

class IDeviceManager;
class Win32System;

class Win32Bus : public IHardwareBus,
                 public Producer<IHardwareBus::PlugUnplug>,
                 public std::enable_shared_from_this<Win32Bus> {
public:
    // The window's class and title.
    static constexpr const char16_t* kWindowClass = u"Varkon_Devio_MainWindow";
    // How long a cross-thread request waits for the window thread (scaled).
    static constexpr UINT kRequestTimeoutMs = 5000;
    // How long lazyStart waits for the window thread to make its window (scaled).
    static constexpr int64_t kWindowStartTimeoutMs = 10000;

    // Makes the bus and runs init: the factory through which the device manager gets it.
    static std::shared_ptr<Win32Bus> create(std::weak_ptr<IDeviceManager> manager);
    ~Win32Bus() override;
    Win32Bus(const Win32Bus&) = delete;
    Win32Bus& operator=(const Win32Bus&) = delete;

    // IHardwareBus. devices() starts the bus; an empty list with a zero LastError code means
    // that no device is present.
    std::vector<std::shared_ptr<IHardwareDevice>> devices() override;
    std::vector<std::shared_ptr<IBluetoothBus>> bluetooth_busses() override;
    bool needs_combiner() override { return true; }
    std::vector<std::shared_ptr<IHardwareSecondaryBus>> secondary_busses() override;

    // Creates the system-API loader, once, when the bus starts.
    virtual std::shared_ptr<Win32System> makeWin32System();

    // Starts the bus once and hands out the window and the loader. False when the window thread
    // could not make its window (the reason in LastError); a later call tries again.
    bool lazyStart(HWND* window = nullptr, std::shared_ptr<Win32System>* system = nullptr);

    // For the devices and Bluetooth busses of this layer; any thread. Registrations run on the
    // window thread; a failed one returns null with the reason in LastError.
    HDEVNOTIFY registerInterfaceNotification();
    void unregisterInterfaceNotification(HDEVNOTIFY notification);
    HDEVNOTIFY registerDeviceNotificationAndTakeOwnershipOfHandle(HANDLE file);
    void unregisterDeviceNotificationAndCloseTrackedHandle(HDEVNOTIFY notification, HANDLE file);
    // True when the bus still tracks exactly this handle as open for the notification.
    bool verifyDeviceNotificationHandleOpen(HDEVNOTIFY notification, HANDLE file);
    // Closes the handle and marks it closed; the notification stays registered. Window thread.
    void closeTrackedHandle(HDEVNOTIFY notification, HANDLE file);
    // True when a fresh enumeration still lists the path; otherwise announces its removal.
    bool verify_device_exists(const std::string& path);
    // Announces the removal of the path (once until it is plugged or listed again).
    void read_failed_with_disconnect_error(const std::string& path);

protected:
    explicit Win32Bus(std::weak_ptr<IDeviceManager> manager);
    // Reads the manager's Bluetooth configuration items and makes the Bluetooth busses.
    void init();
    // The Bluetooth busses and the secondary (GATT) bus for these settings: always one Bluetooth
    // bus, active when Bluetooth classic or low energy is on. The GATT bus is not part of this
    // layer yet.
    virtual void makeBluetoothBusses(bool bluetooth_active, bool ble_active, bool ble_monitor);
    // The body of the window thread.
    virtual void window_thread();
    // Starts the bus for the first subscriber; a bus that cannot start refuses the subscription.
    bool on_subscribe(IHardwareBus::PlugUnplug* subscriber) override;

    std::vector<std::shared_ptr<IBluetoothBus>> bluetooth_busses_;
    std::vector<std::shared_ptr<IHardwareSecondaryBus>> secondary_busses_;

private:
    // The request that other threads send to the window with WM_USER and WPARAM kRequestSize.
    struct Request {
        DWORD size = kRequestSize;
        BYTE is_handle = 0;
        BYTE unregister = 0;
        WORD alignment = 0;
        DWORD error_code = 0;
        DWORD system_error = 0;
        HANDLE file{};
        HDEVNOTIFY notification{};
        GUID interface_class;
        HDEVNOTIFY interface_notification{};
    };
    static constexpr DWORD kRequestSize = 44;

    static void window_thread_static(Win32Bus* bus);
    static LRESULT window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void process_request(Request& request);
    void processDeviceChange(DWORD event, const DEV_BROADCAST_HDR* header);
    // Runs on the window thread when the bus dies there: what the thread would do on its way out.
    void end_window_thread_here();
    void release_registrations();

    std::vector<std::shared_ptr<IHardwareDevice>> EnumerateInterfaces(const GUID& interface_class);
    // Sends a request to the window; false when it did not run.
    bool send_request(Request& request, const char* failure_text);

    HDEVNOTIFY registerInterfaceNotification_worker(const GUID& interface_class);
    void unregisterInterfaceNotification_worker(HDEVNOTIFY notification);
    HDEVNOTIFY registerDeviceNotificationAndTakeOwnershipOfHandle_worker(HANDLE file);
    void unregisterDeviceNotificationAndCloseTrackedHandle_worker(HDEVNOTIFY notification,
                                                                  HANDLE file);
    // Closes a tracked handle; the tracked-handle mutex is held.
    void close_tracked_locked(const char* where, HANDLE tracked, HANDLE file);

    // Produces onUnplug for a fresh device of the path unless its removal was announced already.
    void announce_unplug(const std::string& path);
    void forget_unplug(const std::string& path);

    const std::weak_ptr<IDeviceManager> manager_;
    std::atomic<HWND> window_{};
    std::thread window_thread_;
    std::mutex window_started_mutex_;
    std::condition_variable window_started_condition_;
    bool window_started_ = false;         // guarded by window_started_mutex_
    bool window_thread_ended_ = false;    // guarded by window_started_mutex_; its body has ended
    LastError window_failure_;            // guarded by window_started_mutex_
    std::shared_ptr<Win32System> system_; // set once, before the window thread starts
    GUID hid_class_;                      // set with system_

    std::mutex tracked_mutex_;
    std::map<HDEVNOTIFY, HANDLE> tracked_handles_; // INVALID_HANDLE_VALUE: closed already
    std::set<HDEVNOTIFY> interface_notifications_; // window thread only
    std::mutex unplugged_mutex_;
    std::set<std::string> unplugged_; // paths whose removal was announced

    std::mutex start_mutex_;
    bool started_ = false; // guarded by start_mutex_
};

} // namespace devio
