// The system types and constants that the Windows HID bus and device use with Win32System: handles,
// error numbers, overlapped records, waits, file access, windows and window messages, and the
// device-change broadcasts. They are declared here, by this project, from what the bus and the
// device need of them; they live in the global namespace, where the system's own names live, so
// that the hardware contracts can name the device-broadcast header without including this file.
//
// Handles are opaque 32-bit values; 0 is "no handle". The request record that the bus passes
// between its threads relies on that width.
#pragma once

#include <cstdint>

// --- Basic types ---------------------------------------------------------------------------------

using BYTE = uint8_t;
using UCHAR = uint8_t;
using BOOLEAN = uint8_t;
using WORD = uint16_t;
using USHORT = uint16_t;
using BOOL = int32_t;
using LONG = int32_t;
using DWORD = uint32_t;
using ULONG = uint32_t;
using UINT = uint32_t;
using ULONGLONG = uint64_t;
using ULONG_PTR = uintptr_t;
using DWORD_PTR = uintptr_t;
using LONG_PTR = intptr_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using ATOM = uint16_t;
using NTSTATUS = int32_t;
using HRESULT = int32_t;
// UTF-16 code units, as the system's wide-character calls take them.
using WCHAR = char16_t;
using LPCWSTR = const WCHAR*;
using LPWSTR = WCHAR*;
using LPVOID = void*;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

// --- Handles -------------------------------------------------------------------------------------

enum class HANDLE : uint32_t {};     // kernel objects: files, events, device-information sets
enum class HWND : uint32_t {};       // windows
enum class HDEVNOTIFY : uint32_t {}; // device-notification registrations
enum class HMODULE : uint32_t {};    // loaded libraries
enum class HMENU : uint32_t {};      // menus (windows of this layer have none)
using HINSTANCE = HMODULE;

inline constexpr HANDLE INVALID_HANDLE_VALUE = HANDLE{0xFFFFFFFFu};

// Handle values as the log prints them ("%p").
inline const void* handle_ptr(HANDLE handle) {
    return reinterpret_cast<const void*>(static_cast<uintptr_t>(handle));
}
inline const void* handle_ptr(HDEVNOTIFY handle) {
    return reinterpret_cast<const void*>(static_cast<uintptr_t>(handle));
}

// --- Interface class identifiers -----------------------------------------------------------------

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};

    friend bool operator==(const GUID&, const GUID&) = default;
};

// The interface class of Bluetooth radios (ports).
inline constexpr GUID GUID_BTHPORT_DEVICE_INTERFACE = {
    0x0850302A, 0xB344, 0x4FDA, {0x9B, 0xE9, 0x90, 0x57, 0x6B, 0x8D, 0x46, 0xF0}};

// --- System error numbers ------------------------------------------------------------------------

inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_GEN_FAILURE = 31; // a device attached to the system is not functioning
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
inline constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
inline constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
inline constexpr DWORD ERROR_OPERATION_ABORTED = 995;
inline constexpr DWORD ERROR_IO_INCOMPLETE = 996;
inline constexpr DWORD ERROR_IO_PENDING = 997;
inline constexpr DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;
inline constexpr DWORD ERROR_NOT_FOUND = 1168;
inline constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
inline constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
inline constexpr DWORD ERROR_INVALID_INDEX = 1413;
inline constexpr DWORD ERROR_TIMEOUT = 1460;
inline constexpr DWORD ERROR_INVALID_USER_BUFFER = 1784;

// --- Overlapped I/O, events and waits ------------------------------------------------------------

// The record of one overlapped read or write. The system owns Internal (the operation's error
// number, ERROR_IO_PENDING while it runs) and InternalHigh (bytes transferred) until the operation
// has completed; the caller reads them through GetOverlappedResult.
struct OVERLAPPED {
    ULONG_PTR Internal = 0;
    ULONG_PTR InternalHigh = 0;
    DWORD Offset = 0;
    DWORD OffsetHigh = 0;
    HANDLE hEvent{}; // set when the operation completes
};

inline constexpr DWORD INFINITE = 0xFFFFFFFFu;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
inline constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

// --- Files ---------------------------------------------------------------------------------------

inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD GENERIC_WRITE = 0x40000000u;
inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD FILE_SHARE_WRITE = 0x2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000u;

// --- Windows and messages ------------------------------------------------------------------------

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSW {
    UINT style = 0;
    WNDPROC lpfnWndProc = nullptr;
    HINSTANCE hInstance{};
    LPCWSTR lpszClassName = nullptr;
};

// What the window procedure receives with WM_NCCREATE and WM_CREATE (through the message's LPARAM).
struct CREATESTRUCTW {
    LPVOID lpCreateParams = nullptr; // the creation parameter given to CreateWindowExW
    HINSTANCE hInstance{};
    HMENU hMenu{};
    HWND hwndParent{};
    int cy = 0;
    int cx = 0;
    int y = 0;
    int x = 0;
    LONG style = 0;
    LPCWSTR lpszName = nullptr;
    LPCWSTR lpszClass = nullptr;
    DWORD dwExStyle = 0;
};

struct MSG {
    HWND hwnd{};
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_NCCREATE = 0x0081;
inline constexpr UINT WM_POWERBROADCAST = 0x0218;
inline constexpr UINT WM_DEVICECHANGE = 0x0219;
inline constexpr UINT WM_USER = 0x0400;

inline constexpr DWORD WS_POPUP = 0x80000000u;
inline constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080u;
inline constexpr int SW_HIDE = 0;
inline constexpr int GWLP_USERDATA = -21;
inline constexpr UINT SMTO_BLOCK = 0x0001;
inline constexpr UINT SMTO_ABORTIFHUNG = 0x0002;

// WM_POWERBROADCAST: the system resumed from a low-power state.
inline constexpr WPARAM PBT_APMRESUMEAUTOMATIC = 18;

// --- Device-change broadcasts --------------------------------------------------------------------

// WM_DEVICECHANGE events (the message's WPARAM).
inline constexpr DWORD DBT_DEVICEARRIVAL = 0x8000;
inline constexpr DWORD DBT_DEVICEQUERYREMOVE = 0x8001;
inline constexpr DWORD DBT_DEVICEQUERYREMOVEFAILED = 0x8002;
inline constexpr DWORD DBT_DEVICEREMOVEPENDING = 0x8003;
inline constexpr DWORD DBT_DEVICEREMOVECOMPLETE = 0x8004;

inline constexpr DWORD DBT_DEVTYP_DEVICEINTERFACE = 5;
inline constexpr DWORD DBT_DEVTYP_HANDLE = 6;

// The answer of a window that refuses a DBT_DEVICEQUERYREMOVE.
inline constexpr LRESULT BROADCAST_QUERY_DENY = 0x424D5144;

inline constexpr DWORD DEVICE_NOTIFY_WINDOW_HANDLE = 0x0;

// The header that every device-change broadcast and notification filter begins with; the message's
// LPARAM points to it (or is 0). dbch_devicetype tells which record it heads.
struct DEV_BROADCAST_HDR {
    DWORD dbch_size = 0;
    DWORD dbch_devicetype = 0;
    DWORD dbch_reserved = 0;
};

// DBT_DEVTYP_DEVICEINTERFACE: an interface of a class arrived or left; as a filter, registers for
// every interface of the class.
struct DEV_BROADCAST_DEVICEINTERFACE_W : DEV_BROADCAST_HDR {
    GUID dbcc_classguid;
    // The interface path, valid while the message is handled; null in a filter.
    LPCWSTR dbcc_name = nullptr;
};

// DBT_DEVTYP_HANDLE: a change of the device behind an open file handle; as a filter, registers for
// the device of dbch_handle.
struct DEV_BROADCAST_HANDLE : DEV_BROADCAST_HDR {
    HANDLE dbch_handle{};
    HDEVNOTIFY dbch_hdevnotify{}; // the registration the message is for
};
