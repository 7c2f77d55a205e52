// Feeds arbitrary bytes to the report-descriptor parser, as a device may describe itself. Whatever
// it accepts must stay within the parser's bounds and form a consistent tree of link collections.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "Source/Linux/HidReportDescriptor.h"

using devio::HidReportDescriptor;
using devio::HidTopLevelCollection;

namespace {

void check(const HidTopLevelCollection& collection) {
    constexpr std::size_t kLongest = HidReportDescriptor::kMaxReportBytes + 1;
    const HIDP_CAPS& caps = collection.caps;
    if (caps.InputReportByteLength > kLongest || caps.OutputReportByteLength > kLongest ||
        caps.FeatureReportByteLength > kLongest) {
        std::abort();
    }
    std::size_t capabilities = 0;
    for (int type = 0; type < 3; ++type) {
        capabilities += collection.values[type].size() + collection.buttons[type].size();
    }
    const auto& links = collection.links;
    if (capabilities > HidReportDescriptor::kMaxCapabilities || links.empty() ||
        links.size() > HidReportDescriptor::kMaxLinkCollections ||
        caps.NumberLinkCollectionNodes != links.size()) {
        std::abort();
    }
    for (std::size_t i = 1; i < links.size(); ++i) {
        if (links[i].Parent >= i || links[i].NextSibling >= links.size() ||
            links[i].FirstChild >= links.size()) {
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HidReportDescriptor::Result result = HidReportDescriptor::parse(data, size);
    for (const HidTopLevelCollection& collection : result.collections) {
        check(collection);
    }
    return 0;
}
