// The Bluetooth services' types: a device's information record and the GATT records (services,
// characteristics, descriptors, their values and value-change events), as Win32System's
// Bluetooth calls exchange them.
#pragma once

#include <cstddef>

#include "Source/Windows/Win32Types.h"

using BLUETOOTH_GATT_EVENT_HANDLE = HANDLE;
using BTH_LE_GATT_RELIABLE_WRITE_CONTEXT = ULONGLONG;

inline constexpr HRESULT S_OK = 0;
// The HRESULT that carries a system error number.
constexpr HRESULT hresult_from_win32(DWORD error) {
    return error == 0 ? S_OK : static_cast<HRESULT>((error & 0xFFFFu) | 0x80070000u);
}

struct BLUETOOTH_ADDRESS {
    ULONGLONG ullLong = 0;
};

struct BLUETOOTH_DEVICE_INFO {
    DWORD dwSize = sizeof(BLUETOOTH_DEVICE_INFO); // set by the caller
    BLUETOOTH_ADDRESS Address;
    ULONG ulClassofDevice = 0;
    BOOL fConnected = FALSE;
    BOOL fRemembered = FALSE;
    BOOL fAuthenticated = FALSE;
    WCHAR szName[248] = {};
};

struct BTH_LE_UUID {
    BOOLEAN IsShortUuid = 0;
    USHORT ShortUuid = 0; // when IsShortUuid
    GUID LongUuid;        // otherwise
};

struct BTH_LE_GATT_SERVICE {
    BTH_LE_UUID ServiceUuid;
    USHORT AttributeHandle = 0;
};

struct BTH_LE_GATT_CHARACTERISTIC {
    USHORT ServiceHandle = 0;
    BTH_LE_UUID CharacteristicUuid;
    USHORT AttributeHandle = 0;
    USHORT CharacteristicValueHandle = 0;
    BOOLEAN IsReadable = 0;
    BOOLEAN IsWritable = 0;
    BOOLEAN IsWritableWithoutResponse = 0;
    BOOLEAN IsNotifiable = 0;
    BOOLEAN IsIndicatable = 0;
};

enum BTH_LE_GATT_DESCRIPTOR_TYPE {
    CharacteristicExtendedProperties = 0,
    CharacteristicUserDescription = 1,
    ClientCharacteristicConfiguration = 2,
    ServerCharacteristicConfiguration = 3,
    CharacteristicFormat = 4,
    CharacteristicAggregateFormat = 5,
    CustomDescriptor = 6,
};

struct BTH_LE_GATT_DESCRIPTOR {
    USHORT ServiceHandle = 0;
    USHORT CharacteristicHandle = 0;
    BTH_LE_GATT_DESCRIPTOR_TYPE DescriptorType = CustomDescriptor;
    BTH_LE_UUID DescriptorUuid;
    USHORT AttributeHandle = 0;
};

// A value of DataSize bytes; the record continues beyond the struct.
struct BTH_LE_GATT_CHARACTERISTIC_VALUE {
    ULONG DataSize = 0;
    UCHAR Data[1] = {};
};

struct BTH_LE_GATT_DESCRIPTOR_VALUE {
    BTH_LE_GATT_DESCRIPTOR_TYPE DescriptorType = CustomDescriptor;
    BTH_LE_UUID DescriptorUuid;
    // For a client characteristic configuration descriptor.
    BOOLEAN IsSubscribeToNotification = 0;
    BOOLEAN IsSubscribeToIndication = 0;
    ULONG DataSize = 0;
    UCHAR Data[1] = {}; // continues beyond the struct
};

enum BTH_LE_GATT_EVENT_TYPE { CharacteristicValueChangedEvent = 0 };

using PFNBLUETOOTH_GATT_EVENT_CALLBACK = void (*)(BTH_LE_GATT_EVENT_TYPE type, LPVOID event_data,
                                                  LPVOID context);

// The event parameter of a value-change registration: the characteristics to follow.
struct BLUETOOTH_GATT_VALUE_CHANGED_EVENT_REGISTRATION {
    USHORT NumCharacteristics = 0;
    BTH_LE_GATT_CHARACTERISTIC Characteristics[1]; // continues beyond the struct
};

// What the callback of a value-change registration receives.
struct BLUETOOTH_GATT_VALUE_CHANGED_EVENT {
    USHORT ChangedAttributeHandle = 0;
    std::size_t CharacteristicValueDataSize = 0;
    BTH_LE_GATT_CHARACTERISTIC_VALUE* CharacteristicValue = nullptr;
};
