// A HID report descriptor, parsed into its top-level collections as the HID service describes
// each one: its usage, the byte lengths of its input, output and feature reports, its value and
// button capabilities and its link collections.
//
// Lengths follow the HID service: a report's length is its longest report of that type plus the
// report ID byte, which is 0 for a collection without report IDs. A collection that the parser
// cannot describe (a truncated item, a long item, report sizes or counts beyond the bounds below,
// collections nested deeper than kMaxDepth, a main item outside every collection, an unbalanced
// push, pop or end) is refused: it is left out and its reason is logged, and the collections
// before it are kept. Parsing is linear in the descriptor's size and keeps at most
// kMaxCapabilities capabilities and kMaxLinkCollections link collections per collection.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "Source/Byte.h"
#include "Source/Windows/HidTypes.h"

namespace devio {

struct HidTopLevelCollection {
    HIDP_CAPS caps;
    // By report type (HidP_Input, HidP_Output, HidP_Feature).
    std::vector<HIDP_VALUE_CAPS> values[3];
    std::vector<HIDP_BUTTON_CAPS> buttons[3];
    std::vector<HIDP_LINK_COLLECTION_NODE> links; // [0]: the collection itself
    bool uses_report_ids = false;
    std::vector<Byte> input_report_ids; // each once, in order of appearance
};

class HidReportDescriptor {
public:
    static constexpr std::size_t kMaxDepth = 16;
    static constexpr std::size_t kMaxCapabilities = 256;
    static constexpr std::size_t kMaxLinkCollections = 64;
    static constexpr std::size_t kMaxGlobalStack = 8;
    // The longest report accepted, in bytes without the report ID.
    static constexpr std::size_t kMaxReportBytes = 16384;

    struct Result {
        std::vector<HidTopLevelCollection> collections;
        std::vector<std::string> refusals; // one reason per refused collection
    };

    // Logs every refusal under `origin` (the node it came from).
    static Result parse(const Byte* data, std::size_t size, const std::string& origin = {});
};

} // namespace devio
