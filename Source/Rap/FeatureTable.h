// The features a device knows, by feature index, filled by feature discovery. The classification
// reads it on the transport's read thread while discovery changes it on the caller's, so it has a
// lock of its own; callers get shared references and never hold the lock.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "Source/Byte.h"
#include "Source/System/ThreadAnnotations.h"

namespace devio {

class Feature;

class FeatureTable {
public:
    bool empty() const DEVIO_EXCLUDES(mutex_);
    std::shared_ptr<Feature> at_index(Byte index) const DEVIO_EXCLUDES(mutex_);
    std::shared_ptr<Feature> by_number(int number) const DEVIO_EXCLUDES(mutex_);
    // Puts a feature at its own index, replacing what was there and any entry of its number at
    // another index.
    void put(std::shared_ptr<Feature> feature) DEVIO_EXCLUDES(mutex_);
    // Every feature in index order.
    std::vector<std::shared_ptr<Feature>> all() const DEVIO_EXCLUDES(mutex_);
    // Drops every feature but the root (index 0).
    void keep_only_root() DEVIO_EXCLUDES(mutex_);

private:
    mutable sys::Mutex mutex_;
    std::map<Byte, std::shared_ptr<Feature>> features_ DEVIO_GUARDED_BY(mutex_);
};

} // namespace devio
