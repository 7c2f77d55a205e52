#include "Source/Windows/Win32Bus.h"

#include <exception>

#include "Source/Contracts/IDeviceManager.h"
#include "Source/Log/DevioException.h"
#include "Source/Log/xLog.h"
#include "Source/System/Clock.h"
#include "Source/Windows/BluetoothMicrosoftBus.h"
#include "Source/Windows/DeviceInfoSetGuard.h"
#include "Source/Windows/InterfaceDetail.h"
#include "Source/Windows/WideText.h"
#include "Source/Windows/Win32Device.h"
#include "Source/Windows/Win32System.h"
#include "Source/Windows/Win32SystemChoice.h"

namespace devio {
namespace {

const char* const kTag = "Win32Bus";

// The loader of the window thread: the static window procedure reaches it through the thread it
// runs on, the bus through the window's user data.
thread_local Win32System* window_thread_system = nullptr;
// Set on the window thread when the bus is destroyed there: the thread then ends without
// touching the bus again.
thread_local bool bus_destroyed_on_this_thread = false;

const char* device_change_name(DWORD event) {
    switch (event) {
    case DBT_DEVICEARRIVAL:
        return "DBT_DEVICEARRIVAL";
    case DBT_DEVICEQUERYREMOVE:
        return "DBT_DEVICEQUERYREMOVE";
    case DBT_DEVICEQUERYREMOVEFAILED:
        return "DBT_DEVICEQUERYREMOVEFAILED";
    case DBT_DEVICEREMOVEPENDING:
        return "DBT_DEVICEREMOVEPENDING";
    case DBT_DEVICEREMOVECOMPLETE:
        return "DBT_DEVICEREMOVECOMPLETE";
    default:
        return nullptr;
    }
}

} // namespace

std::shared_ptr<Win32Bus> Win32Bus::create(std::weak_ptr<IDeviceManager> manager) {
    std::shared_ptr<Win32Bus> bus(new Win32Bus(std::move(manager)));
    bus->init();
    return bus;
}

Win32Bus::Win32Bus(std::weak_ptr<IDeviceManager> manager) : manager_(std::move(manager)) {}

void Win32Bus::init() {
    bool items[3] = {false, false, false};
    if (std::shared_ptr<IDeviceManager> manager = manager_.lock()) {
        for (unsigned item = 0; item < 3; ++item) {
            if (!manager->config_get(item, &items[item])) {
                items[item] = false; // an item the manager does not keep counts as off
            }
        }
    }
    xLogWrite(kTag, kLogInfo, "devio::Win32Bus::init",
              "Win32Bus::init bluetooth_active=%d ble_active=%d ble_monitor=%d", items[0], items[1],
              items[2]);
    makeBluetoothBusses(items[0], items[1], items[2]);
}

void Win32Bus::makeBluetoothBusses(bool bluetooth_active, bool ble_active, bool /*ble_monitor*/) {
    bluetooth_busses_.push_back(
        std::make_shared<BluetoothMicrosoftBus>(bluetooth_active || ble_active));
}

std::shared_ptr<Win32System> Win32Bus::makeWin32System() {
    return Win32SystemChoice::make();
}

std::vector<std::shared_ptr<IBluetoothBus>> Win32Bus::bluetooth_busses() {
    return bluetooth_busses_;
}

std::vector<std::shared_ptr<IHardwareSecondaryBus>> Win32Bus::secondary_busses() {
    return secondary_busses_;
}

// Start and the window thread

bool Win32Bus::lazyStart(HWND* window, std::shared_ptr<Win32System>* system) {
    const char* where = "devio::Win32Bus::lazyStart";
    std::lock_guard start(start_mutex_);
    if (started_) {
        xLogWrite(kTag, kLogInfo, where, "Win32Bus::lazyStart already started");
    } else {
        xLogWrite(kTag, kLogInfo, where, "Win32Bus::lazyStart performing startup");
        try {
            if (!system_) {
                std::shared_ptr<Win32System> made = makeWin32System();
                made->HidD_GetHidGuid(&hid_class_);
                system_ = std::move(made);
            }
        } catch (const DevioException& e) {
            xLogWrite(kTag, kLogWarning, where, "Win32Bus::lazyStart exception %s", e.what());
            e.store_as_last_error();
            return false;
        }
        bool thread_alive;
        {
            std::lock_guard lock(window_started_mutex_);
            thread_alive = window_thread_.joinable() && !window_thread_ended_;
        }
        if (!thread_alive) {
            if (window_thread_.joinable()) {
                window_thread_.join(); // an earlier start whose window could not be made
            }
            {
                std::lock_guard lock(window_started_mutex_);
                window_started_ = false;
                window_thread_ended_ = false;
                window_failure_ = {};
            }
            window_thread_ = std::thread(&Win32Bus::window_thread_static, this);
        }
        xLogWrite(kTag, kLogInfo, where, "Win32Bus::lazyStart waiting");
        std::unique_lock lock(window_started_mutex_);
        sys::Clock::wait_for(window_started_condition_, lock, kWindowStartTimeoutMs,
                             [&] { return window_started_ || window_thread_ended_; });
        if (!window_started_) {
            LastError failure = window_failure_;
            if (failure.code == ErrorCode::NoError) {
                failure = {ErrorCode::WindowThreadFailed, 0, "window thread did not start"};
            }
            xLogWrite(kTag, kLogWarning, where,
                      "Win32Bus::lazyStart window thread did not start, err=%u",
                      to_underlying(failure.code));
            set_last_error(failure);
            return false;
        }
        started_ = true;
    }
    if (window != nullptr) {
        *window = window_.load();
    }
    if (system != nullptr) {
        *system = system_;
    }
    xLogWrite(kTag, kLogInfo, where, "Win32Bus::lazyStart exit");
    return true;
}

void Win32Bus::window_thread_static(Win32Bus* bus) {
    const char* where = "devio::Win32Bus::window_thread_static";
    xLogWrite(kTag, kLogInfo, where, "Win32Bus::window_thread_static start");
    try {
        bus->window_thread();
    } catch (const std::exception& e) {
        xLogWrite(kTag, kLogWarning, where, "Win32Bus::window_thread_static exception");
        LastError failure{ErrorCode::WindowThreadFailed, 0, nullptr};
        if (const auto* devio_exception = dynamic_cast<const DevioException*>(&e)) {
            failure = {devio_exception->code(), devio_exception->syserr(),
                       devio_exception->message()};
        }
        {
            std::lock_guard lock(bus->window_started_mutex_);
            bus->window_failure_ = failure;
        }
        set_last_error(ErrorCode::WindowThreadFailed, failure.syserr, failure.message);
        if (std::shared_ptr<IDeviceManager> manager = bus->manager_.lock()) {
            manager->report_unreported_error("Win32Bus::window_thread_static");
        }
    }
    if (bus_destroyed_on_this_thread) {
        // The bus is gone; its destructor did the thread's work.
        xLogWrite(kTag, kLogInfo, where, "Win32Bus::window_thread_static end");
        return;
    }
    {
        std::lock_guard lock(bus->window_started_mutex_);
        bus->window_thread_ended_ = true;
    }
    bus->window_started_condition_.notify_all();
    xLogWrite(kTag, kLogInfo, where, "Win32Bus::window_thread_static end");
}

void Win32Bus::window_thread() {
    const char* where = "devio::Win32Bus::window_thread";
    // The thread keeps the loader: the bus may die on this thread while a message is handled.
    std::shared_ptr<Win32System> system = system_;
    window_thread_system = system.get();
    WNDCLASSW window_class;
    window_class.lpfnWndProc = &Win32Bus::window_procedure;
    window_class.lpszClassName = kWindowClass;
    system->RegisterClassW(&window_class); // every bus of the process shares the class
    HWND window = system->CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, kWindowClass, WS_POPUP, 0,
                                          0, 0, 0, HWND{}, HMENU{}, HINSTANCE{}, this);
    if (window == HWND{}) {
        DWORD error = system->GetLastError();
        xLogWrite(kTag, kLogInfo, where, "Win32Bus::window_thread CreateWindowEx failed, err=%d",
                  static_cast<int>(error));
        throw DevioException(ErrorCode::WindowCreationFailed, error, "could not create window");
    }
    window_.store(window);
    system->ShowWindow(window, SW_HIDE);
    if (registerInterfaceNotification_worker(hid_class_) == HDEVNOTIFY{}) {
        if (std::shared_ptr<IDeviceManager> manager = manager_.lock()) {
            manager->report_unreported_error("Win32Bus::window_thread");
        } else {
            xLogWrite(kTag, kLogInfo, where, "Win32Bus::window_thread could not lock manager");
        }
    }
    {
        std::lock_guard lock(window_started_mutex_);
        window_started_ = true;
    }
    window_started_condition_.notify_all();

    // Sent messages run inside GetMessageW, posted ones in DispatchMessageW: the bus may die in
    // either.
    MSG message;
    while (system->GetMessageW(&message, HWND{}, 0, 0) > 0 && !bus_destroyed_on_this_thread) {
        system->DispatchMessageW(&message);
        if (bus_destroyed_on_this_thread) {
            return;
        }
    }
    if (bus_destroyed_on_this_thread) {
        return;
    }
    release_registrations();
    window_.store(HWND{});
    xLogWrite(kTag, kLogInfo, where, "Win32Bus::window_thread end");
}

void Win32Bus::release_registrations() {
    for (HDEVNOTIFY notification : std::set<HDEVNOTIFY>(interface_notifications_)) {
        unregisterInterfaceNotification_worker(notification);
    }
    std::map<HDEVNOTIFY, HANDLE> tracked;
    {
        std::lock_guard lock(tracked_mutex_);
        tracked = tracked_handles_;
    }
    for (const auto& [notification, file] : tracked) {
        unregisterDeviceNotificationAndCloseTrackedHandle_worker(notification, file);
    }
}

bool Win32Bus::on_subscribe(IHardwareBus::PlugUnplug*) {
    if (!lazyStart()) {
        xLogWrite(kTag, kLogWarning, "devio::Win32Bus::on_subscribe",
                  "Win32Bus::on_subscribe exception");
        return false;
    }
    return true;
}

// The window procedure

LRESULT Win32Bus::window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    Win32System* system = window_thread_system;
    if (system == nullptr) {
        return 0;
    }
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        system->SetWindowLongPtrW(window, GWLP_USERDATA,
                                  reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* bus = reinterpret_cast<Win32Bus*>(system->GetWindowLongPtrW(window, GWLP_USERDATA));
    if (bus == nullptr) {
        return 0;
    }
    try {
        return bus->procedure(window, message, wparam, lparam);
    } catch (const std::exception& e) {
        xLogWrite(kTag, kLogWarning, "devio::Win32Bus::WindowProc",
                  "Win32Bus::WindowProc exception %s", e.what());
        return 0;
    }
}

LRESULT Win32Bus::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const char* where = "devio::Win32Bus::WindowProc";
    // Held while the message is handled, so that a handler dropping the last other reference
    // destroys the bus only once the message is done. Empty while the bus is being destroyed.
    std::shared_ptr<Win32Bus> self = weak_from_this().lock();
    switch (message) {
    case WM_DESTROY:
        xLogWrite(kTag, kLogInfo, where, "Win32Bus WM_DESTROY");
        system_->PostQuitMessage(0);
        return 0;
    case WM_POWERBROADCAST:
        if (wparam == PBT_APMRESUMEAUTOMATIC) {
            xLogWrite(kTag, kLogInfo, where, "Win32Bus WM_POWERBROADCAST - PBT_APMRESUMEAUTOMATIC");
            if (self) {
                produce(
                    [](IHardwareBus::PlugUnplug* subscriber) { subscriber->onPowerChange(false); },
                    "Win32Bus::PlugUnplug::onPowerChange");
            }
            return TRUE;
        }
        return 0;
    case WM_DEVICECHANGE:
        xLogWrite(kTag, kLogInfo, where, "Win32Bus WM_DEVICECHANGE enter");
        try {
            processDeviceChange(static_cast<DWORD>(wparam),
                                reinterpret_cast<const DEV_BROADCAST_HDR*>(lparam));
        } catch (const std::exception&) {
            xLogWrite(kTag, kLogWarning, where, "Win32Bus WM_DEVICECHANGE exception");
        }
        xLogWrite(kTag, kLogInfo, where, "Win32Bus WM_DEVICECHANGE exit");
        return 0;
    case WM_USER: {
        auto* request = reinterpret_cast<Request*>(lparam);
        if (wparam != kRequestSize || request == nullptr || request->size != kRequestSize) {
            xLogWrite(kTag, kLogInfo, where,
                      "Win32Bus::WindowProc got WM_USER with unexpected parameters");
            return 0;
        }
        xLogWrite(kTag, kLogInfo, where,
                  "Win32Bus::WindowProc processing WM_USER, ishandle=%d, unregister=%d",
                  request->is_handle, request->unregister);
        process_request(*request);
        xLogWrite(kTag, kLogInfo, where, "Win32Bus::WindowProc done processing WM_USER");
        return 0;
    }
    default:
        return system_->DefWindowProcW(window, message, wparam, lparam);
    }
}

void Win32Bus::process_request(Request& request) {
    bool is_handle = request.is_handle != 0;
    if (request.unregister != 0) {
        if (is_handle) {
            unregisterDeviceNotificationAndCloseTrackedHandle_worker(request.notification,
                                                                     request.file);
        } else {
            unregisterInterfaceNotification_worker(request.interface_notification);
        }
        return;
    }
    HDEVNOTIFY registered =
        is_handle ? registerDeviceNotificationAndTakeOwnershipOfHandle_worker(request.file)
                  : registerInterfaceNotification_worker(request.interface_class);
    (is_handle ? request.notification : request.interface_notification) = registered;
    if (registered == HDEVNOTIFY{}) {
        request.error_code = to_underlying(last_error().code);
        request.system_error = last_error().syserr;
    }
}

void Win32Bus::processDeviceChange(DWORD event, const DEV_BROADCAST_HDR* header) {
    const char* where = "devio::Win32Bus::processDeviceChange";
    if (const char* name = device_change_name(event)) {
        xLogWrite(kTag, kLogInfo, where, "Win32Bus::processDeviceChange %s", name);
    } else {
        xLogWrite(kTag, kLogInfo, where, "Win32Bus::processDeviceChange DBT=%d",
                  static_cast<int>(event));
    }
    std::shared_ptr<Win32Bus> self = weak_from_this().lock();
    const auto* interface =
        header != nullptr && header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE
            ? static_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header)
            : nullptr;
    bool of_hid = interface != nullptr && interface->dbcc_classguid == hid_class_ &&
                  interface->dbcc_name != nullptr;
    if ((event == DBT_DEVICEARRIVAL || event == DBT_DEVICEQUERYREMOVEFAILED) && header != nullptr) {
        if (interface != nullptr) {
            xLogWrite(kTag, kLogInfo, where,
                      "Win32Bus::processDeviceChange arrive type=DBT_DEVTYP_DEVICEINTERFACE");
            if (of_hid) {
                std::string path = narrow(interface->dbcc_name);
                xLogWrite(kTag, kLogInfo, where, "-hid- arrive HID interface, path=%s",
                          path.c_str());
                if (self) {
                    std::shared_ptr<IHardwareDevice> device =
                        std::make_shared<Win32Device>(self, system_, path, 0);
                    forget_unplug(path);
                    xLogWrite(kTag, kLogInfo, where,
                              "Win32Bus::processDeviceChange arrive producing onPlug event");
                    produce(
                        [device](IHardwareBus::PlugUnplug* subscriber) {
                            subscriber->onPlug(device);
                        },
                        "Win32Bus::PlugUnplug::onPlug");
                }
            }
        } else {
            xLogWrite(kTag, kLogInfo, where, "Win32Bus::processDeviceChange arrive type=%d",
                      static_cast<int>(header->dbch_devicetype));
        }
    } else if ((event == DBT_DEVICEQUERYREMOVE || event == DBT_DEVICEREMOVEPENDING ||
                event == DBT_DEVICEREMOVECOMPLETE) &&
               header != nullptr) {
        if (header->dbch_devicetype == DBT_DEVTYP_HANDLE) {
            const auto* handle = static_cast<const DEV_BROADCAST_HANDLE*>(header);
            xLogWrite(kTag, kLogInfo, where, "-hid- remove type=DBT_DEVTYP_HANDLE, handle=%08x",
                      static_cast<unsigned>(handle->dbch_handle));
            closeTrackedHandle(handle->dbch_hdevnotify, handle->dbch_handle);
        } else if (of_hid) {
            std::string path = narrow(interface->dbcc_name);
            xLogWrite(kTag, kLogInfo, where,
                      "Win32Bus::processDeviceChange remove type=DBT_DEVTYP_DEVICEINTERFACE");
            xLogWrite(kTag, kLogInfo, where, "-hid- remove HID interface, path=%s", path.c_str());
            if (self) {
                xLogWrite(kTag, kLogInfo, where,
                          "Win32Bus::processDeviceChange remove producing onUnplug event");
                announce_unplug(path);
            }
        } else {
            xLogWrite(kTag, kLogInfo, where, "Win32Bus::processDeviceChange remove type=%d",
                      static_cast<int>(header->dbch_devicetype));
        }
    }
    for (const auto& bluetooth : bluetooth_busses_) {
        bluetooth->process_wm_devicechange(event, header);
    }
    for (const auto& secondary : secondary_busses_) {
        try {
            secondary->process_wm_devicechange(event, header);
        } catch (const std::exception&) {
            xLogWrite(kTag, kLogWarning, where,
                      "Win32Bus WM_DEVICECHANGE secondary_busses exception");
        }
    }
}

// Unplug announcements

void Win32Bus::announce_unplug(const std::string& path) {
    {
        std::lock_guard lock(unplugged_mutex_);
        if (!unplugged_.insert(path).second) {
            xLogWrite(kTag, kLogInfo, "devio::Win32Bus::announce_unplug",
                      "Win32Bus removal of %s announced already", path.c_str());
            return;
        }
    }
    std::shared_ptr<IHardwareDevice> device =
        std::make_shared<Win32Device>(weak_from_this(), system_, path, 0);
    produce([device](IHardwareBus::PlugUnplug* subscriber) { subscriber->onUnplug(device); },
            "Win32Bus::PlugUnplug::onUnplug");
}

void Win32Bus::forget_unplug(const std::string& path) {
    std::lock_guard lock(unplugged_mutex_);
    unplugged_.erase(path);
}

void Win32Bus::read_failed_with_disconnect_error(const std::string& path) {
    xLogWrite(kTag, kLogInfo, "devio::Win32Bus::read_failed_with_disconnect_error",
              "Win32Bus::read_failed_with_disconnect_error producing onUnPlug event");
    announce_unplug(path);
}

// Enumeration

std::vector<std::shared_ptr<IHardwareDevice>> Win32Bus::devices() {
    const char* where = "devio::Win32Bus::devices";
    if (!lazyStart()) {
        xLogWrite(kTag, kLogInfo, where, "Win32Bus::devices exit, returning 0 devices");
        return {};
    }
    std::vector<std::shared_ptr<IHardwareDevice>> found;
    try {
        found = EnumerateInterfaces(hid_class_);
    } catch (const DevioException& e) {
        xLogWrite(kTag, kLogWarning, where, "Win32Bus::devices exception");
        e.store_as_last_error();
        return {};
    }
    if (found.empty()) {
        set_last_error(ErrorCode::NoError);
    }
    xLogWrite(kTag, kLogInfo, where, "Win32Bus::devices exit, returning %d devices",
              static_cast<int>(found.size()));
    return found;
}

std::vector<std::shared_ptr<IHardwareDevice>>
Win32Bus::EnumerateInterfaces(const GUID& interface_class) {
    const char* where = "devio::Win32Bus::EnumerateInterfaces";
    Win32System& system = *system_;
    HDEVINFO set = system.SetupDiGetClassDevsW(&interface_class, nullptr, HWND{},
                                               DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        DWORD error = system.GetLastError();
        xLogWrite(kTag, kLogWarning, where, "Win32Bus::_SetupDiGetClassDevs failed, err=%d",
                  static_cast<int>(error));
        throw DevioException(ErrorCode::DeviceEnumerationFailed, error,
                             "SetupDiGetClassDevs failed");
    }
    DeviceInfoSetGuard guard(system, set, [] {
        xLogWrite(kTag, kLogInfo, "devio::Win32Bus::EnumerateInterfaces",
                  "Win32Bus::_SetupDiDestroyDeviceInfoList");
    });
    std::vector<std::shared_ptr<IHardwareDevice>> found;
    SP_DEVICE_INTERFACE_DATA data;
    for (DWORD index = 0;
         system.SetupDiEnumDeviceInterfaces(set, nullptr, &interface_class, index, &data);
         ++index) {
        std::string path;
        switch (read_interface_path(system, set, &data, &path)) {
        case InterfaceDetailResult::ProbeFailed:
            throw DevioException(ErrorCode::DeviceEnumerationFailed, system.GetLastError(),
                                 "SetupDiGetDeviceInterfaceDetail probe failed");
        case InterfaceDetailResult::FetchFailed:
            throw DevioException(ErrorCode::DeviceEnumerationFailed, system.GetLastError(),
                                 "SetupDiGetDeviceInterfaceDetail failed");
        case InterfaceDetailResult::Read:
            break;
        }
        auto device = std::make_shared<Win32Device>(weak_from_this(), system_, path, 0);
        if (device->open()) {
            device->close();
            forget_unplug(path);
            found.push_back(std::move(device));
            xLogWrite(kTag, kLogInfo, where, "Win32Bus::EnumerateInterfaces adding device to list");
        } else {
            xLogWrite(kTag, kLogInfo, where,
                      "Win32Bus::EnumerateInterfaces ignoring device it could not open");
        }
    }
    DWORD error = system.GetLastError();
    if (error != ERROR_NO_MORE_ITEMS) {
        throw DevioException(ErrorCode::DeviceEnumerationFailed, error,
                             "SetupDiEnumDeviceInterfaces failed");
    }
    return found;
}

bool Win32Bus::verify_device_exists(const std::string& path) {
    const char* where = "devio::Win32Bus::verify_device_exists";
    for (const auto& device : devices()) {
        if (device->path() == path) {
            xLogWrite(kTag, kLogInfo, where,
                      "Win32Bus::verify_device_exists - device is present: %s", path.c_str());
            return true;
        }
    }
    xLogWrite(kTag, kLogInfo, where, "Win32Bus::verify_device_exists - device was lost: %s",
              path.c_str());
    read_failed_with_disconnect_error(path);
    return false;
}

// Cross-thread requests

bool Win32Bus::send_request(Request& request, const char* failure_text) {
    HWND window = window_.load();
    DWORD_PTR answer = 0;
    if (window == HWND{} || system_->SendMessageTimeoutW(
                                window, WM_USER, kRequestSize, reinterpret_cast<LPARAM>(&request),
                                SMTO_BLOCK, kRequestTimeoutMs, &answer) == 0) {
        xLogWrite(kTag, kLogInfo, "devio::Win32Bus::send_request", "%s", failure_text);
        return false;
    }
    return true;
}

HDEVNOTIFY Win32Bus::registerInterfaceNotification() {
    if (window_.load() == HWND{}) {
        xLogWrite(kTag, kLogInfo, "devio::Win32Bus::registerInterfaceNotification",
                  "registerInterfaceNotification no hwnd");
        set_last_error(ErrorCode::Unavailable);
        return HDEVNOTIFY{};
    }
    Request request;
    request.interface_class = GUID_BTHPORT_DEVICE_INTERFACE;
    if (!send_request(request, "-hid- SendMessageTimeout failed or timed out")) {
        set_last_error(ErrorCode::InterfaceNotificationFailed, system_->GetLastError());
        return HDEVNOTIFY{};
    }
    if (request.interface_notification == HDEVNOTIFY{}) {
        set_last_error(static_cast<ErrorCode>(request.error_code), request.system_error);
    }
    return request.interface_notification;
}

void Win32Bus::unregisterInterfaceNotification(HDEVNOTIFY notification) {
    if (window_.load() == HWND{}) {
        xLogWrite(kTag, kLogInfo, "devio::Win32Bus::unregisterInterfaceNotification",
                  "unregisterInterfaceNotification no hwnd");
        return;
    }
    Request request;
    request.unregister = 1;
    request.interface_notification = notification;
    send_request(request, "-hid- SendMessageTimeout failed or timed out");
}

HDEVNOTIFY Win32Bus::registerDeviceNotificationAndTakeOwnershipOfHandle(HANDLE file) {
    if (window_.load() == HWND{}) {
        xLogWrite(kTag, kLogInfo,
                  "devio::Win32Bus::registerDeviceNotificationAndTakeOwnershipOfHandle",
                  "registerDeviceNotificationAndTakeOwnershipOfHandle no hwd");
        set_last_error(ErrorCode::Unavailable);
        return HDEVNOTIFY{};
    }
    Request request;
    request.is_handle = 1;
    request.file = file;
    if (!send_request(request, "-hid- SendMessageTimeout failed or timed out")) {
        set_last_error(ErrorCode::RegisterNotificationFailed, system_->GetLastError(),
                       "RegisterDeviceNotification");
        return HDEVNOTIFY{};
    }
    if (request.notification == HDEVNOTIFY{}) {
        set_last_error(static_cast<ErrorCode>(request.error_code), request.system_error,
                       "RegisterDeviceNotification");
    }
    return request.notification;
}

void Win32Bus::unregisterDeviceNotificationAndCloseTrackedHandle(HDEVNOTIFY notification,
                                                                 HANDLE file) {
    if (window_.load() == HWND{}) {
        xLogWrite(kTag, kLogInfo,
                  "devio::Win32Bus::unregisterDeviceNotificationAndCloseTrackedHandle",
                  "unregisterDeviceNotificationAndCloseTrackedHandle no hwnd");
        return;
    }
    Request request;
    request.is_handle = 1;
    request.unregister = 1;
    request.notification = notification;
    request.file = file;
    send_request(request, "Win32Bus::unregisterDeviceNotificationAndCloseTrackedHandle "
                          "SendMessageTimeout failed or timed out");
}

// Workers: window thread only

HDEVNOTIFY Win32Bus::registerInterfaceNotification_worker(const GUID& interface_class) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter;
    filter.dbch_size = sizeof(filter);
    filter.dbch_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = interface_class;
    HDEVNOTIFY notification =
        system_->RegisterDeviceNotificationW(window_.load(), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (notification == HDEVNOTIFY{}) {
        DWORD error = system_->GetLastError();
        xLogWrite(kTag, kLogInfo, "devio::Win32Bus::registerInterfaceNotification_worker",
                  "-hid- RegisterDeviceNotification_worker failed, syserr=%d",
                  static_cast<int>(error));
        set_last_error(ErrorCode::InterfaceNotificationFailed, error);
        return HDEVNOTIFY{};
    }
    interface_notifications_.insert(notification);
    return notification;
}

void Win32Bus::unregisterInterfaceNotification_worker(HDEVNOTIFY notification) {
    if (interface_notifications_.erase(notification) == 1) {
        system_->UnregisterDeviceNotification(notification);
    }
}

HDEVNOTIFY Win32Bus::registerDeviceNotificationAndTakeOwnershipOfHandle_worker(HANDLE file) {
    const char* where =
        "devio::Win32Bus::registerDeviceNotificationAndTakeOwnershipOfHandle_worker";
    DEV_BROADCAST_HANDLE filter;
    filter.dbch_size = sizeof(filter);
    filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
    filter.dbch_handle = file;
    HDEVNOTIFY notification =
        system_->RegisterDeviceNotificationW(window_.load(), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (notification == HDEVNOTIFY{}) {
        DWORD error = system_->GetLastError();
        xLogWrite(kTag, kLogError, where,
                  "registerDeviceNotificationAndTakeOwnershipOfHandle_worker: "
                  "RegisterDeviceNotification failed, err=%d",
                  static_cast<int>(error));
        set_last_error(ErrorCode::RegisterNotificationFailed, error, "RegisterDeviceNotification");
        return HDEVNOTIFY{};
    }
    std::lock_guard lock(tracked_mutex_);
    auto tracked = tracked_handles_.find(notification);
    if (tracked != tracked_handles_.end()) {
        xLogWrite(kTag, kLogError, where,
                  "registerDeviceNotificationAndTakeOwnershipOfHandle_worker: new notif %p to "
                  "track handle %p already tracking handle %p",
                  handle_ptr(notification), handle_ptr(file), handle_ptr(tracked->second));
    }
    tracked_handles_[notification] = file;
    return notification;
}

void Win32Bus::close_tracked_locked(const char* where, HANDLE tracked, HANDLE file) {
    if (tracked != file) {
        xLogWrite(kTag, kLogInfo, where, "closeTrackedHandle mismatch (tracked=%p, actual=%p)",
                  handle_ptr(tracked), handle_ptr(file));
    }
    if (system_->CloseHandle(file)) {
        xLogWrite(kTag, kLogInfo, where, "closed handle %p", handle_ptr(file));
    } else {
        xLogWrite(kTag, kLogInfo, where, "-hid- CloseHandle failed, err=%d",
                  static_cast<int>(system_->GetLastError()));
    }
}

void Win32Bus::unregisterDeviceNotificationAndCloseTrackedHandle_worker(HDEVNOTIFY notification,
                                                                        HANDLE file) {
    const char* where = "devio::Win32Bus::unregisterDeviceNotificationAndCloseTrackedHandle_worker";
    if (notification == HDEVNOTIFY{} || file == HANDLE{}) {
        xLogWrite(kTag, kLogInfo, where,
                  "unregisterDeviceNotificationAndCloseTrackedHandle_worker: NULL value "
                  "(hNotification=%p, handle=%p)",
                  handle_ptr(notification), handle_ptr(file));
        return;
    }
    std::lock_guard lock(tracked_mutex_);
    auto tracked = tracked_handles_.find(notification);
    if (tracked == tracked_handles_.end()) {
        xLogWrite(kTag, kLogInfo, where,
                  "unregisterDeviceNotificationAndCloseTrackedHandle_worker hNotification not "
                  "tracked");
        return;
    }
    if (tracked->second != INVALID_HANDLE_VALUE) {
        close_tracked_locked(where, tracked->second, file);
    }
    if (!system_->UnregisterDeviceNotification(notification)) {
        xLogWrite(kTag, kLogInfo, where,
                  "unregisterDeviceNotificationAndCloseTrackedHandle_worker unregister failed, "
                  "err=%d",
                  static_cast<int>(system_->GetLastError()));
    }
    tracked_handles_.erase(tracked);
}

void Win32Bus::closeTrackedHandle(HDEVNOTIFY notification, HANDLE file) {
    const char* where = "devio::Win32Bus::closeTrackedHandle";
    if (notification == HDEVNOTIFY{} || file == HANDLE{}) {
        xLogWrite(kTag, kLogInfo, where,
                  "closeTrackedHandle: NULL value (hNotification=%px, handle=%p)",
                  handle_ptr(notification), handle_ptr(file));
        return;
    }
    std::lock_guard lock(tracked_mutex_);
    auto tracked = tracked_handles_.find(notification);
    if (tracked == tracked_handles_.end()) {
        xLogWrite(kTag, kLogInfo, where, "closeTrackedHandle hNotification not tracked");
        return;
    }
    if (tracked->second == INVALID_HANDLE_VALUE) {
        xLogWrite(kTag, kLogInfo, where, "handle %p already closed", handle_ptr(file));
        return;
    }
    close_tracked_locked(where, tracked->second, file);
    tracked->second = INVALID_HANDLE_VALUE;
}

bool Win32Bus::verifyDeviceNotificationHandleOpen(HDEVNOTIFY notification, HANDLE file) {
    const char* where = "devio::Win32Bus::verifyDeviceNotificationHandleOpen";
    std::lock_guard lock(tracked_mutex_);
    auto tracked = tracked_handles_.find(notification);
    HANDLE now = tracked == tracked_handles_.end() ? INVALID_HANDLE_VALUE : tracked->second;
    if (now == file) {
        xLogWrite(kTag, kLogInfo, where, "handle %p still open", handle_ptr(file));
        return true;
    }
    xLogWrite(kTag, kLogInfo, where, "handle %p is closed (now %p)", handle_ptr(file),
              handle_ptr(now));
    return false;
}

// Destruction

void Win32Bus::end_window_thread_here() {
    // The thread's own way out: destroy the window, give up every registration and handle, and
    // let the thread go, which returns from its message loop without touching the bus.
    HWND window = window_.exchange(HWND{});
    if (window != HWND{}) {
        system_->DestroyWindow(window);
    }
    release_registrations();
    bus_destroyed_on_this_thread = true;
    window_thread_.detach();
}

Win32Bus::~Win32Bus() {
    const char* where = "devio::Win32Bus::~Win32Bus";
    xLogWrite(kTag, kLogInfo, where, "Win32Bus::~Win32Bus enter");
    if (window_thread_.joinable() && window_thread_.get_id() == std::this_thread::get_id()) {
        xLogWrite(kTag, kLogInfo, where, "Win32Bus::~Win32Bus on its window thread");
        end_window_thread_here();
    } else {
        if (window_thread_.joinable()) {
            // A start that gave up waiting may have left the thread still making its window:
            // wait until it has one (or has failed), so that the close below reaches it.
            std::unique_lock lock(window_started_mutex_);
            window_started_condition_.wait(lock,
                                           [&] { return window_started_ || window_thread_ended_; });
        }
        if (HWND window = window_.load(); window != HWND{}) {
            system_->PostMessageW(window, WM_CLOSE, 0, 0);
        }
        xLogWrite(kTag, kLogInfo, where, "Win32Bus::~Win32Bus joining thread");
        if (window_thread_.joinable()) {
            try {
                window_thread_.join();
            } catch (const std::exception&) {
                // The thread is gone either way.
            }
        }
    }
    xLogWrite(kTag, kLogInfo, where, "Win32Bus::~Win32Bus exit");
}

} // namespace devio
