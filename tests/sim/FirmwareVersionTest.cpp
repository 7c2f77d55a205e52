#include "sim/FirmwareVersion.h"

#include <gtest/gtest.h>

namespace devio::sim {
namespace {

TEST(SimFirmwareVersion, TextBecomesTheBcdWordsTheLibraryFormatsBack) {
    struct Case {
        const char* text;
        uint16_t version;
        uint16_t build;
        const char* formatted;
    };
    for (const Case& c : {
             Case{"8.6.27", 0x0806, 0x0027, "8.6.27"},
             Case{"8.6.28", 0x0806, 0x0028, "8.6.28"},
             Case{"8.5.9928", 0x0805, 0x9928, "8.5.9928"},
             Case{"8.7.0", 0x0807, 0x0000, "8.7.0"},
             Case{"5.12.23", 0x0512, 0x0023, "5.12.23"},
             Case{"99.99.9999", 0x9999, 0x9999, "99.99.9999"},
             Case{"08.06.0027", 0x0806, 0x0027, "8.6.27"},
         }) {
        auto parsed = FirmwareVersion::parse(c.text);
        ASSERT_TRUE(parsed) << c.text;
        EXPECT_EQ(parsed->bcd_version, c.version) << c.text;
        EXPECT_EQ(parsed->bcd_build, c.build) << c.text;
        EXPECT_EQ(parsed->text(), c.formatted) << c.text;
    }
}

TEST(SimFirmwareVersion, RefusesWhatCannotBeExpressedInBcd) {
    for (const char* text :
         {"", "8.6", "8.6.27.1", "8.6.", ".6.27", "8..27", "100.6.27", "8.100.27", "8.6.10000",
          "8.6.-1", "8.6.+1", " 8.6.27", "8.6.27 ", "a.b.c", "8.6.2x"}) {
        EXPECT_FALSE(FirmwareVersion::parse(text)) << '"' << text << '"';
    }
}

} // namespace
} // namespace devio::sim
