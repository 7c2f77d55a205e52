// A device's response cache: answers to commands that never change while the firmware stays the
// same (feature discovery, firmware information), kept so that they cost no device traffic.
//
// Entries are stored under the command with its software-id nibble replaced by 0xA, and hold the
// response normalised the same way, so that one entry serves whatever software id the device uses.
// Register commands (byte 2 of 0x80 and above) are never cached. The cache guards itself, so that
// the command engine of one device may be used from several threads.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "Source/Contracts/RapReport.h"
#include "Source/System/ThreadAnnotations.h"

namespace devio {

class ResponseCache {
public:
    using Entries = std::map<rap::Report, rap::Report>;

    // The software id that every key and stored response carries.
    static constexpr unsigned kNormalSoftwareId = 0xA;

    // Whether a command can have an entry at all.
    static bool cacheable(const rap::Report& command);
    // `report` with its software-id nibble set to 0xA.
    static rap::Report normalised(const rap::Report& report);

    // The stored answer to `command`, carrying `software_id`.
    std::optional<rap::Report> lookup(const rap::Report& command, unsigned software_id) const
        DEVIO_EXCLUDES(mutex_);
    // Stores (or replaces) the answer to a cacheable command; false when it is not cacheable.
    bool store(const rap::Report& command, const rap::Report& response) DEVIO_EXCLUDES(mutex_);
    // Adds the answer to a cacheable command unless the cache already holds one; false when it
    // was not added.
    bool insert(const rap::Report& command, const rap::Report& response) DEVIO_EXCLUDES(mutex_);

    Entries entries() const DEVIO_EXCLUDES(mutex_);
    bool empty() const DEVIO_EXCLUDES(mutex_);
    void clear() DEVIO_EXCLUDES(mutex_);

private:
    mutable sys::Mutex mutex_;
    Entries entries_ DEVIO_GUARDED_BY(mutex_);
};

} // namespace devio
