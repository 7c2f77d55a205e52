#include "Source/Linux/HidReportDescriptor.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "Source/Log/xLog.h"

namespace devio {
namespace {

const char* const kTag = "HidReportDescriptor";
const char* const kWhere = "devio::HidReportDescriptor::parse";

// Item tags with their type bits (the prefix without its size bits).
enum : Byte {
    kInput = 0x80,
    kOutput = 0x90,
    kCollection = 0xA0,
    kFeature = 0xB0,
    kEndCollection = 0xC0,
    kUsagePage = 0x04,
    kReportSize = 0x74,
    kReportId = 0x84,
    kReportCount = 0x94,
    kPush = 0xA4,
    kPop = 0xB4,
    kUsage = 0x08,
    kUsageMinimum = 0x18,
    kUsageMaximum = 0x28,
    kLongItem = 0xFE,
};

// Main-item flags.
constexpr uint32_t kConstant = 0x01;
constexpr uint32_t kVariable = 0x02;

// The usages a main item may list; more are kept as the last one.
constexpr std::size_t kMaxLocalUsages = 64;

struct Globals {
    uint16_t usage_page = 0;
    uint32_t report_size = 0;
    uint32_t report_count = 0;
    Byte report_id = 0;
};

// A usage with its page: the page of a four-byte usage item, otherwise the page in effect at
// the main item.
struct Usage {
    uint16_t id = 0;
    std::optional<uint16_t> page;
};

struct Locals {
    std::vector<Usage> usages;
    std::optional<Usage> minimum;
    std::optional<Usage> maximum;
};

Usage usage_of(uint32_t value, std::size_t size) {
    Usage usage;
    usage.id = static_cast<uint16_t>(value & 0xFFFF);
    if (size == 4) {
        usage.page = static_cast<uint16_t>(value >> 16);
    }
    return usage;
}

// One top-level collection while it is being read.
class Builder {
public:
    explicit Builder(uint16_t page, uint16_t usage) {
        collection_.caps.UsagePage = page;
        collection_.caps.Usage = usage;
        HIDP_LINK_COLLECTION_NODE top;
        top.LinkUsagePage = page;
        top.LinkUsage = usage;
        top.CollectionType = 1;
        collection_.links.push_back(top);
        open_.push_back(0);
    }

    bool refused() const { return !reason_.empty(); }
    const std::string& reason() const { return reason_; }
    void refuse(const std::string& reason) {
        if (reason_.empty()) {
            reason_ = reason;
        }
    }

    // Depth of nesting inside the top-level collection (1 = directly in it).
    std::size_t depth() const { return depth_; }

    void open_child(Byte type, uint16_t page, uint16_t usage) {
        ++depth_;
        if (refused()) {
            return;
        }
        if (depth_ > HidReportDescriptor::kMaxDepth) {
            return refuse("collections nested too deep");
        }
        if (collection_.links.size() == HidReportDescriptor::kMaxLinkCollections) {
            return refuse("too many link collections");
        }
        auto index = static_cast<USHORT>(collection_.links.size());
        USHORT parent = open_.back();
        HIDP_LINK_COLLECTION_NODE node;
        node.LinkUsagePage = page;
        node.LinkUsage = usage;
        node.Parent = parent;
        node.CollectionType = type;
        HIDP_LINK_COLLECTION_NODE& up = collection_.links[parent];
        if (up.NumberOfChildren == 0) {
            up.FirstChild = index;
        } else {
            USHORT last = up.FirstChild;
            while (collection_.links[last].NextSibling != 0) {
                last = collection_.links[last].NextSibling;
            }
            collection_.links[last].NextSibling = index;
        }
        ++up.NumberOfChildren;
        collection_.links.push_back(node);
        open_.push_back(index);
    }

    void close_child() {
        --depth_;
        // A refused child was never opened.
        if (open_.size() > std::max<std::size_t>(depth_, 1)) {
            open_.pop_back();
        }
    }

    void main_item(int type, uint32_t flags, const Globals& globals, const Locals& locals) {
        if (refused()) {
            return;
        }
        uint64_t bits = uint64_t{globals.report_size} * globals.report_count;
        uint32_t& total = bits_[static_cast<std::size_t>(type)][globals.report_id];
        if (total + bits > HidReportDescriptor::kMaxReportBytes * 8) {
            return refuse("report longer than " +
                          std::to_string(HidReportDescriptor::kMaxReportBytes) + " bytes");
        }
        if (bits == 0) {
            return;
        }
        if (!note_report_id(type, globals.report_id)) {
            return;
        }
        total += static_cast<uint32_t>(bits);
        if ((flags & kConstant) != 0) {
            return; // padding: room in the report, no capability
        }
        bool button = (flags & kVariable) == 0 || globals.report_size == 1;
        if (button) {
            add_button(type, globals, locals);
        } else {
            add_values(type, globals, locals);
        }
    }

    // The collection as the HID service describes it, once it has ended.
    HidTopLevelCollection finish() {
        HIDP_CAPS& caps = collection_.caps;
        caps.InputReportByteLength = length(HidP_Input);
        caps.OutputReportByteLength = length(HidP_Output);
        caps.FeatureReportByteLength = length(HidP_Feature);
        caps.NumberLinkCollectionNodes = static_cast<USHORT>(collection_.links.size());
        USHORT* counts[3][3] = {
            {&caps.NumberInputButtonCaps, &caps.NumberInputValueCaps, &caps.NumberInputDataIndices},
            {&caps.NumberOutputButtonCaps, &caps.NumberOutputValueCaps,
             &caps.NumberOutputDataIndices},
            {&caps.NumberFeatureButtonCaps, &caps.NumberFeatureValueCaps,
             &caps.NumberFeatureDataIndices}};
        for (int type = 0; type < 3; ++type) {
            *counts[type][0] = static_cast<USHORT>(collection_.buttons[type].size());
            *counts[type][1] = static_cast<USHORT>(collection_.values[type].size());
            *counts[type][2] = data_indices_[type];
        }
        return std::move(collection_);
    }

private:
    bool note_report_id(int type, Byte report_id) {
        bool with_id = report_id != 0;
        if (any_report_ && with_id != collection_.uses_report_ids) {
            refuse("reports with and without report IDs");
            return false;
        }
        any_report_ = true;
        collection_.uses_report_ids = with_id;
        std::vector<Byte>& ids = collection_.input_report_ids;
        if (type == HidP_Input && std::find(ids.begin(), ids.end(), report_id) == ids.end()) {
            ids.push_back(report_id);
        }
        return true;
    }

    bool room_for_capability() {
        std::size_t count = 0;
        for (int type = 0; type < 3; ++type) {
            count += collection_.values[type].size() + collection_.buttons[type].size();
        }
        if (count >= HidReportDescriptor::kMaxCapabilities) {
            refuse("too many capabilities");
            return false;
        }
        return true;
    }

    uint16_t page_of(const Usage& usage, const Globals& globals) const {
        return usage.page.value_or(globals.usage_page);
    }

    USHORT next_index(int type, uint32_t count) {
        USHORT first = data_indices_[type];
        data_indices_[type] = static_cast<USHORT>(std::min<uint32_t>(0xFFFF, first + count));
        return first;
    }

    void add_button(int type, const Globals& globals, const Locals& locals) {
        if (!room_for_capability()) {
            return;
        }
        HIDP_BUTTON_CAPS cap;
        cap.ReportID = globals.report_id;
        cap.LinkCollection = open_.back();
        uint32_t usages = 1;
        if (locals.minimum.has_value()) {
            cap.UsagePage = page_of(*locals.minimum, globals);
            cap.Usage = locals.minimum->id;
            if (locals.maximum.has_value() && locals.maximum->id >= locals.minimum->id) {
                usages = uint32_t{locals.maximum->id} - locals.minimum->id + 1;
            }
        } else if (!locals.usages.empty()) {
            cap.UsagePage = page_of(locals.usages.front(), globals);
            cap.Usage = locals.usages.front().id;
            usages = static_cast<uint32_t>(locals.usages.size());
        } else {
            cap.UsagePage = globals.usage_page;
        }
        cap.DataIndex = next_index(type, usages);
        collection_.buttons[type].push_back(cap);
    }

    void add_values(int type, const Globals& globals, const Locals& locals) {
        std::vector<Usage> usages = locals.usages;
        if (usages.empty()) {
            usages.push_back(locals.minimum.value_or(Usage{}));
        }
        uint32_t fields =
            std::min<uint32_t>(static_cast<uint32_t>(usages.size()), globals.report_count);
        for (uint32_t i = 0; i < fields; ++i) {
            if (!room_for_capability()) {
                return;
            }
            HIDP_VALUE_CAPS cap;
            cap.UsagePage = page_of(usages[i], globals);
            cap.Usage = usages[i].id;
            cap.ReportID = globals.report_id;
            cap.LinkCollection = open_.back();
            cap.BitSize = static_cast<USHORT>(globals.report_size);
            // The last usage takes the fields that remain.
            cap.ReportCount =
                static_cast<USHORT>(i + 1 < fields ? 1 : globals.report_count - (fields - 1));
            cap.DataIndex = next_index(type, 1);
            collection_.values[type].push_back(cap);
        }
    }

    USHORT length(int type) const {
        uint32_t longest = 0;
        for (uint32_t bits : bits_[static_cast<std::size_t>(type)]) {
            longest = std::max(longest, bits);
        }
        return longest == 0 ? USHORT{0} : static_cast<USHORT>((longest + 7) / 8 + 1);
    }

    HidTopLevelCollection collection_;
    std::string reason_;
    std::size_t depth_ = 1;
    std::vector<USHORT> open_; // link collections open now, innermost last
    bool any_report_ = false;
    std::array<std::array<uint32_t, 256>, 3> bits_{}; // by type and report ID
    USHORT data_indices_[3] = {};
};

// Reads the descriptor item by item and hands each top-level collection to the result.
class Parser {
public:
    Parser(const Byte* data, std::size_t size, const std::string& origin)
        : data_(data), size_(size), origin_(origin) {}

    HidReportDescriptor::Result run() {
        std::size_t at = 0;
        while (at < size_) {
            Byte prefix = data_[at];
            if (prefix == kLongItem) {
                if (at + 2 >= size_ || at + 3 + data_[at + 1] > size_) {
                    return stop("truncated long item");
                }
                refuse_here("long item");
                at += 3 + data_[at + 1];
                continue;
            }
            std::size_t length = prefix & 0x03;
            if (length == 3) {
                length = 4;
            }
            if (at + 1 + length > size_) {
                return stop("truncated item");
            }
            uint32_t value = 0;
            for (std::size_t i = 0; i < length; ++i) {
                value |= uint32_t{data_[at + 1 + i]} << (8 * i);
            }
            item(static_cast<Byte>(prefix & 0xFC), value, length);
            at += 1 + length;
        }
        return stop(builder_ ? "collection without its end" : nullptr);
    }

private:
    void item(Byte tag, uint32_t value, std::size_t length) {
        switch (tag) {
        case kUsagePage:
            globals_.usage_page = static_cast<uint16_t>(value);
            break;
        case kReportSize:
            globals_.report_size = value;
            break;
        case kReportCount:
            globals_.report_count = value;
            break;
        case kReportId:
            if (value == 0 || value > 0xFF) {
                refuse_here("report ID " + std::to_string(value));
            }
            globals_.report_id = static_cast<Byte>(value);
            break;
        case kPush:
            if (stack_.size() == HidReportDescriptor::kMaxGlobalStack) {
                refuse_here("push beyond the stack");
            } else {
                stack_.push_back(globals_);
            }
            break;
        case kPop:
            if (stack_.empty()) {
                refuse_here("pop of an empty stack");
            } else {
                globals_ = stack_.back();
                stack_.pop_back();
            }
            break;
        case kUsage:
            if (locals_.usages.size() < kMaxLocalUsages) {
                locals_.usages.push_back(usage_of(value, length));
            }
            break;
        case kUsageMinimum:
            locals_.minimum = usage_of(value, length);
            break;
        case kUsageMaximum:
            locals_.maximum = usage_of(value, length);
            break;
        case kCollection:
            collection(static_cast<Byte>(value));
            locals_ = {};
            break;
        case kEndCollection:
            end_collection();
            locals_ = {};
            break;
        case kInput:
        case kOutput:
        case kFeature:
            main_item(tag == kInput    ? HidP_Input
                      : tag == kOutput ? HidP_Output
                                       : HidP_Feature,
                      value);
            locals_ = {};
            break;
        default:
            break; // items that do not change what the service describes
        }
    }

    Usage first_usage() const {
        if (!locals_.usages.empty()) {
            return locals_.usages.front();
        }
        return locals_.minimum.value_or(Usage{});
    }

    void collection(Byte type) {
        Usage usage = first_usage();
        uint16_t page = usage.page.value_or(globals_.usage_page);
        if (builder_) {
            builder_->open_child(type, page, usage.id);
        } else {
            builder_.emplace(page, usage.id);
        }
    }

    void end_collection() {
        if (!builder_) {
            note("end of collection without a collection");
            return;
        }
        builder_->close_child();
        if (builder_->depth() == 0) {
            finish();
        }
    }

    void main_item(int type, uint32_t flags) {
        if (!builder_) {
            note("main item outside any collection");
            return;
        }
        builder_->main_item(type, flags, globals_, locals_);
    }

    void finish() {
        if (builder_->refused()) {
            note(builder_->reason());
        } else {
            result_.collections.push_back(builder_->finish());
        }
        builder_.reset();
    }

    // Refuses the collection being read, or notes the fault when there is none.
    void refuse_here(const std::string& reason) {
        if (builder_) {
            builder_->refuse(reason);
        } else {
            note(reason);
        }
    }

    HidReportDescriptor::Result stop(const char* reason) {
        if (reason != nullptr) {
            refuse_here(reason);
        }
        if (builder_) {
            note(builder_->reason());
            builder_.reset();
        }
        return std::move(result_);
    }

    void note(const std::string& reason) {
        xLogWrite(kTag, kLogWarning, kWhere, "refused a collection of %s: %s",
                  origin_.empty() ? "a report descriptor" : origin_.c_str(), reason.c_str());
        result_.refusals.push_back(reason);
    }

    const Byte* data_;
    std::size_t size_;
    const std::string& origin_;
    Globals globals_;
    std::vector<Globals> stack_;
    Locals locals_;
    std::optional<Builder> builder_;
    HidReportDescriptor::Result result_;
};

} // namespace

HidReportDescriptor::Result HidReportDescriptor::parse(const Byte* data, std::size_t size,
                                                       const std::string& origin) {
    if (data == nullptr) {
        size = 0;
    }
    return Parser(data, size, origin).run();
}

} // namespace devio
