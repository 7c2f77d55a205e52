#include <gtest/gtest.h>

#include "Source/Log/XLogConfig.h"
#include "Source/System/ConfigStore.h"
#include "support/TempDir.h"

namespace devio {
namespace {

TEST(XLogConfigTest, KeyNamesTheExecutable) {
    EXPECT_EQ(XLogConfig::key_for("VantorDFU.exe"), "SOFTWARE\\Varkon\\xLog\\devio\\VantorDFU.exe");
}

TEST(XLogConfigTest, MissingKeyOrValuesKeepTheDefaults) {
    test::TempDir folder;
    sys::ConfigStore store(folder.file("registry.xml"));
    const std::string key = XLogConfig::key_for("tool");
    XLogConfig absent = XLogConfig::read(store, key);
    EXPECT_TRUE(absent.enabled);
    EXPECT_EQ(absent.console_level, 1);
    EXPECT_EQ(absent.outputs, 6u);
    EXPECT_EQ(absent.tag_level, 3);
    EXPECT_EQ(absent.file_level, 4);
    EXPECT_TRUE(absent.all_tags_off);

    ASSERT_TRUE(store.write_dword(key, "logginglevel", 3));
    ASSERT_TRUE(store.write_sz(key, "loggingoutput", "7")); // of the wrong type: not read
    XLogConfig some = XLogConfig::read(store, key);
    EXPECT_EQ(some.console_level, 3);
    EXPECT_EQ(some.outputs, 6u);
}

TEST(XLogConfigTest, StoredValuesAreRead) {
    test::TempDir folder;
    sys::ConfigStore store(folder.file("registry.xml"));
    const std::string key = XLogConfig::key_for("tool");
    ASSERT_TRUE(store.write_dword(key, "logginglevel", 2));
    ASSERT_TRUE(store.write_dword(key, "loggingoutput", 5));
    ASSERT_TRUE(store.write_dword(key, "logTagLevel", 4));
    ASSERT_TRUE(store.write_sz(key, "LogTags", "+Device"));
    XLogConfig config = XLogConfig::read(store, key);
    EXPECT_EQ(config.console_level, 2);
    EXPECT_EQ(config.outputs, 5u);
    EXPECT_EQ(config.tag_level, 4);
    EXPECT_FALSE(config.all_tags_off);
    EXPECT_EQ(config.tags_description(), " +Device");

    ASSERT_TRUE(store.write_sz(key, "LogTags", "+Device" + std::string(1100, ' ')));
    EXPECT_TRUE(XLogConfig::read(store, key).all_tags_off) << "an over-long value is not read";

    ASSERT_TRUE(store.write_dword(key, "logging", 0));
    EXPECT_FALSE(XLogConfig::read(store, key).enabled);
}

TEST(XLogConfigTest, TagSwitches) {
    struct Case {
        const char* log_tags;
        const char* description;
    };
    const Case cases[] = {
        {"", " -*"},
        {"+Device", " +Device"},
        {"+Device -*", " -*"},
        {"-* +Device", " -* +Device"},
        {"+Device -Device", " -Device"},
        {"-Win32Device +Device", " +Device -Win32Device"},
        {"+B  +A x +", " +A +B"},
        {"*", ""},
    };
    for (const Case& c : cases) {
        XLogConfig config;
        config.apply_tag_switches(c.log_tags);
        EXPECT_EQ(config.tags_description(), c.description) << '"' << c.log_tags << '"';
    }
}

TEST(XLogConfigTest, TagFilter) {
    XLogConfig config;
    config.apply_tag_switches("-* +Device -Win32Device");
    EXPECT_TRUE(config.tag_passes("Device"));
    EXPECT_FALSE(config.tag_passes("Win32Device"));
    EXPECT_FALSE(config.tag_passes("Other")) << "all tags off";

    XLogConfig open;
    open.apply_tag_switches("-Win32Device");
    EXPECT_TRUE(open.tag_passes("Other"));
    EXPECT_FALSE(open.tag_passes("Win32Device"));
}

} // namespace
} // namespace devio
