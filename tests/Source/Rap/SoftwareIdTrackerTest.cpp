#include "Source/Rap/SoftwareIdTracker.h"

#include <gtest/gtest.h>

namespace devio {
namespace {

TEST(SoftwareIdTracker, TheFirstIdIsTheManagersDefaultOrFifteen) {
    SoftwareIdTracker from_manager;
    EXPECT_EQ(from_manager.current(), 0u);
    EXPECT_EQ(from_manager.select(12), 12u);
    EXPECT_EQ(from_manager.select(13), 12u) << "the id stays once chosen";

    SoftwareIdTracker without_default;
    EXPECT_EQ(without_default.select(0), 15u);
}

TEST(SoftwareIdTracker, AConflictSwitchesToTheLeastRecentlySeenIdHighestOnTies) {
    struct Case {
        const char* what;
        unsigned current;
        std::vector<unsigned> uses; // other programs' ids in the order they were seen
        unsigned expected;
    };
    const Case cases[] = {
        {"our id seen, nothing else", 12, {12}, 15},
        {"our id 15 seen, nothing else", 15, {15}, 14},
        {"never-seen ids tie, the highest wins",
         12,
         {1, 2, 4, 5, 7, 8, 9, 10, 11, 13, 14, 15, 12},
         6},
        {"all seen, 7 longest ago", 12, {7, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 13, 14, 15, 12}, 7},
    };
    for (const Case& c : cases) {
        SoftwareIdTracker tracker;
        tracker.select(c.current);
        for (unsigned id : c.uses) {
            tracker.note_use(id);
        }
        tracker.raise_conflict();
        EXPECT_EQ(tracker.select(c.current), c.expected) << c.what;
        EXPECT_FALSE(tracker.conflict()) << c.what;
    }
}

} // namespace
} // namespace devio
