#include "app/Companion.h"

#include <gtest/gtest.h>

#include "CompanionStandIn.h"
#include "Source/System/Clock.h"
#include "Source/System/ConfigStore.h"
#include "Source/System/DebugOutput.h"
#include "app/ProductSettings.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

namespace devio::app {
namespace {

using test::CompanionStandIn;

class Companion : public ::testing::Test {
protected:
    void SetUp() override { sys::Clock::set_time_scale(0.01); }
    void TearDown() override { sys::Clock::set_time_scale(1); }

    CCompanion MakeCompanion() { return CCompanion(key_, test::IsOwnLiveChild); }
    sys::ConfigStore Store() { return sys::ConfigStore::user(); }
    std::string StandInPath(const std::string& folder, const std::string& name) {
        std::filesystem::create_directories(dir_.file(folder));
        return dir_.file(folder + "/" + name);
    }
    size_t CountTraced(std::string_view line) {
        size_t count = 0;
        for (const std::string& text : trace_.texts()) {
            count += text.find(line) != std::string::npos ? 1 : 0;
        }
        return count;
    }

    test::TempDir dir_;
    test::ScopedEnv config_{"XDG_CONFIG_HOME", dir_.file("config").c_str()};
    test::ScopedEnv runtime_{"XDG_RUNTIME_DIR", dir_.path().c_str()};
    const std::string key_ = BuildRegistryKeyPath();
    sys::DebugOutputCapture trace_;
};

TEST_F(Companion, NoneRunningMeansNoShutdownAndNoRestart) {
    CCompanion companion = MakeCompanion();
    companion.SignalCompanionShutdown();
    EXPECT_EQ(companion.CompanionPath(), "");
    EXPECT_FALSE(companion.RestartRequested());
    EXPECT_EQ(CountTraced("Setting Shutdown Event...\n"), 0u);

    ASSERT_TRUE(companion.SaveToolSettings());
    EXPECT_FALSE(Store().read(key_, "HubrixPath"));
}

TEST_F(Companion, RunningCompanionIsAskedToShutDownAndItsPathStored) {
    CompanionStandIn standIn(StandInPath("a", "Hubrix.exe"), false);
    CCompanion companion = MakeCompanion();
    companion.SignalCompanionShutdown();

    EXPECT_EQ(companion.CompanionPath(), standIn.path());
    EXPECT_TRUE(companion.RestartRequested());
    EXPECT_EQ(CountTraced("Setting Shutdown Event...\n"), 1u);
    ASSERT_TRUE(standIn.WaitEnded());

    ASSERT_TRUE(companion.SaveToolSettings());
    sys::ConfigStore store = Store();
    EXPECT_EQ(store.read_sz(key_, "HubrixPath"), standIn.path());
    EXPECT_EQ(store.read_binary(key_, "ProfileData"), std::vector<uint8_t>());
    for (const char* name :
         {"ProfileId", "ResIndex", "ProfileLighting", "BatteryLighting", "DpiLighting"}) {
        EXPECT_EQ(store.read_dword(key_, name), 0u) << name;
    }
}

TEST_F(Companion, StubbornCompanionsAreTerminatedWhateverTheirLetterCase) {
    CompanionStandIn first(StandInPath("a", "Hubrix.exe"), true);
    CompanionStandIn second(StandInPath("b", "HUBRIX.EXE"), true);
    CCompanion companion = MakeCompanion();
    companion.SignalCompanionShutdown();

    EXPECT_TRUE(companion.CompanionPath() == first.path() ||
                companion.CompanionPath() == second.path())
        << companion.CompanionPath();
    EXPECT_EQ(CountTraced("Terminating Hubrix.exe...\n"), 2u);
    ASSERT_TRUE(first.WaitEnded());
    ASSERT_TRUE(second.WaitEnded());
    // They ignore SIGTERM: the kill after the wait ended them.
    EXPECT_TRUE(first.KilledBy(SIGKILL));
    EXPECT_TRUE(second.KilledBy(SIGKILL));
}

TEST_F(Companion, CompanionWithoutItsEventIsLeftRunning) {
    CompanionStandIn standIn(StandInPath("a", "Hubrix.exe"), true);
    // The tool looks for the event where the stand-in did not make it.
    std::filesystem::create_directories(dir_.file("elsewhere"));
    test::ScopedEnv otherRuntime("XDG_RUNTIME_DIR", dir_.file("elsewhere").c_str());
    CCompanion companion = MakeCompanion();
    companion.SignalCompanionShutdown();

    EXPECT_EQ(companion.CompanionPath(), standIn.path());
    EXPECT_FALSE(companion.RestartRequested());
    EXPECT_EQ(CountTraced("Terminating"), 0u);
}

TEST_F(Companion, NumRetriesCountsEveryStart) {
    CCompanion companion = MakeCompanion();
    EXPECT_FALSE(Store().read_dword(key_, "NumRetries"));
    companion.CountToolRuns();
    EXPECT_EQ(Store().read_dword(key_, "NumRetries"), 1u);
    companion.CountToolRuns();
    EXPECT_EQ(Store().read_dword(key_, "NumRetries"), 2u);
}

TEST_F(Companion, RestartStartsTheStoredPath) {
    ASSERT_TRUE(test::AdoptDetachedCompanions());
    std::string path = StandInPath("a", "Hubrix.exe");
    std::filesystem::copy_file(HUBRIX_STAND_IN, path);
    ASSERT_TRUE(Store().write_sz(key_, "HubrixPath", path));

    MakeCompanion().RestartCompanion();

    EXPECT_TRUE(test::StopDetachedCompanion(path)) << "the stored companion did not start";
}

} // namespace
} // namespace devio::app
