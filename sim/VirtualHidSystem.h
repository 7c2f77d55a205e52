// The virtual HID world behind the system-API seam: HID collections that tests and the tool's
// simulation plug and unplug, reached by the Windows HID bus and device only through Win32System's
// calls. It models what those calls see of the system:
// - enumeration of the HID interface class (device-information sets, interface details), device
//   nodes with their parents and instance IDs, HID attributes, capabilities and product strings;
// - files with overlapped reads and writes (see VirtualCollection), events and waits, windows;
// - device-change messages: an arriving or leaving collection is announced with
//   DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE to the windows registered for the HID class,
//   and the removal (and its query) to the windows holding a handle notification for one of its
//   files. The messages are sent, so when plug, unplug or query_removal returns, the windows have
//   handled them.
// A plugged receiver (sim::VirtualReceiver) appears as its two collections, vendor page 0xFF00
// usage 1 (7-byte reports) and usage 2 (20-byte reports), under one parent device.
//
// The virtual machine has no Bluetooth stack: the Bluetooth calls behave as on a machine without
// its libraries (Win32System's own behaviour).
//
// Thread-safe. A receiver must stay alive while it is plugged.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "Source/Windows/Win32System.h"
#include "sim/HidCollectionDescription.h"
#include "sim/VirtualCollection.h"
#include "sim/VirtualReceiver.h"

namespace devio::sim {

class VirtualHidSystem : public Win32System {
public:
    // Calls whose next uses a test can make fail (fail_next).
    enum class Call {
        CreateFile,
        GetAttributes,
        GetProductString,
        GetPreparsedData,
        GetCaps,
        GetValueCaps,
        GetButtonCaps,
        GetClassDevs,
        EnumDeviceInterfaces,
        GetInterfaceDetail,
        OpenDeviceInterface,
        RegisterDeviceNotification,
        CreateWindow,
    };

    // The interface class of HID collections in this system (HidD_GetHidGuid).
    static const GUID kHidClass;

    VirtualHidSystem() = default;
    // Unplugs every receiver still plugged.
    ~VirtualHidSystem() override;

    // Plugs a collection and announces its arrival. False when a collection with its path is
    // plugged already.
    bool plug(HidCollectionDescription description);
    // Surprise removal: pending operations on its files end with ERROR_DEVICE_NOT_CONNECTED, then
    // the removal is announced (handle notifications first). False for an unknown path.
    bool unplug(const std::string& path);
    // Asks the holders of handle notifications for the collection whether it may be removed
    // (DBT_DEVICEQUERYREMOVE). When one refuses, the others learn that the removal failed
    // (DBT_DEVICEQUERYREMOVEFAILED) and false is returned. The collection stays plugged either way;
    // unplug completes a removal.
    bool query_removal(const std::string& path);
    // Tells the holders of handle notifications that a queried removal did not happen.
    bool fail_removal(const std::string& path);

    // A report from the device towards the host, on every open file of the collection. False when
    // the collection is not plugged or the report is not of its input length.
    bool send_to_host(const std::string& path, const Report& report);
    // Receives every report written to the collection (a plugged receiver has its own).
    bool set_write_handler(const std::string& path, VirtualCollection::WriteHandler handler);
    bool set_write_fault(const std::string& path, WriteFault fault);

    // Plugs the receiver's two collections at `location`; returns their paths, short first.
    // Empty when one of them is plugged already.
    std::vector<std::string> plug(VirtualReceiver& receiver, unsigned location = 1);
    // Unplugs them; the receiver no longer reaches the system.
    bool unplug(VirtualReceiver& receiver);

    // The next `times` calls of `call` fail with `error` (the HidP_ calls with
    // HIDP_STATUS_INVALID_PREPARSED_DATA and `error` as the last error).
    void fail_next(Call call, DWORD error, unsigned times = 1);
    // Calls into a missing library throw the loader's exception.
    void set_library_missing(Win32Library library, bool missing = true);

    std::vector<std::string> paths() const;
    // Files open on the collection; 0 for an unknown path.
    std::size_t open_files(const std::string& path) const;
    // Reads pending on the collection's files; 0 for an unknown path.
    std::size_t pending_reads(const std::string& path) const;

    void HidD_GetHidGuid(GUID* hid_class) override;
    BOOLEAN HidD_GetAttributes(HANDLE file, HIDD_ATTRIBUTES* attributes) override;
    BOOLEAN HidD_GetProductString(HANDLE file, LPVOID buffer, ULONG length) override;
    BOOLEAN HidD_GetPreparsedData(HANDLE file, PHIDP_PREPARSED_DATA* data) override;
    BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data) override;
    NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS* caps) override;
    NTSTATUS HidP_GetValueCaps(HIDP_REPORT_TYPE type, HIDP_VALUE_CAPS* caps, USHORT* length,
                               PHIDP_PREPARSED_DATA data) override;
    NTSTATUS HidP_GetButtonCaps(HIDP_REPORT_TYPE type, HIDP_BUTTON_CAPS* caps, USHORT* length,
                                PHIDP_PREPARSED_DATA data) override;
    NTSTATUS HidP_GetLinkCollectionNodes(HIDP_LINK_COLLECTION_NODE* nodes, ULONG* length,
                                         PHIDP_PREPARSED_DATA data) override;

    HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPVOID security, DWORD creation,
                       DWORD flags, HANDLE template_file) override;
    HDEVNOTIFY RegisterDeviceNotificationW(HWND recipient, const DEV_BROADCAST_HDR* filter,
                                           DWORD flags) override;
    HWND CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name, DWORD style,
                         int x, int y, int width, int height, HWND parent, HMENU menu,
                         HINSTANCE instance, LPVOID param) override;

    HDEVINFO SetupDiCreateDeviceInfoList(const GUID* setup_class, HWND parent) override;
    BOOL SetupDiOpenDeviceInterfaceW(HDEVINFO set, LPCWSTR path, DWORD flags,
                                     SP_DEVICE_INTERFACE_DATA* interface_data) override;
    BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* device) override;
    BOOL SetupDiOpenDeviceInfoW(HDEVINFO set, LPCWSTR instance, HWND parent, DWORD flags,
                                SP_DEVINFO_DATA* device) override;
    // Virtual device nodes carry no properties: ERROR_NOT_FOUND for every key.
    BOOL SetupDiGetDevicePropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, const DEVPROPKEY* key,
                                   DEVPROPTYPE* type, BYTE* buffer, DWORD size, DWORD* required,
                                   DWORD flags) override;
    HDEVINFO SetupDiGetClassDevsW(const GUID* interface_class, LPCWSTR enumerator, HWND parent,
                                  DWORD flags) override;
    BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override;
    BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* device,
                                     const GUID* interface_class, DWORD index,
                                     SP_DEVICE_INTERFACE_DATA* interface_data) override;
    BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* interface_data,
                                          SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD size,
                                          DWORD* required, SP_DEVINFO_DATA* device) override;

    HMODULE LoadCfgMgr32() override;
    CONFIGRET CM_Get_Parent(DEVINST* parent, DEVINST node, ULONG flags) override;
    CONFIGRET CM_Get_Device_ID_Size(ULONG* length, DEVINST node, ULONG flags) override;
    CONFIGRET CM_Get_Device_IDW(DEVINST node, WCHAR* buffer, ULONG length, ULONG flags) override;

protected:
    std::string device_of_file(HANDLE file) override;

private:
    class DeviceInfoSet;
    class PreparsedData;

    // A node of the device tree: a collection's node or the parent of collections.
    struct Node {
        std::string instance;
        DEVINST parent = 0; // 0: none known
        unsigned users = 0; // collections whose node or parent it is
    };

    struct PluggedReceiver {
        VirtualReceiver* receiver;
        std::shared_ptr<VirtualCollection> collections[2]; // short, long
    };

    void require(Win32Library library) const;
    bool take_fault(Call call);
    std::shared_ptr<VirtualCollection> find(const std::string& path) const;
    std::shared_ptr<VirtualCollection> collection_of(HANDLE file) const;
    // The collection of the file; null with ERROR_INVALID_HANDLE or ERROR_DEVICE_NOT_CONNECTED.
    std::shared_ptr<VirtualCollection> present_collection_of(HANDLE file) const;
    std::shared_ptr<DeviceInfoSet> set_of(HDEVINFO set) const;
    std::shared_ptr<PreparsedData> data_of(PHIDP_PREPARSED_DATA data) const;
    // Adds and releases a collection's nodes; mutex_ held.
    DEVINST add_node(const std::string& instance, DEVINST parent);
    void release_node(DEVINST node);
    DEVINST node_of(const std::string& instance) const; // 0 when unknown; mutex_ held
    std::shared_ptr<VirtualCollection> plug_locked(HidCollectionDescription description);
    void announce(DWORD event, const std::string& path);
    // Takes the collection out of the world and ends what is pending on it.
    std::shared_ptr<VirtualCollection> remove(const std::string& path);

    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<VirtualCollection>> collections_;
    std::map<std::string, DEVINST> collection_nodes_; // by path
    std::map<DEVINST, Node> nodes_;
    DEVINST last_node_ = 0;
    uint64_t pluggings_ = 0;
    std::vector<PluggedReceiver> receivers_;
    std::map<Call, std::pair<DWORD, unsigned>> faults_;
    std::set<Win32Library> missing_;
};

} // namespace devio::sim
