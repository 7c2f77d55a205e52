// The system-API seam over Linux's hidraw nodes: the HID bus and device of Source/Windows run on
// real HID devices through it.
// - Enumeration: the HID interface class lists one path per top-level collection of every hidraw
//   node on USB or Bluetooth (HidrawNode); attributes, product string and parent instance come
//   from sysfs, capabilities from the node's report descriptor (HIDIOCGRDESC, or sysfs's copy
//   where the file is no hidraw node) through HidReportDescriptor.
// - Files: CreateFileW opens the node with the access asked for; reads and writes are
//   overlapped (HidrawFile). Opening fails with ERROR_FILE_NOT_FOUND for a node that is gone and
//   ERROR_ACCESS_DENIED without permission, each with a log line.
// - Device changes: the udev monitor's add and remove of hidraw nodes become DBT_DEVICEARRIVAL and
//   DBT_DEVICEREMOVECOMPLETE for each collection path, a removal first to the holders of handle
//   notifications, after the node's files have ended what was pending with
//   ERROR_DEVICE_NOT_CONNECTED. rescan() does the same for whatever changed since the last look.
// Events, waits, windows and notifications are Win32System's own; there is no Bluetooth stack
// behind the seam (Win32System's behaviour).
//
// The sysfs and device roots are parameters, so that tests run it on a fake tree. Thread-safe.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Source/Linux/HidrawNode.h"
#include "Source/Linux/UdevHidraw.h"
#include "Source/System/ThreadAnnotations.h"
#include "Source/Windows/Win32System.h"

namespace devio {

class HidrawFile;

class HidrawSystem : public Win32System {
public:
    // The interface class of HID collections (HidD_GetHidGuid).
    static const GUID kHidClass;

    explicit HidrawSystem(std::string sysfs_root = "/sys", std::string dev_root = "/dev");
    ~HidrawSystem() override;

    // Runs, on the opening thread, when a node of the maker's vendor ID cannot be opened for want
    // of permission.
    using AccessDeniedHandler = std::function<void(const HidrawNode& node)>;

    // Starts the udev monitor (at most once); false when there is none (a fake tree).
    [[nodiscard]] bool monitor();
    // Stops it; no device-change message is sent once this returns.
    void stop_monitor();
    void set_access_denied_handler(AccessDeniedHandler handler);
    // Compares the nodes present with those known: announces removals, then arrivals.
    void rescan();
    // The collection paths present now.
    std::vector<std::string> paths();
    // Files open now on the node of `devnode`, for tests.
    std::size_t open_files(const std::string& devnode) const;

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

    HDEVINFO SetupDiCreateDeviceInfoList(const GUID* setup_class, HWND parent) override;
    HDEVINFO SetupDiGetClassDevsW(const GUID* interface_class, LPCWSTR enumerator, HWND parent,
                                  DWORD flags) override;
    BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override;
    BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* device,
                                     const GUID* interface_class, DWORD index,
                                     SP_DEVICE_INTERFACE_DATA* interface_data) override;
    BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* interface_data,
                                          SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD size,
                                          DWORD* required, SP_DEVINFO_DATA* device) override;

    // A collection's instance is its path; its parent is the node's parent instance.
    std::string setupdi_instance_from_path(const std::string& path) override;
    std::string setupdi_parent(const std::string& instance) override;

protected:
    std::string device_of_file(HANDLE file) override;

private:
    class Collection;
    class PathSet;
    class Preparsed;

    std::shared_ptr<Collection> collection_of(HANDLE file) const;
    std::shared_ptr<Preparsed> preparsed_of(PHIDP_PREPARSED_DATA data) const;
    // The nodes present now, by name; reading each one from sysfs.
    std::map<std::string, HidrawNode> read_nodes();
    // The node of a collection path, read now; empty when it is not present.
    std::optional<HidrawNode> node_of_path(const std::string& path, std::size_t* index);
    void on_udev(const std::string& action, const std::string& sysname);
    void removed(const HidrawNode& node);
    void arrived(const HidrawNode& node);

    const std::string sysfs_root_;
    const std::string dev_root_;
    UdevHidraw udev_;

    mutable sys::Mutex mutex_;
    std::map<std::string, HidrawNode> known_ DEVIO_GUARDED_BY(mutex_); // by sysname
    std::vector<std::weak_ptr<Collection>> open_ DEVIO_GUARDED_BY(mutex_);
    sys::Mutex rescan_mutex_ DEVIO_ACQUIRED_BEFORE(mutex_); // one rescan at a time
    AccessDeniedHandler access_denied_ DEVIO_GUARDED_BY(mutex_);
};

} // namespace devio
