// Win32Device: the hardware device for one HID collection. It opens the collection for overlapped
// I/O, checks that it is a RAP collection of the maker's, writes reports with a time-out, and runs
// a read thread that turns every report read into a Read event. Its bus tracks its file handle
// under a handle notification, closes it when the system asks to remove the device, and learns
// from the read thread when the device is gone.
//
// Threads: any thread may open, write, close and verify; a Read handler (on the read thread) may
// write (not blocking) and close its own device, and may drop the last reference to it. One mutex
// guards the handle, the events and the notification; it is never held while the read thread is
// joined, so that a Read handler that opens, writes or closes cannot deadlock a closer, nor while
// the bus is asked to give up a handle (open holds it while it hands the handle to the bus, a
// wait on the bus's window thread bounded by the bus's request time-out). Writes are
// serialised by a mutex of their own, which a closer does not take, so that a hung write cannot
// hold up a close. The values read at the first open (attributes, capabilities, names) are
// published once and then only read.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Source/Contracts/IHardwareDevice.h"
#include "Source/Events/Producer.h"
#include "Source/Windows/HidTypes.h"
#include "Source/Windows/Win32Types.h"

namespace devio {

class Win32Bus;
class Win32System;

class Win32Device : public IHardwareDevice,
                    public Producer<IHardwareDevice::Write>,
                    public Producer<IHardwareDevice::Read>,
                    public Producer<IHardwareDevice::Connect>,
                    public std::enable_shared_from_this<Win32Device> {
public:
    // The maker's USB vendor ID, and the product whose long-report collection suffices by itself.
    static constexpr uint16_t kVarkonVendorId = 0x3A7C;
    static constexpr uint16_t kSelfSufficientProductId = 0xC0A7;
    static constexpr DWORD kWriteTimeoutMs = 10000;

    // Created closed; nothing is read from the hardware until open. The bus passes tag 0.
    Win32Device(std::weak_ptr<Win32Bus> bus, std::shared_ptr<Win32System> system, std::string path,
                int tag);
    ~Win32Device() override;
    Win32Device(const Win32Device&) = delete;
    Win32Device& operator=(const Win32Device&) = delete;

    // A HID collection is always connected.
    bool connected() const override { return true; }
    [[nodiscard]] bool open() override;
    void close() override;
    // Produces exactly one Write event, whatever the outcome.
    [[nodiscard]] bool write(std::vector<Byte> report, bool blocking) override;
    std::weak_ptr<IHardwareBus> bus() const override;
    std::string path() const override { return path_; }
    int pid() const override;
    std::string name() const override;
    int slot_byte() const override { return 0; }
    int bus_type() const override { return 0; }
    int bus_index() const override { return 0; }
    int extended_value() const override { return 0; }
    // Asks the bus to enumerate: false when the path is no longer listed (a zombie).
    bool verify_connection_following_timeout() override;
    // The path for a collection that is whole by itself, otherwise its parent device's instance.
    std::string group_key() const override;
    int collection_bit() const override;
    int collections_needed() const override;
    int collection_size() const override;
    // The value given at construction (the bus passes 0).
    int tag() const { return tag_; }

    // Starts the read thread unless one runs; returns once it has begun.
    void start_read_thread();

    // The mask of collections that make the whole device of a collection with these values.
    static int needed_collections(uint16_t product_id, uint16_t usage_page, uint16_t usage);

protected:
    // Subscribing to Read makes the device read (now, when it is open).
    bool on_subscribe(IHardwareDevice::Read* subscriber) override;
    using Producer<IHardwareDevice::Write>::on_subscribe;
    using Producer<IHardwareDevice::Connect>::on_subscribe;

private:
    struct ReadSession;
    // What the first successful open learns; written once, before `examined_` is set.
    struct Identity {
        uint16_t vendor_id = 0;
        uint16_t product_id = 0;
        uint16_t version = 0;
        uint16_t collection_size = 0;
        uint16_t usage = 0;
        uint16_t usage_page = 0;
        std::map<Byte, uint16_t> report_ids; // report id to report length
        std::string product_name;
        std::string parent_instance;
    };

    // The body of the read thread. It holds the device only while it hands a report on, so that
    // a Read handler may drop the last reference; afterwards it touches only its session.
    static void read_thread(std::weak_ptr<Win32Device> device,
                            std::shared_ptr<ReadSession> session);
    void start_read_thread_locked(); // mutex_ held
    // Steps of open, with mutex_ held; each failure sets the last error and releases the handle.
    bool open_locked();
    bool examine(HANDLE file);
    bool accept_collection(Identity& found, HANDLE file);
    bool read_report_ids(Identity& found, PHIDP_PREPARSED_DATA data, uint16_t value_caps,
                         uint16_t button_caps);
    bool create_events();
    // Closes the handle (unless the bus owns it) and the events, and marks the device closed;
    // mutex_ held.
    void release_locked();
    // Ends a write: one Write event, the last error on failure, the exit line.
    bool end_write(std::vector<Byte> report, ErrorCode code, uint32_t syserr);
    const Identity* identity() const;

    std::atomic<bool> reading_{false};
    const std::weak_ptr<Win32Bus> bus_;
    const std::shared_ptr<Win32System> system_;
    const std::string path_;
    const int tag_;

    std::atomic<bool> examined_{false};
    Identity identity_; // immutable once examined_ is set

    std::mutex mutex_;
    bool opened_ = false;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    HDEVNOTIFY notification_{};
    HANDLE write_event_{};
    HANDLE stop_event_{};
    HANDLE read_event_{};
    std::thread read_thread_;
    std::shared_ptr<ReadSession> session_;

    std::mutex write_mutex_;
    std::atomic<bool> destructed_{false};
    std::atomic<bool> removed_{false};
};

} // namespace devio
