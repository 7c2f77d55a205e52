#include "Source/System/SecureFolder.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "Source/System/AtomicFile.h"
#include "Source/System/ConfigStore.h"
#include "Source/System/NamedEvent.h"
#include "Source/System/NamedLock.h"
#include "Source/System/Paths.h"
#include "Source/System/SystemError.h"
#include "support/HostileFolder.h"
#include "support/TempDir.h"

namespace devio::sys {
namespace {

using test::kHostileFolders;

// The folders reported while a test runs; the previous reporter is back afterwards.
class SecureFolderTest : public ::testing::Test {
protected:
    SecureFolderTest() : previous_(SecureFolder::set_reporter(&Record)) { reports().clear(); }
    ~SecureFolderTest() override { SecureFolder::set_reporter(previous_); }

    static std::vector<std::pair<std::string, std::string>>& reports() {
        static std::vector<std::pair<std::string, std::string>> recorded;
        return recorded;
    }
    static size_t ReportsOf(const std::string& folder, const std::string& reason) {
        size_t count = 0;
        for (const auto& [reported, why] : reports()) {
            count += reported == folder && why == reason ? 1 : 0;
        }
        return count;
    }
    static std::string Text(const std::string& path) {
        std::ifstream file(path);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    static mode_t ModeOf(const std::string& path) {
        struct stat info {};
        EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
        return info.st_mode & 07777;
    }

    test::TempDir dir_;

private:
    static void Record(const std::string& folder, const std::string& reason) {
        reports().emplace_back(folder, reason);
    }
    SecureFolder::Reporter previous_;
};

// Each hostile runtime and store folder: the lock, the event and the store fail with the
// refusal's error, nothing is written into or through the folder, a store planted there is not
// read, and each folder is reported once however often it is tried.
TEST_F(SecureFolderTest, HostileFoldersAreRefusedReportedOnceAndLeftAlone) {
    constexpr const char* kPlantedStore =
        "<registry><key path=\"Software\\Varkon\"><value name=\"logging\" type=\"DWORD\">1</value>"
        "</key></registry>";
    for (const test::HostileRow& row : kHostileFolders) {
        SCOPED_TRACE(row.name);
        test::TempDir dir;
        const std::string runtime = dir.file("devio");
        const std::string store = dir.file("store");
        if (!test::MakeHostileFolder(runtime, row.kind, dir.file("elsewhere")) ||
            !test::MakeHostileFolder(store, row.kind, dir.file("elsewhere-store"))) {
            GTEST_LOG_(INFO) << "skipped: this system cannot make " << row.name;
            continue;
        }
        {
            std::ofstream planted(store + "/registry.xml");
            planted << kPlantedStore;
        }
        test::ScopedEnv env("XDG_RUNTIME_DIR", dir.path().c_str());

        NamedLock lock;
        EXPECT_FALSE(lock.open("devio_hostile"));
        EXPECT_EQ(last_system_error(), static_cast<uint32_t>(row.error));
        EXPECT_EQ(NamedEvent::create("devio_hostile_event"), nullptr);
        EXPECT_EQ(last_system_error(), static_cast<uint32_t>(row.error));
        EXPECT_EQ(NamedEvent::open("devio_hostile_event"), nullptr);
        ConfigStore config(store + "/registry.xml");
        EXPECT_FALSE(config.read_dword("Software\\Varkon", "logging").has_value());
        EXPECT_EQ(last_system_error(), static_cast<uint32_t>(row.error));
        EXPECT_FALSE(config.write_dword("Software\\Varkon", "logging", 0));

        EXPECT_TRUE(test::LeftEmpty(runtime));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(store),
                                std::filesystem::directory_iterator()),
                  1);
        EXPECT_EQ(Text(store + "/registry.xml"), kPlantedStore);
        EXPECT_EQ(ReportsOf(runtime, row.reason), 1u);
        EXPECT_EQ(ReportsOf(store, row.reason), 1u);
    }
}

TEST_F(SecureFolderTest, MissingFoldersAreMadeForTheUserAlone) {
    const mode_t old_mask = umask(0);
    test::ScopedEnv env("XDG_RUNTIME_DIR", dir_.path().c_str());
    const std::string runtime = Paths::runtime_folder();
    const std::string nested = dir_.file("a/b/c");
    EXPECT_TRUE(SecureFolder::use(nested + "/", SecureFolder::Create::WithParents));
    umask(old_mask);

    EXPECT_EQ(runtime, dir_.file("devio"));
    EXPECT_EQ(ModeOf(runtime), 0700u);
    EXPECT_EQ(ModeOf(dir_.file("a")), 0700u);
    EXPECT_EQ(ModeOf(nested), 0700u);
    EXPECT_FALSE(SecureFolder::use(dir_.file("none"), SecureFolder::Create::No));
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ENOENT));
    EXPECT_FALSE(SecureFolder::use(dir_.file("x/y"), SecureFolder::Create::Folder))
        << "only the folder itself is made";
    EXPECT_TRUE(reports().empty()) << "a missing folder is no refusal";
}

// The folder's parent decides who may swap the folder for another one.
TEST_F(SecureFolderTest, ParentThatOthersMayChangeIsRefusedUnlessSticky) {
    const std::string parent = dir_.file("shared");
    ASSERT_EQ(mkdir(parent.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((parent + "/mine").c_str(), 0700), 0);
    ASSERT_EQ(chmod(parent.c_str(), 0777), 0);
    EXPECT_FALSE(SecureFolder::use(parent + "/mine", SecureFolder::Create::No));
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(EACCES));
    EXPECT_EQ(ReportsOf(parent + "/mine", "in " + parent + ", which others may change (mode 0777)"),
              1u);
    ASSERT_EQ(chmod(parent.c_str(), 01777), 0);
    EXPECT_TRUE(SecureFolder::use(parent + "/mine", SecureFolder::Create::No)) << "as in /tmp";
}

// In a folder of the user's own, a link planted under a file's name is never followed.
TEST_F(SecureFolderTest, FilesAreNeverOpenedThroughALink) {
    const std::string victim = dir_.file("victim");
    { std::ofstream(victim) << "keep"; }
    test::ScopedEnv env("XDG_RUNTIME_DIR", dir_.path().c_str());
    const std::string runtime = Paths::runtime_folder();
    ASSERT_FALSE(runtime.empty());
    ASSERT_EQ(symlink(victim.c_str(), (runtime + "/devio_planted.lock").c_str()), 0);
    ASSERT_EQ(symlink(victim.c_str(), (runtime + "/devio_planted.event").c_str()), 0);
    ASSERT_EQ(symlink(victim.c_str(), dir_.file("registry.xml").c_str()), 0);

    NamedLock lock;
    EXPECT_FALSE(lock.open("devio_planted"));
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ELOOP));
    EXPECT_EQ(NamedEvent::open("devio_planted"), nullptr);
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ELOOP));
    std::string text;
    EXPECT_FALSE(read_file_contents(dir_.file("registry.xml"), text));
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ELOOP));
    ConfigStore config(dir_.file("registry.xml"));
    EXPECT_FALSE(config.write_dword("Software\\Varkon", "logging", 0));
    EXPECT_FALSE(config.read_dword("Software\\Varkon", "logging").has_value());
    EXPECT_EQ(Text(victim), "keep");
}

} // namespace
} // namespace devio::sys
