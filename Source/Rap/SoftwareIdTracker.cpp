#include "Source/Rap/SoftwareIdTracker.h"

namespace devio {

void SoftwareIdTracker::note_use(unsigned software_id) {
    sys::MutexLock lock(mutex_);
    stamps_[software_id & 0x0F] = ++counter_;
}

unsigned SoftwareIdTracker::select(unsigned manager_default) {
    if (conflict_.load()) {
        sys::MutexLock lock(mutex_);
        // Every stamp is at most the counter, so id 1 at least qualifies.
        unsigned best = 0;
        unsigned best_stamp = counter_;
        for (unsigned id = 1; id < stamps_.size(); ++id) {
            if (stamps_[id] <= best_stamp) {
                best = id;
                best_stamp = stamps_[id];
            }
        }
        current_.store(best);
        conflict_.store(false);
    }
    return current_or_choose(manager_default);
}

unsigned SoftwareIdTracker::current_or_choose(unsigned manager_default) {
    unsigned chosen = manager_default & 0x0F;
    unsigned expected = 0;
    current_.compare_exchange_strong(expected, chosen != 0 ? chosen : kFallbackSoftwareId);
    return current_.load();
}

} // namespace devio
