// The device-installation and configuration-manager types: device-information sets with their
// device and interface elements, device properties and device nodes, as Win32System's SetupDi
// and CM_ calls exchange them.
#pragma once

#include "Source/Windows/Win32Types.h"

// A device-information set; INVALID_HANDLE_VALUE when it could not be made.
using HDEVINFO = HANDLE;
// A device node of the configuration manager.
using DEVINST = DWORD;
using CONFIGRET = DWORD;
using DEVPROPTYPE = ULONG;

// SetupDiGetClassDevsW flags.
inline constexpr DWORD DIGCF_PRESENT = 0x02;
inline constexpr DWORD DIGCF_ALLCLASSES = 0x04;
inline constexpr DWORD DIGCF_DEVICEINTERFACE = 0x10;

// Interface flags.
inline constexpr DWORD SPINT_ACTIVE = 0x1;

// Error numbers of the device-installation calls.
inline constexpr DWORD ERROR_NO_SUCH_DEVINST = 0xE000020Bu;
inline constexpr DWORD ERROR_NO_SUCH_DEVICE_INTERFACE = 0xE0000217u;

// Configuration-manager results.
inline constexpr CONFIGRET CR_SUCCESS = 0x00;
inline constexpr CONFIGRET CR_INVALID_POINTER = 0x03;
inline constexpr CONFIGRET CR_NO_SUCH_DEVNODE = 0x0D;
inline constexpr CONFIGRET CR_BUFFER_SMALL = 0x1A;

// A device element of a set.
struct SP_DEVINFO_DATA {
    DWORD cbSize = sizeof(SP_DEVINFO_DATA); // the caller sets it; a different size is refused
    GUID ClassGuid;
    DEVINST DevInst = 0;
    ULONG_PTR Reserved = 0; // the set's own reference to the element
};

// An interface element of a set.
struct SP_DEVICE_INTERFACE_DATA {
    DWORD cbSize = sizeof(SP_DEVICE_INTERFACE_DATA); // set by the caller
    GUID InterfaceClassGuid;
    DWORD Flags = 0;
    ULONG_PTR Reserved = 0; // the set's own reference to the element
};

// The detail of an interface: its path, as many characters as the buffer holds. The caller asks
// for the size first, then passes a buffer of that size whose cbSize is the size of this struct.
struct SP_DEVICE_INTERFACE_DETAIL_DATA_W {
    DWORD cbSize;
    WCHAR DevicePath[1]; // null-terminated, continues beyond the struct
};

struct DEVPROPKEY {
    GUID fmtid;
    ULONG pid = 0;
};
