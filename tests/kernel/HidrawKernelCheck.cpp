// The hidraw system's own checks on a real kernel (scripts/kernel-test runs it in its guest): a
// receiver made through uhid as two HID devices of one USB device, and a node holding both of its
// collections, each seen through the seam's calls: enumeration, capabilities, parent grouping,
// report exchange both ways, and removal while a read is pending. Prints "PASS <check>" or
// "FAIL <check>: <why>" per check; the exit status is the number of failures.
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Source/Linux/HidrawSystem.h"
#include "Source/Windows/WideText.h"
#include "tools/devio-uhid-sim/UhidDevice.h"

namespace {

using namespace devio;
using Bytes = std::vector<Byte>;

int failures = 0;

void report(const std::string& check, const std::string& failure) {
    if (failure.empty()) {
        std::printf("PASS %s\n", check.c_str());
    } else {
        ++failures;
        std::printf("FAIL %s: %s\n", check.c_str(), failure.c_str());
    }
    std::fflush(stdout);
}

// Polls `done` every 10 ms for up to 10 s (the kernel adds nodes on its own time).
bool eventually(const std::function<bool()>& done) {
    for (int i = 0; i < 1000; ++i) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// What the uhid side received, with a wait for it.
struct Outputs {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Bytes> reports;

    void add(const Bytes& report) {
        std::lock_guard lock(mutex);
        reports.push_back(report);
        changed.notify_all();
    }
    bool wait(std::size_t count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10),
                                [&] { return reports.size() >= count; });
    }
};

// Answers the devices' events on a thread of its own until it is destroyed.
class EventPump {
public:
    explicit EventPump(std::vector<uhid::UhidDevice*> devices)
        : thread_([this, devices] {
              while (!stop_) {
                  std::vector<pollfd> fds;
                  for (uhid::UhidDevice* device : devices) {
                      fds.push_back({device->fd(), POLLIN, 0});
                  }
                  // A short time-out: a destroyed device's file is not watched any longer.
                  if (poll(fds.data(), fds.size(), 20) <= 0) {
                      continue;
                  }
                  for (std::size_t i = 0; i < fds.size(); ++i) {
                      if ((fds[i].revents & POLLIN) != 0) {
                          devices[i]->handle_event();
                      }
                  }
              }
          }) {}
    ~EventPump() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

uhid::UhidDevice::Identity identity(const std::string& phys, Bytes descriptor) {
    uhid::UhidDevice::Identity made;
    made.name = "Check Receiver";
    made.phys = phys;
    made.vendor_id = 0x3A7C;
    made.product_id = 0xB401;
    made.version = 0x1201;
    made.descriptor = std::move(descriptor);
    return made;
}

HANDLE open(HidrawSystem& system, const std::string& path) {
    return system.CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, HANDLE{});
}

std::string check_caps(HidrawSystem& system, HANDLE file, USHORT usage, USHORT length) {
    PHIDP_PREPARSED_DATA data{};
    HIDP_CAPS caps;
    if (!system.HidD_GetPreparsedData(file, &data) ||
        system.HidP_GetCaps(data, &caps) != HIDP_STATUS_SUCCESS) {
        return "no capabilities";
    }
    system.HidD_FreePreparsedData(data);
    if (caps.UsagePage != 0xFF00 || caps.Usage != usage || caps.InputReportByteLength != length ||
        caps.OutputReportByteLength != length) {
        return "usage " + std::to_string(caps.Usage) + " lengths " +
               std::to_string(caps.InputReportByteLength) + "/" +
               std::to_string(caps.OutputReportByteLength);
    }
    HIDD_ATTRIBUTES attributes;
    if (!system.HidD_GetAttributes(file, &attributes) || attributes.VendorID != 0x3A7C ||
        attributes.ProductID != 0xB401) {
        return "attributes";
    }
    return {};
}

// The usage of the top-level collection at `path`; 0 when it cannot be read.
USHORT usage_of(HidrawSystem& system, const std::string& path) {
    HANDLE file = open(system, path);
    if (file == INVALID_HANDLE_VALUE) {
        return 0;
    }
    PHIDP_PREPARSED_DATA data{};
    HIDP_CAPS caps{};
    bool got = system.HidD_GetPreparsedData(file, &data);
    bool read = got && system.HidP_GetCaps(data, &caps) == HIDP_STATUS_SUCCESS;
    if (got) {
        system.HidD_FreePreparsedData(data);
    }
    system.CloseHandle(file);
    return read ? caps.Usage : 0;
}

// Writes `report` through the seam; empty when it completed.
std::string write(HidrawSystem& system, HANDLE file, const Bytes& report) {
    OVERLAPPED overlapped;
    overlapped.hEvent = system.CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD transferred = 0;
    bool done = system.WriteFile(file, report.data(), static_cast<DWORD>(report.size()), nullptr,
                                 &overlapped) ||
                (system.GetLastError() == ERROR_IO_PENDING &&
                 system.WaitForSingleObject(overlapped.hEvent, 10000) == WAIT_OBJECT_0 &&
                 system.GetOverlappedResult(file, &overlapped, &transferred, FALSE));
    system.CloseHandle(overlapped.hEvent);
    return done ? std::string() : "write failed, error " + std::to_string(system.GetLastError());
}

// Reads one report through the seam, sending `input` on the device once the read is pending.
std::string read(HidrawSystem& system, HANDLE file, const std::function<void()>& input,
                 DWORD expected_error, const Bytes& expected) {
    OVERLAPPED overlapped;
    overlapped.hEvent = system.CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Bytes buffer(64);
    DWORD transferred = 0;
    std::string failure;
    if (system.ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr,
                        &overlapped) ||
        system.GetLastError() != ERROR_IO_PENDING) {
        failure = "read did not stay pending";
    } else {
        input();
        if (system.WaitForSingleObject(overlapped.hEvent, 10000) != WAIT_OBJECT_0) {
            failure = "read did not complete";
        } else {
            DWORD error = system.GetOverlappedResult(file, &overlapped, &transferred, FALSE)
                              ? ERROR_SUCCESS
                              : system.GetLastError();
            buffer.resize(transferred);
            if (error != expected_error) {
                failure = "read ended with error " + std::to_string(error);
            } else if (error == ERROR_SUCCESS && buffer != expected) {
                failure = "read other bytes";
            }
        }
    }
    system.CloseHandle(overlapped.hEvent);
    return failure;
}

void two_devices() {
    Bytes short_descriptor = uhid::vendor_descriptor(0xFF00, 1, 0x10, 7);
    Bytes long_descriptor = uhid::vendor_descriptor(0xFF00, 2, 0x11, 20);
    Outputs outputs;
    uhid::UhidDevice devices[2];
    bool made = devices[0].create(identity("usb-check-1/input0", short_descriptor),
                                  [&](const Bytes& r) { outputs.add(r); }) &&
                devices[1].create(identity("usb-check-1/input1", long_descriptor),
                                  [&](const Bytes& r) { outputs.add(r); });
    EventPump events({&devices[0], &devices[1]});
    HidrawSystem system;
    std::vector<std::string> paths;
    bool listed = made && eventually([&] {
                      paths = system.paths();
                      return paths.size() == 2;
                  });
    report("two devices: enumeration", listed ? "" : "found " + std::to_string(paths.size()));
    if (listed && usage_of(system, paths[0]) == 2) {
        // The kernel numbers the nodes as it probes the devices, not in the order they were made.
        std::swap(paths[0], paths[1]);
    }
    if (listed) {
        HANDLE files[2] = {open(system, paths[0]), open(system, paths[1])};
        std::string failure;
        for (int i = 0; i < 2 && failure.empty(); ++i) {
            failure =
                files[i] == INVALID_HANDLE_VALUE
                    ? "open failed, error " + std::to_string(system.GetLastError())
                    : check_caps(system, files[i], static_cast<USHORT>(i + 1), i == 0 ? 7 : 20);
        }
        report("two devices: capabilities", failure);
        std::string parents[2] = {system.setupdi_parent(paths[0]), system.setupdi_parent(paths[1])};
        report("two devices: parent grouping",
               parents[0] == parents[1] && parents[0] == "HID\\0003:3A7C:B401\\usb-check-1"
                   ? ""
                   : parents[0] + " / " + parents[1]);
        Bytes out(20, 0);
        out[0] = 0x11;
        out[1] = 0xFF;
        out[2] = 0x83;
        out[3] = 0xB5;
        failure = write(system, files[1], out);
        if (failure.empty() && (!outputs.wait(1) || outputs.reports.back() != out)) {
            failure = "the device got other bytes";
        }
        Bytes in(20, 0x5A);
        in[0] = 0x11;
        if (failure.empty()) {
            failure = read(
                system, files[1], [&] { devices[1].input(in); }, ERROR_SUCCESS, in);
        }
        report("two devices: report exchange", failure);
        failure =
            read(system, files[1], [&] { devices[1].destroy(); }, ERROR_DEVICE_NOT_CONNECTED, {});
        report("two devices: removal while a read is pending", failure);
        for (HANDLE file : files) {
            system.CloseHandle(file);
        }
    }
    devices[0].destroy();
    devices[1].destroy();
}

void one_node() {
    Bytes descriptor = uhid::vendor_descriptor(0xFF00, 1, 0x10, 7);
    Bytes second = uhid::vendor_descriptor(0xFF00, 2, 0x11, 20);
    descriptor.insert(descriptor.end(), second.begin(), second.end());
    uhid::UhidDevice device;
    Outputs outputs;
    bool made = device.create(identity("usb-check-2/input0", descriptor),
                              [&](const Bytes& r) { outputs.add(r); });
    EventPump events({&device});
    HidrawSystem system;
    std::vector<std::string> paths;
    bool listed = made && eventually([&] {
                      paths = system.paths();
                      return paths.size() == 2;
                  });
    report("one node: a path per collection",
           listed && paths[0].find("&col01") != std::string::npos &&
                   paths[1].find("&col02") != std::string::npos
               ? ""
               : "found " + std::to_string(paths.size()));
    if (listed && usage_of(system, paths[0]) == 2) {
        // The kernel numbers the nodes as it probes the devices, not in the order they were made.
        std::swap(paths[0], paths[1]);
    }
    if (listed) {
        HANDLE files[2] = {open(system, paths[0]), open(system, paths[1])};
        std::string failure = check_caps(system, files[0], 1, 7);
        if (failure.empty()) {
            failure = check_caps(system, files[1], 2, 20);
        }
        Bytes short_in = {0x10, 1, 2, 3, 4, 5, 6};
        Bytes long_in(20, 0x33);
        long_in[0] = 0x11;
        // The short collection's read skips the long report that comes first.
        if (failure.empty()) {
            failure = read(
                system, files[0],
                [&] {
                    device.input(long_in);
                    device.input(short_in);
                },
                ERROR_SUCCESS, short_in);
        }
        report("one node: each collection reads its own reports", failure);
        for (HANDLE file : files) {
            system.CloseHandle(file);
        }
    }
    device.destroy();
}

} // namespace

int main() {
    two_devices();
    one_node();
    return failures;
}
