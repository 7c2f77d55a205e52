// The system-API seam: every HID, device-installation, configuration-manager, Bluetooth, file,
// event, wait, window and device-notification call of the Windows HID bus and device goes through
// one shared Win32System. Each operation takes and returns what the system function of its name
// does, with the types of Win32Types.h, HidTypes.h, SetupApiTypes.h and BluetoothTypes.h, and
// leaves its error number in the thread's last error (GetLastError).
//
// This class is the system as this platform has it. Its kernel objects (events, waits, overlapped
// records), its windows (on the message windows of Source/System) and its device-notification
// registry work; the device libraries do not exist here, so every HID, device-installation,
// configuration-manager and Bluetooth call throws the loader's DevioException for its library
// ("LoadLibrary hid.dll failed", SystemFunctionMissing), and no device file can be opened.
// Implementations with devices (the simulator's virtual HID system) derive from it and override
// the device calls; which implementation the busses get is chosen per process
// (Win32SystemChoice).
//
// Thread-safe: any thread may call any operation. Window calls follow the message windows' rules
// (a window belongs to the thread that creates it).
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <string>

#include "Source/Windows/BluetoothTypes.h"
#include "Source/Windows/DeviceNotifications.h"
#include "Source/Windows/HidTypes.h"
#include "Source/Windows/KernelObjects.h"
#include "Source/Windows/SetupApiTypes.h"
#include "Source/Windows/Win32Types.h"

namespace devio {

// The libraries that the loader loads on first use.
enum class Win32Library { Hid, SetupApi, CfgMgr32, BthProps, BluetoothApis };

class Win32System {
public:
    Win32System();
    virtual ~Win32System();
    Win32System(const Win32System&) = delete;
    Win32System& operator=(const Win32System&) = delete;

    // hid.dll
    virtual void HidD_GetHidGuid(GUID* hid_class);
    virtual BOOLEAN HidD_GetAttributes(HANDLE file, HIDD_ATTRIBUTES* attributes);
    // The product string in UTF-16, null-terminated, into `length` bytes.
    virtual BOOLEAN HidD_GetProductString(HANDLE file, LPVOID buffer, ULONG length);
    virtual BOOLEAN HidD_GetPreparsedData(HANDLE file, PHIDP_PREPARSED_DATA* data);
    virtual BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data);
    virtual NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS* caps);
    // `length`: in, the room of `caps`; out, the number of capabilities returned.
    virtual NTSTATUS HidP_GetValueCaps(HIDP_REPORT_TYPE type, HIDP_VALUE_CAPS* caps, USHORT* length,
                                       PHIDP_PREPARSED_DATA data);
    virtual NTSTATUS HidP_GetButtonCaps(HIDP_REPORT_TYPE type, HIDP_BUTTON_CAPS* caps,
                                        USHORT* length, PHIDP_PREPARSED_DATA data);
    virtual NTSTATUS HidP_GetLinkCollectionNodes(HIDP_LINK_COLLECTION_NODE* nodes, ULONG* length,
                                                 PHIDP_PREPARSED_DATA data);

    // Linked with the program.
    virtual HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPVOID security,
                               DWORD creation, DWORD flags, HANDLE template_file);
    // `filter` heads a DEV_BROADCAST_DEVICEINTERFACE_W or a DEV_BROADCAST_HANDLE; the recipient is
    // a window (DEVICE_NOTIFY_WINDOW_HANDLE).
    virtual HDEVNOTIFY RegisterDeviceNotificationW(HWND recipient, const DEV_BROADCAST_HDR* filter,
                                                   DWORD flags);

    // setupapi.dll
    virtual HDEVINFO SetupDiCreateDeviceInfoList(const GUID* setup_class, HWND parent);
    virtual BOOL SetupDiOpenDeviceInterfaceW(HDEVINFO set, LPCWSTR path, DWORD flags,
                                             SP_DEVICE_INTERFACE_DATA* interface_data);
    virtual BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* device);
    virtual BOOL SetupDiOpenDeviceInfoW(HDEVINFO set, LPCWSTR instance, HWND parent, DWORD flags,
                                        SP_DEVINFO_DATA* device);
    virtual BOOL SetupDiGetDevicePropertyW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                           const DEVPROPKEY* key, DEVPROPTYPE* type, BYTE* buffer,
                                           DWORD size, DWORD* required, DWORD flags);
    // With DIGCF_DEVICEINTERFACE: the interfaces of the class, of the device instance
    // `enumerator` names when it is given.
    virtual HDEVINFO SetupDiGetClassDevsW(const GUID* interface_class, LPCWSTR enumerator,
                                          HWND parent, DWORD flags);
    virtual BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set);
    virtual BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* device,
                                             const GUID* interface_class, DWORD index,
                                             SP_DEVICE_INTERFACE_DATA* interface_data);
    virtual BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO set,
                                                  SP_DEVICE_INTERFACE_DATA* interface_data,
                                                  SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail,
                                                  DWORD size, DWORD* required,
                                                  SP_DEVINFO_DATA* device);

    // cfgmgr32.dll: loads the library and returns its module handle.
    virtual HMODULE LoadCfgMgr32();
    virtual CONFIGRET CM_Get_Parent(DEVINST* parent, DEVINST node, ULONG flags);
    // The length of the node's instance ID in characters, without the terminator.
    virtual CONFIGRET CM_Get_Device_ID_Size(ULONG* length, DEVINST node, ULONG flags);
    virtual CONFIGRET CM_Get_Device_IDW(DEVINST node, WCHAR* buffer, ULONG length, ULONG flags);

    // bthprops.cpl
    virtual DWORD BluetoothGetDeviceInfo(HANDLE radio, BLUETOOTH_DEVICE_INFO* info);

    // BluetoothApis.dll
    virtual HRESULT BluetoothGATTGetServices(HANDLE device, USHORT count,
                                             BTH_LE_GATT_SERVICE* services, USHORT* actual,
                                             ULONG flags);
    virtual HRESULT BluetoothGATTGetIncludedServices(HANDLE device, BTH_LE_GATT_SERVICE* parent,
                                                     USHORT count, BTH_LE_GATT_SERVICE* services,
                                                     USHORT* actual, ULONG flags);
    virtual HRESULT BluetoothGATTGetCharacteristics(HANDLE device, BTH_LE_GATT_SERVICE* service,
                                                    USHORT count,
                                                    BTH_LE_GATT_CHARACTERISTIC* characteristics,
                                                    USHORT* actual, ULONG flags);
    virtual HRESULT BluetoothGATTGetDescriptors(HANDLE device,
                                                BTH_LE_GATT_CHARACTERISTIC* characteristic,
                                                USHORT count, BTH_LE_GATT_DESCRIPTOR* descriptors,
                                                USHORT* actual, ULONG flags);
    virtual HRESULT BluetoothGATTGetCharacteristicValue(HANDLE device,
                                                        BTH_LE_GATT_CHARACTERISTIC* characteristic,
                                                        ULONG size,
                                                        BTH_LE_GATT_CHARACTERISTIC_VALUE* value,
                                                        USHORT* actual, ULONG flags);
    virtual HRESULT BluetoothGATTGetDescriptorValue(HANDLE device,
                                                    BTH_LE_GATT_DESCRIPTOR* descriptor, ULONG size,
                                                    BTH_LE_GATT_DESCRIPTOR_VALUE* value,
                                                    USHORT* actual, ULONG flags);
    virtual HRESULT BluetoothGATTSetDescriptorValue(HANDLE device,
                                                    BTH_LE_GATT_DESCRIPTOR* descriptor,
                                                    BTH_LE_GATT_DESCRIPTOR_VALUE* value,
                                                    ULONG flags);
    virtual HRESULT BluetoothGATTRegisterEvent(HANDLE service, BTH_LE_GATT_EVENT_TYPE type,
                                               LPVOID event_parameter,
                                               PFNBLUETOOTH_GATT_EVENT_CALLBACK callback,
                                               LPVOID context, BLUETOOTH_GATT_EVENT_HANDLE* event,
                                               ULONG flags);
    virtual HRESULT BluetoothGATTUnregisterEvent(BLUETOOTH_GATT_EVENT_HANDLE event, ULONG flags);
    virtual HRESULT BluetoothGATTSetCharacteristicValue(HANDLE device,
                                                        BTH_LE_GATT_CHARACTERISTIC* characteristic,
                                                        BTH_LE_GATT_CHARACTERISTIC_VALUE* value,
                                                        BTH_LE_GATT_RELIABLE_WRITE_CONTEXT context,
                                                        ULONG flags);

    // Device-instance helpers over the calls above; an empty string on any failure.
    virtual std::string setupdi_parent(const std::string& instance);
    virtual std::string setupdi_instance_from_devnode(DEVINST node);
    virtual std::string setupdi_instance_from_path(const std::string& path);
    virtual std::string setupdi_path_from_instance(const std::string& instance);

    // Handles, files, events and waits.
    virtual BOOL CloseHandle(HANDLE handle);
    virtual BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, DWORD* transferred,
                          OVERLAPPED* overlapped);
    virtual BOOL WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* transferred,
                           OVERLAPPED* overlapped);
    virtual BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* transferred,
                                     BOOL wait);
    // Cancels the calling thread's pending operations on the file.
    virtual BOOL CancelIo(HANDLE file);
    // Cancels the operation of `overlapped`, or every pending one of the file for null.
    virtual BOOL CancelIoEx(HANDLE file, OVERLAPPED* overlapped);
    virtual HANDLE CreateEventW(LPVOID security, BOOL manual_reset, BOOL initial_state,
                                LPCWSTR name);
    virtual BOOL SetEvent(HANDLE event);
    virtual BOOL ResetEvent(HANDLE event);
    virtual DWORD WaitForSingleObject(HANDLE handle, DWORD timeout_ms);
    virtual DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all,
                                         DWORD timeout_ms);
    virtual DWORD GetLastError();
    virtual void SetLastError(DWORD error);

    // Windows and messages.
    virtual ATOM RegisterClassW(const WNDCLASSW* window_class);
    virtual HWND CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name,
                                 DWORD style, int x, int y, int width, int height, HWND parent,
                                 HMENU menu, HINSTANCE instance, LPVOID param);
    virtual BOOL DestroyWindow(HWND window);
    // Windows of this layer are never shown: the result is always FALSE ("was hidden").
    virtual BOOL ShowWindow(HWND window, int command);
    virtual LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    virtual LONG_PTR GetWindowLongPtrW(HWND window, int index);
    virtual LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
    // > 0 for a message, 0 for WM_QUIT, -1 on failure. The filters must be empty.
    virtual BOOL GetMessageW(MSG* message, HWND window, UINT first, UINT last);
    virtual LRESULT DispatchMessageW(const MSG* message);
    virtual BOOL PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    // Non-zero when the message ran within the time-out; 0 otherwise (ERROR_TIMEOUT when it did
    // not).
    virtual LRESULT SendMessageTimeoutW(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT flags, UINT timeout_ms, DWORD_PTR* result);
    virtual void PostQuitMessage(int exit_code);
    virtual BOOL UnregisterDeviceNotification(HDEVNOTIFY notification);

    // What is open now, for leak checks: handles of every kind, and device notifications.
    std::size_t open_handles() const { return kernel_.size(); }
    std::size_t device_notifications() const { return notifications_.size(); }

protected:
    [[noreturn]] static void throw_library_missing(Win32Library library);
    // The name by which the implementation knows the device behind a file (a handle notification
    // follows that device); empty when the handle is not a device file.
    virtual std::string device_of_file(HANDLE file);

    KernelObjects& kernel() { return kernel_; }
    const KernelObjects& kernel() const { return kernel_; }
    DeviceNotifications& notifications() { return notifications_; }

private:
    KernelObjects kernel_;
    DeviceNotifications notifications_;
    std::mutex classes_mutex_;
    std::map<std::u16string, WNDPROC> classes_;
    ATOM last_atom_ = 0;
};

} // namespace devio
