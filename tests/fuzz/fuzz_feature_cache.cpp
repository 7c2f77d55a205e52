// Feeds arbitrary text to the cache file's parser. Whatever it accepts must survive being written
// and read again unchanged (the attributes made printable), so that a damaged or foreign file can
// neither crash the library nor turn into a different cache on the next run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Source/Rap/FeatureCacheFile.h"

using devio::FeatureCacheFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::optional<FeatureCacheFile::Contents> read =
        FeatureCacheFile::parse(std::string(reinterpret_cast<const char*>(data), size));
    if (!read.has_value()) {
        return 0;
    }
    std::optional<FeatureCacheFile::Contents> again =
        FeatureCacheFile::parse(FeatureCacheFile::render(*read));
    if (!again.has_value() || again->entries != read->entries ||
        again->fw != FeatureCacheFile::printable(read->fw) ||
        again->path != FeatureCacheFile::printable(read->path)) {
        std::abort();
    }
    return 0;
}
