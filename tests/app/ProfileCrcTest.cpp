#include "app/ProfileCrc.h"

#include <string_view>

#include <gtest/gtest.h>

namespace devio::app {
namespace {

TEST(ProfileCrc, IsCrc16CcittFalse) {
    constexpr std::string_view kCheck = "123456789";
    EXPECT_EQ(ProfileCrc({reinterpret_cast<const uint8_t*>(kCheck.data()), kCheck.size()}), 0x29B1);
    EXPECT_EQ(ProfileCrc({}), 0xFFFF);
}

} // namespace
} // namespace devio::app
