#include "tools/devio-uhid-sim/UhidDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <linux/uhid.h>
#include <unistd.h>

namespace devio::uhid {

std::vector<Byte> vendor_descriptor(uint16_t usage_page, uint16_t usage, Byte report_id,
                                    std::size_t length) {
    auto count = static_cast<Byte>(length - 1);
    return {0x06,
            static_cast<Byte>(usage_page & 0xFF),
            static_cast<Byte>(usage_page >> 8),
            0x09,
            static_cast<Byte>(usage),
            0xA1,
            0x01, // application collection
            0x85,
            report_id, // report ID
            0x75,
            0x08, // 8-bit fields
            0x95,
            count, // as many as the report has after its ID
            0x15,
            0x00,
            0x26,
            0xFF,
            0x00,
            0x09,
            static_cast<Byte>(usage),
            0x81,
            0x00, // input
            0x09,
            static_cast<Byte>(usage),
            0x91,
            0x00, // output
            0xC0};
}

UhidDevice::~UhidDevice() {
    destroy();
}

bool UhidDevice::create(const Identity& identity, OutputHandler on_output,
                        const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    auto event = std::make_unique<uhid_event>();
    std::memset(event.get(), 0, sizeof(uhid_event));
    event->type = UHID_CREATE2;
    uhid_create2_req& create = event->u.create2;
    std::snprintf(reinterpret_cast<char*>(create.name), sizeof(create.name), "%s",
                  identity.name.c_str());
    std::snprintf(reinterpret_cast<char*>(create.phys), sizeof(create.phys), "%s",
                  identity.phys.c_str());
    create.rd_size = static_cast<uint16_t>(
        std::min<std::size_t>(identity.descriptor.size(), HID_MAX_DESCRIPTOR_SIZE));
    std::memcpy(create.rd_data, identity.descriptor.data(), create.rd_size);
    create.bus = identity.bus;
    create.vendor = identity.vendor_id;
    create.product = identity.product_id;
    create.version = identity.version;
    sys::MutexLock lock(mutex_);
    on_output_ = std::move(on_output);
    fd_ = fd;
    if (::write(fd_, event.get(), sizeof(uhid_event)) != static_cast<ssize_t>(sizeof(uhid_event))) {
        int error = errno;
        ::close(fd_);
        fd_ = -1;
        errno = error;
        return false;
    }
    return true;
}

void UhidDevice::destroy() {
    sys::MutexLock lock(mutex_);
    if (fd_ < 0) {
        return;
    }
    uhid_event event{};
    event.type = UHID_DESTROY;
    [[maybe_unused]] ssize_t written = ::write(fd_, &event, sizeof(event));
    ::close(fd_);
    fd_ = -1;
}

bool UhidDevice::created() const {
    sys::MutexLock lock(mutex_);
    return fd_ >= 0;
}

int UhidDevice::fd() const {
    sys::MutexLock lock(mutex_);
    return fd_;
}

bool UhidDevice::write_event(const void* event, std::size_t size) {
    sys::MutexLock lock(mutex_);
    return fd_ >= 0 && ::write(fd_, event, size) == static_cast<ssize_t>(size);
}

bool UhidDevice::input(const std::vector<Byte>& report) {
    uhid_event event{};
    event.type = UHID_INPUT2;
    event.u.input2.size =
        static_cast<uint16_t>(std::min<std::size_t>(report.size(), UHID_DATA_MAX));
    std::memcpy(event.u.input2.data, report.data(), event.u.input2.size);
    return write_event(&event, sizeof(event));
}

bool UhidDevice::handle_event() {
    uhid_event event{};
    int fd = this->fd();
    ssize_t length = fd < 0 ? -1 : ::read(fd, &event, sizeof(event));
    if (length < 0) {
        return errno == EAGAIN || errno == EINTR;
    }
    switch (event.type) {
    case UHID_OUTPUT:
        if (on_output_) {
            const uhid_output_req& output = event.u.output;
            on_output_(std::vector<Byte>(output.data, output.data + output.size));
        }
        break;
    case UHID_GET_REPORT: {
        uhid_event reply{};
        reply.type = UHID_GET_REPORT_REPLY;
        reply.u.get_report_reply.id = event.u.get_report.id;
        reply.u.get_report_reply.err = EIO;
        write_event(&reply, sizeof(reply));
        break;
    }
    case UHID_SET_REPORT: {
        uhid_event reply{};
        reply.type = UHID_SET_REPORT_REPLY;
        reply.u.set_report_reply.id = event.u.set_report.id;
        reply.u.set_report_reply.err = EIO;
        write_event(&reply, sizeof(reply));
        break;
    }
    default:
        break; // start, stop, open and close need no answer
    }
    return true;
}

} // namespace devio::uhid
