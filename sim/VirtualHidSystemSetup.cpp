// The device-installation and configuration-manager side of the virtual HID system: sets of
// device and interface elements over the collections plugged now, and the device tree of their
// nodes.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "Source/Windows/WideText.h"
#include "Source/Windows/Win32LastError.h"
#include "sim/VirtualHidSystem.h"

namespace devio::sim {

// The elements of one device-information set. Guarded by the system's mutex.
class VirtualHidSystem::DeviceInfoSet : public KernelObject {
public:
    struct Interface {
        std::string path;
        GUID interface_class;
        DEVINST device;
    };

    bool closes_with_close_handle() const override { return false; }

    // The element's position, adding it when it is new.
    std::size_t add_device(DEVINST node) {
        auto found = std::find(devices.begin(), devices.end(), node);
        if (found != devices.end()) {
            return static_cast<std::size_t>(found - devices.begin());
        }
        devices.push_back(node);
        return devices.size() - 1;
    }

    std::vector<DEVINST> devices;
    std::vector<Interface> interfaces;
};

namespace {

constexpr std::size_t kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);

// Fills a device element for the caller; false (ERROR_INVALID_USER_BUFFER) for a wrong size.
bool fill_device(SP_DEVINFO_DATA* device, DEVINST node, std::size_t position) {
    if (device->cbSize != sizeof(SP_DEVINFO_DATA)) {
        return fail_with(ERROR_INVALID_USER_BUFFER, false);
    }
    device->DevInst = node;
    device->Reserved = position + 1;
    return true;
}

bool fill_interface(SP_DEVICE_INTERFACE_DATA* data, const GUID& interface_class,
                    std::size_t position) {
    if (data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        return fail_with(ERROR_INVALID_USER_BUFFER, false);
    }
    data->InterfaceClassGuid = interface_class;
    data->Flags = SPINT_ACTIVE;
    data->Reserved = position + 1;
    return true;
}

} // namespace

std::shared_ptr<VirtualHidSystem::DeviceInfoSet> VirtualHidSystem::set_of(HDEVINFO set) const {
    return kernel().find_as<DeviceInfoSet>(static_cast<uint32_t>(set));
}

HDEVINFO VirtualHidSystem::SetupDiCreateDeviceInfoList(const GUID*, HWND) {
    require(Win32Library::SetupApi);
    return HANDLE{kernel().insert(std::make_shared<DeviceInfoSet>())};
}

HDEVINFO VirtualHidSystem::SetupDiGetClassDevsW(const GUID* interface_class, LPCWSTR enumerator,
                                                HWND, DWORD flags) {
    require(Win32Library::SetupApi);
    if (take_fault(Call::GetClassDevs)) {
        return INVALID_HANDLE_VALUE;
    }
    if (interface_class == nullptr && (flags & DIGCF_ALLCLASSES) == 0) {
        return fail_with(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    }
    auto set = std::make_shared<DeviceInfoSet>();
    // Only interfaces are modelled: a set of devices by setup class stays empty.
    bool by_interface = (flags & DIGCF_DEVICEINTERFACE) != 0;
    bool of_class = interface_class == nullptr || *interface_class == kHidClass;
    if (by_interface && of_class) {
        std::string instance = enumerator == nullptr ? std::string() : narrow(enumerator);
        std::lock_guard lock(mutex_);
        for (const auto& [path, collection] : collections_) {
            if (!instance.empty() && collection->description().instance != instance) {
                continue;
            }
            DEVINST node = collection_nodes_.at(path);
            set->add_device(node);
            set->interfaces.push_back({path, kHidClass, node});
        }
    }
    return HANDLE{kernel().insert(std::move(set))};
}

BOOL VirtualHidSystem::SetupDiDestroyDeviceInfoList(HDEVINFO set) {
    require(Win32Library::SetupApi);
    if (!set_of(set) || !kernel().remove(static_cast<uint32_t>(set))) {
        return fail_with(ERROR_INVALID_HANDLE, FALSE);
    }
    return TRUE;
}

BOOL VirtualHidSystem::SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* device,
                                                   const GUID* interface_class, DWORD index,
                                                   SP_DEVICE_INTERFACE_DATA* interface_data) {
    require(Win32Library::SetupApi);
    if (take_fault(Call::EnumDeviceInterfaces)) {
        return FALSE;
    }
    std::shared_ptr<DeviceInfoSet> elements = set_of(set);
    if (!elements) {
        return fail_with(ERROR_INVALID_HANDLE, FALSE);
    }
    if (interface_class == nullptr || interface_data == nullptr) {
        return fail_with(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::lock_guard lock(mutex_);
    DWORD seen = 0;
    for (std::size_t i = 0; i < elements->interfaces.size(); ++i) {
        const DeviceInfoSet::Interface& element = elements->interfaces[i];
        bool matches = element.interface_class == *interface_class &&
                       (device == nullptr || element.device == device->DevInst);
        if (matches && seen++ == index) {
            return fill_interface(interface_data, element.interface_class, i) ? TRUE : FALSE;
        }
    }
    return fail_with(ERROR_NO_MORE_ITEMS, FALSE);
}

BOOL VirtualHidSystem::SetupDiGetDeviceInterfaceDetailW(HDEVINFO set,
                                                        SP_DEVICE_INTERFACE_DATA* interface_data,
                                                        SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail,
                                                        DWORD size, DWORD* required,
                                                        SP_DEVINFO_DATA* device) {
    require(Win32Library::SetupApi);
    if (take_fault(Call::GetInterfaceDetail)) {
        return FALSE;
    }
    std::shared_ptr<DeviceInfoSet> elements = set_of(set);
    if (!elements) {
        return fail_with(ERROR_INVALID_HANDLE, FALSE);
    }
    std::lock_guard lock(mutex_);
    if (interface_data == nullptr || interface_data->Reserved == 0 ||
        interface_data->Reserved > elements->interfaces.size()) {
        return fail_with(ERROR_INVALID_PARAMETER, FALSE);
    }
    const DeviceInfoSet::Interface& element = elements->interfaces[interface_data->Reserved - 1];
    std::u16string path = widen(element.path);
    std::size_t path_bytes = (path.size() + 1) * sizeof(WCHAR);
    auto needed = static_cast<DWORD>(kPathOffset + path_bytes);
    if (required != nullptr) {
        *required = needed;
    }
    if (detail == nullptr) {
        return fail_with(size == 0 ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_USER_BUFFER, FALSE);
    }
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
        return fail_with(ERROR_INVALID_USER_BUFFER, FALSE);
    }
    if (size < needed) {
        return fail_with(ERROR_INSUFFICIENT_BUFFER, FALSE);
    }
    std::memcpy(reinterpret_cast<unsigned char*>(detail) + kPathOffset, path.c_str(), path_bytes);
    if (device != nullptr &&
        !fill_device(device, element.device, elements->add_device(element.device))) {
        return FALSE;
    }
    return TRUE;
}

BOOL VirtualHidSystem::SetupDiOpenDeviceInterfaceW(HDEVINFO set, LPCWSTR path, DWORD,
                                                   SP_DEVICE_INTERFACE_DATA* interface_data) {
    require(Win32Library::SetupApi);
    if (take_fault(Call::OpenDeviceInterface)) {
        return FALSE;
    }
    std::shared_ptr<DeviceInfoSet> elements = set_of(set);
    if (!elements) {
        return fail_with(ERROR_INVALID_HANDLE, FALSE);
    }
    if (path == nullptr) {
        return fail_with(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::string narrow_path = narrow(path);
    std::lock_guard lock(mutex_);
    auto node = collection_nodes_.find(narrow_path);
    if (node == collection_nodes_.end()) {
        return fail_with(ERROR_NO_SUCH_DEVICE_INTERFACE, FALSE);
    }
    elements->add_device(node->second);
    elements->interfaces.push_back({narrow_path, kHidClass, node->second});
    if (interface_data != nullptr &&
        !fill_interface(interface_data, kHidClass, elements->interfaces.size() - 1)) {
        return FALSE;
    }
    return TRUE;
}

BOOL VirtualHidSystem::SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* device) {
    require(Win32Library::SetupApi);
    std::shared_ptr<DeviceInfoSet> elements = set_of(set);
    if (!elements) {
        return fail_with(ERROR_INVALID_HANDLE, FALSE);
    }
    if (device == nullptr) {
        return fail_with(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::lock_guard lock(mutex_);
    if (index >= elements->devices.size()) {
        return fail_with(ERROR_NO_MORE_ITEMS, FALSE);
    }
    return fill_device(device, elements->devices[index], index) ? TRUE : FALSE;
}

BOOL VirtualHidSystem::SetupDiOpenDeviceInfoW(HDEVINFO set, LPCWSTR instance, HWND, DWORD,
                                              SP_DEVINFO_DATA* device) {
    require(Win32Library::SetupApi);
    std::shared_ptr<DeviceInfoSet> elements = set_of(set);
    if (!elements) {
        return fail_with(ERROR_INVALID_HANDLE, FALSE);
    }
    if (instance == nullptr) {
        return fail_with(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::lock_guard lock(mutex_);
    DEVINST node = node_of(narrow(instance));
    if (node == 0) {
        return fail_with(ERROR_NO_SUCH_DEVINST, FALSE);
    }
    std::size_t position = elements->add_device(node);
    return device == nullptr || fill_device(device, node, position) ? TRUE : FALSE;
}

BOOL VirtualHidSystem::SetupDiGetDevicePropertyW(HDEVINFO set, SP_DEVINFO_DATA*, const DEVPROPKEY*,
                                                 DEVPROPTYPE*, BYTE*, DWORD, DWORD*, DWORD) {
    require(Win32Library::SetupApi);
    return fail_with(set_of(set) ? ERROR_NOT_FOUND : ERROR_INVALID_HANDLE, FALSE);
}

HMODULE VirtualHidSystem::LoadCfgMgr32() {
    require(Win32Library::CfgMgr32);
    return HMODULE{0x10000000u};
}

CONFIGRET VirtualHidSystem::CM_Get_Parent(DEVINST* parent, DEVINST node, ULONG) {
    require(Win32Library::CfgMgr32);
    if (parent == nullptr) {
        return CR_INVALID_POINTER;
    }
    std::lock_guard lock(mutex_);
    auto found = nodes_.find(node);
    if (found == nodes_.end() || found->second.parent == 0) {
        return CR_NO_SUCH_DEVNODE;
    }
    *parent = found->second.parent;
    return CR_SUCCESS;
}

CONFIGRET VirtualHidSystem::CM_Get_Device_ID_Size(ULONG* length, DEVINST node, ULONG) {
    require(Win32Library::CfgMgr32);
    if (length == nullptr) {
        return CR_INVALID_POINTER;
    }
    std::lock_guard lock(mutex_);
    auto found = nodes_.find(node);
    if (found == nodes_.end()) {
        return CR_NO_SUCH_DEVNODE;
    }
    *length = static_cast<ULONG>(widen(found->second.instance).size());
    return CR_SUCCESS;
}

CONFIGRET VirtualHidSystem::CM_Get_Device_IDW(DEVINST node, WCHAR* buffer, ULONG length, ULONG) {
    require(Win32Library::CfgMgr32);
    if (buffer == nullptr) {
        return CR_INVALID_POINTER;
    }
    std::lock_guard lock(mutex_);
    auto found = nodes_.find(node);
    if (found == nodes_.end()) {
        return CR_NO_SUCH_DEVNODE;
    }
    std::u16string instance = widen(found->second.instance);
    if (length < instance.size() + 1) {
        return CR_BUFFER_SMALL;
    }
    std::copy(instance.c_str(), instance.c_str() + instance.size() + 1, buffer);
    return CR_SUCCESS;
}

} // namespace devio::sim
