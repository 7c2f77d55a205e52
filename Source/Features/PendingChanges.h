// The changes a setting feature holds while its device is away, written in order when the device
// connects again: the shared half of the pending-change pattern (Feature2005ButtonSwapCancel shows
// the whole of it).
//
// Values are held on the caller's thread and replayed by the device's connect handling on the
// application's thread; the list has a lock of its own.
#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

#include "Source/Log/LastError.h"
#include "Source/Log/xLog.h"
#include "Source/Rap/Feature.h"
#include "Source/System/ThreadAnnotations.h"

namespace devio {

template <class Value>
class PendingChanges {
public:
    // After a write that failed with NotConnected: logs `caching_line`, holds the value and
    // registers the feature as pending. True, with the error cleared, when the change is held;
    // false (and nothing held) when the feature may not hold it now.
    bool hold(Feature& feature, const Value& value, const char* tag, const char* function,
              const char* caching_line) {
        xLogWrite(tag, kLogInfo, function, "%s", caching_line);
        {
            sys::MutexLock lock(mutex_);
            values_.push_back(value);
        }
        if (!feature.set_pending()) {
            LastError error = last_error();
            xLogWrite(tag, kLogInfo, function, "set_pending failed");
            sys::MutexLock lock(mutex_);
            values_.pop_back();
            set_last_error(error);
            return false;
        }
        set_last_error(ErrorCode::NoError);
        return true;
    }

    // Writes the held values in order with `write`; at the first failure all of them stay.
    template <class Write>
    bool replay(const Write& write) {
        std::vector<Value> values;
        {
            sys::MutexLock lock(mutex_);
            values = values_;
        }
        for (const Value& value : values) {
            if (!write(value)) {
                return false;
            }
        }
        sys::MutexLock lock(mutex_);
        values_.erase(values_.begin(),
                      values_.begin() + static_cast<std::ptrdiff_t>(values.size()));
        return true;
    }

    std::vector<Value> held() const {
        sys::MutexLock lock(mutex_);
        return values_;
    }

private:
    mutable sys::Mutex mutex_;
    std::vector<Value> values_ DEVIO_GUARDED_BY(mutex_);
};

} // namespace devio
