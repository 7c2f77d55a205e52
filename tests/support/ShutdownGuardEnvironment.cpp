// Test programs of the library run under the process's shutdown guard, as the tool does: present
// from the start, its callbacks (the log's and the facade's shutdown) run after the last test.
// Without it, a log thread still running at exit would end the process through the guard's
// about_to_join with exit status 0, whatever the tests' result.
#include <gtest/gtest.h>

#include "Source/Log/Vs2003SingletonThreadCleanup.h"

namespace {

class ShutdownGuardEnvironment : public ::testing::Environment {
public:
    void SetUp() override { devio::Vs2003SingletonThreadCleanup::instance().set_present(); }
    void TearDown() override { devio::Vs2003SingletonThreadCleanup::instance().run_callbacks(); }
};

const auto* const kRegistered = ::testing::AddGlobalTestEnvironment(new ShutdownGuardEnvironment);

} // namespace
