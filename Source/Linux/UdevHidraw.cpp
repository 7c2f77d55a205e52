#include "Source/Linux/UdevHidraw.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "Source/Log/xLog.h"

namespace devio {
namespace {

const char* const kTag = "UdevHidraw";

// Present while udevd runs.
constexpr const char* kUdevdControl = "/run/udev/control";

} // namespace

UdevHidraw::UdevHidraw(std::string sysfs_root) : sysfs_root_(std::move(sysfs_root)) {}

UdevHidraw::~UdevHidraw() {
    stop();
}

bool UdevHidraw::real_sysfs() const {
    return sysfs_root_ == "/sys";
}

std::vector<std::string> UdevHidraw::list() const {
    std::vector<std::string> names;
    if (!real_sysfs()) {
        std::error_code error;
        for (const auto& entry :
             std::filesystem::directory_iterator(sysfs_root_ + "/class/hidraw", error)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    udev* context = udev_new();
    if (context == nullptr) {
        xLogWrite(kTag, kLogError, "devio::UdevHidraw::list", "udev_new failed");
        return names;
    }
    udev_enumerate* enumerate = udev_enumerate_new(context);
    if (enumerate != nullptr && udev_enumerate_add_match_subsystem(enumerate, "hidraw") >= 0 &&
        udev_enumerate_scan_devices(enumerate) >= 0) {
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
            std::string syspath = udev_list_entry_get_name(entry);
            names.push_back(std::filesystem::path(syspath).filename().string());
        }
    } else {
        xLogWrite(kTag, kLogError, "devio::UdevHidraw::list", "udev enumeration failed");
    }
    udev_enumerate_unref(enumerate);
    udev_unref(context);
    std::sort(names.begin(), names.end());
    return names;
}

bool UdevHidraw::start(Handler handler) {
    const char* where = "devio::UdevHidraw::start";
    sys::MutexLock lock(mutex_);
    if (thread_.joinable()) {
        return true;
    }
    if (!real_sysfs()) {
        xLogWrite(kTag, kLogInfo, where, "no monitor for the sysfs tree at %s",
                  sysfs_root_.c_str());
        return false;
    }
    udev* context = udev_new();
    bool udevd = access(kUdevdControl, F_OK) == 0;
    const char* source = udevd ? "udev" : "kernel";
    udev_monitor* monitor =
        context != nullptr ? udev_monitor_new_from_netlink(context, source) : nullptr;
    udev_unref(context); // the monitor keeps its own reference
    if (monitor == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        xLogWrite(kTag, kLogError, where, "cannot monitor the %s source, errno=%d", source, errno);
        udev_monitor_unref(monitor);
        return false;
    }
    wake_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_fd_ < 0) {
        udev_monitor_unref(monitor);
        return false;
    }
    handler_ = std::move(handler);
    thread_ = std::thread(&UdevHidraw::run, this, static_cast<void*>(monitor));
    xLogWrite(kTag, kLogInfo, where, "monitoring hidraw nodes on the %s source", source);
    return true;
}

void UdevHidraw::stop() {
    std::thread thread;
    int wake_fd;
    {
        sys::MutexLock lock(mutex_);
        thread = std::move(thread_);
        wake_fd = wake_fd_;
        wake_fd_ = -1;
    }
    if (thread.joinable()) {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t written = write(wake_fd, &one, sizeof(one));
        thread.join();
    }
    if (wake_fd >= 0) {
        close(wake_fd);
    }
}

void UdevHidraw::run(void* opaque) {
    auto* monitor = static_cast<udev_monitor*>(opaque);
    int wake_fd;
    {
        sys::MutexLock lock(mutex_);
        wake_fd = wake_fd_;
    }
    for (;;) {
        pollfd fds[2] = {{wake_fd, POLLIN, 0}, {udev_monitor_get_fd(monitor), POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            break;
        }
        if ((fds[1].revents & POLLIN) == 0) {
            continue;
        }
        udev_device* device = udev_monitor_receive_device(monitor);
        if (device == nullptr) {
            continue;
        }
        const char* action = udev_device_get_action(device);
        const char* sysname = udev_device_get_sysname(device);
        if (action != nullptr && sysname != nullptr) {
            xLogWrite(kTag, kLogInfo, "devio::UdevHidraw::run", "%s %s", action, sysname);
            handler_(action, sysname);
        }
        udev_device_unref(device);
    }
    udev_monitor_unref(monitor);
}

} // namespace devio
