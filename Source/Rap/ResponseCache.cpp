#include "Source/Rap/ResponseCache.h"

namespace devio {

bool ResponseCache::cacheable(const rap::Report& command) {
    return rap::byte_at(command, 2) < rap::kFirstRegisterSubId;
}

rap::Report ResponseCache::normalised(const rap::Report& report) {
    return rap::with_software_id(report, kNormalSoftwareId);
}

std::optional<rap::Report> ResponseCache::lookup(const rap::Report& command,
                                                 unsigned software_id) const {
    if (!cacheable(command)) {
        return std::nullopt;
    }
    sys::MutexLock lock(mutex_);
    auto found = entries_.find(normalised(command));
    if (found == entries_.end()) {
        return std::nullopt;
    }
    return rap::with_software_id(found->second, software_id);
}

bool ResponseCache::store(const rap::Report& command, const rap::Report& response) {
    if (!cacheable(command)) {
        return false;
    }
    sys::MutexLock lock(mutex_);
    entries_.insert_or_assign(normalised(command), normalised(response));
    return true;
}

bool ResponseCache::insert(const rap::Report& command, const rap::Report& response) {
    if (!cacheable(command)) {
        return false;
    }
    sys::MutexLock lock(mutex_);
    return entries_.emplace(normalised(command), normalised(response)).second;
}

ResponseCache::Entries ResponseCache::entries() const {
    sys::MutexLock lock(mutex_);
    return entries_;
}

bool ResponseCache::empty() const {
    sys::MutexLock lock(mutex_);
    return entries_.empty();
}

void ResponseCache::clear() {
    sys::MutexLock lock(mutex_);
    entries_.clear();
}

} // namespace devio
