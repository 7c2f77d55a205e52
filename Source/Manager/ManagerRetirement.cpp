#include "Source/Manager/ManagerRetirement.h"

#include <condition_variable>
#include <mutex>
#include <set>

#include "Source/Log/xLog.h"
#include "Source/Manager/DeviceManager.h"
#include "Source/System/Clock.h"

namespace devio {

namespace {

struct Handover {
    std::mutex mutex;
    std::condition_variable handed_over;
    std::set<const DeviceManager*> awaited; // guarded by mutex
    std::set<DeviceManager*> handed;        // guarded by mutex
};

Handover& handover() {
    // Never freed: a library thread may still release a manager during the process's teardown.
    static Handover* const shared = new Handover();
    return *shared;
}

} // namespace

void ManagerRetirement::release(DeviceManager* manager) {
    Handover& state = handover();
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (state.awaited.erase(manager) != 0) {
            state.handed.insert(manager);
            state.handed_over.notify_all();
            return;
        }
    }
    delete manager;
}

void ManagerRetirement::destroy_here(std::shared_ptr<DeviceManager> manager) {
    if (manager == nullptr) {
        return;
    }
    DeviceManager* const raw = manager.get();
    Handover& state = handover();
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        state.awaited.insert(raw);
    }
    manager.reset();
    std::unique_lock<std::mutex> lock(state.mutex);
    if (!state.handed.count(raw)) {
        xLogWrite("Devio", kLogInfo, "devio::ManagerRetirement::destroy_here",
                  "waiting up to %d ms for other holders of the DeviceManager %p",
                  static_cast<int>(kWaitMs), static_cast<void*>(raw));
    }
    if (!sys::Clock::wait_for(state.handed_over, lock, kWaitMs,
                              [&] { return state.handed.count(raw) != 0; })) {
        state.awaited.erase(raw);
        lock.unlock();
        xLogWrite("Devio", kLogError, "devio::ManagerRetirement::destroy_here",
                  "DeviceManager %p still held after %d ms; its last holder destroys it",
                  static_cast<void*>(raw), static_cast<int>(kWaitMs));
        return;
    }
    state.handed.erase(raw);
    lock.unlock();
    delete raw;
}

} // namespace devio
