#include "Source/System/ConfigStore.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Source/System/SystemError.h"
#include "support/TempDir.h"

namespace devio::sys {
namespace {

const std::string kKey = "Software\\Varkon\\Vantor Firmware Update v28";

class ConfigStoreTest : public ::testing::Test {
protected:
    test::TempDir dir;
    ConfigStore store{dir.file("varkon/registry.xml")};

    std::string file_text() const {
        std::ifstream in(store.file());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST_F(ConfigStoreTest, MissingKeyAndValueAreNotZeroOrEmpty) {
    EXPECT_FALSE(store.key_exists(kKey));
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ENOENT));
    EXPECT_FALSE(store.read_dword(kKey, "NumRetries").has_value());
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ENOENT));

    ASSERT_TRUE(store.write_dword(kKey, "NumRetries", 0));
    ASSERT_TRUE(store.write_sz(kKey, "HubrixPath", ""));
    ASSERT_TRUE(store.write_binary(kKey, "ProfileData", {}));
    EXPECT_EQ(store.read_dword(kKey, "NumRetries"), 0u);
    EXPECT_EQ(store.read_sz(kKey, "HubrixPath"), "");
    EXPECT_EQ(store.read_binary(kKey, "ProfileData"), std::vector<uint8_t>{});
    EXPECT_FALSE(store.read_dword(kKey, "ProfileId").has_value());
}

TEST_F(ConfigStoreTest, ValuesKeepTheirTypeAndContent) {
    std::vector<uint8_t> bytes{0x00, 0x7F, 0x80, 0xFF};
    ASSERT_TRUE(store.write_dword(kKey, "NumRetries", 0xFFFFFFFFu));
    ASSERT_TRUE(store.write_sz(kKey, "HubrixPath", "/opt/hubrix/Hubrix.exe <&\"'>"));
    ASSERT_TRUE(store.write_binary(kKey, "ProfileData", bytes));

    ConfigStore again(store.file());
    EXPECT_EQ(again.read_dword(kKey, "NumRetries"), 0xFFFFFFFFu);
    EXPECT_EQ(again.read_sz(kKey, "HubrixPath"), "/opt/hubrix/Hubrix.exe <&\"'>");
    EXPECT_EQ(again.read_binary(kKey, "ProfileData"), bytes);

    EXPECT_FALSE(again.read_sz(kKey, "NumRetries").has_value());
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(EINVAL));
}

TEST_F(ConfigStoreTest, NamesMatchWithoutCaseAndKeepTheirCase) {
    ASSERT_TRUE(store.write_dword("SOFTWARE\\Varkon\\xLog\\devio\\", "LogTagLevel", 3));
    EXPECT_EQ(store.read_dword("software\\varkon\\XLOG\\devio", "logtaglevel"), 3u);
    ASSERT_TRUE(store.write_dword("software\\varkon\\xlog\\devio", "LOGTAGLEVEL", 4));
    EXPECT_EQ(store.read_dword("SOFTWARE\\Varkon\\xLog\\devio", "LogTagLevel"), 4u);
    EXPECT_NE(file_text().find("name=\"LogTagLevel\""), std::string::npos);
}

TEST_F(ConfigStoreTest, DeleteValueAndCreateKey) {
    ASSERT_TRUE(store.create_key(kKey));
    EXPECT_TRUE(store.key_exists(kKey));
    EXPECT_FALSE(store.delete_value(kKey, "NumRetries"));
    ASSERT_TRUE(store.write_dword(kKey, "NumRetries", 2));
    ASSERT_TRUE(store.delete_value(kKey, "NumRetries"));
    EXPECT_FALSE(store.read_dword(kKey, "NumRetries").has_value());
    EXPECT_TRUE(store.key_exists(kKey));
}

TEST_F(ConfigStoreTest, FileIsAReadableXmlDocument) {
    ASSERT_TRUE(store.write_dword(kKey, "NumRetries", 7));
    ASSERT_TRUE(store.write_binary(kKey, "ProfileData", {0xAB, 0x01}));
    std::string text = file_text();
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>", 0), 0u) << text;
    EXPECT_NE(text.find("<key path=\"Software\\Varkon\\Vantor Firmware Update v28\">"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("<value name=\"NumRetries\" type=\"DWORD\">7</value>"), std::string::npos)
        << text;
    EXPECT_NE(text.find("<value name=\"ProfileData\" type=\"BINARY\">AB01</value>"),
              std::string::npos)
        << text;
}

TEST_F(ConfigStoreTest, CorruptFileIsKeptAsideAndTheStoreStartsEmpty) {
    std::filesystem::create_directories(dir.file("varkon"));
    std::ofstream(store.file()) << "<registry><key path='x'><value name=";
    EXPECT_FALSE(store.read_dword(kKey, "NumRetries").has_value());
    ASSERT_TRUE(store.write_dword(kKey, "NumRetries", 1));
    EXPECT_EQ(store.read_dword(kKey, "NumRetries"), 1u);

    int kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("varkon"))) {
        if (entry.path().filename().string().rfind("registry.xml.corrupt-", 0) == 0) {
            std::ifstream in(entry.path());
            std::string content((std::istreambuf_iterator<char>(in)), {});
            EXPECT_EQ(content, "<registry><key path='x'><value name=");
            ++kept;
        }
    }
    EXPECT_EQ(kept, 1);
}

TEST_F(ConfigStoreTest, TwoProcessesWritingAtOnceKeepEveryValue) {
    constexpr int kValues = 40;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    int offset = child == 0 ? 1000 : 0;
    bool ok = true;
    for (int i = 0; i < kValues; ++i) {
        ok = store.write_dword(kKey, "v" + std::to_string(offset + i), static_cast<uint32_t>(i)) &&
             ok;
    }
    if (child == 0) {
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(ok);
    for (int base : {0, 1000}) {
        for (int i = 0; i < kValues; ++i) {
            EXPECT_EQ(store.read_dword(kKey, "v" + std::to_string(base + i)),
                      static_cast<uint32_t>(i));
        }
    }
}

} // namespace
} // namespace devio::sys
