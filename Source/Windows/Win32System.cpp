#include "Source/Windows/Win32System.h"

#include <cerrno>
#include <memory>
#include <vector>

#include "Source/Log/DevioException.h"
#include "Source/Log/xLog.h"
#include "Source/System/MessageWindows.h"
#include "Source/System/SystemError.h"
#include "Source/Windows/DeviceInfoSetGuard.h"
#include "Source/Windows/InterfaceDetail.h"
#include "Source/Windows/WideText.h"
#include "Source/Windows/Win32LastError.h"
#include "Source/Windows/WindowHandle.h"

namespace devio {

// Messages pass unchanged between the two layers.
static_assert(WM_NULL == sys::wm::Null && WM_CREATE == sys::wm::Create &&
              WM_DESTROY == sys::wm::Destroy && WM_CLOSE == sys::wm::Close &&
              WM_QUIT == sys::wm::Quit && WM_NCCREATE == sys::wm::NcCreate &&
              WM_POWERBROADCAST == sys::wm::PowerBroadcast &&
              WM_DEVICECHANGE == sys::wm::DeviceChange && WM_USER == sys::wm::User);

namespace {

const char* const kTag = "Untagged";

// The system error for a failure of the message windows (an errno value).
DWORD error_of_message_windows() {
    switch (sys::last_system_error()) {
    case ESRCH:
        return ERROR_INVALID_WINDOW_HANDLE;
    case ETIMEDOUT:
        return ERROR_TIMEOUT;
    case EPERM:
        return ERROR_ACCESS_DENIED;
    case ECANCELED:
        return ERROR_OPERATION_ABORTED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

// Runs `step` on a new, empty device-information set that is destroyed afterwards: the step's
// result, or empty when the set cannot be made or a library is missing.
template <class Step>
std::string in_new_set(Win32System& system, const char* where, Step step) {
    try {
        HDEVINFO set = system.SetupDiCreateDeviceInfoList(nullptr, HWND{});
        if (set == INVALID_HANDLE_VALUE) {
            xLogWrite(kTag, kLogInfo, where, "SetupDiCreateDeviceInfoList fail, err=0x%08x",
                      system.GetLastError());
            return {};
        }
        DeviceInfoSetGuard guard(system, set);
        return step(set);
    } catch (const DevioException& e) {
        xLogWrite(kTag, kLogWarning, where, "exception %s", e.what());
        return {};
    }
}

} // namespace

Win32System::Win32System() = default;
Win32System::~Win32System() = default;

void Win32System::throw_library_missing(Win32Library library) {
    switch (library) {
    case Win32Library::Hid:
        throw DevioException(ErrorCode::SystemFunctionMissing, ERROR_MOD_NOT_FOUND,
                             "LoadLibrary hid.dll failed");
    case Win32Library::SetupApi:
        throw DevioException(ErrorCode::SystemFunctionMissing, ERROR_MOD_NOT_FOUND,
                             "LoadLibrary setupapi.dll failed");
    case Win32Library::CfgMgr32:
        throw DevioException(ErrorCode::SystemFunctionMissing, ERROR_MOD_NOT_FOUND,
                             "LoadLibrary cfgmgr32.dll failed");
    case Win32Library::BthProps:
        throw DevioException(ErrorCode::SystemFunctionMissing, ERROR_MOD_NOT_FOUND,
                             "LoadLibrary bthprops.cpl failed");
    case Win32Library::BluetoothApis:
        break;
    }
    throw DevioException(ErrorCode::SystemFunctionMissing, ERROR_MOD_NOT_FOUND,
                         "LoadLibrary BluetoothApis.dll failed");
}

std::string Win32System::device_of_file(HANDLE) {
    return {};
}

// hid.dll: not on this platform

void Win32System::HidD_GetHidGuid(GUID*) {
    throw_library_missing(Win32Library::Hid);
}
BOOLEAN Win32System::HidD_GetAttributes(HANDLE, HIDD_ATTRIBUTES*) {
    throw_library_missing(Win32Library::Hid);
}
BOOLEAN Win32System::HidD_GetProductString(HANDLE, LPVOID, ULONG) {
    throw_library_missing(Win32Library::Hid);
}
BOOLEAN Win32System::HidD_GetPreparsedData(HANDLE, PHIDP_PREPARSED_DATA*) {
    throw_library_missing(Win32Library::Hid);
}
BOOLEAN Win32System::HidD_FreePreparsedData(PHIDP_PREPARSED_DATA) {
    throw_library_missing(Win32Library::Hid);
}
NTSTATUS Win32System::HidP_GetCaps(PHIDP_PREPARSED_DATA, HIDP_CAPS*) {
    throw_library_missing(Win32Library::Hid);
}
NTSTATUS Win32System::HidP_GetValueCaps(HIDP_REPORT_TYPE, HIDP_VALUE_CAPS*, USHORT*,
                                        PHIDP_PREPARSED_DATA) {
    throw_library_missing(Win32Library::Hid);
}
NTSTATUS Win32System::HidP_GetButtonCaps(HIDP_REPORT_TYPE, HIDP_BUTTON_CAPS*, USHORT*,
                                         PHIDP_PREPARSED_DATA) {
    throw_library_missing(Win32Library::Hid);
}
NTSTATUS Win32System::HidP_GetLinkCollectionNodes(HIDP_LINK_COLLECTION_NODE*, ULONG*,
                                                  PHIDP_PREPARSED_DATA) {
    throw_library_missing(Win32Library::Hid);
}

// Files and device notifications

HANDLE Win32System::CreateFileW(LPCWSTR path, DWORD, DWORD, LPVOID, DWORD, DWORD, HANDLE) {
    // Without a device layer there is no file to open.
    return fail_with(path == nullptr ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND,
                     INVALID_HANDLE_VALUE);
}

HDEVNOTIFY Win32System::RegisterDeviceNotificationW(HWND recipient, const DEV_BROADCAST_HDR* filter,
                                                    DWORD flags) {
    if (flags != DEVICE_NOTIFY_WINDOW_HANDLE || filter == nullptr) {
        return fail_with(ERROR_INVALID_PARAMETER, HDEVNOTIFY{});
    }
    if (!sys::MessageWindows::exists(window_id_of(recipient))) {
        return fail_with(ERROR_INVALID_WINDOW_HANDLE, HDEVNOTIFY{});
    }
    DeviceNotifications::Registration registration;
    registration.window = recipient;
    registration.type = filter->dbch_devicetype;
    if (filter->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE &&
        filter->dbch_size >= sizeof(DEV_BROADCAST_DEVICEINTERFACE_W)) {
        registration.interface_class =
            static_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(filter)->dbcc_classguid;
    } else if (filter->dbch_devicetype == DBT_DEVTYP_HANDLE &&
               filter->dbch_size >= sizeof(DEV_BROADCAST_HANDLE)) {
        registration.file = static_cast<const DEV_BROADCAST_HANDLE*>(filter)->dbch_handle;
        registration.device = device_of_file(registration.file);
        if (registration.device.empty()) {
            return fail_with(ERROR_INVALID_HANDLE, HDEVNOTIFY{});
        }
    } else {
        return fail_with(ERROR_INVALID_PARAMETER, HDEVNOTIFY{});
    }
    return notifications_.add(std::move(registration));
}

BOOL Win32System::UnregisterDeviceNotification(HDEVNOTIFY notification) {
    return notifications_.remove(notification) ? TRUE : fail_with(ERROR_INVALID_HANDLE, FALSE);
}

// setupapi.dll and cfgmgr32.dll: not on this platform

HDEVINFO Win32System::SetupDiCreateDeviceInfoList(const GUID*, HWND) {
    throw_library_missing(Win32Library::SetupApi);
}
BOOL Win32System::SetupDiOpenDeviceInterfaceW(HDEVINFO, LPCWSTR, DWORD, SP_DEVICE_INTERFACE_DATA*) {
    throw_library_missing(Win32Library::SetupApi);
}
BOOL Win32System::SetupDiEnumDeviceInfo(HDEVINFO, DWORD, SP_DEVINFO_DATA*) {
    throw_library_missing(Win32Library::SetupApi);
}
BOOL Win32System::SetupDiOpenDeviceInfoW(HDEVINFO, LPCWSTR, HWND, DWORD, SP_DEVINFO_DATA*) {
    throw_library_missing(Win32Library::SetupApi);
}
BOOL Win32System::SetupDiGetDevicePropertyW(HDEVINFO, SP_DEVINFO_DATA*, const DEVPROPKEY*,
                                            DEVPROPTYPE*, BYTE*, DWORD, DWORD*, DWORD) {
    throw_library_missing(Win32Library::SetupApi);
}
HDEVINFO Win32System::SetupDiGetClassDevsW(const GUID*, LPCWSTR, HWND, DWORD) {
    throw_library_missing(Win32Library::SetupApi);
}
BOOL Win32System::SetupDiDestroyDeviceInfoList(HDEVINFO) {
    throw_library_missing(Win32Library::SetupApi);
}
BOOL Win32System::SetupDiEnumDeviceInterfaces(HDEVINFO, SP_DEVINFO_DATA*, const GUID*, DWORD,
                                              SP_DEVICE_INTERFACE_DATA*) {
    throw_library_missing(Win32Library::SetupApi);
}
BOOL Win32System::SetupDiGetDeviceInterfaceDetailW(HDEVINFO, SP_DEVICE_INTERFACE_DATA*,
                                                   SP_DEVICE_INTERFACE_DETAIL_DATA_W*, DWORD,
                                                   DWORD*, SP_DEVINFO_DATA*) {
    throw_library_missing(Win32Library::SetupApi);
}

HMODULE Win32System::LoadCfgMgr32() {
    throw_library_missing(Win32Library::CfgMgr32);
}
CONFIGRET Win32System::CM_Get_Parent(DEVINST*, DEVINST, ULONG) {
    throw_library_missing(Win32Library::CfgMgr32);
}
CONFIGRET Win32System::CM_Get_Device_ID_Size(ULONG*, DEVINST, ULONG) {
    throw_library_missing(Win32Library::CfgMgr32);
}
CONFIGRET Win32System::CM_Get_Device_IDW(DEVINST, WCHAR*, ULONG, ULONG) {
    throw_library_missing(Win32Library::CfgMgr32);
}

// Bluetooth: not on this platform

DWORD Win32System::BluetoothGetDeviceInfo(HANDLE, BLUETOOTH_DEVICE_INFO*) {
    throw_library_missing(Win32Library::BthProps);
}
HRESULT Win32System::BluetoothGATTGetServices(HANDLE, USHORT, BTH_LE_GATT_SERVICE*, USHORT*,
                                              ULONG) {
    throw_library_missing(Win32Library::BluetoothApis);
}
HRESULT Win32System::BluetoothGATTGetIncludedServices(HANDLE, BTH_LE_GATT_SERVICE*, USHORT,
                                                      BTH_LE_GATT_SERVICE*, USHORT*, ULONG) {
    throw_library_missing(Win32Library::BluetoothApis);
}
HRESULT Win32System::BluetoothGATTGetCharacteristics(HANDLE, BTH_LE_GATT_SERVICE*, USHORT,
                                                     BTH_LE_GATT_CHARACTERISTIC*, USHORT*, ULONG) {
    throw_library_missing(Win32Library::BluetoothApis);
}
HRESULT Win32System::BluetoothGATTGetDescriptors(HANDLE, BTH_LE_GATT_CHARACTERISTIC*, USHORT,
                                                 BTH_LE_GATT_DESCRIPTOR*, USHORT*, ULONG) {
    throw_library_missing(Win32Library::BluetoothApis);
}
HRESULT Win32System::BluetoothGATTGetCharacteristicValue(HANDLE, BTH_LE_GATT_CHARACTERISTIC*, ULONG,
                                                         BTH_LE_GATT_CHARACTERISTIC_VALUE*, USHORT*,
                                                         ULONG) {
    throw_library_missing(Win32Library::BluetoothApis);
}
HRESULT Win32System::BluetoothGATTGetDescriptorValue(HANDLE, BTH_LE_GATT_DESCRIPTOR*, ULONG,
                                                     BTH_LE_GATT_DESCRIPTOR_VALUE*, USHORT*,
                                                     ULONG) {
    throw_library_missing(Win32Library::BluetoothApis);
}
HRESULT Win32System::BluetoothGATTSetDescriptorValue(HANDLE, BTH_LE_GATT_DESCRIPTOR*,
                                                     BTH_LE_GATT_DESCRIPTOR_VALUE*, ULONG) {
    throw_library_missing(Win32Library::BluetoothApis);
}
HRESULT Win32System::BluetoothGATTRegisterEvent(HANDLE, BTH_LE_GATT_EVENT_TYPE, LPVOID,
                                                PFNBLUETOOTH_GATT_EVENT_CALLBACK, LPVOID,
                                                BLUETOOTH_GATT_EVENT_HANDLE*, ULONG) {
    throw_library_missing(Win32Library::BluetoothApis);
}
HRESULT Win32System::BluetoothGATTUnregisterEvent(BLUETOOTH_GATT_EVENT_HANDLE, ULONG) {
    throw_library_missing(Win32Library::BluetoothApis);
}
HRESULT Win32System::BluetoothGATTSetCharacteristicValue(HANDLE, BTH_LE_GATT_CHARACTERISTIC*,
                                                         BTH_LE_GATT_CHARACTERISTIC_VALUE*,
                                                         BTH_LE_GATT_RELIABLE_WRITE_CONTEXT,
                                                         ULONG) {
    throw_library_missing(Win32Library::BluetoothApis);
}

// Device-instance helpers

std::string Win32System::setupdi_parent(const std::string& instance) {
    const char* where = "devio::Win32System::setupdi_parent";
    xLogWrite(kTag, kLogDebug, where, "setupdi_parent enter, instance=%s", instance.c_str());
    if (instance.empty()) {
        xLogWrite(kTag, kLogDebug, where,
                  "setupdi_parent exit, returning empty instance for empty instance");
        return {};
    }
    std::string parent = in_new_set(*this, where, [&](HDEVINFO set) -> std::string {
        SP_DEVINFO_DATA device;
        if (!SetupDiOpenDeviceInfoW(set, widen(instance).c_str(), HWND{}, 0, &device)) {
            xLogWrite(kTag, kLogInfo, where, "SetupDiOpenDeviceInfo fail, err=0x%08x",
                      GetLastError());
            return {};
        }
        DEVINST parent_node = 0;
        CONFIGRET result = CM_Get_Parent(&parent_node, device.DevInst, 0);
        if (result != CR_SUCCESS) {
            xLogWrite(kTag, kLogInfo, where, "CM_Get_Parent fail, err = 0x%08x", result);
            return {};
        }
        return setupdi_instance_from_devnode(parent_node);
    });
    xLogWrite(kTag, kLogDebug, where, "setupdi_parent exit, returning %s", parent.c_str());
    return parent;
}

std::string Win32System::setupdi_instance_from_devnode(DEVINST node) {
    const char* where = "devio::Win32System::setupdi_instance_from_devnode";
    xLogWrite(kTag, kLogDebug, where, "setupdi_instance_from_devnode enter, devnode=0x%08x", node);
    std::string instance;
    try {
        ULONG length = 0;
        CONFIGRET result = CM_Get_Device_ID_Size(&length, node, 0);
        if (result != CR_SUCCESS) {
            xLogWrite(kTag, kLogInfo, where, "CM_Get_Device_ID_Size fail, err = 0x%08x", result);
        } else {
            std::vector<WCHAR> buffer(length + 1, 0);
            result = CM_Get_Device_IDW(node, buffer.data(), length + 1, 0);
            if (result != CR_SUCCESS) {
                xLogWrite(kTag, kLogInfo, where, "CM_Get_Device_ID fail, err = 0x%08x", result);
            } else {
                instance = narrow(buffer.data());
            }
        }
    } catch (const DevioException& e) {
        xLogWrite(kTag, kLogWarning, where, "setupdi_instance_from_devnode exception %s", e.what());
    }
    xLogWrite(kTag, kLogDebug, where, "setupdi_instance_from_devnode exit, returning %s",
              instance.c_str());
    return instance;
}

std::string Win32System::setupdi_instance_from_path(const std::string& path) {
    const char* where = "devio::Win32System::setupdi_instance_from_path";
    xLogWrite(kTag, kLogDebug, where, "setupdi_instance_from_path enter, path=%s", path.c_str());
    if (path.empty()) {
        xLogWrite(kTag, kLogDebug, where,
                  "setupdi_instance_from_path exit, returning empty instance for empty path");
        return {};
    }
    std::string instance = in_new_set(*this, where, [&](HDEVINFO set) -> std::string {
        SP_DEVICE_INTERFACE_DATA interface_data;
        if (!SetupDiOpenDeviceInterfaceW(set, widen(path).c_str(), 0, &interface_data)) {
            xLogWrite(kTag, kLogInfo, where, "SetupDiOpenDeviceInterface fail, err=0x%08x",
                      GetLastError());
            return {};
        }
        SP_DEVINFO_DATA device;
        if (!SetupDiEnumDeviceInfo(set, 0, &device)) {
            xLogWrite(kTag, kLogInfo, where, "SetupDiEnumDeviceInfo fail, err=0x%08x",
                      GetLastError());
            return {};
        }
        return setupdi_instance_from_devnode(device.DevInst);
    });
    xLogWrite(kTag, kLogDebug, where, "setupdi_instance_from_path exit, returning %s",
              instance.c_str());
    return instance;
}

std::string Win32System::setupdi_path_from_instance(const std::string& instance) {
    const char* where = "devio::Win32System::setupdi_path_from_instance";
    xLogWrite(kTag, kLogDebug, where, "setupdi_path_from_instance enter, instance=%s",
              instance.c_str());
    if (instance.empty()) {
        xLogWrite(kTag, kLogDebug, where,
                  "setupdi_path_from_instance exit, returning empty path for empty instance");
        return {};
    }
    std::string path;
    try {
        GUID hid_class;
        HidD_GetHidGuid(&hid_class);
        HDEVINFO set = SetupDiGetClassDevsW(&hid_class, widen(instance).c_str(), HWND{},
                                            DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (set == INVALID_HANDLE_VALUE) {
            xLogWrite(kTag, kLogInfo, where, "SetupDiGetClassDevs fail, err=0x%08x",
                      GetLastError());
            return {};
        }
        DeviceInfoSetGuard guard(*this, set);
        SP_DEVICE_INTERFACE_DATA interface_data;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hid_class, 0, &interface_data)) {
            xLogWrite(kTag, kLogInfo, where, "SetupDiEnumDeviceInterfaces fail, err=0x%08x",
                      GetLastError());
        } else if (read_interface_path(*this, set, &interface_data, &path) !=
                   InterfaceDetailResult::Read) {
            xLogWrite(kTag, kLogInfo, where, "SetupDiGetDeviceInterfaceDetail fail, err=0x%08x",
                      GetLastError());
            path.clear();
        }
    } catch (const DevioException& e) {
        xLogWrite(kTag, kLogWarning, where, "setupdi_path_from_instance exception %s", e.what());
    }
    xLogWrite(kTag, kLogDebug, where, "setupdi_path_from_instance exit, returning %s",
              path.c_str());
    return path;
}

// Handles, files, events and waits

BOOL Win32System::CloseHandle(HANDLE handle) {
    std::shared_ptr<KernelObject> object = kernel_.find(static_cast<uint32_t>(handle));
    if (!object || !object->closes_with_close_handle() ||
        !kernel_.remove(static_cast<uint32_t>(handle))) {
        return fail_with(ERROR_INVALID_HANDLE, FALSE);
    }
    object->closed();
    return TRUE;
}

BOOL Win32System::ReadFile(HANDLE file, LPVOID buffer, DWORD size, DWORD* transferred,
                           OVERLAPPED* overlapped) {
    auto object = kernel_.find_as<FileObject>(static_cast<uint32_t>(file));
    return object ? object->read(buffer, size, transferred, overlapped)
                  : fail_with(ERROR_INVALID_HANDLE, FALSE);
}

BOOL Win32System::WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* transferred,
                            OVERLAPPED* overlapped) {
    auto object = kernel_.find_as<FileObject>(static_cast<uint32_t>(file));
    return object ? object->write(buffer, size, transferred, overlapped)
                  : fail_with(ERROR_INVALID_HANDLE, FALSE);
}

BOOL Win32System::GetOverlappedResult(HANDLE, OVERLAPPED* overlapped, DWORD* transferred,
                                      BOOL wait) {
    // The record carries the outcome, so that it can be fetched after the file was closed.
    return kernel_.result(overlapped, transferred, wait != FALSE);
}

BOOL Win32System::CancelIo(HANDLE file) {
    auto object = kernel_.find_as<FileObject>(static_cast<uint32_t>(file));
    return object ? object->cancel(nullptr, true) : fail_with(ERROR_INVALID_HANDLE, FALSE);
}

BOOL Win32System::CancelIoEx(HANDLE file, OVERLAPPED* overlapped) {
    auto object = kernel_.find_as<FileObject>(static_cast<uint32_t>(file));
    return object ? object->cancel(overlapped, false) : fail_with(ERROR_INVALID_HANDLE, FALSE);
}

HANDLE Win32System::CreateEventW(LPVOID, BOOL manual_reset, BOOL initial_state, LPCWSTR name) {
    if (name != nullptr) {
        // Named events of the system are not reached through this layer.
        return fail_with(ERROR_NOT_SUPPORTED, HANDLE{});
    }
    return kernel_.create_event(manual_reset != FALSE, initial_state != FALSE);
}

BOOL Win32System::SetEvent(HANDLE event) {
    return kernel_.set_event(event) ? TRUE : FALSE;
}

BOOL Win32System::ResetEvent(HANDLE event) {
    return kernel_.reset_event(event) ? TRUE : FALSE;
}

DWORD Win32System::WaitForSingleObject(HANDLE handle, DWORD timeout_ms) {
    return kernel_.wait(&handle, 1, false, timeout_ms);
}

DWORD Win32System::WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all,
                                          DWORD timeout_ms) {
    return kernel_.wait(handles, count, wait_all != FALSE, timeout_ms);
}

DWORD Win32System::GetLastError() {
    return win32_last_error();
}

void Win32System::SetLastError(DWORD error) {
    set_win32_last_error(error);
}

// Windows and messages

ATOM Win32System::RegisterClassW(const WNDCLASSW* window_class) {
    if (window_class == nullptr || window_class->lpfnWndProc == nullptr ||
        window_class->lpszClassName == nullptr) {
        return fail_with(ERROR_INVALID_PARAMETER, ATOM{0});
    }
    std::lock_guard lock(classes_mutex_);
    if (!classes_.emplace(window_class->lpszClassName, window_class->lpfnWndProc).second) {
        return fail_with(ERROR_CLASS_ALREADY_EXISTS, ATOM{0});
    }
    return ++last_atom_;
}

HWND Win32System::CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name,
                                  DWORD style, int x, int y, int width, int height, HWND parent,
                                  HMENU menu, HINSTANCE instance, LPVOID param) {
    WNDPROC procedure = nullptr;
    if (class_name != nullptr) {
        std::lock_guard lock(classes_mutex_);
        auto found = classes_.find(class_name);
        procedure = found == classes_.end() ? nullptr : found->second;
    }
    if (procedure == nullptr) {
        return fail_with(ERROR_CANNOT_FIND_WND_CLASS, HWND{});
    }
    CREATESTRUCTW create;
    create.lpCreateParams = param;
    create.hInstance = instance;
    create.hMenu = menu;
    create.hwndParent = parent;
    create.cy = height;
    create.cx = width;
    create.y = y;
    create.x = x;
    create.style = static_cast<LONG>(style);
    create.lpszName = window_name;
    create.lpszClass = class_name;
    create.dwExStyle = ex_style;
    // The creation messages carry the creation record while the window is being created; every
    // other message its own parameters. The procedure runs on this (the owner's) thread only.
    auto creating = std::make_shared<const CREATESTRUCTW*>(&create);
    sys::WindowId id = sys::MessageWindows::create(
        [procedure, creating](sys::WindowId id, uint32_t message, uintptr_t wparam,
                              intptr_t lparam) -> intptr_t {
            if ((message == WM_NCCREATE || message == WM_CREATE) && *creating != nullptr) {
                lparam = reinterpret_cast<intptr_t>(*creating);
            }
            return procedure(hwnd_of(id), message, wparam, lparam);
        },
        param);
    *creating = nullptr;
    if (id == 0) {
        return fail_with(error_of_message_windows(), HWND{});
    }
    HWND window = hwnd_of(id);
    if (window == HWND{}) {
        sys::MessageWindows::destroy(id);
        return fail_with(ERROR_NOT_SUPPORTED, HWND{});
    }
    return window;
}

BOOL Win32System::DestroyWindow(HWND window) {
    return sys::MessageWindows::destroy(window_id_of(window))
               ? TRUE
               : fail_with(error_of_message_windows(), FALSE);
}

BOOL Win32System::ShowWindow(HWND window, int) {
    if (!sys::MessageWindows::exists(window_id_of(window))) {
        return fail_with(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    }
    return FALSE;
}

LRESULT Win32System::DefWindowProcW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return sys::MessageWindows::default_procedure(window_id_of(window), message, wparam, lparam);
}

LONG_PTR Win32System::GetWindowLongPtrW(HWND window, int index) {
    if (index != GWLP_USERDATA) {
        return fail_with(ERROR_INVALID_INDEX, LONG_PTR{0});
    }
    return sys::MessageWindows::user_data(window_id_of(window));
}

LONG_PTR Win32System::SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
    if (index != GWLP_USERDATA) {
        return fail_with(ERROR_INVALID_INDEX, LONG_PTR{0});
    }
    LONG_PTR previous = sys::MessageWindows::user_data(window_id_of(window));
    if (!sys::MessageWindows::set_user_data(window_id_of(window), value)) {
        return fail_with(error_of_message_windows(), LONG_PTR{0});
    }
    return previous;
}

BOOL Win32System::GetMessageW(MSG* message, HWND window, UINT first, UINT last) {
    if (message == nullptr || window != HWND{} || first != 0 || last != 0) {
        return fail_with(ERROR_INVALID_PARAMETER, BOOL{-1});
    }
    sys::WindowMessage got;
    bool more = sys::MessageWindows::get(&got);
    message->hwnd = hwnd_of(got.window);
    message->message = got.message;
    message->wParam = got.wparam;
    message->lParam = got.lparam;
    return more ? TRUE : FALSE;
}

LRESULT Win32System::DispatchMessageW(const MSG* message) {
    if (message == nullptr) {
        return 0;
    }
    return sys::MessageWindows::dispatch(
        {window_id_of(message->hwnd), message->message, message->wParam, message->lParam});
}

BOOL Win32System::PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return sys::MessageWindows::post(window_id_of(window), message, wparam, lparam)
               ? TRUE
               : fail_with(error_of_message_windows(), FALSE);
}

LRESULT Win32System::SendMessageTimeoutW(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                         UINT, UINT timeout_ms, DWORD_PTR* result) {
    intptr_t answer = 0;
    if (!sys::MessageWindows::send(window_id_of(window), message, wparam, lparam, timeout_ms,
                                   &answer)) {
        return fail_with(error_of_message_windows(), LRESULT{0});
    }
    if (result != nullptr) {
        *result = static_cast<DWORD_PTR>(answer);
    }
    return 1;
}

void Win32System::PostQuitMessage(int exit_code) {
    sys::MessageWindows::post_quit(exit_code);
}

} // namespace devio
