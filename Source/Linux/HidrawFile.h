// One open HID collection on a hidraw node (or on any file descriptor that carries reports the
// same way, such as one end of a socket pair): overlapped reads and writes as the HID bus and
// device use them.
//
// Reads and writes are queued and return ERROR_IO_PENDING; the file's I/O thread waits with poll
// on the descriptor and an event descriptor (which wakes it for new requests, cancellation and
// close), and completes each record through the system's handle table. A write with none queued
// before it is tried at once, on the caller's thread. The kernel keeps input
// reports for every open file while nothing reads, so a report is read only for a pending read.
// Input reports of other collections of the node are dropped; for a collection without report
// IDs a zero ID byte is put in front, so that every read starts with the report ID, as the bus
// expects. A node that is gone (end of file, POLLHUP or POLLERR, EIO or ENODEV) ends every pending
// operation, and fails every later one, with ERROR_DEVICE_NOT_CONNECTED; closing the file ends
// them with ERROR_OPERATION_ABORTED. A write tried at once holds its caller while the kernel holds
// it (a USB node, within the kernel's own time-out); a queued write that the kernel holds is not
// interrupted by a cancellation, but its record completes at once (the bytes are the file's own
// copy).
//
// Thread-safe. The file's mutex guards its queues and state and is held while records complete
// (the handle table's mutex comes after it).
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

#include "Source/Byte.h"
#include "Source/System/ThreadAnnotations.h"
#include "Source/Windows/KernelObjects.h"

namespace devio {

class HidrawFile : public FileObject {
public:
    struct Collection {
        uint16_t input_length = 0; // report ID included
        bool uses_report_ids = false;
        std::vector<Byte> input_report_ids; // filters reads when the node has other collections
        bool shares_node = false;
    };

    // Takes ownership of `fd`. False from start() when the event descriptor or thread cannot be
    // made (the thread's last error says why).
    HidrawFile(int fd, Collection collection, KernelObjects& kernel, std::string name);
    ~HidrawFile() override;
    HidrawFile(const HidrawFile&) = delete;
    HidrawFile& operator=(const HidrawFile&) = delete;

    [[nodiscard]] bool start();
    int fd() const { return fd_; }
    const std::string& name() const { return name_; }
    // The node is gone: what is pending ends with ERROR_DEVICE_NOT_CONNECTED.
    void vanish();
    std::size_t pending_reads() const;

    BOOL read(void* buffer, DWORD size, DWORD* transferred, OVERLAPPED* overlapped) override;
    BOOL write(const void* buffer, DWORD size, DWORD* transferred, OVERLAPPED* overlapped) override;
    BOOL cancel(const OVERLAPPED* overlapped, bool calling_thread_only) override;
    void closed() override;

private:
    struct Pending {
        OVERLAPPED* overlapped;
        BYTE* buffer; // reads: the caller's buffer
        DWORD size;
        std::vector<Byte> bytes; // writes: the report
        std::thread::id thread;
    };

    void run();
    void wake();
    // One report from the descriptor for the first pending read; mutex_ held.
    void read_report_locked() DEVIO_REQUIRES(mutex_);
    // Gives the report to the first pending read when it is one of this collection's.
    void deliver_locked(const Byte* report, std::size_t length) DEVIO_REQUIRES(mutex_);
    // Ends everything pending with `error`; mutex_ held.
    void end_pending_locked(DWORD error) DEVIO_REQUIRES(mutex_);
    void write_one(Pending write);
    // Completes a write with what write() returned; mutex_ held.
    void finish_write_locked(OVERLAPPED* overlapped, ssize_t written, int error)
        DEVIO_REQUIRES(mutex_);

    const int fd_;
    int wake_fd_ = -1;
    const Collection collection_;
    KernelObjects& kernel_;
    const std::string name_;

    mutable sys::Mutex mutex_;
    std::deque<Pending> reads_ DEVIO_GUARDED_BY(mutex_);
    std::deque<Pending> writes_ DEVIO_GUARDED_BY(mutex_);
    bool gone_ DEVIO_GUARDED_BY(mutex_) = false;
    bool closing_ DEVIO_GUARDED_BY(mutex_) = false;
    std::thread thread_;
};

} // namespace devio
