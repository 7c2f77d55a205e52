#include "Source/Linux/HidReportDescriptor.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ReportDescriptors.h"
#include "Source/System/DebugOutput.h"
#include "support/LogLines.h"

namespace devio {
namespace {

using Bytes = std::vector<Byte>;
using test::kKeyboard;
using test::kReceiverLong;
using test::kReceiverShort;

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// A mouse with report ID 2: 16 buttons, X and Y of 12 bits, wheel, and AC pan as a four-byte
// usage of the consumer page, in a physical collection.
const Bytes kMouse = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x02, 0x09, 0x01, 0xA1, 0x00,
                      0x05, 0x09, 0x19, 0x01, 0x29, 0x10, 0x15, 0x00, 0x25, 0x01, 0x95, 0x10,
                      0x75, 0x01, 0x81, 0x02, 0x05, 0x01, 0x16, 0x01, 0xF8, 0x26, 0xFF, 0x07,
                      0x75, 0x0C, 0x95, 0x02, 0x09, 0x30, 0x09, 0x31, 0x81, 0x06, 0x15, 0x81,
                      0x25, 0x7F, 0x75, 0x08, 0x95, 0x01, 0x09, 0x38, 0x81, 0x06, 0x0B, 0x38,
                      0x02, 0x0C, 0x00, 0x95, 0x01, 0x81, 0x06, 0xC0, 0xC0};
// Consumer control with report ID 3: one 16-bit array field.
const Bytes kConsumer = {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x15,
                         0x00, 0x26, 0xFF, 0x03, 0x19, 0x00, 0x2A, 0xFF, 0x03,
                         0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0};
// A vendor collection without report IDs: 64-byte reports.
const Bytes kNoReportIds = {0x06, 0xA0, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00,
                            0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x09, 0x01,
                            0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0};

struct Expected {
    uint16_t page, usage;
    uint16_t input, output, feature;  // report byte lengths
    uint16_t in_values, in_buttons;   // input capabilities
    uint16_t out_values, out_buttons; // output capabilities
    uint16_t links;
    std::vector<Byte> input_ids;
};

struct Shape {
    const char* name;
    Bytes descriptor;
    std::vector<Expected> collections;
};

TEST(HidReportDescriptorTest, RealWorldShapesGiveTheCapabilitiesOfTheHidService) {
    const Shape shapes[] = {
        {"receiver",
         join({kReceiverShort, kReceiverLong}),
         {{0xFF00, 1, 7, 7, 0, 0, 1, 0, 1, 1, {0x10}},
          {0xFF00, 2, 20, 20, 0, 0, 1, 0, 1, 1, {0x11}}}},
        {"mouse", kMouse, {{0x0001, 2, 8, 0, 0, 4, 1, 0, 0, 2, {0x02}}}},
        {"keyboard", kKeyboard, {{0x0001, 6, 9, 2, 0, 0, 2, 0, 1, 1, {0x01}}}},
        {"composite",
         join({kKeyboard, kConsumer, kReceiverShort}),
         {{0x0001, 6, 9, 2, 0, 0, 2, 0, 1, 1, {0x01}},
          {0x000C, 1, 3, 0, 0, 0, 1, 0, 0, 1, {0x03}},
          {0xFF00, 1, 7, 7, 0, 0, 1, 0, 1, 1, {0x10}}}},
        // Without report IDs the lengths still count the (zero) ID byte.
        {"no report IDs", kNoReportIds, {{0xFFA0, 1, 65, 65, 0, 1, 0, 1, 0, 1, {0x00}}}},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        HidReportDescriptor::Result result =
            HidReportDescriptor::parse(shape.descriptor.data(), shape.descriptor.size());
        EXPECT_TRUE(result.refusals.empty());
        ASSERT_EQ(result.collections.size(), shape.collections.size());
        for (std::size_t i = 0; i < shape.collections.size(); ++i) {
            const Expected& want = shape.collections[i];
            const HidTopLevelCollection& got = result.collections[i];
            const HIDP_CAPS& caps = got.caps;
            EXPECT_EQ(caps.UsagePage, want.page);
            EXPECT_EQ(caps.Usage, want.usage);
            EXPECT_EQ(caps.InputReportByteLength, want.input);
            EXPECT_EQ(caps.OutputReportByteLength, want.output);
            EXPECT_EQ(caps.FeatureReportByteLength, want.feature);
            EXPECT_EQ(caps.NumberInputValueCaps, want.in_values);
            EXPECT_EQ(caps.NumberInputButtonCaps, want.in_buttons);
            EXPECT_EQ(caps.NumberOutputValueCaps, want.out_values);
            EXPECT_EQ(caps.NumberOutputButtonCaps, want.out_buttons);
            EXPECT_EQ(caps.NumberLinkCollectionNodes, want.links);
            EXPECT_EQ(got.links.size(), want.links);
            EXPECT_EQ(got.input_report_ids, want.input_ids);
            EXPECT_EQ(got.uses_report_ids, want.input_ids != std::vector<Byte>{0});
        }
    }
}

TEST(HidReportDescriptorTest, MouseFieldsKeepTheirUsagesSizesAndLinkCollection) {
    HidReportDescriptor::Result result = HidReportDescriptor::parse(kMouse.data(), kMouse.size());
    ASSERT_EQ(result.collections.size(), 1u);
    const HidTopLevelCollection& mouse = result.collections[0];
    const auto& values = mouse.values[HidP_Input];
    ASSERT_EQ(values.size(), 4u);
    struct Field {
        uint16_t page, usage, bits, count;
    };
    const Field fields[] = {
        {1, 0x30, 12, 1}, {1, 0x31, 12, 1}, {1, 0x38, 8, 1}, {0x0C, 0x238, 8, 1}};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(values[i].UsagePage, fields[i].page);
        EXPECT_EQ(values[i].Usage, fields[i].usage);
        EXPECT_EQ(values[i].BitSize, fields[i].bits);
        EXPECT_EQ(values[i].ReportCount, fields[i].count);
        EXPECT_EQ(values[i].ReportID, 2);
        EXPECT_EQ(values[i].LinkCollection, 1); // inside the physical collection
    }
    const HIDP_BUTTON_CAPS& buttons = mouse.buttons[HidP_Input].at(0);
    EXPECT_EQ(buttons.UsagePage, 9);
    EXPECT_EQ(buttons.Usage, 1);
    // 16 buttons, then one index per value usage.
    EXPECT_EQ(mouse.caps.NumberInputDataIndices, 16 + 4);
    EXPECT_EQ(mouse.links[0].NumberOfChildren, 1);
    EXPECT_EQ(mouse.links[0].FirstChild, 1);
    EXPECT_EQ(mouse.links[1].Parent, 0);
    EXPECT_EQ(mouse.links[1].CollectionType, 0); // physical
}

struct Bad {
    const char* name;
    Bytes descriptor;
    std::string reason;
    std::size_t kept; // whole collections that survive around the bad one
};

TEST(HidReportDescriptorTest, BadDescriptorsRefuseTheirCollectionWithALogLine) {
    Bytes deep;
    for (int i = 0; i < 1000; ++i) {
        deep.insert(deep.end(), {0x09, 0x01, 0xA1, 0x00});
    }
    const Bad cases[] = {
        {"truncated item",
         join({kReceiverShort,
               Bytes(kReceiverLong.begin(), kReceiverLong.end() - 12),
               {0x26, 0xFF}}),
         "truncated item", 1},
        {"long item",
         join({{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0xFE, 0x02, 0x10, 0xAA, 0xBB, 0xC0},
               kReceiverLong}),
         "long item", 1},
        {"truncated long item", join({kReceiverShort, {0x09, 0x02, 0xA1, 0x01, 0xFE, 0x40, 0x10}}),
         "truncated long item", 1},
        {"report size times count overflows",
         join({{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x10, 0x77, 0xFF,
                0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02, 0xC0},
               kReceiverLong}),
         "report longer than 16384 bytes", 1},
        {"reports add up beyond the bound",
         join({{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x96, 0x00, 0x30, 0x81, 0x02,
                0x81, 0x02, 0xC0}}),
         "report longer than 16384 bytes", 0},
        {"nested without end",
         join({kReceiverShort, {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01}, deep}),
         "collections nested too deep", 1},
        {"main item outside a collection",
         join({{0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, kReceiverShort}),
         "main item outside any collection", 1},
        {"end without a collection", join({{0xC0}, kReceiverLong}),
         "end of collection without a collection", 1},
        {"mixed report IDs",
         join({{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0x85,
                0x05, 0x81, 0x02, 0xC0}}),
         "reports with and without report IDs", 0},
        {"report ID 0", join({{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x00, 0xC0}}),
         "report ID 0", 0},
        {"pop of an empty stack", join({{0x09, 0x01, 0xA1, 0x01, 0xB4, 0xC0}, kReceiverLong}),
         "pop of an empty stack", 1},
        {"collection without its end", join({kReceiverShort, {0x09, 0x01, 0xA1, 0x01}}),
         "collection without its end", 1},
    };
    for (const Bad& bad : cases) {
        SCOPED_TRACE(bad.name);
        sys::DebugOutputCapture capture;
        HidReportDescriptor::Result result = HidReportDescriptor::parse(
            bad.descriptor.data(), bad.descriptor.size(), "/dev/hidraw7");
        ASSERT_FALSE(result.refusals.empty());
        EXPECT_EQ(result.refusals.front(), bad.reason);
        EXPECT_EQ(result.collections.size(), bad.kept);
        EXPECT_EQ(test::count_lines(capture, "refused a collection of /dev/hidraw7: " + bad.reason),
                  1);
    }
}

} // namespace
} // namespace devio
