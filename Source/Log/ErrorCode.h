// The library's error codes: why the last failing operation of a thread failed (see LastError).
//
// The values are part of the library's interface (they are logged and reported in decimal), so
// they never change; the gaps are values that are not raised.
#pragma once

#include <cstdint>

namespace devio {

enum class ErrorCode : uint32_t {
    NoError = 0,
    GeneralFailure = 1,
    CommandResponseTooShort = 2,
    NoResponse = 4,
    NotConnected = 5,
    RegisterNotificationFailed = 6,
    InvalidDeviceHandle = 7,
    // Rap10Error + n: the device answered with RAP 1.0 error code n (0 to 12); see rap10_error().
    Rap10Error = 8,
    Rap10ErrorUnknown = 21,
    NotRap20 = 22,
    WriteExceedsCollectionSize = 25,
    CannotPerformBlockingWriteOnReadThread = 26,
    CannotPerformWriteWithoutReadThreadRunning = 27,
    DeviceRemoved = 28,
    EmptyResponse = 29,
    NotPresent = 30,
    SystemFunctionMissing = 31,
    NoDevicePath = 32,
    CreateFileFailed = 33,
    GetAttributesFailed = 34,
    GetPreparsedDataFailed = 35,
    GetCapsFailed = 36,
    NotVendorUsagePage = 37,
    UnsupportedCollection = 38,
    WriteTimeout = 39,
    WriteError = 40,
    WindowCreationFailed = 41,
    DeviceEnumerationFailed = 42,
    SubscribeCastFailed = 43,
    // Rap20Error + n: the device answered with RAP 2.0 error code n (0 to 9); see rap20_error().
    Rap20Error = 44,
    Rap20ErrorUnknown = 54,
    Abandoned = 55,
    InvalidDeviceData = 56,
    IndexOutOfRange = 57,
    ItemNotSupported = 58,
    SetConfiguredFailed = 59,
    UnknownGesture = 60,
    DeviceNotFunctioning = 61,
    WindowThreadFailed = 62,
    InterfaceNotificationFailed = 63,
    BusNotActive = 64,
    ArrivalCountMismatch = 65,
    FeatureChangePending = 66,
    FwVersionChanged = 67,
    SoftwareIdConflict = 68,
    ForeignDevice = 70,
    WriteTooShort = 71,
    Unavailable = 72,
    BluetoothQueryFailed = 74,
    FileHandleClosed = 75,
    InvalidConfigItem = 76,
    AddBusRetriesExhausted = 77,
    PingMismatch = 78,
};

// The highest RAP 1.0 and RAP 2.0 device error codes that have a code of their own.
inline constexpr uint32_t kRap10MaxKnownError = 12;
inline constexpr uint32_t kRap20MaxKnownError = 9;

// The code for a RAP 1.0 error answer with device error code `n`.
constexpr ErrorCode rap10_error(uint32_t n) {
    return n <= kRap10MaxKnownError
               ? static_cast<ErrorCode>(static_cast<uint32_t>(ErrorCode::Rap10Error) + n)
               : ErrorCode::Rap10ErrorUnknown;
}

// The code for a RAP 2.0 error answer with device error code `n`.
constexpr ErrorCode rap20_error(uint32_t n) {
    return n <= kRap20MaxKnownError
               ? static_cast<ErrorCode>(static_cast<uint32_t>(ErrorCode::Rap20Error) + n)
               : ErrorCode::Rap20ErrorUnknown;
}

constexpr uint32_t to_underlying(ErrorCode code) {
    return static_cast<uint32_t>(code);
}

} // namespace devio
