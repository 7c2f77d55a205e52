#include "sim/VirtualHidSystem.h"

#include <algorithm>
#include <cstring>

#include "Source/Windows/WideText.h"
#include "Source/Windows/Win32LastError.h"

namespace devio::sim {

const GUID VirtualHidSystem::kHidClass = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// A copy of a collection's description, as HidD_GetPreparsedData hands it out.
class VirtualHidSystem::PreparsedData : public KernelObject {
public:
    explicit PreparsedData(HidCollectionDescription description)
        : description(std::move(description)) {}
    bool closes_with_close_handle() const override { return false; }

    // The capabilities of one report type, buttons or values.
    std::vector<HidReportCapability> capabilities(HIDP_REPORT_TYPE type, bool buttons) const {
        std::vector<HidReportCapability> found;
        const auto* list = type == HidP_Input    ? &description.inputs
                           : type == HidP_Output ? &description.outputs
                                                 : nullptr;
        if (list != nullptr) {
            std::copy_if(list->begin(), list->end(), std::back_inserter(found),
                         [&](const HidReportCapability& cap) { return cap.button == buttons; });
        }
        return found;
    }

    USHORT report_length(HIDP_REPORT_TYPE type) const {
        return type == HidP_Input ? description.input_length : description.output_length;
    }

    // HidP_GetValueCaps and HidP_GetButtonCaps: the capabilities of the type that fit into
    // `*length` entries, each begun by `make` and completed with the collection's usage.
    template <class Cap, class Make>
    NTSTATUS copy(HIDP_REPORT_TYPE type, bool buttons, Cap* caps, USHORT* length, Make make) const {
        if (length == nullptr) {
            return HIDP_STATUS_INVALID_PREPARSED_DATA;
        }
        if (type != HidP_Input && type != HidP_Output && type != HidP_Feature) {
            return HIDP_STATUS_INVALID_REPORT_TYPE;
        }
        std::vector<HidReportCapability> found = capabilities(type, buttons);
        USHORT room = caps == nullptr ? 0 : *length;
        auto returned = static_cast<USHORT>(std::min<std::size_t>(room, found.size()));
        for (USHORT i = 0; i < returned; ++i) {
            caps[i] = make(report_length(type));
            caps[i].UsagePage = description.usage_page;
            caps[i].ReportID = found[i].report_id;
            caps[i].Usage = description.usage;
            caps[i].DataIndex = i;
        }
        *length = returned;
        return returned < found.size() ? HIDP_STATUS_BUFFER_TOO_SMALL : HIDP_STATUS_SUCCESS;
    }

    const HidCollectionDescription description;
};

VirtualHidSystem::~VirtualHidSystem() {
    std::vector<PluggedReceiver> receivers;
    {
        std::lock_guard lock(mutex_);
        receivers.swap(receivers_);
    }
    for (PluggedReceiver& plugged : receivers) {
        plugged.receiver->set_sink({});
    }
}

// The world

std::shared_ptr<VirtualCollection>
VirtualHidSystem::plug_locked(HidCollectionDescription description) {
    if (collections_.count(description.path) != 0) {
        return nullptr;
    }
    DEVINST parent =
        description.parent_instance.empty() ? 0 : add_node(description.parent_instance, 0);
    collection_nodes_[description.path] = add_node(description.instance, parent);
    std::string key = description.path + "#" + std::to_string(++pluggings_);
    std::string path = description.path;
    auto collection = std::make_shared<VirtualCollection>(std::move(description), key, kernel());
    collections_.emplace(path, collection);
    return collection;
}

bool VirtualHidSystem::plug(HidCollectionDescription description) {
    std::string path = description.path;
    {
        std::lock_guard lock(mutex_);
        if (!plug_locked(std::move(description))) {
            return false;
        }
    }
    announce(DBT_DEVICEARRIVAL, path);
    return true;
}

std::shared_ptr<VirtualCollection> VirtualHidSystem::remove(const std::string& path) {
    std::shared_ptr<VirtualCollection> collection;
    {
        std::lock_guard lock(mutex_);
        auto found = collections_.find(path);
        if (found == collections_.end()) {
            return nullptr;
        }
        collection = found->second;
        collections_.erase(found);
        DEVINST node = collection_nodes_[path];
        collection_nodes_.erase(path);
        DEVINST parent = nodes_.count(node) != 0 ? nodes_[node].parent : 0;
        release_node(node);
        release_node(parent);
    }
    collection->vanish();
    return collection;
}

bool VirtualHidSystem::unplug(const std::string& path) {
    std::shared_ptr<VirtualCollection> collection = remove(path);
    if (!collection) {
        return false;
    }
    notifications().send_handle_change(DBT_DEVICEREMOVECOMPLETE, collection->key());
    announce(DBT_DEVICEREMOVECOMPLETE, path);
    return true;
}

bool VirtualHidSystem::query_removal(const std::string& path) {
    std::shared_ptr<VirtualCollection> collection = find(path);
    if (!collection) {
        return false;
    }
    if (notifications().send_handle_change(DBT_DEVICEQUERYREMOVE, collection->key())) {
        return true;
    }
    notifications().send_handle_change(DBT_DEVICEQUERYREMOVEFAILED, collection->key());
    return false;
}

bool VirtualHidSystem::fail_removal(const std::string& path) {
    std::shared_ptr<VirtualCollection> collection = find(path);
    if (!collection) {
        return false;
    }
    notifications().send_handle_change(DBT_DEVICEQUERYREMOVEFAILED, collection->key());
    return true;
}

void VirtualHidSystem::announce(DWORD event, const std::string& path) {
    notifications().send_interface_change(event, kHidClass, widen(path));
}

bool VirtualHidSystem::send_to_host(const std::string& path, const Report& report) {
    std::shared_ptr<VirtualCollection> collection = find(path);
    return collection && collection->deliver(report);
}

bool VirtualHidSystem::set_write_handler(const std::string& path,
                                         VirtualCollection::WriteHandler handler) {
    std::shared_ptr<VirtualCollection> collection = find(path);
    if (collection) {
        collection->set_write_handler(std::move(handler));
    }
    return collection != nullptr;
}

bool VirtualHidSystem::set_write_fault(const std::string& path, WriteFault fault) {
    std::shared_ptr<VirtualCollection> collection = find(path);
    if (collection) {
        collection->set_write_fault(fault);
    }
    return collection != nullptr;
}

std::vector<std::string> VirtualHidSystem::plug(VirtualReceiver& receiver, unsigned location) {
    PluggedReceiver plugged{&receiver, {}};
    std::vector<std::string> paths;
    {
        std::lock_guard lock(mutex_);
        for (Collection which : {Collection::Short, Collection::Long}) {
            CollectionInfo info = collection_info(which);
            HidCollectionDescription description = vendor_collection(
                receiver.vendor_id(), receiver.product_id(), info.usage_page, info.usage,
                info.report_id, static_cast<uint16_t>(info.report_length), location,
                which == Collection::Short ? 1 : 2);
            description.product = receiver.product_string();
            if (collections_.count(description.path) != 0) {
                return {};
            }
            paths.push_back(description.path);
            plugged.collections[paths.size() - 1] = plug_locked(std::move(description));
        }
        receivers_.push_back(plugged);
    }
    for (int i = 0; i < 2; ++i) {
        Collection which = i == 0 ? Collection::Short : Collection::Long;
        plugged.collections[i]->set_write_handler(
            [&receiver, which](const Report& report) { receiver.host_write(which, report); });
    }
    receiver.set_sink([short_one = plugged.collections[0],
                       long_one = plugged.collections[1]](Collection which, const Report& report) {
        (which == Collection::Short ? short_one : long_one)->deliver(report);
    });
    for (const std::string& path : paths) {
        announce(DBT_DEVICEARRIVAL, path);
    }
    return paths;
}

bool VirtualHidSystem::unplug(VirtualReceiver& receiver) {
    PluggedReceiver plugged{};
    {
        std::lock_guard lock(mutex_);
        auto found = std::find_if(receivers_.begin(), receivers_.end(),
                                  [&](const auto& entry) { return entry.receiver == &receiver; });
        if (found == receivers_.end()) {
            return false;
        }
        plugged = *found;
        receivers_.erase(found);
    }
    receiver.set_sink({});
    for (const auto& collection : plugged.collections) {
        unplug(collection->description().path);
    }
    return true;
}

void VirtualHidSystem::fail_next(Call call, DWORD error, unsigned times) {
    std::lock_guard lock(mutex_);
    faults_[call] = {error, times};
}

void VirtualHidSystem::set_library_missing(Win32Library library, bool missing) {
    std::lock_guard lock(mutex_);
    if (missing) {
        missing_.insert(library);
    } else {
        missing_.erase(library);
    }
}

std::vector<std::string> VirtualHidSystem::paths() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> paths;
    for (const auto& entry : collections_) {
        paths.push_back(entry.first);
    }
    return paths;
}

std::size_t VirtualHidSystem::open_files(const std::string& path) const {
    std::shared_ptr<VirtualCollection> collection = find(path);
    return collection ? collection->open_files() : 0;
}

std::size_t VirtualHidSystem::pending_reads(const std::string& path) const {
    std::shared_ptr<VirtualCollection> collection = find(path);
    return collection ? collection->pending_reads() : 0;
}

// Bookkeeping

void VirtualHidSystem::require(Win32Library library) const {
    bool missing;
    {
        std::lock_guard lock(mutex_);
        missing = missing_.count(library) != 0;
    }
    if (missing) {
        throw_library_missing(library);
    }
}

bool VirtualHidSystem::take_fault(Call call) {
    std::lock_guard lock(mutex_);
    auto found = faults_.find(call);
    if (found == faults_.end()) {
        return false;
    }
    set_win32_last_error(found->second.first);
    if (--found->second.second == 0) {
        faults_.erase(found);
    }
    return true;
}

std::shared_ptr<VirtualCollection> VirtualHidSystem::find(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto found = collections_.find(path);
    return found == collections_.end() ? nullptr : found->second;
}

std::shared_ptr<VirtualCollection> VirtualHidSystem::collection_of(HANDLE file) const {
    auto object = kernel().find_as<VirtualHidFile>(static_cast<uint32_t>(file));
    return object ? object->collection() : nullptr;
}

std::shared_ptr<VirtualCollection> VirtualHidSystem::present_collection_of(HANDLE file) const {
    std::shared_ptr<VirtualCollection> collection = collection_of(file);
    if (!collection) {
        return fail_with(ERROR_INVALID_HANDLE, nullptr);
    }
    if (!collection->present()) {
        return fail_with(ERROR_DEVICE_NOT_CONNECTED, nullptr);
    }
    return collection;
}

std::shared_ptr<VirtualHidSystem::PreparsedData>
VirtualHidSystem::data_of(PHIDP_PREPARSED_DATA data) const {
    return kernel().find_as<PreparsedData>(static_cast<uint32_t>(data));
}

DEVINST VirtualHidSystem::node_of(const std::string& instance) const {
    for (const auto& [node, entry] : nodes_) {
        if (entry.instance == instance) {
            return node;
        }
    }
    return 0;
}

DEVINST VirtualHidSystem::add_node(const std::string& instance, DEVINST parent) {
    DEVINST node = node_of(instance);
    if (node == 0) {
        node = ++last_node_;
        nodes_[node] = {instance, parent, 0};
    }
    ++nodes_[node].users;
    return node;
}

void VirtualHidSystem::release_node(DEVINST node) {
    auto found = nodes_.find(node);
    if (found != nodes_.end() && --found->second.users == 0) {
        nodes_.erase(found);
    }
}

std::string VirtualHidSystem::device_of_file(HANDLE file) {
    std::shared_ptr<VirtualCollection> collection = collection_of(file);
    return collection && collection->present() ? collection->key() : std::string();
}

// HID

void VirtualHidSystem::HidD_GetHidGuid(GUID* hid_class) {
    require(Win32Library::Hid);
    *hid_class = kHidClass;
}

BOOLEAN VirtualHidSystem::HidD_GetAttributes(HANDLE file, HIDD_ATTRIBUTES* attributes) {
    require(Win32Library::Hid);
    if (take_fault(Call::GetAttributes)) {
        return FALSE;
    }
    std::shared_ptr<VirtualCollection> collection = present_collection_of(file);
    if (!collection) {
        return FALSE;
    }
    if (attributes == nullptr || attributes->Size != sizeof(HIDD_ATTRIBUTES)) {
        return fail_with(ERROR_INVALID_PARAMETER, BOOLEAN{FALSE});
    }
    const HidCollectionDescription& description = collection->description();
    attributes->VendorID = description.vendor_id;
    attributes->ProductID = description.product_id;
    attributes->VersionNumber = description.version;
    return TRUE;
}

BOOLEAN VirtualHidSystem::HidD_GetProductString(HANDLE file, LPVOID buffer, ULONG length) {
    require(Win32Library::Hid);
    if (take_fault(Call::GetProductString)) {
        return FALSE;
    }
    std::shared_ptr<VirtualCollection> collection = present_collection_of(file);
    if (!collection) {
        return FALSE;
    }
    std::u16string product = widen(collection->description().product);
    if (buffer == nullptr || length < (product.size() + 1) * sizeof(WCHAR)) {
        return fail_with(ERROR_INSUFFICIENT_BUFFER, BOOLEAN{FALSE});
    }
    std::memcpy(buffer, product.c_str(), (product.size() + 1) * sizeof(WCHAR));
    return TRUE;
}

BOOLEAN VirtualHidSystem::HidD_GetPreparsedData(HANDLE file, PHIDP_PREPARSED_DATA* data) {
    require(Win32Library::Hid);
    if (take_fault(Call::GetPreparsedData)) {
        return FALSE;
    }
    std::shared_ptr<VirtualCollection> collection = present_collection_of(file);
    if (!collection) {
        return FALSE;
    }
    if (data == nullptr) {
        return fail_with(ERROR_INVALID_PARAMETER, BOOLEAN{FALSE});
    }
    *data = PHIDP_PREPARSED_DATA{
        kernel().insert(std::make_shared<PreparsedData>(collection->description()))};
    return TRUE;
}

BOOLEAN VirtualHidSystem::HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data) {
    require(Win32Library::Hid);
    if (!data_of(data) || !kernel().remove(static_cast<uint32_t>(data))) {
        return fail_with(ERROR_INVALID_HANDLE, BOOLEAN{FALSE});
    }
    return TRUE;
}

NTSTATUS VirtualHidSystem::HidP_GetCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS* caps) {
    require(Win32Library::Hid);
    std::shared_ptr<PreparsedData> parsed = data_of(data);
    if (take_fault(Call::GetCaps) || !parsed || caps == nullptr) {
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    auto count = [&](HIDP_REPORT_TYPE type, bool buttons) {
        return static_cast<USHORT>(parsed->capabilities(type, buttons).size());
    };
    const HidCollectionDescription& description = parsed->description;
    *caps = HIDP_CAPS{};
    caps->Usage = description.usage;
    caps->UsagePage = description.usage_page;
    caps->InputReportByteLength = description.input_length;
    caps->OutputReportByteLength = description.output_length;
    caps->FeatureReportByteLength = description.feature_length;
    caps->NumberLinkCollectionNodes = 1;
    caps->NumberInputButtonCaps = count(HidP_Input, true);
    caps->NumberInputValueCaps = count(HidP_Input, false);
    caps->NumberInputDataIndices = static_cast<USHORT>(description.inputs.size());
    caps->NumberOutputButtonCaps = count(HidP_Output, true);
    caps->NumberOutputValueCaps = count(HidP_Output, false);
    caps->NumberOutputDataIndices = static_cast<USHORT>(description.outputs.size());
    return HIDP_STATUS_SUCCESS;
}

NTSTATUS VirtualHidSystem::HidP_GetValueCaps(HIDP_REPORT_TYPE type, HIDP_VALUE_CAPS* caps,
                                             USHORT* length, PHIDP_PREPARSED_DATA data) {
    require(Win32Library::Hid);
    std::shared_ptr<PreparsedData> parsed = data_of(data);
    if (take_fault(Call::GetValueCaps) || !parsed) {
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    return parsed->copy(type, false, caps, length, [](USHORT report_length) {
        HIDP_VALUE_CAPS cap;
        cap.BitSize = 8;
        cap.ReportCount = static_cast<USHORT>(report_length - 1);
        return cap;
    });
}

NTSTATUS VirtualHidSystem::HidP_GetButtonCaps(HIDP_REPORT_TYPE type, HIDP_BUTTON_CAPS* caps,
                                              USHORT* length, PHIDP_PREPARSED_DATA data) {
    require(Win32Library::Hid);
    std::shared_ptr<PreparsedData> parsed = data_of(data);
    if (take_fault(Call::GetButtonCaps) || !parsed) {
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    return parsed->copy(type, true, caps, length, [](USHORT) { return HIDP_BUTTON_CAPS{}; });
}

NTSTATUS VirtualHidSystem::HidP_GetLinkCollectionNodes(HIDP_LINK_COLLECTION_NODE* nodes,
                                                       ULONG* length, PHIDP_PREPARSED_DATA data) {
    require(Win32Library::Hid);
    std::shared_ptr<PreparsedData> parsed = data_of(data);
    if (!parsed || length == nullptr) {
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    if (nodes == nullptr || *length < 1) {
        *length = 1;
        return HIDP_STATUS_BUFFER_TOO_SMALL;
    }
    nodes[0] = HIDP_LINK_COLLECTION_NODE{};
    nodes[0].LinkUsage = parsed->description.usage;
    nodes[0].LinkUsagePage = parsed->description.usage_page;
    nodes[0].CollectionType = 1;
    *length = 1;
    return HIDP_STATUS_SUCCESS;
}

// Files, notifications and windows

HANDLE VirtualHidSystem::CreateFileW(LPCWSTR path, DWORD, DWORD, LPVOID, DWORD creation, DWORD,
                                     HANDLE) {
    if (take_fault(Call::CreateFile)) {
        return INVALID_HANDLE_VALUE;
    }
    if (path == nullptr || creation != OPEN_EXISTING) {
        return fail_with(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    }
    std::shared_ptr<VirtualCollection> collection = find(narrow(path));
    if (!collection) {
        return fail_with(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    }
    std::shared_ptr<VirtualHidFile> file = collection->open();
    if (!file) {
        return INVALID_HANDLE_VALUE;
    }
    return HANDLE{kernel().insert(std::move(file))};
}

HDEVNOTIFY VirtualHidSystem::RegisterDeviceNotificationW(HWND recipient,
                                                         const DEV_BROADCAST_HDR* filter,
                                                         DWORD flags) {
    if (take_fault(Call::RegisterDeviceNotification)) {
        return HDEVNOTIFY{};
    }
    return Win32System::RegisterDeviceNotificationW(recipient, filter, flags);
}

HWND VirtualHidSystem::CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name,
                                       DWORD style, int x, int y, int width, int height,
                                       HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    if (take_fault(Call::CreateWindow)) {
        return HWND{};
    }
    return Win32System::CreateWindowExW(ex_style, class_name, window_name, style, x, y, width,
                                        height, parent, menu, instance, param);
}

} // namespace devio::sim
