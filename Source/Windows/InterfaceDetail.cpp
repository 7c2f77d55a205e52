#include "Source/Windows/InterfaceDetail.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "Source/Windows/WideText.h"
#include "Source/Windows/Win32System.h"

namespace devio {

InterfaceDetailResult read_interface_path(Win32System& system, HDEVINFO set,
                                          SP_DEVICE_INTERFACE_DATA* interface_data,
                                          std::string* path) {
    DWORD required = 0;
    if (!system.SetupDiGetDeviceInterfaceDetailW(set, interface_data, nullptr, 0, &required,
                                                 nullptr) &&
        system.GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return InterfaceDetailResult::ProbeFailed;
    }
    constexpr std::size_t kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    // 8-byte units keep the record aligned.
    std::vector<uint64_t> buffer((std::max<std::size_t>(required, sizeof(uint64_t)) + 7) / 8);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!system.SetupDiGetDeviceInterfaceDetailW(set, interface_data, detail, required, nullptr,
                                                 nullptr)) {
        return InterfaceDetailResult::FetchFailed;
    }
    // The path runs on past the declared one-character array: copied out unit by unit.
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
    std::u16string wide;
    for (std::size_t at = kPathOffset; at + sizeof(WCHAR) <= required; at += sizeof(WCHAR)) {
        WCHAR unit = 0;
        std::memcpy(&unit, bytes + at, sizeof(unit));
        if (unit == 0) {
            break;
        }
        wide += unit;
    }
    *path = narrow(wide);
    return InterfaceDetailResult::Read;
}

} // namespace devio
