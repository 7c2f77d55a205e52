// The persistent form of a device's response cache: one small XML file per device, named after
// its product id and the hash of its path, holding the fingerprint of the firmware that gave the
// answers and every cached command with its response.
//
//     <?xml version="1.0" encoding="utf-8"?>
//     <cache fw="0QRT080600284D2" path="...">
//         <command cmd="10FF001A000300" rsp="10FF001A020001"/>
//     </cache>
//
// Reading is forgiving: a file that is not XML (or is nested absurdly deep) counts as absent, an
// entry without both attributes is skipped, and so is a pair of characters that is not
// hexadecimal.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Source/Rap/ResponseCache.h"

namespace devio {

class FeatureCacheFile {
public:
    struct Contents {
        std::string fw;
        std::string path;
        ResponseCache::Entries entries;
    };

    // FNV-1a, 32 bits, over the bytes of `text`.
    static uint32_t fnv1a(std::string_view text);
    // `directory` (which ends with a separator) + product id + "_" + hash of the path + ".xml",
    // both in upper-case hexadecimal.
    static std::string specific_name(const std::string& directory, int product_id,
                                     const std::string& path);
    // `directory` + product id + ".xml": shared by every path of the product.
    static std::string generic_name(const std::string& directory, int product_id);

    // The document's text, entries in the map's order.
    static std::string render(const Contents& contents);
    // Empty when the text is not XML or has no `cache` element.
    static std::optional<Contents> parse(std::string text);

    // Two upper-case digits per byte.
    static std::string to_hex(const rap::Report& bytes);
    // Pairs of digits of either case; a pair that is not hexadecimal is skipped and a digit left
    // over at the end is ignored.
    static rap::Report from_hex(std::string_view text);
    // The text with every character outside printable ASCII replaced by '?', so that it can
    // stand in an attribute of the file.
    static std::string printable(std::string_view text);
};

} // namespace devio
