// Which software id a device uses for its requests, and which ids other programs use on the same
// device. The device echoes a request's software id in its response, so two programs on one
// device must use different ids; when another program's response carries ours, the next ping
// switches to the id that other programs used least recently.
//
// The classification on the read thread records uses and raises the conflict; the sender's thread
// selects. The stamps have a lock of their own; the current id and the conflict flag are atomic.
#pragma once

#include <array>
#include <atomic>
#include <mutex>

#include "Source/System/ThreadAnnotations.h"

namespace devio {

class SoftwareIdTracker {
public:
    // The id used when the device manager's default is 0.
    static constexpr unsigned kFallbackSoftwareId = 15;

    // The current id; 0 while none has been chosen.
    unsigned current() const { return current_.load(); }
    // Records that another program used `software_id` (1 to 15) now.
    void note_use(unsigned software_id) DEVIO_EXCLUDES(mutex_);
    void raise_conflict() { conflict_.store(true); }
    bool conflict() const { return conflict_.load(); }

    // The current id, choosing `manager_default` (15 when that is 0) if none was chosen yet.
    unsigned current_or_choose(unsigned manager_default);
    // The id for the next ping: after a conflict the least recently used id of 1..15 (among equal
    // stamps the highest, so an id never seen wins); else as current_or_choose. Never 0.
    unsigned select(unsigned manager_default) DEVIO_EXCLUDES(mutex_);

private:
    mutable sys::Mutex mutex_;
    std::array<unsigned, 16> stamps_ DEVIO_GUARDED_BY(mutex_){};
    unsigned counter_ DEVIO_GUARDED_BY(mutex_) = 0;
    std::atomic<unsigned> current_{0};
    std::atomic<bool> conflict_{false};
};

} // namespace devio
