// Whether a command may be answered from the device's response cache.
//
// Cached: an answer the cache holds for the same command is returned without device traffic, and
// a fresh answer is stored (and written to the device's cache file); only commands the cache
// accepts (ResponseCache::cacheable) take part, every other command is sent as Uncached.
// Uncached: the command always reaches the device and its answer is not stored.
#pragma once

namespace devio {

enum class CacheMode { Uncached, Cached };

} // namespace devio
