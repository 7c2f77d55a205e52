// The hidraw nodes present and the hotplug events of hidraw nodes, through libudev: enumeration
// of the "hidraw" subsystem, and a monitor on the "udev" source when udevd runs (its events come
// after the rules have set the node's permissions) or on the kernel's own uevents otherwise.
//
// libudev reaches only the real /sys. For any other sysfs root (a fake tree in a test) the nodes
// are the entries of <root>/class/hidraw and there is no monitor: the owner rescans when it is
// told that the tree changed.
//
// Thread-safe. The monitor's handler runs on the monitor's own thread, one event at a time; stop()
// returns once it no longer runs.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Source/System/ThreadAnnotations.h"

namespace devio {

class UdevHidraw {
public:
    // `action` is the udev action ("add", "remove", ...); `sysname` the node's name ("hidraw3").
    using Handler = std::function<void(const std::string& action, const std::string& sysname)>;

    explicit UdevHidraw(std::string sysfs_root);
    ~UdevHidraw();
    UdevHidraw(const UdevHidraw&) = delete;
    UdevHidraw& operator=(const UdevHidraw&) = delete;

    // The names of the hidraw nodes present, sorted.
    std::vector<std::string> list() const;
    // Starts the monitor; false (with a log line) when there is none to start.
    [[nodiscard]] bool start(Handler handler);
    void stop();

private:
    bool real_sysfs() const;
    void run(void* monitor);

    const std::string sysfs_root_;
    sys::Mutex mutex_;
    std::thread thread_ DEVIO_GUARDED_BY(mutex_);
    int wake_fd_ DEVIO_GUARDED_BY(mutex_) = -1;
    Handler handler_;    // set before the thread starts
};

} // namespace devio
