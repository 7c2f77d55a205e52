// One HID device made through the kernel's uhid interface: the kernel's HID stack, and with it
// hidraw, sees it as a real device on the bus it is created with. Input reports go to the kernel
// with input(); output reports the host writes come back through handle_event(), which also
// refuses the feature-report requests this device does not serve.
//
// Thread-safe: input() may be called on any thread while another handles events.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "Source/Byte.h"
#include "Source/System/ThreadAnnotations.h"

namespace devio::uhid {

class UhidDevice {
public:
    struct Identity {
        std::string name;
        std::string phys;
        uint16_t bus = 0x03; // USB
        uint16_t vendor_id = 0;
        uint16_t product_id = 0;
        uint16_t version = 0;
        std::vector<Byte> descriptor;
    };
    using OutputHandler = std::function<void(const std::vector<Byte>& report)>;

    UhidDevice() = default;
    ~UhidDevice();
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;

    // Opens /dev/uhid (at `path`) and creates the device; false with errno on failure.
    bool create(const Identity& identity, OutputHandler on_output,
                const std::string& path = "/dev/uhid");
    // Removes the device from the kernel (its hidraw node goes away) and closes the file.
    void destroy();
    bool created() const;
    // The file to poll for events; -1 when not created.
    int fd() const;

    bool input(const std::vector<Byte>& report);
    // Reads and handles one event; false when the file failed.
    bool handle_event();

private:
    bool write_event(const void* event, std::size_t size);

    mutable sys::Mutex mutex_;
    int fd_ DEVIO_GUARDED_BY(mutex_) = -1;
    OutputHandler on_output_;
};

// The report descriptor of one vendor collection: usage page and usage, one report ID, input and
// output reports of `length` bytes with the ID.
std::vector<Byte> vendor_descriptor(uint16_t usage_page, uint16_t usage, Byte report_id,
                                    std::size_t length);

} // namespace devio::uhid
