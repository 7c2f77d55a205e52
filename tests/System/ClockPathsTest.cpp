#include <cstdlib>
#include <gtest/gtest.h>

#include "Source/System/Clock.h"
#include "Source/System/DebugOutput.h"
#include "Source/System/Paths.h"
#include "support/TempDir.h"

namespace devio::sys {
namespace {

// Restores the process's time scale after a test that changes it.
class ScaleGuard {
public:
    explicit ScaleGuard(double scale) : old_(Clock::time_scale()) { Clock::set_time_scale(scale); }
    ~ScaleGuard() { Clock::set_time_scale(old_); }

private:
    double old_;
};

TEST(Clock, ScaleShortensWaitsAndSpeedsUpTheCounter) {
    ScaleGuard scale(0.001);
    auto real_start = std::chrono::steady_clock::now();
    int64_t start = Clock::performance_counter();
    Clock::sleep_ms(5000); // 5 ms of real time
    int64_t elapsed_ms =
        (Clock::performance_counter() - start) * 1000 / Clock::performance_frequency();
    auto real_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - real_start)
                       .count();
    EXPECT_GE(elapsed_ms, 5000);
    EXPECT_LT(real_ms, 5000);
}

TEST(Clock, ConditionWaitTimesOutOnTheScaledClock) {
    ScaleGuard scale(0.001);
    std::mutex mutex;
    std::condition_variable cv;
    std::unique_lock<std::mutex> lock(mutex);
    uint64_t start = Clock::tick_count_ms();
    EXPECT_FALSE(Clock::wait_for(cv, lock, 3000, [] { return false; }));
    EXPECT_GE(Clock::tick_count_ms() - start, 3000u);
}

TEST(Clock, CounterStaysMonotonicAcrossScaleChangesAndTinyScales) {
    int64_t before = Clock::performance_counter();
    {
        ScaleGuard tiny(1e-9); // a real second is 10^9 scaled seconds: far beyond 64-bit ns
        int64_t during = Clock::performance_counter();
        Clock::sleep_ms(1000); // a microsecond of real time
        EXPECT_GE(during, before);
        EXPECT_GE(Clock::performance_counter() - during, 1'000'000'000);
    }
    EXPECT_GE(Clock::performance_counter(), before);
}

TEST(Clock, WallTimesAgree) {
    uint64_t filetime = Clock::system_time_100ns();
    uint64_t unix_us = Clock::wall_time_us();
    EXPECT_NEAR(static_cast<double>((filetime - 116444736000000000ULL) / 10),
                static_cast<double>(unix_us), 1e6);
    EXPECT_NEAR(static_cast<double>(unix_us / 1000000), static_cast<double>(std::time(nullptr)), 2);
}

TEST(Paths, FoldersFollowTheEnvironment) {
    test::TempDir dir;
    {
        test::ScopedEnv tmp("TMPDIR", dir.path().c_str());
        EXPECT_EQ(Paths::temp_path(), dir.path() + "/");
    }
    {
        test::ScopedEnv docs("XDG_DOCUMENTS_DIR", dir.file("Documents").c_str());
        EXPECT_FALSE(Paths::documents_folder().has_value());
        ASSERT_TRUE(Paths::ensure_directory(dir.file("Documents")));
        EXPECT_EQ(Paths::documents_folder(), dir.file("Documents"));
    }
    {
        test::ScopedEnv config("XDG_CONFIG_HOME", dir.path().c_str());
        EXPECT_EQ(Paths::config_folder(), dir.path() + "/varkon");
    }
    {
        // The log's folder goes below $TMPDIR only when the user sets it, never into shared /tmp.
        test::ScopedEnv state("XDG_STATE_HOME", dir.file("state").c_str());
        test::ScopedEnv tmp("TMPDIR", nullptr);
        EXPECT_EQ(Paths::log_temp_path(), dir.file("state") + "/varkon/");
        test::ScopedEnv set_tmp("TMPDIR", dir.path().c_str());
        EXPECT_EQ(Paths::log_temp_path(), dir.path() + "/");
    }
    EXPECT_TRUE(Paths::ensure_directory(dir.file("a/b/c/")));
    EXPECT_FALSE(Paths::ensure_directory(""));
    EXPECT_EQ(Paths::executable_file_name(), "test_system");
}

TEST(DebugOutput, CaptureRecordsWhatReachesTheSink) {
    DebugOutputCapture outer;
    DebugOutput::write("first line\n");
    {
        DebugOutputCapture inner;
        DebugOutput::write("second line\n");
        EXPECT_EQ(inner.texts(), std::vector<std::string>{"second line\n"});
    }
    EXPECT_TRUE(outer.contains("first line"));
    EXPECT_TRUE(outer.contains("second"));
    outer.clear();
    EXPECT_TRUE(outer.texts().empty());
}

} // namespace
} // namespace devio::sys
