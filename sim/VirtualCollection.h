// One plugged virtual HID collection and the files open on it, as the HID class driver keeps them:
// every open file has its own queue of input reports; a read completes at once from that queue or
// stays pending until a report arrives; a write goes to the collection's write handler. When the
// collection vanishes, pending operations end with ERROR_DEVICE_NOT_CONNECTED and every later one
// fails with it; closing a file ends its pending operations with ERROR_OPERATION_ABORTED.
//
// Thread-safe. The collection's mutex guards its state and the state of its files; overlapped
// records are completed under it (through the system's handle table, whose mutex comes after
// it). The write handler runs without that mutex, under a mutex of its own that replacing the
// handler takes, so that after set_write_handler or vanish returns the old handler is not running
// and will not run; a handler therefore must not unplug its own collection or replace its handler.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Source/System/ThreadAnnotations.h"
#include "Source/Windows/KernelObjects.h"
#include "sim/HidCollectionDescription.h"
#include "sim/RapReport.h"

namespace devio::sim {

// How writes to a collection end.
struct WriteFault {
    enum class Kind {
        None,             // the write completes
        Hang,             // it stays pending until cancelled, closed or the collection vanishes
        FailAtOnce,       // WriteFile fails with `error`
        FailOnCompletion, // the write is pending, then completes with `error`
    };
    Kind kind = Kind::None;
    DWORD error = 0;
};

class VirtualCollection;

// A file open on a collection. Its state is guarded by the collection's mutex.
class VirtualHidFile : public FileObject {
public:
    explicit VirtualHidFile(std::shared_ptr<VirtualCollection> collection)
        : collection_(std::move(collection)) {}

    const std::shared_ptr<VirtualCollection>& collection() const { return collection_; }

    BOOL read(void* buffer, DWORD size, DWORD* transferred, OVERLAPPED* overlapped) override;
    BOOL write(const void* buffer, DWORD size, DWORD* transferred, OVERLAPPED* overlapped) override;
    BOOL cancel(const OVERLAPPED* overlapped, bool calling_thread_only) override;
    void closed() override;

private:
    friend class VirtualCollection;

    struct Pending {
        OVERLAPPED* overlapped;
        BYTE* buffer; // reads only
        DWORD size;
        std::thread::id thread;
    };

    const std::shared_ptr<VirtualCollection> collection_;
    std::deque<Report> queued_;
    std::vector<Pending> reads_;
    std::vector<Pending> writes_;
    bool closed_ = false;
};

class VirtualCollection : public std::enable_shared_from_this<VirtualCollection> {
public:
    using WriteHandler = std::function<void(const Report&)>;

    // How many input reports a file keeps while nobody reads; older ones are dropped.
    static constexpr std::size_t kInputBuffers = 32;

    // `key` names this plugging of the collection (a collection plugged again is a new device).
    VirtualCollection(HidCollectionDescription description, std::string key, KernelObjects& kernel)
        : description_(std::move(description)), key_(std::move(key)), kernel_(kernel) {}

    const HidCollectionDescription& description() const { return description_; }
    const std::string& key() const { return key_; }
    bool present() const;

    // A new file on the collection; null (ERROR_DEVICE_NOT_CONNECTED) when it is gone.
    std::shared_ptr<VirtualHidFile> open();
    std::size_t open_files() const;
    // Reads pending on its files now.
    std::size_t pending_reads() const;

    // A report towards the host: to every open file. False when the collection is gone or the
    // report is not an input report of its length.
    bool deliver(const Report& report);
    void set_write_handler(WriteHandler handler);
    void set_write_fault(WriteFault fault);
    // The collection is gone.
    void vanish();

private:
    friend class VirtualHidFile;

    BOOL read(VirtualHidFile& file, void* buffer, DWORD size, DWORD* transferred,
              OVERLAPPED* overlapped);
    BOOL write(VirtualHidFile& file, const void* buffer, DWORD size, DWORD* transferred,
               OVERLAPPED* overlapped);
    BOOL cancel(VirtualHidFile& file, const OVERLAPPED* overlapped, bool calling_thread_only);
    void close(VirtualHidFile& file);
    // Ends every pending operation of the file with `error`; mutex_ held.
    void end_pending(VirtualHidFile& file, DWORD error);
    bool is_output_report(const BYTE* report, DWORD size) const;

    const HidCollectionDescription description_;
    const std::string key_;
    KernelObjects& kernel_;

    mutable std::mutex mutex_;
    bool present_ = true;
    WriteFault fault_;
    std::vector<std::weak_ptr<VirtualHidFile>> files_;

    sys::Mutex handler_mutex_;
    WriteHandler handler_ DEVIO_GUARDED_BY(handler_mutex_);
};

} // namespace devio::sim
