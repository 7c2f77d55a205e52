// The handle table of one Win32System: the objects behind its handles (events, files, and what an
// implementation adds), the signalled state of events, the waits on them, and the completion of
// overlapped records.
//
// Handle values are never reused, so that a handle used after it was closed fails with
// ERROR_INVALID_HANDLE instead of reaching a newer object. One mutex guards the table, every
// event's state and every overlapped record while the table changes it; waiters sleep on one
// condition that every change of an event or record wakes. Objects must not call back into the
// table from code that runs under that mutex.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "Source/Windows/Win32Types.h"

namespace devio {

// An object behind a handle.
class KernelObject {
public:
    virtual ~KernelObject() = default;
    // False for objects that have a release call of their own (device-information sets,
    // preparsed data), which CloseHandle refuses.
    virtual bool closes_with_close_handle() const { return true; }
    // Runs once the handle is gone, outside the table's mutex: ends what is pending on the object.
    virtual void closed() {}
};

// A file opened for overlapped reads and writes.
class FileObject : public KernelObject {
public:
    // ReadFile and WriteFile: TRUE when the operation completed at once, FALSE with the thread's
    // last error otherwise (ERROR_IO_PENDING: it runs on and completes through `overlapped`).
    virtual BOOL read(void* buffer, DWORD size, DWORD* transferred, OVERLAPPED* overlapped) = 0;
    virtual BOOL write(const void* buffer, DWORD size, DWORD* transferred,
                       OVERLAPPED* overlapped) = 0;
    // Ends the operation of `overlapped` with ERROR_OPERATION_ABORTED, or, for null, every
    // operation on the file (only those that the calling thread started, with
    // `calling_thread_only`). FALSE (ERROR_NOT_FOUND) when there was none.
    virtual BOOL cancel(const OVERLAPPED* overlapped, bool calling_thread_only) = 0;
};

class KernelObjects {
public:
    KernelObjects() = default;
    KernelObjects(const KernelObjects&) = delete;
    KernelObjects& operator=(const KernelObjects&) = delete;

    // Puts the object in the table and returns its new handle value.
    uint32_t insert(std::shared_ptr<KernelObject> object);
    std::shared_ptr<KernelObject> find(uint32_t handle) const;
    template <class Object>
    std::shared_ptr<Object> find_as(uint32_t handle) const {
        return std::dynamic_pointer_cast<Object>(find(handle));
    }
    // Takes the object out of the table; null when the handle is unknown.
    std::shared_ptr<KernelObject> remove(uint32_t handle);
    // The number of handles open now.
    std::size_t size() const;

    // Events: a manual-reset event stays signalled until reset; an auto-reset one is reset by
    // the wait that it satisfies.
    HANDLE create_event(bool manual_reset, bool signalled);
    bool set_event(HANDLE event);
    bool reset_event(HANDLE event);
    // WaitForMultipleObjects on events: WAIT_OBJECT_0 + the index of the (first) signalled event,
    // WAIT_TIMEOUT, or WAIT_FAILED with the thread's last error. The time-out is scaled by the
    // process clock.
    DWORD wait(const HANDLE* handles, DWORD count, bool wait_all, DWORD timeout_ms);

    // Overlapped records: `begin` marks the operation pending and resets its event; `complete`
    // records its outcome and sets the event; `result` is GetOverlappedResult.
    void begin(OVERLAPPED* overlapped);
    void complete(OVERLAPPED* overlapped, DWORD error, DWORD transferred);
    BOOL result(const OVERLAPPED* overlapped, DWORD* transferred, bool wait);

private:
    class Event;

    std::shared_ptr<Event> find_event(HANDLE handle) const; // mutex_ held
    uint32_t next_handle();                                 // mutex_ held

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::unordered_map<uint32_t, std::shared_ptr<KernelObject>> objects_;
    uint32_t last_handle_ = 0;
};

} // namespace devio
