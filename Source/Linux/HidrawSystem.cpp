#include "Source/Linux/HidrawSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "Source/Linux/HidrawFile.h"
#include "Source/Log/xLog.h"
#include "Source/Windows/WideText.h"
#include "Source/Windows/Win32Device.h"
#include "Source/Windows/Win32LastError.h"

namespace devio {
namespace {

const char* const kTag = "HidrawSystem";

// The system error for an errno of open().
DWORD error_of_open(int error) {
    switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

// The node's report descriptor from the kernel into `node`; false when the file is no hidraw
// node, which keeps what sysfs said.
bool read_descriptor(int fd, HidrawNode& node) {
    int size = 0;
    if (ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
        return false;
    }
    auto descriptor = std::make_unique<hidraw_report_descriptor>();
    descriptor->size = static_cast<uint32_t>(size);
    if (ioctl(fd, HIDIOCGRDESC, descriptor.get()) < 0) {
        return false;
    }
    node.descriptor.assign(descriptor->value, descriptor->value + size);
    node.collections =
        HidReportDescriptor::parse(node.descriptor.data(), node.descriptor.size(), node.devnode)
            .collections;
    return true;
}

} // namespace

const GUID HidrawSystem::kHidClass = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// A collection opened on its node.
class HidrawSystem::Collection : public HidrawFile {
public:
    Collection(int fd, HidrawNode node, std::size_t index, std::string path, KernelObjects& kernel)
        : HidrawFile(fd, file_collection(node.collections[index], node.collections.size() > 1),
                     kernel, path),
          node(std::move(node)), index(index), path(std::move(path)) {}

    const HidTopLevelCollection& collection() const { return node.collections[index]; }
    // The name handle notifications follow: the collection of this plugging of the device.
    std::string key() const { return node.device_path + "#" + std::to_string(index); }

    const HidrawNode node;
    const std::size_t index;
    const std::string path;

private:
    static HidrawFile::Collection file_collection(const HidTopLevelCollection& collection,
                                                  bool shares_node) {
        HidrawFile::Collection described;
        described.input_length = collection.caps.InputReportByteLength;
        described.uses_report_ids = collection.uses_report_ids;
        described.input_report_ids = collection.input_report_ids;
        described.shares_node = shares_node;
        return described;
    }
};

// What HidD_GetPreparsedData hands out: a copy of the collection's description.
class HidrawSystem::Preparsed : public KernelObject {
public:
    explicit Preparsed(HidTopLevelCollection collection) : collection(std::move(collection)) {}
    bool closes_with_close_handle() const override { return false; }
    const HidTopLevelCollection collection;
};

// The collection paths of one SetupDiGetClassDevsW.
class HidrawSystem::PathSet : public KernelObject {
public:
    bool closes_with_close_handle() const override { return false; }
    std::vector<std::string> paths;
};

HidrawSystem::HidrawSystem(std::string sysfs_root, std::string dev_root)
    : sysfs_root_(std::move(sysfs_root)), dev_root_(std::move(dev_root)), udev_(sysfs_root_) {
    sys::MutexLock lock(mutex_);
    known_ = read_nodes();
}

HidrawSystem::~HidrawSystem() {
    udev_.stop();
}

bool HidrawSystem::monitor() {
    return udev_.start([this](const std::string& action, const std::string& sysname) {
        on_udev(action, sysname);
    });
}

// Nodes and device changes

std::map<std::string, HidrawNode> HidrawSystem::read_nodes() {
    std::map<std::string, HidrawNode> nodes;
    for (const std::string& sysname : udev_.list()) {
        if (std::optional<HidrawNode> node = HidrawNode::read(sysfs_root_, dev_root_, sysname)) {
            nodes.emplace(sysname, std::move(*node));
        }
    }
    return nodes;
}

void HidrawSystem::stop_monitor() {
    udev_.stop();
}

void HidrawSystem::set_access_denied_handler(AccessDeniedHandler handler) {
    sys::MutexLock lock(mutex_);
    access_denied_ = std::move(handler);
}

void HidrawSystem::on_udev(const std::string& action, const std::string&) {
    if (action == "add" || action == "remove" || action == "change") {
        rescan();
    }
}

void HidrawSystem::rescan() {
    sys::MutexLock serial(rescan_mutex_);
    std::map<std::string, HidrawNode> now = read_nodes();
    std::vector<HidrawNode> gone;
    std::vector<HidrawNode> come;
    {
        sys::MutexLock lock(mutex_);
        for (const auto& [sysname, node] : known_) {
            auto found = now.find(sysname);
            if (found == now.end() || found->second.device_path != node.device_path) {
                gone.push_back(node);
            }
        }
        for (const auto& [sysname, node] : now) {
            auto found = known_.find(sysname);
            if (found == known_.end() || found->second.device_path != node.device_path) {
                come.push_back(node);
            }
        }
        known_ = now;
    }
    for (const HidrawNode& node : gone) {
        removed(node);
    }
    for (const HidrawNode& node : come) {
        arrived(node);
    }
}

void HidrawSystem::removed(const HidrawNode& node) {
    xLogWrite(kTag, kLogInfo, "devio::HidrawSystem::removed", "%s removed (%s)",
              node.sysname.c_str(), node.device_path.c_str());
    std::vector<std::shared_ptr<Collection>> files;
    {
        sys::MutexLock lock(mutex_);
        for (const auto& weak : open_) {
            std::shared_ptr<Collection> file = weak.lock();
            if (file && file->node.device_path == node.device_path) {
                files.push_back(file);
            }
        }
    }
    for (const auto& file : files) {
        file->vanish();
    }
    std::vector<std::string> paths = node.paths();
    for (std::size_t i = 0; i < paths.size(); ++i) {
        notifications().send_handle_change(DBT_DEVICEREMOVECOMPLETE,
                                           node.device_path + "#" + std::to_string(i));
    }
    for (const std::string& path : paths) {
        notifications().send_interface_change(DBT_DEVICEREMOVECOMPLETE, kHidClass, widen(path));
    }
}

void HidrawSystem::arrived(const HidrawNode& node) {
    xLogWrite(kTag, kLogInfo, "devio::HidrawSystem::arrived", "%s arrived (%s)",
              node.sysname.c_str(), node.device_path.c_str());
    for (const std::string& path : node.paths()) {
        notifications().send_interface_change(DBT_DEVICEARRIVAL, kHidClass, widen(path));
    }
}

std::vector<std::string> HidrawSystem::paths() {
    std::vector<std::string> all;
    for (const auto& [sysname, node] : read_nodes()) {
        std::vector<std::string> paths = node.paths();
        all.insert(all.end(), paths.begin(), paths.end());
    }
    return all;
}

std::size_t HidrawSystem::open_files(const std::string& devnode) const {
    sys::MutexLock lock(mutex_);
    return static_cast<std::size_t>(std::count_if(open_.begin(), open_.end(), [&](const auto& w) {
        std::shared_ptr<Collection> file = w.lock();
        return file && file->node.devnode == devnode;
    }));
}

std::optional<HidrawNode> HidrawSystem::node_of_path(const std::string& path, std::size_t* index) {
    std::string devnode;
    if (!HidrawNode::split_path(path, &devnode, index)) {
        return std::nullopt;
    }
    std::string prefix = dev_root_ + "/";
    if (devnode.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    return HidrawNode::read(sysfs_root_, dev_root_, devnode.substr(prefix.size()));
}

// Files

HANDLE HidrawSystem::CreateFileW(LPCWSTR wide_path, DWORD access, DWORD, LPVOID, DWORD creation,
                                 DWORD, HANDLE) {
    const char* where = "devio::HidrawSystem::CreateFileW";
    if (wide_path == nullptr || creation != OPEN_EXISTING) {
        return fail_with(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    }
    std::string path = narrow(wide_path);
    std::size_t index = 0;
    std::optional<HidrawNode> node = node_of_path(path, &index);
    if (!node) {
        xLogWrite(kTag, kLogInfo, where, "%s: no such hidraw node", path.c_str());
        return fail_with(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    }
    int mode = (access & GENERIC_WRITE) != 0 ? ((access & GENERIC_READ) != 0 ? O_RDWR : O_WRONLY)
                                             : O_RDONLY;
    int fd = open(node->devnode.c_str(), mode | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        xLogWrite(kTag, error == EACCES ? kLogWarning : kLogInfo, where, "%s: open failed: %s",
                  node->devnode.c_str(), std::strerror(error));
        DWORD failure = error_of_open(error);
        if (failure == ERROR_ACCESS_DENIED && node->vendor_id == Win32Device::kVarkonVendorId) {
            AccessDeniedHandler handler;
            {
                sys::MutexLock lock(mutex_);
                handler = access_denied_;
            }
            if (handler) {
                handler(*node);
            }
        }
        return fail_with(failure, INVALID_HANDLE_VALUE);
    }
    read_descriptor(fd, *node);
    if (index >= node->collections.size() ||
        (index == 0 && node->collections.size() > 1 && path == node->devnode)) {
        xLogWrite(kTag, kLogInfo, where, "%s: no collection %zu the HID service can describe",
                  path.c_str(), index + 1);
        close(fd);
        return fail_with(ERROR_NOT_SUPPORTED, INVALID_HANDLE_VALUE);
    }
    auto file = std::make_shared<Collection>(fd, std::move(*node), index, path, kernel());
    if (!file->start()) {
        return INVALID_HANDLE_VALUE;
    }
    {
        sys::MutexLock lock(mutex_);
        std::erase_if(open_, [](const auto& weak) { return weak.expired(); });
        open_.push_back(file);
    }
    return HANDLE{kernel().insert(std::move(file))};
}

std::shared_ptr<HidrawSystem::Collection> HidrawSystem::collection_of(HANDLE file) const {
    auto found = kernel().find_as<Collection>(static_cast<uint32_t>(file));
    return found ? found : fail_with(ERROR_INVALID_HANDLE, nullptr);
}

std::string HidrawSystem::device_of_file(HANDLE file) {
    std::shared_ptr<Collection> collection =
        kernel().find_as<Collection>(static_cast<uint32_t>(file));
    return collection ? collection->key() : std::string();
}

// HID

void HidrawSystem::HidD_GetHidGuid(GUID* hid_class) {
    *hid_class = kHidClass;
}

BOOLEAN HidrawSystem::HidD_GetAttributes(HANDLE file, HIDD_ATTRIBUTES* attributes) {
    std::shared_ptr<Collection> collection = collection_of(file);
    if (!collection) {
        return FALSE;
    }
    if (attributes == nullptr || attributes->Size != sizeof(HIDD_ATTRIBUTES)) {
        return fail_with(ERROR_INVALID_PARAMETER, BOOLEAN{FALSE});
    }
    attributes->VendorID = collection->node.vendor_id;
    attributes->ProductID = collection->node.product_id;
    attributes->VersionNumber = collection->node.version;
    return TRUE;
}

BOOLEAN HidrawSystem::HidD_GetProductString(HANDLE file, LPVOID buffer, ULONG length) {
    std::shared_ptr<Collection> collection = collection_of(file);
    if (!collection) {
        return FALSE;
    }
    std::u16string product = widen(collection->node.name);
    if (buffer == nullptr || length < (product.size() + 1) * sizeof(WCHAR)) {
        return fail_with(ERROR_INSUFFICIENT_BUFFER, BOOLEAN{FALSE});
    }
    std::memcpy(buffer, product.c_str(), (product.size() + 1) * sizeof(WCHAR));
    return TRUE;
}

BOOLEAN HidrawSystem::HidD_GetPreparsedData(HANDLE file, PHIDP_PREPARSED_DATA* data) {
    std::shared_ptr<Collection> collection = collection_of(file);
    if (!collection) {
        return FALSE;
    }
    if (data == nullptr) {
        return fail_with(ERROR_INVALID_PARAMETER, BOOLEAN{FALSE});
    }
    *data = PHIDP_PREPARSED_DATA{
        kernel().insert(std::make_shared<Preparsed>(collection->collection()))};
    return TRUE;
}

std::shared_ptr<HidrawSystem::Preparsed>
HidrawSystem::preparsed_of(PHIDP_PREPARSED_DATA data) const {
    return kernel().find_as<Preparsed>(static_cast<uint32_t>(data));
}

BOOLEAN HidrawSystem::HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data) {
    if (!preparsed_of(data) || !kernel().remove(static_cast<uint32_t>(data))) {
        return fail_with(ERROR_INVALID_HANDLE, BOOLEAN{FALSE});
    }
    return TRUE;
}

NTSTATUS HidrawSystem::HidP_GetCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS* caps) {
    std::shared_ptr<Preparsed> parsed = preparsed_of(data);
    if (!parsed || caps == nullptr) {
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    *caps = parsed->collection.caps;
    return HIDP_STATUS_SUCCESS;
}

namespace {

// Copies as many entries as `*length` allows; BUFFER_TOO_SMALL when some did not fit.
template <class Cap>
NTSTATUS copy_caps(const std::vector<Cap>& found, Cap* caps, USHORT* length) {
    if (length == nullptr) {
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    USHORT room = caps == nullptr ? 0 : *length;
    auto returned = static_cast<USHORT>(std::min<std::size_t>(room, found.size()));
    std::copy(found.begin(), found.begin() + returned, caps);
    *length = returned;
    return returned < found.size() ? HIDP_STATUS_BUFFER_TOO_SMALL : HIDP_STATUS_SUCCESS;
}

bool valid_type(HIDP_REPORT_TYPE type) {
    return type == HidP_Input || type == HidP_Output || type == HidP_Feature;
}

} // namespace

NTSTATUS HidrawSystem::HidP_GetValueCaps(HIDP_REPORT_TYPE type, HIDP_VALUE_CAPS* caps,
                                         USHORT* length, PHIDP_PREPARSED_DATA data) {
    std::shared_ptr<Preparsed> parsed = preparsed_of(data);
    if (!parsed) {
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    if (!valid_type(type)) {
        return HIDP_STATUS_INVALID_REPORT_TYPE;
    }
    return copy_caps(parsed->collection.values[type], caps, length);
}

NTSTATUS HidrawSystem::HidP_GetButtonCaps(HIDP_REPORT_TYPE type, HIDP_BUTTON_CAPS* caps,
                                          USHORT* length, PHIDP_PREPARSED_DATA data) {
    std::shared_ptr<Preparsed> parsed = preparsed_of(data);
    if (!parsed) {
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    if (!valid_type(type)) {
        return HIDP_STATUS_INVALID_REPORT_TYPE;
    }
    return copy_caps(parsed->collection.buttons[type], caps, length);
}

NTSTATUS HidrawSystem::HidP_GetLinkCollectionNodes(HIDP_LINK_COLLECTION_NODE* nodes, ULONG* length,
                                                   PHIDP_PREPARSED_DATA data) {
    std::shared_ptr<Preparsed> parsed = preparsed_of(data);
    if (!parsed || length == nullptr) {
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    const auto& links = parsed->collection.links;
    if (nodes == nullptr || *length < links.size()) {
        *length = static_cast<ULONG>(links.size());
        return HIDP_STATUS_BUFFER_TOO_SMALL;
    }
    std::copy(links.begin(), links.end(), nodes);
    *length = static_cast<ULONG>(links.size());
    return HIDP_STATUS_SUCCESS;
}

// Enumeration

HDEVINFO HidrawSystem::SetupDiCreateDeviceInfoList(const GUID*, HWND) {
    return HANDLE{kernel().insert(std::make_shared<PathSet>())};
}

HDEVINFO HidrawSystem::SetupDiGetClassDevsW(const GUID* interface_class, LPCWSTR, HWND,
                                            DWORD flags) {
    if (interface_class == nullptr && (flags & DIGCF_ALLCLASSES) == 0) {
        return fail_with(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    }
    auto set = std::make_shared<PathSet>();
    bool of_class = interface_class == nullptr || *interface_class == kHidClass;
    if ((flags & DIGCF_DEVICEINTERFACE) != 0 && of_class) {
        set->paths = paths();
    }
    return HANDLE{kernel().insert(std::move(set))};
}

BOOL HidrawSystem::SetupDiDestroyDeviceInfoList(HDEVINFO set) {
    if (!kernel().find_as<PathSet>(static_cast<uint32_t>(set)) ||
        !kernel().remove(static_cast<uint32_t>(set))) {
        return fail_with(ERROR_INVALID_HANDLE, FALSE);
    }
    return TRUE;
}

BOOL HidrawSystem::SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* device,
                                               const GUID* interface_class, DWORD index,
                                               SP_DEVICE_INTERFACE_DATA* interface_data) {
    std::shared_ptr<PathSet> paths = kernel().find_as<PathSet>(static_cast<uint32_t>(set));
    if (!paths) {
        return fail_with(ERROR_INVALID_HANDLE, FALSE);
    }
    if (device != nullptr || interface_class == nullptr || interface_data == nullptr) {
        return fail_with(ERROR_INVALID_PARAMETER, FALSE);
    }
    if (*interface_class != kHidClass || index >= paths->paths.size()) {
        return fail_with(ERROR_NO_MORE_ITEMS, FALSE);
    }
    if (interface_data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        return fail_with(ERROR_INVALID_USER_BUFFER, FALSE);
    }
    interface_data->InterfaceClassGuid = kHidClass;
    interface_data->Flags = SPINT_ACTIVE;
    interface_data->Reserved = index + 1;
    return TRUE;
}

BOOL HidrawSystem::SetupDiGetDeviceInterfaceDetailW(HDEVINFO set,
                                                    SP_DEVICE_INTERFACE_DATA* interface_data,
                                                    SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail,
                                                    DWORD size, DWORD* required,
                                                    SP_DEVINFO_DATA* device) {
    constexpr std::size_t kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    std::shared_ptr<PathSet> paths = kernel().find_as<PathSet>(static_cast<uint32_t>(set));
    if (!paths) {
        return fail_with(ERROR_INVALID_HANDLE, FALSE);
    }
    if (interface_data == nullptr || interface_data->Reserved == 0 ||
        interface_data->Reserved > paths->paths.size() || device != nullptr) {
        return fail_with(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::u16string path = widen(paths->paths[interface_data->Reserved - 1]);
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
    return TRUE;
}

std::string HidrawSystem::setupdi_instance_from_path(const std::string& path) {
    return path;
}

std::string HidrawSystem::setupdi_parent(const std::string& instance) {
    std::size_t index = 0;
    std::optional<HidrawNode> node = node_of_path(instance, &index);
    if (!node) {
        xLogWrite(kTag, kLogInfo, "devio::HidrawSystem::setupdi_parent", "%s: no such node",
                  instance.c_str());
        return {};
    }
    return node->parent_instance;
}

} // namespace devio
