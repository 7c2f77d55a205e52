#include "Source/Windows/KernelObjects.h"

#include <vector>

#include "Source/System/Clock.h"
#include "Source/Windows/Win32LastError.h"

namespace devio {

class KernelObjects::Event : public KernelObject {
public:
    Event(bool manual_reset, bool signalled) : manual_reset(manual_reset), signalled(signalled) {}

    const bool manual_reset;
    bool signalled; // guarded by the table's mutex
};

uint32_t KernelObjects::next_handle() {
    // Multiples of 4, as the system hands them out; the all-ones value is the invalid handle.
    last_handle_ += 4;
    if (last_handle_ == 0 || last_handle_ == static_cast<uint32_t>(INVALID_HANDLE_VALUE)) {
        last_handle_ = 4;
    }
    return last_handle_;
}

uint32_t KernelObjects::insert(std::shared_ptr<KernelObject> object) {
    std::lock_guard lock(mutex_);
    uint32_t handle = next_handle();
    objects_.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<KernelObject> KernelObjects::find(uint32_t handle) const {
    std::lock_guard lock(mutex_);
    auto found = objects_.find(handle);
    return found == objects_.end() ? nullptr : found->second;
}

std::shared_ptr<KernelObject> KernelObjects::remove(uint32_t handle) {
    std::lock_guard lock(mutex_);
    auto found = objects_.find(handle);
    if (found == objects_.end()) {
        return nullptr;
    }
    std::shared_ptr<KernelObject> object = std::move(found->second);
    objects_.erase(found);
    return object;
}

std::size_t KernelObjects::size() const {
    std::lock_guard lock(mutex_);
    return objects_.size();
}

std::shared_ptr<KernelObjects::Event> KernelObjects::find_event(HANDLE handle) const {
    auto found = objects_.find(static_cast<uint32_t>(handle));
    return found == objects_.end() ? nullptr : std::dynamic_pointer_cast<Event>(found->second);
}

HANDLE KernelObjects::create_event(bool manual_reset, bool signalled) {
    return HANDLE{insert(std::make_shared<Event>(manual_reset, signalled))};
}

bool KernelObjects::set_event(HANDLE handle) {
    {
        std::lock_guard lock(mutex_);
        std::shared_ptr<Event> event = find_event(handle);
        if (!event) {
            return fail_with(ERROR_INVALID_HANDLE, false);
        }
        event->signalled = true;
    }
    changed_.notify_all();
    return true;
}

bool KernelObjects::reset_event(HANDLE handle) {
    std::lock_guard lock(mutex_);
    std::shared_ptr<Event> event = find_event(handle);
    if (!event) {
        return fail_with(ERROR_INVALID_HANDLE, false);
    }
    event->signalled = false;
    return true;
}

DWORD KernelObjects::wait(const HANDLE* handles, DWORD count, bool wait_all, DWORD timeout_ms) {
    if (handles == nullptr || count == 0 || count > MAXIMUM_WAIT_OBJECTS) {
        return fail_with(ERROR_INVALID_PARAMETER, WAIT_FAILED);
    }
    std::unique_lock lock(mutex_);
    // The wait holds the events, so that closing a handle meanwhile does not pull them away.
    std::vector<std::shared_ptr<Event>> events;
    for (DWORD i = 0; i < count; ++i) {
        std::shared_ptr<Event> event = find_event(handles[i]);
        if (!event) {
            return fail_with(ERROR_INVALID_HANDLE, WAIT_FAILED);
        }
        events.push_back(std::move(event));
    }
    DWORD satisfied = WAIT_TIMEOUT;
    auto done = [&] {
        if (wait_all) {
            for (const auto& event : events) {
                if (!event->signalled) {
                    return false;
                }
            }
            satisfied = WAIT_OBJECT_0;
            return true;
        }
        for (DWORD i = 0; i < count; ++i) {
            if (events[i]->signalled) {
                satisfied = WAIT_OBJECT_0 + i;
                return true;
            }
        }
        return false;
    };
    if (timeout_ms == INFINITE) {
        changed_.wait(lock, done);
    } else {
        sys::Clock::wait_for(changed_, lock, timeout_ms, done);
    }
    if (satisfied == WAIT_TIMEOUT) {
        return WAIT_TIMEOUT;
    }
    for (DWORD i = 0; i < count; ++i) {
        bool consumed = wait_all || i == satisfied - WAIT_OBJECT_0;
        if (consumed && !events[i]->manual_reset) {
            events[i]->signalled = false;
        }
    }
    return satisfied;
}

void KernelObjects::begin(OVERLAPPED* overlapped) {
    std::lock_guard lock(mutex_);
    overlapped->Internal = ERROR_IO_PENDING;
    overlapped->InternalHigh = 0;
    if (std::shared_ptr<Event> event = find_event(overlapped->hEvent)) {
        event->signalled = false;
    }
}

void KernelObjects::complete(OVERLAPPED* overlapped, DWORD error, DWORD transferred) {
    {
        std::lock_guard lock(mutex_);
        overlapped->Internal = error;
        overlapped->InternalHigh = transferred;
        if (std::shared_ptr<Event> event = find_event(overlapped->hEvent)) {
            event->signalled = true;
        }
    }
    changed_.notify_all();
}

BOOL KernelObjects::result(const OVERLAPPED* overlapped, DWORD* transferred, bool wait) {
    if (overlapped == nullptr) {
        return fail_with(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::unique_lock lock(mutex_);
    auto completed = [&] { return overlapped->Internal != ERROR_IO_PENDING; };
    if (wait) {
        changed_.wait(lock, completed);
    } else if (!completed()) {
        return fail_with(ERROR_IO_INCOMPLETE, FALSE);
    }
    if (transferred != nullptr) {
        *transferred = static_cast<DWORD>(overlapped->InternalHigh);
    }
    if (overlapped->Internal != ERROR_SUCCESS) {
        return fail_with(static_cast<DWORD>(overlapped->Internal), FALSE);
    }
    return TRUE;
}

} // namespace devio
