// ManagerRetirement: makes the device manager die on the thread that lets it go (the facade's
// reset and shutdown), not on whichever library thread happens to hold the last reference.
//
// A read thread or timer thread that queues an event holds a reference to the manager for the
// length of the call; if that reference were the last, the manager's destructor would run there
// and unsubscribe from the very producer whose mutex that thread holds. The manager's shared
// reference therefore deletes through `release`: when a thread is waiting in `destroy_here` for
// that manager, the last holder hands the object over instead of destroying it, and the waiting
// thread destroys it. Any thread may call either function.
#pragma once

#include <cstdint>
#include <memory>

namespace devio {

class DeviceManager;

class ManagerRetirement {
public:
    // How long destroy_here waits for the other holders (scaled milliseconds).
    static constexpr int64_t kWaitMs = 5000;

    // The deleter of every manager's shared reference: hands the object to a waiting
    // destroy_here, or destroys it here when none waits.
    static void release(DeviceManager* manager);
    // Drops `manager` and destroys it on this thread once every other reference is gone. When
    // other holders keep it for longer than kWaitMs, logs it and leaves the destruction to the
    // last of them.
    static void destroy_here(std::shared_ptr<DeviceManager> manager);
};

} // namespace devio
